// The whole wizard on a real database, from the cell name to Finish: the result pages show what
// the split pages make of the cell's addresses, and Finish writes exactly those trees. A Finish
// whose commit fails keeps the wizard on the last page with the database as it was; the next
// Finish succeeds.
#include "wizard/DlgRun.h"
#include "wizard/WaitStatusLine.h"
#include "platform/dataaccess/DatabaseWait.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TreeDescription.h"
#include "tests/support/WizardOnDatabase.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

// A cell with its path, three DPs, a standard address on a DP's telephone number and one unlinked
// standard address of the cell.
const QStringList CellRows = {
    u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
    u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s,
    u"insert into addr (id,name,grade,parentid) values(3,'中关村镇',3,2)"_s,
    u"insert into addr (id,name,grade,parentid) values(4,'学院路',4,3)"_s,
    u"insert into addr (id,name,grade,parentid) values(5,'知春街',5,4)"_s,
    u"insert into addr (id,name,grade,parentid) values(6,'5号',6,5)"_s,
    u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s,
    u"insert into dpaddr97 (num,addr) values('DP1','北京市阳光小区1栋2单元')"_s,
    u"insert into dpaddr97 (num,addr) values('DP2','阳光小区1栋3单元')"_s,
    u"insert into dpaddr97 (num,addr) values('DP3','阳光小区2栋1单元')"_s,
    u"insert into telnum_dp97 (telnum,dpid) values('T1','DP1')"_s,
    u"insert into addr (id,name,grade,parentid) values(201,'学院路5号301室',7,6)"_s,
    u"insert into addr_ref (stdaddrid,oldid,refflag) values(201,'T1',0)"_s,
    u"insert into addr (id,name,grade,parentid) values(100,'阳光小区1栋4单元',7,6)"_s,
    u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T9',0)"_s,
};

class ResultPagesWizard : public WizardOnDatabase {
protected:
    QStringList Fixture() const override { return CellRows; }

    // Name the cell, take the proposed path, split both pages' addresses with 栋 / 元, arrive on
    // the last page.
    void WalkToTheLastPage() {
        Type(Wizard().CellNamePage().CellNameEdit(), u"阳光小区"_s);
        ClickNext();
        ClickNext(); // the proposed path
        ASSERT_EQ(Wizard().CurrentPage(), &Wizard().DpSplit());
        Type(Wizard().DpSplit().LevelEdit(1), u"栋"_s);
        Type(Wizard().DpSplit().LevelEdit(2), u"元"_s);
        ClickNext();
        ASSERT_EQ(Wizard().CurrentPage(), &Wizard().DpResult());
        EXPECT_EQ(Describe(Wizard().DpResult().GetTreeCtrl()->topLevelItem(0)),
                  u"阳光小区:0{1栋:0{2单元:1 3单元:2} 2栋:0{1单元:3}}"_s);
        ClickNext();
        ASSERT_EQ(Wizard().CurrentPage(), &Wizard().AddrSplit());
        Type(Wizard().AddrSplit().LevelEdit(1), u"栋"_s);
        Type(Wizard().AddrSplit().LevelEdit(2), u"元"_s);
        ClickNext();
        ASSERT_EQ(Wizard().CurrentPage(), &Wizard().AddrResult());
        EXPECT_EQ(Describe(Wizard().AddrResult().GetTreeCtrl()->topLevelItem(0)),
                  u"阳光小区:0{1栋:0{4单元:1}}"_s);
        EXPECT_EQ(Wizard().NextButton().text(), u"完成(&F)"_s);
    }

    // The subtree below a node: name:grade, its links (oldid/refflag, sorted), children by id.
    QString InnerTree(const QString& nodeId) {
        QStringList parts;
        for (const QStringList& row :
             Database().Rows(u"select id,name,grade from addr where parentid=%1 order by id"_s.arg(nodeId))) {
            QString part = row[1] + u':' + row[2];
            QStringList links;
            for (const QStringList& link :
                 Database().Rows(u"select oldid,refflag from addr_ref where stdaddrid=%1"_s.arg(row[0])))
                links << link[0] + u'/' + link[1];
            links.sort();
            if (!links.isEmpty())
                part += u'[' + links.join(u' ') + u']';
            const QString below = InnerTree(row[0]);
            if (!below.isEmpty())
                part += u'{' + below + u'}';
            parts << part;
        }
        return parts.join(u' ');
    }

    MessageBoxRecorder m_boxes;
};

const QString ExpectedInnerTree =
    u"1栋:8{2单元:9[DP1/1]{301:10[T1/0]} 3单元:9[DP2/1] 4单元:9[T9/0]} 2栋:8{1单元:9[DP3/1]}"_s;

TEST_P(ResultPagesWizard, FinishWritesTheTreesThePagesShowed) {
    WalkToTheLastPage();
    ClickNext(); // Finish
    EXPECT_EQ(Wizard().result(), IDOK);
    EXPECT_FALSE(Wizard().isVisible());
    EXPECT_EQ(Wizard().m_strResultID, u"7"_s);
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where id=100"_s), (QList<QStringList>{{u"0"_s}}));
    EXPECT_EQ(m_boxes.Count(), 0);
}

