// The pages as an operator meets them, offscreen on a real SQLite database: what Enter does after
// 建议模式 and after Back, Escape with and without typed rows, the word on page 2 when no path of the
// name exists and the path nodes the last page counts, rows past the seventh, which page each of
// page 6's figures counts, the Tab order of page 3, and the marks that tell look-alike texts apart.
#include "pages/AddressItemDelegate.h"
#include "pages/AddressListModel.h"
#include "pages/MyListCtrl.h"
#include "pages/PatternCellDelegate.h"
#include "platform/ui/DialogTemplate.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WizardUnderTest.h"
#include "wizard/WizardQuestion.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A cell with its whole path, DP addresses and one standard address without a DP.
const QStringList CellRows = {
    u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
    u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(3,'中关村镇',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(4,'学院路',4,3)"_s,
    u"insert into addr (id,name,grade,parentid) values(5,'知春街',5,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(6,'5号',6,5)"_s,
    u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s,
    u"insert into dpaddr97 (num,addr) values('DP1','阳光小区1栋2单元301室')"_s,
    u"insert into dpaddr97 (num,addr) values('DP2','阳光小区1栋3单元302室')"_s,
    u"insert into dpaddr97 (num,addr) values('DP3','阳光小区2栋1单元101室')"_s,
    u"insert into dpaddr97 (num,addr) values('DP4','阳光小区')"_s,
    u"insert into addr (id,name,grade,parentid) values(100,'阳光小区1栋4单元',7,6)"_s,
    u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T9',0)"_s,
};

class PagesAsOperator : public ::testing::Test {
protected:
    void SetUp() override {
        m_database.Load(CellRows);
        m_attached = std::make_unique<AttachedDatabase>(m_database);
        m_wizard = std::make_unique<WizardUnderTest>();
        ASSERT_TRUE(m_wizard->ShowActive());
    }
    void TearDown() override {
        m_wizard.reset();
        m_attached.reset();
    }

    WizardUnderTest& Wizard() { return *m_wizard; }
    DlgGetAddrSeparator& Dp() { return m_wizard->DpSplit(); }
    void GoToPage3(const QString& name = u"阳光小区"_s) {
        Type(Wizard().CellNamePage().CellNameEdit(), name);
        Wizard().ClickNext();
        Wizard().ClickNext();
        ASSERT_EQ(Wizard().CurrentPage(), &Dp());
    }
    void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    QPushButton* Button(int id) { return Wizard().CurrentPage()->Control<QPushButton>(id); }

    TestDatabase m_database;
    MessageBoxRecorder m_boxes;
    std::unique_ptr<AttachedDatabase> m_attached;
    std::unique_ptr<WizardUnderTest> m_wizard;
};

// The style draws a button's focus frame only when its option says the focus is there and that
// the window shows focus (not only after a Tab).
bool FocusShows(QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    return button.hasFocus() && (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

// After 建议模式 the focus is on the suggested rows, so Enter means 下一步; back on page 3 the
// focus returns where it was, and wherever it is it shows. Enter on a focused 建议模式 asks first,
// No by default, and a second Enter (the box's default) keeps the rows.
TEST_F(PagesAsOperator, EnterAfterSuggestAndAfterBackDoesWhatTheScreenShows) {
    GoToPage3();
    Type(Dp().LevelEdit(1), u"栋"_s);
    m_boxes.QueueAnswers({IDYES});
    QPushButton* suggest = Button(DlgGetAddrSeparator::SuggestButtonId);
    QTest::mouseClick(suggest, Qt::LeftButton);
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_EQ(m_boxes.Last().caption, QuestionTitle());
    EXPECT_TRUE(m_boxes.Last().flags & MB_DEFBUTTON2) << "the replace question must default to No";
    EXPECT_EQ(QApplication::focusWidget(), &Dp().PatternList());
    EXPECT_TRUE(Wizard().NextButton().isDefault());
    EXPECT_FALSE(suggest->isDefault());
    const PatternRow suggested = Dp().PatternList().Row(0);

    Key(Qt::Key_Return);
    EXPECT_EQ(Wizard().CurrentPage(), &Wizard().DpResult());
    EXPECT_EQ(m_boxes.Count(), 1);
    Wizard().ClickBack();
    ASSERT_EQ(Wizard().CurrentPage(), &Dp());
    EXPECT_EQ(QApplication::focusWidget(), &Dp().PatternList());

    // The focus left on 建议模式 (clicked with the mouse, then Next): back, it is there and shows.
    suggest->setFocus(Qt::MouseFocusReason);
    Wizard().ClickNext();
    Wizard().ClickBack();
    ASSERT_EQ(QApplication::focusWidget(), suggest);
    EXPECT_TRUE(FocusShows(*suggest));
    // It also wears the default look, not 下一步.
    EXPECT_TRUE(suggest->isDefault());
    EXPECT_FALSE(Wizard().NextButton().isDefault());
    m_boxes.Clear();
    Key(Qt::Key_Return); // the box's default: No
    Key(Qt::Key_Return);
    EXPECT_EQ(m_boxes.Count(), 2);
    EXPECT_EQ(Dp().PatternList().Row(0), suggested);

    // A click on the button that has the focus already leaves its focus drawn.
    QPushButton* remove = Button(SplitPatternsControl::DeletePattern);
    QTest::mouseClick(remove, Qt::LeftButton);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), remove);
    EXPECT_TRUE(FocusShows(*remove));
}

// Escape and the close box cancel at once while nothing typed would be lost; with pattern rows
// they ask, and only Yes closes.
TEST_F(PagesAsOperator, EscapeAsksOnlyWhenPatternRowsWouldBeLost) {
    GoToPage3();
    Key(Qt::Key_Escape);
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), IDCANCEL);

    ASSERT_TRUE(Wizard().ShowActive());
    Type(Dp().LevelEdit(1), u"栋"_s);
    Key(Qt::Key_Escape); // answered with the default, No
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_EQ(m_boxes.Last().text, u"放弃已输入的模式？"_s);
    EXPECT_EQ(m_boxes.Last().caption, QuestionTitle());
    EXPECT_TRUE(Wizard().isVisible());
    Wizard().close();
    EXPECT_EQ(m_boxes.Count(), 2);
    EXPECT_TRUE(Wizard().isVisible());
    m_boxes.QueueAnswers({IDYES});
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().result(), IDCANCEL);
}

