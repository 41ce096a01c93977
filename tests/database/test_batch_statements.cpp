// The commit's batch forms, in the Oracle dialect, through the connection layer on SQLite and
// PostgreSQL: a run of sequence values in one statement, multi-row inserts (an empty name stored as
// null), the level and link look-ups, set-wise moves and deletions, row and table locks, and the
// largest batches the commit sends on each database; for Oracle, without a server, the texts of
// its largest batches against its limits.
#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/JournalStatements.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"
#include "platform/dataaccess/OracleTranslator.h"
#include "platform/dataaccess/TranslationError.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

using Items = std::vector<std::vector<SqlArg>>;

class BatchStatements : public BackendTest {
protected:
    QList<QStringList> Run(const QString& statement) { return Database().Rows(statement); }
    QList<QStringList> Sorted(const QString& statement) {
        QList<QStringList> rows = Run(statement);
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

TEST_P(BatchStatements, SequenceRunGivesConsecutiveValuesInOrder) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(41,'北京市',1,0)"_s});
    const QList<QStringList> run = Run(FormatStatement(Statements::NextAddrIds, {5}));
    ASSERT_EQ(run.size(), 5);
    for (qsizetype i = 0; i < run.size(); ++i)
        EXPECT_EQ(run[i][0].toUInt(), 42u + i);
    EXPECT_EQ(Run(FormatStatement(Statements::NextAddrIds, {1})), (QList<QStringList>{{u"47"_s}}));
}

TEST_P(BatchStatements, BatchFormsWriteAndReadAsOneRowAtATimeWould) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s,
                     u"insert into addr (id,name,grade,parentid) values(100,'阳光小区X5号',7,6)"_s,
                     u"insert into addr (id,name,grade,parentid) values(101,'阳光小区X6号',7,6)"_s,
                     u"insert into addr_ref (stdaddrid,oldid,refflag) values(100,'T1',0)"_s,
                     u"insert into addr_ref (stdaddrid,oldid,refflag) values(101,'T2',0)"_s,
                     u"insert into telnum_dp97 (telnum,dpid) values('T1','DP''1')"_s,
                     u"insert into telnum_dp97 (telnum,dpid) values('T2','DP2')"_s});
    const struct Step {
        const char* what;
        QString statement;
        QString check;
        QList<QStringList> rows;
    } steps[] = {
        {"nodes, an empty name as null",
         FormatStatement(Statements::InsertAddrRows,
                         {FormatList(Statements::AddrRow,
                                     {{50u, SqlText::Quote(u"1栋"_s), 8, 7u},
                                      {51u, SqlText::Quote(u""_s), 9, 50u},
                                      {52u, SqlText::Quote(u"O'2栋"_s), 8, 7u}},
                                     Statements::Space)}),
         u"select id,name,grade,parentid from addr where id between 50 and 59"_s,
         {{u"50"_s, u"1栋"_s, u"8"_s, u"7"_s}, {u"51"_s, u"NULL"_s, u"9"_s, u"50"_s}, {u"52"_s, u"O'2栋"_s, u"8"_s, u"7"_s}}},
        {"children of a level",
         {},
         FormatStatement(Statements::ChildrenOfParents, {8, FormatIdList({7, 50})}),
         {{u"50"_s, u"7"_s, u"1栋"_s}, {u"52"_s, u"7"_s, u"O'2栋"_s}}},
        {"links",
         FormatStatement(Statements::InsertLinkRows,
                         {FormatList(Statements::LinkRow,
                                     {{50u, SqlText::Quote(u"DP'1"_s), 1}, {51u, SqlText::Quote(u"T3"_s), 0}},
                                     Statements::Space)}),
         FormatStatement(Statements::LinksOfNodes, {FormatIdList({50, 51, 100})}),
         {{u"100"_s, u"T1"_s, u"0"_s}, {u"50"_s, u"DP'1"_s, u"1"_s}, {u"51"_s, u"T3"_s, u"0"_s}}},
        {"standard addresses of DPs",
         {},
         FormatStatement(Statements::StandardAddressesOfDps,
                         {FormatList(Statements::TextItem, {{SqlText::Quote(u"DP'1"_s)}, {SqlText::Quote(u"DP2"_s)}},
                                     Statements::Comma)}),
         {{u"DP'1"_s, u"100"_s, u"阳光小区X5号"_s, u"7"_s, u"6"_s}, {u"DP2"_s, u"101"_s, u"阳光小区X6号"_s, u"7"_s, u"6"_s}}},
        {"moves, each address its own name, grade and parent",
         FormatStatement(Statements::MoveAddrs,
                         {FormatList(Statements::WhenIdText,
                                     {{100u, SqlText::Quote(u"X5"_s)}, {101u, SqlText::Quote(u"X'6"_s)}},
                                     Statements::Space),
                          FormatList(Statements::WhenIdGrade, {{100u, 9}, {101u, 10}}, Statements::Space),
                          FormatList(Statements::WhenIdId, {{100u, 50u}, {101u, 51u}}, Statements::Space),
                          FormatIdList({100, 101})}),
         u"select id,name,grade,parentid from addr where id in (7,100,101)"_s,
         {{u"100"_s, u"X5"_s, u"9"_s, u"50"_s}, {u"101"_s, u"X'6"_s, u"10"_s, u"51"_s}, {u"7"_s, u"阳光小区"_s, u"7"_s, u"6"_s}}},
        {"deletions",
         FormatStatement(Statements::DeleteAddrs, {FormatIdList({100, 101})}),
         u"select count(*) from addr where id in (100,101)"_s,
         {{u"0"_s}}},
        {"deletions of links",
         FormatStatement(Statements::DeleteLinksOf, {FormatIdList({100, 101})}),
         u"select count(*) from addr_ref where stdaddrid in (100,101)"_s,
         {{u"0"_s}}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (!step.statement.isEmpty())
            Run(step.statement);
        EXPECT_EQ(Sorted(step.check), step.rows);
    }
}

