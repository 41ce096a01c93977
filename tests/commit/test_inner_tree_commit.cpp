// The commit on real databases: the cell's path, both trees merged below the cell with their links,
// the moved and the replaced standard addresses, a second run that writes nothing, quotes in texts,
// and failures that leave the database as it was before the transaction.
#include "InnerTreeCommit.h"

#include "TestSupport.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

std::vector<AddressEntry> Entries(std::initializer_list<AddressEntry> entries) {
    return entries;
}

const CellPathNames ExistingPath = {u"北京市"_s, u"海淀区"_s, QString(),    u"学院路"_s,
                                    QString(),   u"5号"_s,    u"阳光小区"_s};

// The cell's path (ids 1 to 7, two levels without a name), telephone numbers on DPs, and standard
// addresses linked to them: some on the cell's DPs (to be moved), some not.
QStringList Fixture() {
    return {
        u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
        u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s,
        u"insert into addr (id,name,grade,parentid) values(3,null,3,2)"_s,
        u"insert into addr (id,name,grade,parentid) values(4,'学院路',4,3)"_s,
        u"insert into addr (id,name,grade,parentid) values(5,null,5,4)"_s,
        u"insert into addr (id,name,grade,parentid) values(6,'5号',6,5)"_s,
        u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s,
        // Standard addresses of the cell's DPs' telephone numbers, and one of another DP.
        u"insert into addr (id,name,grade,parentid) values(201,'学院路5号301室',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(202,'3-2-101',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(203,'A座12号',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(204,'一单元',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(207,'远方9号',7,6)"_s,
        // Unlinked standard addresses of the cell (the address page's entries).
        u"insert into addr (id,name,grade,parentid) values(100,'阳光小区1栋4单元',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(101,'阳光小区1栋2单元',7,6)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(201,'T1',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(202,'T2',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(203,'T3',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(204,'T4',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(207,'T7',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T9',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T10',0)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(101,'T8',0)"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T1','DP1')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T2','DP1')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T3','DP2')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T4','DP3')"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T7','DP9')"_s,
    };
}

// A "DP" numbered like the telephone number T1, with a standard address on it: a reading of the
// cell's subtree that saw the moved address 201 (whose link is T1) would move 206 below 201 in the
// same run. The next run does move it, since 201 is then part of the subtree.
QStringList SubtreeCoincidence() {
    return {
        u"insert into addr (id,name,grade,parentid) values(206,'X楼9号',7,6)"_s,
        u"insert into addr_ref (stdaddrid,oldid,refflag) values(206,'T6',0)"_s,
        u"insert into telnum_dp97 (telnum,dpid) values('T6','T1')"_s,
    };
}

// What the wizard hands over for the fixture: both pages split with 栋 / 元.
struct Inputs {
    std::vector<AddressEntry> dpEntries = Entries({
        {u"1栋2单元", u"DP1", 0},
        {u"1栋3单元", u"DP2", 0},
        {u"2栋1单元", u"DP3", 0},
        {u"1栋2单元", u"DP4", 0}, // same path as DP1: only DP1 is linked
        {u"无法拆分", u"DP5", 0}, // no pattern takes it
    });
    std::vector<AddressEntry> addrEntries = Entries({
        {u"1栋4单元", u"T9", 100}, {u"1栋2单元", u"T8", 101}, // lands on the DP tree's node
    });
    SplitPatternSet patterns = BuildPatternSet({{u"栋", u"元"}});
    ResultTree dpTree;
    ResultTree addrTree;

    explicit Inputs(std::u16string_view cell = u"阳光小区") { Rebuild(cell); }
    void Rebuild(std::u16string_view cell) {
        dpTree = BuildResultTree(cell, dpEntries, patterns);
        addrTree = BuildResultTree(cell, addrEntries, patterns);
    }
    InnerTreeCommit Commit(const CellPathNames& path = ExistingPath) const {
        return InnerTreeCommit(path, dpTree, dpEntries, addrTree, addrEntries);
    }
};

