// A run over many compounds on SQLite, where each compound's two searches for its name anywhere in
// a text (like '%name%', pages 3 and 5) would read a whole column: the DP addresses and the names
// of the standard addresses are read once instead, and what is kept of them is, for each name the
// run was given, which rows hold it (the DP numbers of those rows, the address ids). A compound's
// cell name holds the name it was given (a name stands for the compounds whose names begin with it,
// a path and an id for one compound's own name), so its search reads only the rows of the given
// name it holds that has the fewest, and checks them: a few bytes a row, where holding every text
// with an index of its characters took about 310 MB per million rows.
//
// The searches give the entries the database's own would: the DP addresses are read by number and
// checked as like checks them (the run writes no DP address); page 5's statement runs as before,
// limited to the addresses whose name holds a given name. A cell name that holds none of them is
// left to the database's own search. The run's own writes are followed: after each commit the
// addresses it inserted or renamed are read again. When another connection has committed in the
// meantime (an operator beside the run), everything is read again before the next compound's
// search. PostgreSQL searches through its trigram indexes and is left to them.
#pragma once

#include "pages/rules/CompoundNameMatcher.h"
#include "splitting/Splitting.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CompoundSearchCache {
public:
    // True when the current connection is one whose searches read whole columns (SQLite).
    static bool Suits();

    // `runNames`: the names the run's compounds were given (or their own names).
    explicit CompoundSearchCache(const std::vector<QString>& runNames);

    // Page 3's entries of the cell, as AddressEntryLoader::Load gives them; empty when the texts
    // could not be read (the database layer has reported why); nothing when the cell name holds none
    // of the run's names (the database's own search is left to answer).
    std::optional<std::vector<AddressEntry>> DpEntries(const QString& cellName);
    // Page 5's entries of the cell, likewise.
    std::optional<std::vector<AddressEntry>> UnlinkedEntries(const QString& cellName);
    // Reads the names of addresses a commit has written (inserted or renamed) again.
    void Reread(const std::vector<uint32_t>& addressIds);

    // Bytes held (the names' trie, the lists, the DP numbers), for the benchmark's figure.
    std::size_t BytesHeld() const;

private:
    using RowsByName = std::vector<std::vector<uint32_t>>; // by name of m_matcher, ascending

    // Drops the rows read when another connection has committed since they were read.
    void ForgetIfChangedElsewhere();
    bool LoadDpAddresses();
    bool LoadAddressNames();
    // The run's name that `cellName` holds with the fewest rows in `rows`; nothing when it holds none.
    std::optional<uint32_t> NarrowestName(const QString& cellName, const RowsByName& rows) const;

    CompoundNameMatcher m_matcher;
    std::optional<RowsByName> m_dpRows; // once read: rows of the DP numbers below
    // The DP numbers of the rows that hold a name, end to end: row r's ends at m_dpNumberEnds[r].
    std::u16string m_dpNumberChars;
    std::vector<uint32_t> m_dpNumberEnds;
    std::optional<RowsByName> m_addressIds; // once read: address ids
    QString m_dataVersion; // when the rows held were read; empty: not known
};