TEST_P(BatchStatements, LocksRunInsideATransaction) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(7,'阳光小区',7,6)"_s});
    LONG level = 0;
    ASSERT_TRUE(SUCCEEDED(Database().Connection()->BeginTrans(&level)));
    EXPECT_EQ(Run(FormatStatement(Statements::LockAddrRow, {7u})), (QList<QStringList>{{u"7"_s}}));
    Run(FormatStatement(Statements::LockAddrTable, {}));
    EXPECT_TRUE(SUCCEEDED(Database().Connection()->CommitTrans()));
}

// The largest batches the commit sends on each database, with texts that need quoting: a level
// of nodes in one insert, an in list as long as the database's limits allow.
TEST_P(BatchStatements, FullBatchesRun) {
    const StatementBatches::Limits limits = StatementBatches::Limits::Of(
        GetParam() == Backend::SQLite ? dataaccess::SqlDialect::SQLite : dataaccess::SqlDialect::PostgreSQL);
    const std::size_t rows = limits.InsertRows(4, 4);
    const std::size_t values = limits.ListValues();
    ASSERT_GE(rows, 5000u);
    Items nodes, ids;
    for (uint32_t i = 0; i < rows; ++i)
        nodes.push_back({1000 + i, SqlText::Quote(u"%1'栋"_s.arg(i)), 8, 7u});
    for (uint32_t i = 0; i < values; ++i)
        ids.push_back({1000 + i});
    Run(FormatStatement(Statements::InsertAddrRows, {FormatList(Statements::AddrRow, nodes, Statements::Space)}));
    EXPECT_EQ(Run(FormatStatement(Statements::ChildrenOfParents,
                                  {8, FormatList(Statements::IdItem, {{7u}}, Statements::Comma)}))
                  .size(),
              qsizetype(rows));
    std::vector<AddressMove> moves;
    for (uint32_t i = 0; i < std::min(StatementBatches::CaseListRows, limits.CaseRows(AddressMoveLiterals)); ++i)
        moves.push_back({1000 + i, u"X'%1"_s.arg(i), 9, 7u});
    Run(FormatAddressMoves(moves));
    EXPECT_EQ(Run(u"select count(*) from addr where grade=9"_s), (QList<QStringList>{{QString::number(moves.size())}}));
    Run(FormatStatement(Statements::DeleteAddrs, {FormatList(Statements::IdItem, ids, Statements::Comma)}));
    EXPECT_EQ(Run(u"select count(*) from addr"_s), (QList<QStringList>{{u"0"_s}}));
}

