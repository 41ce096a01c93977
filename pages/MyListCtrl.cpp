#include "pages/MyListCtrl.h"

#include "pages/PatternCellDelegate.h"
#include "pages/PatternTableLook.h"

#include <QHeaderView>
#include <QMouseEvent>

MyListCtrl::MyListCtrl(QWidget* parent) : QTableWidget(parent) {
    ApplyPatternTableLook(*this);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setStretchLastSection(false);
    // The list takes the focus from a click itself, and only from one that hits a row. (A window
    // that puts this list in place of a template's control sets this again after the swap.)
    setFocusPolicy(Qt::TabFocus);
    // Tab leaves the list for the next control instead of walking its cells.
    setTabKeyNavigation(false);
    setItemDelegate(new PatternCellDelegate(this));
}

int MyListCtrl::AppendEmptyRow() {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column)
        setItem(row, column, new QTableWidgetItem(QString()));
    return row;
}

int MyListCtrl::FirstSelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

void MyListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    selectionModel()->setCurrentIndex(model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString MyListCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void MyListCtrl::SetCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

PatternRow MyListCtrl::Row(int row) const {
    PatternRow texts;
    for (int column = 0; column < MaxLevels && column < columnCount(); ++column)
        texts[column] = CellText(row, column).toStdU16String();
    return texts;
}

QString MyListCtrl::UnusedRowText() {
    return QStringLiteral("只有前%1行模式参与拆分，本行不用").arg(MaxPatterns);
}

void MyListCtrl::MarkRows(int usedRows) {
    const QBrush unused(palette().color(QPalette::Disabled, QPalette::Text));
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            QTableWidgetItem* cell = item(row, column);
            if (!cell)
                continue;
            QStringList notes;
            if (row >= usedRows)
                notes << UnusedRowText();
            if (PatternCellDelegate::HoldsHalfWidthMarks(cell->text()))
                notes << QStringLiteral("含半角符号（底色标出），与全角符号不同");
            const QString tip = notes.join(u'\n');
            if (cell->toolTip() != tip)
                cell->setToolTip(tip);
            const QVariant foreground = row >= usedRows ? QVariant(unused) : QVariant();
            if (cell->data(Qt::ForegroundRole) != foreground)
                cell->setData(Qt::ForegroundRole, foreground);
        }
    }
}

bool MyListCtrl::HitsNoRow(const QMouseEvent* event) const {
    return event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid();
}

void MyListCtrl::mousePressEvent(QMouseEvent* event) {
    m_pressDropped = HitsNoRow(event);
    if (m_pressDropped) {
        event->accept(); // dropped: no selection change, no focus row, no rubber band, no focus
        return;
    }
    if (event->button() == Qt::LeftButton)
        setFocus(Qt::MouseFocusReason);
    m_inMousePress = true;
    m_focusRowMovedByPress = false;
    QTableWidget::mousePressEvent(event);
    m_inMousePress = false;
    if (m_focusRowMovedByPress && currentIndex().isValid())
        emit FocusRowChanged(currentIndex().row());
}

void MyListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    if (!current.isValid() || (previous.isValid() && previous.row() == current.row()))
        return;
    if (m_inMousePress)
        m_focusRowMovedByPress = true; // reported when the press has selected the row
    else
        emit FocusRowChanged(current.row());
}

void MyListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    m_pressDropped = HitsNoRow(event);
    if (m_pressDropped) {
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void MyListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pressDropped) {
        m_pressDropped = false;
        event->accept();
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

QItemSelectionModel::SelectionFlags MyListCtrl::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    if (event && event->type() == QEvent::KeyPress && index.isValid())
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QTableWidget::selectionCommand(index, event);
}
