// The tessel program (build/bin/tessel) run from a test as a user runs it: the arguments, what goes
// to its standard input, its environment and working folder; back come its exit code and what it
// wrote. A run that does not finish in time, or ends by a signal, fails the test.
//
//   const TesselRun run = RunTessel({u"split"_s, u"-p"_s, u"栋/元"_s}, {.input = "3栋2单元\n"});
//   EXPECT_EQ(run.exitCode, 0);
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

struct TesselRun {
    int exitCode = -1;
    QString out; // standard output and error, read as UTF-8
    QString err;
};

// The same with what it wrote kept as bytes (output that need not be UTF-8).
struct TesselRawRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

struct TesselCall {
    QByteArray input; // standard input, closed after it
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString directory;                   // working folder; empty: the test's
    QString outputFile;                  // when set, takes standard output
    std::function<void()> inChild;       // runs in the child before the program starts (limits, say)
    int timeoutMs = 180000;
};

TesselRun RunTessel(const QStringList& args, const TesselCall& call = {});
TesselRawRun RunTesselRaw(const QStringList& args, const TesselCall& call = {});

// `tessel wizard URL --script FILE [extra...]` run in `directory`, with the operator script written
// to FILE there (script.txt).
TesselRun RunWizardScript(const QString& url, const QByteArray& script, const QString& directory,
                          const QStringList& extra = {});