// A name found nowhere: page 2 says Finish will make the path, and the last page counts its nodes
// (the city exists; the five unnamed levels and the cell are new). A known name says nothing.
TEST_F(PagesAsOperator, ANameFoundNowhereIsSaidOnPage2AndItsPathCountedOnTheLastPage) {
    for (const auto& [name, found] : {std::pair{u"阳光小区"_s, true}, std::pair{u"无名新苑"_s, false}}) {
        SCOPED_TRACE(name.toStdString());
        m_wizard = std::make_unique<WizardUnderTest>();
        ASSERT_TRUE(Wizard().ShowActive());
        Type(Wizard().CellNamePage().CellNameEdit(), name);
        Wizard().ClickNext();
        auto* note = Wizard().VerifyPage().Control<QLabel>(DlgVerifyCell::NoPathLabelId);
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->isVisible(), !found);
        EXPECT_EQ(note->text(), DlgVerifyCell::NoPathText());
        while (Wizard().CurrentPage() != &Wizard().AddrResult())
            Wizard().ClickNext();
        const QString preview =
            Wizard().AddrResult().Control<QLabel>(DlgShowAddrResult::PreviewLabelId)->text();
        EXPECT_EQ(preview.contains(u"新建小区路径节点 6"_s), !found) << preview.toStdString();
        EXPECT_EQ(preview.contains(u"新建小区路径"_s), !found) << preview.toStdString();
    }
}

// Page 6's figures say whose addresses they count: the line under its tree counts page 5's, the
// preview page 3's and page 5's apart.
TEST_F(PagesAsOperator, TheLastPageSaysWhichPageEachFigureCounts) {
    GoToPage3();
    Type(Dp().LevelEdit(1), u"栋"_s);
    Type(Dp().LevelEdit(2), u"元"_s);
    Type(Dp().LevelEdit(3), u"室"_s); // takes three; the cell name alone is left out
    while (Wizard().CurrentPage() != &Wizard().AddrResult())
        Wizard().ClickNext();
    DlgShowAddrResult& last = Wizard().AddrResult();
    EXPECT_EQ(last.Control<QLabel>(DlgShowDPResult::LeftOutId)->text(), u"第5页的地址中1项未匹配任何模式，不写入"_s);
    EXPECT_TRUE(last.Control<QLabel>(DlgShowAddrResult::PreviewLabelId)
                    ->text()
                    .endsWith(u"未匹配而不写入的地址：第3页 1，第5页 1"_s))
        << last.Control<QLabel>(DlgShowAddrResult::PreviewLabelId)->text().toStdString();
}

// Rows past the seventh take no part: they are greyed and say why on hover; the seven above do not.
TEST_F(PagesAsOperator, RowsPastTheSeventhAreMarkedNotUsed) {
    GoToPage3();
    MyListCtrl& list = Dp().PatternList();
    for (int row = 1; row < 9; ++row)
        QTest::mouseClick(Button(SplitPatternsControl::NewPattern), Qt::LeftButton);
    Type(Dp().LevelEdit(1), u"栋"_s);
    ASSERT_EQ(list.rowCount(), 9);
    const QColor greyed = list.palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < list.rowCount(); ++row) {
        SCOPED_TRACE(row);
        const bool used = row < MaxPatterns;
        EXPECT_EQ(list.item(row, 0)->toolTip(), used ? QString() : MyListCtrl::UnusedRowText());
        EXPECT_EQ(list.item(row, 0)->data(Qt::ForegroundRole).isValid(), !used);
        if (!used) {
            EXPECT_EQ(list.item(row, 0)->foreground().color(), greyed);
        }
        EXPECT_EQ(Dp().CountList().item(row, 0)->data(Qt::ForegroundRole).isValid(), !used);
    }
    // Deleting a row moves the ninth up: it is the eighth now, still not used; a used row stays used.
    list.SelectRow(0);
    QTest::mouseClick(Button(SplitPatternsControl::DeletePattern), Qt::LeftButton);
    EXPECT_EQ(list.item(6, 0)->toolTip(), QString());
    EXPECT_EQ(list.item(7, 0)->toolTip(), MyListCtrl::UnusedRowText());
}

