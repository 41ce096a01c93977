// A statement sent again and again runs, on PostgreSQL, through a prepared statement of its shape
// with its literals as parameters (see PreparedStatements): every run gives what the statement's
// text gives, whatever its literals, and a shape the server will not prepare, a prepared statement
// the session has lost and a transaction around it change nothing of that. On SQLite the same
// cases run as text.
#include "tests/platform/test_dataaccess_fixture.h"

#include "platform/dataaccess/Connection.h"

namespace {

using namespace dataaccess_test;
using Rows = std::vector<std::vector<QString>>;

class PreparedShapes : public ::testing::TestWithParam<SqlDialect> {
protected:
    void SetUp() override {
        const std::optional<QString> url = ScratchDatabases::UrlFor(GetParam());
        if (!url)
            GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
        m_connection = OpenConnection(*url);
        m_connection->put_CursorLocation(adUseClient);
        for (const QString& ddl : TinySchema(GetParam()))
            Change(m_connection.Get(), ddl);
        for (const char* row : {"insert into addr (id,name,grade,parentid) values(1,'上海市',1,0)",
                                "insert into addr (id,name,grade,parentid) values(2,'O''Brien \\ 楼',2,1)",
                                "insert into addr (id,name,grade,parentid) values(3,'汤臣%豪园',7,2)",
                                "insert into addr (id,name,grade,parentid) values(2147483647,'末',8,3)",
                                "insert into dpaddr97 (num,addr) values('DP1','汤臣%豪园1栋')",
                                "insert into dpaddr97 (num,addr) values('DP2','汤臣豪园2栋')"})
            Change(m_connection.Get(), QString::fromUtf8(row));
    }
    void TearDown() override {
        if (!m_connection)
            return;
        if (m_inTransaction)
            m_connection->RollbackTrans();
        for (const QString& drop : TinySchemaDrops(GetParam()))
            Change(m_connection.Get(), drop);
    }

    Rows Select(const QString& statement) { return ReadAll(Query(m_connection.Get(), statement).Get()); }
    long long Prepared() const {
        return dataaccess::Connection::From(m_connection.Get())->StatementsPrepared();
    }
    // The statement's rows, the same on its first run (as text), its second (prepared on
    // PostgreSQL) and its third (executed again).
    Rows ThreeTimes(const QString& statement) {
        const Rows first = Select(statement);
        EXPECT_EQ(Select(statement), first) << statement.toStdString();
        EXPECT_EQ(Select(statement), first) << statement.toStdString();
        return first;
    }