// Both trees merged, the DP addresses moved below the nodes of their DPs (一单元 has no ASCII run and
// stays, 206 and 207 are not on the cell's DPs), the unlinked addresses replaced by inner nodes.
const QString ExpectedInnerTree =
    u"1栋:8{2单元:9[DP1/1 T8/0]{301:10[T1/0] 3-2-101:10[T2/0]} 3单元:9[DP2/1]{12:10[T3/0]} 4单元:9[T9/0]} "
    u"2栋:8{1单元:9[DP3/1]}"_s;

class InnerTreeCommitTest : public BackendTest {
protected:
    // The subtree below a node: name:grade, the node's links (oldid/refflag, sorted), children by id.
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

    // Everything the commit may touch, in a fixed order.
    QList<QStringList> Snapshot() {
        QList<QStringList> rows = Database().Rows(u"select id,name,grade,parentid from addr order by id"_s);
        QList<QStringList> links = Database().Rows(u"select stdaddrid,oldid,refflag from addr_ref"_s);
        std::sort(links.begin(), links.end());
        return rows + QList<QStringList>{{u"--"_s}} + links;
    }

    QStringList Row(const QString& statement) {
        const auto rows = Database().Rows(statement);
        return rows.isEmpty() ? QStringList() : rows.first();
    }

    // A trigger that makes the database reject one statement of the commit.
    void AddRejectingTrigger(const QString& event, const QString& table, const QString& condition) {
        QStringList ddl;
        if (GetParam() == Backend::SQLite) {
            ddl << u"create trigger reject_one before %1 on %2 when %3 begin select raise(abort, 'rejected'); end"_s
                       .arg(event, table, condition);
        } else {
            ddl << u"create or replace function reject_one() returns trigger language plpgsql as "
                   u"$$ begin raise exception 'rejected'; end $$"_s
                << u"create trigger reject_one before %1 on %2 for each row when (%3) execute function reject_one()"_s
                       .arg(event, table, condition);
        }
        for (const QString& statement : ddl) {
            QSqlQuery query(Database().Native());
            ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
        }
        m_triggerTable = table;
    }
    void DropRejectingTrigger() {
        QSqlQuery query(Database().Native());
        const QString drop = GetParam() == Backend::SQLite
                                 ? u"drop trigger reject_one"_s
                                 : u"drop trigger reject_one on %1"_s.arg(m_triggerTable);
        ASSERT_TRUE(query.exec(drop)) << query.lastError().text().toStdString();
    }

    void NativeExec(const QString& statement) {
        QSqlQuery query(Database().Native());
        ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
    }

    MessageBoxRecorder m_boxes;
    QString m_triggerTable;
};

TEST_P(InnerTreeCommitTest, WritesBothTreesLinksMovesAndReplaces) {
    Database().Load(Fixture() + SubtreeCoincidence());
    AttachedDatabase attached(Database());
    Inputs inputs;
    InnerTreeCommit commit = inputs.Commit();

    ASSERT_TRUE(commit.CommitInnerTree());
    EXPECT_EQ(commit.ResultId(), u"7"_s);
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);

    // The path existed: nothing was added above the cell.
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where grade<7 or id=7"_s),
              (QList<QStringList>{{u"7"_s}}));
    // Not moved: no ASCII run; on a DP of another cell; on a "DP" only a link moved meanwhile names.
    EXPECT_EQ(Row(u"select name,grade,parentid from addr where id=204"_s),
              (QStringList{u"一单元"_s, u"7"_s, u"6"_s}));
    EXPECT_EQ(Row(u"select name,grade,parentid from addr where id=206"_s),
              (QStringList{u"X楼9号"_s, u"7"_s, u"6"_s}));
    EXPECT_EQ(Row(u"select name,grade,parentid from addr where id=207"_s),
              (QStringList{u"远方9号"_s, u"7"_s, u"6"_s}));
    // The replaced addresses are gone with every link they had.
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where id in (100,101)"_s),
              (QList<QStringList>{{u"0"_s}}));
    EXPECT_EQ(Database().Rows(u"select count(*) from addr_ref where stdaddrid in (100,101)"_s),
              (QList<QStringList>{{u"0"_s}}));
}

