// What the program's commands say when things are not as the user thought, and the forms their rows
// come in, run as a user runs them: a database file that is not there is never created (only init-db
// makes one) and the reason is the system's; every failure is one line; output that cannot be written
// is a failure; a report never replaces the database; --format, --header and --null.
#include "tests/support/TestDatabase.h"
#include "tests/support/TesselProgram.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class CommandOutput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // A demo database made once for the test.
    QString Demo() {
        if (m_demo.isEmpty()) {
            m_demo = u"sqlite:"_s + Path(u"demo.db"_s);
            const TesselRun init = RunTessel({u"init-db"_s, m_demo, u"--demo"_s});
            EXPECT_EQ(init.exitCode, 0) << init.err.toStdString();
        }
        return m_demo;
    }
    QTemporaryDir m_dir;
    QString m_demo;
};

// Every command that opens a database, on `url`; the wizard with a script that cancels.
QList<QStringList> CommandsOn(const QString& url, const QString& script) {
    return {
        {u"sql"_s, url, u"select 1 from dual"_s},
        {u"decompose"_s, url, u"--cell"_s, u"阳光花园"_s},
        {u"suggest"_s, url, u"--cell"_s, u"阳光花园"_s},
        {u"wizard"_s, url, u"--script"_s, script},
        {u"history"_s, url},
        {u"undo"_s, url, u"1"_s},
        {u"init-db"_s, url, u"--journal"_s},
    };
}

TEST_F(CommandOutput, OnlyInitDbCreatesADatabaseAndTheOthersSayWhyTheFileIsNotThere) {
    const QString script = Path(u"script.txt"_s);
    Write(script, "click 2\n");
    const struct {
        QString path;
        QString says;
    } cases[] = {
        {Path(u"typo.db"_s), u"there is no file %1 (No such file or directory); tessel init-db creates a database"_s},
        {Path(u"no-folder/x.db"_s), u"the folder %1 is not there (No such file or directory)"_s.arg(Path(u"no-folder"_s))},
        {m_dir.path(), u"%1 is a folder"_s.arg(m_dir.path())},
    };
    for (const auto& c : cases) {
        for (const QStringList& args : CommandsOn(u"sqlite:"_s + c.path, script)) {
            const TesselRun run = RunTessel(args);
            const std::string what = args.join(u' ').toStdString();
            EXPECT_EQ(run.exitCode, 1) << what;
            EXPECT_EQ(run.err, u"tessel %1: cannot open sqlite:%2: "_s.arg(args[0], c.path) +
                                   (c.says.contains(u"%1"_s) ? c.says.arg(c.path) : c.says) + u'\n')
                << what;
            EXPECT_TRUE(run.out.isEmpty()) << what << run.out.toStdString();
        }
        if (c.path != m_dir.path()) {
            EXPECT_FALSE(QFile::exists(c.path));
        }
    }
    // init-db says why it cannot create one.
    const TesselRun init = RunTessel({u"init-db"_s, u"sqlite:"_s + Path(u"no-folder/x.db"_s)});
    EXPECT_EQ(init.exitCode, 1);
    EXPECT_EQ(init.err, u"tessel init-db: cannot create sqlite:%1: the folder %2 is not there (No such file or "
                        u"directory)\n"_s.arg(Path(u"no-folder/x.db"_s), Path(u"no-folder"_s)));
}

TEST_F(CommandOutput, TildeIsTheHomeFolder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, m_dir.path());
    const TesselRun init = RunTessel({u"init-db"_s, u"sqlite:~/home.db"_s}, {.environment = environment});
    EXPECT_EQ(init.exitCode, 0) << init.err.toStdString();
    EXPECT_TRUE(QFile::exists(Path(u"home.db"_s)));
    const TesselRun sql =
        RunTessel({u"sql"_s, u"sqlite:~/home.db"_s, u"select count(*) from addr"_s}, {.environment = environment});
    EXPECT_EQ(sql.out, u"0\n"_s) << sql.err.toStdString();
}

TEST_F(CommandOutput, InitDbOnAnExistingSchemaSaysSoInOneLineAndNamesForce) {
    const QString url = u"sqlite:"_s + Path(u"twice.db"_s);
    ASSERT_EQ(RunTessel({u"init-db"_s, url}).exitCode, 0);
    const TesselRun again = RunTessel({u"init-db"_s, url, u"--demo"_s});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, u"tessel init-db: %1 already holds the address tables; --force replaces them\n"_s.arg(url));
    EXPECT_EQ(RunTessel({u"init-db"_s, url, u"--demo"_s, u"--force"_s}).exitCode, 0);
}

