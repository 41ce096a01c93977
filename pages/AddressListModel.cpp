#include "AddressListModel.h"

#include <QStringView>

#include <algorithm>
#include <numeric>

AddressListModel::AddressListModel(QObject* parent) : QAbstractListModel(parent) {}

bool AddressListModel::SortsBefore(std::u16string_view a, std::u16string_view b) {
    return QStringView(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QStringView(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive) < 0;
}

void AddressListModel::SetEntries(const std::vector<AddressEntry>* entries) {
    beginResetModel();
    m_entries = entries;
    const std::size_t count = entries ? entries->size() : 0;
    m_rowEntry.resize(count);
    std::iota(m_rowEntry.begin(), m_rowEntry.end(), uint32_t{0});
    // Stable, so texts that compare equal keep their load order.
    if (entries) {
        std::stable_sort(m_rowEntry.begin(), m_rowEntry.end(), [entries](uint32_t a, uint32_t b) {
            return SortsBefore((*entries)[a].text, (*entries)[b].text);
        });
    }
    m_entryPattern.assign(count, int8_t{-1});
    endResetModel();
}

void AddressListModel::Resplit(const SplitMatcher& matcher) {
    if (!m_entries || m_entries->empty())
        return;
    SplitCuts cuts;
    const std::size_t count = m_entries->size();
    for (std::size_t i = 0; i < count; ++i)
        m_entryPattern[i] = static_cast<int8_t>(matcher.Match((*m_entries)[i].text, cuts));
    emit dataChanged(index(0), index(static_cast<int>(count) - 1), {PatternIndexRole});
}

int AddressListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rowEntry.size());
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rowEntry.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdU16String((*m_entries)[m_rowEntry[index.row()]].text);
    case PatternIndexRole:
        return PatternIndexOfRow(index.row());
    default:
        return {};
    }
}

Qt::ItemFlags AddressListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}
