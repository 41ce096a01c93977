#include "DlgShowDPResult.h"

#include "WaitCursor.h"
#include "WizardData.h"
#include "WizardResources.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace {
constexpr int LevelBitmapId = 5007;
}

DlgShowDPResult::DlgShowDPResult(QWidget* parent) : WizardPageDialog(5003, parent) {}

bool DlgShowDPResult::OnInitDialog() {
    m_treeResult = BindControl<QTreeWidget>(TreeId);
    m_pFocusCtrl = m_treeResult;
    for (const QPixmap& image : WizardResources::LoadImageList(LevelBitmapId))
        m_imageList.append(QIcon(image));
    if (m_treeResult) {
        m_treeResult->setIconSize(QSize(16, 16));
        m_treeResult->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    return true;
}

void DlgShowDPResult::SetSource(const std::vector<AddressEntry>* entries, const SplitPatternSet* patterns) {
    m_pEntries = entries;
    m_pPatterns = patterns;
}

bool DlgShowDPResult::OnEnterPage() {
    WaitCursor wait;
    // The host paints its loading text while the page builds.
    if (QWidget* host = parentWidget())
        host->repaint();
    if (m_pWizardData && m_lastCellName != m_pWizardData->m_strCellName)
        m_lastCellName = m_pWizardData->m_strCellName;
    BuildResultTree();
    return WizardPageDialog::OnEnterPage();
}

void DlgShowDPResult::BuildResultTree() {
    static const std::vector<AddressEntry> noEntries;
    static const SplitPatternSet noPatterns;
    m_resultTree = ::BuildResultTree(m_lastCellName.toStdU16String(), m_pEntries ? *m_pEntries : noEntries,
                                     m_pPatterns ? *m_pPatterns : noPatterns);
    ShowTree();
}

void DlgShowDPResult::ShowTree() {
    if (!m_treeResult)
        return;
    m_treeResult->setUpdatesEnabled(false);
    m_treeResult->clear();
    // The items are made and linked while none of them is in the view, then the root goes in once:
    // the view hears of one insertion instead of one per item.
    const std::vector<ResultTreeNode>& nodes = m_resultTree.nodes;
    std::vector<QTreeWidgetItem*> items(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const ResultTreeNode& node = nodes[i];
        auto* item = new QTreeWidgetItem();
        item->setText(0, QString::fromStdU16String(node.label));
        if (node.image >= 0 && node.image < m_imageList.size())
            item->setIcon(0, m_imageList[node.image]);
        item->setData(0, ItemDataRole, node.itemData);
        items[i] = item;
    }
    QList<QTreeWidgetItem*> children;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].children.empty())
            continue;
        children.clear();
        children.reserve(static_cast<qsizetype>(nodes[i].children.size()));
        for (int child : nodes[i].children)
            children.append(items[child]);
        items[i]->addChildren(children);
    }
    if (!items.empty())
        m_treeResult->addTopLevelItem(items[ResultTree::Root]);
    m_treeResult->setUpdatesEnabled(true);
}
