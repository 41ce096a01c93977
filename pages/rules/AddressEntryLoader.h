// The address entries of the two split pages, read from the database: page 3's DP addresses of the
// cell and page 5's standard addresses of the cell that carry a link no DP of the cell covers. Each
// entry's text is what follows the first occurrence of the cell name.
#pragma once

#include "splitting/Splitting.h"

#include <QString>

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

    // The address text after the first occurrence of the cell name; false when the name does not
    // occur in it.
    static bool CutAfterCellName(const QString& address, const QString& cellName, std::u16string& text);
};
