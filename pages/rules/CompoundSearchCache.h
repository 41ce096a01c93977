// A run over many compounds on SQLite, where each compound's two searches for its name anywhere in
// a text (like '%name%', pages 3 and 5) would read a whole column: the DP addresses and the names
// of the standard addresses are read once instead, and each search reads only the rows of the
// name's rarest character.
//
// The searches give the entries the database's own would: the DP addresses come from the texts read
// (the run writes no DP address); page 5's statement runs as before, limited to the addresses whose
// name holds the cell name. The run's own writes are followed: after each commit the addresses it
// inserted or renamed are read again. When another connection has committed in the meantime (an
// operator beside the run), everything is read again before the next compound's search. PostgreSQL
// searches through its trigram indexes and is left to them.
#pragma once

#include "pages/rules/TextSearchIndex.h"
#include "splitting/Splitting.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class CompoundSearchCache {
public:
    // True when the current connection is one whose searches read whole columns (SQLite).
    static bool Suits();

    // Page 3's entries of the cell, as AddressEntryLoader::Load gives them; nothing when the texts
    // could not be read (the database layer has reported why).
    std::vector<AddressEntry> DpEntries(const QString& cellName);
    // Page 5's entries of the cell, likewise.
    std::vector<AddressEntry> UnlinkedEntries(const QString& cellName);
    // Reads the names of addresses a commit has written (inserted or renamed) again.
    void Reread(const std::vector<uint32_t>& addressIds);

private:
    // Drops the texts read when another connection has committed since they were read.
    void ForgetIfChangedElsewhere();
    bool LoadDpAddresses();
    bool LoadAddressNames();
    // Adds or replaces the name of the address `id`.
    void Note(uint32_t id, const QString& name);

    std::optional<TextSearchIndex> m_dpTexts; // once read
    // The DP numbers by row of m_dpTexts, end to end: row r's ends at m_dpNumberEnds[r].
    std::u16string m_dpNumberChars;
    std::vector<uint32_t> m_dpNumberEnds;
    std::optional<TextSearchIndex> m_names;   // once read
    std::vector<uint32_t> m_addressIds;       // by row of m_names
    std::unordered_map<uint32_t, uint32_t> m_rowOfAddress;
    QString m_dataVersion; // when the texts held were read; empty: not known
};
