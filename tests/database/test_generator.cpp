// The generator: the same seed gives the same database, the tree keeps the rules the statements
// rely on, and the demo compounds hold what the wizard and the README promise.
#include "database/AddressDatabaseGenerator.h"
#include "database/AddressTextForms.h"
#include "database/QtSqlConnection.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<QStringList> Dump(TestDatabase& db) {
    QList<QStringList> all;
    for (const QString& table :
         {u"select id,name,grade,parentid from addr order by id"_s,
          u"select stdaddrid,oldid,refflag from addr_ref order by stdaddrid,oldid,refflag"_s,
          u"select num,addr from dpaddr97 order by num"_s,
          u"select telnum,dpid from telnum_dp97 order by telnum,dpid"_s,
          u"select seq_addr.nextval from dual"_s})
        all += db.Rows(table);
    return all;
}

TEST(Generator, TheSameSeedGivesTheSameDatabaseAndAnotherSeedAnother) {
    TestDatabase a, b, c;
    a.Generate(1500, 42);
    b.Generate(1500, 42);
    c.Generate(1500, 43);
    const auto dumpA = Dump(a);
    EXPECT_EQ(dumpA, Dump(b));
    EXPECT_NE(dumpA, Dump(c));
}

TEST(Generator, ReachesTheSizeAndKeepsTheTreeRules) {
    TestDatabase db;
    db.Generate(5000, 7);
    const int rows = db.Rows(u"select count(*) from addr"_s)[0][0].toInt();
    EXPECT_GE(rows, 5000);
    EXPECT_LT(rows, 5200); // a compound is never cut, but the size is reached closely

    const auto none = QList<QStringList>{{u"0"_s}};
    // Every node sits one grade below its parent; the tops are cities.
    EXPECT_EQ(db.Rows(u"select count(*) from addr c,addr p where c.parentid=p.id and c.grade<>p.grade+1"_s),
              none);
    EXPECT_EQ(db.Rows(u"select count(*) from addr where parentid=0 and grade<>1"_s), none);
    EXPECT_EQ(
        db.Rows(u"select count(*) from addr c where parentid<>0 and not exists(select id from addr p where "
                u"p.id=c.parentid)"_s),
        none);
    // Names are unique among the children of a node (an unnamed level at most once).
    EXPECT_TRUE(
        db.Rows(u"select parentid,name from addr group by parentid,name having count(*)>1"_s).isEmpty());
    // Links point at nodes; numbers hang on DPs that exist; DP numbers are unique.
    EXPECT_EQ(
        db.Rows(
            u"select count(*) from addr_ref r where not exists(select id from addr a where a.id=r.stdaddrid)"_s),
        none);
    EXPECT_EQ(db.Rows(u"select count(*) from telnum_dp97 t where not exists(select num from dpaddr97 d where "
                      u"d.num=t.dpid)"_s),
              none);
    EXPECT_TRUE(db.Rows(u"select stdaddrid,oldid from addr_ref group by stdaddrid,oldid having count(*)>1"_s)
                    .isEmpty());
    // Every cell has a complete path of six nodes above it.
    EXPECT_EQ(
        db.Rows(u"select count(*) from addr c where c.grade=7 and not exists(select id from addr n where "
                u"n.id=c.parentid and n.grade=6)"_s),
        none);
    // The sequence continues after the largest id.
    EXPECT_EQ(db.Rows(u"select seq_addr.nextval from dual"_s)[0][0].toLongLong(),
              db.Rows(u"select max(id) from addr"_s)[0][0].toLongLong() + 1);
    // Some unnamed levels, some compounds with an inner tree, some DPs without a telephone number.
    EXPECT_GT(db.Rows(u"select count(*) from addr where name is null"_s)[0][0].toInt(), 10);
    EXPECT_GT(
        db.Rows(
              u"select count(distinct a.parentid) from addr a,addr c where a.parentid=c.id and c.grade=7 and "
              u"a.grade=8"_s)[0][0]
            .toInt(),
        2);
    EXPECT_GT(
        db.Rows(u"select count(*) from dpaddr97 d where not exists(select dpid from telnum_dp97 t where "
                u"t.dpid=d.num)"_s)[0][0]
            .toInt(),
        0);
}

