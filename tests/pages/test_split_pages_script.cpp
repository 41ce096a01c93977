// The split pages driven by an operator script through the tessel program, as a user runs it:
// typing into the level edits, the pattern list's rows and buttons, and the candidate menus on both
// pages, including an item in the submenu of a menu with more than 51 characters.
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SplitPagesScript, ScriptActionsReachEveryControlOfBothPages) {
    TestDatabase database;
    database.Generate(2000);
    QTemporaryDir dir;
    // Sixty distinct characters in a level on page 3 become page 5's candidates.
    QString many;
    for (int i = 0; i < 60; ++i)
        many.append(QChar(0x4E00 + 0x200 + i));
    const QString script = QStringLiteral("type 5000 阳光花园\n"
                                          "click 4\n"
                                          "click 4\n"
                                          "print 5026\n"
                                          "type 5000 栋\n"
                                          "type 5001 元\n"
                                          "click 5022\n"
                                          "type 5000 楼\n"
                                          "menu 5013 0\n"
                                          "print 5017\n"
                                          "select 5017 0\n"
                                          "print 5001\n"
                                          "click 5023\n"
                                          "print 5017\n"
                                          "type 5001 %1\n"
                                          "click 4\n"
                                          "click 4\n"
                                          "menu 5012 55\n"
                                          "print 5001\n"
                                          "answer yes\n"
                                          "click 2\n")
                               .arg(many);
    const TesselRun run = RunWizardScript(database.Url(), script.toUtf8(), dir.path());
    const QString out = run.out;
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList lines = out.split(u'\n');
    ASSERT_GE(lines.size(), 10) << out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("5026: 共"))) << lines[0].toStdString();
    // Two rows; "阿拉伯数字" went into level 3 of the second.
    EXPECT_EQ(lines[1], QStringLiteral("5017: 2 items"));
    EXPECT_EQ(lines[2], QStringLiteral("  栋\t元\t\t\t\t"));
    EXPECT_EQ(lines[3], QStringLiteral("  楼\t\t[n]\t\t\t"));
    // Selecting the first row loads it; deleting it leaves the second, loaded.
    EXPECT_EQ(lines[4], QStringLiteral("5001: 元"));
    EXPECT_EQ(lines[5], QStringLiteral("5017: 1 items"));
    EXPECT_EQ(lines[6], QStringLiteral("  楼\t\t[n]\t\t\t"));
    // Page 5's candidates are page 3's levels: 楼, the sixty characters, code 1. Item 55 (after the
    // two token items) is candidate 53, the third item of the "更多" submenu.
    EXPECT_EQ(lines[7], QStringLiteral("5001: ") + many.mid(52, 1));
    // Cancel with patterns typed asks first.
    EXPECT_EQ(lines[8], QStringLiteral("message box \"提示\": 放弃已输入的模式？ -> yes"));
    EXPECT_EQ(lines[9], QStringLiteral("result: 2"));
}
