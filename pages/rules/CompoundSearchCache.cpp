#include "pages/rules/CompoundSearchCache.h"

#include "pages/rules/AddressEntryLoader.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "platform/dataaccess/Connection.h"

#include <QHash>

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

// Adds `row` to the list of each name the text holds (rows come in ascending order).
void NoteRow(const CompoundNameMatcher& matcher, const QString& text, uint32_t row,
             std::vector<std::vector<uint32_t>>& rows, bool& held) {
    matcher.ForEachHeld(text, [&](uint32_t name) {
        std::vector<uint32_t>& list = rows[name];
        if (list.empty() || list.back() != row)
            list.push_back(row);
        held = true;
    });
}

} // namespace

bool CompoundSearchCache::Suits() {
    if (!g_pDatabase)
        return false;
    const dataaccess::Connection* connection = dataaccess::Connection::From(g_pDatabase->CurrentConnection().Get());
    return connection && connection->Dialect() == dataaccess::SqlDialect::SQLite;
}

CompoundSearchCache::CompoundSearchCache(const std::vector<QString>& runNames) : m_matcher(runNames) {}

void CompoundSearchCache::ForgetIfChangedElsewhere() {
    QString version;
    CADORecordset reading(g_pDatabase);
    if (!reading.ReadEachRow(QString::fromUtf16(Statements::SqliteDataVersion),
                             [&] { reading.ReadColumn(0, version, u""); }))
        version.clear();
    if (!version.isEmpty() && version == m_dataVersion)
        return;
    // Changed, or not known: whatever is held may be stale.
    m_dpRows.reset();
    m_addressIds.reset();
    m_dataVersion = version;
}

bool CompoundSearchCache::LoadDpAddresses() {
    if (m_dpRows)
        return true;
    RowsByName rows(m_matcher.NameCount());
    std::u16string numberChars;
    std::vector<uint32_t> numberEnds;
    if (!ReadPairs<QString>(QString::fromUtf16(Statements::AllDpAddresses), [&](const QString& number, const QString& text) {
            bool held = false;
            NoteRow(m_matcher, text, static_cast<uint32_t>(numberEnds.size()), rows, held);
            if (!held)
                return;
            numberChars.append(reinterpret_cast<const char16_t*>(number.utf16()), static_cast<std::size_t>(number.size()));
            numberEnds.push_back(static_cast<uint32_t>(numberChars.size()));
        }))
        return false;
    for (std::vector<uint32_t>& list : rows)
        list.shrink_to_fit();
    numberChars.shrink_to_fit();
    numberEnds.shrink_to_fit();
    m_dpRows = std::move(rows);
    m_dpNumberChars = std::move(numberChars);
    m_dpNumberEnds = std::move(numberEnds);
    return true;
}

bool CompoundSearchCache::LoadAddressNames() {
    if (m_addressIds)
        return true;
    RowsByName ids(m_matcher.NameCount());
    if (!ReadPairs<uint32_t>(QString::fromUtf16(Statements::AllAddressNames), [&](uint32_t id, const QString& name) {
            bool held = false;
            NoteRow(m_matcher, name, id, ids, held);
        }))
        return false;
    // Read in the table's order; searched in ascending order of id.
    for (std::vector<uint32_t>& list : ids) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        list.shrink_to_fit();
    }
    m_addressIds = std::move(ids);
    return true;
}

std::optional<uint32_t> CompoundSearchCache::NarrowestName(const QString& cellName, const RowsByName& rows) const {
    std::optional<uint32_t> narrowest;
    m_matcher.ForEachHeld(cellName, [&](uint32_t name) {
        if (!narrowest || rows[name].size() < rows[*narrowest].size())
            narrowest = name;
    });
    return narrowest;
}

