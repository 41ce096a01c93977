// A run over many compounds finds the entries of pages 3 and 5 in texts it read once: for every name
// it gives exactly the entries, in the same order, that the pages' own statements give on the
// database (like '%name%', case-sensitive, every character literal), and still does after the run's
// own writes.
#include "pages/rules/AddressEntryLoader.h"
#include "pages/rules/CompoundSearchCache.h"
#include "platform/dataaccess/Connection.h"
#include "tests/support/TestSupport.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Texts that hold one another, short ones, like's wildcards and its escape character, quotes,
// Latin letters in other cases, a character outside the basic plane, and NULL.
const QStringList kTexts = {u"阳光花园3栋2单元501室"_s,
                            u"建国路88号阳光花园4-1-101"_s,
                            u"新阳光花园A座5层503"_s,
                            u"阳光花园"_s,
                            u"花园"_s,
                            u"Sunny Garden 3-2-101"_s,
                            u"SUNNY GARDEN 1-1-101"_s,
                            u"sunny garden 2-2-202"_s,
                            u"100%花园1栋1单元101室"_s,
                            u"100x花园2栋1单元"_s,
                            u"a_b花苑3栋1单元"_s,
                            u"axb花苑4栋1单元"_s,
                            u"c\\d小区5栋1单元"_s,
                            u"O'Brien苑6栋1单元"_s,
                            u"𠀀园7栋1单元701室"_s,
                            u"园"_s,
                            QString()};

const QStringList kNames = {u"阳光花园"_s, u"花园"_s,   u"园"_s,   u"Sunny Garden"_s, u"sunny"_s,  u"SUNNY"_s,
                            u"100%花园"_s, u"a_b花苑"_s, u"_"_s,    u"%"_s,            u"c\\d"_s,  u"\\"_s,
                            u"O'Brien"_s,  u"'"_s,      u"𠀀园"_s, u"𠀀"_s,           u"x"_s,     u"不在这里"_s};

QString Literal(const QString& text) {
    return text.isNull() ? u"null"_s : u"'"_s + QString(text).replace(u"'"_s, u"''"_s) + u"'"_s;
}

// Each text as a DP address and as the name of a linked standard address below node 1, which has
// children and so is never an unlinked address itself. Every other address's telephone number is on
// the DP of the same text, which takes it off page 5 for the names that text holds.
QStringList Fixture() {
    QStringList statements = {u"insert into addr (id,name,grade,parentid) values(1,'花园总部',7,0)"_s,
                              u"insert into addr_ref (stdaddrid,oldid,refflag) values(1,'T-1',0)"_s};
    for (qsizetype i = 0; i < kTexts.size(); ++i) {
        const QString n = QString::number(i);
        statements << u"insert into dpaddr97 (num,addr) values('D%1',%2)"_s.arg(n, Literal(kTexts[i]))
                   << u"insert into addr (id,name,grade,parentid) values(%1,%2,8,1)"_s.arg(100 + i).arg(Literal(kTexts[i]))
                   << u"insert into addr_ref (stdaddrid,oldid,refflag) values(%1,'T%2',0)"_s.arg(100 + i).arg(n);
        if (i % 2 == 0)
            statements << u"insert into telnum_dp97 (telnum,dpid) values('T%1','D%1')"_s.arg(n);
    }
    return statements;
}

QStringList Lines(const std::vector<AddressEntry>& entries) {
    QStringList lines;
    for (const AddressEntry& e : entries)
        lines << QString::fromStdU16String(e.oldId) + u" "_s + QString::number(e.stdAddrId) + u" "_s +
                     QString::fromStdU16String(e.text);
    return lines;
}

class CompoundSearch : public ::testing::Test {
protected:
    void SetUp() override { m_database.Load(Fixture()); }

    // Both pages' entries for `name`, read by the cache and by the pages' statements, are the same.
    void ExpectSameEntries(CompoundSearchCache& cache, const QString& name) {
        using Source = AddressEntryLoader::Source;
        const auto dp = cache.DpEntries(name);
        const auto unlinked = cache.UnlinkedEntries(name);
        ASSERT_TRUE(dp && unlinked) << name.toStdString() << ": a name of the run is answered from memory";
        EXPECT_EQ(Lines(*dp), Lines(AddressEntryLoader::Load(Source::DpAddresses, name))) << name.toStdString();
        EXPECT_EQ(Lines(*unlinked), Lines(AddressEntryLoader::Load(Source::UnlinkedAddresses, name)))
            << name.toStdString();
    }
    static std::vector<QString> RunNames() { return {kNames.begin(), kNames.end()}; }

    TestDatabase m_database;
    AttachedDatabase m_attached{m_database};
};

