// Several operators on one database: Finishes that overlap leave what the same Finishes leave one
// after another (no twin nodes, no doubled links), each operator is told the outcome, and SQLite
// waits for another writer instead of failing at once. The operators are child processes of this
// test program (one Finish each), started together; on PostgreSQL a trigger that sleeps on every
// new node widens the window in which an unlocked look-up would be overtaken.
#include "tests/commit/CommitFixture.h"
#include "commit/InnerTreeCommit.h"
#include "database/QtSqlConnection.h"
#include "database/SqliteFileMode.h"
#include "pages/rules/AddressEntryLoader.h"
#include "tests/support/NestedCompounds.h"

#include "platform/dataaccess/BstrText.h"
#include "tests/support/TestSupport.h"
#include "platform/automation/ComError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <future>
#include <iostream>
#include <memory>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace CommitFixture;

constexpr const char* ChildUrl = "TESSEL_COMMIT_CHILD_URL";
constexpr const char* ChildCell = "TESSEL_COMMIT_CHILD_CELL";
constexpr const char* ChildWithAddresses = "TESSEL_COMMIT_CHILD_ADDRESSES";
constexpr const char* ChildGo = "TESSEL_COMMIT_CHILD_GO";

// A child's own connection to the parent's database, made the process's database.
bool AttachChildDatabase(ComPtr<_Connection>& connection, CADODatabase& database) {
    const BstrText url(qEnvironmentVariable(ChildUrl));
    if (FAILED(CreateConnection(connection.Put())) || FAILED(connection->Open(url.Get(), nullptr, nullptr, -1)))
        return false;
    database.AttachConnection(connection.Get());
    g_pDatabase = &database;
    return true;
}

// One operator: opens its own connection, waits for the start signal, presses Finish and prints
// the outcome. Runs only as a child of ConcurrentCommits.
TEST(CommitChild, OneFinish) {
    if (qEnvironmentVariableIsEmpty(ChildUrl))
        GTEST_SKIP() << "runs as a child process of ConcurrentCommits";
    ComPtr<_Connection> connection;
    CADODatabase database;
    ASSERT_TRUE(AttachChildDatabase(connection, database));

    const QString cell = qEnvironmentVariable(ChildCell);
    Inputs inputs(cell.toStdU16String());
    if (qEnvironmentVariableIsEmpty(ChildWithAddresses)) {
        inputs.addrEntries.clear();
        inputs.Rebuild(cell.toStdU16String());
    }
    CellPathNames path = ExistingPath;
    path[6] = cell;
    const QString go = qEnvironmentVariable(ChildGo);
    for (int wait = 0; wait < 2000 && !QFile::exists(go); ++wait)
        QThread::msleep(10);

    const CommitOutcome outcome = inputs.Commit(path).Run(CommitMode::Write, CommitReporting::Quiet);
    std::cout << "finish: " << (outcome.ok ? "ok" : "failed ") << outcome.failure.toStdString() << std::endl;
    database.DetachConnection();
    g_pDatabase = nullptr;
}

struct Crowd {
    const char* name;
    bool fixture;             // the whole fixture (path and addresses), else only 北京市
    bool withAddresses;       // the address page's entries too
    QList<const char16_t*> cells; // one operator each
};

const Crowd Crowds[] = {
    // Fault: every operator made the whole tree again.
    {"SameCellSixTimes", true, true, {u"阳光小区", u"阳光小区", u"阳光小区", u"阳光小区", u"阳光小区", u"阳光小区"}},
    // Fault: twin path nodes when two cells below one new path were finished at once.
    {"NewPathTwoCells", false, false, {u"阳光小区", u"月光小区", u"阳光小区", u"月光小区"}},
};

const QString DpTree = u"1栋:8{2单元:9[DP1/1] 3单元:9[DP2/1]} 2栋:8{1单元:9[DP3/1]}"_s;

class ConcurrentCommits : public BackendTest {
protected:
    QString Count(const QString& statement) { return Database().Rows(statement).value(0).value(0); }
};

