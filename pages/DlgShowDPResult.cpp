#include "pages/DlgShowDPResult.h"

#include "pages/ResultTreeItem.h"
#include "wizard/ResourceIds.h"
#include "wizard/WaitCursor.h"
#include "wizard/WizardData.h"
#include "wizard/WizardResources.h"

#include <QLabel>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace {
constexpr int LevelBitmapId = BitmapId::ResultLevels;
constexpr int LeftOutHeight = 18; // pixels the tree gives up at its bottom for the left-out line
} // namespace

DlgShowDPResult::DlgShowDPResult(QWidget* parent) : WizardPageDialog(TemplateId::ResultTree, parent) {}

bool DlgShowDPResult::OnInitDialog() {
    m_treeResult = BindControl<QTreeWidget>(TreeId);
    m_pFocusCtrl = m_treeResult;
    for (const QPixmap& image : WizardResources::LoadImageList(LevelBitmapId))
        m_imageList.append(QIcon(image));
    if (m_treeResult) {
        m_treeResult->setIconSize(QSize(16, 16));
        m_treeResult->setSelectionMode(QAbstractItemView::SingleSelection);
        // One line of text and one image per item: the view need not measure each row.
        m_treeResult->setUniformRowHeights(true);
        // The line that counts the addresses no pattern takes, under the tree.
        const QRect treeRect = m_treeResult->geometry();
        m_treeResult->setGeometry(treeRect.adjusted(0, 0, 0, -LeftOutHeight));
        m_labelLeftOut = new QLabel(this);
        m_labelLeftOut->setProperty("controlId", LeftOutId);
        m_labelLeftOut->setGeometry(treeRect.left(), treeRect.bottom() - LeftOutHeight + 3, treeRect.width(),
                                    LeftOutHeight - 2);
        // A larger window is the tree's.
        Anchor(m_treeResult, {0, 0, 1, 1});
        Anchor(m_labelLeftOut, {0, 1, 1, 1});
    }
    return true;
}

int DlgShowDPResult::SourcePageNumber() const {
    return 3;
}

void DlgShowDPResult::SetSource(const std::vector<AddressEntry>* entries, const SplitPatternSet* patterns,
                                const std::vector<LevelNames>* names) {
    m_pEntries = entries;
    m_pPatterns = patterns;
    m_pNames = names;
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
    // The items show the nodes of m_resultTree: they leave the view before it is replaced.
    TakeItemsBack();
    static const std::vector<AddressEntry> noEntries;
    static const SplitPatternSet noPatterns;
    static const std::vector<LevelNames> noNames;
    m_resultTree = ::BuildResultTree(m_lastCellName.toStdU16String(), m_pEntries ? *m_pEntries : noEntries,
                                     m_pPatterns ? *m_pPatterns : noPatterns, m_pNames ? *m_pNames : noNames);
    ShowTree();
}

void DlgShowDPResult::TakeItemsBack() {
    if (m_treeResult && m_treeResult->topLevelItemCount() > 0)
        m_treeResult->takeTopLevelItem(0); // the root, m_items[0]: the whole tree leaves the view
    // Outside any view, taking children signals nothing but walks each child's subtree: from the
    // last node up (a child always comes after its parent), every subtree walked is one item.
    for (auto item = m_items.rbegin(); item != m_items.rend(); ++item)
        (*item)->takeChildren();
}

void DlgShowDPResult::ShowTree() {
    if (m_labelLeftOut)
        m_labelLeftOut->setText(
            QStringLiteral("第%1页的地址中%2项未匹配任何模式，不写入")
                .arg(SourcePageNumber())
                .arg(static_cast<qulonglong>(m_resultTree.unmatchedEntries)));
    if (!m_treeResult)
        return;
    m_treeResult->setUpdatesEnabled(false);
    TakeItemsBack();
    // The items read their nodes when the view asks, so an item is only a place in the tree: the
    // items of the last build are given the new nodes (deleting and making 100,000 items again costs
    // more than building the tree), and only the difference is made or deleted.
    const std::vector<ResultTreeNode>& nodes = m_resultTree.nodes;
    while (m_items.size() > nodes.size()) {
        delete m_items.back();
        m_items.pop_back();
    }
    m_items.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (i < m_items.size())
            m_items[i]->SetNode(static_cast<int>(i));
        else
            m_items.push_back(new ResultTreeItem(m_resultTree, static_cast<int>(i), m_imageList));
    }
    // Linked while none of them is in the view; then the root goes in once, so the view hears of
    // one insertion instead of one per item.
    QList<QTreeWidgetItem*> children;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].children.empty())
            continue;
        children.clear();
        children.reserve(static_cast<qsizetype>(nodes[i].children.size()));
        for (int child : nodes[i].children)
            children.append(m_items[static_cast<std::size_t>(child)]);
        m_items[i]->addChildren(children);
    }
    if (!m_items.empty()) {
        m_treeResult->addTopLevelItem(m_items[ResultTree::Root]);
        // The page opens on the first level below the cell.
        m_items[ResultTree::Root]->setExpanded(true);
    }
    m_treeResult->setUpdatesEnabled(true);
}
