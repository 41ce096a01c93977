// Draws the items of the cell page's candidate list as an indented outline: each item is moved
// right by its indentation (IndentRole, in units of 10 pixels), icon, label and highlight alike,
// so the label text itself stays exactly the node's name.
#pragma once

#include <QStyledItemDelegate>

class IndentedItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The item's indentation in units (int); items without it are not indented.
    static constexpr int IndentRole = Qt::UserRole + 1;
    static constexpr int PixelsPerUnit = 10;

    using QStyledItemDelegate::QStyledItemDelegate;

    static int IndentPixels(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
