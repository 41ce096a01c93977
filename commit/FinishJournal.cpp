#include "commit/FinishJournal.h"

#include "database/CADODatabase.h"
#include "database/JournalStatements.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

#include <stdexcept>
#include <utility>

using StatementBatches::ForEachSlice;

namespace {

// Beyond this many runs of consecutive ids the new nodes are copied by lists of their ids.
constexpr std::size_t MaxCopiedRanges = 8;

} // namespace

FinishJournal::FinishJournal(CommitStatements& statements, JournalIdentity identity)
    : m_db(statements), m_identity(std::move(identity)) {}

bool FinishJournal::Present() {
    if (!g_pDatabase)
        return false;
    // Quiet: a database without a journal is no error to show.
    const RowSource rows = g_pDatabase->RunQuery(FormatStatement(JournalStatements::Present, {}), 1);
    return static_cast<bool>(rows);
}

void FinishJournal::NoteNewNodes(const std::vector<uint32_t>& ids) {
    m_newNodes.insert(ids.begin(), ids.end());
}

void FinishJournal::NoteNewLink(uint32_t node, const QString& oldId, int refflag) {
    // Links of new nodes are copied with the nodes; only those of older nodes are kept here.
    if (!m_newNodes.count(node))
        m_newLinks.emplace_back(node, oldId, refflag);
}

bool FinishJournal::DrawRun() {
    if (m_run != 0)
        return true;
    const auto rows = m_db.Rows(FormatStatement(JournalStatements::NextRun, {}), 1);
    if (!rows)
        return false;
    if (rows->size() != 1)
        throw std::logic_error("the journal's sequence gave no run number");
    m_run = rows->front()[0].toUInt();
    return true;
}

bool FinishJournal::RecordMoves(const std::vector<AddressMove>& moves, const StandardAddressLocks::Locked& locked) {
    if (moves.empty())
        return true;
    if (!DrawRun())
        return false;
    std::vector<std::vector<SqlArg>> rows;
    for (const AddressMove& move : moves) {
        const StandardAddressLocks::Row& old = locked.at(move.address);
        rows.push_back({m_run, move.address, SqlText::Quote(move.name), move.grade, move.parent,
                        SqlText::Quote(old.name), old.grade, old.parent});
    }
    m_moved = true;
    ForEachSlice(rows, m_db.Batches().InsertRows(8, 8), [&](const std::vector<std::vector<SqlArg>>& chunk) {
        m_db.Queue(FormatStatement(JournalStatements::RecordMoveRows,
                                   {FormatList(JournalStatements::MoveRow, chunk, Statements::Space)}));
    });
    return true;
}

void FinishJournal::MoveRecorded() {
    if (m_moved)
        m_db.Queue(FormatStatement(JournalStatements::MoveRecordedAddrs, {m_run, m_run, m_run, m_run}));
}

bool FinishJournal::RecordReplaced(const std::vector<uint32_t>& addresses) {
    if (addresses.empty())
        return true;
    if (!DrawRun())
        return false;
    ForEachSlice(addresses, m_db.Batches().ListValues(1, 1), [&](const std::vector<uint32_t>& chunk) {
        m_db.Queue(FormatStatement(JournalStatements::RecordGoneAddrs, {m_run, FormatIdList(chunk)}));
        m_db.Queue(FormatStatement(JournalStatements::RecordGoneLinks, {m_run, FormatIdList(chunk)}));
    });
    return true;
}

bool FinishJournal::Close(uint32_t cellId, const QString& cellName, const QString& patterns,
                          const CommitStats& stats) {
    if (stats.nodesNew == 0 && stats.linksNew == 0 && stats.moved == 0 && stats.replaced == 0 &&
        stats.linksCarried == 0 && m_run == 0)
        return true; // a Finish that changed nothing leaves no run
    if (!DrawRun())
        return false;
    // The new nodes' ids come from a few draws of the sequence: copied by their runs of consecutive
    // ids, which the server reads as ranges, unless other writers' draws cut them into many.
    const std::vector<uint32_t> nodes(m_newNodes.begin(), m_newNodes.end());
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    for (const uint32_t id : nodes) {
        if (!ranges.empty() && ranges.back().second + 1 == id)
            ranges.back().second = id;
        else
            ranges.emplace_back(id, id);
    }
    if (ranges.size() <= MaxCopiedRanges) {
        for (const auto& [first, last] : ranges) {
            m_db.Queue(FormatStatement(JournalStatements::RecordNodesBetween, {m_run, first, last}));
            m_db.Queue(FormatStatement(JournalStatements::RecordLinksOfNodesBetween, {m_run, first, last}));
        }
    } else {
        ForEachSlice(nodes, m_db.Batches().ListValues(1, 1), [&](const std::vector<uint32_t>& chunk) {
            m_db.Queue(FormatStatement(JournalStatements::RecordNodes, {m_run, FormatIdList(chunk)}));
            m_db.Queue(FormatStatement(JournalStatements::RecordLinksOfNodes, {m_run, FormatIdList(chunk)}));
        });
    }
    std::vector<std::vector<SqlArg>> links;
    for (const auto& [node, oldId, refflag] : m_newLinks)
        links.push_back({m_run, node, SqlText::Quote(oldId), refflag});
    ForEachSlice(links, m_db.Batches().InsertRows(4, 4), [&](const std::vector<std::vector<SqlArg>>& chunk) {
        m_db.Queue(FormatStatement(JournalStatements::RecordLinkRows,
                                   {FormatList(JournalStatements::LinkRow, chunk, Statements::Space)}));
    });
    m_db.Queue(FormatStatement(
        JournalStatements::RecordRun,
        {m_run, SqlText::Quote(m_identity.osUser), SqlText::Quote(m_identity.host), SqlText::Quote(m_identity.version),
         cellId, SqlText::Quote(cellName), SqlText::Quote(patterns), stats.nodesNew, stats.linksNew,
         stats.moved, stats.replaced}));
    return true;
}
