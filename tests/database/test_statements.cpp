// Every statement the system issues, on SQLite and on PostgreSQL filled by the generator with the
// same seed: the same rows on both (as sets where the statement has no order), the same tables
// after the statements that change them, and no whole-table scan except in the like '%...%'
// searches.
#include "database/AddressMove.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"
#include "platform/dataaccess/OracleTranslator.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr uint32_t kSize = 3000;
constexpr uint64_t kSeed = 11;

QString F(const char16_t* format, std::initializer_list<SqlArg> args) {
    return FormatStatement(format, args);
}
SqlText Q(const QString& s) {
    return SqlText::Quote(s);
}
SqlText L(const QString& s) {
    return SqlText::LikeLiteral(s);
}
const QString kSun = QString::fromUtf16(u"阳光花园");
const QString kGold = QString::fromUtf16(u"金色家园");

QList<QStringList> Sorted(QList<QStringList> rows) {
    std::sort(rows.begin(), rows.end(),
              [](const QStringList& a, const QStringList& b) { return a.join(u'\x1f') < b.join(u'\x1f'); });
    return rows;
}

class Statements : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_sqlite = std::make_unique<TestDatabase>(Backend::SQLite);
        s_sqlite->Generate(kSize, kSeed);
        if (TestDatabase::Available(Backend::PostgreSQL)) {
            s_postgres = std::make_unique<TestDatabase>(Backend::PostgreSQL);
            s_postgres->Generate(kSize, kSeed);
        }
    }
    static void TearDownTestSuite() {
        s_sqlite.reset();
        s_postgres.reset();
    }
    void SetUp() override {
        if (!s_postgres)
            GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set";
    }

    static uint32_t Id(const QString& statement) {
        return s_sqlite->Rows(statement).value(0).value(0).toUInt();
    }
    static QString Value(const QString& statement) { return s_sqlite->Rows(statement).value(0).value(0); }

    // The rows of a statement on both databases, which must agree; returns them.
    static QList<QStringList> Both(const QString& statement, bool ordered) {
        QList<QStringList> a = s_sqlite->Rows(statement), b = s_postgres->Rows(statement);
        if (!ordered) {
            a = Sorted(a);
            b = Sorted(b);
        }
        EXPECT_EQ(a, b) << statement.toStdString();
        return a;
    }

    static inline std::unique_ptr<TestDatabase> s_sqlite, s_postgres;
};

TEST_F(Statements, TheGeneratorWritesTheSameRowsOnBoth) {
    for (const QString& table :
         {u"select id,name,grade,parentid from addr"_s, u"select stdaddrid,oldid,refflag from addr_ref"_s,
          u"select num,addr from dpaddr97"_s, u"select telnum,dpid from telnum_dp97"_s}) {
        const auto rows = Both(table, false);
        EXPECT_GT(rows.size(), 100) << table.toStdString();
    }
}

