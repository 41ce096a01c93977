// The two cell pages inside the wizard host, offscreen, on a real address database (SQLite, and
// PostgreSQL when one runs): the cell-name page's Next button and existing-tree question, the cell
// path page's candidate outline and level edits, names that carry quote and wildcard characters, and
// readings that fail.
#include "pages/DlgGetCellName.h"
#include "wizard/DlgRun.h"
#include "pages/DlgVerifyCell.h"
#include "pages/IndentedItemDelegate.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "database/QtSqlConnection.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WizardOnDatabase.h"

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// 上海市 / 浦东新区 / 张江镇 / 科苑路, then two streets: 碧波街 with the numbers 88号 and 99号, and a
// street without a name with 12号. The cells hang below the numbers; some grade-7 nodes sit at the
// wrong depth, some nodes have inner trees (grade 8).
const QStringList AddressTree = {
    u"insert into addr (id,name,grade,parentid) values(1,'上海市',1,0)"_s,
    u"insert into addr (id,name,grade,parentid) values(2,'浦东新区',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(3,'张江镇',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(4,'科苑路',4,3)"_s,
    u"insert into addr (id,name,grade,parentid) values(5,'碧波街',5,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(6,'88号',6,5)"_s,
    u"insert into addr (id,name,grade,parentid) values(7,'99号',6,5)"_s,
    u"insert into addr (id,name,grade,parentid) values(11,'',5,4)"_s, // stored as NULL
    u"insert into addr (id,name,grade,parentid) values(12,'12号',6,11)"_s,
    // Two cells of one name under one street, one below a road (too short a path) and one below a
    // cell (too long).
    u"insert into addr (id,name,grade,parentid) values(8,'阳光小区',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(9,'阳光小区',7,7)"_s,
    u"insert into addr (id,name,grade,parentid) values(10,'阳光小区',7,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(21,'阳光小区会所',7,8)"_s,
    // A cell below the unnamed street, with an inner tree.
    u"insert into addr (id,name,grade,parentid) values(13,'月亮湾',7,12)"_s,
    u"insert into addr (id,name,grade,parentid) values(14,'1栋',8,13)"_s,
    // An inner tree below a longer name only.
    u"insert into addr (id,name,grade,parentid) values(15,'星河湾二期',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(16,'2栋',8,15)"_s,
    u"insert into addr (id,name,grade,parentid) values(22,'星河湾',7,7)"_s,
    // Names with a quote and with like wildcards, each with a decoy that a wildcard would match.
    u"insert into addr (id,name,grade,parentid) values(17,'O''Brien小区',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(18,'3栋',8,17)"_s,
    u"insert into addr (id,name,grade,parentid) values(19,'100%花园',7,7)"_s,
    u"insert into addr (id,name,grade,parentid) values(20,'100X花园',7,12)"_s,
    u"insert into addr (id,name,grade,parentid) values(23,'A_B苑',7,6)"_s,
    u"insert into addr (id,name,grade,parentid) values(24,'AxB苑',7,12)"_s,
};

const QStringList AboveBibo = {u"上海市"_s, u"浦东新区"_s, u"张江镇"_s, u"科苑路"_s, u"碧波街"_s};
const QStringList AboveUnnamed = {u"上海市"_s, u"浦东新区"_s, u"张江镇"_s,
                                  u"科苑路"_s, u"<未知街>"_s, u"12号"_s};

QStringList Labels(const QComboBox& combo) {
    QStringList labels;
    for (int i = 0; i < combo.count(); ++i)
        labels << combo.itemText(i);
    return labels;
}

QList<int> Indents(const QComboBox& combo) {
    QList<int> indents;
    for (int i = 0; i < combo.count(); ++i)
        indents << combo.itemData(i, IndentedItemDelegate::IndentRole).toInt();
    return indents;
}

QStringList Edits(DlgVerifyCell& page) {
    QStringList texts;
    for (int grade = 1; grade <= 7; ++grade)
        texts << page.LevelEdit(grade).text();
    return texts;
}

class CellPages : public WizardOnDatabase {
protected:
    QStringList Fixture() const override { return AddressTree; }