// Tab on page 3 follows the screen: the names edit above the pattern list, the two lists, the row
// under them left to right, the level edits with their menu buttons, then Back, Next and Cancel.
// The pattern list is one stop; inside it the arrow keys move the current cell.
TEST_F(PagesAsOperator, TabOnPage3FollowsTheScreenAndThePatternListIsOneStop) {
    GoToPage3();
    Type(Dp().LevelEdit(1), u"栋"_s);
    QList<QWidget*> expected{&Dp().AddressList(), &Dp().PatternList(),
                             Dp().Control(DlgGetAddrSeparator::UnmatchedOnlyCheckId),
                             Dp().Control(DlgGetAddrSeparator::SuggestButtonId),
                             Dp().Control(SplitPatternsControl::NewPattern),
                             Dp().Control(SplitPatternsControl::DeletePattern)};
    for (int level = 1; level <= MaxLevels; ++level)
        expected << &Dp().LevelEdit(level) << &Dp().MenuButton(level);
    expected << &Wizard().BackButton() << &Wizard().NextButton()
             << DialogTemplate::FindControl(&Wizard(), HostControl::Cancel);
    expected << Dp().NamesEdit() << &Dp().AddressList(); // round again

    Dp().AddressList().setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited{QApplication::focusWidget()};
    for (int i = 1; i < expected.size(); ++i) {
        Key(Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    EXPECT_EQ(visited, expected);

    MyListCtrl& list = Dp().PatternList();
    list.setFocus(Qt::TabFocusReason);
    list.setCurrentCell(0, 0);
    Key(Qt::Key_Right);
    EXPECT_EQ(list.currentColumn(), 1);
    EXPECT_EQ(list.FirstSelectedRow(), 0);
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Dp().Control(DlgGetAddrSeparator::UnmatchedOnlyCheckId));
}

// The level edits' help is in lines narrower than the wizard; a row cut at ")" carries a mark its
// full-width twin "）" does not; the address of the cell name alone shows （空）.
TEST_F(PagesAsOperator, HelpFitsAndLookAlikesAndEmptyTextsShow) {
    GoToPage3();
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : Dp().LevelEdit(1).toolTip().split(u'\n'))
        EXPECT_LT(metrics.horizontalAdvance(line), Wizard().width()) << line.toStdString();

    MyListCtrl& list = Dp().PatternList();
    Type(Dp().LevelEdit(1), u")"_s);
    QTest::mouseClick(Button(SplitPatternsControl::NewPattern), Qt::LeftButton);
    Type(Dp().LevelEdit(1), u"）"_s);
    EXPECT_TRUE(list.item(0, 0)->toolTip().contains(u"半角"_s));
    EXPECT_EQ(list.item(1, 0)->toolTip(), QString());
    const auto tinted = [&](int row) {
        const QImage cells = list.viewport()->grab(list.visualItemRect(list.item(row, 0))).toImage();
        for (int y = 0; y < cells.height(); ++y)
            for (int x = 0; x < cells.width(); ++x)
                if (cells.pixelColor(x, y) == QColor(255, 214, 120))
                    return true;
        return false;
    };
    list.SelectRow(1); // the row ")" is not selected: its own colours show
    EXPECT_TRUE(tinted(0));
    list.SelectRow(0);
    EXPECT_FALSE(tinted(1));

    // The empty address (DP4, the cell name alone) is drawn with a text, not as a bare block.
    AddrListBox& addresses = Dp().AddressList();
    int empty = -1;
    for (int row = 0; row < addresses.Count(); ++row)
        if (addresses.ItemText(row).isEmpty())
            empty = row;
    ASSERT_GE(empty, 0);
    const QRect rect = addresses.visualRect(addresses.Model()->index(empty));
    const QImage image = addresses.viewport()->grab(rect).toImage();
    const QColor background = image.pixelColor(image.width() - 2, image.height() / 2);
    int inked = 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, image.height() / 2) != background)
            ++inked;
    EXPECT_GT(inked, 0) << "（空） is not drawn";
    EXPECT_EQ(AddressItemDelegate::EmptyText(), u"（空）"_s);
}

} // namespace
