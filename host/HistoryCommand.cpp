// tessel history URL [--cell NAME]: the journal's runs, one tab-separated line each, oldest first.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/DatabaseUrl.h"
#include "host/LineWriter.h"
#include "host/OpenDatabase.h"
#include "host/TableFormat.h"
#include "host/UsageError.h"

#include "commit/FinishJournal.h"
#include "commit/JournalHistory.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>

#include <memory>
#include <optional>

namespace {

// The one place history's rows become text: a header, then a line a run, in the --format asked for.
bool PrintHistory(TableFormat::Kind format, const QStringList& header, const std::vector<QStringList>& rows,
                  QString& error) {
    LineWriter out;
    TableFormat table(format, header);
    for (const QString& text : table.Begin(true))
        out.Write(text);
    for (const QStringList& row : rows) {
        std::vector<TableFormat::Value> values(row.begin(), row.end());
        if (!out.Write(table.Row(values)))
            break;
    }
    for (const QString& text : table.End())
        out.Write(text);
    if (out.Finish() == LineWriter::State::Failed) {
        error = out.Error();
        return false;
    }
    return true;
}

int RunHistory(const CommandLine& line) {
    std::optional<QString> cell;
    if (line.IsSet(QStringLiteral("cell"))) {
        cell = line.Value(QStringLiteral("cell"));
        if (cell->isEmpty())
            throw UsageError(QStringLiteral("--cell needs a name"));
    }
    const TableFormat::Kind format = TableFormat::FromLine(line);
    const DatabaseUrl url(line.Argument(0));
    if (const auto missing = url.MissingFile())
        return line.Fail(*missing);
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();
    OpenDatabase database;
    QString error;
    if (!database.Open(url.Text(), error))
        return line.Fail(url.OpenFailure(error));
    if (!FinishJournal::Present())
        return line.Fail(QStringLiteral("the database has no journal; add it with: tessel init-db URL --journal"));
    const auto rows = JournalHistory::Read(cell, error);
    if (!rows)
        return line.Fail(url.Explained(error));
    if (!PrintHistory(format, JournalHistory::Header(), *rows, error))
        return line.Fail(QStringLiteral("cannot write the rows: %1").arg(error));
    return 0;
}

const CommandRegistration registration{{
    .name = "history",
    .summary = "list the Finishes the journal holds",
    .arguments = {UrlArgument()},
    .options = {{{"cell"}, "NAME", "only the runs of the compound of this name"}, TableFormat::Option()},
    .description = "Prints the journal of the database: every Finish that wrote something (in the wizard or "
                   "by tessel decompose), one line a run, oldest first, tab-separated under a header: the "
                   "run's number, when it ran (the database's time, UTC), who ran it (the database user, "
                   "the system user and host), the compound's name and node id, the new nodes, new links, "
                   "moved and replaced addresses, and kept or undone. A database made before the journal "
                   "existed has none: tessel init-db URL --journal adds it.",
    .notes = "example: tessel history sqlite:tessel-demo.db --cell 阳光花园",
    .exitStatus = "0 done, 1 the database has no journal or failed, 2 bad usage.",
    .run = RunHistory}};

} // namespace
