// Taking a Finish back (JournalUndo) on the commit's small fixture, on SQLite and PostgreSQL: the
// rows come back with their own ids, and each kind of later work that depends on the run makes
// undo refuse, naming the row, without changing anything.
#include "commit/CommitStatements.h"
#include "commit/FinishJournal.h"
#include "commit/JournalUndo.h"
#include "commit/Transaction.h"

#include "tests/commit/CommitFixture.h"
#include "tests/support/AttachedDatabase.h"

#include <gtest/gtest.h>

#include <functional>

using namespace CommitFixture;

namespace {

class JournalUndoTest : public BackendTest {
protected:
    // A fresh fixture database with one journaled Finish (run 1) of both trees.
    std::unique_ptr<TestDatabase> Finished() {
        auto database = std::make_unique<TestDatabase>(GetParam());
        database->Load(Fixture());
        m_start = Snapshot(*database);
        AttachedDatabase attached(*database);
        Inputs inputs;
        EXPECT_TRUE(inputs.Commit().Run(CommitMode::Write, CommitReporting::Quiet).ok);
        return database;
    }
    static QString One(TestDatabase& database, const QString& select) {
        return database.Rows(select).value(0).value(0);
    }
    static UndoOutcome Undo(TestDatabase& database, bool dryRun = false) {
        AttachedDatabase attached(database);
        return JournalUndo(1, JournalIdentity{u"tester"_s, u"here"_s, u"0"_s}).Run(dryRun);
    }

