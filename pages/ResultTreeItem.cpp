#include "pages/ResultTreeItem.h"

QVariant ResultTreeItem::data(int column, int role) const {
    if (column != 0)
        return QTreeWidgetItem::data(column, role);
    const ResultTreeNode& node = m_tree.nodes[static_cast<std::size_t>(m_node)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdU16String(node.label);
    case Qt::DecorationRole:
        if (node.image >= 0 && node.image < m_images.size())
            return m_images[node.image];
        return {};
    case Qt::UserRole:
        return node.itemData;
    default:
        return QTreeWidgetItem::data(column, role);
    }
}
