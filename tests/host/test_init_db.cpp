// tessel init-db's long runs, as a user meets them: progress on a terminal and silence elsewhere,
// Ctrl-C that leaves nothing half-made, a schema that is created whole or not at all, --force.
#include "database/QtSqlConnection.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTessel = QStringLiteral(TESSEL_BIN_DIR "/tessel");

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome Finish(QProcess& process) {
    EXPECT_TRUE(process.waitForFinished(180000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Outcome Tessel(const QStringList& args) {
    QProcess process;
    process.start(kTessel, args);
    return Finish(process);
}

// The tables and the sequence the schema creates.
const QString kSchemaObjects = u"'addr','addr_ref','dpaddr97','telnum_dp97','seq_addr'"_s;

// Each test gets an empty database (no schema) on one backend.
class InitDb : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (!TestDatabase::Available(GetParam()))
            GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set";
        m_database = std::make_unique<TestDatabase>(GetParam(), false);
    }
    bool IsSqlite() const { return GetParam() == Backend::SQLite; }
    QString SqliteFile() const { return m_database->Url().mid(7); }
    // How many of the schema's tables and sequence the database holds.
    int SchemaObjects() {
        const QString statement =
            IsSqlite() ? u"select count(*) from sqlite_master where name in (%1)"_s.arg(kSchemaObjects)
                       : u"select count(*) from pg_class where relname in (%1) and "
                         u"relnamespace = 'public'::regnamespace"_s.arg(kSchemaObjects);
        return m_database->NativeRows(statement).at(0).at(0).toInt();
    }

    std::unique_ptr<TestDatabase> m_database;
};

TEST_P(InitDb, ProgressShowsOnATerminalOnly) {
    // Standard error a pipe: nothing but the figures on standard output.
    const Outcome quiet = Tessel({u"init-db"_s, m_database->Url(), u"--size"_s, u"3000"_s});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err.toStdString();
    EXPECT_EQ(quiet.err, QString());
    EXPECT_TRUE(quiet.out.startsWith(u"addr "_s)) << quiet.out.toStdString();

    // Standard error a terminal: rows, rate and share done.
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    QProcess process;
    process.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    process.start(kTessel, {u"init-db"_s, m_database->Url(), u"--size"_s, u"3000"_s, u"--force"_s});
    const Outcome shown = Finish(process);
    ::close(slave);
    EXPECT_EQ(shown.exitCode, 0);
    QByteArray terminal;
    char buffer[4096];
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        terminal.append(buffer, n);
    ::close(master);
    const QString text = QString::fromUtf8(terminal);
    EXPECT_TRUE(text.contains(u"of 3000 addr rows"_s) && text.contains(u"a second"_s) &&
                text.contains(u"% done"_s))
        << text.toStdString();
}

// Ctrl-C in the middle of the rows: a message, and nothing of the run is left.
TEST_P(InitDb, CtrlCLeavesNoHalfFilledDatabase) {
    QString url = m_database->Url();
    if (IsSqlite()) {
        url += u".new"_s; // a file this run creates
    }
    QProcess process;
    process.start(kTessel, {u"init-db"_s, url, u"--size"_s, u"5000000"_s});
    ASSERT_TRUE(process.waitForStarted());
    // Wait until it works on the database: SQLite's journal exists, PostgreSQL runs a statement.
    QElapsedTimer waited;
    waited.start();
    const auto writing = [&] {
        if (IsSqlite())
            return QFile::exists(url.mid(7) + u"-journal"_s);
        return m_database
                   ->NativeRows(u"select count(*) from pg_stat_activity where datname = current_database() "
                                u"and state = 'active' and pid <> pg_backend_pid()"_s)
                   .at(0)
                   .at(0) != u"0"_s;
    };
    while (!writing() && process.state() == QProcess::Running && waited.elapsed() < 120000)
        QThread::msleep(20);
    ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    const Outcome stopped = Finish(process);
    EXPECT_EQ(stopped.exitCode, 130);
    EXPECT_TRUE(stopped.err.contains(u"interrupted"_s)) << stopped.err.toStdString();
    EXPECT_EQ(stopped.out, QString());
    if (IsSqlite()) {
        EXPECT_FALSE(QFile::exists(url.mid(7))) << "the file it created is removed";
        EXPECT_FALSE(QFile::exists(url.mid(7) + u"-journal"_s));
    } else {
        EXPECT_EQ(SchemaObjects(), 0) << "everything is rolled back";
    }
}

// A table that is in the way: the run fails and creates nothing; --force replaces it.
TEST_P(InitDb, TheSchemaIsCreatedWholeOrNotAtAll) {
    QtSqlConnection::Exec(m_database->Native(), u"create table dpaddr97 (other integer)"_s);
    QtSqlConnection::Exec(m_database->Native(), u"insert into dpaddr97 values (1)"_s);
    const Outcome refused = Tessel({u"init-db"_s, m_database->Url(), u"--demo"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"dpaddr97"_s)) << refused.err.toStdString();
    EXPECT_EQ(SchemaObjects(), 1) << "only the table that was there";
    EXPECT_EQ(m_database->NativeRows(u"select other from dpaddr97"_s), (QList<QStringList>{{u"1"_s}}));

    const Outcome replaced = Tessel({u"init-db"_s, m_database->Url(), u"--demo"_s, u"--force"_s});
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_EQ(SchemaObjects(), 5);
    EXPECT_NE(m_database->NativeRows(u"select count(*) from dpaddr97 where num is not null"_s).at(0).at(0),
              u"0"_s);
    // A second --force over a whole schema works the same.
    const Outcome again = Tessel({u"init-db"_s, m_database->Url(), u"--force"_s});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(m_database->NativeRows(u"select count(*) from addr"_s), (QList<QStringList>{{u"0"_s}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, InitDb, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const ::testing::TestParamInfo<Backend>& backend) {
                             return std::string(TestDatabase::BackendName(backend.param));
                         });

// A user who is not a superuser fills a database of their own without a warning: only the filled
// tables are analyzed.
TEST(InitDbOnPostgreSQL, AnOrdinaryUserGetsNoWarnings) {
    if (!TestDatabase::Available(Backend::PostgreSQL))
        GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set";
    const QString role = u"tessel_plain_%1"_s.arg(QCoreApplication::applicationPid());
    {
        TestDatabase database(Backend::PostgreSQL, false);
        QSqlDatabase& native = database.Native();
        QtSqlConnection::Exec(native, u"drop role if exists %1"_s.arg(role));
        QtSqlConnection::Exec(native, u"create role %1 login nosuperuser"_s.arg(role));
        QtSqlConnection::Exec(native, u"grant all on schema public to %1"_s.arg(role));
        const QString name = database.NativeRows(u"select current_database()"_s).at(0).at(0);
        QtSqlConnection::Exec(native, u"grant create on database %1 to %2"_s.arg(name, role));
        QString url = database.Url();
        url.replace(u"postgresql://postgres@"_s, u"postgresql://%1@"_s.arg(role));
        ASSERT_NE(url, database.Url()) << url.toStdString();
        const Outcome run = Tessel({u"init-db"_s, url, u"--size"_s, u"3000"_s});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, QString());
        QtSqlConnection::Exec(native, u"drop owned by %1 cascade"_s.arg(role));
    }
    TestDatabase admin(Backend::PostgreSQL, false);
    QtSqlConnection::Exec(admin.Native(), u"drop role if exists %1"_s.arg(role));
}

} // namespace