TEST_P(InnerTreeCommitTest, SecondCommitWritesNothingNew) {
    Database().Load(Fixture());
    AttachedDatabase attached(Database());
    Inputs inputs;
    ASSERT_TRUE(inputs.Commit().CommitInnerTree());
    const auto after = Snapshot();

    InnerTreeCommit again = inputs.Commit();
    ASSERT_TRUE(again.CommitInnerTree());
    EXPECT_EQ(again.ResultId(), u"7"_s);
    EXPECT_EQ(Snapshot(), after);
    EXPECT_EQ(m_boxes.Count(), 0);
}

// A path with levels without a name and a quote in a name is created once and found again.
TEST_P(InnerTreeCommitTest, CreatesTheMissingPathAndFindsItAgain) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
                     u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s});
    AttachedDatabase attached(Database());
    const CellPathNames path = {u"北京市"_s, u"海淀区"_s, QString(),     u"O'Neil路"_s,
                                QString(),   u"5号"_s,    u"王'家小区"_s};
    Inputs inputs(u"王'家小区");
    inputs.dpEntries = Entries({{u"O'栋1单元", u"D'1", 0}});
    inputs.addrEntries.clear();
    inputs.Rebuild(u"王'家小区");

    InnerTreeCommit commit = inputs.Commit(path);
    ASSERT_TRUE(commit.CommitInnerTree());
    EXPECT_EQ(m_boxes.Count(), 0);
    const QString cellId = commit.ResultId();
    ASSERT_NE(cellId, u"0"_s);

    // Climb from the cell to the top: each level below the one before, with its grade; the empty
    // levels hold null.
    QStringList climbed;
    QString id = cellId;
    while (id != u"0"_s) {
        const QStringList row = Row(u"select name,grade,parentid from addr where id=%1"_s.arg(id));
        ASSERT_EQ(row.size(), 3);
        climbed.prepend(row[0] + u':' + row[1]);
        id = row[2];
    }
    EXPECT_EQ(climbed, (QStringList{u"北京市:1"_s, u"海淀区:2"_s, u"NULL:3"_s, u"O'Neil路:4"_s, u"NULL:5"_s,
                                    u"5号:6"_s, u"王'家小区:7"_s}));
    EXPECT_EQ(InnerTree(cellId), u"O'栋:8{1单元:9[D'1/1]}"_s);

    const auto after = Snapshot();
    InnerTreeCommit again = inputs.Commit(path);
    ASSERT_TRUE(again.CommitInnerTree());
    EXPECT_EQ(again.ResultId(), cellId);
    EXPECT_EQ(Snapshot(), after);
}

// Both trees empty of items (no patterns): only the path is made, and the commit succeeds.
TEST_P(InnerTreeCommitTest, TreesWithOnlyTheRootWriteNothingBelowTheCell) {
    Database().Load(Fixture());
    AttachedDatabase attached(Database());
    Inputs inputs;
    inputs.patterns = SplitPatternSet{};
    inputs.Rebuild(u"阳光小区");
    const auto before = Snapshot();
    InnerTreeCommit commit = inputs.Commit();
    ASSERT_TRUE(commit.CommitInnerTree());
    EXPECT_EQ(commit.ResultId(), u"7"_s);
    EXPECT_EQ(Snapshot(), before);
}

struct Rejection {
    const char* name;
    const char16_t* event;
    const char16_t* table;
    const char16_t* condition;
};

