// Page 4 of the wizard: what the DP split page's current patterns make of its addresses, as a tree
// with the cell at the root and one level per pattern level below it. Rebuilt on every entry; the
// tree as last built is what the commit writes. Page 6 (DlgShowAddrResult) is the same page over
// the unlinked-address split page.
#pragma once

#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"
#include "wizard/ResourceIds.h"
#include "wizard/WizardPageDialog.h"

#include <QIcon>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QTreeWidget;
class ResultTreeItem;

class DlgShowDPResult : public WizardPageDialog {
    Q_OBJECT
public:
    explicit DlgShowDPResult(QWidget* parent = nullptr);

    // Always true; on the last page the host captions Next "完成(&F)".
    bool CanGoNext() override { return true; }
    // Wait cursor, the host's loading text, the root label from the cell name, the tree rebuilt.
    bool OnEnterPage() override;

    // The source split page's entries (load order), the pattern set it built last and its rows'
    // canonical names by pattern index (may be null: no names). Set once by the host; read at every
    // rebuild, never owned or changed.
    void SetSource(const std::vector<AddressEntry>* entries, const SplitPatternSet* patterns,
                   const std::vector<LevelNames>* names = nullptr);

    // Splits every source entry again and shows the tree (keyed insertion, see ResultTree.h).
    void BuildResultTree();

    QTreeWidget* GetTreeCtrl() const { return m_treeResult; }
    // The tree as last built, as plain data: what the commit walks.
    const ResultTree& Tree() const { return m_resultTree; }
    const QString& LastCellName() const { return m_lastCellName; }

    // The role under which a tree item keeps its item data: 0, or entry index + 1 on an item
    // created at a pattern's last level.
    static constexpr int ItemDataRole = Qt::UserRole;
    static constexpr int TreeId = ResultTreeControl::Tree;
    // The line under the tree: how many loaded addresses no pattern takes, so Finish leaves them out.
    static constexpr int LeftOutId = ResultTreeControl::LeftOut;

protected:
    bool OnInitDialog() override;
    // The page whose addresses the tree shows (3 here, 5 on the last page), named in the left-out line.
    virtual int SourcePageNumber() const;
    // The commit succeeded: 0 lets the wizard close.
    std::intptr_t OnWizardCommitted() override { return 0; }

private:
    void ShowTree();
    // Takes the root out of the view and every item's children out of it: the items are then
    // loose and owned by m_items until ShowTree puts them back.
    void TakeItemsBack();

    QTreeWidget* m_treeResult = nullptr;
    QLabel* m_labelLeftOut = nullptr;
    const std::vector<AddressEntry>* m_pEntries = nullptr;
    const SplitPatternSet* m_pPatterns = nullptr;
    const std::vector<LevelNames>* m_pNames = nullptr;
    // Image 0 the cell, images 1 to 5 the inner levels (bitmap 5007).
    QList<QIcon> m_imageList;
    QString m_lastCellName;
    ResultTree m_resultTree;
    // The tree's items, item i showing node i. While in the view, the view owns them through the
    // root.
    std::vector<ResultTreeItem*> m_items;
};
