// An item of a result page's tree that shows one node of the page's ResultTree: its label, its
// level's image and its item data are read from the node when the view asks, not copied into the
// item. A page fills a tree of 100,000 entries with these in a fraction of the time that items
// holding their own texts, icons and values need.
#pragma once

#include "splitting/ResultTree.h"

#include <QIcon>
#include <QList>
#include <QTreeWidgetItem>

class ResultTreeItem : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    // tree and images must outlive the item (the page owns all three).
    ResultTreeItem(const ResultTree& tree, int node, const QList<QIcon>& images)
        : QTreeWidgetItem(Type), m_tree(tree), m_node(node), m_images(images) {}

    // Column 0: the label (display and edit roles), the level's image, and under Qt::UserRole the
    // item data (0, or entry index + 1); the tool tip is the label and, on a node that canonical
    // names merged several written forms into, those forms with their counts. Anything else as the
    // base item keeps it.
    QVariant data(int column, int role) const override;
    static QString ToolTip(const ResultTreeNode& node);

    int Node() const { return m_node; }
    // Shows another node of the same tree (the item is reused after a rebuild).
    void SetNode(int node) { m_node = node; }

private:
    const ResultTree& m_tree;
    int m_node;
    const QList<QIcon>& m_images;
};
