// What the split pages tell the operator about the patterns, driven by operator scripts through the
// tessel program as a user runs it: the suggested patterns (asked before they replace rows), the
// count beside each row and of the addresses no row takes, following every keystroke, the list of
// only those addresses; and a third row typed full of long mixed texts, visited with the keyboard
// and deleted, which leaves the other rows and what they take as they were.
#include "tests/support/TestSupport.h"
#include "tests/support/GeneratedDatabaseSuite.h"
#include "tests/support/TesselProgram.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// What one `print ID` showed: its first line after "ID: ", and the item lines after it.
struct Printed {
    int id = 0;
    QString head;
    QStringList items;
};

struct ScriptRun {
    int exitCode = -1;
    QList<Printed> prints;
    QStringList boxes; // "message box ..." lines
    QString out;
    QString err;
};

class SplitPagesFeedbackScript : public GeneratedDatabaseSuite {
protected:
    ScriptRun Run(const QString& script) {
        const TesselRun program = RunWizardScript(s_database->Url(), script.toUtf8(), m_dir.path());
        ScriptRun run;
        run.exitCode = program.exitCode;
        run.out = program.out;
        run.err = program.err;
        static const QRegularExpression head(u"^(\\d+): (.*)$"_s);
        for (const QString& line : run.out.split(u'\n')) {
            if (line.startsWith(u"message box"_s))
                run.boxes << line;
            else if (const auto match = head.match(line); match.hasMatch())
                run.prints.append({match.captured(1).toInt(), match.captured(2), {}});
            else if (line.startsWith(u"  "_s) && !run.prints.isEmpty())
                run.prints.last().items << line.mid(2);
        }
        return run;
    }

    // The number in a text such as "共45项" or "未匹配12项" or "7 items".
    static int NumberIn(const QString& text) {
        static const QRegularExpression number(u"\\d+"_s);
        const auto match = number.match(text);
        EXPECT_TRUE(match.hasMatch()) << text.toStdString();
        return match.captured(0).toInt();
    }
    static int Sum(const QStringList& counts) {
        int sum = 0;
        for (const QString& count : counts)
            sum += count.toInt();
        return sum;
    }
};

TEST_F(SplitPagesFeedbackScript, SuggestionCountsAndUnmatchedAddressesFollowTheOperator) {
    const ScriptRun run = Run(u"type 5000 阳光花园\n"
                              "click 4\n"
                              "click 4\n"
                              "print 5026\n"
                              "type 5000 栋\n"
                              "print 5030\n" // 1: one row, what 栋 takes
                              "print 5028\n"
                              "click 5029\n" // only the unmatched addresses
                              "print 5008\n"
                              "type 5001 元\n"
                              "type 5002 室\n"
                              "print 5030\n" // 4: the counts followed the keystrokes
                              "print 5028\n"
                              "print 5008\n"
                              "answer no\n"
                              "click 5027\n" // the list holds a pattern: asked, and kept
                              "print 5017\n"
                              "answer yes\n"
                              "click 5027\n"
                              "print 5017\n" // 8: the suggestion
                              "print 5030\n"
                              "print 5028\n"
                              "print 5000\n"
                              "print 5008\n"
                              "click 5029\n"
                              "print 5008\n" // 13: all again
                              "answer yes\n"
                              "click 2\n"_s); // the rows would be lost: asked first
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.prints.size(), 14) << run.out.toStdString();
    const int all = NumberIn(run.prints[0].head);
    ASSERT_GT(all, 20);

    // One row of 栋: the count beside it and the unmatched count make up all addresses, and the
    // list shows just the unmatched ones.
    ASSERT_EQ(run.prints[1].items.size(), 1);
    EXPECT_TRUE(run.prints[2].head.startsWith(u"未匹配"_s)) << run.prints[2].head.toStdString();
    const int unmatchedByDong = NumberIn(run.prints[2].head);
    EXPECT_EQ(run.prints[1].items[0].toInt() + unmatchedByDong, all);
    EXPECT_EQ(NumberIn(run.prints[3].head), unmatchedByDong);
    EXPECT_EQ(run.prints[3].items.size(), unmatchedByDong);

    // 栋/元/室, a keystroke at a time: the counts and the list follow.
    ASSERT_EQ(run.prints[4].items.size(), 1);
    const int unmatchedByRow = NumberIn(run.prints[5].head);
    EXPECT_EQ(run.prints[4].items[0].toInt() + unmatchedByRow, all);
    EXPECT_LT(unmatchedByRow, unmatchedByDong);
    EXPECT_EQ(NumberIn(run.prints[6].head), unmatchedByRow);

    ASSERT_EQ(run.boxes.size(), 3) << run.out.toStdString();
    EXPECT_TRUE(run.boxes[2].contains(u"放弃已输入的模式？"_s) && run.boxes[2].endsWith(u"-> yes"_s))
        << run.boxes[2].toStdString();
    EXPECT_TRUE(run.boxes[0].contains(u"已有模式"_s) && run.boxes[0].endsWith(u"-> no"_s))
        << run.boxes[0].toStdString();
    EXPECT_EQ(run.prints[7].items, QStringList{u"栋\t元\t室\t\t\t"_s});
    EXPECT_TRUE(run.boxes[1].endsWith(u"-> yes"_s)) << run.boxes[1].toStdString();

    // The suggestion for the demo compound: its main form among the rows, every row taking
    // addresses, fewer left over than by 栋/元/室 alone, and the first row in the edits.
    const QStringList& rows = run.prints[8].items;
    ASSERT_GE(rows.size(), 2);
    ASSERT_LE(rows.size(), 7);
    // Each suggested row carries its names in the last column: the demo's main form with the words
    // it is written with.
    EXPECT_TRUE(rows.contains(u"栋\t元\t室\t\t\t栋/单元/室"_s)) << rows.join(u" | "_s).toStdString();
    for (const QString& row : rows)
        EXPECT_FALSE(row.section(u'\t', 5).isEmpty()) << row.toStdString();
    const QStringList& counts = run.prints[9].items;
    ASSERT_EQ(counts.size(), rows.size());
    for (const QString& count : counts)
        EXPECT_GT(count.toInt(), 0) << rows.join(u" | "_s).toStdString();
    const int unmatched = NumberIn(run.prints[10].head);
    EXPECT_EQ(Sum(counts) + unmatched, all);
    EXPECT_LT(unmatched, unmatchedByRow);
    EXPECT_EQ(run.prints[11].head, rows[0].section(u'\t', 0, 0));
    EXPECT_EQ(NumberIn(run.prints[12].head), unmatched);
    EXPECT_EQ(NumberIn(run.prints[13].head), all);
}

