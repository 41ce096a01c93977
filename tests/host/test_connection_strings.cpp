// Connection strings as users write them, through the program: every ODBC form reaches the
// throwaway PostgreSQL through unixODBC's PostgreSQL driver, and no password is ever printed.
#include "platform/dataaccess/ConnectionString.h"

#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

Outcome Tessel(const QStringList& args, const QProcessEnvironment& environment) {
    return RunTessel(args, {.environment = environment});
}

// The throwaway server's socket directory and port, and an odbc.ini that names it.
class ServerOverOdbc : public ::testing::Test {
protected:
    void SetUp() override {
        const QString url = qEnvironmentVariable("TESSEL_TEST_PG_URL");
        if (url.isEmpty())
            GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
        m_server = *dataaccess::ConnectionString::Parse(url, nullptr);
        ASSERT_TRUE(m_dir.isValid());
        QFile ini(m_dir.filePath(u"odbc.ini"_s));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(u"[tessel_pg]\nDriver=PostgreSQL Unicode\nServername=%1\nPort=%2\nDatabase=%3\nUsername=%4\n"_s
                      .arg(m_server.host, QString::number(m_server.port), m_server.database, m_server.user)
                      .toUtf8());
        ini.close();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"ODBCINI"_s, ini.fileName());
    }
    // DRIVER={PostgreSQL Unicode};... for the same server, without a data source.
    QString DriverString(const QString& database, const QString& password) const {
        return u"DRIVER={PostgreSQL Unicode};Servername=%1;Port=%2;Database=%3;UID=%4;PWD=%5"_s.arg(
            m_server.host, QString::number(m_server.port), database, m_server.user, password);
    }

    QTemporaryDir m_dir;
    dataaccess::ConnectionString m_server;
    QProcessEnvironment m_environment;
};

TEST_F(ServerOverOdbc, EveryFormUsersWriteReachesTheServer) {
    const QString user = m_server.user;
    const QString forms[] = {
        u"odbc:DSN=tessel_pg;UID=%1;PWD=secret"_s.arg(user),
        u"odbc:DSN=tessel_pg"_s,
        u"odbc:dsn=tessel_pg;uid=%1"_s.arg(user),
        u"odbc: DSN = tessel_pg ; UID=%1 ; PWD={se;c=ret}"_s.arg(user),
        u"odbc:UID=%1;DSN=tessel_pg;Database=%2"_s.arg(user, m_server.database),
        u"odbc:tessel_pg"_s,
        u"odbc:tessel_pg;UID=%1"_s.arg(user),
        u"odbc:"_s + DriverString(m_server.database, u"{x;y}"_s),
        u"odbc:Driver={PostgreSQL Unicode};Servername=%1;Port=%2;Database=%3;Uid=%4"_s.arg(
            m_server.host, QString::number(m_server.port), m_server.database, user),
    };
    for (const QString& form : forms) {
        const Outcome sql = Tessel({u"sql"_s, form, u"select 'reached', 1.5 from dual"_s}, m_environment);
        EXPECT_EQ(sql.exitCode, 0) << form.toStdString() << "\n" << sql.err.toStdString();
        EXPECT_EQ(sql.out, u"reached\t1.5\n"_s) << form.toStdString();
    }
}

// Every command that opens a database, URL standing for the connection string; the wizard with a
// script, so that it opens the database without a display.
QList<QStringList> CommandsOpening(const QString& url, const QString& scriptFile) {
    return {
        {u"sql"_s, url, u"select 1 from dual"_s},
        {u"init-db"_s, url},
        {u"init-db"_s, url, u"--demo"_s, u"--force"_s},
        {u"wizard"_s, url, u"--script"_s, scriptFile},
        {u"decompose"_s, url, u"--cell"_s, u"阳光花园"_s},
        {u"decompose"_s, url, u"--cell"_s, u"阳光花园"_s, u"--dry-run"_s, u"--format"_s, u"json"_s},
        {u"suggest"_s, url, u"--cell"_s, u"阳光花园"_s},
        {u"history"_s, url},
        {u"undo"_s, url, u"1"_s},
        {u"init-db"_s, url, u"--journal"_s},
    };
}

// Runs every command on every URL and checks that none prints `secret`, in any form.
void ExpectNoCommandPrints(const QString& secret, const QStringList& urls, const QProcessEnvironment& environment) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath(u"script.txt"_s);
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("click 2\n");
    file.close();
    for (const QString& url : urls) {
        for (const QStringList& args : CommandsOpening(url, script)) {
            const Outcome run = Tessel(args, environment);
            const std::string what = args.join(u' ').toStdString();
            EXPECT_EQ(run.exitCode, 1) << what << "\n" << run.err.toStdString();
            EXPECT_EQ(run.err.count(u'\n'), 1) << what << "\n" << run.err.toStdString();
            EXPECT_FALSE(run.out.contains(secret) || run.err.contains(secret))
                << what << "\nprinted:\n" << run.out.toStdString() << run.err.toStdString();
        }
    }
}

