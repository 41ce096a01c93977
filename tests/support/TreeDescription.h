// A result tree as one line of text for comparisons in tests: each item as label:itemData (the
// number the result pages keep in DlgShowDPResult::ItemDataRole), its children in braces, top-level
// items joined with " | ".
#pragma once

#include "pages/DlgShowDPResult.h"

#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>

inline QString Describe(const QTreeWidgetItem* item) {
    QString out =
        item->text(0) + u':' + QString::number(item->data(0, DlgShowDPResult::ItemDataRole).toUInt());
    if (item->childCount() > 0) {
        QStringList children;
        for (int i = 0; i < item->childCount(); ++i)
            children << Describe(item->child(i));
        out += u'{' + children.join(u' ') + u'}';
    }
    return out;
}

inline QString Describe(const QTreeWidget* tree) {
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        top << Describe(tree->topLevelItem(i));
    return top.join(QStringLiteral(" | "));
}