TEST_P(ConcurrentCommits, OverlappingFinishesWriteWhatOneAfterAnotherWould) {
    for (const Crowd& crowd : Crowds) {
        SCOPED_TRACE(crowd.name);
        BackendTest::TearDown();
        BackendTest::SetUp();
        if (crowd.fixture)
            Database().Load(Fixture());
        else
            Database().Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s});
        if (GetParam() == Backend::PostgreSQL) {
            ASSERT_TRUE(NestedCompounds::SlowNodeInserts(Database()));
        }
        QTemporaryDir signalDir;
        const QString go = signalDir.filePath(u"go"_s);
        std::vector<std::unique_ptr<QProcess>> operators;
        for (const char16_t* cell : crowd.cells) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(ChildUrl), Database().Url());
            environment.insert(QString::fromLatin1(ChildCell), QString::fromUtf16(cell));
            environment.insert(QString::fromLatin1(ChildGo), go);
            if (crowd.withAddresses)
                environment.insert(QString::fromLatin1(ChildWithAddresses), u"1"_s);
            process->setProcessEnvironment(environment);
            process->start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=CommitChild.OneFinish"_s});
            ASSERT_TRUE(process->waitForStarted(10000));
            operators.push_back(std::move(process));
        }
        QFile(go).open(QIODevice::WriteOnly);
        for (auto& process : operators) {
            ASSERT_TRUE(process->waitForFinished(60000));
            const QString output = QString::fromUtf8(process->readAllStandardOutput());
            EXPECT_EQ(process->exitCode(), 0) << output.toStdString();
            // Every operator is told the outcome, and with the cell locked nobody fails.
            EXPECT_TRUE(output.contains(u"finish: ok"_s)) << output.toStdString();
        }

        // No node twice below one parent, no link twice.
        EXPECT_EQ(Count(u"select count(*) from (select parentid,grade,name from addr group by parentid,grade,name "
                        u"having count(*)>1) twins"_s),
                  u"0"_s);
        EXPECT_EQ(Count(u"select count(*) from (select stdaddrid,oldid from addr_ref group by stdaddrid,oldid "
                        u"having count(*)>1) twins"_s),
                  u"0"_s);
        if (crowd.fixture) {
            EXPECT_EQ(InnerTree(Database(), u"7"_s),
                      u"1栋:8{2单元:9[DP1/1 T8/0]{301:10[T1/0] 3-2-101:10[T2/0]} 3单元:9[DP2/1]{12:10[T3/0]} "
                      u"4单元:9[T10/0 T9/0]} 2栋:8{1单元:9[DP3/1]}"_s);
        } else {
            EXPECT_EQ(Count(u"select count(*) from addr where grade between 2 and 6"_s), u"5"_s);
            for (const char16_t* cell : {u"阳光小区", u"月光小区"}) {
                const QString id =
                    Count(u"select id from addr where grade=7 and name='%1'"_s.arg(QString::fromUtf16(cell)));
                EXPECT_EQ(InnerTree(Database(), id), DpTree) << QString::fromUtf16(cell).toStdString();
            }
        }
    }
}

INSTANTIATE_BACKENDS(ConcurrentCommits);

// One operator's Finish over a compound of the nested fixture: pages 3 and 5 load their entries
// and build their trees when it is made; Commit presses Finish, perhaps much later.
class NestedFinish {
public:
    explicit NestedFinish(const QString& cell) : m_cell(cell) {
        using Source = AddressEntryLoader::Source;
        m_dpEntries = AddressEntryLoader::Load(Source::DpAddresses, cell);
        m_addrEntries = AddressEntryLoader::Load(Source::UnlinkedAddresses, cell);
        m_dpTree = BuildResultTree(cell.toStdU16String(), m_dpEntries, m_patterns);
        m_addrTree = BuildResultTree(cell.toStdU16String(), m_addrEntries, m_patterns);
        for (const NestedCompounds::Family& family : NestedCompounds::Families())
            if (family.cells.contains(cell)) {
                const auto above = NestedCompounds::PathAbove(family);
                std::copy(above.begin(), above.end(), m_path.begin());
            }
        m_path[6] = cell;
    }
    CommitOutcome Commit() const {
        InnerTreeCommit commit(m_path, m_dpTree, m_dpEntries, m_addrTree, m_addrEntries);
        commit.SetAddressTreeBuilder([this](std::u16string_view cell, const std::vector<AddressEntry>& entries) {
            return BuildResultTree(cell, entries, m_patterns);
        });
        return commit.Run(CommitMode::Write, CommitReporting::Quiet);
    }

private:
    QString m_cell;
    SplitPatternSet m_patterns = BuildPatternSet({{u"栋", u"元"}});
    std::vector<AddressEntry> m_dpEntries;
    std::vector<AddressEntry> m_addrEntries;
    ResultTree m_dpTree;
    ResultTree m_addrTree;
    CellPathNames m_path;
};

