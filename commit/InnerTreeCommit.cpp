#include "commit/InnerTreeCommit.h"

#include "commit/CommitStatements.h"
#include "commit/FinishJournal.h"
#include "commit/KnownInnerNodes.h"
#include "commit/LinkedAddressMover.h"
#include "commit/ResultTreeWriter.h"
#include "commit/Transaction.h"
#include "commit/StandardAddressLocks.h"
#include "database/AddressGrade.h"
#include "database/AddressPathByNames.h"
#include "database/CADODatabase.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>

namespace {

constexpr int CellGrade = AddressGrade::Cell;


} // namespace

InnerTreeCommit::InnerTreeCommit(CellPathNames cellPath, const ResultTree& dpTree,
                                 const std::vector<AddressEntry>& dpEntries, const ResultTree& addrTree,
                                 const std::vector<AddressEntry>& addrEntries)
    : m_cellPath(std::move(cellPath)), m_dpTree(dpTree), m_dpEntries(dpEntries), m_addrTree(addrTree),
      m_addrEntries(addrEntries) {}

bool InnerTreeCommit::CommitInnerTree() {
    return Run(CommitMode::Write).ok;
}

CommitOutcome InnerTreeCommit::Run(CommitMode mode, CommitReporting reporting) {
    CommitOutcome outcome;
    m_strResultID = QStringLiteral("0");
    if (!g_pDatabase)
        return outcome;
    CommitStatements db(reporting);
    CommitStats stats;
    bool ok = false;
    try {
        if (mode == CommitMode::Write) {
            // The journal, where the database has one, records what this Finish writes (a dry run
            // records nothing). Asked before any transaction: the question fails where it has none.
            std::optional<FinishJournal> journal;
            if (m_journalPresent ? *m_journalPresent : FinishJournal::Present()) {
                journal.emplace(db, JournalIdentity::OfThisProcess());
                db.SetJournal(&*journal);
            }
            // The path is made before the trees' transaction: a later rollback keeps its nodes, and
            // a repeated Finish finds them. An undo may take the path away between the two: found
            // gone under the lock, it is looked up (and made) again.
            for (int attempt = 0; attempt < 3; ++attempt) {
                const bool given = attempt == 0 && m_foundCell;
                const uint32_t cellId = given ? m_foundCell->first : FindOrCreateCellPath(db, true, stats);
                m_strResultID = QString::number(cellId);
                if (cellId == 0) // nothing can be written below a cell that is not there
                    break;
                // The trees' figures count only once their transaction is committed: a refused
                // COMMIT reports what stays (the path's nodes), not what was sent.
                CommitStats trees = stats;
                Transaction transaction;
                const std::optional<bool> there = given ? LockFoundCell(db) : LockCell(db, cellId);
                if (there == false)
                    continue;
                ok = there.has_value() && WriteTrees(db, cellId, trees) && db.Flush();
                if (ok) {
                    transaction.Commit();
                    stats = trees;
                }
                break;
            }
        } else {
            Transaction transaction; // rolled back when it goes out of scope: nothing is written
            const uint32_t cellId = FindOrCreateCellPath(db, false, stats);
            m_strResultID = QString::number(cellId);
            ok = cellId != 0 && LockCell(db, cellId).value_or(false) && WriteTrees(db, cellId, stats) && db.Flush();
        }
    } catch (const ComError& error) {
        // A transaction that could not begin or end (a COMMIT the server refused), a reading that
        // failed half way: the operator sees the database's words once, nothing of the trees is
        // written, and Finish can be pressed again.
        db.Report(error);
        ok = false;
    }
    outcome.ok = ok;
    outcome.stats = stats;
    outcome.resultId = m_strResultID;
    outcome.addressesWritten = db.AddressesWritten();
    if (!ok)
        outcome.failure = db.Failure();
    return outcome;
}

uint32_t InnerTreeCommit::FindOrCreateCellPath(CommitStatements& db, bool ownTransaction, CommitStats& stats) {
    std::array<uint32_t, CellGrade + 1> ids{}; // ids[g] for grade g; ids[0] = 0 is the parent of the top level
    const int missing = FindPath(db, 1, ids);
    if (missing == 0)
        return 0;
    if (missing > CellGrade)
        return ids[CellGrade];
    if (!ownTransaction)
        return CreatePath(db, missing, ids, stats) ? ids[CellGrade] : 0;
    // Short, so that operators on other cells below the same parent wait only a moment.
    Transaction transaction;
    CommitStats made;
    if (!CreatePath(db, missing, ids, made))
        return 0;
    transaction.Commit();
    stats.nodesNew += made.nodesNew;
    stats.pathNodesNew += made.pathNodesNew;
    return ids[CellGrade];
}