TEST_F(CompoundSearch, FindsWhatTheStatementsFind) {
    ASSERT_TRUE(CompoundSearchCache::Suits());
    CompoundSearchCache cache(RunNames());
    MessageBoxRecorder boxes;
    for (const QString& name : kNames)
        ExpectSameEntries(cache, name);
    EXPECT_TRUE(boxes.Boxes().isEmpty());
    // Something was found at all: the comparison is not between two empty lists.
    EXPECT_EQ(cache.DpEntries(u"阳光花园"_s)->size(), 4u);
    EXPECT_EQ(cache.UnlinkedEntries(u"园"_s)->size(), 2u);
}

TEST_F(CompoundSearch, FollowsTheRunsOwnWritesOnceReadAgain) {
    CompoundSearchCache cache(RunNames());
    ExpectSameEntries(cache, u"阳光花园"_s);
    // What a commit does to addr: a new address, an address renamed to hold the name and one renamed
    // so that it no longer does, and one deleted.
    g_pDatabase->RunStatement(u"insert into addr (id,name,grade,parentid) values(500,'阳光花园9栋9单元909室',8,1)"_s);
    g_pDatabase->RunStatement(u"insert into addr_ref (stdaddrid,oldid,refflag) values(500,'T500',0)"_s);
    g_pDatabase->RunStatement(u"update addr set name='改名阳光花园8栋8单元' where id=%1"_s.arg(100 + 5));
    g_pDatabase->RunStatement(u"update addr set name='改名' where id=%1"_s.arg(100 + 1));
    g_pDatabase->RunStatement(u"delete addr where id=%1"_s.arg(100 + 3));
    cache.Reread({500, 100 + 5, 100 + 1, 100 + 3});
    for (const QString& name : kNames)
        ExpectSameEntries(cache, name);
    EXPECT_EQ(cache.UnlinkedEntries(u"阳光花园"_s)->size(), 2u);
}

TEST_F(CompoundSearch, SeesWhatAnotherConnectionCommits) {
    CompoundSearchCache cache(RunNames());
    ExpectSameEntries(cache, u"阳光花园"_s);
    const auto sent = [] {
        return dataaccess::Connection::From(g_pDatabase->CurrentConnection().Get())->StatementsSent();
    };
    const long long before = sent();
    cache.DpEntries(u"花园"_s);
    EXPECT_EQ(sent() - before, 2) << "nothing changed: only the check and the name's rows, no reading again";

    // An operator beside the run: a new DP address, a new address, one renamed away from the name.
    QSqlQuery other(m_database.Native());
    for (const QString& statement :
         {u"insert into dpaddr97 (num,addr) values('D900','阳光花园9栋1单元901室')"_s,
          u"insert into addr (id,name,grade,parentid) values(900,'阳光花园9栋1单元902室',8,1)"_s,
          u"insert into addr_ref (stdaddrid,oldid,refflag) values(900,'T900',0)"_s,
          u"update addr set name='改名' where id=101"_s})
        ASSERT_TRUE(other.exec(statement)) << other.lastError().text().toStdString();
    for (const QString& name : kNames)
        ExpectSameEntries(cache, name);
    EXPECT_EQ(cache.DpEntries(u"阳光花园"_s)->size(), 5u);
}

// A run keeps rows only for the names it was given: a cell name that holds one of them (a compound
// a name stands for begins with it) is answered from those rows, exactly as the database answers;
// one that holds none is left to the database.
TEST_F(CompoundSearch, KeepsRowsOnlyForTheRunsNames) {
    CompoundSearchCache cache({u"阳光"_s, u"Sunny"_s, u"𠀀"_s, u"%"_s});
    for (const QString& held : {u"阳光花园"_s, u"新阳光花园"_s, u"Sunny Garden"_s, u"𠀀园"_s, u"100%花园"_s})
        ExpectSameEntries(cache, held);
    for (const QString& notHeld : {u"花园"_s, u"sunny"_s, u"园"_s, u"阳"_s})
        EXPECT_FALSE(cache.DpEntries(notHeld) || cache.UnlinkedEntries(notHeld)) << notHeld.toStdString();
    // Far fewer rows than the table holds: those of the names given only.
    CompoundSearchCache everything(RunNames());
    ExpectSameEntries(everything, u"园"_s);
    EXPECT_LT(cache.BytesHeld(), everything.BytesHeld());
}

TEST(CompoundSearchSuits, OnlySQLite) {
    if (!TestDatabase::Available(Backend::PostgreSQL))
        GTEST_SKIP() << "no PostgreSQL";
    TestDatabase database(Backend::PostgreSQL);
    AttachedDatabase attached(database);
    EXPECT_FALSE(CompoundSearchCache::Suits());
}

} // namespace
