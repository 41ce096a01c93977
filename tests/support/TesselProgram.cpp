#include "tests/support/TesselProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

TesselRawRun RunTesselRaw(const QStringList& args, const TesselCall& call) {
    const std::string commandLine = "tessel " + args.join(u' ').toStdString();
    QProcess process;
    process.setProcessEnvironment(call.environment);
    if (!call.directory.isEmpty())
        process.setWorkingDirectory(call.directory);
    if (!call.outputFile.isEmpty())
        process.setStandardOutputFile(call.outputFile);
    if (call.inChild)
        process.setChildProcessModifier(call.inChild);
    process.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"), args);
    EXPECT_TRUE(process.waitForStarted()) << commandLine;
    process.write(call.input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(call.timeoutMs)) << commandLine;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << commandLine;
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

TesselRun RunTessel(const QStringList& args, const TesselCall& call) {
    const TesselRawRun run = RunTesselRaw(args, call);
    return {run.exitCode, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
}

TesselRun RunWizardScript(const QString& url, const QByteArray& script, const QString& directory,
                          const QStringList& extra) {
    const QString path = QDir(directory).filePath(QStringLiteral("script.txt"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(script);
    file.close();
    return RunTessel(QStringList{QStringLiteral("wizard"), url, QStringLiteral("--script"), path} + extra,
                     {.directory = directory});
}
