// The commit's one way to the database: every statement goes through g_pDatabase, whose error path
// reports a failure (the layer's box, or only its record in quiet mode); this object keeps the
// database's description of the first failure for the outcome.
#pragma once

#include "commit/CommitOutcome.h"
#include "database/StatementBatches.h"
#include "platform/dataaccess/SqlDialect.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class ComError;
class FinishJournal;

class CommitStatements {
public:
    // Takes the dialect of g_pDatabase's connection as it is now.
    explicit CommitStatements(CommitReporting reporting);

    // What the statements run on, and how many rows its batch forms take.
    dataaccess::SqlDialect Dialect() const { return m_dialect; }
    const StatementBatches::Limits& Batches() const { return m_batches; }

    // A statement without rows, sent now (after what is queued); false after the layer reported the
    // failure.
    bool Exec(const QString& statement);
    // A write nothing reads back before the next reading: it waits until a reading, Exec or Flush
    // needs it sent, and a run of such writes goes to a server as one block, one round trip. Its
    // failure shows at that point.
    void Queue(const QString& statement);
    // Sends what is queued; false after the layer reported the failure. Due before a commit.
    bool Flush();
    // Every row of a select, each column read as text (NULL as the empty text); nothing after the
    // layer reported the failure. Readings that fail half way throw ComError.
    std::optional<std::vector<QStringList>> Rows(const QString& statement, int columns);
    // A ComError thrown by the layer (transactions, readings) is reported here, once.
    void Report(const ComError& error);

    const QString& Failure() const { return m_failure; }

    // The addr rows the commit inserts or renames, noted by the step that does it.
    void NoteAddressesWritten(const std::vector<uint32_t>& ids) {
        m_addressesWritten.insert(m_addressesWritten.end(), ids.begin(), ids.end());
    }
    const std::vector<uint32_t>& AddressesWritten() const { return m_addressesWritten; }

    // The journal the steps report their changes to; none in a dry run or without journal tables.
    FinishJournal* Journal() const { return m_journal; }
    void SetJournal(FinishJournal* journal) { m_journal = journal; }

private:
    void NoteFailure();

    int m_reportMode;
    dataaccess::SqlDialect m_dialect;
    StatementBatches::Limits m_batches;
    QString m_failure;
    QStringList m_queued;
    std::vector<uint32_t> m_addressesWritten;
    FinishJournal* m_journal = nullptr;
};
