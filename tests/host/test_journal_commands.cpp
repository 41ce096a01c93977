// The journal of Finish, as a user meets it through tessel decompose, history and undo, on SQLite
// and PostgreSQL: Finish then undo gives the tables back byte for byte; a run that later work
// depends on is refused until that work is undone; a process killed during Finish or undo leaves
// the tables and the journal agreeing; an undo and a Finish of one compound at once end as one
// after the other would; bad input gets one line and the right exit code.
#include "tests/support/TestSupport.h"

#include "database/QtSqlConnection.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

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
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

Outcome Tessel(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(kTessel, args);
    process.write(input);
    process.closeWriteChannel();
    return Finish(process);
}

// Both pages cut as 栋 / 元 / 室: nodes, links, moved and replaced addresses in the demo compounds.
const QStringList kPatterns = {u"--dp-pattern"_s, u"栋/元/室"_s, u"--addr-pattern"_s, u"栋/元/室"_s};

class JournalCommands : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        Database().Generate(3000);
        m_start = Dump();
    }

    QString Url() { return Database().Url(); }

    // Every row of the four tables, in one order: what "the same contents" compares.
    QList<QStringList> Dump() {
        QList<QStringList> rows;
        for (const QString& select :
             {u"select id,name,grade,parentid from addr order by id"_s,
              u"select stdaddrid,oldid,refflag from addr_ref order by stdaddrid,oldid,refflag"_s,
              u"select num,addr from dpaddr97 order by num"_s,
              u"select telnum,dpid from telnum_dp97 order by telnum,dpid"_s}) {
            rows << QStringList{select};
            rows << Database().Rows(select);
        }
        return rows;
    }

    // One Finish a compound, the compounds' names read from standard input.
    Outcome Decompose(const QStringList& cells, const QStringList& options) {
        return Tessel(QStringList{u"decompose"_s, Url(), u"--cells"_s, u"-"_s} + options,
                      (cells.join(u'\n') + u'\n').toUtf8());
    }

    // history's lines after the header, each split at its tabs.
    QList<QStringList> History(const QStringList& extra = {}) {
        const Outcome history = Tessel(QStringList{u"history"_s, Url()} + extra);
        EXPECT_EQ(history.exitCode, 0) << history.err.toStdString();
        QStringList lines = history.out.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_FALSE(lines.isEmpty());
        if (!lines.isEmpty()) {
            EXPECT_EQ(lines.takeFirst(),
                      u"run\tat\tby\tcell\tcell_id\tnodes_new\tlinks_new\tmoved\treplaced\tstate"_s);
        }
        QList<QStringList> rows;
        for (const QString& line : lines)
            rows << line.split(u'\t');
        return rows;
    }

    // Undoes every run still kept, the latest first; each must be taken.
    void UndoAllKept() {
        const QList<QStringList> runs = History();
        for (auto it = runs.crbegin(); it != runs.crend(); ++it) {
            if (it->value(9) != u"kept")
                continue;
            const Outcome undo = Tessel({u"undo"_s, Url(), it->value(0)});
            EXPECT_EQ(undo.exitCode, 0) << undo.err.toStdString();
        }
    }

    // Compounds of the generated database besides 阳光花园 without an inner tree, with DP addresses
    // of the 栋/元/室 form.
    QStringList Compounds(int count) {
        QStringList names{u"阳光花园"_s};
        for (const QStringList& row : Database().Rows(
                 u"select name from addr a where grade=7 and name<>'阳光花园' and not exists (select b.id from addr b "
                 u"where b.parentid=a.id and b.grade>7) and exists (select d.num from dpaddr97 d where d.addr like '%' "
                 u"|| a.name || '%栋%单元%室') order by id"_s))
            if (names.size() < count && !names.contains(row[0]))
                names << row[0];
        return names;
    }

    QList<QStringList> m_start;
};