std::string Figures(const CommitOutcome& outcome) {
    const CommitStats& s = outcome.stats;
    return QStringLiteral("nodes %1 links %2 moved %3 replaced %4 skipped %5")
        .arg(s.nodesNew).arg(s.linksNew).arg(s.moved).arg(s.replaced).arg(s.skipped)
        .toStdString();
}

constexpr const char* NestedChildCell = "TESSEL_NESTED_CHILD_CELL";

// One operator of the nested fixture: loads its pages, waits for the start signal (the go file,
// when given), presses Finish and prints the outcome. Runs only as a child of NestedCompoundCommits.
TEST(CommitChild, NestedFinish) {
    if (qEnvironmentVariableIsEmpty(NestedChildCell))
        GTEST_SKIP() << "runs as a child process of NestedCompoundCommits";
    ComPtr<_Connection> connection;
    CADODatabase database;
    ASSERT_TRUE(AttachChildDatabase(connection, database));
    const NestedFinish finish(qEnvironmentVariable(NestedChildCell));
    std::cout << "loaded" << std::endl;
    const QString go = qEnvironmentVariable(ChildGo);
    for (int wait = 0; !go.isEmpty() && wait < 3000 && !QFile::exists(go); ++wait)
        QThread::msleep(10);
    const CommitOutcome outcome = finish.Commit();
    std::cout << "finish: " << (outcome.ok ? "ok " : "failed ") << Figures(outcome) << " "
              << outcome.failure.toStdString() << std::endl;
    database.DetachConnection();
    g_pDatabase = nullptr;
}

class NestedCompoundCommits : public BackendTest {
protected:
    // Every family's state after the compounds were finished one after another in each order.
    std::vector<std::vector<QStringList>> SerialStates() {
        std::vector<std::vector<QStringList>> states;
        for (int order = 0; order < NestedCompounds::SerialOrders; ++order) {
            TestDatabase serial(GetParam());
            serial.Load(NestedCompounds::Fixture());
            AttachedDatabase attached(serial);
            for (const QString& cell : NestedCompounds::SerialOrder(order)) {
                const CommitOutcome outcome = NestedFinish(cell).Commit();
                EXPECT_TRUE(outcome.ok) << outcome.failure.toStdString();
                EXPECT_EQ(outcome.stats.skipped, 0) << "nothing changes under a Finish that runs alone";
            }
            std::vector<QStringList> families;
            for (const NestedCompounds::Family& family : NestedCompounds::Families())
                families.push_back(NestedCompounds::FamilyState(serial, family));
            states.push_back(std::move(families));
        }
        return states;
    }
    // Each family ends as in one of the serial orders (each family on its own: families never meet).
    void ExpectSomeSerialOrder(const std::vector<std::vector<QStringList>>& serial) {
        EXPECT_EQ(NestedCompounds::DoublyLinkedNumbers(Database()), QList<QStringList>{});
        for (size_t f = 0; f < NestedCompounds::Families().size(); ++f) {
            const QStringList state = NestedCompounds::FamilyState(Database(), NestedCompounds::Families()[f]);
            const bool serialOrder = std::any_of(serial.begin(), serial.end(),
                                                 [&](const std::vector<QStringList>& s) { return s[f] == state; });
            EXPECT_TRUE(serialOrder) << "family " << f << " ends as no serial order does:\n"
                                     << state.join(u'\n').toStdString() << "\nfirst serial order:\n"
                                     << serial[0][f].join(u'\n').toStdString();
        }
    }
    std::unique_ptr<QProcess> StartOperator(const QString& cell, const QString& go) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(ChildUrl), Database().Url());
        environment.insert(QString::fromLatin1(NestedChildCell), cell);
        environment.insert(QString::fromLatin1(ChildGo), go);
        process->setProcessEnvironment(environment);
        process->start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=CommitChild.NestedFinish"_s});
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    static QString WaitForLine(QProcess& process, const QString& start) {
        QString said;
        while (!said.contains(start) && process.waitForReadyRead(30000))
            said += QString::fromUtf8(process.readAllStandardOutput());
        return said;
    }
};

