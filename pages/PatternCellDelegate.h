// Paints a cell of a split page's pattern list. Two things the plain look hides are drawn:
// - half-width (ASCII) punctuation sits on a tinted box, so that a row cut at ")" and one cut at
//   its full-width twin "）" (which match different addresses) do not look the same;
// - the current cell carries a frame while the list has the focus, so the arrow keys show where
//   they are (the rows are selected whole).
#pragma once

#include <QStyledItemDelegate>

class PatternCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PatternCellDelegate(QObject* parent = nullptr);

    // Half-width punctuation: an ASCII character that is neither a letter, a digit nor a space.
    static bool IsHalfWidthMark(QChar c);
    static bool HoldsHalfWidthMarks(const QString& text);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
