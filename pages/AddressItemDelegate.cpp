#include "pages/AddressItemDelegate.h"

#include "pages/AddressListModel.h"
#include "pages/PatternColors.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

AddressItemDelegate::AddressItemDelegate(QObject* parent) : QAbstractItemDelegate(parent) {}

void AddressItemDelegate::ItemColors(const QPalette& palette, bool selected, int patternIndex, QColor& background,
                                     QColor& text) {
    // The system colours, whether or not the list has the focus.
    if (selected) {
        background = palette.color(QPalette::Active, QPalette::Highlight);
        text = palette.color(QPalette::Active, QPalette::HighlightedText);
    } else if (patternIndex < 0 || patternIndex >= static_cast<int>(PatternColors.size())) {
        background = palette.color(QPalette::Active, QPalette::Base);
        text = palette.color(QPalette::Active, QPalette::Text);
    } else {
        background = PatternColors[patternIndex];
        text = Qt::black;
    }
}

void AddressItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    if (!index.isValid())
        return;
    QColor background, textColor;
    ItemColors(option.palette, option.state & QStyle::State_Selected,
               index.data(AddressListModel::PatternIndexRole).toInt(), background, textColor);
    painter->save();
    painter->fillRect(option.rect, background);
    painter->setFont(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) {
        // An address that is the cell name alone: a blank line would look like nothing at all.
        QColor faint = textColor;
        faint.setAlphaF(0.55f);
        painter->setPen(faint);
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, EmptyText());
    } else {
        painter->setPen(textColor);
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    painter->restore();
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.backgroundColor = Qt::black;
        focus.palette.setColor(QPalette::Text, Qt::white);
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
}

QString AddressItemDelegate::EmptyText() {
    return QStringLiteral("（空）");
}

QSize AddressItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // Every item has the same height: one line of the list's font.
    return QSize(option.rect.width(), option.fontMetrics.height() + 2);
}
