// The address list of a split page: every loaded address in sorted order, painted in the colour
// of the pattern that matched it (PatternColors), in the window colours when none did; or, on the
// operator's wish, only the addresses that none matched.
#pragma once

#include "splitting/Splitting.h"

#include <QListView>

#include <vector>

class AddressListModel;

class AddrListBox : public QListView {
    Q_OBJECT
public:
    explicit AddrListBox(QWidget* parent = nullptr);

    // Lists these entries (they stay in place until the next call), every one unmatched.
    void ShowEntries(const std::vector<AddressEntry>* entries);
    // Shows the pattern indexes of a new split. The items stay where they are: the scroll position
    // is kept; the selection goes, as when a list is filled anew.
    void Resplit(const SplitMatcher& matcher);
    // Lists only the addresses that no pattern takes (after every split anew), or all again.
    void ShowUnmatchedOnly(bool unmatchedOnly);

    int Count() const;
    QString ItemText(int row) const;
    // The item's data: the index of the pattern that matched its text, or -1.
    int ItemData(int row) const;
    // The first item shown at the top of the list, or -1 when it is empty.
    int TopIndex() const;
    void SetTopIndex(int row);

    AddressListModel* Model() const { return m_model; }

private:
    AddressListModel* m_model;
};