// A count the translator refuses is refused on every backend, also after a good one of the same
// shape; nothing reaches the server (no values are drawn).
TEST_P(BatchStatements, SequenceRangeCountsAreCheckedEveryTime) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(41,'北京市',1,0)"_s});
    EXPECT_EQ(Run(FormatStatement(Statements::NextAddrIds, {2})), (QList<QStringList>{{u"42"_s}, {u"43"_s}}));
    for (const char* count : {"0", "1.5", "99999999999999999999", "2147483648"}) {
        try {
            Run(u"select seq_addr.nextval from dual connect by level<="_s + QLatin1StringView(count));
            ADD_FAILURE() << count << " ran";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("statement not understood"), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(Run(FormatStatement(Statements::NextAddrIds, {1})), (QList<QStringList>{{u"44"_s}}));
}

INSTANTIATE_BACKENDS(BatchStatements);

// Statements of one shape, their literals apart, share a translation in the connection: each must
// still read its own rows, the literals the translator reads ('' and '%...') included.
TEST_P(BatchStatements, StatementsOfOneShapeReadTheirOwnRows) {
    Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s,
                     u"insert into addr (id,name,grade,parentid) values(2,'O''Neil路',4,1)"_s,
                     u"insert into addr (id,name,grade,parentid) values(3,null,5,2)"_s,
                     u"insert into addr (id,name,grade,parentid) values(4,'3号',6,3)"_s});
    const struct {
        QString statement;
        QList<QStringList> rows;
    } cases[] = {
        {u"select id from addr where name='北京市' and grade=1"_s, {{u"1"_s}}},
        {u"select id from addr where name='O''Neil路' and grade=4"_s, {{u"2"_s}}},
        {u"select id from addr where name='3号' and grade=5"_s, {}},
        {u"select count(*) from addr where name=''"_s, {{u"0"_s}}},
        {u"select count(*) from addr where name='3号'"_s, {{u"1"_s}}},
        {u"select id from addr where name like '%Neil%' order by 1"_s, {{u"2"_s}}},
        {u"select id from addr where name like '北%' order by 1"_s, {{u"1"_s}}},
        {u"select id from addr where name like '3%' order by 1"_s, {{u"4"_s}}},
        {FormatStatement(Statements::AddressPathUp, {4u}), {{u"1"_s, u"北京市"_s, u"0"_s}, {u"2"_s, u"O'Neil路"_s, u"1"_s},
                                                         {u"3"_s, u"NULL"_s, u"2"_s}, {u"4"_s, u"3号"_s, u"3"_s}}},
        {FormatStatement(Statements::AddressPathUp, {2u}), {{u"1"_s, u"北京市"_s, u"0"_s}, {u"2"_s, u"O'Neil路"_s, u"1"_s}}},
        {u"select 1.5, -2, 'x' from dual"_s, {{u"1.5"_s, u"-2"_s, u"x"_s}}},
        {u"select 2.5, -3, 'y' from dual"_s, {{u"2.5"_s, u"-3"_s, u"y"_s}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Run(c.statement), c.rows) << c.statement.toStdString();
}

// Batch forms the translator cannot turn into one statement are refused, naming the form; Oracle
// gets them as written.
TEST(BatchForms, ShapesWithoutATranslationAreRefused) {
    const char* const refused[] = {
        "insert all into addr (id) values(1) into addr_ref (stdaddrid) values(1) select * from dual",
        "insert all into addr (id) values(1) into addr (id,grade) values(2,8) select * from dual",
        "insert all into addr (id) values(1) select 1 from dual",
        "insert all into addr (id) values(1)",
        "select seq_addr.nextval from dual connect by level<=0",
    };
    for (const char* statement : refused) {
        for (const auto dialect : {dataaccess::SqlDialect::SQLite, dataaccess::SqlDialect::PostgreSQL})
            EXPECT_THROW(dataaccess::OracleTranslator(dialect).Translate(QString::fromLatin1(statement)),
                         dataaccess::TranslationError)
                << statement;
        EXPECT_EQ(dataaccess::OracleTranslator(dataaccess::SqlDialect::Oracle).Translate(QString::fromLatin1(statement)).text,
                  QString::fromLatin1(statement));
    }
}


// What an Oracle statement of the commit's batch forms holds, counted in its text: the target
// columns of all into clauses of an insert all, the values of its longest in (...) list and the
// arguments of its longest case expression.
struct OracleBatchSize {
    qsizetype insertColumns = 0;
    qsizetype listValues = 0;
    qsizetype caseArguments = 0;

    explicit OracleBatchSize(const QString& statement) {
        static const QRegularExpression into(uR"(\binto \w+ ?\(([^)]*)\))"_s);
        if (statement.startsWith(u"insert all"_s))
            for (auto match = into.globalMatch(statement); match.hasNext();)
                insertColumns += match.next().captured(1).split(u',').size();
        static const QRegularExpression list(uR"(\bin ?\(([^()]*)\))"_s);
        for (auto match = list.globalMatch(statement); match.hasNext();) {
            // Commas inside quoted values do not separate: the values here hold none.
            listValues = std::max(listValues, match.next().captured(1).split(u',').size());
        }
        static const QRegularExpression caseList(uR"(\bcase id (.*?) end\b)"_s);
        for (auto match = caseList.globalMatch(statement); match.hasNext();)
            caseArguments = std::max(caseArguments, 1 + 2 * match.next().captured(1).count(u"when "_s));
    }
    bool FitsOracle() const { return insertColumns <= 999 && listValues <= 1000 && caseArguments <= 65535; }
};

// Each batch form the commit sends, at the size its limits give for Oracle, stays within what
// Oracle takes, and a batch of one more row would not: the sizes are the largest that fit (moves
// by case lists are kept shorter still, see StatementBatches::CaseListRows).
TEST(BatchForms, OracleBatchesAreTheLargestThatFit) {
    const StatementBatches::Limits oracle = StatementBatches::Limits::Of(dataaccess::SqlDialect::Oracle);
    const auto ids = [](std::size_t count) {
        std::vector<uint32_t> list;
        for (uint32_t i = 0; i < count; ++i)
            list.push_back(4000000000u + i);
        return list;
    };
    const auto rowsOf = [](std::size_t count, const std::function<std::vector<SqlArg>(uint32_t)>& row) {
        Items items;
        for (uint32_t i = 0; i < count; ++i)
            items.push_back(row(4000000000u + i));
        return items;
    };
    const struct {
        const char* what;
        std::size_t size;
        std::function<QString(std::size_t)> statement;
    } forms[] = {
        {"nodes", oracle.InsertRows(4, 4),
         [&](std::size_t n) {
             return FormatStatement(Statements::InsertAddrRows,
                                    {FormatList(Statements::AddrRow,
                                                rowsOf(n, [](uint32_t id) { return std::vector<SqlArg>{id, SqlText::Quote(u"1栋"_s), 8, 7u}; }),
                                                Statements::Space)});
         }},
        {"links", oracle.InsertRows(3, 3),
         [&](std::size_t n) {
             return FormatStatement(Statements::InsertLinkRows,
                                    {FormatList(Statements::LinkRow,
                                                rowsOf(n, [](uint32_t id) { return std::vector<SqlArg>{id, SqlText::Quote(u"T1"_s), 0}; }),
                                                Statements::Space)});
         }},
        {"journal links", oracle.InsertRows(4, 4),
         [&](std::size_t n) {
             return FormatStatement(JournalStatements::RecordLinkRows,
                                    {FormatList(JournalStatements::LinkRow,
                                                rowsOf(n, [](uint32_t id) { return std::vector<SqlArg>{1u, id, SqlText::Quote(u"T1"_s), 0}; }),
                                                Statements::Space)});
         }},
        {"children of a level", oracle.ListValues(1, 1),
         [&](std::size_t n) { return FormatStatement(Statements::ChildrenOfParents, {9, FormatIdList(ids(n))}); }},
        {"deletions", oracle.ListValues(),
         [&](std::size_t n) { return FormatStatement(Statements::DeleteAddrs, {FormatIdList(ids(n))}); }},
        {"journal nodes", oracle.ListValues(1, 1),
         [&](std::size_t n) { return FormatStatement(JournalStatements::RecordNodes, {1u, FormatIdList(ids(n))}); }},
        {"standard addresses of DPs", oracle.ListValues(),
         [&](std::size_t n) {
             return FormatStatement(Statements::StandardAddressesOfDps,
                                    {FormatList(Statements::TextItem,
                                                rowsOf(n, [](uint32_t id) { return std::vector<SqlArg>{SqlText::Quote(QString::number(id))}; }),
                                                Statements::Comma)});
         }},
        {"journal moves", oracle.InsertRows(8, 8),
         [&](std::size_t n) {
             return FormatStatement(JournalStatements::RecordMoveRows,
                                    {FormatList(JournalStatements::MoveRow,
                                                rowsOf(n, [](uint32_t id) {
                                                    return std::vector<SqlArg>{1u, id, SqlText::Quote(u"12"_s), 11, 7u,
                                                                               SqlText::Quote(u"X12"_s), 7, 6u};
                                                }),
                                                Statements::Space)});
         }},
        {"moves", oracle.CaseRows(AddressMoveLiterals),
         [&](std::size_t n) {
             std::vector<AddressMove> moves;
             for (uint32_t id : ids(n))
                 moves.push_back({id, u"12"_s, 11, 7u});
             return FormatAddressMoves(moves);
         }},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.what);
        EXPECT_TRUE(OracleBatchSize(form.statement(form.size)).FitsOracle());
        EXPECT_FALSE(OracleBatchSize(form.statement(form.size + 1)).FitsOracle());
    }
    // Each limit counted on a statement that is just over it.
    EXPECT_EQ(OracleBatchSize(FormatStatement(Statements::DeleteAddrs, {FormatIdList(ids(1001))})).listValues, 1001);
}

} // namespace
