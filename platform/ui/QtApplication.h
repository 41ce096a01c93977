// The process's one Qt application, made where none exists: for the host's commands (a
// QCoreApplication for Qt SQL), for the host's wizard (a QApplication on its stack) and for the
// component, which makes a QApplication for a host that is not a Qt program.
// GUI thread only: made and asked for on the process's main thread (the host's GUI thread).
#pragma once

#include <memory>

class QApplication;
class QCoreApplication;

class QtApplication {
public:
    // A QCoreApplication for a command that needs one, when the process has none yet; the holder
    // deletes it. Null (nothing to delete) when an application exists.
    static std::unique_ptr<QCoreApplication> EnsureCore();

    // The application to show windows in, or null where no window can be shown: the process made
    // a non-GUI application, or no window-system platform is available. One this makes lives for
    // the rest of the process. Never aborts the process.
    static QApplication* EnsureGui();

    // The argument count and vector to construct an application with. Qt keeps both for the
    // application's life, so they live as long as the process: {"tessel"}.
    static int& ArgumentCount();
    static char** Arguments();

    // Whether a platform for windows is at hand: QT_QPA_PLATFORM names one that needs no display
    // (offscreen, minimal, ...), or the display it needs (DISPLAY for xcb, WAYLAND_DISPLAY for
    // wayland, either when none is named) is set.
    static bool PlatformAvailable();
};