// Each statement kind of the transaction in turn is rejected by the database.
const Rejection Rejections[] = {
    {"InnerNodeInsert", u"insert", u"addr", u"new.name='2栋'"},
    {"DpLinkInsert", u"insert", u"addr_ref", u"new.oldid='DP3'"},
    {"Reparenting", u"update", u"addr", u"new.name='12'"},
    {"TelLinkInsert", u"insert", u"addr_ref", u"new.oldid='T9'"},
    {"OldAddressDelete", u"delete", u"addr", u"old.id=101"},
    {"OldLinksDelete", u"delete", u"addr_ref", u"old.stdaddrid=100"},
};

TEST_P(InnerTreeCommitTest, RejectedStatementRollsBackEverythingAndARetrySucceeds) {
    for (const Rejection& rejection : Rejections) {
        SCOPED_TRACE(rejection.name);
        BackendTest::TearDown();
        BackendTest::SetUp();
        Database().Load(Fixture());
        AddRejectingTrigger(QString::fromUtf16(rejection.event), QString::fromUtf16(rejection.table),
                            QString::fromUtf16(rejection.condition));
        AttachedDatabase attached(Database());
        Inputs inputs;
        const auto before = Snapshot();
        m_boxes.Clear();

        InnerTreeCommit commit = inputs.Commit();
        EXPECT_FALSE(commit.CommitInnerTree());
        EXPECT_EQ(commit.ResultId(), u"7"_s);
        EXPECT_EQ(Snapshot(), before);
        // The walk stops at the rejected statement: its box is the only one.
        ASSERT_EQ(m_boxes.Count(), 1);
        EXPECT_TRUE(m_boxes.Last().text.startsWith(u"CADODatabase Error"_s))
            << m_boxes.Last().text.toStdString();

        DropRejectingTrigger();
        m_boxes.Clear();
        InnerTreeCommit retry = inputs.Commit();
        EXPECT_TRUE(retry.CommitInnerTree());
        EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
        EXPECT_EQ(m_boxes.Count(), 0);
    }
}

// The path cannot even be looked up: the commit answers false with the result id "0" and nothing
// escapes; once the table is back, Finish works.
TEST_P(InnerTreeCommitTest, FailingPathLookupEndsWithFalse) {
    Database().Load(Fixture());
    AttachedDatabase attached(Database());
    Inputs inputs;
    NativeExec(u"alter table addr rename to addr_away"_s);

    InnerTreeCommit commit = inputs.Commit();
    EXPECT_FALSE(commit.CommitInnerTree());
    EXPECT_EQ(commit.ResultId(), u"0"_s);
    EXPECT_GE(m_boxes.Count(), 1);

    NativeExec(u"alter table addr_away rename to addr"_s);
    InnerTreeCommit retry = inputs.Commit();
    EXPECT_TRUE(retry.CommitInnerTree());
    EXPECT_EQ(retry.ResultId(), u"7"_s);
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
}

// Nodes made for the path before a failed transaction stay, and the next Finish finds them.
TEST_P(InnerTreeCommitTest, PathMadeBeforeAFailedTransactionIsFoundByTheRetry) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s});
    AddRejectingTrigger(u"insert"_s, u"addr_ref"_s, u"new.oldid='DP1'"_s);
    AttachedDatabase attached(Database());
    Inputs inputs;
    CellPathNames path = ExistingPath;

    InnerTreeCommit commit = inputs.Commit(path);
    EXPECT_FALSE(commit.CommitInnerTree());
    const QString cellId = commit.ResultId();
    ASSERT_NE(cellId, u"0"_s);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr"_s), (QList<QStringList>{{u"7"_s}}));

    DropRejectingTrigger();
    InnerTreeCommit retry = inputs.Commit(path);
    EXPECT_TRUE(retry.CommitInnerTree());
    EXPECT_EQ(retry.ResultId(), cellId);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where grade<8"_s), (QList<QStringList>{{u"7"_s}}));
}

INSTANTIATE_BACKENDS(InnerTreeCommitTest);

} // namespace