    QLineEdit& CellNameEdit() { return Wizard().CellNamePage().CellNameEdit(); }
    DlgVerifyCell& VerifyPage() { return Wizard().VerifyPage(); }
    QComboBox& Candidates() { return VerifyPage().CandidateCombo(); }
    bool OnCellNamePage() { return Wizard().CurrentPage() == &Wizard().CellNamePage(); }
    bool OnVerifyPage() { return Wizard().CurrentPage() == &Wizard().VerifyPage(); }

    // Types the cell name on page 1 and presses Next; boxes take their default answer (Yes).
    void EnterCell(const QString& name) {
        Type(CellNameEdit(), name);
        ClickNext();
    }

    // The parent ids that the candidate statement returns, in their order (by id): the outline lists
    // later-found siblings first, so the expectations follow this order.
    QStringList CandidateParents(const QString& cellName) {
        QStringList parents;
        const QString statement =
            FormatStatement(Statements::CandidateCellParents, {SqlText::LikeLiteral(cellName), 7});
        for (const QStringList& row : Database().Rows(statement))
            parents << row.value(0);
        return parents;
    }
};

TEST_P(CellPages, NextIsEnabledExactlyWhileTheCellNameEditHoldsText) {
    EXPECT_TRUE(OnCellNamePage());
    EXPECT_EQ(QApplication::focusWidget(), &CellNameEdit());
    EXPECT_FALSE(Wizard().NextButton().isEnabled());
    EXPECT_FALSE(Wizard().BackButton().isEnabled());

    QTest::keyClicks(&CellNameEdit(), u"a"_s);
    EXPECT_TRUE(Wizard().NextButton().isEnabled());
    QTest::keyClick(&CellNameEdit(), Qt::Key_Backspace);
    EXPECT_FALSE(Wizard().NextButton().isEnabled());
    // Enter with an empty name does nothing.
    QTest::keyClick(&CellNameEdit(), Qt::Key_Return);
    EXPECT_TRUE(OnCellNamePage());

    Type(CellNameEdit(), u"阳光小区"_s);
    EXPECT_TRUE(Wizard().NextButton().isEnabled());
    ClickNext();
    ASSERT_TRUE(OnVerifyPage());
    ClickBack();
    // Coming back shows the name typed before, with Next enabled.
    EXPECT_TRUE(OnCellNamePage());
    EXPECT_EQ(CellNameEdit().text(), u"阳光小区"_s);
    EXPECT_TRUE(Wizard().NextButton().isEnabled());

    // Enter acts as Next on page 1 and, from the candidate list, on page 2; typing into the list's
    // edit adds no item.
    QTest::keyClick(&CellNameEdit(), Qt::Key_Return);
    ASSERT_TRUE(OnVerifyPage());
    ASSERT_EQ(QApplication::focusWidget(), &Candidates());
    const int items = Candidates().count();
    QTest::keyClicks(&Candidates(), u"x"_s);
    QTest::keyClick(&Candidates(), Qt::Key_Return);
    EXPECT_EQ(Candidates().count(), items);
    EXPECT_EQ(Wizard().CurrentPage(), Wizard().Pages()[2]);
}

TEST_P(CellPages, AsksBeforeGoingOnWhenAnInnerTreeExistsAndStoresTheNameEitherWay) {
    MessageBoxRecorder boxes(IDNO);
    EnterCell(u"月亮湾"_s);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().text, u"发现月亮湾的内部地址树存在，仍要继续？"_s);
    EXPECT_EQ(boxes.Last().caption, u"提示"_s);
    EXPECT_EQ(boxes.Last().flags, MB_YESNO); // Yes and No, no icon
    EXPECT_EQ(boxes.Last().owner, &Wizard().CellNamePage());
    // No: the wizard stays, but the name is already stored; page 2 has not looked anything up.
    EXPECT_TRUE(OnCellNamePage());
    EXPECT_EQ(Wizard().Data().m_strCellName, u"月亮湾"_s);
    EXPECT_EQ(VerifyPage().LastCellName(), QString());

    boxes.SetAnswer(IDYES);
    ClickNext();
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_TRUE(OnVerifyPage());
    EXPECT_EQ(VerifyPage().LastCellName(), u"月亮湾"_s);

    // Back, another name with an inner tree, No: the new name is stored although page 1 stays.
    ClickBack();
    boxes.SetAnswer(IDNO);
    EnterCell(u"O'Brien小区"_s);
    ASSERT_EQ(boxes.Count(), 3);
    EXPECT_EQ(boxes.Last().text, u"发现O'Brien小区的内部地址树存在，仍要继续？"_s);
    EXPECT_TRUE(OnCellNamePage());
    EXPECT_EQ(Wizard().Data().m_strCellName, u"O'Brien小区"_s);
}

