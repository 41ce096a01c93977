// Blocks of writes (begin ...; ...; end;) through the Connection object on SQLite and PostgreSQL:
// the system's own write statements, operators' texts that look like the block's punctuation, a
// failure half way, and texts that are not blocks.
#include "tests/platform/test_dataaccess_fixture.h"

#include "database/JournalStatements.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"

#include "platform/dataaccess/Connection.h"

namespace {

using namespace dataaccess_test;
using namespace Qt::StringLiterals;

// Names an operator may type, each of which ends something if it is not quoted right.
const QString kEndSemicolon = u"end;"_s;
const QString kQuoteSemicolon = u"O'Brien; drop table addr; --"_s;
const QString kDollars = u"$$ $tessel$ end $tessel$"_s;
const QString kComment = u"begin x; end; /* $tessel1$ */"_s;
const QString kQuotes = u"''; end; $tessel2$' ?"_s;

SqlText Q(const QString& text) {
    return SqlText::Quote(text);
}

QString Block(const QStringList& statements) {
    return u"begin\n"_s + statements.join(u";\n"_s) + u";\nend;"_s;
}

// What a case expects of the tables, one line a row.
const QStringList kSeed = {u"addr 1|汤臣豪园|7|0"_s};

struct BlockCase {
    const char* name;
    QStringList statements; // the block's statements; or
    QString text;           // a whole text, when not made of statements
    bool inTransaction;
    // On failure, a part of the message on SQLite and on PostgreSQL; empty for success.
    QString sqliteFailure;
    QString pgFailure;
    QStringList tables; // the rows afterwards (a failure keeps kSeed)
};

std::vector<BlockCase> Cases() {
    using namespace Statements;
    const QString notUnderstood = u"statement not understood"_s;
    const QStringList seedInsertFails = {
        u"insert into addr (id,name,grade,parentid) values(30,'x',8,1)"_s,
        u"insert into addr (id,name,grade,parentid) values(1,'dup',8,0)"_s,
        u"delete addr where id=1"_s,
    };
    std::vector<BlockCase> cases = {
        {"the commit's and the journal's writes",
         {FormatStatement(InsertAddrRows, {FormatList(AddrRow,
                                                      {{10u, Q(kEndSemicolon), 8, 1u},
                                                       {11u, Q(kQuoteSemicolon), 8, 1u},
                                                       {12u, Q(kDollars), 9, 11u}},
                                                      Space)}),
          FormatStatement(InsertLinkRows, {FormatList(LinkRow, {{11u, Q(u"DP;1"_s), 1}}, Space)}),
          FormatStatement(JournalStatements::RecordNodes, {7u, FormatIdList({10, 11, 12})}),
          FormatStatement(JournalStatements::RecordMoveRows,
                          {FormatList(JournalStatements::MoveRow,
                                      {{7u, 12u, Q(kComment), 8, 1u, Q(kDollars), 9, 11u}}, Space)}),
          FormatStatement(JournalStatements::MoveRecordedAddrs, {7u, 7u, 7u, 7u}),
          FormatStatement(MoveAddrs, {FormatList(WhenIdText, {{11u, Q(kQuotes)}}, Space),
                                      FormatList(WhenIdGrade, {{11u, 8}}, Space),
                                      FormatList(WhenIdId, {{11u, 1u}}, Space), FormatIdList({11})}),
          FormatStatement(DeleteAddrs, {FormatIdList({10})}),
          u"insert into addr (id,name,grade,parentid) values(seq_addr.nextval,'新',9,1)"_s,
          FormatStatement(JournalStatements::RecordRun, {7u, Q(kEndSemicolon), Q(u"h"_s), Q(u"v"_s), 1u,
                                                         Q(kQuoteSemicolon), Q(kDollars), 3, 1, 1, 0})},
         {},
         true,
         {},
         {},
         {u"addr 1|汤臣豪园|7|0"_s, u"addr 11|"_s + kQuotes + u"|8|1"_s, u"addr 12|"_s + kComment + u"|8|1"_s, u"addr 1000|新|9|1"_s,
          u"addr_ref 11|DP;1|1"_s, u"journal_node 7|10|end;|8|1"_s,
          u"journal_node 7|11|"_s + kQuoteSemicolon + u"|8|1"_s,
          u"journal_node 7|12|"_s + kDollars + u"|9|11"_s,
          u"journal_move 7|12|"_s + kComment + u"|8|1|"_s + kDollars + u"|9|11"_s,
          u"journal_run 7|end;|"_s + kQuoteSemicolon + u"|"_s + kDollars}},
        {"multi-row values, insert select and delete from, outside a transaction",
         {u"insert into addr (id,name,grade,parentid) values (20,'a;b',8,1), (21,'end;',8,1)"_s,
          u"insert into addr_ref (stdaddrid,oldid,refflag) select id,name,0 from addr where id>=20"_s,
          u"delete from addr where id=21"_s},
         {},
         false,
         {},
         {},
         {u"addr 1|汤臣豪园|7|0"_s, u"addr 20|a;b|8|1"_s, u"addr_ref 20|a;b|0"_s, u"addr_ref 21|end;|0"_s}},
        {"a failure half way, in a transaction",
         seedInsertFails,
         {},
         true,
         u"UNIQUE constraint failed"_s,
         u"duplicate key"_s,
         kSeed},
        {"a failure half way, outside a transaction",
         seedInsertFails,
         {},
         false,
         u"UNIQUE constraint failed"_s,
         u"duplicate key"_s,
         kSeed},
        // The loop exists only once the block's first statement ran.
        {"a loop in the data made earlier in the block",
         {u"insert into addr (id,name,grade,parentid) values (40,'a',8,41), (41,'b',8,40)"_s,
          u"delete addr where id in (select id from addr start with id=40 connect by prior id=parentid)"_s},
         {},
         false,
         u"CONNECT BY loop in user data"_s,
         u"CONNECT BY loop in user data"_s,
         kSeed},
    };
    // Not blocks of plain statements: refused before anything runs.
    const char16_t* const refused[] = {
        u"begin delete addr where id=1; end",
        u"begin delete addr where id=1 end;",
        u"begin delete addr where name='a; end;' end;",
        u"begin end;",
        u"begin delete addr where id=1;; end;",
        u"begin select id from addr; end;",
        u"begin begin delete addr where id=1; end; end;",
        u"begin delete addr where id=1; exception when others then null; end;",
        u"begin delete addr where id=1; end; delete addr where id=1;",
        u"begin delete addr where rownum=1; delete addr where id=1; end;",
        u"begin delete addr where name='a; end;",
    };
    for (const char16_t* text : refused)
        cases.push_back({"not a block of plain statements",
                         {},
                         QString::fromUtf16(text),
                         false,
                         notUnderstood,
                         notUnderstood,
                         kSeed});
    return cases;
}

// PostgreSQL also through its ODBC driver, which reads the text it is given for itself.
enum class Route { SQLite, PostgreSQL, PostgreSQLOdbc };

const char* RouteName(Route route) {
    return route == Route::SQLite ? "SQLite" : route == Route::PostgreSQL ? "PostgreSQL" : "PostgreSQLOdbc";
}

void PrintTo(Route route, std::ostream* os) {
    *os << RouteName(route);
}

class StatementBlocks : public ::testing::TestWithParam<Route> {
protected:
    SqlDialect Dialect() const { return GetParam() == Route::SQLite ? SqlDialect::SQLite : SqlDialect::PostgreSQL; }

