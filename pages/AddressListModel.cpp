#include "pages/AddressListModel.h"

#include <QStringView>

#include <algorithm>

AddressListModel::AddressListModel(QObject* parent) : QAbstractListModel(parent) {}

namespace {

// A code unit without its case: ASCII directly, the rest through the Unicode case folding.
inline char16_t Folded(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    return char16_t(QChar::toCaseFolded(char32_t(c)));
}

} // namespace

bool AddressListModel::SortsBefore(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] == b[i])
            continue;
        const char16_t fa = Folded(a[i]), fb = Folded(b[i]);
        if (fa != fb)
            return fa < fb;
    }
    return a.size() < b.size();
}

void AddressListModel::SetEntries(const std::vector<AddressEntry>* entries) {
    beginResetModel();
    m_entries = entries;
    const std::size_t count = entries ? entries->size() : 0;
    // The texts beside their entry indexes, so the sort does not chase each entry. Stable, so
    // texts that compare equal keep their load order.
    struct Key {
        std::u16string_view text;
        uint32_t entry;
    };
    std::vector<Key> keys;
    keys.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        keys.push_back({(*entries)[i].text, static_cast<uint32_t>(i)});
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return SortsBefore(a.text, b.text); });
    m_rowEntry.resize(count);
    for (std::size_t row = 0; row < count; ++row)
        m_rowEntry[row] = keys[row].entry;
    m_entryPattern.assign(count, int8_t{-1});
    m_taken.fill(0);
    m_taken[0] = static_cast<int>(count);
    m_unmatchedRowEntry = m_rowEntry;
    endResetModel();
}

void AddressListModel::Resplit(const SplitMatcher& matcher) {
    if (!m_entries || m_entries->empty())
        return;
    SplitCuts cuts;
    const std::size_t count = m_entries->size();
    std::array<int, MaxPatterns + 1> taken{};
    for (std::size_t i = 0; i < count; ++i) {
        const int pattern = matcher.Match((*m_entries)[i].text, cuts);
        m_entryPattern[i] = static_cast<int8_t>(pattern);
        ++taken[static_cast<std::size_t>(pattern + 1)];
    }
    m_taken = taken;
    if (m_unmatchedOnly) {
        // Other rows than before: the view lays them out anew.
        beginResetModel();
        CollectUnmatchedRows();
        endResetModel();
        return;
    }
    emit dataChanged(index(0), index(static_cast<int>(count) - 1), {PatternIndexRole});
}

void AddressListModel::SetUnmatchedOnly(bool unmatchedOnly) {
    if (unmatchedOnly == m_unmatchedOnly)
        return;
    beginResetModel();
    m_unmatchedOnly = unmatchedOnly;
    if (m_unmatchedOnly)
        CollectUnmatchedRows();
    endResetModel();
}

void AddressListModel::CollectUnmatchedRows() {
    m_unmatchedRowEntry.clear();
    for (uint32_t entry : m_rowEntry)
        if (m_entryPattern[entry] < 0)
            m_unmatchedRowEntry.push_back(entry);
}

int AddressListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Rows().size());
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(Rows().size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdU16String((*m_entries)[Rows()[index.row()]].text);
    case PatternIndexRole:
        return PatternIndexOfRow(index.row());
    default:
        return {};
    }
}

Qt::ItemFlags AddressListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
