#include "commit/LinkedAddressMover.h"

#include "commit/FinishJournal.h"
#include "commit/TrailingAsciiRun.h"
#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

#include <map>
#include <set>
#include <vector>

using StatementBatches::ForEachChunk;
using StatementBatches::RowsPerInsert;
using StatementBatches::ValuesPerList;

bool LinkedAddressMover::Move(uint32_t cellId) {
    // Every link of every node of the cell's subtree, the cell node and this Finish's links
    // included, read before anything moves. Links to telephone numbers are looked up as DPs too.
    const auto links = m_db.Rows(FormatStatement(Statements::SubtreeLinks, {cellId}), 3);
    if (!links)
        return false;
    if (links->empty())
        return true;
    std::vector<QString> dps;
    {
        std::set<QString> seen;
        for (const QStringList& link : *links)
            if (seen.insert(link[2]).second)
                dps.push_back(link[2]);
    }
    // DP number -> the standard addresses (grades 1 to 7) linked to its telephone numbers.
    std::map<QString, std::vector<std::pair<uint32_t, QString>>> addressesOfDp;
    if (!ForEachChunk(dps, ValuesPerList, [&](const std::vector<QString>& chunk) {
            std::vector<std::vector<SqlArg>> items;
            for (const QString& dp : chunk)
                items.push_back({SqlText::Quote(dp)});
            const auto rows =
                m_db.Rows(FormatStatement(Statements::StandardAddressesOfDps,
                                          {FormatList(Statements::TextItem, items, Statements::Comma)}),
                          3);
            if (!rows)
                return false;
            for (const QStringList& row : *rows)
                addressesOfDp[row[0]].emplace_back(row[1].toUInt(), row[2]);
            return true;
        }))
        return false;

    // Once moved an address has an inner grade, so no later link takes it again.
    std::set<uint32_t> moved;
    std::vector<AddressMove> moves;
    std::vector<uint32_t> movedIds;
    for (const QStringList& link : *links) {
        const auto found = addressesOfDp.find(link[2]);
        if (found == addressesOfDp.end())
            continue;
        const uint32_t nodeId = link[0].toUInt();
        const int grade = link[1].toInt() + 1;
        for (const auto& [address, name] : found->second) {
            const QString newName = TrailingAsciiRun(name);
            if (newName.isEmpty() || !moved.insert(address).second)
                continue;
            moves.push_back({address, newName, grade, nodeId});
            movedIds.push_back(address);
        }
    }
    m_db.NoteAddressesWritten(movedIds);
    if (!ForEachChunk(moves, RowsPerInsert, [&](const std::vector<AddressMove>& chunk) {
            // The journal keeps each address as it was, before it moves.
            FinishJournal* journal = m_db.Journal();
            return (!journal || journal->RecordMoves(chunk)) && m_db.Exec(FormatAddressMoves(chunk));
        }))
        return false;
    m_stats.moved += static_cast<int>(moves.size());
    return true;
}