TEST_P(JournalCommands, FinishThenUndoGivesEveryTableBackAsItWas) {
    const QStringList cells = Compounds(3);
    ASSERT_EQ(cells.size(), 3);
    const Outcome finish = Decompose(cells, kPatterns);
    ASSERT_EQ(finish.exitCode, 0) << finish.err.toStdString();
    QList<QStringList> runs = History();
    ASSERT_EQ(runs.size(), 3) << finish.out.toStdString();
    // Both pages' kinds of change took place, a replaced address with more than one link among them.
    int moved = 0, replaced = 0;
    for (const QStringList& run : runs) {
        EXPECT_EQ(run[9], u"kept"_s);
        moved += run[7].toInt();
        replaced += run[8].toInt();
    }
    EXPECT_GT(moved, 0);
    EXPECT_GT(replaced, 0);
    EXPECT_EQ(Database().Rows(u"select count(*) from (select run,stdaddrid from journal_gone_link group by "
                              u"run,stdaddrid having count(*)>1) t"_s)
                  .value(0)
                  .value(0)
                  .toInt() > 0,
              true);
    const QList<QStringList> written = Dump();
    EXPECT_NE(written, m_start);

    // A dry run checks and counts, and changes nothing.
    const Outcome dry = Tessel({u"undo"_s, Url(), runs.last()[0], u"--dry-run"_s});
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.out.startsWith(u"run %1 can be undone: "_s.arg(runs.last()[0]))) << dry.out.toStdString();
    EXPECT_EQ(Dump(), written);

    UndoAllKept();
    EXPECT_EQ(Dump(), m_start);
    runs = History({u"--cell"_s, cells[0]});
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0][3], cells[0]);
    EXPECT_EQ(runs[0][9], u"undone"_s);

    // A dry run of decompose records nothing.
    ASSERT_EQ(Decompose({cells[0]}, kPatterns + QStringList{u"--dry-run"_s}).exitCode, 0);
    EXPECT_EQ(History().size(), 3);
}

TEST_P(JournalCommands, ARunThatLaterWorkDependsOnIsRefusedUntilThatWorkIsUndone) {
    // Run 1 writes the DP tree; run 2 hangs the address tree's rooms below run 1's buildings and units.
    ASSERT_EQ(Decompose({u"阳光花园"_s}, {u"--dp-pattern"_s, u"栋/元/室"_s}).exitCode, 0);
    const QList<QStringList> afterFirst = Dump();
    ASSERT_EQ(Decompose({u"阳光花园"_s}, {u"--existing"_s, u"continue"_s, u"--addr-pattern"_s, u"栋/元/室"_s}).exitCode,
              0);
    const QList<QStringList> runs = History();
    ASSERT_EQ(runs.size(), 2);
    const QList<QStringList> afterBoth = Dump();

    const Outcome refused = Tessel({u"undo"_s, Url(), runs[0][0]});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.startsWith(u"tessel undo: run %1 cannot be undone: "_s.arg(runs[0][0])))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(u"undo run %1 first"_s.arg(runs[1][0]))) << refused.err.toStdString();
    EXPECT_EQ(refused.err.count(u'\n'), 1);
    EXPECT_EQ(Dump(), afterBoth);

    ASSERT_EQ(Tessel({u"undo"_s, Url(), runs[1][0]}).exitCode, 0);
    EXPECT_EQ(Dump(), afterFirst);
    ASSERT_EQ(Tessel({u"undo"_s, Url(), runs[0][0]}).exitCode, 0);
    EXPECT_EQ(Dump(), m_start);

    const Outcome again = Tessel({u"undo"_s, Url(), runs[0][0]});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, u"tessel undo: run %1 was undone already\n"_s.arg(runs[0][0]));
}

TEST_P(JournalCommands, AProcessKilledDuringFinishOrUndoLeavesTablesAndJournalAgreeing) {
    const QStringList cells = Compounds(12);
    // Killed at several moments; whatever it had committed, undoing what the journal says was kept
    // gives the start back.
    for (int delayMs : {30, 120, 400}) {
        QProcess finish;
        finish.start(kTessel, QStringList{u"decompose"_s, Url(), u"--cells"_s, u"-"_s} + kPatterns);
        ASSERT_TRUE(finish.waitForStarted());
        finish.write((cells.join(u'\n') + u'\n').toUtf8());
        finish.closeWriteChannel();
        QThread::msleep(static_cast<unsigned long>(delayMs));
        ::kill(static_cast<pid_t>(finish.processId()), SIGKILL);
        finish.waitForFinished();

        // An undo killed on its way: the run is either undone whole or still kept whole.
        const QList<QStringList> runs = History();
        if (!runs.isEmpty()) {
            QProcess undo;
            undo.start(kTessel, {u"undo"_s, Url(), runs.last()[0]});
            ASSERT_TRUE(undo.waitForStarted());
            QThread::msleep(static_cast<unsigned long>(delayMs / 10));
            ::kill(static_cast<pid_t>(undo.processId()), SIGKILL);
            undo.waitForFinished();
        }
        UndoAllKept();
        EXPECT_EQ(Dump(), m_start) << "killed after " << delayMs << " ms";
    }
}

