#include "pages/PatternCountList.h"

#include "pages/PatternTableLook.h"

#include <QHeaderView>
#include <QScrollBar>

PatternCountList::PatternCountList(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(1);
    auto* heading = new QTableWidgetItem(QStringLiteral("地址数"));
    heading->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setHorizontalHeaderItem(0, heading);
    ApplyPatternTableLook(*this);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch); // the one column fills the list
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A display only: the pattern list is where rows are chosen.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PatternCountList::Follow(QTableWidget& patternList) {
    m_patternList = &patternList;
    // A window that puts this list in place of a template's control sets these again after the
    // swap; the font came with it, so the sizes are taken now.
    setFocusPolicy(Qt::NoFocus);
    verticalHeader()->setMinimumSectionSize(1); // as low as the pattern list's rows, whatever the font
    verticalHeader()->setDefaultSectionSize(patternList.verticalHeader()->defaultSectionSize());
    horizontalHeader()->setFixedHeight(patternList.horizontalHeader()->sizeHint().height());
    patternList.horizontalHeader()->setFixedHeight(patternList.horizontalHeader()->sizeHint().height());
    connect(patternList.verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(patternList.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { FollowSelection(); });
}

void PatternCountList::SetCounts(const std::vector<int>& counts, int usedRows, const QString& unusedText) {
    setRowCount(static_cast<int>(counts.size()));
    for (int row = 0; row < rowCount(); ++row) {
        if (m_patternList && rowHeight(row) != m_patternList->rowHeight(row))
            setRowHeight(row, m_patternList->rowHeight(row));
        const QString text = QString::number(counts[static_cast<std::size_t>(row)]);
        QTableWidgetItem* cell = item(row, 0);
        if (cell) {
            if (cell->text() != text)
                cell->setText(text);
        } else {
            cell = new QTableWidgetItem(text);
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            setItem(row, 0, cell);
        }
        const bool used = row < usedRows;
        const QVariant foreground = used ? QVariant() : QVariant(QBrush(palette().color(QPalette::Disabled, QPalette::Text)));
        if (cell->data(Qt::ForegroundRole) != foreground)
            cell->setData(Qt::ForegroundRole, foreground);
        cell->setToolTip(used ? QString() : unusedText);
    }
    FollowSelection();
    if (m_patternList)
        verticalScrollBar()->setValue(m_patternList->verticalScrollBar()->value());
}

void PatternCountList::FollowSelection() {
    if (!m_patternList)
        return;
    const QModelIndexList selected = m_patternList->selectionModel()->selectedRows();
    if (selected.isEmpty() || selected.first().row() >= rowCount())
        clearSelection();
    else
        selectRow(selected.first().row());
}