TEST_P(CellPages, TheQuestionTellsWhoMadeTheInnerTreeWhenTheJournalKnows) {
    // Run 1 made 月亮湾's tree; run 2 was taken back, so it made nothing that is still there.
    Database().Load({
        u"insert into journal_run (run,at,db_user,os_user,host,version,cell_id,cell_name,patterns,nodes_new,"
        u"links_new,moved,replaced) values(1,'2026-03-01 13:45:00','clerk','ops','desk','1.0',20,'月亮湾','',3,1,0,0)"_s,
        u"insert into journal_run (run,at,db_user,os_user,host,version,cell_id,cell_name,patterns,nodes_new,"
        u"links_new,moved,replaced) values(2,'2026-03-02 09:00:00',null,'eve','lab','1.0',20,'月亮湾','',1,0,0,0)"_s,
        u"insert into journal_undo (run,os_user,host,version) values(2,'eve','lab','1.0')"_s,
    });
    MessageBoxRecorder boxes(IDNO);
    EnterCell(u"月亮湾"_s);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().text,
              u"发现月亮湾的内部地址树存在，仍要继续？\n（由 clerk (ops@desk)，2026-03-01 13:45:00 (UTC) 写入）"_s);
    // Without the journal the question is as it always was, and no error box shows.
    QtSqlConnection::Exec(Database().Native(), u"drop table journal_undo"_s);
    QtSqlConnection::Exec(Database().Native(), u"drop table journal_run"_s);
    ClickNext();
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.Last().text, u"发现月亮湾的内部地址树存在，仍要继续？"_s);
}

