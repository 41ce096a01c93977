// Every statement the system issues (database/Statements.h), formatted with the quoting helper and
// run through the Connection objects on SQLite and on PostgreSQL against a small address tree: each
// translates, runs, and gives the rows Oracle would.
#include "tests/platform/test_dataaccess_fixture.h"

#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"

#include <algorithm>

namespace {

using namespace dataaccess_test;
using Rows = std::vector<std::vector<QString>>;

Rows Sorted(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

class SystemStatements : public ::testing::TestWithParam<SqlDialect> {
protected:
    void SetUp() override {
        const std::optional<QString> url = ScratchDatabases::UrlFor(GetParam());
        if (!url)
            GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
        m_connection = OpenConnection(*url);
        m_connection->put_CursorLocation(adUseClient);
        for (const QString& ddl : TinySchema(GetParam()))
            Change(m_connection.Get(), ddl);
        // 上海市 > 浦东新区 > 张江镇 > 祖冲之路 > (a street without a name) > 88号 > 汤臣豪园 (the cell) >
        // 1栋 and two standard addresses below the street that bear the cell's name.
        const char* const rows[] = {
            "insert into addr (id,name,grade,parentid) values(1,'上海市',1,0)",
            "insert into addr (id,name,grade,parentid) values(2,'浦东新区',2,1)",
            "insert into addr (id,name,grade,parentid) values(3,'张江镇',3,2)",
            "insert into addr (id,name,grade,parentid) values(4,'祖冲之路',4,3)",
            "insert into addr (id,name,grade,parentid) values(5,'',5,4)",
            "insert into addr (id,name,grade,parentid) values(6,'88号',6,5)",
            "insert into addr (id,name,grade,parentid) values(7,'汤臣豪园',7,6)",
            "insert into addr (id,name,grade,parentid) values(8,'1栋',8,7)",
            "insert into addr (id,name,grade,parentid) values(10,'汤臣豪园5栋101',6,5)",
            "insert into addr (id,name,grade,parentid) values(11,'汤臣豪园2栋',6,5)",
            "insert into addr_ref (stdaddrid,oldid,refflag) values(8,'DP1',1)",
            "insert into addr_ref (stdaddrid,oldid,refflag) values(10,'5550002',0)",
            "insert into addr_ref (stdaddrid,oldid,refflag) values(11,'5550001',0)",
            "insert into dpaddr97 (num,addr) values('DP1','上海市浦东新区汤臣豪园1栋')",
            "insert into dpaddr97 (num,addr) values('DP2','其他小区3号')",
            "insert into dpaddr97 (num,addr) values('DP3','汤臣豪园%特')",
            "insert into telnum_dp97 (telnum,dpid) values('5550001','DP1')",
            "insert into telnum_dp97 (telnum,dpid) values('5550003','DP2')",
        };
        for (const char* row : rows)
            Change(m_connection.Get(), QString::fromUtf8(row));
    }
    void TearDown() override {
        if (!m_connection)
            return;
        for (const QString& drop : TinySchemaDrops(GetParam()))
            Change(m_connection.Get(), drop);
    }

    Rows Select(const char16_t* format, std::initializer_list<SqlArg> args) {
        return ReadAll(Query(m_connection.Get(), FormatStatement(format, args)).Get());
    }
    void Run(const char16_t* format, std::initializer_list<SqlArg> args) {
        Change(m_connection.Get(), FormatStatement(format, args));
    }

    ComPtr<_Connection> m_connection;
};

TEST_P(SystemStatements, RunWithOraclesResults) {
    using namespace Statements;
    const SqlText cell = SqlText::Quote(u"汤臣豪园"_qs);
    const SqlText cellLike = SqlText::LikeLiteral(u"汤臣豪园"_qs);

    // Cell name page
    EXPECT_EQ(Select(CountInnerNodes, {cell}), (Rows{{"1"}}));
    // Cell verification page
    EXPECT_EQ(Select(CandidateCellParents, {cellLike, 7}), (Rows{{"6"}}));
    EXPECT_EQ(Select(TopNodeName, {}), (Rows{{"上海市"}}));
    EXPECT_EQ(Select(AddressPathUp, {uint32_t(7)}), (Rows{{"1", "上海市", "0"},
                                                          {"2", "浦东新区", "1"},
                                                          {"3", "张江镇", "2"},
                                                          {"4", "祖冲之路", "3"},
                                                          {"5", "NULL", "4"},
                                                          {"6", "88号", "5"},
                                                          {"7", "汤臣豪园", "6"}}));
    // DP split page: the cell's name matches literally, % included.
    EXPECT_EQ(Sorted(Select(DpAddresses, {cellLike})),
              (Rows{{"DP1", "上海市浦东新区汤臣豪园1栋"}, {"DP3", "汤臣豪园%特"}}));
    EXPECT_EQ(Select(DpAddresses, {SqlText::LikeLiteral(u"园%"_qs)}), (Rows{{"DP3", "汤臣豪园%特"}}));
    // Unlinked-address split page: 11's number hangs on the cell's DP, 10's does not.
    EXPECT_EQ(Select(UnlinkedAddresses, {cellLike, cellLike}), (Rows{{"10", "汤臣豪园5栋101", "5550002"}}));

    // Commit: the path, found by name or by "name is null".
    EXPECT_EQ(Select(FindPathNodeUnnamed, {uint32_t(4)}), (Rows{{"5"}}));
    EXPECT_EQ(Select(FindPathNode, {uint32_t(5), SqlText::Quote(u"88号"_qs)}), (Rows{{"6"}}));
    // New ids one after another, a run of them in one statement; an empty level name is stored as
    // NULL and found again.
    EXPECT_EQ(Select(NextAddrIds, {2}), (Rows{{"1000"}, {"1001"}}));
    Run(InsertAddrRows, {FormatList(AddrRow,
                                    {{uint32_t(1000), SqlText::Quote(QString()), 8, uint32_t(7)},
                                     {uint32_t(1001), SqlText::Quote(u"O'Brien \\ 楼"_qs), 8, uint32_t(7)}},
                                    Space)});
    EXPECT_EQ(Select(FindPathNodeUnnamed, {uint32_t(7)}), (Rows{{"1000"}}));
    EXPECT_EQ(Sorted(Select(ChildrenOfParents, {8, FormatIdList({7})})),
              (Rows{{"1000", "7", "NULL"}, {"1001", "7", "O'Brien \\ 楼"}, {"8", "7", "1栋"}}));
    // Links
    EXPECT_EQ(Select(LinksOfNodes, {FormatIdList({8, 1000})}), (Rows{{"8", "DP1", "1"}}));
    Run(InsertLinkRows, {FormatList(LinkRow,
                                    {{uint32_t(1000), SqlText::Quote(u"DP9"_qs), 1},
                                     {uint32_t(1001), SqlText::Quote(u"5550009"_qs), 0}},
                                    Space)});
    EXPECT_EQ(Sorted(Select(LinksOfNodes, {FormatIdList({8, 1000, 1001})})),
              (Rows{{"1000", "DP9", "1"}, {"1001", "5550009", "0"}, {"8", "DP1", "1"}}));
    // The cell's subtree, the cell included, joined with its links.
    EXPECT_EQ(Sorted(Select(SubtreeLinks, {uint32_t(7)})),
              (Rows{{"1000", "8", "DP9"}, {"1001", "8", "5550009"}, {"8", "8", "DP1"}}));
    // Standard addresses whose numbers hang on a DP, moved below an inner node.
    const SqlList dps = FormatList(TextItem, {{SqlText::Quote(u"DP1"_qs)}, {SqlText::Quote(u"DP2"_qs)}}, Comma);
    EXPECT_EQ(Select(StandardAddressesOfDps, {dps}), (Rows{{"DP1", "11", "汤臣豪园2栋", "6", "5"}}));
    Change(m_connection.Get(), FormatAddressMoves({{11, u"2栋"_qs, 9, 8}}));
    EXPECT_EQ(Select(ChildrenOfParents, {9, FormatIdList({8})}), (Rows{{"11", "8", "2栋"}}));
    EXPECT_TRUE(Select(StandardAddressesOfDps, {dps}).empty());
    // An old standard address goes with its links.
    Run(DeleteLinksOf, {FormatIdList({10})});
    Run(DeleteAddrs, {FormatIdList({10})});
    EXPECT_TRUE(Select(LinksOfNodes, {FormatIdList({10})}).empty());
    EXPECT_TRUE(Select(UnlinkedAddresses, {cellLike, cellLike}).empty());
    EXPECT_EQ(Select(CountInnerNodes, {cell}), (Rows{{"3"}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, SystemStatements,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const ::testing::TestParamInfo<SqlDialect>& p) {
                             return std::string(DialectName(p.param));
                         });

} // namespace
