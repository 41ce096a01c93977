#include "pages/rules/CompoundSearchCache.h"

#include "pages/rules/AddressEntryLoader.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "platform/dataaccess/Connection.h"

#include <algorithm>
#include <type_traits>

namespace {

// Calls `row` on every row of a two-column statement (an id or a text, then a text; NULL read as
// the null text). False after a failure the reading has reported.
template <typename Key, typename Row> bool ReadPairs(const QString& statement, Row row) {
    CADORecordset reading(g_pDatabase);
    reading.m_cursorLocation = adUseServer;
    reading.m_cursorType = adOpenForwardOnly;
    reading.m_lockType = adLockReadOnly;
    return reading.ReadEachRow(statement, [&] {
        Key key{};
        QString text;
        if constexpr (std::is_same_v<Key, uint32_t>)
            reading.ReadColumn(0, key, 0u);
        else
            reading.ReadColumn(0, key, u"");
        reading.ReadColumn(1, text, nullptr);
        row(key, text);
    });
}

} // namespace

bool CompoundSearchCache::Suits() {
    if (!g_pDatabase)
        return false;
    const dataaccess::Connection* connection = dataaccess::Connection::From(g_pDatabase->CurrentConnection().Get());
    return connection && connection->Dialect() == dataaccess::SqlDialect::SQLite;
}

void CompoundSearchCache::ForgetIfChangedElsewhere() {
    QString version;
    CADORecordset reading(g_pDatabase);
    if (!reading.ReadEachRow(QString::fromUtf16(Statements::SqliteDataVersion),
                             [&] { reading.ReadColumn(0, version, u""); }))
        version.clear();
    if (!version.isEmpty() && version == m_dataVersion)
        return;
    // Changed, or not known: whatever is held may be stale.
    m_dpTexts.reset();
    m_names.reset();
    m_dataVersion = version;
}

bool CompoundSearchCache::LoadDpAddresses() {
    if (m_dpTexts)
        return true;
    TextSearchIndex texts;
    std::u16string numberChars;
    std::vector<uint32_t> numberEnds;
    if (!ReadPairs<QString>(QString::fromUtf16(Statements::AllDpAddresses), [&](const QString& number, const QString& text) {
            numberChars.append(reinterpret_cast<const char16_t*>(number.utf16()), static_cast<std::size_t>(number.size()));
            numberEnds.push_back(static_cast<uint32_t>(numberChars.size()));
            texts.Add(text);
        }))
        return false;
    m_dpTexts = std::move(texts);
    m_dpNumberChars = std::move(numberChars);
    m_dpNumberEnds = std::move(numberEnds);
    return true;
}

bool CompoundSearchCache::LoadAddressNames() {
    if (m_names)
        return true;
    m_names.emplace();
    m_addressIds.clear();
    m_rowOfAddress.clear();
    if (!ReadPairs<uint32_t>(QString::fromUtf16(Statements::AllAddressNames),
                             [&](uint32_t id, const QString& name) { Note(id, name); })) {
        m_names.reset();
        return false;
    }
    return true;
}

void CompoundSearchCache::Note(uint32_t id, const QString& name) {
    const auto [at, added] = m_rowOfAddress.try_emplace(id, m_names->RowCount());
    if (added) {
        m_names->Add(name);
        m_addressIds.push_back(id);
    } else {
        m_names->Replace(at->second, name);
    }
}

std::vector<AddressEntry> CompoundSearchCache::DpEntries(const QString& cellName) {
    std::vector<AddressEntry> entries;
    ForgetIfChangedElsewhere();
    if (!LoadDpAddresses())
        return entries;
    for (const uint32_t row : m_dpTexts->RowsHolding(cellName)) {
        const uint32_t begin = row == 0 ? 0 : m_dpNumberEnds[row - 1];
        const QString number = QString::fromUtf16(m_dpNumberChars.data() + begin, m_dpNumberEnds[row] - begin);
        AddressEntryLoader::AddEntry(AddressEntryLoader::Source::DpAddresses, m_dpTexts->Text(row), number, 0,
                                     cellName, entries);
    }
    return entries;
}

std::vector<AddressEntry> CompoundSearchCache::UnlinkedEntries(const QString& cellName) {
    ForgetIfChangedElsewhere();
    if (!LoadAddressNames())
        return {};
    std::vector<uint32_t> ids;
    for (const uint32_t row : m_names->RowsHolding(cellName))
        ids.push_back(m_addressIds[row]);
    std::sort(ids.begin(), ids.end());
    return AddressEntryLoader::LoadUnlinkedAmong(cellName, ids);
}

void CompoundSearchCache::Reread(const std::vector<uint32_t>& addressIds) {
    if (!m_names || addressIds.empty())
        return;
    // An address the commit deleted, or whose insert was rolled back, is not read: its old name
    // stays, and page 5's statement, which checks every row it is given, leaves it out.
    const bool read = StatementBatches::ForEachChunk(
        addressIds, StatementBatches::ValuesPerList, [&](const std::vector<uint32_t>& chunk) {
            return ReadPairs<uint32_t>(FormatStatement(Statements::AddressNamesOf, {FormatIdList(chunk)}),
                                       [&](uint32_t id, const QString& name) { Note(id, name); });
        });
    if (!read)
        m_names.reset(); // read again in full for the next compound
}
