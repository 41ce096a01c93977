// tessel undo URL RUN [--dry-run]: takes one journaled Finish back, or says in one line why not.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/DatabaseUrl.h"
#include "host/LineWriter.h"
#include "host/OpenDatabase.h"
#include "host/UsageError.h"

#include "commit/JournalUndo.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>

#include <cstdint>
#include <memory>

namespace {

int RunUndo(const CommandLine& line) {
    bool isNumber = false;
    const qulonglong run = line.Argument(1).toULongLong(&isNumber);
    if (!isNumber || run < 1 || run > UINT32_MAX)
        throw UsageError(QStringLiteral("RUN needs a run number as tessel history prints it, not '%1'")
                             .arg(line.Argument(1)));
    const DatabaseUrl url(line.Argument(0));
    if (const auto missing = url.MissingFile())
        return line.Fail(*missing);
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();
    OpenDatabase database;
    QString error;
    if (!database.Open(url.Text(), error))
        return line.Fail(url.OpenFailure(error));
    const UndoOutcome outcome = JournalUndo(static_cast<uint32_t>(run), JournalIdentity::OfThisProcess())
                                    .Run(line.IsSet(QStringLiteral("dry-run")));
    switch (outcome.result) {
    case UndoOutcome::Result::Undone:
    case UndoOutcome::Result::Checked:
        PrintLine(stdout, outcome.message);
        return 0;
    case UndoOutcome::Result::NoJournal:
        return line.Fail(QStringLiteral("the database has no journal; add it with: tessel init-db URL --journal"));
    case UndoOutcome::Result::Refused:
    case UndoOutcome::Result::Failed:
        break;
    }
    return line.Fail(url.Explained(outcome.message));
}

const CommandRegistration registration{{
    .name = "undo",
    .summary = "take one Finish back, as the journal recorded it",
    .arguments = {UrlArgument(), {"RUN", "the run's number, as tessel history prints it"}},
    .options = {{{"dry-run"}, "", "check and count only; change nothing"}},
    .description = "Takes back what one Finish wrote, in one transaction and under the locks Finish takes: "
                   "its links and new nodes are removed, the addresses it moved get their old name, grade and "
                   "parent, and the addresses it replaced come back whole, with their own ids and all their "
                   "links. Afterwards addr, addr_ref, dpaddr97 and telnum_dp97 hold what they held before the "
                   "run; sequences are not turned back. The journal keeps the run, marked undone.\n\n"
                   "It refuses, in one line that names the first row in the way, and changes nothing, when "
                   "later work depends on the run: a node it made that has changed or has children or links "
                   "it did not make, a link it made that is gone, an address it moved that changed since, an "
                   "id it deleted that is in use again, or a run undone already. Where a later run wrote that "
                   "row, the line names it: undo the later run first.",
    .notes = "example: tessel undo sqlite:tessel-demo.db 3 --dry-run",
    .exitStatus = "0 undone (or, with --dry-run, it can be), 1 refused or failed, or no journal, 2 bad usage.",
    .run = RunUndo}};

} // namespace
