// Several operators on one database: Finishes that overlap leave what the same Finishes leave one
// after another (no twin nodes, no doubled links), each operator is told the outcome, and SQLite
// waits for another writer instead of failing at once. The operators are child processes of this
// test program (one Finish each), started together; on PostgreSQL a trigger that sleeps on every
// new node widens the window in which an unlocked look-up would be overtaken.
#include "tests/commit/CommitFixture.h"
#include "commit/InnerTreeCommit.h"

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

// One operator: opens its own connection, waits for the start signal, presses Finish and prints
// the outcome. Runs only as a child of ConcurrentCommits.
TEST(CommitChild, OneFinish) {
    if (qEnvironmentVariableIsEmpty(ChildUrl))
        GTEST_SKIP() << "runs as a child process of ConcurrentCommits";
    ComPtr<_Connection> connection;
    ASSERT_TRUE(SUCCEEDED(CreateConnection(connection.Put())));
    const BstrText url(qEnvironmentVariable(ChildUrl));
    ASSERT_TRUE(SUCCEEDED(connection->Open(url.Get(), nullptr, nullptr, -1)));
    CADODatabase database;
    database.AttachConnection(connection.Get());
    g_pDatabase = &database;

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
    void NativeExec(const QString& statement) {
        QSqlQuery query(Database().Native());
        ASSERT_TRUE(query.exec(statement)) << query.lastError().text().toStdString();
    }
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
            NativeExec(u"create or replace function slow_node() returns trigger language plpgsql as "
                       u"$$ begin perform pg_sleep(0.01); return new; end $$"_s);
            NativeExec(u"create trigger slow_node before insert on addr for each row execute function slow_node()"_s);
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

// A reader keeps the database busy past the wait at COMMIT: the box says so, nothing is written,
// and once the reader is gone Finish works.
TEST_F(SqliteLocks, BusyCommitIsShownAndFinishCanBePressedAgain) {
    m_database.Load(Fixture());
    AttachedDatabase attached(m_database);
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
    EXPECT_TRUE(m_boxes.Last().text.contains(u"locked"_s)) << m_boxes.Last().text.toStdString();
    EXPECT_EQ(Snapshot(m_database), before);

    m_boxes.Clear();
    EXPECT_TRUE(inputs.Commit().CommitInnerTree());
    EXPECT_EQ(m_boxes.Count(), 0);
}

} // namespace
