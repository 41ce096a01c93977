// The commit's batch forms, in the Oracle dialect, through the connection layer on SQLite and
// PostgreSQL: a run of sequence values in one statement, multi-row inserts (an empty name stored as
// null), the level and link look-ups, set-wise moves and deletions, row and table locks, and the
// largest batches the commit sends.
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"
#include "platform/dataaccess/OracleTranslator.h"
#include "platform/dataaccess/TranslationError.h"

#include <gtest/gtest.h>

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
         {{u"DP'1"_s, u"100"_s, u"阳光小区X5号"_s}, {u"DP2"_s, u"101"_s, u"阳光小区X6号"_s}}},
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

// The largest batches the commit sends, with texts that need quoting.
TEST_P(BatchStatements, FullBatchesRun) {
    Items nodes, ids;
    for (uint32_t i = 0; i < StatementBatches::RowsPerInsert; ++i)
        nodes.push_back({1000 + i, SqlText::Quote(u"%1'栋"_s.arg(i)), 8, 7u});
    for (uint32_t i = 0; i < StatementBatches::ValuesPerList; ++i)
        ids.push_back({1000 + i});
    Run(FormatStatement(Statements::InsertAddrRows, {FormatList(Statements::AddrRow, nodes, Statements::Space)}));
    EXPECT_EQ(Run(FormatStatement(Statements::ChildrenOfParents,
                                  {8, FormatList(Statements::IdItem, {{7u}}, Statements::Comma)}))
                  .size(),
              qsizetype(StatementBatches::RowsPerInsert));
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

} // namespace