// 明月公寓's pages were loaded, and its Finish waits for its cell's lock (held by another session)
// while 明月公寓二期 finishes, replacing addresses 明月公寓's page 5 had loaded. Let go, 明月公寓
// leaves those alone and says so (four skipped): the database is as after 明月公寓二期 and then
// 明月公寓, and no telephone number is linked twice.
// (SQLite's transaction takes the whole file, so there the second Finish simply comes later with
// the pages it loaded before.)
TEST_P(NestedCompoundCommits, FinishThatWaitedSkipsWhatAnotherChangedMeanwhile) {
    Database().Load(NestedCompounds::Fixture());
    const QString shorter = u"明月公寓"_s;
    const QString longer = u"明月公寓二期"_s;
    CommitOutcome waited;
    if (GetParam() == Backend::PostgreSQL) {
        QSqlDatabase& session = Database().Native();
        ASSERT_TRUE(session.transaction());
        QSqlQuery lock(session);
        ASSERT_TRUE(lock.exec(u"select id from addr where grade=7 and name='明月公寓' for update"_s));
        auto child = StartOperator(shorter, {});
        // Its Finish is waiting for the row lock.
        bool waiting = false;
        // (Asked on another connection: a transaction sees one picture of the server's activity. Only
        // this database's locks: tests running beside this one wait for locks of their own.)
        for (int i = 0; i < 3000 && !waiting; ++i) {
            waiting = Database().Rows(u"select count(*) from pg_locks where not granted and pid in (select pid from "
                                      u"pg_stat_activity where datname=current_database())"_s).value(0).value(0) != u"0"_s;
            if (!waiting)
                QThread::msleep(10);
        }
        ASSERT_TRUE(waiting) << WaitForLine(*child, u"finish:"_s).toStdString();
        {
            AttachedDatabase attached(Database());
            const CommitOutcome other = NestedFinish(longer).Commit();
            ASSERT_TRUE(other.ok) << other.failure.toStdString();
        }
        ASSERT_TRUE(session.commit());
        const QString said = WaitForLine(*child, u"finish:"_s);
        ASSERT_TRUE(child->waitForFinished(60000));
        ASSERT_TRUE(said.contains(u"finish: ok"_s)) << said.toStdString();
        const qsizetype at = said.indexOf(u"skipped "_s);
        EXPECT_EQ(said.mid(at + 8).section(u' ', 0, 0).trimmed(), u"4"_s) << said.toStdString();
    } else {
        AttachedDatabase attached(Database());
        const NestedFinish loadedFirst(shorter);
        ASSERT_TRUE(NestedFinish(longer).Commit().ok);
        waited = loadedFirst.Commit();
        ASSERT_TRUE(waited.ok) << waited.failure.toStdString();
        // 明月公寓二期 replaced the two unlinked addresses of its own and the two of 二期东区, which
        // 明月公寓's page 5 had loaded too. (The addresses it moved are read under the lock.)
        EXPECT_EQ(waited.stats.skipped, 4) << Figures(waited);
    }
    TestDatabase serial(GetParam());
    serial.Load(NestedCompounds::Fixture());
    {
        AttachedDatabase attached(serial);
        ASSERT_TRUE(NestedFinish(longer).Commit().ok);
        const CommitOutcome after = NestedFinish(shorter).Commit();
        ASSERT_TRUE(after.ok);
        EXPECT_EQ(after.stats.skipped, 0);
        if (GetParam() == Backend::SQLite) {
            // The figures of the Finish that came late are those of the same Finish run afterwards.
            CommitStats expected = after.stats;
            expected.skipped = waited.stats.skipped;
            EXPECT_EQ(waited.stats, expected) << Figures(waited) << " / " << Figures(after);
        }
    }
    const NestedCompounds::Family& family = NestedCompounds::Families()[0];
    EXPECT_EQ(NestedCompounds::FamilyState(Database(), family), NestedCompounds::FamilyState(serial, family));
    EXPECT_EQ(NestedCompounds::DoublyLinkedNumbers(Database()), QList<QStringList>{});
}

// Eight operators over the nested names, each having loaded its pages before any Finish: the
// database ends as some serial order leaves it, in every round.
TEST_P(NestedCompoundCommits, EightOperatorsEndAsOneAfterAnother) {
    const auto serial = SerialStates();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        BackendTest::TearDown();
        BackendTest::SetUp();
        Database().Load(NestedCompounds::Fixture());
        if (GetParam() == Backend::PostgreSQL) {
            ASSERT_TRUE(NestedCompounds::SlowNodeInserts(Database()));
        }
        QTemporaryDir signalDir;
        const QString go = signalDir.filePath(u"go"_s);
        std::vector<std::unique_ptr<QProcess>> operators;
        for (const NestedCompounds::Family& family : NestedCompounds::Families())
            for (const QString& cell : family.cells)
                operators.push_back(StartOperator(cell, go));
        for (auto& process : operators)
            ASSERT_TRUE(WaitForLine(*process, u"loaded"_s).contains(u"loaded"_s));
        QFile(go).open(QIODevice::WriteOnly);
        for (auto& process : operators) {
            const QString said = WaitForLine(*process, u"finish:"_s);
            ASSERT_TRUE(process->waitForFinished(60000));
            EXPECT_TRUE(said.contains(u"finish: ok"_s)) << said.toStdString();
        }
        ExpectSomeSerialOrder(serial);
    }
}

