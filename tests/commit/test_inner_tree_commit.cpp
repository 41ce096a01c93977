// The commit on real databases: the cell's path, both trees merged below the cell with their links,
// the moved and the replaced standard addresses, a second run that writes nothing, quotes in texts,
// and failures that leave the database as it was before the transaction.
#include "commit/InnerTreeCommit.h"
#include "tests/commit/CommitFixture.h"

#include "tests/support/TestSupport.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace CommitFixture;

// Both trees merged, the DP addresses moved below the nodes of their DPs (一单元 has no ASCII run and
// stays, 206 and 207 are not on the cell's DPs), the unlinked addresses replaced by inner nodes that
// carry all their links (100's second number T10 too).
const QString ExpectedInnerTree =
    u"1栋:8{2单元:9[DP1/1 T8/0]{301:10[T1/0] 3-2-101:10[T2/0]} 3单元:9[DP2/1]{12:10[T3/0]} 4单元:9[T10/0 T9/0]} "
    u"2栋:8{1单元:9[DP3/1]}"_s;

class InnerTreeCommitTest : public BackendTest {
protected:
    QString InnerTree(const QString& nodeId) { return CommitFixture::InnerTree(Database(), nodeId); }
    QList<QStringList> Snapshot() { return CommitFixture::Snapshot(Database()); }

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

// The cell as the caller found it is taken only while it is still there with its name and parent;
// else the commit finds (or makes) the cell by the path's names, and the found node gets nothing.
struct FoundCellCase {
    const char* what;
    QStringList meanwhile;
    bool taken;
};

TEST_P(InnerTreeCommitTest, FoundCellIsTakenOnlyWhileItIsWhereItWasFound) {
    const FoundCellCase cases[] = {
        {"as found", {}, true},
        {"renamed", {u"update addr set name='月光小区' where id=7"_s}, false},
        {"below another parent",
         {u"insert into addr (id,name,grade,parentid) values(8,'6号',6,5)"_s, u"update addr set parentid=8 where id=7"_s},
         false},
        {"gone", {u"delete from addr where id=7"_s}, false},
    };
    for (const FoundCellCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase database(GetParam());
        database.Load(Fixture() + SubtreeCoincidence() + c.meanwhile);
        AttachedDatabase attached(database);
        Inputs inputs;
        InnerTreeCommit commit = inputs.Commit();
        commit.SetFoundCell(7, 6);
        ASSERT_TRUE(commit.CommitInnerTree());
        EXPECT_EQ(commit.ResultId() == u"7"_s, c.taken);
        EXPECT_EQ(database.Rows(u"select name,parentid from addr where id=%1"_s.arg(commit.ResultId())),
                  (QList<QStringList>{{u"阳光小区"_s, u"6"_s}}));
        EXPECT_EQ(CommitFixture::InnerTree(database, commit.ResultId()), ExpectedInnerTree);
        if (!c.taken) {
            EXPECT_EQ(CommitFixture::InnerTree(database, u"7"_s), QString());
        }
        EXPECT_EQ(m_boxes.Count(), 0);
    }
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

// A replaced address hands every link on to its new node before it goes, a DP link among them,
// and a number the new node already has is not written twice.
TEST_P(InnerTreeCommitTest, ReplacedAddressesCarryEveryLinkOnce) {
    Database().Load(Fixture() + QStringList{u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'DP9',1)"_s,
                                            u"insert into addr_ref (stdaddrid,oldid,refflag) values(101,'DP1',1)"_s});
    AttachedDatabase attached(Database());
    Inputs inputs;
    const CommitOutcome outcome = inputs.Commit().Run(CommitMode::Write);
    ASSERT_TRUE(outcome.ok) << outcome.failure.toStdString();
    EXPECT_EQ(outcome.stats.linksCarried, 2);
    EXPECT_EQ(InnerTree(u"7"_s),
              u"1栋:8{2单元:9[DP1/1 T8/0]{301:10[T1/0] 3-2-101:10[T2/0]} 3单元:9[DP2/1]{12:10[T3/0]} "
              u"4单元:9[DP9/1 T10/0 T9/0]} 2栋:8{1单元:9[DP3/1]}"_s);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr_ref where stdaddrid in (100,101)"_s),
              (QList<QStringList>{{u"0"_s}}));
}

struct DryRunCase {
    const char* name;
    bool wholePath;      // the fixture's path and addresses, else only 北京市 and 海淀区
    bool addressTree;    // the address page's entries too
    CommitStats expected;
};

