// tessel init-db and tessel sql, run as a user runs them.
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

Outcome Tessel(const QStringList& args) {
    return RunTessel(args);
}

class DatabaseCommands : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString Url(const QString& file) { return u"sqlite:"_s + m_dir.filePath(file); }
};

TEST_F(DatabaseCommands, InitDbWritesTheDemoAndSqlPrintsRowsAsText) {
    const QString url = Url(u"demo.db"_s);
    const Outcome init = Tessel({u"init-db"_s, url, u"--demo"_s});
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_TRUE(QRegularExpression(u"^addr \\d+ rows, addr_ref \\d+, dpaddr97 \\d+, telnum_dp97 \\d+"_s)
                    .match(init.out)
                    .hasMatch())
        << init.out.toStdString();

    const struct {
        const char16_t* statement;
        const char16_t* output;
    } cases[] = {
        // Tab-separated, NULL as NULL, numbers as decimals.
        {u"select id,name,grade,parentid from addr where id<=7 order by id",
         u"1\t北京市\t1\t0\n2\t朝阳区\t2\t1\n3\t建外街道\t3\t2\n4\t建国路\t4\t3\n5\tNULL\t5\t4\n6\t88号\t6\t5"
         u"\n7\t阳光花园\t7\t6\n"},
        {u"select count(*) from addr where parentid=0", u"2\n"},
        {u"select id,name from addr start with id=7 connect by id = Prior parentid order by level desc",
         u"1\t北京市\n2\t朝阳区\n3\t建外街道\n4\t建国路\n5\tNULL\n6\t88号\n7\t阳光花园\n"},
        {u"select 1.5, 'a''b' from dual", u"1.5\ta'b\n"},
        {u"select id from addr where id=0", u""},
        // A statement without rows prints nothing; its effect is there afterwards.
        {u"insert into addr (id,name,grade,parentid) values(4000000000,'',8,7)", u""},
        {u"select id,name from addr where parentid=7 and name is null", u"4000000000\tNULL\n"},
        {u"delete addr where id=4000000000", u""},
        {u"select count(*) from addr where id=4000000000", u"0\n"},
    };
    for (const auto& c : cases) {
        const Outcome sql = Tessel({u"sql"_s, url, QString::fromUtf16(c.statement)});
        EXPECT_EQ(sql.exitCode, 0) << sql.err.toStdString();
        EXPECT_EQ(sql.out, QString::fromUtf16(c.output)) << QString::fromUtf16(c.statement).toStdString();
    }
    const Outcome next = Tessel({u"sql"_s, url, u"select seq_addr.nextval from dual"_s});
    EXPECT_TRUE(QRegularExpression(u"^\\d+\n$"_s).match(next.out).hasMatch()) << next.out.toStdString();
}

TEST_F(DatabaseCommands, AFailingStatementPrintsTheDatabasesMessageAndExitsWithOne) {
    const QString url = Url(u"empty.db"_s);
    const Outcome init = Tessel({u"init-db"_s, url});
    ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_EQ(Tessel({u"sql"_s, url, u"select count(*) from addr"_s}).out, u"0\n"_s);

    const Outcome bad = Tessel({u"sql"_s, url, u"select x from nowhere"_s});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(bad.err.contains(u"nowhere"_s)) << bad.err.toStdString();

    const Outcome again = Tessel({u"init-db"_s, url}); // the tables are there already
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(u"addr"_s)) << again.err.toStdString();

    const Outcome unknown = Tessel({u"sql"_s, u"mysql://x"_s, u"select 1 from dual"_s});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_FALSE(unknown.err.isEmpty());
}