int InnerTreeCommit::FindPath(CommitStatements& db, int from, std::array<uint32_t, 8>& ids) const {
    // Every level in one statement. An empty name is stored as null, so it is looked up as null;
    // the grade is not part of the search; of two children of one node that share a name, the
    // first by id is taken.
    AddressPathByNames::Names names;
    for (int grade = 1; grade <= CellGrade; ++grade)
        names[grade] = m_cellPath[grade - 1];
    AddressPathByNames byNames(names, from, ids[from - 1]);
    const auto rows = db.Rows(byNames.Statement(), 3);
    if (!rows)
        return 0;
    for (const QStringList& row : *rows)
        byNames.Add(row[0].toInt(), row[1].toUInt(), row[2].toUInt());
    for (int grade = from; grade <= CellGrade; ++grade) {
        const std::vector<uint32_t> found = byNames.Below(grade, ids[grade - 1]);
        if (found.empty())
            return grade;
        ids[grade] = found.front();
    }
    return CellGrade + 1;
}

bool InnerTreeCommit::CreatePath(CommitStatements& db, int from, std::array<uint32_t, 8>& ids,
                                 CommitStats& stats) const {
    // Children of a node are inserted only under its row lock (or below a node this transaction
    // made), so two operators making the same new path take turns and the second finds the first's
    // nodes. When the look-up under the lock finds more levels than before, the lock moves down to
    // the parent of the first level still missing.
    int missing = from;
    while (true) {
        const QString lock = missing == 1 ? FormatStatement(Statements::LockAddrTable, {})
                                          : FormatStatement(Statements::LockAddrRow, {ids[missing - 1]});
        if (!db.Exec(lock))
            return false;
        const int found = FindPath(db, missing, ids);
        if (found == 0)
            return false;
        if (found > CellGrade)
            return true;
        if (found == missing)
            break;
        missing = found;
    }
    const int count = CellGrade + 1 - missing;
    const auto drawn = db.Rows(FormatStatement(Statements::NextAddrIds, {count}), 1);
    if (!drawn)
        return false;
    if (static_cast<int>(drawn->size()) != count)
        throw std::logic_error("the sequence range gave another number of values than asked for");
    std::vector<uint32_t> newIds;
    for (const QStringList& row : *drawn)
        newIds.push_back(row[0].toUInt());
    std::sort(newIds.begin(), newIds.end());
    db.NoteAddressesWritten(newIds);
    if (FinishJournal* journal = db.Journal())
        journal->NoteNewNodes(newIds);
    std::vector<std::vector<SqlArg>> rows;
    for (int grade = missing; grade <= CellGrade; ++grade) {
        ids[grade] = newIds[grade - missing];
        // An empty name goes in as the empty literal, which the database stores as null.
        rows.push_back({ids[grade], SqlText::Quote(m_cellPath[grade - 1]), grade, ids[grade - 1]});
    }
    if (!db.Exec(FormatStatement(Statements::InsertAddrRows,
                                 {FormatList(Statements::AddrRow, rows, Statements::Space)})))
        return false;
    stats.nodesNew += count;
    stats.pathNodesNew += count;
    return true;
}

bool InnerTreeCommit::WriteTrees(CommitStatements& db, uint32_t cellId, CommitStats& stats) const {
    KnownInnerNodes known;
    if (!ResultTreeWriter(db, ResultTreeWriter::Kind::Dp, m_dpTree, m_dpEntries, known, stats).Write(cellId))
        return false;

    // Standard addresses outside the subtree, which other cells' Finishes may change too: locked
    // all at once, then everything about them is decided from what the lock reads.
    LinkedAddressMover mover(db, stats);
    if (!mover.Read(cellId))
        return false;
    std::optional<StandardAddressLocks::Locked> locked;
    if (db.Dialect() == dataaccess::SqlDialect::SQLite) {
        locked = mover.AsRead(); // read inside the transaction, which holds the whole database
    } else {
        std::vector<uint32_t> addresses = mover.Addresses();
        for (const AddressEntry& entry : m_addrEntries)
            addresses.push_back(entry.stdAddrId);
        locked = StandardAddressLocks::Lock(db, addresses);
        if (!locked)
            return false;
    }
    std::vector<uint32_t> gone;
    const auto entries = CurrentAddressEntries(db, gone);
    if (!entries)
        return false;
    if (!mover.Move(*locked, known))
        return false;

    if (gone.empty())
        return ResultTreeWriter(db, ResultTreeWriter::Kind::Address, m_addrTree, m_addrEntries, known, stats).Write(cellId) &&
               RecordJournal(db, cellId, stats);
    std::sort(gone.begin(), gone.end());
    stats.skipped += static_cast<int>(std::unique(gone.begin(), gone.end()) - gone.begin());
    const std::u16string& cellName = m_addrTree.nodes[ResultTree::Root].label;
    if (m_addrTreeBuilder) {
        const ResultTree tree = m_addrTreeBuilder(cellName, *entries);
        return ResultTreeWriter(db, ResultTreeWriter::Kind::Address, tree, *entries, known, stats).Write(cellId) &&
               RecordJournal(db, cellId, stats);
    }
    // No way to build the tree again: the items of entries that are gone link nothing.
    ResultTree tree = m_addrTree;
    for (ResultTreeNode& node : tree.nodes) {
        if (node.itemData == 0)
            continue;
        const AddressEntry& entry = m_addrEntries.at(node.itemData - 1);
        const bool stays = std::any_of(entries->begin(), entries->end(), [&](const AddressEntry& e) {
            return e.stdAddrId == entry.stdAddrId && e.oldId == entry.oldId;
        });
        if (!stays)
            node.itemData = 0;
    }
    return ResultTreeWriter(db, ResultTreeWriter::Kind::Address, tree, m_addrEntries, known, stats).Write(cellId) &&
           RecordJournal(db, cellId, stats);
}

