#include "tests/support/UnderX.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace UnderX {

bool OnX() { return QGuiApplication::platformName() == u"xcb"_s; }

void RunCurrentTestInChild(const QString& screen, const QStringList& environment) {
    const QString xvfbRun = QStandardPaths::findExecutable(u"xvfb-run"_s);
    if (xvfbRun.isEmpty() || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        GTEST_SKIP() << "no virtual X server: xvfb-run or xdotool is not installed (scripts/setup installs both)";
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromUtf8(test->test_suite_name()) + u'.' + QString::fromUtf8(test->name());

    QProcess child;
    QProcessEnvironment childEnvironment = QProcessEnvironment::systemEnvironment();
    childEnvironment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    for (const QString& setting : environment)
        childEnvironment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    child.setProcessEnvironment(childEnvironment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfbRun, {u"-a"_s, u"-s"_s, u"-screen 0 "_s + screen, QCoreApplication::applicationFilePath(),
                          u"--gtest_filter="_s + name, u"--gtest_brief=1"_s});
    // A test drives a few held keys of 1.5 s each; a minute is far more than it needs.
    const bool finished = child.waitForFinished(60000);
    if (!finished) {
        child.kill();
        child.waitForFinished(5000);
    }
    const QString output = QString::fromUtf8(child.readAll());
    ASSERT_TRUE(finished) << "the test under xvfb-run did not end within a minute:\n" << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << "under xvfb-run:\n" << output.toStdString();
    // The child must have run the test, not skipped or missed it.
    EXPECT_FALSE(output.contains(u"[  SKIPPED ]"_s)) << output.toStdString();
}

bool HoldKeys(const QString& keys, int ms) {
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, {u"keydown"_s, keys, u"sleep"_s, QString::number(ms / 1000.0), u"keyup"_s, keys});
    // The event loop runs while the key is down: the wizard sees every repeat as it comes.
    const bool ended = QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, ms + 10000);
    if (!ended)
        xdotool.kill();
    xdotool.waitForFinished(5000);
    // What the X server sent last reaches the windows.
    QTest::qWait(300);
    return ended && xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

} // namespace UnderX
