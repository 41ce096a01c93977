// The two split pages offscreen on a real SQLite database: loading and the cut, the patterns and
// their colours, the pattern list's buttons and clicks, the candidate menus, reloading, and the
// failure and quoting cases.
#include "pages/AddrListBox.h"
#include "pages/AddressItemDelegate.h"
#include "pages/AddressListModel.h"
#include "database/AddressSchema.h"
#include "pages/CandidateMenu.h"
#include "pages/DlgGetAddrSeparator.h"
#include "pages/DlgGetAddrSeparator2.h"
#include "wizard/DlgRun.h"
#include "pages/MyListCtrl.h"
#include "pages/PatternColors.h"
#include "pages/PatternCountList.h"
#include "database/QtSqlConnection.h"
#include "tests/support/SplitPagesHost.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WizardUnderTest.h"
#include "wizard/WizardData.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace Qt::Literals::StringLiterals;

namespace {

// A test database attached as the process's database object, as the dealer attaches the host's.
class SplitPageDatabase {
public:
    explicit SplitPageDatabase(Backend backend = Backend::SQLite) : m_database(backend), m_attached(m_database) {}
    void Load(const QStringList& statements) { m_database.Load(statements); }
    // Below the system's statements: the database as it is (to break it, say).
    void Native(const QString& statement) { QtSqlConnection::Exec(m_database.Native(), statement); }

private:
    TestDatabase m_database;
    AttachedDatabase m_attached;
};

// The two split pages in a window that serves them as the wizard host does, made the active window.
class SplitPageHost : public SplitPagesHost {
public:
    SplitPageHost() { EXPECT_TRUE(Activate()); }

    void EnterDp(const std::u16string& cellName) { Enter(Dp(), QString::fromStdU16String(cellName)); }
    void EnterAddr(const std::u16string& cellName) { Enter(Addr(), QString::fromStdU16String(cellName)); }
    void LeaveAndEnterDp(const std::u16string& cellName) { EnterDp(cellName); }
};

// Types text into an edit key by key, as a person does (characters outside ASCII as committed text).
void TypeText(QLineEdit& edit, std::u16string_view text) {
    edit.setFocus();
    const QString chars = QString::fromUtf16(text.data(), qsizetype(text.size()));
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const bool pair = chars[i].isHighSurrogate() && i + 1 < chars.size();
        const QString one = chars.mid(i, pair ? 2 : 1);
        if (pair)
            ++i;
        if (one[0].unicode() < 0x80)
            QTest::keyClick(&edit, one[0].toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, one, Qt::NoModifier);
    }
}

// What a menu button's popup offered, and the choice made in it.
struct MenuChoice {
    QStringList labels; // separators as empty texts
    QList<int> commands; // 0 for separators and submenus
    QPoint popupPos;
    QStringList submenuLabels;
    QList<int> submenuCommands;
};

// Clicks the menu button, reads the popup menu and chooses item `index` (in its submenu, item
// `subIndex`); index -1 closes the menu without a choice.
MenuChoice ChooseFromMenu(QPushButton& button, int index, int subIndex = -1) {
    MenuChoice choice;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        shown = true;
        choice.popupPos = menu->pos();
        for (QAction* action : menu->actions()) {
            choice.labels << (action->isSeparator() ? QString() : action->text());
            choice.commands << action->data().toInt();
            if (QMenu* sub = action->menu()) {
                for (QAction* subAction : sub->actions()) {
                    choice.submenuLabels << subAction->text();
                    choice.submenuCommands << subAction->data().toInt();
                }
            }
        }
        if (index < 0 || index >= menu->actions().size()) {
            menu->close();
            return;
        }
        QAction* action = menu->actions()[index];
        menu->setActiveAction(action);
        if (subIndex >= 0 && action->menu()) {
            QTest::keyClick(menu, Qt::Key_Right);
            QMenu* sub = action->menu();
            sub->setActiveAction(sub->actions()[subIndex]);
            QTest::keyClick(sub, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_TRUE(shown) << "no popup menu";
    return choice;
}

// The fixture's cell with DP addresses of every kind the page meets.
QStringList DpAddresses() {
    return {
        u"insert into dpaddr97 (num,addr) values ('DP1','北京市阳光小区3栋')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP2','阳光小区3栋2单元501室')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP3','朝阳区阳光小区阳光小区5栋')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP4','阳光小区')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP5','别处12号')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP6','阳光小区a座5层')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP7','阳光小区A座（东）')"_s,
    };
}

// Standard addresses of the cell: linked twice, too short, covered by a DP, with a child.
QStringList StandardAddresses() {
    return DpAddresses() + QStringList{
        u"insert into telnum_dp97 (telnum,dpid) values ('5550003','DP1')"_s,
        u"insert into addr (id,name,grade,parentid) values (100,'阳光小区1栋101室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (100,'5550001',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (100,'5550002',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (101,'阳光小区2栋',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (101,'5550006',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (102,'阳光小区3栋301室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (102,'5550003',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (103,'阳光小区4栋401室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (103,'5550004',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (104,'401室',8,103)"_s,
        u"insert into addr (id,name,grade,parentid) values (105,'阳光小区5栋501室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (105,'5550005',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (105,'5550003',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (4000000001,'阳光小区6栋601室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (4000000001,'5550007',0)"_s,
    };
}

std::multiset<std::u16string> Texts(const std::vector<AddressEntry>& entries) {
    std::multiset<std::u16string> texts;
    for (const AddressEntry& e : entries)
        texts.insert(e.text);
    return texts;
}

const AddressEntry* FindEntry(const std::vector<AddressEntry>& entries, std::u16string_view text) {
    auto it = std::find_if(entries.begin(), entries.end(), [&](const AddressEntry& e) { return e.text == text; });
    return it == entries.end() ? nullptr : &*it;
}

// The pattern index the address list shows for an address text (-2 when it is not listed).
int ShownPattern(AddrListBox& list, const QString& text) {
    for (int row = 0; row < list.Count(); ++row)
        if (list.ItemText(row) == text)
            return list.ItemData(row);
    return -2;
}

QString CountText(DlgGetAddrSeparator& page) { return page.Control<QLabel>(5026)->text(); }

QColor PixelOfRow(AddrListBox& list, int row) {
    const QRect rect = list.visualRect(list.Model()->index(row));
    const QImage image = list.viewport()->grab().toImage();
    return image.pixelColor(rect.right() - 2, rect.center().y());
}

// The statements of both pages, on SQLite and on PostgreSQL.
class SplitPageStatements : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (!TestDatabase::Available(GetParam()))
            GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set (run under scripts/with-postgres)";
    }
};
INSTANTIATE_BACKENDS(SplitPageStatements);

} // namespace