INSTANTIATE_BACKENDS(NestedCompoundCommits);

// Another connection of this process (on a thread of its own) holds SQLite's write lock: here it
// is taken and held until `release`, then committed.
class SqliteLockHolder {
public:
    enum class Lock { Write, Read };
    SqliteLockHolder(const QString& path, Lock lock, std::shared_future<void> release)
        : m_thread([this, path, lock, release] {
              const QString name = u"lock-holder"_s;
              {
                  QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
                  db.setDatabaseName(path);
                  db.open();
                  QSqlQuery query(db);
                  if (lock == Lock::Write) {
                      query.exec(u"begin immediate"_s);
                      query.exec(u"insert into addr (id,name,grade,parentid) values(900,'别处',7,6)"_s);
                  } else {
                      query.exec(u"begin"_s);
                      query.exec(u"select count(*) from addr"_s);
                      query.next();
                  }
                  m_held.set_value();
                  release.wait();
                  query.finish();
                  query.exec(u"commit"_s);
                  db.close();
              }
              QSqlDatabase::removeDatabase(name);
          }) {
        m_held.get_future().wait();
    }
    ~SqliteLockHolder() { m_thread.join(); }

private:
    std::promise<void> m_held;
    std::thread m_thread;
};

class SqliteLocks : public ::testing::Test {
protected:
    QString Path() const { return m_database.Url().mid(7); } // after "sqlite:"
    TestDatabase m_database{Backend::SQLite};
    MessageBoxRecorder m_boxes;
};

// Another operator is committing: Finish waits for the lock instead of failing at once.
TEST_F(SqliteLocks, FinishWaitsForAnotherWriter) {
    m_database.Load(Fixture());
    AttachedDatabase attached(m_database);
    Inputs inputs;
    std::promise<void> release;
    CommitOutcome outcome;
    {
        SqliteLockHolder holder(Path(), SqliteLockHolder::Lock::Write, release.get_future().share());
        std::thread releaser([&release] {
            QThread::msleep(300);
            release.set_value();
        });
        outcome = inputs.Commit().Run(CommitMode::Write);
        releaser.join();
    }
    EXPECT_TRUE(outcome.ok) << outcome.failure.toStdString();
    EXPECT_EQ(m_boxes.Count(), 0);
    EXPECT_EQ(m_database.Rows(u"select count(*) from addr where id=900"_s), (QList<QStringList>{{u"1"_s}}));
}

// The process's database object on its own connection to the file, with a wait of `busyTimeoutMs`
// for another connection's lock (the connection string's busy_timeout).
class ShortWaitDatabase {
public:
    ShortWaitDatabase(const QString& url, int busyTimeoutMs) : m_previous(g_pDatabase) {
        if (FAILED(CreateConnection(m_connection.Put())))
            throw std::runtime_error("no connection object");
        const BstrText text(url + u"?busy_timeout=%1"_s.arg(busyTimeoutMs));
        if (FAILED(m_connection->Open(text.Get(), nullptr, nullptr, -1)))
            throw std::runtime_error("cannot open the test database");
        m_database.AttachConnection(m_connection.Get());
        g_pDatabase = &m_database;
    }
    ~ShortWaitDatabase() {
        m_database.DetachConnection();
        g_pDatabase = m_previous;
        m_connection->Close();
    }

private:
    ComPtr<_Connection> m_connection;
    CADODatabase m_database;
    CADODatabase* m_previous;
};

