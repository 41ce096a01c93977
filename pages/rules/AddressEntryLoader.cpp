#include "pages/rules/AddressEntryLoader.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

namespace {

// Where a source keeps the parts of an entry in its rows.
struct RowLayout {
    int textColumn;
    int oldIdColumn;
    int stdAddrIdColumn; // -1: the source has none
};

} // namespace

bool AddressEntryLoader::CutAfterCellName(const QString& address, const QString& cellName, std::u16string& text) {
    const qsizetype at = address.indexOf(cellName);
    if (at < 0)
        return false;
    const QStringView rest = QStringView(address).mid(at + cellName.size());
    text.assign(reinterpret_cast<const char16_t*>(rest.utf16()), static_cast<std::size_t>(rest.size()));
    return true;
}

std::vector<AddressEntry> AddressEntryLoader::Load(Source source, const QString& cellName) {
    std::vector<AddressEntry> entries;
    if (!g_pDatabase)
        return entries;
    // The name matches literally: its quotes, % and _ are escaped.
    const SqlText name = SqlText::LikeLiteral(cellName);
    const QString statement = source == Source::DpAddresses
                                  ? FormatStatement(Statements::DpAddresses, {name})
                                  : FormatStatement(Statements::UnlinkedAddresses, {name, name});
    if (!Read(source, statement, cellName, entries))
        entries.clear();
    return entries;
}

std::vector<AddressEntry> AddressEntryLoader::LoadUnlinkedAmong(const QString& cellName,
                                                                const std::vector<uint32_t>& addressIds) {
    std::vector<AddressEntry> entries;
    if (!g_pDatabase)
        return entries;
    const SqlText name = SqlText::LikeLiteral(cellName);
    // In ascending id order, as the whole-column statement reads its rows.
    const bool read = StatementBatches::ForEachChunk(
        addressIds, StatementBatches::ValuesPerList, [&](const std::vector<uint32_t>& chunk) {
            return Read(Source::UnlinkedAddresses,
                        FormatStatement(Statements::UnlinkedAddressesAmong, {name, name, FormatIdList(chunk)}),
                        cellName, entries);
        });
    if (!read)
        entries.clear();
    return entries;
}

bool AddressEntryLoader::AddEntry(Source source, const QString& text, const QString& oldId, uint32_t stdAddrId,
                                  const QString& cellName, std::vector<AddressEntry>& entries) {
    // Page 5 takes only addresses with more than two characters after the cell name.
    const std::size_t minTextLength = source == Source::DpAddresses ? 0 : 3;
    AddressEntry entry;
    // A row whose text holds the name only in another letter case (a database whose like ignores
    // case) has no place to cut: it is left out.
    if (!CutAfterCellName(text, cellName, entry.text) || entry.text.size() < minTextLength)
        return false;
    entry.oldId = oldId.toStdU16String();
    entry.stdAddrId = stdAddrId;
    entries.push_back(std::move(entry));
    return true;
}

bool AddressEntryLoader::Read(Source source, const QString& statement, const QString& cellName,
                              std::vector<AddressEntry>& entries) {
    const bool dp = source == Source::DpAddresses;
    const RowLayout layout = dp ? RowLayout{1, 0, -1} : RowLayout{1, 2, 0};

    CADORecordset reading(g_pDatabase);
    reading.m_cursorLocation = adUseServer;
    reading.m_cursorType = adOpenForwardOnly;
    reading.m_lockType = adLockReadOnly;
    const int columns = layout.stdAddrIdColumn < 0 ? 2 : 3;
    // A reading that breaks off shows the database layer's box; the caller then goes on empty rather
    // than with a part of the cell's addresses.
    return reading.ReadEachRow(statement, [&] {
        QString text, oldId;
        uint32_t stdAddrId = 0;
        for (int column = 0; column < columns; ++column) {
            if (column == layout.stdAddrIdColumn)
                reading.ReadColumn(column, stdAddrId, 0u);
            else
                reading.ReadColumn(column, column == layout.textColumn ? text : oldId, u"");
        }
        AddEntry(source, text, oldId, stdAddrId, cellName, entries);
    });
}