TEST_P(SplitPageStatements, DpPageLoadsTheCellsAddressesCutAfterTheFirstOccurrenceOfTheName) {
    SplitPageDatabase db(GetParam());
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();

    EXPECT_EQ(Texts(page.Entries()), (std::multiset<std::u16string>{u"3栋", u"3栋2单元501室", u"阳光小区5栋", u"",
                                                                     u"a座5层", u"A座（东）"}));
    EXPECT_EQ(FindEntry(page.Entries(), u"3栋2单元501室")->oldId, u"DP2");
    EXPECT_EQ(CountText(page), QStringLiteral("共6项"));
    EXPECT_EQ(page.CandidateChars(), CollectCandidateChars(page.Entries()));
    EXPECT_EQ(page.CandidateChars(), u"栋单元室阳光小区座层");

    // The list shows every entry once, sorted without regard to letter case, equal texts in load order.
    AddrListBox& list = page.AddressList();
    ASSERT_EQ(list.Count(), 6);
    for (int row = 1; row < list.Count(); ++row)
        EXPECT_FALSE(AddressListModel::SortsBefore(list.ItemText(row).toStdU16String(),
                                                   list.ItemText(row - 1).toStdU16String()));
    EXPECT_EQ(list.ItemText(3), QStringLiteral("a座5层"));
    EXPECT_EQ(list.ItemText(4), QStringLiteral("A座（东）"));

    // One empty pattern row, selected: only the empty text matches it.
    EXPECT_EQ(page.PatternList().rowCount(), 1);
    EXPECT_EQ(page.PatternList().FirstSelectedRow(), 0);
    EXPECT_EQ(page.PatternSet().count, 1);
    EXPECT_EQ(ShownPattern(list, QString()), 0);
    EXPECT_EQ(ShownPattern(list, QStringLiteral("3栋")), -1);
    for (int k = 1; k <= 5; ++k)
        EXPECT_TRUE(page.LevelEdit(k).text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), &page.LevelEdit(1));
}

TEST(SplitPages, PatternListHasFiveLevelColumnsAndTheButtonsTheChevron) {
    SplitPageDatabase db;
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    MyListCtrl& list = host.Dp().PatternList();
    // Five level columns and the names column share the width the five had.
    ASSERT_EQ(list.columnCount(), 6);
    EXPECT_EQ(list.horizontalHeaderItem(5)->text(), QStringLiteral("名称"));
    EXPECT_LE(list.columnWidth(5) + 5 * list.columnWidth(0), 5 * 59);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(list.horizontalHeaderItem(k)->text(), QStringLiteral("第%1级").arg(k + 1));
        EXPECT_EQ(list.columnWidth(k), 45);
        EXPECT_TRUE(list.horizontalHeaderItem(k)->textAlignment() & Qt::AlignLeft);
        EXPECT_TRUE(host.Dp().MenuButton(k + 1).text().isEmpty());
        EXPECT_FALSE(host.Dp().MenuButton(k + 1).icon().isNull());
    }
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    // Control ids as the template gives them, for scripts.
    EXPECT_EQ(host.Dp().Control(5017), &list);
    EXPECT_EQ(host.Dp().Control(5002), &host.Dp().LevelEdit(3));
    EXPECT_EQ(host.Dp().Control(5013), &host.Dp().MenuButton(3));
    EXPECT_EQ(host.Dp().Control<QLabel>(5025)->text(), QStringLiteral("指定DP地址拆分模式"));
}

