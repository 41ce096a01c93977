// tessel sql's output, run as a user runs it: one line per row whatever the values hold, dates and
// numbers readable, rows streamed (a reader that stops early ends it, memory does not grow with
// the rows), a statement from standard input, and a write error that is an error.
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

// Runs the program; `input` goes to its standard input, `outputFile` (when set) takes its
// standard output, `heapLimit` (bytes, when set) caps its data segment.
Outcome Tessel(const QStringList& args, const QByteArray& input = {}, const QString& outputFile = {},
               rlim_t heapLimit = 0) {
    TesselCall call{.input = input, .outputFile = outputFile};
    if (heapLimit)
        call.inChild = [heapLimit] {
            const rlimit limit{heapLimit, heapLimit};
            ::setrlimit(RLIMIT_DATA, &limit);
        };
    return RunTessel(args, call);
}

class SqlOutput : public BackendTest {};

TEST_P(SqlOutput, EveryRowIsOneLineAndValuesReadAsTheyAre) {
    struct Case {
        QString statement;
        QString output;
    };
    std::vector<Case> cases = {
        // Tab, line break, carriage return and backslash inside a value are escaped; '' is NULL.
        {u"select 'a\tb', 'c\nd', 'e\\f', 'g\r', '' from dual"_s, u"a\\tb\tc\\nd\te\\\\f\tg\\r\tNULL\n"_s},
        {u"select '\\t', 'NULL', null from dual"_s, u"\\\\t\tNULL\tNULL\n"_s},
        {u"select 12, -3, 1.5, 0.25 from dual"_s, u"12\t-3\t1.5\t0.25\n"_s},
    };
    if (GetParam() == Backend::PostgreSQL) {
        cases.push_back({u"select date '2024-03-01', timestamp '2024-03-01 13:45:00', "
                         u"timestamp '1999-12-31 23:59:59.25', time '07:08:09' from dual"_s,
                         u"2024-03-01\t2024-03-01 13:45:00\t1999-12-31 23:59:59.250\t07:08:09\n"_s});
        cases.push_back({u"select cast(1.10 as numeric(10,2)), cast(12345678901234567890.5 as numeric(30,1)), "
                         u"cast(2.5 as double precision), cast(-0.000125 as numeric) from dual"_s,
                         u"1.1\t12345678901234567890.5\t2.5\t-0.000125\n"_s});
    }
    for (const Case& c : cases) {
        const Outcome sql = Tessel({u"sql"_s, Database().Url(), c.statement});
        EXPECT_EQ(sql.exitCode, 0) << sql.err.toStdString();
        EXPECT_EQ(sql.out, c.output) << c.statement.toStdString();
    }
}

TEST_P(SqlOutput, TheStatementComesFromStandardInput) {
    const Outcome sql = Tessel({u"sql"_s, Database().Url(), u"-"_s}, "select '阳光', 2\nfrom dual;\n");
    EXPECT_EQ(sql.exitCode, 0) << sql.err.toStdString();
    EXPECT_EQ(sql.out, u"阳光\t2\n"_s);
}

TEST_P(SqlOutput, AFullDiskIsAnError) {
    Database().Generate(2000);
    const Outcome sql = Tessel({u"sql"_s, Database().Url(), u"select id, name from addr"_s}, {}, u"/dev/full"_s);
    EXPECT_EQ(sql.exitCode, 1);
    EXPECT_TRUE(sql.err.contains(u"No space left on device"_s)) << sql.err.toStdString();
}

// About a million rows (every pair of 1000 addr rows).
const QString kManyRows = u"select a.id, b.name, b.grade from addr a, addr b"_s;

TEST_P(SqlOutput, AReaderThatStopsEarlyEndsTheOutputQuietly) {
    Database().Generate(1000);
    QProcess shell;
    shell.start(u"bash"_s, {u"-c"_s, u"\"$0\" sql \"$1\" \"$2\" | head -n 3; echo \"exit ${PIPESTATUS[0]}\""_s,
                            QStringLiteral(TESSEL_BIN_DIR "/tessel"), Database().Url(), kManyRows});
    ASSERT_TRUE(shell.waitForFinished(120000));
    const QStringList lines = QString::fromUtf8(shell.readAllStandardOutput()).split(u'\n');
    ASSERT_EQ(lines.size(), 5) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[3], u"exit 0"_s);
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardError()), QString()) << "no complaint about the pipe";
}

TEST_P(SqlOutput, RowsStreamWithoutBeingKept) {
    Database().Generate(1000);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"rows.txt"_s);
    // 96 MB of heap hold the program and a few rows, not a million of them.
    const Outcome sql = Tessel({u"sql"_s, Database().Url(), kManyRows}, {}, file, rlim_t(96) << 20);
    ASSERT_EQ(sql.exitCode, 0) << sql.err.toStdString();
    QFile rows(file);
    ASSERT_TRUE(rows.open(QIODevice::ReadOnly));
    const qint64 count = Database().Rows(u"select count(*) from addr"_s).at(0).at(0).toLongLong();
    qint64 lines = 0;
    while (!rows.atEnd())
        lines += rows.readLine().endsWith('\n') ? 1 : 0;
    EXPECT_EQ(lines, count * count);
}

INSTANTIATE_BACKENDS(SqlOutput);

} // namespace
