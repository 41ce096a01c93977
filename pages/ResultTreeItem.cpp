#include "pages/ResultTreeItem.h"

QString ResultTreeItem::ToolTip(const ResultTreeNode& node) {
    QString text = QString::fromStdU16String(node.label);
    // A node that several written forms reached lists them, each with how many addresses wrote it so.
    if (node.forms.size() > 1) {
        text += QStringLiteral("\n合并的写法：");
        for (std::size_t i = 0; i < node.forms.size(); ++i)
            text += QStringLiteral("%1%2 ×%3")
                        .arg(i ? QStringLiteral("，") : QString(), QString::fromStdU16String(node.forms[i].text))
                        .arg(node.forms[i].count);
    }
    return text;
}

QVariant ResultTreeItem::data(int column, int role) const {
    if (column != 0)
        return QTreeWidgetItem::data(column, role);
    const ResultTreeNode& node = m_tree.nodes[static_cast<std::size_t>(m_node)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdU16String(node.label);
    case Qt::ToolTipRole:
        return ToolTip(node);
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