    void SetUp() override {
        std::optional<QString> url = ScratchDatabases::UrlFor(Dialect());
        if (!url)
            GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
        if (GetParam() == Route::PostgreSQLOdbc) {
            if (!QSqlDatabase::isDriverAvailable(u"QODBC"_s))
                GTEST_SKIP() << "no Qt ODBC driver";
            const PgScratchDatabase& pg = ScratchDatabases::Get().postgres;
            url = u"odbc:Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=%2;Uid=%3;"_s
                      .arg(pg.Server().port)
                      .arg(pg.Name(), pg.Server().user);
        }
        try {
            m_connection = OpenConnection(*url);
        } catch (const std::exception& error) {
            if (GetParam() == Route::PostgreSQLOdbc)
                GTEST_SKIP() << "no PostgreSQL ODBC driver: " << error.what();
            throw;
        }
        for (const QString& ddl : TinySchema(Dialect()))
            Change(m_connection.Get(), ddl);
        for (const char* ddl : {
                 "create table journal_node (run integer, id integer, name varchar(200), grade integer, "
                 "parentid "
                 "integer)",
                 "create table journal_move (run integer, id integer, name varchar(200), grade integer, "
                 "parentid "
                 "integer, old_name varchar(200), old_grade integer, old_parentid integer)",
                 "create table journal_run (run integer, os_user varchar(200), host varchar(200), version "
                 "varchar(200), cell_id integer, cell_name varchar(200), patterns varchar(200), nodes_new "
                 "integer, "
                 "links_new integer, moved integer, replaced integer)",
                 "insert into addr (id,name,grade,parentid) values(1,'汤臣豪园',7,0)",
             })
            Change(m_connection.Get(), QString::fromUtf8(ddl));
    }
    void TearDown() override {
        if (!m_connection)
            return;
        for (const char* table : {"journal_node", "journal_move", "journal_run"})
            Change(m_connection.Get(), QStringLiteral("drop table %1").arg(QLatin1StringView(table)));
        for (const QString& drop : TinySchemaDrops(Dialect()))
            Change(m_connection.Get(), drop);
    }

