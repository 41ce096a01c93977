// tessel sql URL STATEMENT: runs one statement in the Oracle dialect through the data-access layer,
// as the system's own statements run, and prints its rows tab-separated.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/DatabaseUrl.h"
#include "host/TableFormat.h"
#include "platform/dataaccess/Recordset.h"

#include "platform/dataaccess/BstrText.h"
#include "database/CADOBase.h"
#include "host/LineWriter.h"
#include "database/RecordsetText.h"
#include "platform/automation/ComError.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// All of standard input as UTF-8, for the statement "-"; a script file's closing ";" and line
// break are not part of the statement.
QString StandardInput() {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(in.readAll()).trimmed();
    if (text.endsWith(u';'))
        text.chop(1);
    return text;
}

// The database's message for a failure, else the meaning of its code.
QString FailureText(const ComError& error) {
    if (error.HasDescription() && !error.Description().empty())
        return QString::fromStdU16String(error.Description());
    return CADOBase::CodeMeaning(error.Error());
}

int RunSql(const CommandLine& line) {
    const TableFormat::Kind format = TableFormat::FromLine(line);
    const DatabaseUrl url(line.Argument(0));
    if (const auto missing = url.MissingFile())
        return line.Fail(*missing);
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();

    ComPtr<_Connection> connection;
    try {
        ThrowIfFailed(CreateConnection(connection.Put()));
        const BstrText text(url.Text());
        ThrowIfFailed(connection->Open(text.Get(), nullptr, nullptr, -1));
    } catch (const ComError& error) {
        return line.Fail(url.OpenFailure(FailureText(error)));
    }
    try {
        const BstrText statement(line.Argument(1) == u"-" ? StandardInput() : line.Argument(1));
        ComPtr<_Recordset> reading;
        ThrowIfFailed(connection->Execute(statement.Get(), nullptr, adCmdUnspecified, reading.Put()));
        // Each row is written as it arrives and none is kept: a million rows take no more memory
        // than one.
        LineWriter out;
        LONG state = adStateClosed;
        const bool hasRows = reading && SUCCEEDED(reading->get_State(&state)) && state != adStateClosed;
        TableFormat table(format, hasRows ? dataaccess::Recordset::FieldNames(reading.Get()) : QStringList());
        if (line.IsSet(QStringLiteral("null")))
            table.SetNullText(line.Value(QStringLiteral("null")));
        if (hasRows)
            for (const QString& text : table.Begin(line.IsSet(QStringLiteral("header"))))
                out.Write(text);
        RecordsetText::ForEachRow(reading.Get(), [&](const QStringList& row, const std::vector<bool>& nulls) {
            std::vector<TableFormat::Value> values;
            values.reserve(size_t(row.size()));
            for (qsizetype c = 0; c < row.size(); ++c)
                values.push_back(nulls[size_t(c)] ? TableFormat::Value::Null() : TableFormat::Value(row[c]));
            return out.Write(table.Row(values));
        });
        if (hasRows)
            for (const QString& text : table.End())
                out.Write(text);
        if (out.Finish() == LineWriter::State::Closed) {
            // The reader went away (| head): end at once. Closing the statement would have the
            // driver read every remaining row first (PostgreSQL's does), for no one.
            std::_Exit(0);
        }
        reading.Reset();
        connection->Close();
        if (out.Current() == LineWriter::State::Failed)
            return line.Fail(QStringLiteral("cannot write the rows: %1").arg(out.Error()));
        return 0;
    } catch (const ComError& error) {
        return line.Fail(url.Explained(FailureText(error)));
    }
}

const CommandRegistration registration{{
    .name = "sql",
    .summary = "run one statement (Oracle dialect) and print its rows",
    .arguments = {UrlArgument(),
                  {"STATEMENT", "one statement in the Oracle dialect; - reads it from standard input"}},
    .options = {TableFormat::Option(),
                {{"header"}, "", "a first line with the column names (csv and json have them anyway)"},
                {{"null"}, "TEXT", "what a NULL reads in tsv and csv (default: NULL in tsv, nothing in csv); "
                                   "json writes null"}},
    .description = "Runs one statement in the Oracle dialect (start with ... connect by, dual, "
                   "seq_addr.nextval, delete without from, '' as NULL) on the database, translated for it "
                   "as the wizard's own statements are, and prints the rows as they arrive, one a line, "
                   "columns separated by tabs: numbers as plain decimals, dates and times as "
                   "2024-03-01 13:45:00, NULL as NULL; a tab, line break, carriage return or backslash inside "
                   "a value as \\t, \\n, \\r, \\\\ (--null tells NULL from a text 'NULL'; --format csv or json "
                   "writes the rows in that form). A statement without rows prints nothing. A failing "
                   "statement prints the database's message on standard error and exits with 1, as does "
                   "output that cannot be written (a full disk); a reader that stops early (| head) ends the "
                   "output quietly.",
    .notes = "example: tessel sql sqlite:tessel-demo.db \"select id,name from addr where name like '阳光%'\"",
    .exitStatus = "0 done, 1 the database refused the statement or could not be opened, or the rows could "
                  "not be written, 2 bad usage.",
    .run = RunSql}};

} // namespace