// Each row keeps its names: typed into the names edit they go into the row's names column and to the
// result page by pattern index, loading a row loads them, and they never change the cut.
TEST(SplitPages, EachRowShowsAndEditsItsNames) {
    SplitPageDatabase db;
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    AddrListBox& list = page.AddressList();
    ASSERT_NE(page.NamesEdit(), nullptr);
    EXPECT_EQ(page.Control(5032), page.NamesEdit());

    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"元");
    TypeText(page.LevelEdit(3), u"室");
    const std::vector<int> before = [&] {
        std::vector<int> shown;
        for (int row = 0; row < list.Count(); ++row)
            shown.push_back(list.ItemData(row));
        return shown;
    }();
    TypeText(*page.NamesEdit(), u"栋/单元/室");
    EXPECT_EQ(page.PatternList().CellText(0, DlgGetAddrSeparator::NamesColumn), QStringLiteral("栋/单元/室"));
    ASSERT_EQ(page.LevelNamesByPattern().size(), 1u);
    EXPECT_EQ(page.LevelNamesByPattern()[0], (LevelNames{u"栋", u"单元", u"室"}));
    for (int row = 0; row < list.Count(); ++row)
        EXPECT_EQ(list.ItemData(row), before[static_cast<std::size_t>(row)]);

    // A new row starts without names; the first row, selected again, brings its names back.
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    EXPECT_TRUE(page.NamesEdit()->text().isEmpty());
    TypeText(page.LevelEdit(1), u"-");
    TypeText(*page.NamesEdit(), u"栋");
    ASSERT_EQ(page.NamedRows().size(), 2u);
    EXPECT_EQ(page.NamedRows()[1].names, (LevelNames{u"栋"}));
    page.PatternList().SelectRow(0);
    EXPECT_EQ(page.NamesEdit()->text(), QStringLiteral("栋/单元/室"));
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("栋"));
}

TEST(SplitPages, TypingALevelColoursTheAddressesItMatchesAndKeepsTheCount) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    AddrListBox& list = page.AddressList();

    TypeText(page.LevelEdit(1), u"栋");
    EXPECT_EQ(page.PatternList().CellText(0, 0), QStringLiteral("栋"));
    EXPECT_EQ(ShownPattern(list, QStringLiteral("3栋")), 0);
    EXPECT_EQ(ShownPattern(list, QStringLiteral("阳光小区5栋")), 0);
    EXPECT_EQ(ShownPattern(list, QStringLiteral("3栋2单元501室")), -1);
    EXPECT_EQ(ShownPattern(list, QString()), -1);
    EXPECT_EQ(CountText(page), QStringLiteral("共6项"));

    // A second pattern takes the next colour.
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), &page.LevelEdit(1));
    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"元");
    TypeText(page.LevelEdit(3), u"室");
    EXPECT_EQ(ShownPattern(list, QStringLiteral("3栋2单元501室")), 1);
    // A numeral level ignores its other characters: 501 is cut and 室 is left over.
    TypeText(page.LevelEdit(3), u"[n]");
    EXPECT_EQ(page.PatternList().CellText(1, 2), QStringLiteral("室[n]"));
    EXPECT_EQ(page.PatternSet().patterns[1].levelTexts[2], u"室\x01");
    EXPECT_EQ(ShownPattern(list, QStringLiteral("3栋2单元501室")), -1);

    // The colours as painted: pattern 0 light grey, pattern 1 red, none in the window colour.
    page.LevelEdit(3).setText(QStringLiteral("室"));
    list.clearSelection();
    for (int row = 0; row < list.Count(); ++row) {
        QColor expected = list.palette().color(QPalette::Active, QPalette::Base);
        if (list.ItemData(row) >= 0)
            expected = PatternColors[list.ItemData(row)];
        EXPECT_EQ(PixelOfRow(list, row), expected) << list.ItemText(row).toStdString();
    }
    // A selected address shows the highlight colour whatever its pattern.
    list.setCurrentIndex(list.Model()->index(0));
    EXPECT_EQ(PixelOfRow(list, 0), list.palette().color(QPalette::Active, QPalette::Highlight));
    // Clicking an address changes neither the patterns nor the edits.
    EXPECT_EQ(page.LevelEdit(3).text(), QStringLiteral("室"));
    EXPECT_EQ(page.PatternList().FirstSelectedRow(), 1);
}

