// The two result pages offscreen in the wizard host: the tree shown on entry with its images and
// item data, rebuilt on every entry from the split page's current entries and patterns and the
// current cell name, and the last page's Finish.
#include "wizard/DlgRun.h"
#include "pages/DlgShowAddrResult.h"
#include "pages/DlgShowDPResult.h"
#include "platform/ui/DialogTemplate.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TreeDescription.h"
#include "wizard/WizardMessage.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

// The wizard host with the two result pages as its only pages, the commit replaced by a counter.
class ResultPagesHost : public DlgRun {
public:
    ResultPagesHost() : DlgRun(nullptr, {&m_dpResult, &m_addrResult}) {
        m_dpResult.SetSource(&m_dpEntries, &m_dpPatterns, &m_dpNames);
        m_addrResult.SetSource(&m_addrEntries, &m_addrPatterns);
    }
    bool CommitInnerTree() override {
        ++m_commits;
        return true;
    }
    void SetCellName(const QString& name) { m_wizardData.m_strCellName = name; }
    QPushButton* Button(int id) {
        for (QPushButton* button : findChildren<QPushButton*>())
            if (button->property("controlId").toInt() == id)
                return button;
        return nullptr;
    }

    DlgShowDPResult m_dpResult;
    DlgShowAddrResult m_addrResult;
    std::vector<AddressEntry> m_dpEntries;
    SplitPatternSet m_dpPatterns;
    std::vector<LevelNames> m_dpNames;
    std::vector<AddressEntry> m_addrEntries;
    SplitPatternSet m_addrPatterns;
    int m_commits = 0;
};

// Every item shows the image of its level: one image per depth, a different one for each depth.
void CollectLevelIcons(const QTreeWidgetItem* item, std::size_t depth,
                       std::vector<std::set<qint64>>& byDepth) {
    EXPECT_FALSE(item->icon(0).isNull()) << item->text(0).toStdString();
    if (byDepth.size() <= depth)
        byDepth.resize(depth + 1);
    byDepth[depth].insert(item->icon(0).cacheKey());
    for (int i = 0; i < item->childCount(); ++i)
        CollectLevelIcons(item->child(i), depth + 1, byDepth);
}
void ExpectLevelIcons(const QTreeWidgetItem* root) {
    std::vector<std::set<qint64>> byDepth;
    CollectLevelIcons(root, 0, byDepth);
    std::set<qint64> all;
    for (const auto& keys : byDepth) {
        EXPECT_EQ(keys.size(), 1u);
        all.insert(keys.begin(), keys.end());
    }
    EXPECT_EQ(all.size(), byDepth.size());
}

class ResultPages : public ::testing::Test {
protected:
    void Start(const QString& cellName) {
        m_host.SetCellName(cellName);
        m_host.show();
        m_host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_host));
    }
    ResultPagesHost m_host;
};

TEST_F(ResultPages, ShowTheTreeOfTheSplitPageOnEntry) {
    m_host.m_dpEntries = {{u"1栋2单元", u"DP1", 0},
                          {u"1栋3单元", u"DP2", 0},
                          {u"乱码", u"DP3", 0},
                          {u"2栋", u"DP4", 0},
                          {u"1栋2单元", u"DP5", 0}};
    m_host.m_dpPatterns = BuildPatternSet({{u"栋", u"元"}, {u"栋"}});
    Start(u"阳光小区"_s);

    QTreeWidget* tree = m_host.m_dpResult.GetTreeCtrl();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(m_host.CurrentPage(), &m_host.m_dpResult);
    EXPECT_EQ(Describe(tree), u"阳光小区:0{1栋:0{2单元:1 3单元:2} 2栋:4}"_s);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    ExpectLevelIcons(tree->topLevelItem(0));
    EXPECT_TRUE(tree->hasFocus());
    // The tree the commit takes is the one shown.
    const ResultTree& data = m_host.m_dpResult.Tree();
    ASSERT_EQ(data.nodes.size(), 5u);
    EXPECT_EQ(data.nodes[0].label, u"阳光小区");
    // Next on a result page that is not the last.
    EXPECT_TRUE(m_host.Button(4)->isEnabled());
    EXPECT_EQ(m_host.Button(4)->text(), u"下一步(&N)"_s);
}

// Rows with names: every written form of a place shows as its one node, and the node's tool tip
// lists the forms that reached it; a node one form reached says only its name.
TEST_F(ResultPages, NamedRowsShowOneNodePerPlaceAndTheMergedFormsOnTheNode) {
    m_host.m_dpEntries = {{u"4-1-101", u"DP1", 0}, {u"4号楼1单元101", u"DP2", 0}, {u"四栋1单元102室", u"DP3", 0},
                          {u"4-1-101", u"DP4", 0}, {u"13栋1单元101室", u"DP5", 0}};
    m_host.m_dpPatterns = BuildPatternSet({{u"-", u"-", u"[n]"}, {u"楼", u"元", u"[n]"}, {u"栋", u"元", u"室"}});
    m_host.m_dpNames = {{u"栋", u"单元", u"室"}, {u"栋", u"单元", u"室"}, {u"栋", u"单元", u"室"}};
    Start(u"阳光花园"_s);
    QTreeWidget* tree = m_host.m_dpResult.GetTreeCtrl();
    EXPECT_EQ(Describe(tree), u"阳光花园:0{4栋:0{1单元:0{101室:1 102室:3}} 13栋:0{1单元:0{101室:5}}}"_s);
    const QTreeWidgetItem* building = tree->topLevelItem(0)->child(0);
    EXPECT_EQ(building->toolTip(0), u"4栋\n合并的写法：4- ×2，4号楼 ×1，四栋 ×1"_s);
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->toolTip(0), u"13栋"_s);
    EXPECT_EQ(building->child(0)->child(0)->toolTip(0), u"101室"_s); // 101 three times: one form
}

