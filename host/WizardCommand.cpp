// tessel wizard [URL] [--script FILE [--screenshots DIR]]: the host application. Opens the
// connection, registers the component when it is not registered, creates tessel.dealer by ProgID,
// hands it the connection and runs the wizard through IDispatch, as any host does; prints the
// dialog result and the result id. With a script, operator actions drive the wizard.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/ComponentChoice.h"
#include "host/DatabaseUrl.h"
#include "host/LineWriter.h"
#include "host/UsageError.h"

#include "database/AddressDatabaseGenerator.h"
#include "database/QtSqlConnection.h"
#include "platform/dataaccess/BstrText.h"
#include "host/ComponentLocation.h"
#include "host/LateBoundCall.h"
#include "host/OperatorScript.h"
#include "host/OperatorScriptVerbs.h"
#include "platform/automation/Automation.h"
#include "platform/automation/ComPtr.h"
#include "platform/automation/RegistryText.h"
#include "platform/dataaccess/ConnectionString.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/ui/QtApplication.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlQuery>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <utility>

namespace {

const char kDemoDatabase[] = "tessel-demo.db";

// The offscreen platform says, for every popup, that it cannot raise windows or grab the keyboard;
// a script run needs neither, so those lines are left out.
QtMessageHandler g_defaultMessageHandler = nullptr;
void QuietOffscreenMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    g_defaultMessageHandler(type, context, message);
}

// While the application connects to the window system: Qt's messages are held back, and when no
// window system answers (DISPLAY names no running server) Qt's fatal end becomes one line of ours
// and exit status 1 instead of an abort.
QList<QString> g_heldMessages;
QtMessageHandler g_handlerOutsideStartup = nullptr;
void HoldStartupMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_heldMessages << message;
        return;
    }
    QString display = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY"));
    const QString reason = g_heldMessages.isEmpty() ? message.section(u'\n', 0, 0) : g_heldMessages.first();
    PrintLine(stderr, QStringLiteral("tessel wizard: cannot open the display %1 (%2): the wizard cannot be shown")
                          .arg(display, reason));
    std::_Exit(1);
}

// Whether an SQLite file holds no table at all: an empty file some earlier command left, which the
// demo replaces.
bool HoldsNoTables(const QString& path) {
    if (QFileInfo(path).size() == 0)
        return true;
    try {
        QtSqlConnection connection(QStringLiteral("sqlite:") + path);
        QSqlQuery count(connection.Database());
        return count.exec(QStringLiteral("select count(*) from sqlite_master where type='table'")) && count.next() &&
               count.value(0).toLongLong() == 0;
    } catch (const std::exception&) {
        return false; // not a database: opening it says so
    }
}

