// The main of every test program: GoogleTest inside an offscreen QApplication (widgets, message
// boxes and the Qt SQL driver plugins want one), with a registry and a runtime folder of its own
// unless they are given. It sits alone in its file so that a test program that defines its own
// main keeps that one.
#include "tests/support/IsolatedEnvironment.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const IsolatedEnvironment environment;
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
