// The wizard in a real X window with real keys (XTest through xdotool, on xvfb-run): what offscreen
// tests cannot show. A key held down repeats as the X server sends it (a release and a press with
// one timestamp, every 40 ms after 660 ms), and one press must act on one button once: Enter held
// on a page moves one page and never reaches Finish; Enter or Space held on 删除模式 deletes one row.
#include "tests/support/TestSupport.h"
#include "tests/support/UnderX.h"
#include "tests/support/WizardUnderTest.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// A cell with DP addresses (page 3) and standard addresses without a DP (page 5).
QStringList Cell() {
    return {
        u"insert into dpaddr97 (num,addr) values ('DP1','阳光小区3栋2单元501室')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP2','阳光小区3栋2单元502室')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP3','阳光小区5栋1单元101室')"_s,
        u"insert into addr (id,name,grade,parentid) values (100,'阳光小区1栋101室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (100,'5550001',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (101,'阳光小区2栋201室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (101,'5550002',0)"_s,
    };
}

class WizardUnderX : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UnderX::OnX())
            return;
        m_database.Load(Cell());
        m_attached = std::make_unique<AttachedDatabase>(m_database);
        m_wizard = std::make_unique<WizardUnderTest>();
        ASSERT_TRUE(m_wizard->ShowActive());
    }
    void TearDown() override {
        m_wizard.reset();
        m_attached.reset();
    }

    int PageNumber() const {
        const auto& pages = m_wizard->Pages();
        return int(std::find(pages.begin(), pages.end(), m_wizard->CurrentPage()) - pages.begin()) + 1;
    }
    // From page 1 to page n with the mouse, 栋/元/室 on both split pages.
    void GoToPage(int n) {
        Type(m_wizard->CellNamePage().CellNameEdit(), u"阳光小区"_s);
        while (PageNumber() < n) {
            if (PageNumber() == 3 || PageNumber() == 5) {
                DlgGetAddrSeparator& page = PageNumber() == 3 ? m_wizard->DpSplit() : m_wizard->AddrSplit();
                Type(page.LevelEdit(1), u"栋"_s);
                Type(page.LevelEdit(2), u"元"_s);
                Type(page.LevelEdit(3), u"室"_s);
            }
            m_wizard->ClickNext();
        }
    }
    qsizetype AddrRows() { return m_database.Rows(u"select id from addr"_s).size(); }

    TestDatabase m_database;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<AttachedDatabase> m_attached;
    std::unique_ptr<WizardUnderTest> m_wizard;
};

// Enter held in a level edit of page 3, or Space held on the focused 下一步, or its mnemonic
// Alt+N held: one page on. On page 5 the same goes to page 6 and stops there: Finish needs a press
// of its own.
TEST_F(WizardUnderX, AHeldKeyMovesTheWizardOnePageAndNeverFinishes) {
    RUN_UNDER_X();
    struct Case {
        QString keys;
        bool onNextButton;
    };
    for (const Case& held : {Case{u"Return"_s, false}, Case{u"space"_s, true}, Case{u"alt+n"_s, false}}) {
        SCOPED_TRACE(held.keys.toStdString());
        m_wizard = std::make_unique<WizardUnderTest>();
        ASSERT_TRUE(m_wizard->ShowActive());
        const qsizetype rowsBefore = AddrRows();
        for (int from : {3, 5}) {
            GoToPage(from);
            if (held.onNextButton)
                m_wizard->NextButton().setFocus();
            else
                (from == 3 ? m_wizard->DpSplit() : m_wizard->AddrSplit()).LevelEdit(3).setFocus();
            ASSERT_TRUE(UnderX::HoldKeys(held.keys, 1500));
            EXPECT_EQ(PageNumber(), from + 1);
        }
        EXPECT_TRUE(m_wizard->isVisible());
        EXPECT_TRUE(m_wizard->m_strResultID.isEmpty()) << "Finish ran";
        EXPECT_EQ(AddrRows(), rowsBefore);
    }
}

// 删除模式 focused with four pattern rows: Space held deletes one, then Enter held one more.
TEST_F(WizardUnderX, AHeldKeyOnTheDeleteButtonDeletesOneRow) {
    RUN_UNDER_X();
    GoToPage(3);
    DlgGetAddrSeparator& page = m_wizard->DpSplit();
    auto* newPattern = page.Control<QPushButton>(5022);
    for (const QString& level : {u"栋"_s, u"单元"_s, u"室"_s, u"号"_s}) {
        if (page.PatternList().FirstSelectedRow() >= 0 && !page.PatternList().CellText(0, 0).isEmpty())
            QTest::mouseClick(newPattern, Qt::LeftButton);
        Type(page.LevelEdit(1), level);
    }
    ASSERT_EQ(page.PatternList().rowCount(), 4);
    auto* remove = page.Control<QPushButton>(5023);
    remove->setFocus();
    ASSERT_TRUE(UnderX::HoldKeys(u"space"_s, 1500));
    EXPECT_EQ(page.PatternList().rowCount(), 3);
    ASSERT_EQ(QApplication::focusWidget(), remove);
    ASSERT_TRUE(UnderX::HoldKeys(u"Return"_s, 1500));
    EXPECT_EQ(page.PatternList().rowCount(), 2);
    EXPECT_EQ(PageNumber(), 3);
}