// An SQLite database init-db makes keeps a write-ahead log: every command opens it and writes it (a
// decompose run over many compounds included), another program's read-only connection reads it,
// and once the last connection is closed the log is gone again, its pages in the database file.
TEST_F(DatabaseCommands, InitDbLeavesSqliteInWalModeAndEveryCommandUsesIt) {
    for (const QStringList& init : {QStringList{u"--demo"_s}, QStringList{}}) {
        const QString url = Url(init.isEmpty() ? u"empty.db"_s : u"demo.db"_s);
        const Outcome made = Tessel(QStringList{u"init-db"_s, url} + init);
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
        EXPECT_EQ(made.err, QString()) << made.err.toStdString();
        EXPECT_EQ(Tessel({u"sql"_s, url, u"pragma journal_mode"_s}).out, u"wal\n"_s);
    }
    const QString url = Url(u"demo.db"_s);
    const Outcome compounds = Tessel({u"sql"_s, url, u"select name from addr where grade=7 order by id"_s});
    ASSERT_GE(compounds.out.count(u'\n'), 8) << compounds.out.toStdString(); // a run over many
    const Outcome run = RunTessel({u"decompose"_s, url, u"--cells"_s, u"-"_s, u"--dp-pattern"_s, u"auto"_s,
                                   u"--addr-pattern"_s, u"auto"_s},
                                  {.input = compounds.out.toUtf8()});
    EXPECT_TRUE(run.out.contains(u"\twritten\t"_s)) << run.out.toStdString() << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(u"failed"_s)) << run.out.toStdString();
    const Outcome history = Tessel({u"history"_s, url});
    EXPECT_EQ(history.exitCode, 0) << history.err.toStdString();
    const int runs = static_cast<int>(history.out.count(u"\tkept\n"_s));
    EXPECT_GT(runs, 0) << history.out.toStdString();
    EXPECT_EQ(Tessel({u"undo"_s, url, u"1"_s}).exitCode, 0);
    EXPECT_EQ(Tessel({u"suggest"_s, url, u"--cell"_s, u"阳光花园"_s}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(m_dir.filePath(u"demo.db-wal"_s)));

    {
        QSqlDatabase reader = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"another-program"_s);
        reader.setDatabaseName(m_dir.filePath(u"demo.db"_s));
        reader.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        ASSERT_TRUE(reader.open()) << reader.lastError().text().toStdString();
        QSqlQuery query(reader);
        ASSERT_TRUE(query.exec(u"select count(*) from journal_run"_s)) << query.lastError().text().toStdString();
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), runs);
        query.finish();
        reader.close();
    }
    QSqlDatabase::removeDatabase(u"another-program"_s);
}

TEST_F(DatabaseCommands, HelpAndUsage) {
    for (const QString& command : {u"init-db"_s, u"sql"_s}) {
        const Outcome help = Tessel({command, u"--help"_s});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith(u"usage: tessel "_s + command)) << help.out.toStdString();
        EXPECT_EQ(Tessel({command}).exitCode, 2);
    }
    EXPECT_EQ(Tessel({u"init-db"_s, Url(u"x.db"_s), u"--size"_s, u"many"_s}).exitCode, 2);
    EXPECT_EQ(Tessel({u"sql"_s, Url(u"x.db"_s)}).exitCode, 2);
}

TEST_F(DatabaseCommands, TheSameSeedGivesTheSameRowsOnPostgreSQL) {
    if (!TestDatabase::Available(Backend::PostgreSQL))
        GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set";
    TestDatabase postgres(Backend::PostgreSQL, false);
    const QString sqlite = Url(u"same.db"_s);
    for (const QString& url : {postgres.Url(), sqlite}) {
        const Outcome init = Tessel({u"init-db"_s, url, u"--size"_s, u"800"_s, u"--seed"_s, u"5"_s});
        ASSERT_EQ(init.exitCode, 0) << url.toStdString() << ": " << init.err.toStdString();
    }
    for (const QString& statement : {u"select id,name,grade,parentid from addr order by id"_s,
                                     u"select num,addr from dpaddr97 order by num"_s,
                                     u"select a.id,a.grade,b.oldid as dpid from (select id,grade from addr "
                                     u"start with id=8 connect by Prior "
                                     u"id=parentid) A, addr_ref B where B.stdaddrid=A.id order by 1,3"_s}) {
        const Outcome a = Tessel({u"sql"_s, postgres.Url(), statement});
        const Outcome b = Tessel({u"sql"_s, sqlite, statement});
        EXPECT_EQ(a.exitCode, 0) << a.err.toStdString();
        EXPECT_FALSE(a.out.isEmpty());
        EXPECT_EQ(a.out, b.out) << statement.toStdString();
    }
}

} // namespace
