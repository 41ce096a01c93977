// tessel suggest as a user runs it: address lines in, the suggested rows with what each takes out,
// rows that `tessel split -p` reads back and that cut as counted, and the exit codes of bad usage
// (2) and of input that is not UTF-8 or cannot be read (1).
#include "tests/support/TemporaryFolderTest.h"
#include "tests/support/TesselProgram.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

using ProgramRun = TesselRawRun;

ProgramRun Tessel(const QStringList& args, const QByteArray& input = {}) {
    return RunTesselRaw(args, {.input = input});
}

class SuggestCommand : public TemporaryFolderTest {};

TEST_F(SuggestCommand, PrintsEachRowWithTheLinesItTakesThenTheUnmatched) {
    const QByteArray input = "3栋2单元501室\n"
                             "3栋2单元502室\r\n" // the CR is dropped
                             "5幢1单元101室\n"
                             "12号楼3单元502\n"
                             "12号楼3单元602\n"
                             "12号楼3单元702\n"
                             "会所\n"
                             "\n"
                             "３栋２单元５０１室"; // the last line needs no newline
    // Each row with its canonical names: the building word most lines carry (栋 over 号楼 and 幢),
    // and the room name of the row that takes most lines for the level written without a word.
    const char* expected = "栋幢/元/室=栋/单元/室\t4\n"
                           "楼/元/[n]=栋/单元/室\t3\n"
                           "unmatched\t2\n";
    const ProgramRun fromStdin = Tessel({"suggest"}, input);
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err.toStdString();
    EXPECT_EQ(fromStdin.out.toStdString(), expected);
    EXPECT_TRUE(fromStdin.err.isEmpty());

    const ProgramRun fromFile = Tessel({"suggest", WriteFile("\xEF\xBB\xBF" + input)}); // with a byte order mark
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err.toStdString();
    EXPECT_EQ(fromFile.out.toStdString(), expected);
}

TEST_F(SuggestCommand, RowsReadBackIntoSplitAndCutAsCounted) {
    // A slash as a word's end is written escaped; split prints the named levels as their nodes.
    const QString path = WriteFile("3栋/2单元\n4栋/1单元\nA座5层\n物业\n");
    const ProgramRun suggest = Tessel({"suggest", path});
    ASSERT_EQ(suggest.exitCode, 0) << suggest.err.toStdString();
    EXPECT_EQ(suggest.out.toStdString(), "\\//元=栋/单元\t2\n座/层=栋/层\t1\nunmatched\t1\n");

    QStringList splitArgs{"split"};
    for (const QByteArray& line : suggest.out.split('\n'))
        if (!line.isEmpty() && !line.startsWith("unmatched"))
            splitArgs << "-p" << QString::fromUtf8(line.left(line.indexOf('\t')));
    const ProgramRun split = Tessel(splitArgs << path);
    EXPECT_EQ(split.exitCode, 0) << split.err.toStdString();
    EXPECT_EQ(split.out.toStdString(), "0\t3栋\t2单元\n0\t4栋\t1单元\n1\tA栋\t5层\n-1\n");
}

TEST_F(SuggestCommand, NoLinesGiveNoRows) {
    const ProgramRun run = Tessel({"suggest", "-"}, "");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "unmatched\t0\n");
}

TEST_F(SuggestCommand, FailuresSayWhyOnStandardError) {
    const struct {
        QStringList args;
        QByteArray input;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"suggest", "--bogus"}, "3栋\n", 2, "tessel suggest: unknown option '--bogus'"},
        {{"suggest", "one.txt", "two.txt"}, "3栋\n", 2, "tessel suggest: unexpected argument 'two.txt'"},
        {{"suggest"}, "1栋\n2\xE6\xA0\n", 1, "line 2"}, // line 2 ends inside a character
        {{"suggest", m_dir.filePath("absent.txt")}, "", 1, "cannot open"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Tessel(c.args, c.input);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }

    const ProgramRun help = Tessel({"suggest", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: tessel suggest"));
}

} // namespace