TEST(SplitPages, OnlyTheFirstSevenRowsSplit) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    auto* newPattern = page.Control<QPushButton>(5022);
    TypeText(page.LevelEdit(1), u"X");
    for (int row = 1; row < 8; ++row) {
        QTest::mouseClick(newPattern, Qt::LeftButton);
        TypeText(page.LevelEdit(1), row == 7 ? u"栋" : u"X");
    }
    EXPECT_EQ(page.PatternList().rowCount(), 8);
    EXPECT_EQ(page.PatternList().CellText(7, 0), QStringLiteral("栋"));
    EXPECT_EQ(page.PatternSet().count, 7);
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("3栋")), -1);
    EXPECT_EQ(page.SeparatorText(), u"XXXXXXX");
}

TEST(SplitPages, RowFocusLoadsTheEditsInDisplayForm) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    MyListCtrl& patterns = page.PatternList();
    TypeText(page.LevelEdit(1), u"栋");
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"[c]");
    TypeText(page.LevelEdit(2), u"层");
    // A code typed straight into an edit (as page 5's menu inserts it) stays a code in the row...
    page.LevelEdit(3).setText(QString(QChar(NumeralMark)));
    EXPECT_EQ(patterns.CellText(1, 2), QString(QChar(NumeralMark)));

    const QRect row0 = patterns.visualRect(patterns.model()->index(0, 1));
    QTest::mouseClick(patterns.viewport(), Qt::LeftButton, {}, row0.center());
    EXPECT_EQ(patterns.FirstSelectedRow(), 0);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("栋"));
    EXPECT_EQ(page.LevelEdit(2).text(), QString());
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("3栋")), 0);

    // ... and reads as its token once the row is loaded again.
    const QRect row1 = patterns.visualRect(patterns.model()->index(1, 0));
    QTest::mouseClick(patterns.viewport(), Qt::LeftButton, {}, row1.center());
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("[c]"));
    EXPECT_EQ(page.LevelEdit(2).text(), QStringLiteral("层"));
    EXPECT_EQ(page.LevelEdit(3).text(), QStringLiteral("[n]"));
    EXPECT_EQ(patterns.CellText(1, 2), QStringLiteral("[n]"));
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("a座5层")), -1);
    page.LevelEdit(3).clear();
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("a座5层")), 1);

    // Keyboard moves select the row they reach, so the edits never copy one row onto another.
    patterns.setFocus();
    QTest::keyClick(&patterns, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(patterns.FirstSelectedRow(), 0);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("栋"));
    EXPECT_EQ(patterns.CellText(1, 0), QStringLiteral("[c]"));
}

TEST(SplitPages, ClicksBelowTheLastRowKeepTheSelectedRow) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    MyListCtrl& patterns = page.PatternList();
    TypeText(page.LevelEdit(1), u"栋");
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"室");
    page.LevelEdit(2).setFocus();

    const QPoint below(10, patterns.viewport()->height() - 5);
    ASSERT_FALSE(patterns.indexAt(below).isValid());
    QTest::mouseClick(patterns.viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(patterns.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(patterns.FirstSelectedRow(), 1);
    EXPECT_EQ(patterns.currentIndex().row(), 1);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("室"));
    EXPECT_EQ(QApplication::focusWidget(), &page.LevelEdit(2)) << "the list does not take the focus";

    // A double click on a row acts as on a plain list: it selects the row.
    const QRect row0 = patterns.visualRect(patterns.model()->index(0, 3));
    QTest::mouseDClick(patterns.viewport(), Qt::LeftButton, {}, row0.center());
    EXPECT_EQ(patterns.FirstSelectedRow(), 0);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("栋"));
}

TEST(SplitPages, DeletingPatterns) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    MyListCtrl& patterns = page.PatternList();
    auto* newPattern = page.Control<QPushButton>(5022);
    auto* deletePattern = page.Control<QPushButton>(5023);

    // The only row: one empty row stays, selected, with empty edits.
    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"室");
    QTest::mouseClick(deletePattern, Qt::LeftButton);
    EXPECT_EQ(patterns.rowCount(), 1);
    EXPECT_EQ(patterns.FirstSelectedRow(), 0);
    EXPECT_EQ(patterns.CellText(0, 0), QString());
    EXPECT_TRUE(page.LevelEdit(1).text().isEmpty());
    EXPECT_TRUE(page.LevelEdit(2).text().isEmpty());
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("3栋")), -1);
    EXPECT_EQ(ShownPattern(page.AddressList(), QString()), 0);

    // The last of three rows: the new last row is selected and loaded.
    TypeText(page.LevelEdit(1), u"A");
    QTest::mouseClick(newPattern, Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"B");
    QTest::mouseClick(newPattern, Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"C");
    QTest::mouseClick(deletePattern, Qt::LeftButton);
    EXPECT_EQ(patterns.rowCount(), 2);
    EXPECT_EQ(patterns.FirstSelectedRow(), 1);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("B"));
    EXPECT_EQ(page.SeparatorText(), u"AB");

    // A middle row: the row that moves into its place is selected.
    QTest::mouseClick(newPattern, Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"D");
    patterns.SelectRow(1);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("B"));
    QTest::mouseClick(deletePattern, Qt::LeftButton);
    EXPECT_EQ(patterns.FirstSelectedRow(), 1);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("D"));
    EXPECT_EQ(page.SeparatorText(), u"AD");
}