TEST(Generator, TheDemoCompoundHoldsWhatTheWizardNeeds) {
    TestDatabase db;
    db.Generate(AddressGeneratorOptions{}.size, AddressGeneratorOptions{}.seed);
    const QString sun = QString::fromUtf16(AddressDatabaseGenerator::DemoCellName);
    const QString gold = QString::fromUtf16(AddressDatabaseGenerator::DemoCellWithInnerTree);

    // One cell of the name, at 北京市/朝阳区/建外街道/建国路/(no street)/88号; 北京市 first among the tops.
    const auto parents =
        db.Rows(FormatStatement(Statements::CandidateCellParents, {SqlText::LikeLiteral(sun), 7}));
    ASSERT_EQ(parents.size(), 1);
    QStringList path;
    for (const QStringList& row :
         db.Rows(FormatStatement(Statements::AddressPathUp, {parents[0][0].toUInt()})))
        path << row[1];
    EXPECT_EQ(path.join(u'/'), u"北京市/朝阳区/建外街道/建国路/NULL/88号"_s);
    EXPECT_EQ(db.Rows(QString::fromUtf16(Statements::TopNodeName)).value(0).value(0), u"北京市"_s);

    // DP addresses in several forms.
    QStringList texts;
    for (const QStringList& row :
         db.Rows(FormatStatement(Statements::DpAddresses, {SqlText::LikeLiteral(sun)})))
        texts << row[1].mid(row[1].indexOf(sun) + sun.size());
    EXPECT_GE(texts.size(), 40);
    const struct {
        const char16_t* what;
        const char16_t* pattern;
    } forms[] = {
        {u"3栋2单元501室", u"^\\d栋\\d单元\\d{3}室$"},
        {u"3-2-501", u"^\\d-\\d-\\d{3}$"},
        {u"full-width digits", u"[０-９]"},
        {u"Chinese numerals", u"^[一二三四五六]+(栋|号楼)"},
        {u"parentheses", u"[()（）]"},
        {u"no pattern", u"^\\D+$"},
    };
    for (const auto& f : forms) {
        const QRegularExpression re(QString::fromUtf16(f.pattern));
        EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const QString& t) {
            return re.match(t).hasMatch();
        })) << QString::fromUtf16(f.what).toStdString();
    }

    // Standard addresses without a DP of the cell, and standard addresses on its DPs.
    EXPECT_GE(db.Rows(FormatStatement(Statements::UnlinkedAddresses,
                                      {SqlText::LikeLiteral(sun), SqlText::LikeLiteral(sun)}))
                  .size(),
              5);
    int onDps = 0;
    for (const QStringList& dp :
         db.Rows(FormatStatement(Statements::DpAddresses, {SqlText::LikeLiteral(sun)})))
        onDps += int(db.Rows(FormatStatement(Statements::StandardAddressesOfDps,
                                             {FormatList(Statements::TextItem, {{SqlText::Quote(dp[0])}},
                                                         Statements::Comma)}))
                         .size());
    EXPECT_GE(onDps, 5);

    // No inner tree below 阳光花园 yet; one below 金色家园.
    EXPECT_EQ(db.Rows(FormatStatement(Statements::CountInnerNodes, {SqlText::Quote(sun)}))[0][0], u"0"_s);
    EXPECT_GT(db.Rows(FormatStatement(Statements::CountInnerNodes, {SqlText::Quote(gold)}))[0][0].toInt(), 0);
    // No other compound's name contains the demo names.
    EXPECT_EQ(
        db.Rows(
            u"select count(*) from addr where grade=7 and name like '%阳光花园%' and name<>'阳光花园' and "
            u"parentid<>%1"_s.arg(parents[0][0])),
        (QList<QStringList>{{u"0"_s}}));
}

TEST(Generator, TheDemoCompoundsAreTheSameForEverySeedAndSize) {
    TestDatabase a, b;
    a.Generate(500, 1);
    b.Generate(4000, 99);
    const QString dp =
        u"select num,addr from dpaddr97 where addr like '%阳光花园%' or addr like '%金色家园%' order by num"_s;
    EXPECT_EQ(a.Rows(dp), b.Rows(dp));
}

TEST(Generator, CreatesAnSqliteFileWithEverything) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"demo.db"_s);
    const auto figures = AddressDatabaseGenerator().CreateSqliteFile(path);
    EXPECT_GE(figures.addr, 2000);
    EXPECT_GT(figures.dpaddr, 1000);
    EXPECT_GT(figures.addrRef, 1000);
    EXPECT_GT(figures.telnum, 1000);
    QtSqlConnection connection(u"sqlite:"_s + path);
    QSqlQuery query(connection.Database());
    ASSERT_TRUE(query.exec(u"select count(*) from sqlite_master where type='index' and name like 'addr%'"_s));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 4);
}

TEST(TextForms, Numerals) {
    EXPECT_EQ(AddressTextForms::ChineseNumber(3), u"三"_s);
    EXPECT_EQ(AddressTextForms::ChineseNumber(10), u"十"_s);
    EXPECT_EQ(AddressTextForms::ChineseNumber(12), u"十二"_s);
    EXPECT_EQ(AddressTextForms::ChineseNumber(20), u"二十"_s);
    EXPECT_EQ(AddressTextForms::ChineseNumber(35), u"三十五"_s);
    EXPECT_EQ(AddressTextForms::ChineseDigits(501), u"五零一"_s);
    EXPECT_EQ(AddressTextForms::FullWidth(u"3-2-501A"_s), u"３－２－５０１Ａ"_s);
    EXPECT_EQ(AddressTextForms::Misspelled(u"阳光花园"_s, 0), u"阳广花园"_s);
}

} // namespace