TEST_F(Statements, ReadingStatementsGiveTheSameRowsOnBoth) {
    const uint32_t sun = Id(u"select id from addr where grade=7 and name='阳光花园'"_s);
    const uint32_t gold = Id(u"select id from addr where grade=7 and name='金色家园'"_s);
    const uint32_t room = Id(u"select min(id) from addr where grade=10"_s); // 金色家园 comes second
    const uint32_t number = Id(F(u"select parentid from addr where id=%u", {sun}));
    const uint32_t street = Id(F(u"select parentid from addr where id=%u", {number}));
    const uint32_t road = Id(F(u"select parentid from addr where id=%u", {street}));
    const QString sunDp =
        Value(u"select min(t.dpid) from telnum_dp97 t,addr_ref r,dpaddr97 d where r.oldid=t.telnum "
              u"and r.refflag=0 and d.num=t.dpid and d.addr like '%阳光花园%'"_s);
    const QStringList link =
        s_sqlite->Rows(u"select stdaddrid,oldid from addr_ref where refflag=1 order by stdaddrid,oldid"_s)
            .value(0);
    ASSERT_TRUE(sun && gold && room && number && street && road && !sunDp.isEmpty() && link.size() == 2);

    EXPECT_GT(Both(F(::Statements::CountInnerNodes, {Q(kGold)}), true)[0][0].toInt(), 0);
    EXPECT_EQ(Both(F(::Statements::CountInnerNodes, {Q(kSun)}), true)[0][0], u"0"_s);
    EXPECT_EQ(Both(F(::Statements::CandidateCellParents, {L(kSun), 7}), false),
              (QList<QStringList>{{QString::number(number)}}));
    EXPECT_EQ(Both(QString::fromUtf16(::Statements::TopNodeName), false).size(), 2);
    const auto path = Both(F(::Statements::AddressPathUp, {room}), true);
    ASSERT_EQ(path.size(), 10);
    EXPECT_EQ(path[0][2], u"0"_s);
    EXPECT_EQ(path[4][1], u"NULL"_s); // 金色家园 has no street
    EXPECT_EQ(path[6][1], kGold);
    EXPECT_GT(Both(F(::Statements::DpAddresses, {L(kSun)}), false).size(), 30);
    EXPECT_GT(Both(F(::Statements::UnlinkedAddresses, {L(kSun), L(kSun)}), false).size(), 5);
    EXPECT_EQ(Both(F(::Statements::FindPathNodeUnnamed, {road}), false),
              (QList<QStringList>{{QString::number(street)}}));
    EXPECT_EQ(Both(F(::Statements::FindPathNode, {street, Q(u"88号"_s)}), false),
              (QList<QStringList>{{QString::number(number)}}));
    const QList<QStringList> buildings = Both(F(::Statements::ChildrenOfParents, {8, FormatIdList({gold})}), false);
    EXPECT_EQ(std::count_if(buildings.begin(), buildings.end(), [](const QStringList& row) { return row[2] == u"1栋"_s; }),
              1);
    EXPECT_TRUE(Both(F(::Statements::ChildrenOfParents, {8, FormatIdList({sun})}), false).isEmpty());
    EXPECT_TRUE(Both(F(::Statements::LinksOfNodes, {FormatIdList({link[0].toUInt()})}), false)
                    .contains(QStringList{link[0], link[1], u"1"_s}));
    EXPECT_GT(Both(F(::Statements::SubtreeLinks, {gold}), false).size(), 10);
    EXPECT_TRUE(Both(F(::Statements::SubtreeLinks, {sun}), false).isEmpty());
    EXPECT_FALSE(
        Both(F(::Statements::StandardAddressesOfDps, {FormatList(::Statements::TextItem, {{Q(sunDp)}}, ::Statements::Comma)}),
             false)
            .isEmpty());
}

TEST_F(Statements, ChangingStatementsLeaveTheSameTablesOnBoth) {
    const uint32_t sun = Id(u"select id from addr where grade=7 and name='阳光花园'"_s);
    const QStringList standard =
        s_sqlite
            ->Rows(
                u"select min(a.id),max(a.id) from addr a,addr_ref r where a.id=r.stdaddrid and r.refflag=0 and a.name like '阳光花园%'"_s)
            .value(0);
    ASSERT_EQ(standard.size(), 2);
    using namespace ::Statements;
    const QList<QStringList> ids = Both(F(NextAddrIds, {2}), true);
    ASSERT_EQ(ids.size(), 2);
    const uint32_t id = ids[0][0].toUInt();
    EXPECT_EQ(id, Id(u"select max(id) from addr"_s) + 1);
    EXPECT_EQ(ids[1][0].toUInt(), id + 1);
    const uint32_t moved = standard[0].toUInt(), replaced = standard[1].toUInt();
    const QString steps[] = {
        // an empty level is NULL
        F(InsertAddrRows, {FormatList(AddrRow, {{id, Q(u"3栋"_s), 8, sun}, {id + 1, Q(u""_s), 9, id}}, Space)}),
        F(InsertLinkRows,
          {FormatList(LinkRow, {{id, Q(u"110105-00001"_s), 1}, {id + 1, Q(u"20000000"_s), 0}}, Space)}),
        FormatAddressMoves({{moved, u"501"_s, 10, id + 1}}),
        F(DeleteLinksOf, {FormatIdList({replaced})}),
        F(DeleteAddrs, {FormatIdList({replaced})}),
    };
    for (const QString& step : steps) {
        EXPECT_TRUE(s_sqlite->Rows(step).isEmpty()) << step.toStdString();
        EXPECT_TRUE(s_postgres->Rows(step).isEmpty()) << step.toStdString();
    }
    EXPECT_EQ(Both(F(ChildrenOfParents, {8, FormatIdList({sun})}), false),
              (QList<QStringList>{{QString::number(id), QString::number(sun), u"3栋"_s}}));
    EXPECT_EQ(Both(F(::Statements::FindPathNodeUnnamed, {id}), false),
              (QList<QStringList>{{QString::number(id + 1)}}));
    EXPECT_EQ(Both(F(::Statements::SubtreeLinks, {sun}), false).size(),
              2 + s_sqlite->Rows(F(u"select oldid from addr_ref where stdaddrid=%u", {standard[0].toUInt()}))
                      .size());
    Both(u"select id,name,grade,parentid from addr"_s, false);
    Both(u"select stdaddrid,oldid,refflag from addr_ref"_s, false);
}

