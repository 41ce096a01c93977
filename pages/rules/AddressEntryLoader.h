// The address entries of the two split pages, read from the database: page 3's DP addresses of the
// cell and page 5's standard addresses of the cell that carry a link no DP of the cell covers. Each
// entry's text is what follows the first occurrence of the cell name.
#pragma once

#include "splitting/Splitting.h"

#include <QString>

#include <cstdint>
#include <vector>

class AddressEntryLoader {
public:
    enum class Source {
        DpAddresses,       // page 3: text from dpaddr97.addr, oldId the DP number
        UnlinkedAddresses, // page 5: text from addr.name, oldId the link's old id, stdAddrId addr.id
    };

    // The entries of the cell in the order the database returns them. A statement that fails, or a
    // reading that breaks off, has been reported by the database layer and gives no entries at all
    // rather than a part of them.
    static std::vector<AddressEntry> Load(Source source, const QString& cellName);
    // Page 5's entries with the search for the cell name limited to the standard addresses
    // `addressIds` (ascending): the same entries in the same order as Load when they are every
    // address whose name holds the cell name, and a part of them (or none) otherwise.
    static std::vector<AddressEntry> LoadUnlinkedAmong(const QString& cellName,
                                                       const std::vector<uint32_t>& addressIds);
    // Appends the entry a row of `source` gives, as Load takes it; false when the row gives none.
    static bool AddEntry(Source source, const QString& text, const QString& oldId, uint32_t stdAddrId,
                         const QString& cellName, std::vector<AddressEntry>& entries);

    // The address text after the first occurrence of the cell name; false when the name does not
    // occur in it.
    static bool CutAfterCellName(const QString& address, const QString& cellName, std::u16string& text);

private:
    // Appends the entries of the statement's rows; false after a failure the reading has reported.
    static bool Read(Source source, const QString& statement, const QString& cellName,
                     std::vector<AddressEntry>& entries);
};