// `make run` opens the demo in the current folder: an empty file left there is made into the demo.
TEST_F(CommandOutput, TheWizardMakesTheDemoAgainWhenItsFileHoldsNoTables) {
    Write(Path(u"tessel-demo.db"_s), "");
    Write(Path(u"script.txt"_s), "click 2\n");
    const TesselRun run = RunTessel({u"wizard"_s, u"--script"_s, u"script.txt"_s}, {.directory = m_dir.path()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(u"result: 2\n"_s)) << run.out.toStdString();
    const TesselRun count =
        RunTessel({u"sql"_s, u"sqlite:"_s + Path(u"tessel-demo.db"_s), u"select count(*) from addr where name='阳光花园'"_s});
    EXPECT_EQ(count.out, u"1\n"_s) << count.err.toStdString();
}

TEST_F(CommandOutput, ControlCharactersInArgumentsAreEscapedAndEveryFailureIsOneLine) {
    const QStringList cases[] = {
        {u"split"_s, u"-\n"_s},
        {u"split"_s, u"--pattern\n"_s},
        {u"sql"_s, u"sqlite:"_s + Path(u"a\nb.db"_s), u"select 1 from dual"_s},
        {u"decompose"_s, Demo(), u"--existing"_s, u"x\ny"_s, u"--cell"_s, u"c"_s},
        {u"no\tsuch"_s},
    };
    for (const QStringList& args : cases) {
        const TesselRun run = RunTessel(args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"\\n"_s) || run.err.contains(u"\\t"_s)) << run.err.toStdString();
    }
}

TEST_F(CommandOutput, AFullDiskIsAFailureThatSaysWhy) {
    Write(Path(u"texts.txt"_s), "3栋2单元501室\n4栋1单元101室\n");
    const QStringList cases[] = {
        {u"split"_s, u"-p"_s, u"栋/元/室"_s, Path(u"texts.txt"_s)},
        {u"suggest"_s, Path(u"texts.txt"_s)},
        {u"decompose"_s, Demo(), u"--cell"_s, u"阳光花园"_s, u"--dry-run"_s},
        {u"sql"_s, Demo(), u"select id from addr"_s},
    };
    for (const QStringList& args : cases) {
        const TesselRun run = RunTessel(args, {.outputFile = u"/dev/full"_s});
        EXPECT_EQ(run.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(u"No space left on device"_s)) << run.err.toStdString();
    }
}

TEST_F(CommandOutput, TheReportIsOpenedAfterTheDatabaseAndIsNeverTheDatabase) {
    const QString demo = Demo();
    const QString file = demo.mid(7);
    const QByteArray database = Contents(file);
    const TesselRun same = RunTessel({u"decompose"_s, demo, u"--cell"_s, u"阳光花园"_s, u"--report"_s, file});
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_TRUE(same.err.contains(u"is the database itself"_s)) << same.err.toStdString();
    EXPECT_TRUE(Contents(file) == database);

    // A database that cannot be opened leaves an earlier report as it was.
    const QString report = Path(u"report.tsv"_s);
    Write(report, "earlier\n");
    const TesselRun missing =
        RunTessel({u"decompose"_s, u"sqlite:"_s + Path(u"nothere.db"_s), u"--cell"_s, u"x"_s, u"--report"_s, report});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(Contents(report), "earlier\n");

    // "-" is standard output, where the lines go anyway: once, and no file named "-".
    const TesselRun toOutput = RunTessel({u"decompose"_s, demo, u"--cell"_s, u"阳光花园"_s, u"--dry-run"_s,
                                          u"--report"_s, u"-"_s},
                                         {.directory = m_dir.path()});
    EXPECT_EQ(toOutput.exitCode, 0) << toOutput.err.toStdString();
    EXPECT_EQ(toOutput.out.count(u'\n'), 2) << toOutput.out.toStdString();
    EXPECT_FALSE(QFile::exists(Path(u"-"_s)));
    // The summary at the end, on standard error.
    EXPECT_EQ(toOutput.err,
              u"tessel decompose: 0 written, 1 dry-run, 0 skipped, 0 not found, 0 ambiguous, 0 failed\n"_s);
}