TEST_F(SplitPagesFeedbackScript, AThirdRowOfLongMixedTextsLeavesTheOtherRowsAsTheyWere) {
    // Long texts of everything a level edit may hold: CJK, ASCII, tokens and capital non-tokens,
    // full-width forms, brackets, slashes, a character outside the basic plane.
    const QString texts[] = {
        u"第[n]栋ABC单元/\\元[c]室（东）ＡＢ１２３xyz😀号楼"_s.repeated(4),
        u"单元1-2-3[c]幢[n]座Ｂ层(临时)"_s.repeated(6),
        u"５０１室#@!~[N][C]东西南北中"_s.repeated(5),
        u"a"_s.repeated(80) + u"栋"_s.repeated(40),
        u"[n][c][n]"_s.repeated(20) + u"元"_s,
    };
    const QString showRows = u"print 5017\nprint 5030\nprint 5028\nclick 5029\nprint 5008\nclick 5029\n"_s;
    QString script = u"type 5000 阳光花园\nclick 4\nclick 4\n"
                     "type 5000 栋\ntype 5001 元\ntype 5002 室\n"
                     "click 5022\ntype 5000 -\ntype 5001 -\ntype 5002 [n]\n"_s +
                     showRows + u"click 5022\n"_s;
    for (int k = 0; k < 5; ++k)
        script += u"type %1 %2\n"_s.arg(5000 + k).arg(texts[k]);
    script += u"print 5017\n"
              // Into the list on the third row, then up and down with the keyboard.
              "select 5017 2\nkey Up\nkey Up\nkey Down\nkey Up\nkey Down\nkey Down\nkey Down\n"
              "print 5017\nprint 5002\n"
              "click 5023\n"_s +
              showRows + u"print 5000\nprint 5002\nanswer yes\nclick 2\n"_s;

    const ScriptRun run = Run(script);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_EQ(run.prints.size(), 13) << run.out.toStdString();
    const QStringList twoRows{u"栋\t元\t室\t\t\t"_s, u"-\t-\t[n]\t\t\t"_s};
    EXPECT_EQ(run.prints[0].items, twoRows);
    const QString thirdRow = QStringList(std::begin(texts), std::end(texts)).join(u'\t') + u'\t'; // no names
    EXPECT_EQ(run.prints[4].items, twoRows + QStringList{thirdRow});
    // Moving between the rows loads each into the edits and changes none of them; the third row
    // is selected again at the end.
    EXPECT_EQ(run.prints[5].items, twoRows + QStringList{thirdRow});
    EXPECT_EQ(run.prints[6].head, texts[2]);

    // Deleted: the two rows, what each takes, the unmatched count and addresses as before, and
    // the second row loaded.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(run.prints[7 + i].head, run.prints[i].head) << i;
        EXPECT_EQ(run.prints[7 + i].items, run.prints[i].items) << i;
    }
    EXPECT_EQ(run.prints[11].head, u"-"_s);
    EXPECT_EQ(run.prints[12].head, u"[n]"_s);
}

} // namespace