TEST_P(JournalCommands, UndoAndFinishOfOneCompoundAtOnceEndAsOneAfterTheOther) {
    // Run 1 writes the DP tree. Then at once: undo run 1, and a Finish of the address tree that
    // builds on it. Either the undo came first (and the Finish wrote its tree alone), or the
    // Finish came first (and the undo was refused): the journal agrees with the tables either way.
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(Decompose({u"阳光花园"_s}, {u"--existing"_s, u"continue"_s, u"--dp-pattern"_s, u"栋/元/室"_s}).exitCode,
                  0);
        const QString run = History().last()[0];
        QProcess undo, finish;
        undo.start(kTessel, {u"undo"_s, Url(), run});
        finish.start(kTessel, QStringList{u"decompose"_s, Url(), u"--cell"_s, u"阳光花园"_s, u"--existing"_s,
                                          u"continue"_s, u"--addr-pattern"_s, u"栋/元/室"_s});
        const Outcome undone = Finish(undo);
        const Outcome finished = Finish(finish);
        EXPECT_EQ(finished.exitCode, 0) << finished.err.toStdString();
        EXPECT_TRUE(undone.exitCode == 0 || undone.err.contains(u"cannot be undone"_s))
            << undone.err.toStdString();
        UndoAllKept();
        EXPECT_EQ(Dump(), m_start) << "round " << round;
    }
}

TEST_P(JournalCommands, BadInputGetsOneLineAndItsExitCode) {
    struct Case {
        QStringList args;
        int exitCode;
        QString err;
    };
    const Case cases[] = {
        {{u"undo"_s, Url(), u"x"_s}, 2, u"tessel undo: RUN needs a run number as tessel history prints it, not 'x'"_s},
        {{u"undo"_s, Url(), u"0"_s}, 2, u"tessel undo: RUN needs a run number as tessel history prints it, not '0'"_s},
        {{u"undo"_s, Url(), u"-3"_s}, 2, {}},
        {{u"undo"_s, Url()}, 2, {}},
        {{u"undo"_s, Url(), u"99"_s}, 1, u"tessel undo: no run 99 in the journal"_s},
        {{u"history"_s, Url(), u"--cell"_s, u""_s}, 2, u"tessel history: --cell needs a name"_s},
        {{u"init-db"_s, Url(), u"--journal"_s}, 1, u"tessel init-db: the database has a journal already (nothing was written)"_s},
        {{u"init-db"_s, Url(), u"--journal"_s, u"--demo"_s}, 2, u"tessel init-db: --journal adds the journal alone; it takes no --demo"_s},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Tessel(c.args);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args.join(u' ').toStdString();
        EXPECT_EQ(outcome.err.count(u'\n'), 1) << outcome.err.toStdString();
        if (!c.err.isEmpty()) {
            EXPECT_EQ(outcome.err, c.err + u'\n');
        }
    }

    // A database without the journal: Finish works as before, history and undo say how to add it.
    for (const QString& table : {u"journal_run"_s, u"journal_node"_s, u"journal_link"_s, u"journal_move"_s,
                                 u"journal_gone_addr"_s, u"journal_gone_link"_s, u"journal_undo"_s, u"seq_journal"_s})
        QtSqlConnection::Exec(Database().Native(),
                              (table == u"seq_journal" && GetParam() == Backend::PostgreSQL ? u"drop sequence "_s
                                                                                             : u"drop table "_s) +
                                  table);
    const QString hint = u"the database has no journal; add it with: tessel init-db URL --journal\n"_s;
    for (const QString& command : {u"history"_s, u"undo"_s}) {
        const Outcome outcome = Tessel(command == u"undo" ? QStringList{command, Url(), u"1"_s} : QStringList{command, Url()});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, u"tessel %1: "_s.arg(command) + hint);
    }
    const Outcome finish = Decompose({u"阳光花园"_s}, kPatterns);
    EXPECT_EQ(finish.exitCode, 0) << finish.err.toStdString();
    EXPECT_TRUE(finish.out.contains(u"\twritten"_s)) << finish.out.toStdString();

    // Added afterwards, it records the next Finish.
    ASSERT_EQ(Tessel({u"init-db"_s, Url(), u"--journal"_s}).exitCode, 0);
    EXPECT_TRUE(History().isEmpty());
    ASSERT_EQ(Decompose({Compounds(2).last()}, kPatterns).exitCode, 0);
    EXPECT_EQ(History().size(), 1);
}

INSTANTIATE_BACKENDS(JournalCommands);

} // namespace
