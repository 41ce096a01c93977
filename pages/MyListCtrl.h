// The pattern list of a split page: a report list with full-row selection and grid lines whose
// left-button presses and double clicks that hit no row are dropped, so a click on its empty area
// never takes the selected row away, nor the focus. The list is one Tab stop; inside it the arrow
// keys move a current cell that is drawn framed (PatternCellDelegate).
#pragma once

#include "splitting/Splitting.h"

#include <QTableWidget>

class MyListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit MyListCtrl(QWidget* parent = nullptr);

    // Appends a row of five empty texts; returns its index.
    int AppendEmptyRow();
    // The first selected row, or -1.
    int FirstSelectedRow() const;
    // Selects row `row` alone and makes it the focus row.
    void SelectRow(int row);
    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text);
    PatternRow Row(int row) const;
    // Marks the rows from `usedRows` on as not used (greyed, the reason on hover), and notes
    // half-width punctuation in a cell's hover text.
    void MarkRows(int usedRows);
    static QString UnusedRowText();

signals:
    // The focus row has moved to `row` (not to another column of the same row). Sent once the
    // selection has followed it, also for a click, whose focus row moves before its selection.
    void FocusRowChanged(int row);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The release that ends a dropped press is dropped too (it would clear the selection).
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Moving with the keyboard selects the row it moves to, also with Ctrl held: the focus row and
    // the selected row stay the same row.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    bool HitsNoRow(const QMouseEvent* event) const;
    bool m_pressDropped = false;
    bool m_inMousePress = false;
    bool m_focusRowMovedByPress = false;
};