TEST_F(ResultPages, RebuildOnEveryEntryWithTheCurrentNameAndPatterns) {
    m_host.m_dpEntries = {{u"1栋2单元", u"DP1", 0}, {u"3栋1单元", u"DP2", 0}};
    m_host.m_dpPatterns = BuildPatternSet({{u"栋", u"元"}});
    Start(u"旧名"_s);
    QTreeWidget* tree = m_host.m_dpResult.GetTreeCtrl();
    EXPECT_EQ(Describe(tree), u"旧名:0{1栋:0{2单元:1} 3栋:0{1单元:2}}"_s);

    // The split page changed its patterns and the operator renamed the cell; back on this page:
    m_host.m_dpPatterns = BuildPatternSet({{u"[n]", u"元"}});
    m_host.m_dpEntries.push_back({u"1栋5单元", u"DP3", 0});
    m_host.SetCellName(u"新名"_s);
    QTest::mouseClick(m_host.Button(4), Qt::LeftButton);
    ASSERT_EQ(m_host.CurrentPage(), &m_host.m_addrResult);
    QTest::mouseClick(m_host.Button(3), Qt::LeftButton);
    ASSERT_EQ(m_host.CurrentPage(), &m_host.m_dpResult);
    EXPECT_EQ(Describe(tree), u"新名:0{1:0{栋2单元:1 栋5单元:3} 3:0{栋1单元:2}}"_s);
    EXPECT_EQ(m_host.m_dpResult.LastCellName(), u"新名"_s);
}

TEST_F(ResultPages, LastPageShowsItsOwnSourceAndFinishes) {
    m_host.m_dpEntries = {{u"1栋", u"DP1", 0}};
    m_host.m_dpPatterns = BuildPatternSet({{u"栋"}});
    m_host.m_addrEntries = {{u"A座12号", u"T1", 7}, {u"", u"T2", 8}, {u"B座", u"T3", 9}};
    m_host.m_addrPatterns = BuildPatternSet({{}, {u"座", u"号"}, {u"座"}});
    Start(u"阳光小区"_s);

    QTest::mouseClick(m_host.Button(4), Qt::LeftButton);
    ASSERT_EQ(m_host.CurrentPage(), &m_host.m_addrResult);
    // The empty text matches the pattern without levels and adds nothing.
    EXPECT_EQ(Describe(m_host.m_addrResult.GetTreeCtrl()), u"阳光小区:0{A座:0{12号:1} B座:3}"_s);
    EXPECT_EQ(Describe(m_host.m_dpResult.GetTreeCtrl()), u"阳光小区:0{1栋:1}"_s);
    EXPECT_TRUE(m_host.Button(4)->isEnabled());
    EXPECT_EQ(m_host.Button(4)->text(), u"完成(&F)"_s);

    EXPECT_EQ(SendWizardMessage(&m_host.m_addrResult, WM_WIZARD_COMMITTED), 0);
    QTest::mouseClick(m_host.Button(4), Qt::LeftButton);
    EXPECT_EQ(m_host.m_commits, 1);
    EXPECT_EQ(m_host.result(), IDOK);
    EXPECT_FALSE(m_host.isVisible());
}

// The pages open on the first level below the cell (deeper levels closed) and count, under the
// tree, the loaded addresses that no pattern takes and Finish therefore leaves out.
TEST_F(ResultPages, OpenOnTheFirstLevelAndCountTheAddressesLeftOut) {
    m_host.m_dpEntries = {{u"1栋2单元", u"DP1", 0}, {u"乱码", u"DP2", 0}, {u"2栋", u"DP3", 0}, {u"门卫", u"DP4", 0}};
    m_host.m_dpPatterns = BuildPatternSet({{u"栋", u"元"}, {u"栋"}});
    m_host.m_addrEntries = {{u"A座12号", u"T1", 7}};
    m_host.m_addrPatterns = BuildPatternSet({{u"座", u"号"}});
    Start(u"阳光小区"_s);

    const auto leftOut = [](DlgShowDPResult& page) {
        auto* label = qobject_cast<QLabel*>(DialogTemplate::FindControl(&page, DlgShowDPResult::LeftOutId));
        return label && label->isVisible() ? label->text() : u"(no visible line)"_s;
    };
    QTreeWidget* tree = m_host.m_dpResult.GetTreeCtrl();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_FALSE(root->child(0)->isExpanded());
    EXPECT_EQ(leftOut(m_host.m_dpResult), u"第3页的地址中2项未匹配任何模式，不写入"_s);

    QTest::mouseClick(m_host.Button(4), Qt::LeftButton);
    ASSERT_EQ(m_host.CurrentPage(), &m_host.m_addrResult);
    EXPECT_TRUE(m_host.m_addrResult.GetTreeCtrl()->topLevelItem(0)->isExpanded());
    EXPECT_EQ(leftOut(m_host.m_addrResult), u"第5页的地址中0项未匹配任何模式，不写入"_s);

    // Back on page 4 with a pattern that takes 门卫 too: the count follows the rebuilt tree.
    m_host.m_dpPatterns = BuildPatternSet({{u"栋", u"元"}, {u"栋"}, {u"卫"}});
    QTest::mouseClick(m_host.Button(3), Qt::LeftButton);
    ASSERT_EQ(m_host.CurrentPage(), &m_host.m_dpResult);
    EXPECT_EQ(leftOut(m_host.m_dpResult), u"第3页的地址中1项未匹配任何模式，不写入"_s);
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
}

} // namespace
