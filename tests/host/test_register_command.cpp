// tessel register as a user runs it on a registry file of their own: a damaged file is named with
// its line and left as it is; a file holding a key named like the closing line works.
#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QFile>
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

} // namespace