// A password in any form stays out of everything the program prints when the connection fails.
TEST_F(ServerOverOdbc, PasswordsAreNeverPrinted) {
    const QString secret = u"Sesame4711"_s;
    const QString socket = u"host=%1&port=%2"_s.arg(m_server.host).arg(m_server.port);
    ExpectNoCommandPrints(secret,
                          {
                              u"postgresql://%1:%2@/no_such_db?%3"_s.arg(m_server.user, secret, socket),
                              u"postgresql://%1@/no_such_db?%3&password=%2"_s.arg(m_server.user, secret, socket),
                              u"postgresql://%1:%2@/no_such_db/x@y?%3"_s.arg(m_server.user, secret, socket),
                              u"odbc:DSN=no_such_dsn;UID=%1;PWD=%2"_s.arg(m_server.user, secret),
                              u"odbc:DSN=tessel_pg;Database=no_such_db;UID=%1;PWD={%2}"_s.arg(m_server.user, secret),
                              u"odbc:"_s + DriverString(u"no_such_db"_s, secret),
                          },
                          m_environment);
}

// The same with no server at all: a refused connection, an unknown data source, a string that
// cannot be read.
TEST(Passwords, NoCommandPrintsOneWhenTheConnectionFails) {
    const QString secret = u"topsecret"_s;
    ExpectNoCommandPrints(secret,
                          {
                              u"postgresql://alice:%1@127.0.0.1:1/db"_s.arg(secret),
                              u"postgresql://alice:%1@127.0.0.1:notaport/db"_s.arg(secret),
                              u"postgresql://alice@127.0.0.1:1/db?password=%1"_s.arg(secret),
                              u"odbc:DSN=tessel_no_such_dsn;UID=alice;PWD={%1;x}"_s.arg(secret),
                              u"odbc:DSN=tessel_no_such_dsn;UID=alice;PWD=%1"_s.arg(secret),
                              u"odbc:DRIVER={PostgreSQL Unicode};Servername=127.0.0.1;Port=1;UID=alice;PWD=%1"_s.arg(
                                  secret),
                          },
                          QProcessEnvironment::systemEnvironment());
}

// An SQLite file through unixODBC's SQLite driver: decompose writes there as on sqlite:, its
// sequence draws giving new values (the driver yields no row from "update ... returning"), and
// refuses --jobs 2 as on sqlite:.
TEST(SqliteOverOdbc, DecomposeWritesAndTheSequenceAdvances) {
    if (!QFile::exists(u"/etc/odbcinst.ini"_s) || !QFile(u"/etc/odbcinst.ini"_s).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no /etc/odbcinst.ini";
    QFile drivers(u"/etc/odbcinst.ini"_s);
    ASSERT_TRUE(drivers.open(QIODevice::ReadOnly));
    if (!drivers.readAll().contains("[SQLite3]"))
        GTEST_SKIP() << "unixODBC knows no SQLite3 driver (libsqliteodbc)";
    QTemporaryDir dir;
    const QString file = dir.filePath(u"odbc.db"_s);
    ASSERT_EQ(RunTessel({u"init-db"_s, u"sqlite:"_s + file, u"--demo"_s}).exitCode, 0);
    const QString url = u"odbc:DRIVER={SQLite3};Database="_s + file;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    const Outcome first = Tessel({u"sql"_s, url, u"select seq_addr.nextval from dual"_s}, environment);
    const Outcome second = Tessel({u"sql"_s, url, u"select seq_addr.nextval from dual"_s}, environment);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(second.out.trimmed().toLongLong(), first.out.trimmed().toLongLong() + 1) << first.out.toStdString();

    const Outcome decompose = Tessel({u"decompose"_s, url, u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s,
                                      u"栋/元/室"_s, u"--addr-pattern"_s, u"栋/元/室"_s},
                                     environment);
    EXPECT_EQ(decompose.exitCode, 0) << decompose.out.toStdString() << decompose.err.toStdString();
    EXPECT_TRUE(decompose.out.contains(u"\twritten\t"_s)) << decompose.out.toStdString();
    const Outcome buildings = Tessel({u"sql"_s, u"sqlite:"_s + file,
                                      u"select count(*) from addr a, addr c where a.parentid=c.id and a.grade=8 and "
                                      u"c.name='阳光花园' and c.grade=7"_s},
                                     environment);
    EXPECT_GT(buildings.out.trimmed().toInt(), 0) << buildings.out.toStdString() << buildings.err.toStdString();

    // One writer at a time: --jobs above 1 is bad usage here too, known once the data source is open.
    const Outcome jobs = Tessel({u"decompose"_s, url, u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"2"_s}, environment);
    EXPECT_EQ(jobs.exitCode, 2) << jobs.err.toStdString();
    EXPECT_TRUE(jobs.out.isEmpty()) << jobs.out.toStdString();
    EXPECT_TRUE(jobs.err.startsWith(u"tessel decompose: --jobs 2 needs a PostgreSQL or Oracle server"_s))
        << jobs.err.toStdString();
}

// An unknown data source: the message names the files the data sources were looked for in.
TEST(Passwords, AnUnknownDataSourceNamesTheFilesSearched) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"ODBCINI"_s, u"/nonexistent/tessel-odbc.ini"_s);
    const Outcome run = Tessel({u"sql"_s, u"odbc:DSN=tessel_no_such_dsn"_s, u"select 1 from dual"_s}, environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"/nonexistent/tessel-odbc.ini"_s)) << run.err.toStdString();
    EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
}

} // namespace
