// tessel decompose --jobs N on PostgreSQL: N worker processes, one report. For a list with
// compounds whose names contain each other, compounds named twice (by name, by id, by path), a name
// found nowhere, an ambiguous name and a line that names nothing, --jobs 2 and 4 print what --jobs 1
// prints and leave the same database, and no node or link is written twice. A worker killed while
// its compound waits for the cell's lock fails that compound alone; Ctrl-C lets the compounds under
// way finish and starts no other. On SQLite --jobs above 1 is bad usage (tests/host/
// test_decompose_command.cpp, with the other bad values).
#include "tests/support/NestedCompounds.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

#include <signal.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kPatterns = {u"--dp-pattern"_s, u"栋/元"_s, u"--addr-pattern"_s, u"栋/元"_s};

QStringList Lines(const QString& out) {
    return out.split(u'\n', Qt::SkipEmptyParts);
}

// A report line's status column.
QString Status(const QString& line) {
    return line.section(u'\t', 10, 10);
}

// NestedCompounds (cells 100 明月公寓 to 107 翠苑一区) and a name on two paths.
QStringList Fixture() {
    return NestedCompounds::Fixture() + QStringList{
        u"insert into addr (id,name,grade,parentid) values(300,'同名小区',7,6)"_s,
        u"insert into addr (id,name,grade,parentid) values(301,'同名小区',7,7)"_s,
    };
}

const QStringList kList = {
    u"明月公寓二期"_s,
    u"星河湾"_s,
    u"明月公寓"_s,
    u"无此小区"_s,
    u"明月公寓二期"_s, // twice: the second finds the first's tree
    u"同名小区"_s,     // ambiguous
    u"翠苑一区"_s,
    u"#104"_s,        // 星河湾北区
    u"北京市/海淀区//学院路//2号/星河湾北区三期"_s,
    u"坏\x01行"_s,     // names nothing: fails on its own line
    u"翠苑"_s,
    u"明月公寓二期东区"_s,
    u"星河湾北区"_s, // #104 again, by name
    u"星河湾"_s,
    u"翠苑"_s,
};

QString WriteList(const QTemporaryDir& folder, const QStringList& cells) {
    const QString path = folder.filePath(u"cells.txt"_s);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(cells.join(u'\n').toUtf8() + '\n');
    return path;
}

// What a run leaves, without the ids the sequence gave: every family's tree with its links, the
// journal's runs, and any (parent, name, grade) or telephone number written twice.
QStringList DatabaseState(TestDatabase& db) {
    QStringList state;
    for (const NestedCompounds::Family& family : NestedCompounds::Families())
        state << NestedCompounds::FamilyState(db, family);
    for (const QStringList& row : db.Rows(u"select cell_id,nodes_new,links_new,moved,replaced from journal_run "
                                          u"order by cell_id,nodes_new,links_new,moved,replaced"_s))
        state << u"run "_s + row.join(u' ');
    for (const QStringList& row : db.Rows(u"select parentid,name,grade,count(*) from addr group by parentid,name,grade "
                                          u"having count(*)>1"_s))
        state << u"node twice: "_s + row.join(u' ');
    for (const QStringList& row : NestedCompounds::DoublyLinkedNumbers(db))
        state << u"number twice: "_s + row.join(u' ');
    return state;
}

class DecomposeJobs : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TestDatabase::Available(Backend::PostgreSQL))
            GTEST_SKIP() << "no PostgreSQL: TESSEL_TEST_PG_URL is not set (run under scripts/with-postgres)";
    }
};

TEST_F(DecomposeJobs, SameReportAndDatabaseAsOneConnection) {
    struct Case {
        int jobs;
        QStringList options;
    };
    const QStringList json = {u"--format"_s, u"json"_s};
    const Case cases[] = {{1, {}}, {2, {}}, {4, {}}, {1, json}, {4, json}, {1, {u"--dry-run"_s}}, {4, {u"--dry-run"_s}}};
    QTemporaryDir folder;
    const QString list = WriteList(folder, kList);
    std::map<QStringList, std::pair<TesselRun, QStringList>> first; // by options: --jobs 1's run and state
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jobs);
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        TestDatabase db(Backend::PostgreSQL);
        db.Load(Fixture());
        // A moment on every new node: compounds under way at once overlap for longer.
        ASSERT_TRUE(NestedCompounds::SlowNodeInserts(db));
        const QString report = folder.filePath(u"report-%1.txt"_s.arg(c.jobs));
        const TesselRun run = RunTessel(QStringList{u"decompose"_s, db.Url(), u"--cells"_s, list, u"--jobs"_s,
                                                    QString::number(c.jobs), u"--report"_s, report} +
                                        kPatterns + c.options);
        QFile written(report);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(written.readAll()), run.out);
        const QStringList state = DatabaseState(db);
        for (const QString& line : state)
            EXPECT_FALSE(line.contains(u"twice"_s)) << line.toStdString();
        if (c.jobs == 1) {
            EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
            // Each kind of line is there.
            for (const QString& status : {u"skipped-existing"_s, u"not-found"_s, u"ambiguous: "_s, u"failed: "_s})
                EXPECT_TRUE(run.out.contains(status) || c.options.contains(u"--dry-run"_s)) << run.out.toStdString();
            first.emplace(c.options, std::make_pair(run, state));
            continue;
        }
        const auto& [one, oneState] = first.at(c.options);
        EXPECT_EQ(run.exitCode, one.exitCode);
        EXPECT_EQ(run.out, one.out);
        EXPECT_EQ(run.err, one.err);
        EXPECT_EQ(state, oneState);
    }
}

