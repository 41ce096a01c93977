// The rows of a split page's address list: the loaded entries in the list's sorted order, each with
// the index of the pattern that matched it. The order is computed once per load; a re-split only
// rewrites the pattern indexes, so 100,000 addresses are never rebuilt as items. It also counts the
// entries each pattern takes, and can show only the entries no pattern takes.
#pragma once

#include "splitting/Splitting.h"

#include <QAbstractListModel>

#include <array>
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
    // Showing only the unmatched entries, the rows are those of the new split.
    void Resplit(const SplitMatcher& matcher);
    // Shows only the entries that no pattern took in the last split, or all of them again.
    void SetUnmatchedOnly(bool unmatchedOnly);
    bool UnmatchedOnly() const { return m_unmatchedOnly; }

    // How many entries pattern `patternIndex` took in the last split; -1 for those none took.
    int EntriesTakenBy(int patternIndex) const { return m_taken[static_cast<std::size_t>(patternIndex + 1)]; }

    int EntryIndexOfRow(int row) const { return static_cast<int>(Rows()[row]); }
    int PatternIndexOfEntry(int entryIndex) const { return m_entryPattern[entryIndex]; }
    int PatternIndexOfRow(int row) const { return m_entryPattern[Rows()[row]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list's collation: a case-insensitive comparison of the texts.
    static bool SortsBefore(std::u16string_view a, std::u16string_view b);

private:
    const std::vector<uint32_t>& Rows() const { return m_unmatchedOnly ? m_unmatchedRowEntry : m_rowEntry; }
    void CollectUnmatchedRows();

    const std::vector<AddressEntry>* m_entries = nullptr;
    std::vector<uint32_t> m_rowEntry;   // entry index of each row, in sorted order
    std::vector<int8_t> m_entryPattern; // pattern index of each entry, in load order
    std::array<int, MaxPatterns + 1> m_taken{}; // entries taken by none, by pattern 0, 1, ...
    bool m_unmatchedOnly = false;
    std::vector<uint32_t> m_unmatchedRowEntry; // the rows shown while showing unmatched entries only
};
