// tessel register as a user runs it on a registry file of their own: a damaged file is named with
// its line and left as it is; a file holding a key named like the closing line works.
#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

Outcome Register(const QString& registry) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TESSEL_REGISTRY"_s, registry);
    return RunTessel({u"register"_s}, {.environment = environment});
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(RegisterCommand, ADamagedRegistryIsNamedByLineAndLeftAsItIs) {
    QTemporaryDir dir;
    const QString registry = dir.filePath(u"registry"_s);
    const QByteArray damaged = "tessel registry 1\nx=y\n"; // a write that did not finish
    {
        QFile file(registry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    const Outcome run = Register(registry);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"tessel register: the entries of "_s) &&
                run.err.contains(registry + u":3: the closing line \"end\" is missing"_s))
        << run.err.toStdString();
    EXPECT_EQ(Contents(registry), damaged);
}

TEST(RegisterCommand, AKeyNamedLikeTheClosingLineKeepsTheFileWhole) {
    QTemporaryDir dir;
    const QString registry = dir.filePath(u"registry"_s);
    {
        QFile file(registry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("tessel registry 1\n%65nd\nend\n"); // a key named end, without a value
    }
    const Outcome first = Register(registry);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const Outcome second = Register(registry);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(Contents(registry).contains("\n%65nd\n")) << Contents(registry).toStdString();
}

// Another copy registered (a build tree, another installation): the program still runs the component
// beside it, and the registered one only when asked; --version and register say which.
TEST(RegisterCommand, TheProgramRunsTheComponentBesideItUnlessTheRegisteredOneIsAskedFor) {
    QTemporaryDir dir;
    const QString copy = dir.filePath(u"libtessel.so"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(TESSEL_LIB_DIR "/libtessel.so"), copy));
    const QString beside = QFileInfo(QStringLiteral(TESSEL_LIB_DIR "/libtessel.so")).canonicalFilePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TESSEL_REGISTRY"_s, dir.filePath(u"registry"_s));
    environment.remove(u"TESSEL_USE_REGISTERED"_s);

    const Outcome registered = RunTessel({u"register"_s, copy}, {.environment = environment});
    ASSERT_EQ(registered.exitCode, 0) << registered.err.toStdString();
    EXPECT_TRUE(registered.out.contains(u"component registered: "_s + QFileInfo(copy).canonicalFilePath() + u'\n'))
        << registered.out.toStdString();
    EXPECT_TRUE(registered.out.contains(u"component that runs: "_s + beside + u" (the one beside"_s))
        << registered.out.toStdString();

    // The wizard creates the dealer from either, by ProgID.
    const QString script = dir.filePath(u"script.txt"_s);
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("click 2\n");
    file.close();
    const QString database = u"sqlite:"_s + dir.filePath(u"demo.db"_s);
    ASSERT_EQ(RunTessel({u"init-db"_s, database, u"--demo"_s}, {.environment = environment}).exitCode, 0);
    for (const bool useRegistered : {false, true}) {
        QProcessEnvironment asked = environment;
        if (useRegistered)
            asked.insert(u"TESSEL_USE_REGISTERED"_s, u"1"_s);
        const Outcome version = RunTessel({u"--version"_s}, {.environment = asked});
        EXPECT_TRUE(version.out.contains(u"component that runs: "_s +
                                         (useRegistered ? QFileInfo(copy).canonicalFilePath() : beside) + u" (the "_s))
            << version.out.toStdString();
        const Outcome wizard = RunTessel({u"wizard"_s, database, u"--script"_s, script}, {.environment = asked});
        EXPECT_EQ(wizard.exitCode, 0) << wizard.err.toStdString();
        EXPECT_TRUE(wizard.out.startsWith(u"result: 2\n"_s)) << wizard.out.toStdString();
    }
}

} // namespace