// A name found nowhere, twice, with every level of its path given: the first line makes the path
// and writes its tree, and the second, which may have looked for the path while the first was under
// way, looks again and finds the tree (skipped), as with one connection.
TEST_F(DecomposeJobs, ASecondLineLooksAgainForThePathTheFirstMade) {
    QTemporaryDir folder;
    const QString list = WriteList(folder, {u"新苑"_s, u"新苑"_s});
    const QStringList levels = {u"--path-level"_s, u"2=海淀区"_s, u"--path-level"_s, u"3="_s, u"--path-level"_s,
                                u"4=学院路"_s,     u"--path-level"_s, u"5="_s,  u"--path-level"_s, u"6=9号"_s};
    std::optional<TesselRun> one;
    for (const int jobs : {1, 2, 2, 2}) {
        SCOPED_TRACE(jobs);
        TestDatabase db(Backend::PostgreSQL);
        db.Load(Fixture() + QStringList{u"insert into dpaddr97 (num,addr) values('DX1','新苑1栋1单元')"_s,
                                        u"insert into dpaddr97 (num,addr) values('DX2','新苑2栋1单元')"_s});
        const TesselRun run = RunTessel(QStringList{u"decompose"_s, db.Url(), u"--cells"_s, list, u"--jobs"_s,
                                                    QString::number(jobs)} +
                                        kPatterns + levels);
        EXPECT_EQ(Status(Lines(run.out).value(2)), u"skipped-existing"_s) << run.out.toStdString();
        EXPECT_EQ(db.Rows(u"select count(*) from addr where name='新苑'"_s).value(0).value(0), u"1"_s);
        if (!one) {
            one = run;
            continue;
        }
        EXPECT_EQ(run.exitCode, one->exitCode);
        EXPECT_EQ(run.out, one->out);
        EXPECT_EQ(run.err, one->err);
    }
}

// The tessel process's children that still run (not those ended and not yet collected).
QList<pid_t> LiveChildren(qint64 parent) {
    QList<pid_t> children;
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool isPid = false;
        const pid_t pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat(u"/proc/%1/stat"_s.arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // pid (comm) state ppid ...: the name may hold spaces, so read after its closing bracket.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] != "Z" && fields[1].toLongLong() == parent)
            children << pid;
    }
    return children;
}

// Waits (at most half a minute) until `count` sessions of this database wait for a lock.
bool SessionsWaitForLocks(TestDatabase& db, int count) {
    for (int i = 0; i < 3000; ++i) {
        if (db.Rows(u"select count(*) from pg_locks where not granted and pid in (select pid from "
                    u"pg_stat_activity where datname=current_database())"_s)
                .value(0)
                .value(0) == QString::number(count))
            return true;
        QThread::msleep(10);
    }
    return false;
}

// Whether a signal sent to the process is still pending there (not yet taken by its handler).
bool SignalPending(qint64 pid, int signal) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigPnd:") || line.startsWith("ShdPnd:"))
            if (line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (signal - 1)))
                return true;
    return false;
}

// Another session holds these compounds' rows, as an operator's Finish would.
class HeldCells {
public:
    HeldCells(TestDatabase& db, const QStringList& ids) : m_session(db.Native()) {
        m_session.transaction();
        QSqlQuery lock(m_session);
        m_held = lock.exec(u"select id from addr where id in (%1) for update"_s.arg(ids.join(u',')));
    }
    ~HeldCells() { m_session.rollback(); }
    bool Held() const { return m_held; }

private:
    QSqlDatabase& m_session;
    bool m_held = false;
};

