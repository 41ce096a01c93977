#include "commit/JournalUndo.h"

#include "commit/CommitStatements.h"
#include "commit/FinishJournal.h"
#include "commit/Transaction.h"
#include "database/AddressGrade.h"
#include "database/JournalStatements.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace {

using Rows = std::optional<std::vector<QStringList>>;

// A refusal or a failure on the way, as the outcome's line.
struct Stop {
    UndoOutcome::Result result;
    QString message;
};

class UndoSteps {
public:
    UndoSteps(CommitStatements& db, uint32_t run) : m_db(db), m_run(run) {}

    std::vector<QStringList> Query(const QString& statement, int columns) {
        Rows rows = m_db.Rows(statement, columns);
        if (!rows)
            throw Stop{UndoOutcome::Result::Failed, m_db.Failure()};
        return std::move(*rows);
    }
    void Exec(const QString& statement) {
        if (!m_db.Exec(statement))
            throw Stop{UndoOutcome::Result::Failed, m_db.Failure()};
    }

    // The journal's row of the run; refuses an unknown run or one taken back already.
    uint32_t CellOfRun() {
        const auto rows = Query(FormatStatement(JournalStatements::RunRow, {m_run}), 3);
        if (rows.empty())
            throw Stop{UndoOutcome::Result::Refused, QStringLiteral("no run %1 in the journal").arg(m_run)};
        if (rows.front()[2].toInt() > 0)
            throw Stop{UndoOutcome::Result::Refused, QStringLiteral("run %1 was undone already").arg(m_run)};
        return rows.front()[0].toUInt();
    }

    // Finish's locks, top down as Finish takes them: the parent of the highest path level the run
    // made (the table for a new top level), the cell's row, the addresses the run moved.
    void Lock(uint32_t cellId) {
        const auto path = Query(FormatStatement(JournalStatements::PathParentOfRun, {m_run}), 2);
        if (!path.empty())
            Exec(path.front()[1].toInt() == 1 ? FormatStatement(Statements::LockAddrTable, {})
                                               : FormatStatement(Statements::LockAddrRow, {path.front()[0].toUInt()}));
        Exec(FormatStatement(Statements::LockAddrRow, {cellId}));
        Query(FormatStatement(JournalStatements::LockMovedAddrs, {m_run}), 1);
    }

    // " (run M made it: undo run M first)" when a later run kept in the journal wrote that address.
    QString LaterRun(uint32_t address) {
        const auto rows =
            Query(FormatStatement(JournalStatements::LaterRunOfAddr, {address, address, address, m_run}), 1);
        if (rows.empty() || rows.front()[0].isEmpty() || rows.front()[0].toUInt() == 0)
            return {};
        return QStringLiteral(" (run %1 wrote it: undo run %1 first)").arg(rows.front()[0]);
    }

    void Check() {
        const auto refuse = [&](const QString& why) {
            throw Stop{UndoOutcome::Result::Refused, QStringLiteral("run %1 cannot be undone: %2").arg(m_run).arg(why)};
        };
        auto rows = Query(FormatStatement(JournalStatements::NodesChanged, {m_run}), 1);
        if (!rows.empty())
            refuse(QStringLiteral("node %1 that it made has changed or is gone%2")
                       .arg(rows.front()[0], LaterRun(rows.front()[0].toUInt())));
        rows = Query(FormatStatement(JournalStatements::ForeignChildren, {m_run, m_run, m_run}), 2);
        if (!rows.empty())
            refuse(QStringLiteral("node %1 that it made has a child it did not make, node %2%3")
                       .arg(rows.front()[1], rows.front()[0], LaterRun(rows.front()[0].toUInt())));
        rows = Query(FormatStatement(JournalStatements::ForeignLinks, {m_run, m_run}), 2);
        if (!rows.empty())
            refuse(QStringLiteral("node %1 that it made has a link it did not make, to %2%3")
                       .arg(rows.front()[0], rows.front()[1], LaterRun(rows.front()[0].toUInt())));
        rows = Query(FormatStatement(JournalStatements::LinksGone, {m_run}), 2);
        if (!rows.empty())
            refuse(QStringLiteral("its link of node %1 to %2 is gone").arg(rows.front()[0], rows.front()[1]));
        rows = Query(FormatStatement(JournalStatements::MovesChanged, {m_run}), 1);
        if (!rows.empty())
            refuse(QStringLiteral("address %1 that it moved has changed since%2")
                       .arg(rows.front()[0], LaterRun(rows.front()[0].toUInt())));
        rows = Query(FormatStatement(JournalStatements::GoneIdsInUse, {m_run}), 1);
        if (!rows.empty())
            refuse(QStringLiteral("id %1 of an address it replaced is in use again").arg(rows.front()[0]));
    }