std::optional<std::vector<AddressEntry>> CompoundSearchCache::DpEntries(const QString& cellName) {
    std::vector<AddressEntry> entries;
    ForgetIfChangedElsewhere();
    if (!LoadDpAddresses())
        return entries;
    const std::optional<uint32_t> name = NarrowestName(cellName, *m_dpRows);
    if (!name)
        return std::nullopt;
    const std::vector<uint32_t>& rows = (*m_dpRows)[*name];
    if (rows.empty())
        return entries;
    // The rows' texts by number, then in the order the column was read (the search's own order).
    std::vector<std::vector<SqlArg>> numbers;
    for (const uint32_t row : rows) {
        const uint32_t begin = row == 0 ? 0 : m_dpNumberEnds[row - 1];
        numbers.push_back({SqlText::Quote(QString::fromUtf16(m_dpNumberChars.data() + begin, m_dpNumberEnds[row] - begin))});
    }
    QHash<QString, QString> texts;
    for (std::size_t from = 0; from < numbers.size(); from += StatementBatches::ValuesPerList) {
        const std::vector<std::vector<SqlArg>> chunk(
            numbers.begin() + static_cast<std::ptrdiff_t>(from),
            numbers.begin() + static_cast<std::ptrdiff_t>(std::min(numbers.size(), from + StatementBatches::ValuesPerList)));
        const QString statement = FormatStatement(Statements::DpAddressesNumbered,
                                                  {FormatList(Statements::TextItem, chunk, Statements::Comma)});
        if (!ReadPairs<QString>(statement, [&](const QString& number, const QString& text) { texts.insert(number, text); }))
            return std::vector<AddressEntry>{};
    }
    for (const uint32_t row : rows) {
        const uint32_t begin = row == 0 ? 0 : m_dpNumberEnds[row - 1];
        const QString number = QString::fromUtf16(m_dpNumberChars.data() + begin, m_dpNumberEnds[row] - begin);
        const auto text = texts.constFind(number);
        if (text != texts.cend() && text->contains(cellName, Qt::CaseSensitive))
            AddressEntryLoader::AddEntry(AddressEntryLoader::Source::DpAddresses, *text, number, 0, cellName, entries);
    }
    return entries;
}

std::optional<std::vector<AddressEntry>> CompoundSearchCache::UnlinkedEntries(const QString& cellName) {
    ForgetIfChangedElsewhere();
    if (!LoadAddressNames())
        return std::vector<AddressEntry>{};
    const std::optional<uint32_t> name = NarrowestName(cellName, *m_addressIds);
    if (!name)
        return std::nullopt;
    return AddressEntryLoader::LoadUnlinkedAmong(cellName, (*m_addressIds)[*name]);
}

void CompoundSearchCache::Reread(const std::vector<uint32_t>& addressIds) {
    if (!m_addressIds || addressIds.empty())
        return;
    // An address the commit deleted, renamed away from a name, or whose insert was rolled back stays
    // listed: page 5's statement, which checks every row it is given, leaves it out.
    std::vector<uint32_t> touched;
    const bool read = StatementBatches::ForEachChunk(
        addressIds, StatementBatches::ValuesPerList, [&](const std::vector<uint32_t>& chunk) {
            return ReadPairs<uint32_t>(FormatStatement(Statements::AddressNamesOf, {FormatIdList(chunk)}),
                                       [&](uint32_t id, const QString& text) {
                                           m_matcher.ForEachHeld(text, [&](uint32_t name) {
                                               (*m_addressIds)[name].push_back(id);
                                               touched.push_back(name);
                                           });
                                       });
        });
    if (!read) {
        m_addressIds.reset(); // read again in full for the next compound
        return;
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const uint32_t name : touched) {
        std::vector<uint32_t>& list = (*m_addressIds)[name];
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
}

std::size_t CompoundSearchCache::BytesHeld() const {
    std::size_t bytes = m_matcher.BytesHeld() + m_dpNumberChars.capacity() * sizeof(char16_t) + m_dpNumberEnds.capacity() * sizeof(uint32_t);
    for (const std::optional<RowsByName>* lists : {&m_dpRows, &m_addressIds})
        if (*lists)
            for (const std::vector<uint32_t>& list : **lists)
                bytes += sizeof(list) + list.capacity() * sizeof(uint32_t);
    return bytes;
}