// --- no whole-table scans -------------------------------------------------------------------------

struct Checked {
    QString statement;
    bool likeSearch; // like '%...%': reads the whole column by nature
};

// The CTE names of a translated statement and their aliases (they may be scanned: they are not
// tables).
QStringList CteNames(const QString& text) {
    static const QRegularExpression cte(u"(\\w+)\\s*(?:\\([\\w\\s,]*\\))?\\s+as\\s*\\("_s,
                                        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const auto& m : cte.globalMatch(text))
        names << m.captured(1).toLower();
    // ... and the names they are read under ("from hier_1 addr").
    for (const QString& name : QStringList(names)) {
        const QRegularExpression alias(u"\\b(?:from|join)\\s+%1\\s+(?:as\\s+)?(\\w+)"_s.arg(name),
                                       QRegularExpression::CaseInsensitiveOption);
        for (const auto& m : alias.globalMatch(text))
            names << m.captured(1).toLower();
    }
    return names;
}

class StatementPlans : public BackendTest {};

TEST_P(StatementPlans, OnlyTheLikeSearchesReadAWholeTable) {
    Database().Generate(2000, 3);
    const dataaccess::SqlDialect dialect =
        GetParam() == Backend::SQLite ? dataaccess::SqlDialect::SQLite : dataaccess::SqlDialect::PostgreSQL;
    const dataaccess::OracleTranslator translator(dialect);
    const QString name = u"阳光花园"_s;
    const std::vector<Checked> statements = {
        {F(::Statements::CountInnerNodes, {Q(name)}), false},
        {F(::Statements::CandidateCellParents, {L(name), 7}), false},
        {F(::Statements::TopNodeName, {}), false},
        {F(::Statements::AddressPathUp, {1500u}), false},
        {F(::Statements::DpAddresses, {L(name)}), true},
        {F(::Statements::UnlinkedAddresses, {L(name), L(name)}), true},
        {F(::Statements::FindPathNodeUnnamed, {4u}), false},
        {F(::Statements::FindPathNode, {5u, Q(u"88号"_s)}), false},
        {F(::Statements::SubtreeLinks, {7u}), false},
        // The commit's batch forms, with more than one item where a list goes.
        {F(::Statements::LockAddrRow, {7u}), false},
        {F(::Statements::LockAddrRows, {FormatIdList({12, 13})}), false},
        {F(::Statements::UnlinkedAddressesAmong, {L(name), L(name), FormatIdList({12, 13})}), true},
        {F(::Statements::ChildrenOfParents, {8, FormatIdList({7, 8, 9})}), false},
        {F(::Statements::InsertAddrRows,
           {FormatList(::Statements::AddrRow, {{9000u, Q(u"1栋"_s), 8, 7u}, {9001u, Q(u""_s), 9, 9000u}},
                       ::Statements::Space)}),
         false},
        {F(::Statements::LinksOfNodes, {FormatIdList({12, 13})}), false},
        {F(::Statements::InsertLinkRows,
           {FormatList(::Statements::LinkRow, {{12u, Q(u"x"_s), 1}, {13u, Q(u"y"_s), 0}}, ::Statements::Space)}),
         false},
        {F(::Statements::StandardAddressesOfDps,
           {FormatList(::Statements::TextItem, {{Q(u"110105-00001"_s)}, {Q(u"110105-00002"_s)}}, ::Statements::Comma)}),
         false},
        {F(::Statements::MoveAddrs,
           {FormatList(::Statements::WhenIdText, {{12u, Q(u"1"_s)}, {13u, Q(u"2"_s)}}, ::Statements::Space),
            FormatList(::Statements::WhenIdGrade, {{12u, 10}, {13u, 10}}, ::Statements::Space),
            FormatList(::Statements::WhenIdId, {{12u, 8u}, {13u, 8u}}, ::Statements::Space), FormatIdList({12, 13})}),
         false},
        {F(::Statements::DeleteLinksOf, {FormatIdList({12, 13})}), false},
        {F(::Statements::DeleteAddrs, {FormatIdList({12, 13})}), false},
    };
    if (GetParam() == Backend::SQLite)
        Database().NativeRows(u"pragma case_sensitive_like=on"_s); // as the data-access layer sets it
    else
        Database().NativeRows(u"set enable_seqscan=off"_s); // a sequential scan then means no usable index

    for (const Checked& c : statements) {
        const QString& statement = c.statement;
        const dataaccess::TranslatedStatement translated = translator.Translate(statement);
        QStringList texts = translated.loopChecks;
        texts << translated.text;
        for (const QString& text : texts) {
            const QStringList ctes = CteNames(text);
            QStringList plan;
            if (GetParam() == Backend::SQLite) {
                for (const QStringList& row : Database().NativeRows(u"explain query plan "_s + text))
                    plan << row.last();
            } else {
                for (const QStringList& row : Database().NativeRows(u"explain "_s + text))
                    plan << row.first();
            }
            QStringList scans;
            // "SCAN CONSTANT ROW", "SCAN 2 CONSTANT ROWS": a values list, not a table.
            static const QRegularExpression sqliteScan(u"^SCAN (?!\\d+ CONSTANT ROWS)(\\w+)"_s);
            static const QRegularExpression pgSeqScan(u"Seq Scan on (\\w+)"_s);
            static const QRegularExpression pgIndexScan(
                u"(Index Only Scan|Index Scan)( Backward)? using \\w+ on (\\w+)"_s);
            for (qsizetype i = 0; i < plan.size(); ++i) {
                const QString& line = plan[i];
                if (GetParam() == Backend::SQLite) {
                    const auto m = sqliteScan.match(line);
                    if (m.hasMatch() && m.captured(1) != u"CONSTANT"_s &&
                        !ctes.contains(m.captured(1).toLower()))
                        scans << line;
                    continue;
                }
                if (const auto m = pgSeqScan.match(line);
                    m.hasMatch() && !ctes.contains(m.captured(1).toLower()))
                    scans << line;
                if (const auto m = pgIndexScan.match(line); m.hasMatch()) {
                    // An index scan without a condition reads the whole index.
                    bool condition = false;
                    for (qsizetype j = i + 1; j < plan.size() && !plan[j].contains(u"->"_s); ++j)
                        condition = condition || plan[j].contains(u"Index Cond:"_s);
                    if (!condition)
                        scans << line;
                }
            }
            if (c.likeSearch)
                continue;
            EXPECT_TRUE(scans.isEmpty())
                << statement.toStdString() << "\n  translated: " << text.toStdString() << "\n  plan:\n    "
                << plan.join(u"\n    "_s).toStdString();
        }
    }
}

INSTANTIATE_BACKENDS(StatementPlans);

} // namespace