    QList<QStringList> m_start;
};

TEST_P(JournalUndoTest, GivesBackEveryRowWithItsIdAndLeavesTheSequenceOn) {
    const auto database = Finished();
    const QString lastMade = One(*database, u"select max(id) from journal_node"_s);
    ASSERT_NE(Snapshot(*database), m_start);

    const UndoOutcome checked = Undo(*database, true);
    EXPECT_EQ(checked.result, UndoOutcome::Result::Checked) << checked.message.toStdString();
    // Address 100 came back with both its links, T9 and T10.
    EXPECT_EQ(checked.replaced, 2);
    EXPECT_EQ(checked.replacedLinks, 3);
    EXPECT_EQ(checked.moved, 3);

    const UndoOutcome undone = Undo(*database);
    ASSERT_EQ(undone.result, UndoOutcome::Result::Undone) << undone.message.toStdString();
    EXPECT_EQ(Snapshot(*database), m_start);
    EXPECT_GT(One(*database, u"select seq_addr.nextval from dual"_s).toUInt(), lastMade.toUInt());
    const UndoOutcome again = Undo(*database);
    EXPECT_EQ(again.result, UndoOutcome::Result::Refused);
    EXPECT_EQ(again.message, u"run 1 was undone already"_s);
}

TEST_P(JournalUndoTest, LaterWorkOnTheRunsRowsIsRefusedByNameAndNothingChanges) {
    struct Case {
        const char* what;
        // The later change (Oracle dialect), given the id of the node 1栋 and of its child 2单元.
        std::function<QStringList(const QString& building, const QString& unit)> change;
        QString refusal; // the message's words after "run 1 cannot be undone: "
    };
    const Case cases[] = {
        {"a child below a node it made",
         [](const QString&, const QString& unit) {
             return QStringList{u"insert into addr (id,name,grade,parentid) values(900,'9室',10,%1)"_s.arg(unit)};
         },
         u"node %2 that it made has a child it did not make, node 900"_s},
        {"a link on a node it made",
         [](const QString& building, const QString&) {
             return QStringList{u"insert into addr_ref (stdaddrid,oldid,refflag) values(%1,'TX',0)"_s.arg(building)};
         },
         u"node %1 that it made has a link it did not make, to TX"_s},
        {"a node it made renamed",
         [](const QString& building, const QString&) {
             return QStringList{u"update addr set name='一栋' where id=%1"_s.arg(building)};
         },
         u"node %1 that it made has changed or is gone"_s},
        {"a link it made deleted",
         [](const QString&, const QString& unit) {
             return QStringList{u"delete addr_ref where stdaddrid=%1 and oldid='DP1'"_s.arg(unit)};
         },
         u"its link of node %2 to DP1 is gone"_s},
        {"an address it moved changed",
         [](const QString&, const QString&) { return QStringList{u"update addr set name='3O1' where id=201"_s}; },
         u"address 201 that it moved has changed since"_s},
        {"an id it deleted in use again",
         [](const QString&, const QString&) {
             return QStringList{u"insert into addr (id,name,grade,parentid) values(100,'别的',7,6)"_s};
         },
         u"id 100 of an address it replaced is in use again"_s},
        {"a link to an id it deleted",
         [](const QString&, const QString&) {
             return QStringList{u"insert into addr_ref (stdaddrid,oldid,refflag) values(101,'T99',0)"_s};
         },
         u"id 101 of an address it replaced is in use again"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto database = Finished();
        const QString building = One(*database, u"select id from addr where parentid=7 and name='1栋'"_s);
        const QString unit = One(*database, u"select id from addr where parentid=%1 and name='2单元'"_s.arg(building));
        database->Load(c.change(building, unit));
        const auto before = Snapshot(*database);
        for (bool dryRun : {true, false}) {
            const UndoOutcome outcome = Undo(*database, dryRun);
            EXPECT_EQ(outcome.result, UndoOutcome::Result::Refused) << outcome.message.toStdString();
            EXPECT_EQ(outcome.message, u"run 1 cannot be undone: "_s +
                                           QString(c.refusal).replace(u"%1"_s, building).replace(u"%2"_s, unit));
        }
        EXPECT_EQ(Snapshot(*database), before);
        EXPECT_EQ(One(*database, u"select count(*) from journal_undo"_s), u"0"_s);
    }
}

INSTANTIATE_BACKENDS(JournalUndoTest);

// The journal copies exactly the nodes a Finish made, with their links: by runs of consecutive ids
// when they are few, by lists when other writers' draws cut them into many; the nodes between the
// runs, there before, are not copied.
class FinishJournalCopy : public BackendTest {};

TEST_P(FinishJournalCopy, CopiesTheNewNodesAndNoOtherByRunsOrByLists) {
    const struct {
        const char* what;
        std::vector<uint32_t> made;
    } cases[] = {
        {"two runs", {300, 301, 302, 303, 310, 311, 312}},
        {"every other id: more runs than are copied as ranges",
         {300, 302, 304, 306, 308, 310, 312, 314, 316, 318, 320, 322, 324}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase database(GetParam());
        QStringList rows = Fixture();
        for (uint32_t id = 300; id <= 325; ++id) {
            rows << u"insert into addr (id,name,grade,parentid) values(%1,'%1室',8,7)"_s.arg(id)
                 << u"insert into addr_ref (stdaddrid,oldid,refflag) values(%1,'N%1',0)"_s.arg(id);
        }
        database.Load(rows);
        AttachedDatabase attached(database);
        CommitStatements statements(CommitReporting::Quiet);
        FinishJournal journal(statements, JournalIdentity{u"tester"_s, u"here"_s, u"0"_s});
        journal.NoteNewNodes(c.made);
        CommitStats stats;
        stats.nodesNew = static_cast<int>(c.made.size());
        {
            Transaction transaction;
            ASSERT_TRUE(journal.Close(7, u"阳光小区"_s, u"dp: ; addr: "_s, stats));
            ASSERT_TRUE(statements.Flush());
            transaction.Commit();
        }
        QList<QStringList> nodes, links;
        for (const uint32_t id : c.made) {
            nodes.append({QString::number(id), u"%1室"_s.arg(id)});
            links.append({QString::number(id), u"N%1"_s.arg(id)});
        }
        EXPECT_EQ(database.Rows(u"select id,name from journal_node order by id"_s), nodes);
        EXPECT_EQ(database.Rows(u"select stdaddrid,oldid from journal_link order by stdaddrid"_s), links);
    }
}

INSTANTIATE_BACKENDS(FinishJournalCopy);

} // namespace