// A dry run counts exactly what the same Finish then writes, and writes nothing itself, the path
// included.
const DryRunCase DryRunCases[] = {
    {"ExistingPath", true, true, {.nodesNew = 6, .linksNew = 5, .moved = 3, .replaced = 2, .linksCarried = 1}},
    {"PathToMake", false, false, {.nodesNew = 10, .linksNew = 3, .pathNodesNew = 5}},
};

TEST_P(InnerTreeCommitTest, DryRunCountsWhatFinishWritesAndWritesNothing) {
    for (const DryRunCase& run : DryRunCases) {
        SCOPED_TRACE(run.name);
        BackendTest::TearDown();
        BackendTest::SetUp();
        if (run.wholePath)
            Database().Load(Fixture());
        else
            Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
                             u"insert into addr (id,name,grade,parentid) values(2,'海淀区',2,1)"_s});
        AttachedDatabase attached(Database());
        Inputs inputs;
        if (!run.addressTree) {
            inputs.addrEntries.clear();
            inputs.Rebuild(u"阳光小区");
        }
        const auto before = Snapshot();

        const CommitOutcome dry = inputs.Commit().Run(CommitMode::DryRun);
        EXPECT_TRUE(dry.ok) << dry.failure.toStdString();
        EXPECT_EQ(dry.stats, run.expected);
        EXPECT_EQ(Snapshot(), before);

        const CommitOutcome written = inputs.Commit().Run(CommitMode::Write);
        EXPECT_TRUE(written.ok);
        EXPECT_EQ(written.stats, run.expected);
        EXPECT_NE(written.resultId, u"0"_s);
        EXPECT_EQ(m_boxes.Count(), 0);
    }
}

// Without a window the failure comes back as the database's own words, and no box is shown.
TEST_P(InnerTreeCommitTest, QuietFailureGivesTheDatabasesText) {
    Database().Load(Fixture());
    AddRejectingTrigger(u"insert"_s, u"addr_ref"_s, u"new.oldid='DP3'"_s);
    AttachedDatabase attached(Database());
    Inputs inputs;
    const auto before = Snapshot();
    for (const CommitMode mode : {CommitMode::DryRun, CommitMode::Write}) {
        const CommitOutcome outcome = inputs.Commit().Run(mode, CommitReporting::Quiet);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.failure.contains(u"rejected"_s)) << outcome.failure.toStdString();
        // The statement sent is no part of what the operator reads, sent in a block or alone.
        EXPECT_FALSE(outcome.failure.contains(u"insert into"_s) || outcome.failure.contains(u"inline_code_block"_s))
            << outcome.failure.toStdString();
        EXPECT_EQ(Snapshot(), before);
    }
    EXPECT_EQ(m_boxes.Count(), 0);
}

// The server refuses the COMMIT itself (a deferred constraint trigger): the database layer's box
// says why, nothing is written, and Finish works again once the cause is gone.
TEST_P(InnerTreeCommitTest, RefusedCommitIsShownAndFinishCanBePressedAgain) {
    if (GetParam() != Backend::PostgreSQL)
        GTEST_SKIP() << "a COMMIT refused by a deferred trigger is PostgreSQL's";
    Database().Load(Fixture());
    NativeExec(u"create or replace function refuse_commit() returns trigger language plpgsql as "
               u"$$ begin raise exception 'commit refused'; end $$"_s);
    NativeExec(u"create constraint trigger refuse_commit after insert on addr_ref deferrable initially "
               u"deferred for each row execute function refuse_commit()"_s);
    AttachedDatabase attached(Database());
    Inputs inputs;
    const auto before = Snapshot();

    EXPECT_FALSE(inputs.Commit().CommitInnerTree());
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.Last().text.startsWith(u"CADODatabase Error"_s));
    EXPECT_TRUE(m_boxes.Last().text.contains(u"commit refused"_s)) << m_boxes.Last().text.toStdString();
    EXPECT_EQ(Snapshot(), before);

    NativeExec(u"drop trigger refuse_commit on addr_ref"_s);
    m_boxes.Clear();
    EXPECT_TRUE(inputs.Commit().CommitInnerTree());
    EXPECT_EQ(InnerTree(u"7"_s), ExpectedInnerTree);
    EXPECT_EQ(m_boxes.Count(), 0);
}

INSTANTIATE_BACKENDS(InnerTreeCommitTest);

} // namespace
