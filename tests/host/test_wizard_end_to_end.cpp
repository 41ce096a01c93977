// The whole job as an operator does it, on a generated database, on SQLite and on PostgreSQL: the
// host program creates the component by ProgID, a script names 阳光花园, splits its DP addresses and
// its unlinked standard addresses, and presses Finish; the program prints 1 and the cell's id, and
// the database holds both trees below the cell with their links.
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class WizardEndToEnd : public BackendTest {
protected:
    QString RunScript(const QByteArray& script) {
        const TesselRun run = RunWizardScript(Database().Url(), script, m_dir.path());
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    }

    QString One(const QString& sql) {
        const QList<QStringList> rows = Database().Rows(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : QStringLiteral("(no single value)");
    }

    static QString UnlinkedStatement() {
        const SqlText name = SqlText::LikeLiteral(QStringLiteral("阳光花园"));
        return FormatStatement(Statements::UnlinkedAddresses, {name, name});
    }

    QTemporaryDir m_dir;
};

const QByteArray kWholeJob = "type 5000 阳光花园\n"
                             "answer yes\n"
                             "click 4\n"
                             "click 4\n"
                             "type 5000 栋\n"
                             "type 5001 元\n"
                             "type 5002 室\n"
                             "click 4\n"
                             "click 4\n"
                             "type 5000 栋\n"
                             "type 5001 元\n"
                             "type 5002 室\n"
                             "click 4\n"
                             "click 4\n";

TEST_P(WizardEndToEnd, FinishWritesBothTreesWithTheirLinks) {
    Database().Generate(2000);
    const QString cell = One("select id from addr where name='阳光花园' and grade=7");
    const qsizetype unlinkedBefore = Database().Rows(UnlinkedStatement()).size();
    ASSERT_GT(unlinkedBefore, 0);

    EXPECT_EQ(RunScript(kWholeJob).toStdString(), "result: 1\nid: " + cell.toStdString() + "\n");

    // Buildings, units and rooms below the cell, grades 8 to 10.
    EXPECT_GT(One("select count(*) from addr where grade=8 and parentid=" + cell).toInt(), 0);
    EXPECT_GT(One("select count(*) from addr a, addr b where b.parentid=a.id and a.parentid=" + cell +
                  " and a.grade=8 and b.grade=9")
                  .toInt(),
              0);
    // DP numbers linked to new rooms, telephone numbers of replaced addresses linked too.
    EXPECT_GT(
        One("select count(*) from addr_ref r, addr a where r.stdaddrid=a.id and a.grade=10 and r.refflag=1")
            .toInt(),
        0);
    EXPECT_GT(
        One("select count(*) from addr_ref r, addr a where r.stdaddrid=a.id and a.grade=10 and r.refflag=0")
            .toInt(),
        0);
    // The replaced standard addresses are gone with all their links: page 5 finds fewer of them, and
    // no link is left pointing at a node that no longer exists.
    EXPECT_LT(Database().Rows(UnlinkedStatement()).size(), unlinkedBefore);
    EXPECT_EQ(One("select count(*) from addr_ref r where not exists (select a.id from addr a where "
                  "a.id=r.stdaddrid)"),
              "0");

    // A second Finish with the same patterns finds every node and link: nothing new is written.
    const QString nodes = One("select count(*) from addr");
    const QString links = One("select count(*) from addr_ref");
    // The question says who wrote the tree and when: the first Finish, as the journal recorded it.
    const QStringList run =
        Database().Rows(QStringLiteral("select db_user,os_user,host,at from journal_run")).value(0);
    ASSERT_EQ(run.size(), 4);
    const QString who = run[0] == u"NULL" ? QStringLiteral("%1@%2").arg(run[1], run[2])
                                          : QStringLiteral("%1 (%2@%3)").arg(run[0], run[1], run[2]);
    EXPECT_EQ(RunScript(kWholeJob).toStdString(),
              "message box \"提示\": 发现阳光花园的内部地址树存在，仍要继续？\\n（由 " +
                  QStringLiteral("%1，%2 (UTC)").arg(who, run[3]).toStdString() +
                  " 写入） -> yes\n"
                  "result: 1\nid: " +
                  cell.toStdString() + "\n");
    EXPECT_EQ(One("select count(*) from addr"), nodes);
    EXPECT_EQ(One("select count(*) from addr_ref"), links);
}

INSTANTIATE_BACKENDS(WizardEndToEnd);

} // namespace
