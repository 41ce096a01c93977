// Tests of what a person does with a real keyboard need a real X server: a held key repeats there
// as the X server sends it, which offscreen Qt never shows. A test body starts with RUN_UNDER_X():
// run offscreen (as CTest runs every test), it runs the same test again in a child process on a
// virtual X server of its own (xvfb-run -a, QT_QPA_PLATFORM=xcb), bounded in time, and takes the
// child's verdict; in the child it goes on. Skipped only when xvfb-run or xdotool is not installed.
//
//   TEST(Keys, HeldEnterMovesOnePage) {
//       RUN_UNDER_X();
//       ... show the wizard, PressFor(u"Return"_s, 1500), check ...
//   }
#pragma once

#include <QString>
#include <QStringList>

namespace UnderX {
// True when this process talks to an X server.
bool OnX();
// Runs the current test in a child on a virtual X server with a screen of `screen`
// (WIDTHxHEIGHTxDEPTH) and the further `environment` (NAME=VALUE); records its failure or a skip.
void RunCurrentTestInChild(const QString& screen = QStringLiteral("1280x1024x24"),
                           const QStringList& environment = {});
// Holds `keys` (xdotool's names: "Return", "space", "alt+n") down for `ms` milliseconds through
// XTest, keeping this process's event loop running meanwhile; false when xdotool failed.
bool HoldKeys(const QString& keys, int ms);
} // namespace UnderX

// RUN_UNDER_X() or RUN_UNDER_X(screen, environment): see RunCurrentTestInChild.
#define RUN_UNDER_X(...)                                                                                     \
    do {                                                                                                     \
        if (!UnderX::OnX()) {                                                                                \
            UnderX::RunCurrentTestInChild(__VA_ARGS__);                                                      \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
