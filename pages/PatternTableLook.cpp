#include "pages/PatternTableLook.h"

#include <QHeaderView>
#include <QTableWidget>

void ApplyPatternTableLook(QTableWidget& table) {
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setShowGrid(true);
    table.setWordWrap(false);
    table.setCornerButtonEnabled(false);
    table.verticalHeader()->hide();
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.horizontalHeader()->setSectionsClickable(false);
    table.horizontalHeader()->setHighlightSections(false);
}
