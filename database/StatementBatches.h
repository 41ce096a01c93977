// Batch forms send many rows per statement; these bounds keep each statement within what every
// database takes: SQLite joins at most 500 selects by union all, Oracle takes at most 1,000
// values in an in list.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace StatementBatches {

inline constexpr std::size_t RowsPerInsert = 200; // rows of a multi-row insert or a case list
inline constexpr std::size_t ValuesPerList = 500; // values of an in (...) list

// Calls `run` on consecutive slices of at most `size` items, in order, until one returns false.
template <typename T, typename Run> bool ForEachChunk(const std::vector<T>& items, std::size_t size, Run run) {
    for (std::size_t begin = 0; begin < items.size(); begin += size) {
        const auto first = items.begin() + static_cast<std::ptrdiff_t>(begin);
        const auto last = items.begin() + static_cast<std::ptrdiff_t>(std::min(items.size(), begin + size));
        if (!run(std::vector<T>(first, last)))
            return false;
    }
    return true;
}

} // namespace StatementBatches
