#include "commit/StandardAddressLocks.h"

#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

#include <algorithm>

std::optional<StandardAddressLocks::Locked> StandardAddressLocks::Lock(CommitStatements& db, std::vector<uint32_t> ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    Locked locked;
    // Chunks in ascending order keep the whole in id order.
    const bool read = StatementBatches::ForEachChunk(ids, db.Batches().ListValues(),
                                                     [&](const std::vector<uint32_t>& chunk) {
        const auto rows = db.Rows(FormatStatement(Statements::LockAddrRows, {FormatIdList(chunk)}), 4);
        if (!rows)
            return false;
        for (const QStringList& row : *rows)
            locked[row[0].toUInt()] = Row{row[1], row[2].toInt(), row[3].toUInt()};
        return true;
    });
    if (!read)
        return std::nullopt;
    return locked;
}
