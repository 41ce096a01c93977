// The Qt application the wizard runs in. A host that is a Qt program has one already; for any other
// host the component makes one on the first Run and keeps it for the rest of the process.
#pragma once

class QApplication;

class GuiApplication {
public:
    // The application to show the wizard in, or null where no window can be shown: the host made
    // a non-GUI application, or no window-system platform is available. Never aborts the process.
    static QApplication* Ensure();

    // Whether a platform for windows is at hand: QT_QPA_PLATFORM names one that needs no display
    // (offscreen, minimal, ...), or the display it needs (DISPLAY for xcb, WAYLAND_DISPLAY for
    // wayland, either when none is named) is set.
    static bool PlatformAvailable();
};
