// `tessel decompose --jobs N` on a server: N copies of the program (DecomposeWorker), each with its
// own connection, take the compounds; the run hands the next compound to whichever worker is free
// and hands the outcomes on in input order, so the report is the one a single connection writes.
//
// Compounds whose searched names contain each other (明月公寓 and 明月公寓二期, or one compound named
// twice) load each other's addresses: they take turns in list order. A worker first says where its
// compound lies; it goes on only when no earlier compound of such a name is still under way, and
// looks again when one was under way while it looked (a duplicate then finds the inner tree its
// twin wrote). Each compound is still written in its own transaction under its cell's lock.
//
// A worker that ends before it answers has its compound reported failed; the others go on, and
// when none is left the compounds not yet run are reported failed too. After Ctrl-C no compound is
// handed out any more: those under way finish and are reported.
#pragma once

#include "host/CompoundList.h"
#include "pages/rules/CompoundDecomposition.h"

#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <optional>
#include <vector>

class DecomposeJobs {
public:
    // The program and the arguments that start one worker.
    DecomposeJobs(QString program, QStringList workerArguments, int workers);
    ~DecomposeJobs();
    DecomposeJobs(const DecomposeJobs&) = delete;
    DecomposeJobs& operator=(const DecomposeJobs&) = delete;

    // Takes the entries: `waiting(i)` when the report waits for entry i, `done(i, outcome)` for each
    // in input order (an entry that names no compound with `unnamed(entry)`). Returns how many were
    // reported: all of them unless Ctrl-C came.
    std::size_t Run(const std::vector<CompoundList::Entry>& entries,
                    const std::function<CompoundDecomposition::Outcome(const CompoundList::Entry&)>& unnamed,
                    const std::function<void(std::size_t)>& waiting,
                    const std::function<void(std::size_t, const CompoundDecomposition::Outcome&)>& done);

private:
    struct Worker {
        pid_t pid = -1;
        int input = -1;  // its standard input, written by the run
        int output = -1; // its standard output, read by the run
        QByteArray pending; // read, not yet a whole line
        long compound = -1; // the entry it holds
        QString endedWhy;   // what it said before it ended
    };
    enum class Stage { Waiting, Locating, Located, Running, Done };
    struct Compound {
        Stage stage = Stage::Waiting;
        std::optional<QString> name; // searched name, once located
        // Earlier compounds still under way when this one was located.
        std::vector<std::size_t> underWayWhenLocated;
        CompoundDecomposition::Outcome outcome;
    };

    bool Start(Worker& worker);
    bool Send(Worker& worker, const QStringList& message);
    void Stop(Worker& worker);
    // Reads what a worker wrote; false when it ended.
    bool Read(Worker& worker, std::vector<Compound>& compounds);
    void Ended(Worker& worker, std::vector<Compound>& compounds);
    // Says go (or look again) to every located compound that may go on now.
    void Release(std::vector<Compound>& compounds);

    QString m_program;
    QStringList m_arguments;
    std::vector<Worker> m_workers;
    std::vector<std::size_t> m_underWay; // entries handed out and not done, in input order
};
