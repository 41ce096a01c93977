#include "pages/AddrListBox.h"

#include "pages/AddressItemDelegate.h"
#include "pages/AddressListModel.h"

#include <QItemSelectionModel>

#include <algorithm>

AddrListBox::AddrListBox(QWidget* parent) : QListView(parent), m_model(new AddressListModel(this)) {
    setModel(m_model);
    setItemDelegate(new AddressItemDelegate(this));
    setUniformItemSizes(true); // fixed item height: the layout of 100,000 rows costs nothing
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
}

void AddrListBox::ShowEntries(const std::vector<AddressEntry>* entries) {
    m_model->SetEntries(entries);
}

void AddrListBox::Resplit(const SplitMatcher& matcher) {
    selectionModel()->clear();
    if (!m_model->UnmatchedOnly()) {
        m_model->Resplit(matcher);
        return;
    }
    // The rows are those of the new split: the list keeps its place as far as they reach.
    const int top = TopIndex();
    m_model->Resplit(matcher);
    SetTopIndex(std::min(top, Count() - 1));
}

void AddrListBox::ShowUnmatchedOnly(bool unmatchedOnly) {
    m_model->SetUnmatchedOnly(unmatchedOnly);
}

int AddrListBox::Count() const {
    return m_model->rowCount();
}

QString AddrListBox::ItemText(int row) const {
    return m_model->data(m_model->index(row), Qt::DisplayRole).toString();
}

int AddrListBox::ItemData(int row) const {
    return m_model->PatternIndexOfRow(row);
}

int AddrListBox::TopIndex() const {
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : (Count() > 0 ? 0 : -1);
}

void AddrListBox::SetTopIndex(int row) {
    if (row >= 0 && row < Count())
        scrollTo(m_model->index(row), QAbstractItemView::PositionAtTop);
}