TEST_P(ResultPagesWizard, FailedFinishStaysOnTheLastPageAndTheNextFinishSucceeds) {
    WalkToTheLastPage();
    const QStringList reject =
        GetParam() == Backend::SQLite
            ? QStringList{u"create trigger reject_one before delete on addr when old.id=100 "
                          u"begin select raise(abort, 'rejected'); end"_s}
            : QStringList{u"create function reject_one() returns trigger language plpgsql as "
                          u"$$ begin raise exception 'rejected'; end $$"_s,
                          u"create trigger reject_one before delete on addr for each row when (old.id=100) "
                          u"execute function reject_one()"_s};
    for (const QString& statement : reject) {
        QSqlQuery query(Database().Native());
        ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
    }
    const auto before = Database().Rows(u"select id,name,grade,parentid from addr order by id"_s);

    ClickNext(); // Finish
    EXPECT_TRUE(Wizard().isVisible());
    EXPECT_EQ(Wizard().CurrentPage(), &Wizard().AddrResult());
    EXPECT_TRUE(Wizard().NextButton().isEnabled());
    EXPECT_EQ(Wizard().m_strResultID, u"7"_s);
    EXPECT_EQ(m_boxes.Count(), 1);
    EXPECT_EQ(Database().Rows(u"select id,name,grade,parentid from addr order by id"_s), before);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr_ref where refflag=1"_s),
              (QList<QStringList>{{u"0"_s}}));

    QSqlQuery drop(Database().Native());
    ASSERT_TRUE(drop.exec(GetParam() == Backend::SQLite ? u"drop trigger reject_one"_s
                                                        : u"drop trigger reject_one on addr"_s));
    ClickNext(); // Finish again
    EXPECT_EQ(Wizard().result(), IDOK);
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
}

// Another operator's Finish replaced the unlinked address after page 5 loaded it: Finish writes
// the rest, leaves that address alone, and says so before the wizard closes.
TEST_P(ResultPagesWizard, FinishThatLeftOutChangedAddressesSaysSo) {
    WalkToTheLastPage();
    for (const QString& statement : {u"delete from addr_ref where stdaddrid=100"_s, u"delete from addr where id=100"_s}) {
        QSqlQuery query(Database().Native());
        ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
    }
    ClickNext(); // Finish
    EXPECT_EQ(Wizard().result(), IDOK);
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.Last().text.startsWith(u"有1项地址在页面加载后被其他操作员的完成改动，未写入"_s))
        << m_boxes.Last().text.toStdString();
    EXPECT_EQ(InnerTree(u"7"_s), u"1栋:8{2单元:9[DP1/1]{301:10[T1/0]} 3单元:9[DP2/1]} 2栋:8{1单元:9[DP3/1]}"_s);
}

// Another writer holds the SQLite file when Finish is pressed: while Finish waits, a line left of
// the buttons says so (with the wait cursor); once the writer is done, Finish writes and the line
// is gone.
TEST_P(ResultPagesWizard, FinishThatWaitsForAnotherWriterSaysSo) {
    if (GetParam() != Backend::SQLite)
        GTEST_SKIP() << "one writer holding the whole file is SQLite's";
    WalkToTheLastPage();
    std::promise<void> held;
    std::promise<void> release;
    std::thread writer([&, path = Database().Url().mid(7)] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other-writer"_s);
            db.setDatabaseName(path);
            db.open();
            QSqlQuery query(db);
            query.exec(u"begin immediate"_s);
            held.set_value();
            release.get_future().wait_for(std::chrono::seconds(20));
            query.exec(u"commit"_s);
        }
        QSqlDatabase::removeDatabase(u"other-writer"_s);
    });
    held.get_future().wait();
    struct Seen {
        bool visible = false;
        QString text;
        Qt::CursorShape cursor = Qt::ArrowCursor;
    };
    std::vector<Seen> seen;
    auto previous = dataaccess::DatabaseWait::SetObserver([&](bool waiting) {
        const QLabel* line = Wizard().findChild<QLabel*>(QString::fromLatin1(WaitStatusLine::ObjectName));
        seen.push_back({line && line->isVisible(), line ? line->text() : QString(),
                        QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor});
        if (waiting && seen.size() == 1)
            release.set_value(); // the other writer is done once the operator was told
    });
    ClickNext(); // Finish
    dataaccess::DatabaseWait::SetObserver(std::move(previous));
    writer.join();

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].visible);
    EXPECT_EQ(seen[0].text, u"正在等待其他用户写完数据库……"_s);
    EXPECT_EQ(seen[0].cursor, Qt::WaitCursor);
    EXPECT_FALSE(seen[1].visible);
    EXPECT_EQ(Wizard().result(), IDOK);
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
    EXPECT_EQ(m_boxes.Count(), 0);
}

INSTANTIATE_BACKENDS(ResultPagesWizard);

} // namespace
