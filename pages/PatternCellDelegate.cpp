#include "pages/PatternCellDelegate.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace {
const QColor HalfWidthTint(255, 214, 120);
} // namespace

PatternCellDelegate::PatternCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

bool PatternCellDelegate::IsHalfWidthMark(QChar c) {
    const char16_t u = c.unicode();
    return u > 0x20 && u < 0x7F && !c.isLetterOrNumber();
}

bool PatternCellDelegate::HoldsHalfWidthMarks(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return IsHalfWidthMark(c); });
}

void PatternCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    const bool current = cell.state & QStyle::State_HasFocus;
    cell.text.clear();
    cell.state &= ~QStyle::State_HasFocus;
    QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget);
    const bool selected = cell.state & QStyle::State_Selected;
    QColor pen = selected ? cell.palette.color(QPalette::Active, QPalette::HighlightedText)
                          : cell.palette.color(QPalette::Active, QPalette::Text);
    if (const QVariant foreground = index.data(Qt::ForegroundRole); foreground.isValid() && !selected)
        pen = foreground.value<QBrush>().color();
    painter->save();
    painter->setClipRect(area);
    painter->setFont(cell.font);
    const QFontMetrics metrics(cell.font);
    int x = area.left() + 2;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const QString one = text.mid(i, pair ? 2 : 1);
        const int width = metrics.horizontalAdvance(one);
        const QRect box(x, area.top() + 1, width, area.height() - 2);
        if (!pair && IsHalfWidthMark(text[i])) {
            painter->fillRect(box, HalfWidthTint);
            painter->setPen(Qt::black);
        } else {
            painter->setPen(pen);
        }
        painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, one);
        x += width;
        if (pair)
            ++i;
    }
    painter->restore();
    if (current) {
        painter->save();
        QPen frame(selected ? cell.palette.color(QPalette::Active, QPalette::HighlightedText) : Qt::black);
        frame.setWidth(2);
        frame.setStyle(Qt::DotLine);
        painter->setPen(frame);
        painter->drawRect(cell.rect.adjusted(1, 1, -2, -2));
        painter->restore();
    }
}
