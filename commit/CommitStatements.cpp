#include "commit/CommitStatements.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "platform/automation/ComError.h"

CommitStatements::CommitStatements(CommitReporting reporting)
    : m_reportMode(reporting == CommitReporting::Quiet ? 1 : 0),
      m_dialect(g_pDatabase ? g_pDatabase->Dialect() : dataaccess::SqlDialect::Oracle),
      m_batches(StatementBatches::Limits::Of(m_dialect)) {}

bool CommitStatements::Exec(const QString& statement) {
    if (!Flush())
        return false;
    if (g_pDatabase->RunStatement(statement, m_reportMode))
        return true;
    NoteFailure();
    return false;
}

void CommitStatements::Queue(const QString& statement) {
    m_queued.append(statement);
}

bool CommitStatements::Flush() {
    if (m_queued.isEmpty())
        return true;
    QStringList queued;
    queued.swap(m_queued);
    // One block, or as few as the dialect's block size allows. SQLite has no round trips to save:
    // there each goes on its own.
    const std::size_t blockChars = m_dialect == dataaccess::SqlDialect::SQLite ? 0 : m_batches.blockChars;
    for (const QString& text : FormatStatementBlocks(queued, blockChars)) {
        if (!g_pDatabase->RunStatement(text, m_reportMode)) {
            NoteFailure();
            return false;
        }
    }
    return true;
}

std::optional<std::vector<QStringList>> CommitStatements::Rows(const QString& statement, int columns) {
    if (!Flush())
        return std::nullopt;
    const RowSource source = g_pDatabase->RunQuery(statement, m_reportMode);
    if (!source) {
        NoteFailure();
        return std::nullopt;
    }
    // A client-side reading: every row is held once the statement ran.
    CADORecordset reading(source);
    std::vector<QStringList> rows;
    while (!reading.AtEnd()) {
        QStringList row;
        row.reserve(columns);
        for (int column = 0; column < columns; ++column) {
            QString value;
            reading.ReadColumn(column, value, nullptr);
            row.append(std::move(value));
        }
        rows.push_back(std::move(row));
        reading.Next();
    }
    reading.CloseQuery();
    return rows;
}

void CommitStatements::Report(const ComError& error) {
    g_pDatabase->ReportError(error, m_reportMode);
    NoteFailure();
}

void CommitStatements::NoteFailure() {
    if (m_failure.isEmpty())
        m_failure = g_pDatabase->GetLastErrorDescription();
}
