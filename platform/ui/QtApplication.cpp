#include "platform/ui/QtApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QList>

int& QtApplication::ArgumentCount() {
    static int argc = 1;
    return argc;
}

char** QtApplication::Arguments() {
    static char name[] = "tessel";
    static char* argv[] = {name, nullptr};
    return argv;
}

std::unique_ptr<QCoreApplication> QtApplication::EnsureCore() {
    if (QCoreApplication::instance())
        return nullptr;
    return std::make_unique<QCoreApplication>(ArgumentCount(), Arguments());
}

QApplication* QtApplication::EnsureGui() {
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QApplication*>(existing);
    if (!PlatformAvailable())
        return nullptr; // Qt would abort the host trying to reach a display
    return new QApplication(ArgumentCount(), Arguments()); // never deleted: see the header
}

bool QtApplication::PlatformAvailable() {
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
