// The rows of a split page's address list: the loaded entries in the list's sorted order, each with
// the index of the pattern that matched it. The order is computed once per load; a re-split only
// rewrites the pattern indexes, so 100,000 addresses are never rebuilt as items.
#pragma once

#include "Splitting.h"

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

class AddressListModel : public QAbstractListModel {
    Q_OBJECT
public:
    // Data of a row: the pattern index that matched its text, -1 for none.
    static constexpr int PatternIndexRole = Qt::UserRole + 1;

    explicit AddressListModel(QObject* parent = nullptr);

    // Shows these entries (not copied: they stay in place until the next call) sorted as a list box
    // sorts its strings, every one unmatched until the next Resplit. Null shows none.
    void SetEntries(const std::vector<AddressEntry>* entries);
    // Splits every entry's text again and reports the new pattern indexes of all rows at once.
    void Resplit(const SplitMatcher& matcher);

    int EntryIndexOfRow(int row) const { return static_cast<int>(m_rowEntry[row]); }
    int PatternIndexOfEntry(int entryIndex) const { return m_entryPattern[entryIndex]; }
    int PatternIndexOfRow(int row) const { return m_entryPattern[m_rowEntry[row]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list's collation: a case-insensitive comparison of the texts.
    static bool SortsBefore(std::u16string_view a, std::u16string_view b);

private:
    const std::vector<AddressEntry>* m_entries = nullptr;
    std::vector<uint32_t> m_rowEntry;   // entry index of each row, in sorted order
    std::vector<int8_t> m_entryPattern; // pattern index of each entry, in load order
};
