#include "host/DecomposeWorker.h"

#include "host/WorkerMessage.h"
#include "pages/rules/CompoundDecomposition.h"
#include "pages/rules/CompoundReference.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

bool Answer(const QStringList& fields) {
    const QByteArray line = WorkerMessage::Encode(fields);
    return std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout) ==
               static_cast<std::size_t>(line.size()) &&
           std::fflush(stdout) == 0;
}

QStringList LocatedFields(const CompoundDecomposition::Located& located) {
    QStringList fields{QStringLiteral("located")};
    if (located.searchedName)
        fields << *located.searchedName;
    return fields;
}

} // namespace

int DecomposeWorker::Serve(const CompoundDecomposition& decomposition) {
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN); // a run that went away shows as a failed write
    std::optional<CompoundReference> compound;
    CompoundDecomposition::Located located;
    char* buffer = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    int status = 0;
    while ((length = ::getline(&buffer, &capacity, stdin)) > 0) {
        QByteArray line(buffer, length);
        if (line.endsWith('\n'))
            line.chop(1);
        const QStringList message = WorkerMessage::Decode(line);
        bool answered = true;
        if (message.value(0) == u"compound") {
            QString error;
            compound = CompoundReference::Parse(message.value(1), error);
            if (compound) {
                located = decomposition.Locate(*compound);
            } else { // the run sends only compounds it could read; answered all the same
                located = {};
                CompoundDecomposition::Outcome failed;
                failed.message = error;
                located.ended = failed;
            }
            answered = Answer(LocatedFields(located));
        } else if (message.value(0) == u"again" && compound) {
            // An earlier compound of a name that contains this one's (or the same) was written
            // meanwhile: where this one lies is looked up afresh.
            located = decomposition.Locate(*compound);
            answered = Answer(LocatedFields(located));
        } else if (message.value(0) == u"go") {
            answered = Answer(QStringList{QStringLiteral("outcome")} +
                              WorkerMessage::OutcomeFields(decomposition.Finish(located)));
            compound.reset();
            located = {};
        } else {
            answered = Answer({QStringLiteral("ended"), QStringLiteral("a message it does not know")});
            status = 1;
        }
        if (!answered || status != 0) {
            status = 1;
            break;
        }
    }
    std::free(buffer);
    return status;
}

int DecomposeWorker::Refuse(const QString& why) {
    Answer({QStringLiteral("ended"), why});
    return 1;
}
