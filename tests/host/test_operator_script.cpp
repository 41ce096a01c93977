// tessel wizard --script as a user runs it: the host program loads the component by ProgID, the
// script acts on the real wizard offscreen, message boxes are printed with their answers, and a
// script that names a missing control or an unknown action stops with its line.
#include "tests/support/TestSupport.h"
#include "tests/support/GeneratedDatabaseSuite.h"
#include "tests/support/TesselProgram.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

using WizardRun = TesselRun;

class OperatorScriptTest : public GeneratedDatabaseSuite {
protected:
    WizardRun Run(const QByteArray& script, const QStringList& extra = {},
                  TestDatabase* database = s_database) {
        return RunWizardScript(database->Url(), script, m_dir.path(), extra);
    }
};

TEST_F(OperatorScriptTest, TypesANameGoesOnAndBackAndCancels) {
    const WizardRun run = Run("# page 1\n"
                              "print 4\n"
                              "type 5000 阳光花园\n"
                              "print 4\n"
                              "click 4\n"
                              "\n"
                              "print 5008\n"
                              "click 3\n"
                              "print 5000\n"
                              "print 3\n"
                              "shot first\n"
                              "click 2\n",
                              {"--screenshots", m_dir.filePath("shots")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "4: 下一步(&N) (disabled)\n"
                                     "4: 下一步(&N)\n"
                                     "5008: 阳光花园\n"
                                     "5000: 阳光花园\n"
                                     "3: 上一步(&B) (disabled)\n"
                                     "result: 2\n"
                                     "id: \n");
    EXPECT_TRUE(QFile::exists(m_dir.filePath("shots/first.png")));
}

TEST_F(OperatorScriptTest, PrintsEveryMessageBoxWithItsAnswer) {
    // 金色家园 already has an inner tree: page 1 asks before it lets the wizard go on.
    const WizardRun run = Run("type 5000 金色家园\n"
                              "answer no\n"
                              "key Enter\n"
                              "print 3\n"
                              "click 4\n"
                              "print 5008\n"
                              "key Escape\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(),
              "message box \"提示\": 发现金色家园的内部地址树存在，仍要继续？ -> no\n"
              "3: 上一步(&B) (disabled)\n"
              "message box \"提示\": 发现金色家园的内部地址树存在，仍要继续？ -> yes (default)\n"
              "5008: 金色家园\n"
              "result: 2\n"
              "id: \n");
}

TEST_F(OperatorScriptTest, FinishWritesTheTreeAndHandsBackTheCellId) {
    TestDatabase database; // a database of its own: this run writes
    database.Generate(2000);
    const WizardRun run = Run("type 5000 阳光花园\n"
                              "click 4\n"
                              "click 4\n"
                              "type 5000 栋\n"
                              "type 5001 元\n"
                              "type 5002 室\n"
                              "click 4\n"
                              "click 4\n"
                              "click 4\n"
                              "print 4\n"
                              "click 4\n",
                              {}, &database);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QStringList> cell =
        database.Rows(QStringLiteral("select id from addr where name='阳光花园' and grade=7"));
    ASSERT_EQ(cell.size(), 1);
    EXPECT_EQ(run.out.toStdString(), "4: 完成(&F)\nresult: 1\nid: " + cell[0][0].toStdString() + "\n");
    const QList<QStringList> buildings = database.Rows(
        QStringLiteral("select count(*) from addr where grade=8 and parentid=%1").arg(cell[0][0]));
    ASSERT_EQ(buildings.size(), 1);
    EXPECT_GT(buildings[0][0].toInt(), 0);
}

TEST_F(OperatorScriptTest, AMissingControlStopsTheScriptAtItsLineAndCancels) {
    const WizardRun run = Run("type 5000 阳光花园\n"
                              "click 4\n"
                              "click 5099\n"
                              "click 4\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("script.txt:3: there is no control 5099")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("result: 2\nid: \n"))) << run.out.toStdString();
}

// "--script -" reads the actions from standard input; a long text is typed whole.
TEST_F(OperatorScriptTest, AScriptFromStandardInputTypesALongTextWhole) {
    QString longText;
    for (int i = 0; longText.size() < 16000; ++i)
        longText += QStringLiteral("阳光花园%1栋𠀀").arg(i);
    const QByteArray script = "type 5000 " + longText.toUtf8() + "\nprint 5000\nclick 2\n";
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"),
                  QStringList{"wizard", s_database->Url(), "--script", "-"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(script);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(out, QStringLiteral("5000: %1\nresult: 2\nid: \n").arg(longText));

    // Its mistakes are told by line like a file's.
    QProcess bad;
    bad.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"), QStringList{"wizard", s_database->Url(), "--script", "-"});
    ASSERT_TRUE(bad.waitForStarted());
    bad.write("click 2\njump 4\n");
    bad.closeWriteChannel();
    ASSERT_TRUE(bad.waitForFinished(60000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_TRUE(bad.readAllStandardError().contains("standard input:2: unknown action 'jump'"));
}

TEST_F(OperatorScriptTest, AnUnknownActionIsRefusedBeforeTheWizardOpens) {
    const WizardRun run = Run("type 5000 阳光花园\njump 4\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("script.txt:2: unknown action 'jump'")))
        << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("result:")));
}

// `tessel help wizard` is the one description of the actions: its table names exactly the actions
// the parser takes (a refused line lists them), and its example uses every action and runs.
TEST_F(OperatorScriptTest, TheHelpNamesTheActionsTakenAndItsExampleRuns) {
    QProcess help;
    help.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"), {"help", "wizard"});
    ASSERT_TRUE(help.waitForFinished(60000));
    const QStringList lines = QString::fromUtf8(help.readAllStandardOutput()).split(u'\n');
    const qsizetype scriptAt = lines.indexOf(QRegularExpression("^Script: .*"));
    const qsizetype exampleAt = lines.indexOf(QRegularExpression("^Example.*:$"));
    ASSERT_GE(scriptAt, 0);
    ASSERT_GT(exampleAt, scriptAt);
    QStringList tableVerbs;
    const QRegularExpression tableRow("^  ([a-z]+) ");
    for (qsizetype i = scriptAt + 1; i < exampleAt; ++i)
        if (const auto match = tableRow.match(lines[i]); match.hasMatch())
            tableVerbs << match.captured(1);
    QStringList example;
    for (qsizetype i = exampleAt + 1; i < lines.size() && lines[i].startsWith("  "); ++i)
        example << lines[i].mid(2);

    const WizardRun refused = Run("jump 4\n");
    EXPECT_TRUE(refused.err.contains(QStringLiteral("(actions: %1)").arg(tableVerbs.join(", "))))
        << "the table: " << tableVerbs.join(u' ').toStdString() << "\nthe parser: " << refused.err.toStdString();

    QStringList exampleVerbs;
    QString shotName;
    for (const QString& line : example) {
        exampleVerbs << line.section(u' ', 0, 0);
        if (exampleVerbs.last() == "shot")
            shotName = line.section(u' ', 1);
    }
    exampleVerbs.removeDuplicates();
    EXPECT_EQ(QSet<QString>(exampleVerbs.begin(), exampleVerbs.end()),
              QSet<QString>(tableVerbs.begin(), tableVerbs.end()))
        << example.join(u'\n').toStdString();
    const WizardRun run = Run(example.join(u'\n').toUtf8() + '\n', {"--screenshots", m_dir.filePath("shots")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("result: 2")) << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(m_dir.filePath("shots/" + shotName + ".png"))) << shotName.toStdString();
}

} // namespace