TEST(SplitPages, DpMenuOffersTokensAndCandidatesAndInsertsAtTheCaret) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();

    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"元");
    const MenuChoice choice = ChooseFromMenu(page.MenuButton(3), 0);
    const QStringList expected{QStringLiteral("阿拉伯数字"), QStringLiteral("英文字母"), QString(),
                               QStringLiteral("栋"), QStringLiteral("单"), QStringLiteral("元"),
                               QStringLiteral("室"), QStringLiteral("阳"), QStringLiteral("光"),
                               QStringLiteral("小"), QStringLiteral("区"), QStringLiteral("座"),
                               QStringLiteral("层")};
    EXPECT_EQ(choice.labels, expected);
    EXPECT_EQ(choice.commands, (QList<int>{30051, 30052, 0, 30000, 30001, 30002, 30003, 30004, 30005, 30006, 30007,
                                           30008, 30009}));
    EXPECT_EQ(choice.popupPos, page.MenuButton(3).mapToGlobal(QPoint(0, page.MenuButton(3).height())));
    EXPECT_EQ(page.LevelEdit(3).text(), QStringLiteral("[n]"));
    EXPECT_EQ(page.PatternList().CellText(0, 2), QStringLiteral("[n]"));
    EXPECT_EQ(page.PatternSet().patterns[0].levelTexts[2], std::u16string(1, NumeralMark));

    // At the caret, replacing the selection; the other items insert their own text.
    page.LevelEdit(1).setText(QStringLiteral("栋号"));
    page.LevelEdit(1).setSelection(1, 1);
    ChooseFromMenu(page.MenuButton(1), 4); // 单
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("栋单"));
    page.LevelEdit(1).setCursorPosition(0);
    ChooseFromMenu(page.MenuButton(1), 1); // 英文字母
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("[c]栋单"));
    EXPECT_EQ(page.PatternList().CellText(0, 0), QStringLiteral("[c]栋单"));

    // A command while no level edit has the focus does nothing.
    page.PatternList().setFocus();
    page.OnMenuCommand(30000);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("[c]栋单"));
}

TEST(SplitPages, EmptyCellOffersOnlyTheTokenItems) {
    SplitPageDatabase db;
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    EXPECT_EQ(CountText(host.Dp()), QStringLiteral("共0项"));
    const MenuChoice choice = ChooseFromMenu(host.Dp().MenuButton(1), -1);
    EXPECT_EQ(choice.labels, (QStringList{QStringLiteral("阿拉伯数字"), QStringLiteral("英文字母")}));
    host.EnterAddr(u"阳光小区");
    EXPECT_EQ(ChooseFromMenu(host.Addr().MenuButton(5), -1).labels, choice.labels);
    EXPECT_EQ(CountText(host.Addr()), QStringLiteral("共0项"));
}

TEST(SplitPages, CharactersOutsideTheBasicPlaneAreOneItem) {
    SplitPageDatabase db;
    db.Load({u"insert into dpaddr97 (num,addr) values ('DP1','阳光小区3𠀋2单元')"_s});
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    const MenuChoice choice = ChooseFromMenu(host.Dp().MenuButton(1), 3);
    EXPECT_EQ(choice.labels.mid(3), (QStringList{QStringLiteral("𠀋"), QStringLiteral("单"), QStringLiteral("元")}));
    EXPECT_EQ(host.Dp().LevelEdit(1).text(), QStringLiteral("𠀋"));
    EXPECT_EQ(ShownPattern(host.Dp().AddressList(), QStringLiteral("3𠀋2单元")), -1);
    TypeText(host.Dp().LevelEdit(2), u"元");
    EXPECT_EQ(ShownPattern(host.Dp().AddressList(), QStringLiteral("3𠀋2单元")), 0);
}