    QStringList Tables() {
        QStringList lines;
        const std::pair<const char*, const char*> tables[] = {
            {"addr", "select id,name,grade,parentid from addr order by id"},
            {"addr_ref", "select stdaddrid,oldid,refflag from addr_ref order by stdaddrid,oldid"},
            {"journal_node", "select run,id,name,grade,parentid from journal_node order by id"},
            {"journal_move",
             "select run,id,name,grade,parentid,old_name,old_grade,old_parentid from journal_move "
             "order by id"},
            {"journal_run", "select run,os_user,cell_name,patterns from journal_run order by run"},
        };
        for (const auto& [table, select] : tables)
            for (const auto& row : ReadAll(Query(m_connection.Get(), QString::fromLatin1(select)).Get())) {
                QStringList values(row.begin(), row.end());
                lines << QString::fromLatin1(table) + u' ' + values.join(u'|');
            }
        return lines;
    }

    dataaccess::Connection& Connection() { return *dataaccess::Connection::From(m_connection.Get()); }

    ComPtr<_Connection> m_connection;
};

TEST_P(StatementBlocks, RunWholeOrNotAtAll) {
    const bool postgres = Dialect() == SqlDialect::PostgreSQL;
    for (const BlockCase& c : Cases()) {
        const QString text = c.text.isEmpty() ? Block(c.statements) : c.text;
        SCOPED_TRACE(std::string(c.name) + ": " + text.toStdString());
        if (c.inTransaction) {
            ASSERT_EQ(S_OK, m_connection->BeginTrans(nullptr));
        }
        const long long sent = Connection().StatementsSent();
        const long long run = Connection().StatementsRun();
        const HRESULT hr = m_connection->Execute(Bstr(text), nullptr, adExecuteNoRecords, nullptr);
        const QString failure = postgres ? c.pgFailure : c.sqliteFailure;
        if (failure.isEmpty()) {
            EXPECT_EQ(S_OK, hr) << ThreadError::Take().description.toStdString();
            EXPECT_EQ(Connection().StatementsRun() - run, c.statements.size());
            // One round trip to the server; SQLite's calls one a statement and one a sequence draw,
            // and a savepoint's two outside a transaction.
            const qsizetype draws = c.statements.filter(u"nextval"_s).size();
            EXPECT_EQ(Connection().StatementsSent() - sent,
                      postgres ? 1 : c.statements.size() + draws + (c.inTransaction ? 0 : 2));
        } else {
            ASSERT_TRUE(FAILED(hr));
            const QString message = ThreadError::Take().description;
            EXPECT_TRUE(message.contains(failure)) << message.toStdString();
            if (failure.startsWith(u"statement not understood")) {
                EXPECT_EQ(Connection().StatementsSent(), sent);
            }
            // A block fails as a statement does: over ODBC the driver takes back the failed statement
            // alone and the transaction goes on (without a row of the block); otherwise the server
            // leaves the transaction failed.
            if (GetParam() == Route::PostgreSQLOdbc && c.inTransaction) {
                EXPECT_EQ(Tables(), kSeed);
            } else if (postgres && c.inTransaction) {
                EXPECT_TRUE(FAILED(m_connection->Execute(Bstr(u"select count(*) from addr"_s), nullptr,
                                                         adExecuteNoRecords, nullptr)));
                const QString next = ThreadError::Take().description;
                EXPECT_TRUE(next.contains(u"current transaction is aborted"_s)) << next.toStdString();
            }
        }
        if (c.inTransaction) {
            ASSERT_EQ(S_OK, failure.isEmpty() ? m_connection->CommitTrans() : m_connection->RollbackTrans());
        }
        EXPECT_EQ(Tables(), c.tables);
        // The next case starts from the seed again.
        for (const char* table : {"addr", "addr_ref", "journal_node", "journal_move", "journal_run"})
            Change(m_connection.Get(), QStringLiteral("delete from %1").arg(QLatin1StringView(table)));
        Change(m_connection.Get(), u"insert into addr (id,name,grade,parentid) values(1,'汤臣豪园',7,0)"_s);
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, StatementBlocks,
                         ::testing::Values(Route::SQLite, Route::PostgreSQL, Route::PostgreSQLOdbc),
                         [](const ::testing::TestParamInfo<Route>& p) { return std::string(RouteName(p.param)); });

} // namespace
