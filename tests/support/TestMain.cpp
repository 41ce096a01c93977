// The main of every test program: GoogleTest inside an offscreen QApplication (widgets, message
// boxes and the Qt SQL driver plugins want one). It sits alone in its file so that a test program
// that defines its own main keeps that one.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