TEST_P(SplitPageStatements, UnlinkedPageLoadsLeavesWithUncoveredLinksLongerThanTwoCharacters) {
    SplitPageDatabase db(GetParam());
    db.Load(StandardAddresses());
    SplitPageHost host;
    host.EnterAddr(u"阳光小区");
    DlgGetAddrSeparator2& page = host.Addr();

    EXPECT_EQ(page.Control<QLabel>(5025)->text(), QStringLiteral("指定未关联DP号码的地址拆分模式"));
    EXPECT_EQ(Texts(page.Entries()),
              (std::multiset<std::u16string>{u"1栋101室", u"1栋101室", u"5栋501室", u"6栋601室"}));
    std::set<std::u16string> oldIds;
    for (const AddressEntry& e : page.Entries()) {
        oldIds.insert(e.oldId);
        const uint32_t expected = e.text == u"1栋101室" ? 100u : e.text == u"5栋501室" ? 105u : 4000000001u;
        EXPECT_EQ(e.stdAddrId, expected) << "ids are unsigned 32-bit";
    }
    EXPECT_EQ(oldIds, (std::set<std::u16string>{u"5550001", u"5550002", u"5550005", u"5550007"}));
    EXPECT_EQ(page.AddressList().Count(), 4);
    EXPECT_EQ(CountText(page), QStringLiteral("共4项"));
    EXPECT_TRUE(page.CandidateChars().empty()) << "page 5 collects no candidates of its own";

    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"室");
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("1栋101室")), 0);
}

TEST(SplitPages, UnlinkedPageMenusOfferPageThreesSeparatorsOnEveryEntry) {
    SplitPageDatabase db;
    db.Load(StandardAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& dp = host.Dp();
    TypeText(dp.LevelEdit(1), u"栋");
    TypeText(dp.LevelEdit(2), u"[n]");
    QTest::mouseClick(dp.Control<QPushButton>(5022), Qt::LeftButton);
    TypeText(dp.LevelEdit(1), u"号");

    host.EnterAddr(u"阳光小区");
    DlgGetAddrSeparator2& page = host.Addr();
    MenuChoice choice = ChooseFromMenu(page.MenuButton(2), 4); // the numeral code
    EXPECT_EQ(choice.labels.mid(2), (QStringList{QString(), QStringLiteral("栋"), QStringLiteral("[n]"),
                                                 QStringLiteral("号")}));
    EXPECT_EQ(choice.commands.mid(3), (QList<int>{30000, 30001, 30002}));
    EXPECT_EQ(page.LevelEdit(2).text(), QString(QChar(NumeralMark))) << "the code itself, not the token";
    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(3), u"室");
    EXPECT_EQ(page.PatternSet().patterns[0].levelTexts[1], std::u16string(1, NumeralMark));
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("5栋501室")), 0);

    // Page 3 changes: page 5's menu follows on the next entry, its entries and patterns stay.
    host.EnterDp(u"阳光小区");
    dp.LevelEdit(1).setText(QStringLiteral("层"));
    host.EnterAddr(u"阳光小区");
    choice = ChooseFromMenu(page.MenuButton(1), -1);
    EXPECT_EQ(choice.labels.mid(3), (QStringList{QStringLiteral("栋"), QStringLiteral("[n]"), QStringLiteral("层")}));
    EXPECT_EQ(page.PatternList().CellText(0, 0), QStringLiteral("栋"));
    EXPECT_EQ(page.Entries().size(), 4u);
}

TEST(SplitPages, MoreThanFiftyOneCandidatesEachInsertThemselves) {
    SplitPageDatabase db;
    db.Load(StandardAddresses());
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    // Sixty level characters on page 3, with repetitions, as page 5's candidates.
    QString many;
    for (int i = 0; i < 60; ++i)
        many.append(QChar(0x4E00 + 0x100 + (i % 55)));
    host.Dp().LevelEdit(1).setText(many);
    host.EnterAddr(u"阳光小区");
    DlgGetAddrSeparator2& page = host.Addr();

    MenuChoice choice = ChooseFromMenu(page.MenuButton(1), -1);
    ASSERT_EQ(choice.labels.size(), 3 + 51 + 1);
    EXPECT_EQ(choice.labels.last(), QStringLiteral("更多"));
    EXPECT_EQ(choice.commands[3 + 50], 30050);
    EXPECT_EQ(choice.submenuLabels.size(), 9);
    EXPECT_EQ(choice.submenuCommands.first(), 30053);
    for (int command : choice.submenuCommands)
        EXPECT_TRUE(command > 30052) << command;

    // The 55th character (index 54) sits in the submenu and inserts itself.
    choice = ChooseFromMenu(page.MenuButton(1), 3 + 51, 54 - 51);
    EXPECT_EQ(page.LevelEdit(1).text(), QString(many[54]));
    page.LevelEdit(1).clear();
    page.OnMenuCommand(CandidateMenu::CommandOfCharacter(59));
    EXPECT_EQ(page.LevelEdit(1).text(), QString(many[59]));
}

