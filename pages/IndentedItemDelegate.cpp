#include "pages/IndentedItemDelegate.h"

int IndentedItemDelegate::IndentPixels(const QModelIndex& index) {
    return qMax(0, index.data(IndentRole).toInt()) * PixelsPerUnit;
}

void IndentedItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(indented.rect.left() + IndentPixels(index));
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize IndentedItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += IndentPixels(index);
    return size;
}
