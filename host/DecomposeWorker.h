// The worker side of `tessel decompose --jobs N`: a copy of the program started by the run with its
// own connection, which takes compounds from standard input one at a time and answers on standard
// output (WorkerMessage): first where the compound lies, then, once the run says go, its outcome.
// Ctrl-C is the run's to handle: the worker ignores it and finishes the compound it holds; it ends
// when its standard input does.
#pragma once

#include <QString>

class CompoundDecomposition;

class DecomposeWorker {
public:
    // Serves compounds on g_pDatabase until standard input ends; the exit status.
    static int Serve(const CompoundDecomposition& decomposition);
    // Tells the run why this worker cannot serve (its connection could not be opened); the exit
    // status.
    static int Refuse(const QString& why);
};
