#include "pages/rules/AddressEntryLoader.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

namespace {

// Where a source keeps the parts of an entry in its rows.
struct RowLayout {
    int textColumn;
    int oldIdColumn;
    int stdAddrIdColumn;       // -1: the source has none
    std::size_t minTextLength; // shorter cut texts are left out
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
    const bool dp = source == Source::DpAddresses;
    const QString statement = dp ? FormatStatement(Statements::DpAddresses, {name})
                                 : FormatStatement(Statements::UnlinkedAddresses, {name, name});
    // Page 5 takes only addresses with more than two characters after the cell name.
    const RowLayout layout = dp ? RowLayout{1, 0, -1, 0} : RowLayout{1, 2, 0, 3};

    CADORecordset reading(g_pDatabase);
    reading.m_cursorLocation = adUseServer;
    reading.m_cursorType = adOpenForwardOnly;
    reading.m_lockType = adLockReadOnly;
    if (!reading.OpenQuery(statement))
        return entries; // reported by the reading
    try {
        const int columns = layout.stdAddrIdColumn < 0 ? 2 : 3;
        while (!reading.AtEnd()) {
            QString text, oldId;
            uint32_t stdAddrId = 0;
            for (int column = 0; column < columns; ++column) {
                if (column == layout.stdAddrIdColumn)
                    reading.ReadColumn(column, stdAddrId, 0u);
                else
                    reading.ReadColumn(column, column == layout.textColumn ? text : oldId, u"");
            }
            AddressEntry entry;
            // A row whose text holds the name only in another letter case (a database whose like
            // ignores case) has no place to cut: it is left out.
            if (CutAfterCellName(text, cellName, entry.text) && entry.text.size() >= layout.minTextLength) {
                entry.oldId = oldId.toStdU16String();
                entry.stdAddrId = stdAddrId;
                entries.push_back(std::move(entry));
            }
            reading.Next();
        }
        reading.CloseQuery();
    } catch (const ComError& error) {
        // A reading that breaks off shows the database layer's box; the page goes on empty rather
        // than with a part of the cell's addresses.
        reading.ReportError(error, 0);
        entries.clear();
    }
    return entries;
}
