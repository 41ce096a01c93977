// tessel split as a user runs it: a file or standard input in, one line per text out, and the exit
// codes of bad usage (2) and of input that is not UTF-8 (1).
#include "tests/support/TemporaryFolderTest.h"
#include "tests/support/TesselProgram.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

using ProgramRun = TesselRawRun;

ProgramRun Tessel(const QStringList& args, const QByteArray& input = {}) {
    return RunTesselRaw(QStringList{"split"} + args, {.input = input});
}

class SplitCommand : public TemporaryFolderTest {};

TEST_F(SplitCommand, PrintsThePatternIndexAndThePiecesOfEveryLine) {
    const QString path = WriteFile("3栋2单元501室\n"
                                   "12号楼3单元\r\n" // the CR is dropped
                                   "物业管理处\n"
                                   "\n"
                                   "A座5层"); // the last line needs no newline
    const ProgramRun run =
        Tessel({"-p", "栋/元/室", "--pattern", "[n]/楼/[n]/元", "-p", "[c]/层", "-p", "", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "0\t3栋\t2单元\t501室\n"
                                     "1\t12\t号楼\t3\t单元\n"
                                     "-1\n"
                                     "3\n"
                                     "2\tA\t座5层\n");
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(SplitCommand, ReadsEscapesAndEmptyColumnsInPatterns) {
    const ProgramRun run =
        Tessel({"-p", "栋//号", "-p", "\\//[n]", "-p", "\\\\"}, "3栋5号\n3栋\n3-2/101\nC:\\\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "-1\n"
                                     "0\t3栋\n"
                                     "1\t3-2/\t101\n"
                                     "2\tC:\\\n");
}

// P=NAMES: the cut is the same, a named level prints the node its piece becomes; an empty name
// keeps that level as cut, and '\=' is a literal '=' in a level text.
TEST_F(SplitCommand, NamedRowsPrintEachPieceAsItsNode) {
    const ProgramRun run = Tessel({"-p", "-/-/[n]=栋/单元/室", "-p", "楼/元/[n]=栋//室", "-p", "\\=/[n]=栋"},
                                  "4-1-101\n四号楼一单元402\n４号楼1单元0402\n3=5\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "0\t4栋\t1单元\t101室\n"
                                     "1\t4栋\t一单元\t402室\n"
                                     "1\t4栋\t1单元\t0402室\n"
                                     "2\t3栋\t5\n");
}

TEST_F(SplitCommand, AcceptsMoreThanSevenRowsButUsesTheFirstSeven) {
    QStringList args;
    for (const char* row : {"a", "b", "c", "d", "e", "f", "g", "栋"})
        args << "-p" << QString::fromUtf8(row);
    const ProgramRun run = Tessel(args, "3栋\n1g\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "-1\n6\t1g\n");
}

TEST_F(SplitCommand, CandidatesOverAllLines) {
    const ProgramRun run = Tessel({"--candidates", "-"}, "3栋2单元\n五栋１单元（东）\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "栋单元\n");
}

TEST_F(SplitCommand, BadUsageIsOneLineOnStandardErrorAndExitTwo) {
    const QStringList cases[] = {
        {"-p", "a/b/c/d/e/f"}, // six columns
        {"-p", "a\\x"},        // a backslash before anything but /, = and \ .
        {"-p", "a=b=c"},       // a second '='
        {"-p", "a=1/2/3/4/5/6"}, // six names
        {"-p"},
        {"--bogus"},
        {"one.txt", "two.txt"},
    };
    for (const QStringList& args : cases) {
        const ProgramRun run = Tessel(args, "3栋\n");
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

TEST_F(SplitCommand, InvalidUtf8StopsAtItsLine) {
    const QString path = WriteFile("1栋\n2栋\n3\xE6\xA0\n4栋\n"); // line 3 ends inside a character
    const ProgramRun run = Tessel({"-p", "栋", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.toStdString(), "0\t1栋\n0\t2栋\n");
    EXPECT_TRUE(run.err.contains("line 3")) << run.err.toStdString();

    const ProgramRun candidates = Tessel({"--candidates"}, "栋\n\xED\xA0\x80\n"); // an encoded surrogate
    EXPECT_EQ(candidates.exitCode, 1);
    EXPECT_TRUE(candidates.out.isEmpty());
    EXPECT_TRUE(candidates.err.contains("line 2")) << candidates.err.toStdString();
}

TEST_F(SplitCommand, HelpAndMissingFile) {
    const ProgramRun help = Tessel({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: tessel split"));

    const ProgramRun missing = Tessel({m_dir.filePath("absent.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.isEmpty());
}

} // namespace