TEST_F(DecomposeJobs, WorkerThatEndsFailsItsCompoundAndTheRunGoesOn) {
    TestDatabase db(Backend::PostgreSQL);
    db.Load(Fixture());
    QTemporaryDir folder;
    const QString list = WriteList(folder, {u"翠苑"_s, u"明月公寓"_s, u"星河湾"_s});
    QProcess tessel;
    {
        const HeldCells held(db, {u"106"_s}); // 翠苑
        ASSERT_TRUE(held.Held());
        tessel.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"),
                     QStringList{u"decompose"_s, db.Url(), u"--cells"_s, list, u"--jobs"_s, u"2"_s} + kPatterns);
        ASSERT_TRUE(tessel.waitForStarted(10000));
        // 翠苑's worker waits for the lock; the other has written the rest and ended.
        ASSERT_TRUE(SessionsWaitForLocks(db, 1));
        QList<pid_t> children;
        for (int i = 0; i < 3000 && (children = LiveChildren(tessel.processId())).size() != 1; ++i)
            QThread::msleep(10);
        ASSERT_EQ(children.size(), 1);
        ::kill(children.front(), SIGKILL);
        ASSERT_TRUE(tessel.waitForFinished(60000));
    }
    const QStringList lines = Lines(QString::fromUtf8(tessel.readAllStandardOutput()));
    const QString err = QString::fromUtf8(tessel.readAllStandardError());
    EXPECT_EQ(tessel.exitCode(), 1) << err.toStdString();
    ASSERT_EQ(lines.size(), 4) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[1].startsWith(u"翠苑\t0\t0\t0\t0\t0\t0\t0\t0\t\tfailed: its worker process ended (killed by signal 9)"_s))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(u"明月公寓\t"_s) && Status(lines[2]) == u"written"_s) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(u"星河湾\t"_s) && Status(lines[3]) == u"written"_s) << lines[3].toStdString();
    EXPECT_EQ(err, u"tessel decompose: 2 written, 0 dry-run, 0 skipped, 0 not found, 0 ambiguous, 1 failed\n"_s);
    // Its transaction went with its connection.
    EXPECT_EQ(db.Rows(u"select count(*) from addr where parentid=106"_s).value(0).value(0), u"0"_s);
}

TEST_F(DecomposeJobs, CtrlCFinishesTheCompoundsUnderWayAndStartsNoOther) {
    const QStringList list = {u"明月公寓"_s, u"星河湾"_s, u"翠苑"_s, u"翠苑一区"_s};
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        TestDatabase db(Backend::PostgreSQL);
        db.Load(Fixture());
        QTemporaryDir folder;
        QProcess tessel;
        {
            // The first compound each worker takes waits for its cell, held by another session.
            const HeldCells held(db, QStringList{u"100"_s, u"103"_s}.mid(0, jobs));
            ASSERT_TRUE(held.Held());
            tessel.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"),
                         QStringList{u"decompose"_s, db.Url(), u"--cells"_s, WriteList(folder, list), u"--jobs"_s,
                                     QString::number(jobs)} +
                             kPatterns);
            ASSERT_TRUE(tessel.waitForStarted(10000));
            ASSERT_TRUE(SessionsWaitForLocks(db, jobs));
            ::kill(static_cast<pid_t>(tessel.processId()), SIGINT); // as Ctrl-C at a terminal
            for (int i = 0; i < 3000 && SignalPending(tessel.processId(), SIGINT); ++i)
                QThread::msleep(10);
        }
        ASSERT_TRUE(tessel.waitForFinished(60000));
        EXPECT_EQ(tessel.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tessel.exitCode(), 130);
        const QStringList lines = Lines(QString::fromUtf8(tessel.readAllStandardOutput()));
        ASSERT_EQ(lines.size(), 1 + jobs) << lines.join(u'\n').toStdString();
        for (int i = 1; i <= jobs; ++i)
            EXPECT_TRUE(lines[i].startsWith(list[i - 1] + u'\t') && Status(lines[i]) == u"written"_s)
                << lines[i].toStdString();
        EXPECT_EQ(QString::fromUtf8(tessel.readAllStandardError()),
                  u"tessel decompose: %1 written, 0 dry-run, 0 skipped, 0 not found, 0 ambiguous, 0 failed\n"
                  u"tessel decompose: interrupted: %2 of 4 compounds not run\n"_s.arg(jobs).arg(4 - jobs));
        EXPECT_EQ(db.Rows(u"select count(*) from addr where parentid in (106,107)"_s).value(0).value(0), u"0"_s);
    }
}

} // namespace
