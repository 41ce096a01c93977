#include "commit/LinkedAddressMover.h"

#include "commit/FinishJournal.h"
#include "commit/TrailingAsciiRun.h"
#include "database/AddressGrade.h"
#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

using StatementBatches::ForEachChunk;
using StatementBatches::ForEachSlice;

bool LinkedAddressMover::Read(uint32_t cellId) {
    // Every link of every node of the cell's subtree, the cell node and this Finish's links
    // included, read before anything moves. Links to telephone numbers are looked up as DPs too.
    auto links = m_db.Rows(FormatStatement(Statements::SubtreeLinks, {cellId}), 3);
    if (!links)
        return false;
    m_links = std::move(*links);
    std::vector<QString> dps;
    {
        std::set<QString> seen;
        for (const QStringList& link : m_links)
            if (seen.insert(link[2]).second)
                dps.push_back(link[2]);
    }
    return ForEachChunk(dps, m_db.Batches().ListValues(), [&](const std::vector<QString>& chunk) {
        std::vector<std::vector<SqlArg>> items;
        for (const QString& dp : chunk)
            items.push_back({SqlText::Quote(dp)});
        const auto rows = m_db.Rows(FormatStatement(Statements::StandardAddressesOfDps,
                                                    {FormatList(Statements::TextItem, items, Statements::Comma)}),
                                    5);
        if (!rows)
            return false;
        for (const QStringList& row : *rows)
            m_addressesOfDp[row[0]].emplace_back(row[1].toUInt(),
                                                 StandardAddressLocks::Row{row[2], row[3].toInt(), row[4].toUInt()});
        return true;
    });
}

std::vector<uint32_t> LinkedAddressMover::Addresses() const {
    std::vector<uint32_t> ids;
    for (const auto& [dp, addresses] : m_addressesOfDp)
        for (const auto& address : addresses)
            ids.push_back(address.first);
    return ids;
}

StandardAddressLocks::Locked LinkedAddressMover::AsRead() const {
    StandardAddressLocks::Locked locked;
    for (const auto& [dp, addresses] : m_addressesOfDp)
        for (const auto& [id, row] : addresses)
            locked[id] = row;
    return locked;
}

bool LinkedAddressMover::Move(const StandardAddressLocks::Locked& locked, KnownInnerNodes& known) {
    // Once moved an address has an inner grade, so no later link takes it again; one that another
    // Finish moved or replaced since it was read is left as that Finish left it.
    std::set<uint32_t> moved;
    std::set<uint32_t> changed;
    std::vector<AddressMove> moves;
    std::vector<uint32_t> movedIds;
    for (const QStringList& link : m_links) {
        const auto found = m_addressesOfDp.find(link[2]);
        if (found == m_addressesOfDp.end())
            continue;
        const uint32_t nodeId = link[0].toUInt();
        const int grade = link[1].toInt() + 1;
        for (const auto& candidate : found->second) {
            const uint32_t address = candidate.first;
            const auto now = locked.find(address);
            if (now == locked.end() || now->second.grade >= AddressGrade::FirstInner) {
                changed.insert(address);
                continue;
            }
            const QString newName = TrailingAsciiRun(now->second.name);
            if (newName.isEmpty() || !moved.insert(address).second)
                continue;
            moves.push_back({address, newName, grade, nodeId});
            movedIds.push_back(address);
        }
    }
    m_db.NoteAddressesWritten(movedIds);
    if (FinishJournal* journal = m_db.Journal()) {
        // The journal keeps each address as it was under the lock and as it will be, before it
        // moves; the moves are then made from the journal's rows in one statement.
        if (!journal->RecordMoves(moves, locked))
            return false;
        journal->MoveRecorded();
    } else {
        ForEachSlice(moves, std::min(StatementBatches::CaseListRows, m_db.Batches().CaseRows(AddressMoveLiterals)),
                     [&](const std::vector<AddressMove>& chunk) { m_db.Queue(FormatAddressMoves(chunk)); });
    }
    for (const AddressMove& move : moves)
        known.AddChild(move.grade, move.parent, move.name, move.address);
    m_stats.moved += static_cast<int>(moves.size());
    m_stats.skipped += static_cast<int>(changed.size());
    return true;
}
