// Paints one address of a split page's address list in the colour of the pattern that matched it.
#pragma once

#include <QAbstractItemDelegate>

class AddressItemDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    explicit AddressItemDelegate(QObject* parent = nullptr);

    // Background and text colour of an item: the highlight colours when it is selected, the
    // window colours when no pattern matched it, else its pattern's colour with black text.
    static void ItemColors(const QPalette& palette, bool selected, int patternIndex, QColor& background,
                           QColor& text);

    // What an address with no text of its own (nothing after the cell name) shows: "（空）", faint.
    static QString EmptyText();

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