TEST(SplitPages, SameNameKeepsEverythingANewNameReloadsAndResets) {
    SplitPageDatabase db;
    db.Load(DpAddresses() << u"insert into dpaddr97 (num,addr) values ('DP9','明月小区8栋')"_s);
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    TypeText(page.LevelEdit(1), u"栋");
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    TypeText(page.LevelEdit(1), u"室");

    host.LeaveAndEnterDp(u"阳光小区");
    EXPECT_EQ(page.PatternList().rowCount(), 2);
    EXPECT_EQ(page.PatternList().FirstSelectedRow(), 1);
    EXPECT_EQ(page.LevelEdit(1).text(), QStringLiteral("室"));
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("3栋")), 0);
    EXPECT_EQ(page.Entries().size(), 6u);

    host.LeaveAndEnterDp(u"明月小区");
    EXPECT_EQ(Texts(page.Entries()), (std::multiset<std::u16string>{u"8栋"}));
    EXPECT_EQ(page.PatternList().rowCount(), 1);
    EXPECT_EQ(page.PatternList().CellText(0, 0), QString());
    EXPECT_TRUE(page.LevelEdit(1).text().isEmpty());
    EXPECT_EQ(ShownPattern(page.AddressList(), QStringLiteral("8栋")), -1);
    EXPECT_EQ(page.CandidateChars(), u"栋");
    EXPECT_EQ(CountText(page), QStringLiteral("共1项"));
}

TEST(SplitPages, ResplittingKeepsTheScrollPosition) {
    SplitPageDatabase db;
    QStringList rows;
    for (int i = 0; i < 300; ++i)
        rows << u"insert into dpaddr97 (num,addr) values ('N%1','阳光小区%2栋%3室')"_s.arg(i).arg(i / 10).arg(i);
    db.Load(rows);
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    DlgGetAddrSeparator& page = host.Dp();
    page.AddressList().SetTopIndex(120);
    const int top = page.AddressList().TopIndex();
    ASSERT_GT(top, 50);
    TypeText(page.LevelEdit(1), u"栋");
    TypeText(page.LevelEdit(2), u"室");
    EXPECT_EQ(page.AddressList().TopIndex(), top);
    EXPECT_EQ(page.AddressList().ItemData(top), 0);
}

TEST_P(SplitPageStatements, CellNameMatchesLiterallyInBothStatements) {
    SplitPageDatabase db(GetParam());
    db.Load({
        u"insert into dpaddr97 (num,addr) values ('DP1','阳光%''_小区1栋')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP2','阳光X''Y小区2栋')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP3','阳光%''Y小区3栋')"_s,
        u"insert into dpaddr97 (num,addr) values ('DP4','阳光\\%''_小区4栋')"_s,
        u"insert into addr (id,name,grade,parentid) values (200,'阳光%''_小区7栋701室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (200,'5557001',0)"_s,
        u"insert into addr (id,name,grade,parentid) values (201,'阳光AB''_小区8栋801室',7,1)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values (201,'5558001',0)"_s,
    });
    MessageBoxRecorder boxes;
    SplitPageHost host;
    host.EnterDp(u"阳光%'_小区");
    host.EnterAddr(u"阳光%'_小区");
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(Texts(host.Dp().Entries()), (std::multiset<std::u16string>{u"1栋"}));
    EXPECT_EQ(Texts(host.Addr().Entries()), (std::multiset<std::u16string>{u"7栋701室"}));
}

TEST_P(SplitPageStatements, FailingStatementShowsOneBoxAndLeavesAWorkingEmptyPage) {
    SplitPageDatabase db(GetParam());
    db.Native(u"drop table dpaddr97"_s);
    MessageBoxRecorder boxes;
    SplitPageHost host;
    host.EnterDp(u"阳光小区");
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().text.contains(QStringLiteral("Error")));
    DlgGetAddrSeparator& page = host.Dp();
    EXPECT_TRUE(page.Entries().empty());
    EXPECT_EQ(CountText(page), QStringLiteral("共0项"));
    TypeText(page.LevelEdit(1), u"栋");
    QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
    QTest::mouseClick(page.Control<QPushButton>(5023), Qt::LeftButton);
    EXPECT_EQ(page.PatternList().rowCount(), 1);
    EXPECT_EQ(page.SeparatorText(), u"栋");

    // Page 5's statement reads dpaddr97 as well: its own box, an empty page.
    host.EnterAddr(u"阳光小区");
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(host.Addr().Entries().empty());
}

// The wizard host itself: page 5 reaches page 3's separator text through its parent window.
TEST(SplitPages, TheWizardHandsPageThreesSeparatorsToPageFive) {
    SplitPageDatabase db;
    db.Load(StandardAddresses());
    WizardUnderTest wizard;
    wizard.show();
    wizard.Data().m_strCellName = u"阳光小区"_s;
    wizard.CurrentPage()->hide();
    wizard.DpSplit().OnEnterPage();
    TypeText(wizard.DpSplit().LevelEdit(1), u"栋");
    TypeText(wizard.DpSplit().LevelEdit(2), u"[n]");
    wizard.DpSplit().hide();
    wizard.AddrSplit().OnEnterPage();
    EXPECT_EQ(wizard.GetSeparatorText(), u"栋\x01");
    EXPECT_EQ(wizard.AddrSplit().CandidateChars(), u"栋\x01");
    EXPECT_EQ(wizard.AddrSplit().Entries().size(), 4u);
}