// The wizard opens within the screen and may be resized: the lists of page 3 and the tree of page 4
// take the room it gains, and the buttons keep to the bottom right.
TEST_F(WizardUnderX, TheWindowGrowsAndItsListsAndTreesTakeTheRoom) {
    RUN_UNDER_X();
    const QRect screen = m_wizard->screen()->availableGeometry();
    EXPECT_LE(m_wizard->frameGeometry().width(), screen.width());
    EXPECT_LE(m_wizard->frameGeometry().height(), screen.height());
    GoToPage(4);
    const QSize tree = m_wizard->DpResult().GetTreeCtrl()->size();
    m_wizard->ClickBack();
    DlgGetAddrSeparator& page = m_wizard->DpSplit();
    const QSize addresses = page.AddressList().size();
    const QSize patterns = page.PatternList().size();
    const QPoint next = m_wizard->NextButton().pos();
    const QSize before = m_wizard->size();

    const QSize grown = before + QSize(300, 200);
    m_wizard->resize(grown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_wizard->size() == grown; }, 5000)) << "the window did not grow";
    QTest::qWait(100);
    EXPECT_EQ(page.AddressList().size(), addresses + QSize(150, 200));
    EXPECT_EQ(page.PatternList().size(), patterns + QSize(150, 200));
    EXPECT_EQ(m_wizard->NextButton().pos(), next + QPoint(300, 200));
    m_wizard->ClickNext();
    EXPECT_EQ(m_wizard->DpResult().GetTreeCtrl()->size(), tree + QSize(300, 200));
}

// Scaled by 1.5 on a small screen (1024x600 pixels: 682x400 at that scale) the template's size
// does not fit: the wizard opens within the screen, and its buttons and lists stay in it.
TEST_F(WizardUnderX, ScaledOnASmallScreenItOpensWithinTheScreen) {
    RUN_UNDER_X(u"1024x600x24"_s, {u"QT_SCALE_FACTOR=1.5"_s});
    const QRect screen = m_wizard->screen()->availableGeometry();
    ASSERT_LT(screen.height(), 504) << "the screen is not smaller than the wizard's template";
    EXPECT_LE(m_wizard->frameGeometry().width(), screen.width());
    EXPECT_LE(m_wizard->frameGeometry().height(), screen.height());
    GoToPage(3);
    const QRect client = m_wizard->rect();
    EXPECT_TRUE(client.contains(m_wizard->NextButton().geometry()));
    DlgGetAddrSeparator& page = m_wizard->DpSplit();
    for (QWidget* control : {static_cast<QWidget*>(&page.AddressList()), static_cast<QWidget*>(&page.PatternList()),
                             static_cast<QWidget*>(&page.LevelEdit(5))}) {
        EXPECT_GT(control->height(), 0);
        EXPECT_TRUE(client.contains(QRect(control->mapTo(m_wizard.get(), QPoint(0, 0)), control->size())));
    }
}

// Narrower than the template (1024x768 pixels scaled by 2: 512x384): the page keeps its controls'
// places across and cuts what lies beyond its right edge, instead of moving the buttons that follow
// the right edge onto the check box and the level edits; the host's buttons stay in the window.
TEST_F(WizardUnderX, NarrowerThanTheTemplateNoControlLandsOnAnother) {
    RUN_UNDER_X(u"1024x768x24"_s, {u"QT_SCALE_FACTOR=2"_s});
    ASSERT_LT(m_wizard->width(), 641) << "the screen is not narrower than the wizard's template";
    GoToPage(3);
    const QRect client = m_wizard->rect();
    for (const QPushButton* button : {&m_wizard->BackButton(), &m_wizard->NextButton(), &m_wizard->CancelButton()})
        EXPECT_TRUE(client.contains(button->geometry())) << button->text().toStdString();
    EXPECT_FALSE(m_wizard->NextButton().geometry().intersects(m_wizard->CancelButton().geometry()));
    std::vector<const QWidget*> shown;
    for (const QObject* child : m_wizard->DpSplit().children())
        if (const auto* control = qobject_cast<const QWidget*>(child); control && control->isVisible())
            shown.push_back(control);
    ASSERT_GT(shown.size(), 10u);
    // Dialog units round to pixels, so an edit and its menu button may share their one edge column.
    const auto overlap = [](const QWidget* a, const QWidget* b) {
        const QRect both = a->geometry().intersected(b->geometry());
        return both.width() > 1 && both.height() > 1;
    };
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(overlap(shown[i], shown[j]))
                << shown[i]->objectName().toStdString() << " " << shown[i]->metaObject()->className() << " on "
                << shown[j]->objectName().toStdString() << " " << shown[j]->metaObject()->className();
}

} // namespace