TEST_P(CellPages, CountsInnerTreesBelowNodesOfExactlyThatName) {
    MessageBoxRecorder boxes;
    const struct {
        QString name;
        int count;
    } cases[] = {
        {u"月亮湾"_s, 1},   {u"O'Brien小区"_s, 1}, {u"星河湾"_s, 0}, // only 星河湾二期 has an inner tree
        {u"阳光小区"_s, 0}, // its nodes have no children above grade 7
        {u"无此小区"_s, 0}, // no such node
        {u" 月亮湾"_s, 0},  // taken with its blank
        {u"月亮%"_s, 0},    // % is no wildcard here
    };
    for (const auto& c : cases)
        EXPECT_EQ(DlgGetCellName::CountInnerNodes(c.name), c.count) << c.name.toStdString();
    EXPECT_EQ(boxes.Count(), 0);

    // A name without an inner tree moves on without a question.
    EnterCell(u"星河湾"_s);
    EXPECT_TRUE(OnVerifyPage());
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CellPages, TwoCellsUnderOneStreetListTheLaterFoundNumberFirst) {
    MessageBoxRecorder boxes;
    EnterCell(u"阳光小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(boxes.Count(), 0);

    // Parents 6 and 7 give paths; 4 (a road) and 8 (a cell) are at the wrong depth.
    QStringList numbers;
    for (const QString& parent : CandidateParents(u"阳光小区"_s))
        if (parent == u"6"_s || parent == u"7"_s)
            numbers << (parent == u"6"_s ? u"88号"_s : u"99号"_s);
    ASSERT_EQ(numbers.size(), 2);
    EXPECT_EQ(Labels(Candidates()), AboveBibo + QStringList({numbers[1], numbers[0]}));
    EXPECT_EQ(Indents(Candidates()), (QList<int>{0, 2, 4, 6, 8, 10, 10}));
    for (int i = 0; i < Candidates().count(); ++i)
        EXPECT_EQ(Candidates().itemData(i, DlgVerifyCell::ImageRole).toInt(), std::min(i, 5));
    EXPECT_EQ(Candidates().itemData(0, DlgVerifyCell::NodeIdRole).toUInt(), 1u);
    EXPECT_EQ(VerifyPage().FindItemByData(5), 4);
    EXPECT_EQ(VerifyPage().FindItemByData(6), numbers[1] == u"88号"_s ? 5 : 6);
    EXPECT_EQ(VerifyPage().FindItemByData(8), -1); // the cells themselves are not listed

    // The edits: the last newly added node of each grade, then the cell name.
    EXPECT_EQ(Edits(VerifyPage()), AboveBibo + QStringList({numbers[1], u"阳光小区"_s}));
    std::array<QString, 8> path;
    VerifyPage().ReadCellPath(path);
    EXPECT_EQ(path[1], u"上海市"_s);
    EXPECT_EQ(path[6], numbers[1]);
    EXPECT_EQ(path[7], u"阳光小区"_s);
}

TEST_P(CellPages, DivergingStreetsEachFollowTheirOwnParentAndAnUnnamedStreetKeepsItsEdit) {
    MessageBoxRecorder boxes;
    // "100" begins both 100%花园 (below 99号 on 碧波街) and 100X花园 (below 12号 on the unnamed
    // street).
    EnterCell(u"100"_s);
    ASSERT_TRUE(OnVerifyPage());
    const QStringList parents = CandidateParents(u"100"_s);
    ASSERT_EQ(parents.size(), 2);
    const QStringList roadUp = {u"上海市"_s, u"浦东新区"_s, u"张江镇"_s, u"科苑路"_s};
    const QStringList bibo = {u"碧波街"_s, u"99号"_s};
    const QStringList unnamed = {u"<未知街>"_s, u"12号"_s};
    const bool biboFirst = parents[0] == u"7"_s;
    EXPECT_EQ(Labels(Candidates()), roadUp + (biboFirst ? unnamed + bibo : bibo + unnamed));
    EXPECT_EQ(Indents(Candidates()), (QList<int>{0, 2, 4, 6, 8, 10, 8, 10}));
    // The unnamed street never becomes the street edit's proposal.
    EXPECT_EQ(VerifyPage().LevelEdit(5).text(), u"碧波街"_s);
    EXPECT_EQ(VerifyPage().LevelEdit(6).text(), biboFirst ? u"12号"_s : u"99号"_s);
    EXPECT_EQ(boxes.Count(), 0);
}

// The candidates are read in parent id order whatever order the database finds them in (here the
// names' own order puts 12号 first): the outline and the proposed path are the same on every
// backend and from one run to the next.
TEST_P(CellPages, CandidatesComeInParentIdOrderOnEveryBackend) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(41,'南湖里A',7,12)"_s,
                     u"insert into addr (id,name,grade,parentid) values(42,'南湖里B',7,6)"_s});
    MessageBoxRecorder boxes;
    EnterCell(u"南湖里"_s);
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(CandidateParents(u"南湖里"_s), (QStringList{u"6"_s, u"12"_s}));
    // 88号's path first; then the unnamed street goes directly below the road, before 碧波街.
    const QStringList roadUp = {u"上海市"_s, u"浦东新区"_s, u"张江镇"_s, u"科苑路"_s};
    EXPECT_EQ(Labels(Candidates()), roadUp + QStringList({u"<未知街>"_s, u"12号"_s, u"碧波街"_s, u"88号"_s}));
    // The last named node of each grade: 12号 for the number, 碧波街 for the street (the unnamed one
    // proposes nothing).
    EXPECT_EQ(Edits(VerifyPage()), roadUp + QStringList({u"碧波街"_s, u"12号"_s, u"南湖里"_s}));
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CellPages, EditsSurviveBackAndNextAndFollowANewName) {
    MessageBoxRecorder boxes;
    EnterCell(u"阳光小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    const QStringList built = Labels(Candidates());
    // 5002 and 5008 are read-only and out of the tab chain; the five between are the operator's.
    EXPECT_TRUE(VerifyPage().LevelEdit(1).isReadOnly());
    EXPECT_TRUE(VerifyPage().LevelEdit(7).isReadOnly());
    EXPECT_FALSE(VerifyPage().LevelEdit(1).focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(VerifyPage().LevelEdit(7).focusPolicy() & Qt::TabFocus);
    for (int grade = 2; grade <= 6; ++grade)
        EXPECT_FALSE(VerifyPage().LevelEdit(grade).isReadOnly()) << grade;

    Type(VerifyPage().LevelEdit(4), u"科苑路东段"_s);
    Candidates().setCurrentIndex(2); // choosing a candidate changes nothing
    ClickBack();
    ClickNext();
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(VerifyPage().LevelEdit(4).text(), u"科苑路东段"_s);
    EXPECT_EQ(Labels(Candidates()), built);

    // A new name rebuilds: the unnamed street leaves the street proposal of the last build.
    ClickBack();
    EnterCell(u"月亮湾"_s); // its inner-tree question is answered Yes
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(Labels(Candidates()), AboveUnnamed);
    EXPECT_EQ(Edits(VerifyPage()), (QStringList{u"上海市"_s, u"浦东新区"_s, u"张江镇"_s, u"科苑路"_s,
                                                u"碧波街"_s, u"12号"_s, u"月亮湾"_s}));

    // A name without candidates: an empty list, the proposals of the builds before, the new name.
    ClickBack();
    EnterCell(u"无此小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(Candidates().count(), 0);
    EXPECT_EQ(Edits(VerifyPage()), (QStringList{u"上海市"_s, u"浦东新区"_s, u"张江镇"_s, u"科苑路"_s,
                                                u"碧波街"_s, u"12号"_s, u"无此小区"_s}));
    EXPECT_EQ(boxes.Count(), 1); // the question for 月亮湾 only
}

TEST_P(CellPages, FirstBuildWithoutCandidatesShowsOnlyTheCityAndTheCell) {
    MessageBoxRecorder boxes;
    EnterCell(u"无此小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(Candidates().count(), 0);
    EXPECT_EQ(Edits(VerifyPage()), (QStringList{u"上海市"_s, {}, {}, {}, {}, {}, u"无此小区"_s}));
    EXPECT_EQ(boxes.Count(), 0);
}

// Of several top-level nodes the city is the first by id (上海市), not the first by name (一城市).
TEST_P(CellPages, TheCityProposedWithoutCandidatesIsTheFirstTopLevelNodeById) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(50,'一城市',1,0)"_s});
    MessageBoxRecorder boxes;
    EnterCell(u"无此小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    EXPECT_EQ(VerifyPage().LevelEdit(1).text(), u"上海市"_s);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CellPages, QuotesAndWildcardsInTheNameMatchOnlyThemselves) {
    MessageBoxRecorder boxes;
    const struct {
        QString name;
        QStringList labels;
    } cases[] = {
        {u"O'Brien"_s, AboveBibo + QStringList{u"88号"_s}},
        {u"100%"_s, AboveBibo + QStringList{u"99号"_s}}, // not 100X花园
        {u"A_B"_s, AboveBibo + QStringList{u"88号"_s}},  // not AxB苑
    };
    for (const auto& c : cases) {
        if (!OnCellNamePage())
            ClickBack();
        EnterCell(c.name);
        ASSERT_TRUE(OnVerifyPage()) << c.name.toStdString();
        EXPECT_EQ(Labels(Candidates()), c.labels) << c.name.toStdString();
        EXPECT_EQ(VerifyPage().LevelEdit(7).text(), c.name);
    }
    EXPECT_EQ(boxes.Count(), 0);
}

TEST_P(CellPages, AFailingPathIsReportedOnceAndThePageStaysUsable) {
    // A loop above a cell: the path query fails.
    Database().Load({u"insert into addr (id,name,grade,parentid) values(31,'环',6,32)"_s,
                     u"insert into addr (id,name,grade,parentid) values(32,'环',5,31)"_s,
                     u"insert into addr (id,name,grade,parentid) values(33,'环形小区',7,31)"_s});
    MessageBoxRecorder boxes;
    EnterCell(u"环形小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADORecordset Error"_s)) << boxes.Last().text.toStdString();
    EXPECT_EQ(Candidates().count(), 0);
    EXPECT_EQ(Edits(VerifyPage()), (QStringList{u"上海市"_s, {}, {}, {}, {}, {}, u"环形小区"_s}));
    EXPECT_TRUE(Wizard().NextButton().isEnabled());
    EXPECT_TRUE(Wizard().BackButton().isEnabled());
}

TEST_P(CellPages, AMissingTableIsReportedOncePerReadingAndTheWizardGoesOn) {
    Database().Native().exec(u"drop table addr"_s);
    MessageBoxRecorder boxes;
    // Page 1: the failed count is reported by the database object alone, and reads as 0.
    EXPECT_EQ(DlgGetCellName::CountInnerNodes(u"阳光小区"_s), 0);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADODatabase Error"_s));
    boxes.Clear();

    EnterCell(u"阳光小区"_s);
    ASSERT_TRUE(OnVerifyPage());
    // The count, then page 2's two readings (candidates and city): each once.
    ASSERT_EQ(boxes.Count(), 3);
    EXPECT_TRUE(boxes.Boxes()[0].text.startsWith(u"CADODatabase Error"_s));
    EXPECT_TRUE(boxes.Boxes()[1].text.startsWith(u"CADORecordset Error"_s));
    EXPECT_TRUE(boxes.Boxes()[2].text.startsWith(u"CADORecordset Error"_s));
    EXPECT_EQ(Candidates().count(), 0);
    EXPECT_EQ(VerifyPage().LevelEdit(7).text(), u"阳光小区"_s);
    EXPECT_TRUE(Wizard().NextButton().isEnabled());
}

INSTANTIATE_BACKENDS(CellPages);

// SQLite keeps a text in an integer column: a parent id that is no number fails to convert while
// the candidates are read.
TEST(CellPagesOnSQLite, AValueThatFailsToConvertIsReportedOnceAndKeepsWhatWasRead) {
    TestDatabase database;
    database.Load(AddressTree);
    database.Native().exec(u"insert into addr (id,name,grade,parentid) values(40,'坏小区',7,'abc')"_s);
    AttachedDatabase attached(database);
    WizardUnderTest wizard;
    ASSERT_TRUE(wizard.ShowActive());
    MessageBoxRecorder boxes;
    Type(wizard.CellNamePage().CellNameEdit(), u"坏小区"_s);
    wizard.ClickNext();
    ASSERT_EQ(wizard.CurrentPage(), &wizard.VerifyPage());
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(boxes.Last().text.startsWith(u"CADORecordset Error"_s)) << boxes.Last().text.toStdString();
    EXPECT_EQ(Edits(wizard.VerifyPage()), (QStringList{u"上海市"_s, {}, {}, {}, {}, {}, u"坏小区"_s}));
}

// Without any top-level node the city cannot be named: the reading says so once and the edit stays
// empty.
TEST(CellPagesOnSQLite, NoTopLevelNodeLeavesTheCityEmpty) {
    TestDatabase database;
    AttachedDatabase attached(database);
    WizardUnderTest wizard;
    ASSERT_TRUE(wizard.ShowActive());
    MessageBoxRecorder boxes;
    Type(wizard.CellNamePage().CellNameEdit(), u"阳光小区"_s);
    wizard.ClickNext();
    ASSERT_EQ(wizard.CurrentPage(), &wizard.VerifyPage());
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(Edits(wizard.VerifyPage()), (QStringList{{}, {}, {}, {}, {}, {}, u"阳光小区"_s}));
}

// The outline is drawn, not spelled: an item's icon and label start its indentation further right,
// and the label text stays the node's name.
TEST(CandidateOutline, TheCandidateListDrawsTheIndentation) {
    QComboBox combo;
    auto* delegate = new IndentedItemDelegate(&combo);
    combo.setItemDelegate(delegate);
    QPixmap square(16, 16);
    square.fill(Qt::black);
    combo.addItem(QIcon(square), u"上海市"_s);
    combo.addItem(QIcon(square), u"88号"_s);
    combo.setItemData(0, 0, IndentedItemDelegate::IndentRole);
    combo.setItemData(1, 10, IndentedItemDelegate::IndentRole);

    auto firstInkColumn = [&](int row) {
        QImage image(300, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&combo);
        option.rect = image.rect();
        option.decorationSize = QSize(16, 16);
        delegate->paint(&painter, option, combo.model()->index(row, 0));
        painter.end();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    return x;
        return -1;
    };
    EXPECT_GE(firstInkColumn(0), 0);
    EXPECT_LT(firstInkColumn(0), 10);
    EXPECT_GE(firstInkColumn(1), 100);
    EXPECT_EQ(combo.itemText(1), u"88号"_s);
    EXPECT_GE(delegate->sizeHint(QStyleOptionViewItem(), combo.model()->index(1, 0)).width(), 100);
}

} // namespace