// What a script cannot see of the page's feedback: the level edits' help on both pages, the count
// column row for row beside the pattern list (an eighth row takes nothing, even what it would
// match), and the list of unmatched addresses with their pattern indexes.
TEST(SplitPages, LevelEditsExplainTheCutAndTheCountsFollowTheRows) {
    SplitPageDatabase db;
    db.Load(StandardAddresses());
    SplitPageHost host;
    host.EnterAddr(u"阳光小区");
    host.EnterDp(u"阳光小区");
    for (DlgGetAddrSeparator* page : {&host.Dp(), static_cast<DlgGetAddrSeparator*>(&host.Addr())})
        for (int k = 1; k <= 5; ++k) {
            const QString tip = page->LevelEdit(k).toolTip();
            EXPECT_TRUE(tip.contains(u"任一字符"_s) && tip.contains(u"[n]"_s) && tip.contains(u"[c]"_s))
                << tip.toStdString();
        }

    DlgGetAddrSeparator& page = host.Dp();
    MyListCtrl& list = page.PatternList();
    PatternCountList& counts = page.CountList();
    TypeText(page.LevelEdit(1), u"栋"); // 3栋 and 阳光小区5栋
    for (int row = 1; row < 8; ++row)
        page.Control<QPushButton>(5022)->click();
    TypeText(page.LevelEdit(1), u"层"); // the eighth row would take a座5层
    ASSERT_EQ(counts.rowCount(), 8);
    QStringList shown;
    for (int row = 0; row < counts.rowCount(); ++row)
        shown << counts.item(row, 0)->text();
    // The second row, empty, takes the empty text; rows three to seven take nothing.
    EXPECT_EQ(shown, QStringList({u"2"_s, u"1"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(page.Control<QLabel>(DlgGetAddrSeparator::UnmatchedLabelId)->text(), u"未匹配3项"_s);
    EXPECT_TRUE(counts.selectionModel()->isRowSelected(7, {}));
    EXPECT_EQ(counts.rowHeight(0), list.rowHeight(0));
    // The right-aligned numbers stand inside the narrow list, not beyond its right edge.
    EXPECT_LE(counts.columnWidth(0), counts.viewport()->width());

    auto* unmatchedOnly = page.Control<QCheckBox>(DlgGetAddrSeparator::UnmatchedOnlyCheckId);
    QTest::mouseClick(unmatchedOnly, Qt::LeftButton);
    AddrListBox& addresses = page.AddressList();
    QStringList unmatched;
    for (int row = 0; row < addresses.Count(); ++row) {
        unmatched << addresses.ItemText(row);
        EXPECT_EQ(addresses.ItemData(row), -1);
    }
    EXPECT_EQ(unmatched, QStringList({u"3栋2单元501室"_s, u"a座5层"_s, u"A座（东）"_s}));
    list.SelectRow(0); // loads 栋 into the edits
    TypeText(page.LevelEdit(2), u"元"); // now 3栋2单元 ... is no longer all: nothing takes 3栋 alone
    EXPECT_EQ(addresses.Count(), 5);
    QTest::mouseClick(unmatchedOnly, Qt::LeftButton);
    EXPECT_EQ(addresses.Count(), 6);
}

// Under a window system a held key repeats. Enter held on the focused 删除模式 deletes one row,
// not one per repeat until the pattern list is empty.
TEST(SplitPages, AHeldEnterOnTheDeleteButtonDeletesOneRow) {
    SplitPageDatabase db;
    db.Load(DpAddresses());
    WizardUnderTest wizard;
    ASSERT_TRUE(wizard.ShowActive());
    wizard.Data().m_strCellName = u"阳光小区"_s;
    wizard.CurrentPage()->hide();
    DlgGetAddrSeparator& page = wizard.DpSplit();
    page.OnEnterPage();
    TypeText(page.LevelEdit(1), u"栋");
    for (std::u16string_view level : {u"座", u"层"}) {
        QTest::mouseClick(page.Control<QPushButton>(5022), Qt::LeftButton);
        TypeText(page.LevelEdit(1), level);
    }
    auto* remove = page.Control<QPushButton>(5023);
    QTest::mouseClick(remove, Qt::LeftButton); // deletes 层 and keeps the focus
    ASSERT_EQ(QApplication::focusWidget(), remove);
    for (int i = 0; i <= 10; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, u"\r"_s, i > 0);
        QApplication::sendEvent(remove, &press);
    }
    ASSERT_EQ(page.PatternList().rowCount(), 1); // the press deleted 座, the repeats nothing
    EXPECT_EQ(page.PatternList().CellText(0, 0), u"栋"_s);
    EXPECT_EQ(page.PatternSet().count, 1);
}