    ComPtr<_Connection> m_connection;
    bool m_inTransaction = false;
};

TEST_P(PreparedShapes, GiveWhatTheirTextGivesWhateverTheLiterals) {
    const struct {
        const char* statement;
        Rows rows;
    } cases[] = {
        {"select id from addr where name = 'O''Brien \\ 楼'", {{"2"}}},
        {"select num from dpaddr97 where addr like '%\\%豪%' escape '\\'", {{"DP1"}}},
        {"select num from dpaddr97 where addr like '%豪园2%' escape '\\' and num <> 'DP1'", {{"DP2"}}},
        {"select name from addr where id = 2147483647", {{"末"}}},
        {"select count(*) from addr where id < 4294967295", {{"4"}}},
        {"select count(*) from addr where id < 99999999999999999999", {{"4"}}},
        {"select count(*) from addr where id < 2.5", {{"2"}}},
        {"select id, 'x' from addr where id = 1", {{"1", "x"}}},
        // A number after order by names a column.
        {"select id, grade from addr where grade < 8 order by 1 desc", {{"3", "7"}, {"2", "2"}, {"1", "1"}}},
        {"select id from addr where id in (1, 3) and name like '汤%'", {{"3"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ThreeTimes(QString::fromUtf8(c.statement)), c.rows) << c.statement;
    if (GetParam() == SqlDialect::PostgreSQL)
        EXPECT_GT(Prepared(), 0);
    else
        EXPECT_EQ(Prepared(), 0);
}

TEST_P(PreparedShapes, RunWithEachStatementsOwnValues) {
    const QString byParent = u"select id from addr where parentid = %1 and grade < %2 order by id"_qs;
    EXPECT_EQ(Select(byParent.arg(0).arg(9)), (Rows{{"1"}}));
    EXPECT_EQ(Select(byParent.arg(1).arg(9)), (Rows{{"2"}}));
    EXPECT_EQ(Select(byParent.arg(2).arg(9)), (Rows{{"3"}}));
    EXPECT_EQ(Select(byParent.arg(3).arg(9)), (Rows{{"2147483647"}}));
    EXPECT_EQ(Select(byParent.arg(3).arg(8)), Rows{});
    // A value too large for the type the shape was prepared with gets a statement of its own.
    EXPECT_EQ(Select(byParent.arg(4294967295LL).arg(9)), Rows{});
    const QString like = u"select num from dpaddr97 where addr like '%%1%' escape '\\' order by num"_qs;
    EXPECT_EQ(Select(like.arg(u"豪园"_qs)), (Rows{{"DP1"}, {"DP2"}}));
    EXPECT_EQ(Select(like.arg(u"\\%"_qs)), (Rows{{"DP1"}}));
    EXPECT_EQ(Select(like.arg(u"2栋"_qs)), (Rows{{"DP2"}}));
}

TEST_P(PreparedShapes, AShapeTheServerWillNotPrepareRunsAsText) {
    // A parameter compared with nothing typed: PostgreSQL cannot tell its type.
    EXPECT_EQ(ThreeTimes(u"select id from addr where 'x' is null"_qs), Rows{});
    EXPECT_EQ(Select(u"select id from addr where 'y' is not null and id = 1"_qs), (Rows{{"1"}}));
}

TEST_P(PreparedShapes, AShapePreparedBeforeRunsInsideATransactionAndOutlivesItsRollback) {
    const QString count = u"select count(*) from addr where grade = %1"_qs;
    EXPECT_EQ(ThreeTimes(count.arg(7)), (Rows{{"1"}}));
    const long long prepared = Prepared();
    ASSERT_TRUE(SUCCEEDED(m_connection->BeginTrans(nullptr)));
    m_inTransaction = true;
    Change(m_connection.Get(), u"insert into addr (id,name,grade,parentid) values(5,'x',7,2)"_qs);
    EXPECT_EQ(Select(count.arg(7)), (Rows{{"2"}}));
    // A new shape inside the transaction is not prepared there: a refusal would end the transaction.
    EXPECT_EQ(ThreeTimes(u"select count(*) from addr where grade = 7 and name = 'x'"_qs), (Rows{{"1"}}));
    EXPECT_EQ(Prepared(), prepared);
    ASSERT_TRUE(SUCCEEDED(m_connection->RollbackTrans()));
    m_inTransaction = false;
    EXPECT_EQ(Select(count.arg(7)), (Rows{{"1"}}));
}

TEST_P(PreparedShapes, AShapeTheSessionLostIsSentAsTextAndPreparedAgain) {
    if (GetParam() != SqlDialect::PostgreSQL)
        GTEST_SKIP() << "PostgreSQL's prepared statements";
    const QString byId = u"select name from addr where id = %1"_qs;
    EXPECT_EQ(ThreeTimes(byId.arg(1)), (Rows{{"上海市"}}));
    // As a host's connection opened again would: the session holds no prepared statement.
    Change(m_connection.Get(), u"deallocate all"_qs);
    EXPECT_EQ(Select(byId.arg(3)), (Rows{{"汤臣%豪园"}}));
    const long long prepared = Prepared();
    EXPECT_EQ(ThreeTimes(byId.arg(2)), (Rows{{"O'Brien \\ 楼"}}));
    EXPECT_GT(Prepared(), prepared);
}

INSTANTIATE_TEST_SUITE_P(Backends, PreparedShapes, ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const ::testing::TestParamInfo<SqlDialect>& p) {
                             return std::string(DialectName(p.param));
                         });

} // namespace