    void Count(UndoOutcome& outcome) {
        const auto rows = Query(FormatStatement(JournalStatements::CountRunRows, {m_run, m_run, m_run, m_run, m_run}), 5);
        if (rows.empty())
            return;
        const QStringList& row = rows.front();
        outcome.nodes = row[0].toLongLong();
        outcome.links = row[1].toLongLong();
        outcome.moved = row[2].toLongLong();
        outcome.replaced = row[3].toLongLong();
        outcome.replacedLinks = row[4].toLongLong();
    }

    // Links first, then the replaced addresses and their links come back, the moved addresses go
    // back (a replaced address the run had moved first is moved back after it is restored), and
    // the run's nodes go last.
    void Reverse(const JournalIdentity& identity) {
        Exec(FormatStatement(JournalStatements::DeleteRunLinks, {m_run}));
        Exec(FormatStatement(JournalStatements::RestoreGoneAddrs, {m_run}));
        Exec(FormatStatement(JournalStatements::RestoreGoneLinks, {m_run}));
        Exec(FormatStatement(JournalStatements::RestoreMoves, {m_run, m_run, m_run, m_run}));
        Exec(FormatStatement(JournalStatements::DeleteRunNodes, {m_run}));
        Exec(FormatStatement(JournalStatements::RecordUndo,
                             {m_run, SqlText::Quote(identity.osUser), SqlText::Quote(identity.host),
                              SqlText::Quote(identity.version)}));
    }

private:
    CommitStatements& m_db;
    uint32_t m_run;
};

QString Figures(const UndoOutcome& o) {
    return QStringLiteral("%1 nodes and %2 links removed, %3 addresses moved back, %4 addresses restored with "
                          "%5 links")
        .arg(o.nodes)
        .arg(o.links)
        .arg(o.moved)
        .arg(o.replaced)
        .arg(o.replacedLinks);
}

} // namespace

UndoOutcome JournalUndo::Run(bool dryRun) {
    UndoOutcome outcome;
    if (!g_pDatabase) {
        outcome.message = QStringLiteral("no database");
        return outcome;
    }
    if (!FinishJournal::Present()) {
        outcome.result = UndoOutcome::Result::NoJournal;
        outcome.message = QStringLiteral("the database has no journal");
        return outcome;
    }
    CommitStatements db(CommitReporting::Quiet);
    try {
        Transaction transaction; // rolled back unless committed: a refusal changes nothing
        UndoSteps steps(db, m_run);
        const uint32_t cellId = steps.CellOfRun();
        steps.Lock(cellId);
        // Looked at again under the locks: another undo of the same run may have come first.
        steps.CellOfRun();
        steps.Check();
        steps.Count(outcome);
        if (dryRun) {
            outcome.result = UndoOutcome::Result::Checked;
            outcome.message = QStringLiteral("run %1 can be undone: %2").arg(m_run).arg(Figures(outcome));
            return outcome;
        }
        steps.Reverse(m_identity);
        transaction.Commit();
        outcome.result = UndoOutcome::Result::Undone;
        outcome.message = QStringLiteral("run %1 undone: %2").arg(m_run).arg(Figures(outcome));
    } catch (const Stop& stop) {
        outcome.result = stop.result;
        outcome.message = stop.message.simplified();
    } catch (const ComError& error) {
        db.Report(error);
        outcome.result = UndoOutcome::Result::Failed;
        outcome.message = db.Failure().simplified();
    }
    if (outcome.result == UndoOutcome::Result::Failed && outcome.message.isEmpty())
        outcome.message = QStringLiteral("the database failed");
    return outcome;
}
