// Batch forms send many rows per statement. How many fit in one depends on the database the
// statement runs on, so the sizes come from its dialect:
// - Oracle: an insert all names at most 999 target columns in all its into clauses together, an
//   in (...) list holds at most 1,000 values, a case expression at most 65,535 arguments (a
//   when ... then counts two).
// - SQLite and PostgreSQL take a multi-row values list and in lists of any length (the translation
//   turns an insert all into one insert ... values). What bounds them is the number of values a
//   statement may carry should the connection send its literals as bound values: 32,766 host
//   parameters in SQLite, 65,535 in PostgreSQL. Within that a level of a tree goes in one statement.
#pragma once

#include "platform/dataaccess/SqlDialect.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace StatementBatches {

// An in list every database takes, for readers that do not ask the connection's dialect.
inline constexpr std::size_t ValuesPerList = 500;
// Rows of a statement that picks each row's values from a case list: the list is searched from its
// start for every row the statement changes, so the server's work grows with the square of its
// length, whatever the database takes.
inline constexpr std::size_t CaseListRows = 200;

inline constexpr std::size_t Unbounded = std::numeric_limits<std::size_t>::max();

// A server compiles a block of statements as a whole before it runs any (PostgreSQL's scan of a
// block of megabytes cost more than its statements did on their own): blocks gather the small
// statements, whose round trips are what they save, and a large one goes on its own.
inline constexpr std::size_t BlockChars = 65536;

struct Limits {
    std::size_t insertColumns = Unbounded; // target columns of one insert all, all rows together
    std::size_t listValues = Unbounded;    // values of one in (...) list
    std::size_t caseArguments = Unbounded; // arguments of one case expression
    std::size_t literals = Unbounded;      // literal values of one statement
    std::size_t blockChars = Unbounded;    // characters of one block of statements (begin ... end;)

    static constexpr Limits Of(dataaccess::SqlDialect dialect) {
        switch (dialect) {
        case dataaccess::SqlDialect::SQLite:
            return Limits{.literals = 32766};
        case dataaccess::SqlDialect::PostgreSQL:
            return Limits{.literals = 65535, .blockChars = BlockChars};
        case dataaccess::SqlDialect::Oracle:
            break;
        }
        return Limits{.insertColumns = 999, .listValues = 1000, .caseArguments = 65535, .blockChars = BlockChars};
    }

    // Rows of one insert all whose rows name `columns` target columns and carry `literals` values
    // each (at least one row).
    constexpr std::size_t InsertRows(std::size_t columns, std::size_t literalsPerRow) const {
        return std::max<std::size_t>(1, std::min(insertColumns / columns, literals / literalsPerRow));
    }
    // Values of one in (...) list in a statement that carries `literalsPerValue` literals for each
    // value of the list (its case lists included) and `otherLiterals` more.
    constexpr std::size_t ListValues(std::size_t literalsPerValue = 1, std::size_t otherLiterals = 0) const {
        return std::max<std::size_t>(1, std::min(listValues, (literals - otherLiterals) / literalsPerValue));
    }
    // Rows of a statement with a case list of `whenPerRow` when ... then per row (each counts two
    // arguments) besides an in list of the rows' ids.
    constexpr std::size_t CaseRows(std::size_t literalsPerRow) const {
        return std::max<std::size_t>(1, std::min({listValues, (caseArguments - 1) / 2, literals / literalsPerRow}));
    }
};

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

// The same for a `run` that cannot fail (one that queues what it makes).
template <typename T, typename Run> void ForEachSlice(const std::vector<T>& items, std::size_t size, Run run) {
    ForEachChunk(items, size, [&](const std::vector<T>& slice) {
        run(slice);
        return true;
    });
}

} // namespace StatementBatches
