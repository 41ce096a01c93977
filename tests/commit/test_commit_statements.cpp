// What Finish costs in statements on a large compound: 2,500 DP addresses and 2,500 unlinked
// addresses, counted by the connection layer. The count grows with the depth of the trees, not
// with the number of leaves: a statement per level and kind at most, the journal, the locks and the
// second reading of page 5's entries included. The rows are those of the small fixtures' tests, in
// bulk.
#include "commit/InnerTreeCommit.h"

#include "tests/support/TestSupport.h"
#include "platform/dataaccess/Connection.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <iostream>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Leaves = 2500;
constexpr int MovedAddresses = 500;
constexpr int StatementCeiling = 30;

// The cell 阳光小区 (id 7) with its path; DP entries 1栋1单元101室 .. 10栋5单元150室; unlinked
// standard addresses (ids 10000 + i, one telephone number each) that split into 11栋 .. 20栋; and
// standard addresses (ids 20000 + i, named 阳光小区X<i>号) on the first DPs' telephone numbers.
struct Compound {
    std::vector<AddressEntry> dpEntries;
    std::vector<AddressEntry> addrEntries;
    ResultTree dpTree;
    ResultTree addrTree;

    explicit Compound(TestDatabase& database) {
        QStringList addr = {u"(1,'北京市',1,0)"_s, u"(2,'海淀区',2,1)"_s, u"(3,null,3,2)"_s, u"(4,'学院路',4,3)"_s,
                            u"(5,null,5,4)"_s,     u"(6,'5号',6,5)"_s,    u"(7,'阳光小区',7,6)"_s};
        QStringList links, telnums;
        for (int i = 0; i < Leaves; ++i) {
            const QString inner = u"%1栋%2单元%3室"_s.arg(i / 250 + 1).arg(i / 50 % 5 + 1).arg(i % 50 + 101);
            dpEntries.push_back({inner.toStdU16String(), u"DP%1"_s.arg(i).toStdU16String(), 0});
            const QString unlinked = u"%1栋%2单元%3室"_s.arg(i / 250 + 11).arg(i / 50 % 5 + 1).arg(i % 50 + 101);
            const uint32_t id = 10000 + i;
            addr << u"(%1,'阳光小区%2',7,6)"_s.arg(id).arg(unlinked);
            links << u"(%1,'T%2',0)"_s.arg(id).arg(i);
            addrEntries.push_back({unlinked.toStdU16String(), u"T%1"_s.arg(i).toStdU16String(), id});
        }
        for (int i = 0; i < MovedAddresses; ++i) {
            addr << u"(%1,'阳光小区X%2号',7,6)"_s.arg(20000 + i).arg(i);
            links << u"(%1,'M%2',0)"_s.arg(20000 + i).arg(i);
            telnums << u"('M%1','DP%1')"_s.arg(i);
        }
        QSqlDatabase& native = database.Native();
        native.transaction();
        for (const auto& [table, rows] : {std::pair{u"addr (id,name,grade,parentid)"_s, addr},
                                          std::pair{u"addr_ref (stdaddrid,oldid,refflag)"_s, links},
                                          std::pair{u"telnum_dp97 (telnum,dpid)"_s, telnums}}) {
            QSqlQuery query(native);
            if (!query.exec(u"insert into %1 values %2"_s.arg(table, rows.join(u','))))
                throw std::runtime_error(query.lastError().text().toStdString());
        }
        native.commit();
        database.Load(QStringList{}); // sets seq_addr past the largest id
        const SplitPatternSet patterns = BuildPatternSet({{u"栋", u"元", u"室"}});
        dpTree = BuildResultTree(u"阳光小区", dpEntries, patterns);
        addrTree = BuildResultTree(u"阳光小区", addrEntries, patterns);
    }
};

class FinishStatementCount : public BackendTest {};

TEST_P(FinishStatementCount, FinishOfFiveThousandLeavesStaysWithinThirtyStatements) {
    Compound compound(Database());
    AttachedDatabase attached(Database());
    MessageBoxRecorder boxes;
    const dataaccess::Connection* connection = dataaccess::Connection::From(Database().Connection());
    ASSERT_NE(connection, nullptr);
    const CellPathNames path = {u"北京市"_s, u"海淀区"_s, QString(), u"学院路"_s, QString(), u"5号"_s, u"阳光小区"_s};
    InnerTreeCommit commit(path, compound.dpTree, compound.dpEntries, compound.addrTree, compound.addrEntries);

    const long long before = connection->StatementsSent();
    const CommitOutcome outcome = commit.Run(CommitMode::Write);
    const long long sent = connection->StatementsSent() - before;
    ASSERT_TRUE(outcome.ok) << outcome.failure.toStdString();
    EXPECT_LE(sent, StatementCeiling);
    // 10 buildings of 5 units of 50 rooms in each tree.
    EXPECT_EQ(outcome.stats, (CommitStats{.nodesNew = 2 * (10 + 50 + Leaves),
                                          .linksNew = 2 * Leaves,
                                          .moved = MovedAddresses,
                                          .replaced = Leaves}));
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where id between 10000 and 19999"_s),
              (QList<QStringList>{{u"0"_s}}));
    EXPECT_EQ(Database().Rows(u"select count(*) from addr where grade=11 and id between 20000 and 29999"_s),
              (QList<QStringList>{{QString::number(MovedAddresses)}}));
    // The count includes the journal, which recorded every row (the database has one).
    EXPECT_EQ(Database().Rows(u"select (select count(*) from journal_run),(select count(*) from journal_node),"
                              u"(select count(*) from journal_link),(select count(*) from journal_move),"
                              u"(select count(*) from journal_gone_addr),(select count(*) from journal_gone_link) "
                              u"from dual"_s),
              (QList<QStringList>{{u"1"_s, QString::number(outcome.stats.nodesNew),
                                   QString::number(outcome.stats.linksNew), QString::number(MovedAddresses),
                                   QString::number(Leaves), QString::number(Leaves)}}));

    // Again with the same pages: everything is found, nothing is written, and it costs no more. The
    // unlinked addresses it was handed are gone (the first Finish replaced them): left alone, and
    // counted as such.
    InnerTreeCommit again(path, compound.dpTree, compound.dpEntries, compound.addrTree, compound.addrEntries);
    const long long beforeAgain = connection->StatementsSent();
    const CommitOutcome second = again.Run(CommitMode::Write);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.stats, CommitStats{.skipped = Leaves});
    EXPECT_EQ(Database().Rows(u"select count(*) from journal_run"_s), (QList<QStringList>{{u"1"_s}}));
    EXPECT_LE(connection->StatementsSent() - beforeAgain, StatementCeiling);
    std::cout << "statements: first Finish " << sent << ", second " << connection->StatementsSent() - beforeAgain
              << std::endl;
}

INSTANTIATE_BACKENDS(FinishStatementCount);

} // namespace