std::optional<bool> InnerTreeCommit::LockCell(CommitStatements& db, uint32_t cellId) {
    // Writers of this cell (and undo) wait here for each other; what they look up next sees the
    // rows of any Finish that came before.
    const auto locked = db.Rows(FormatStatement(Statements::LockAddrRow, {cellId}), 1);
    if (!locked)
        return std::nullopt;
    return !locked->empty();
}

std::optional<bool> InnerTreeCommit::LockFoundCell(CommitStatements& db) const {
    const auto [cellId, parentId] = *m_foundCell;
    const auto locked = db.Rows(FormatStatement(Statements::LockAddrRows, {FormatIdList({cellId})}), 4);
    if (!locked)
        return std::nullopt;
    return locked->size() == 1 && locked->front()[1] == m_cellPath[CellGrade - 1] &&
           locked->front()[3].toUInt() == parentId;
}

bool InnerTreeCommit::RecordJournal(CommitStatements& db, uint32_t cellId, const CommitStats& stats) const {
    FinishJournal* journal = db.Journal();
    return !journal || journal->Close(cellId, m_cellPath[CellGrade - 1], m_patternText, stats);
}

QString JournalPatternText(const std::vector<NamedPatternRow>& dpRows,
                           const std::vector<NamedPatternRow>& addrRows) {
    const auto rowsText = [](const std::vector<NamedPatternRow>& rows) {
        QStringList texts;
        for (const NamedPatternRow& row : rows) {
            QStringList levels, names;
            for (size_t i = 0; i < row.levels.size() && !row.levels[i].empty(); ++i) {
                levels.append(QString::fromStdU16String(row.levels[i]));
                names.append(QString::fromStdU16String(row.names[i]));
            }
            texts.append(row.HasNames() ? levels.join(u'/') + u'=' + names.join(u'/') : levels.join(u'/'));
        }
        return texts.join(QStringLiteral(" | "));
    };
    return QStringLiteral("dp: %1; addr: %2").arg(rowsText(dpRows), rowsText(addrRows));
}

std::optional<std::vector<AddressEntry>> InnerTreeCommit::CurrentAddressEntries(CommitStatements& db,
                                                                                std::vector<uint32_t>& gone) const {
    if (m_addrEntries.empty() || m_addrTree.Empty())
        return m_addrEntries;
    // The page's own search (its cell name is the tree's root), limited to the entries' addresses.
    const SqlText name = SqlText::LikeLiteral(QString::fromStdU16String(m_addrTree.nodes[ResultTree::Root].label));
    std::vector<uint32_t> ids;
    for (const AddressEntry& entry : m_addrEntries)
        ids.push_back(entry.stdAddrId);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::set<std::pair<uint32_t, QString>> current; // address id, old id of the link
    const bool read = StatementBatches::ForEachChunk(ids, db.Batches().ListValues(1, 2),
                                                     [&](const std::vector<uint32_t>& chunk) {
        const auto rows =
            db.Rows(FormatStatement(Statements::UnlinkedAddressesAmong, {name, name, FormatIdList(chunk)}), 3);
        if (!rows)
            return false;
        for (const QStringList& row : *rows)
            current.emplace(row[0].toUInt(), row[2]);
        return true;
    });
    if (!read)
        return std::nullopt;
    std::vector<AddressEntry> entries;
    for (const AddressEntry& entry : m_addrEntries) {
        if (current.count({entry.stdAddrId, QString::fromStdU16String(entry.oldId)}))
            entries.push_back(entry);
        else
            gone.push_back(entry.stdAddrId);
    }
    return entries;
}