int RunWizard(const CommandLine& line) {
    QString url = line.Argument(0);
    const QString scriptPath = line.Value(QStringLiteral("script"));
    const QString screenshots = line.Value(QStringLiteral("screenshots"));
    if (line.IsSet(QStringLiteral("screenshots")) && !line.IsSet(QStringLiteral("script")))
        throw UsageError(QStringLiteral("--screenshots needs --script"));
    if (line.IsSet(QStringLiteral("script")) && scriptPath.isEmpty())
        throw UsageError(QStringLiteral("--script needs a file"));
    // A person needs a window system; a script runs offscreen without one.
    if (scriptPath.isEmpty() && !QtApplication::PlatformAvailable())
        return line.Fail(QStringLiteral("no display (DISPLAY and WAYLAND_DISPLAY are not set, or not the one "
                                    "QT_QPA_PLATFORM asks for): "
                                    "the wizard cannot be shown; run it with --script FILE to drive it "
                                    "without one"));

    OperatorScript script;
    if (!scriptPath.isEmpty()) {
        QString error;
        if (!script.Load(scriptPath, error))
            return line.Fail(error);
        script.SetScreenshotDirectory(screenshots);
        script.SetOutput(
            [](const QString& text) { PrintLine(stdout, text); },
            [](const QString& text) { PrintLine(stderr, QStringLiteral("tessel wizard: ") + text); });
        // A script runs anywhere: without a display, offscreen.
        if (!QtApplication::PlatformAvailable())
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qgetenv("QT_QPA_PLATFORM").startsWith("offscreen"))
            g_defaultMessageHandler = qInstallMessageHandler(QuietOffscreenMessages);
    }

    // The host is a Qt program: the wizard shows in its application.
    g_handlerOutsideStartup = qInstallMessageHandler(HoldStartupMessages);
    const QApplication app(QtApplication::ArgumentCount(), QtApplication::Arguments());
    qInstallMessageHandler(g_handlerOutsideStartup);
    for (const QString& message : std::exchange(g_heldMessages, {}))
        qWarning().noquote() << message;

    if (url.isEmpty()) {
        url = QStringLiteral("sqlite:") + QString::fromLatin1(kDemoDatabase);
        if (!QFileInfo::exists(QString::fromLatin1(kDemoDatabase)) || HoldsNoTables(QString::fromLatin1(kDemoDatabase))) {
            line.Note(QStringLiteral("creating the demo database %1").arg(QString::fromLatin1(kDemoDatabase)));
            try {
                AddressDatabaseGenerator().CreateSqliteFile(QString::fromLatin1(kDemoDatabase));
            } catch (const std::exception& e) {
                return line.Fail(QStringLiteral("cannot create %1: %2")
                                     .arg(QString::fromLatin1(kDemoDatabase), QString::fromUtf8(e.what())));
            }
        }
    }

    const DatabaseUrl databaseUrl(url);
    if (const auto missing = databaseUrl.MissingFile())
        return line.Fail(*missing);
    ComPtr<_Connection> connection;
    HRESULT hr = CreateConnection(connection.Put());
    if (SUCCEEDED(hr)) {
        const BstrText connectionString(databaseUrl.Text());
        hr = connection->Open(connectionString.Get(), nullptr, nullptr, -1);
    }
    if (FAILED(hr))
        return line.Fail(databaseUrl.OpenFailure(LateBoundCall::ErrorText(hr)));

    ComPtr<IDispatch> dealer;
    QString componentError;
    if (FAILED(ComponentChoice(ComponentChoice::RegisteredRequested(line)).CreateDealer(dealer.Put(), componentError)))
        return line.Fail(componentError);

    VARIANT connectionArg;
    VariantInit(&connectionArg);
    connectionArg.vt = VT_DISPATCH;
    connectionArg.pdispVal = connection.Get();
    const LateBoundCall::Outcome attached =
        LateBoundCall::Invoke(dealer.Get(), u"SetConnection", {connectionArg}, nullptr);
    if (attached.Failed())
        return line.Fail(QStringLiteral("SetConnection failed: %1").arg(attached.ErrorText()));

    if (!scriptPath.isEmpty())
        script.Start();
    BSTR resultId = nullptr;
    VARIANT resultArg;
    VariantInit(&resultArg);
    resultArg.vt = VT_BYREF | VT_BSTR;
    resultArg.pbstrVal = &resultId;
    VARIANT result;
    VariantInit(&result);
    const LateBoundCall::Outcome ran = LateBoundCall::Invoke(dealer.Get(), u"Run", {resultArg}, &result);
    script.Stop();
    if (ran.Failed()) {
        SysFreeString(resultId);
        return line.Fail(QStringLiteral("Run failed: %1").arg(ran.ErrorText()));
    }
    VARIANT resultNumber;
    VariantInit(&resultNumber);
    VariantChangeType(&resultNumber, &result, 0, VT_I4);
    PrintLine(stdout, QStringLiteral("result: %1").arg(resultNumber.lVal));
    PrintLine(stdout, QStringLiteral("id: %1").arg(BstrText::ToQString(resultId)));
    VariantClear(&result);
    SysFreeString(resultId);

    dealer.Reset();
    connection->Close();
    connection.Reset();
    if (resultNumber.lVal == -1)
        return line.Fail(QStringLiteral("the wizard window could not be created"));
    return script.Failed() ? 1 : 0;
}

const CommandRegistration registration{{
    .name = "wizard",
    .summary = "show the wizard on a database (or drive it with a script)",
    .arguments = {{"URL", "sqlite:PATH | postgresql://... | odbc:...; default: the demo database tessel-demo.db "
                      "in the current directory, generated on first use", ArgumentCount::Optional}},
    .options = {{{"script"}, "FILE", "drive the wizard with operator actions instead of a person (works "
                                 "without a display: offscreen when there is none); see below"},
                {{"screenshots"}, "DIR", "where the script's shot actions save their pictures"},
                {{"registered"}, "", "run the component registered in the user's registry instead of the one "
                                     "installed beside this program (as TESSEL_USE_REGISTERED=1 does)"}},
    .description = "Shows the address decomposition wizard on a database, as a host application does: opens "
               "the connection, registers the component if needed, creates tessel.dealer, calls "
               "SetConnection and Run through IDispatch, and prints two lines: 'result: N' (1 Finish, "
               "2 Cancel) and 'id: TEXT' (the id of the cell node after a Finish). Without a script it "
               "needs a display.",
    .notes = OperatorScriptHelp(),
    .exitStatus = "0 the wizard ran (Finish or Cancel), 1 it could not run (no display, no database, no "
              "component) or a script action failed, 2 bad usage.",
    .run = RunWizard}};

} // namespace
