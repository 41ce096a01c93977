#include "component/GuiApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QList>

QApplication* GuiApplication::Ensure() {
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QApplication*>(existing);
    if (!PlatformAvailable())
        return nullptr; // Qt would abort the host trying to reach a display
    // Qt keeps argc and argv for the application's life; never deleted, so they stay valid too.
    static int argc = 1;
    static char name[] = "tessel";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
}

bool GuiApplication::PlatformAvailable() {
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (requested.isEmpty())
        return x11 || wayland;
    // "name:options", several separated by ';' as fallbacks.
    for (const QByteArray& entry : requested.split(';')) {
        const QByteArray platform = entry.split(':').first().trimmed();
        if (platform.isEmpty())
            continue;
        if (platform == "xcb") {
            if (x11)
                return true;
        } else if (platform.startsWith("wayland")) {
            if (wayland)
                return true;
        } else {
            return true; // offscreen, minimal, vnc, linuxfb, eglfs: no display server needed
        }
    }
    return false;
}