TEST_F(CommandOutput, SqlTellsNullFromTheTextNullAndWritesEachFormat) {
    const QString demo = Demo();
    const QString statement = u"select null as a, 'NULL' as b, 12 as c, 'x,\"y\"' as d from dual"_s;
    const struct {
        QStringList options;
        QString output;
    } cases[] = {
        {{}, u"NULL\tNULL\t12\tx,\"y\"\n"_s},
        {{u"--null"_s, u"\\N"_s}, u"\\N\tNULL\t12\tx,\"y\"\n"_s},
        {{u"--header"_s}, u"a\tb\tc\td\nNULL\tNULL\t12\tx,\"y\"\n"_s},
        {{u"--format"_s, u"csv"_s}, u"a,b,c,d\n,NULL,12,\"x,\"\"y\"\"\"\n"_s},
        {{u"--format=csv"_s, u"--null"_s, u"NA"_s}, u"a,b,c,d\nNA,NULL,12,\"x,\"\"y\"\"\"\n"_s},
        {{u"--format"_s, u"json"_s}, u"[\n {\"a\":null,\"b\":\"NULL\",\"c\":\"12\",\"d\":\"x,\\\"y\\\"\"}\n]\n"_s},
    };
    for (const auto& c : cases) {
        const TesselRun run = RunTessel(QStringList{u"sql"_s, demo, statement} + c.options);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out.toLower(), c.output.toLower()) << c.options.join(u' ').toStdString();
    }
    const TesselRun bad = RunTessel({u"sql"_s, demo, statement, u"--format"_s, u"xml"_s});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, u"tessel sql: --format takes tsv, csv or json, not 'xml'\n"_s);
}

TEST_F(CommandOutput, DecomposeSplitAndSuggestWriteJsonAndCsv) {
    const QString demo = Demo();
    const TesselRun decompose = RunTessel(
        {u"decompose"_s, demo, u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s, u"栋/元/室"_s, u"--dry-run"_s,
         u"--format"_s, u"json"_s});
    ASSERT_EQ(decompose.exitCode, 0) << decompose.err.toStdString();
    const QJsonDocument document = QJsonDocument::fromJson(decompose.out.toUtf8());
    ASSERT_TRUE(document.isArray()) << decompose.out.toStdString();
    ASSERT_EQ(document.array().size(), 1);
    const QJsonObject row = document.array()[0].toObject();
    EXPECT_EQ(row[u"cell"_s].toString(), u"阳光花园"_s);
    EXPECT_EQ(row[u"status"_s].toString(), u"dry-run"_s);
    EXPECT_GT(row[u"dp_loaded"_s].toInt(), 0);

    Write(Path(u"texts.txt"_s), "3栋2单元501室\n4栋1单元\n");
    const TesselRun split =
        RunTessel({u"split"_s, u"-p"_s, u"栋/元/室"_s, u"--format"_s, u"csv"_s, Path(u"texts.txt"_s)});
    EXPECT_EQ(split.out, u"pattern,level1,level2,level3,level4,level5\n0,3栋,2单元,501室,,\n-1,,,,,\n"_s)
        << split.out.toStdString();

    // suggest reads the compound's texts as page 3 loads them: every one of dp_loaded is counted.
    const TesselRun suggest = RunTessel({u"suggest"_s, demo, u"--cell"_s, u"阳光花园"_s, u"--format"_s, u"json"_s});
    ASSERT_EQ(suggest.exitCode, 0) << suggest.err.toStdString();
    const QJsonDocument rows = QJsonDocument::fromJson(suggest.out.toUtf8());
    ASSERT_TRUE(rows.isArray()) << suggest.out.toStdString();
    int lines = 0;
    for (const QJsonValue& r : rows.array())
        lines += r.toObject()[u"lines"_s].toInt();
    EXPECT_EQ(lines, row[u"dp_loaded"_s].toInt());
    EXPECT_TRUE(rows.array().last().toObject()[u"pattern"_s].isNull());

    // --dp-pattern auto splits with those rows: all but suggest's unmatched lines are matched.
    const TesselRun automatic = RunTessel({u"decompose"_s, demo, u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s,
                                           u"auto"_s, u"--dry-run"_s, u"--format"_s, u"json"_s});
    ASSERT_EQ(automatic.exitCode, 0) << automatic.err.toStdString();
    const QJsonObject suggested = QJsonDocument::fromJson(automatic.out.toUtf8()).array()[0].toObject();
    EXPECT_EQ(suggested[u"dp_matched"_s].toInt(),
              lines - rows.array().last().toObject()[u"lines"_s].toInt());
}

} // namespace
