#include "tests/support/IsolatedEnvironment.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

IsolatedEnvironment::IsolatedEnvironment(Registry registry) : m_folder(QDir::tempPath() + u"/tessel-test-XXXXXX"_s) {
    if (!m_folder.isValid())
        qFatal("cannot make a temporary folder for the test's registry and runtime folder");
    if (registry == Registry::OwnRegistry || qEnvironmentVariableIsEmpty("TESSEL_REGISTRY"))
        qputenv("TESSEL_REGISTRY", QFile::encodeName(m_folder.filePath(u"registry"_s)));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants the runtime folder to be the user's alone.
        const QString runtime = m_folder.filePath(u"runtime"_s);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    // Libraries keep their caches (fonts, say) under the user's cache folder when they have to
    // write one; the program's own goes with it.
    if (qEnvironmentVariableIsEmpty("XDG_CACHE_HOME"))
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_folder.filePath(u"cache"_s)));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