// A reader keeps the database busy past the wait at COMMIT: the box says so, nothing is written,
// and once the reader is gone Finish works.
TEST_F(SqliteLocks, BusyCommitIsShownAndFinishCanBePressedAgain) {
    m_database.Load(Fixture());
    ShortWaitDatabase attached(m_database.Url(), 300);
    Inputs inputs;
    const auto before = Snapshot(m_database);
    {
        std::promise<void> release;
        SqliteLockHolder reader(Path(), SqliteLockHolder::Lock::Read, release.get_future().share());
        EXPECT_FALSE(inputs.Commit().CommitInnerTree());
        release.set_value();
    }
    ASSERT_EQ(m_boxes.Count(), 1);
    EXPECT_TRUE(m_boxes.Last().text.startsWith(u"CADODatabase Error"_s));
    EXPECT_TRUE(m_boxes.Last().text.contains(u"database is locked: another connection kept reading it while this "
                                             u"one waited 0.3 s to write"_s))
        << m_boxes.Last().text.toStdString();
    EXPECT_EQ(Snapshot(m_database), before);

    m_boxes.Clear();
    EXPECT_TRUE(inputs.Commit().CommitInnerTree());
    EXPECT_EQ(m_boxes.Count(), 0);
}

constexpr const char* HolderPath = "TESSEL_LOCK_HOLDER_PATH";
constexpr const char* HolderRelease = "TESSEL_LOCK_HOLDER_RELEASE";

// Another program holding the write lock: begins writing, says so on its standard output, and
// commits once the release file exists. Runs only as a child of SqliteLocks.
TEST(SqliteLockChild, HoldsTheWriteLock) {
    if (qEnvironmentVariableIsEmpty(HolderPath))
        GTEST_SKIP() << "runs as a child process of SqliteLocks";
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
    db.setDatabaseName(qEnvironmentVariable(HolderPath));
    ASSERT_TRUE(db.open());
    QSqlQuery query(db);
    ASSERT_TRUE(query.exec(u"begin immediate"_s));
    ASSERT_TRUE(query.exec(u"insert into addr (id,name,grade,parentid) values(901,'别处',7,6)"_s));
    std::cout << "held" << std::endl;
    const QString release = qEnvironmentVariable(HolderRelease);
    for (int wait = 0; wait < 3000 && !QFile::exists(release); ++wait)
        QThread::msleep(10);
    ASSERT_TRUE(query.exec(u"commit"_s));
}

// A writer that holds the file past the wait: the failure says who holds it, as far as the system
// tells: another process by its number and name, or another connection of this program; with a
// rollback journal (its lock on the file) and in WAL mode (its lock on the log's index).
TEST_F(SqliteLocks, AWriterHeldPastTheWaitIsNamed) {
    m_database.Load(Fixture());
    for (const bool wal : {false, true}) {
        SCOPED_TRACE(wal ? "WAL" : "rollback journal");
        if (wal) {
            QtSqlConnection::Exec(m_database.Native(), u"delete from addr where id in (900,901)"_s);
            SqliteFileMode::UseWriteAheadLog(m_database.Native());
        }
        ShortWaitDatabase attached(m_database.Url(), 300);
        Inputs inputs;
        {
            std::promise<void> release;
            SqliteLockHolder writer(Path(), SqliteLockHolder::Lock::Write, release.get_future().share());
            const CommitOutcome outcome = inputs.Commit().Run(CommitMode::Write, CommitReporting::Quiet);
            release.set_value();
            EXPECT_FALSE(outcome.ok);
            EXPECT_TRUE(outcome.failure.contains(u"database is locked: another writer held it while this one waited "
                                                 u"0.3 s; another connection of this program holds its write lock"_s))
                << outcome.failure.toStdString();
        }
        QTemporaryDir signalDir;
        QProcess holder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(HolderPath), Path());
        environment.insert(QString::fromLatin1(HolderRelease), signalDir.filePath(u"release"_s));
        holder.setProcessEnvironment(environment);
        holder.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=SqliteLockChild.HoldsTheWriteLock"_s});
        ASSERT_TRUE(holder.waitForStarted(10000));
        QByteArray said;
        while (!said.contains("held") && holder.waitForReadyRead(10000))
            said += holder.readAllStandardOutput();
        ASSERT_TRUE(said.contains("held")) << said.toStdString();
        const qint64 holderId = holder.processId();
        const CommitOutcome outcome = inputs.Commit().Run(CommitMode::Write, CommitReporting::Quiet);
        QFile(signalDir.filePath(u"release"_s)).open(QIODevice::WriteOnly);
        ASSERT_TRUE(holder.waitForFinished(30000));
        EXPECT_EQ(holder.exitCode(), 0);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.failure.contains(u"; process %1 ("_s.arg(holderId)) &&
                    outcome.failure.contains(u") holds its write lock"_s))
            << outcome.failure.toStdString();
        EXPECT_EQ(m_boxes.Count(), 0);
    }
}

} // namespace
