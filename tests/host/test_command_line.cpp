// The tessel program's command line as a user meets it: the same option forms for every command, a
// help for each, one style of error with exit 2 for usage, the version, the wizard without a display,
// and the manual page and bash completion written from the same declarations.
#include "tests/support/TesselProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

Outcome Tessel(const QStringList& args, const QByteArray& input = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
               const QString& directory = {}) {
    return RunTessel(args, {.input = input, .environment = environment, .directory = directory});
}

// The command names `tessel --help` lists.
QStringList CommandNames() {
    const Outcome overview = Tessel({u"--help"_s});
    EXPECT_EQ(overview.exitCode, 0);
    QStringList names;
    static const QRegularExpression row(u"^  ([a-z][a-z-]*)  "_s, QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(overview.out); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

TEST(CommandLine, EveryCommandHasOneHelpReachedThreeWays) {
    const QStringList names = CommandNames();
    for (const char* expected : {"help", "init-db", "register", "split", "sql", "wizard"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(expected))) << expected;
    for (const QString& name : names) {
        const Outcome help = Tessel({u"help"_s, name});
        EXPECT_EQ(help.exitCode, 0) << name.toStdString();
        EXPECT_TRUE(help.out.startsWith(u"usage: tessel "_s + name + u' ') ||
                    help.out.startsWith(u"usage: tessel "_s + name + u'\n'))
            << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(u"-h, --help"_s)) << help.out.toStdString();
        EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
        EXPECT_EQ(Tessel({name, u"--help"_s}).out, help.out) << name.toStdString();
        EXPECT_EQ(Tessel({name, u"-h"_s}).out, help.out) << name.toStdString();
    }
}

TEST(CommandLine, BadUsageIsOneLineNamingTheCommandAndExitsWithTwo) {
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{u"init-db"_s, u"sqlite:x.db"_s, u"--size"_s, u"0"_s},
         u"tessel init-db: --size needs a whole number from 1 to 100000000"_s},
        {{u"init-db"_s, u"sqlite:x.db"_s, u"--size=many"_s},
         u"tessel init-db: --size needs a whole number from 1 to 100000000"_s},
        {{u"init-db"_s, u"sqlite:x.db"_s, u"--size"_s, u"100000001"_s},
         u"tessel init-db: --size needs a whole number from 1 to 100000000"_s},
        {{u"init-db"_s, u"sqlite:x.db"_s, u"--size"_s, u"-5"_s},
         u"tessel init-db: --size needs a whole number from 1 to 100000000"_s},
        {{u"init-db"_s, u"sqlite:x.db"_s, u"--seed"_s}, u"tessel init-db: --seed needs a value"_s},
        {{u"init-db"_s}, u"tessel init-db: missing URL"_s},
        {{u"sql"_s, u"sqlite:x.db"_s}, u"tessel sql: missing STATEMENT"_s},
        {{u"sql"_s, u"sqlite:x.db"_s, u"select 1 from dual"_s, u"more"_s}, u"tessel sql: unexpected argument 'more'"_s},
        {{u"split"_s, u"--bogus"_s}, u"tessel split: unknown option '--bogus'"_s},
        {{u"split"_s, u"-x"_s}, u"tessel split: unknown option '-x'"_s},
        {{u"split"_s, u"--candidates=yes"_s}, u"tessel split: --candidates takes no value"_s},
        {{u"split"_s, u"--pattern"_s}, u"tessel split: --pattern needs a value"_s},
        {{u"register"_s, u"a.so"_s, u"b.so"_s}, u"tessel register: unexpected argument 'b.so'"_s},
        {{u"wizard"_s, u"--screenshots"_s, u"shots"_s}, u"tessel wizard: --screenshots needs --script"_s},
        {{u"wizard"_s, u"--script="_s}, u"tessel wizard: --script needs a file"_s},
        {{u"help"_s, u"frobnicate"_s}, u"tessel help: unknown command 'frobnicate'; 'tessel --help' lists them"_s},
        {{u"frobnicate"_s}, u"tessel: unknown command 'frobnicate'; 'tessel --help' lists them"_s},
        {{u"--frobnicate"_s}, u"tessel: unknown option '--frobnicate'"_s},
    };
    QTemporaryDir directory; // nothing may be created by a refused command line
    for (const Case& c : cases) {
        const Outcome run = Tessel(c.args, {}, QProcessEnvironment::systemEnvironment(), directory.path());
        EXPECT_EQ(run.exitCode, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_EQ(run.err, c.message + u'\n') << c.args.join(u' ').toStdString();
    }
    EXPECT_TRUE(QDir(directory.path()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries));

    const Outcome nothing = Tessel({});
    EXPECT_EQ(nothing.exitCode, 2);
    EXPECT_TRUE(nothing.err.startsWith(u"usage: tessel COMMAND"_s)) << nothing.err.toStdString();
}

TEST(CommandLine, AnOptionsValueMayFollowAnEqualsSignOrComeAsTheNextArgument) {
    QTemporaryDir directory;
    const QString file = directory.filePath(u"-addresses-"_s); // a name that looks like an option
    QFile texts(file);
    ASSERT_TRUE(texts.open(QIODevice::WriteOnly));
    texts.write("3栋2单元501室\n12-3-501\n");
    texts.close();
    const QString expected = u"0\t3栋\t2单元\t501室\n1\t12-\t3-\t501\n"_s;
    const QStringList forms[] = {
        {u"--pattern"_s, u"栋/元/室"_s, u"--pattern"_s, u"-/-/[n]"_s, u"--"_s, file},
        {u"--pattern=栋/元/室"_s, u"--pattern=-/-/[n]"_s, u"--"_s, file},
        {u"-p"_s, u"栋/元/室"_s, u"-p-/-/[n]"_s, u"--"_s, file},
        {u"-p=栋/元/室"_s, u"--"_s, file, u"-p"_s, u"-/-/[n]"_s}, // no options after --
    };
    for (qsizetype i = 0; i < 3; ++i) {
        const Outcome run = Tessel(QStringList{u"split"_s} + forms[i]);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, expected) << forms[i].join(u' ').toStdString();
    }
    const Outcome afterDashes = Tessel(QStringList{u"split"_s} + forms[3]);
    EXPECT_EQ(afterDashes.exitCode, 2);
    EXPECT_EQ(afterDashes.err, u"tessel split: unexpected argument '-p'\n"_s);

    // Options anywhere among the arguments, and the numbers of init-db in both forms.
    const QString a = u"sqlite:"_s + directory.filePath(u"a.db"_s);
    const QString b = u"sqlite:"_s + directory.filePath(u"b.db"_s);
    ASSERT_EQ(Tessel({u"init-db"_s, u"--size=300"_s, a, u"--seed=7"_s}).exitCode, 0);
    ASSERT_EQ(Tessel({u"init-db"_s, b, u"--seed"_s, u"7"_s, u"--size"_s, u"300"_s}).exitCode, 0);
    const QString rows = u"select id, name, parentid from addr order by id"_s;
    const Outcome fromA = Tessel({u"sql"_s, a, rows});
    EXPECT_EQ(fromA.exitCode, 0) << fromA.err.toStdString();
    EXPECT_FALSE(fromA.out.isEmpty());
    EXPECT_EQ(Tessel({u"sql"_s, b, rows}).out, fromA.out);
}

// The version, then which component is registered and which one this program runs: the one
// beside it unless the registered one is asked for.
TEST(CommandLine, VersionIsTheProjectsVersionAndTellsWhichComponentRuns) {
    for (const QString& option : {u"--version"_s, u"-V"_s}) {
        const Outcome version = Tessel({option});
        EXPECT_EQ(version.exitCode, 0);
        const QStringList lines = version.out.split(u'\n');
        ASSERT_EQ(lines.size(), 4) << version.out.toStdString();
        EXPECT_TRUE(QRegularExpression(u"^tessel \\d+\\.\\d+\\.\\d+(\\.\\d+)?$"_s).match(lines[0]).hasMatch())
            << version.out.toStdString();
        EXPECT_TRUE(lines[1].startsWith(u"component registered: "_s)) << version.out.toStdString();
        EXPECT_TRUE(lines[2].startsWith(u"component that runs: "_s + QDir(QStringLiteral(TESSEL_LIB_DIR)).canonicalPath() +
                                        u"/libtessel.so (the one beside this program"_s))
            << version.out.toStdString();
    }
}

TEST(CommandLine, TheWizardWithoutADisplayOrAScriptSaysWhyAndExitsWithOne) {
    struct Case {
        const char* display; // DISPLAY, or null for none
        QString message;     // how the one line on standard error starts
    };
    const Case cases[] = {
        {nullptr, u"tessel wizard: no display"_s},
        {":98765", u"tessel wizard: cannot open the display :98765"_s}, // no server there
    };
    for (const Case& c : cases) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (c.display)
            environment.insert(u"DISPLAY"_s, QString::fromLatin1(c.display));
        QTemporaryDir directory;
        const Outcome run = Tessel({u"wizard"_s}, {}, environment, directory.path());
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString(); // no "result: -1"
        EXPECT_TRUE(run.err.startsWith(c.message)) << run.err.toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    }
}

TEST(CommandLine, TheManualPageIsCleanRoffAndTellsOfEveryCommandAndOption) {
    const Outcome man = Tessel({u"help"_s, u"--man"_s});
    ASSERT_EQ(man.exitCode, 0) << man.err.toStdString();
    EXPECT_TRUE(man.out.startsWith(u".TH TESSEL 1 "_s)) << man.out.left(200).toStdString();
    for (const QString& name : CommandNames()) {
        const auto roff = [](QString text) { return text.replace(u"-"_s, u"\\-"_s); };
        EXPECT_TRUE(man.out.contains(u".SS \""_s + roff(name))) << name.toStdString();
        const Outcome help = Tessel({u"help"_s, name});
        static const QRegularExpression option(u"(?:^|\\s)--([a-z][a-z-]+)"_s);
        for (auto it = option.globalMatch(help.out); it.hasNext();) {
            const QString written = roff(u"--"_s + it.next().captured(1));
            EXPECT_TRUE(man.out.contains(written)) << name.toStdString() << ": " << written.toStdString();
        }
    }
    const QString groff = QStandardPaths::findExecutable(u"groff"_s);
    if (groff.isEmpty())
        GTEST_SKIP() << "no groff to check the roff with";
    QProcess format;
    format.start(groff, {u"-man"_s, u"-Tutf8"_s, u"-ww"_s, u"-z"_s});
    ASSERT_TRUE(format.waitForStarted());
    format.write(man.out.toUtf8());
    format.closeWriteChannel();
    ASSERT_TRUE(format.waitForFinished(30000));
    EXPECT_EQ(format.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(format.readAllStandardError()), QString()); // no warnings
}

TEST(CommandLine, BashCompletesCommandsOptionsAndFiles) {
    const QString bash = QStandardPaths::findExecutable(u"bash"_s);
    ASSERT_FALSE(bash.isEmpty());
    const Outcome script = Tessel({u"help"_s, u"--bash-completion"_s});
    ASSERT_EQ(script.exitCode, 0) << script.err.toStdString();
    QTemporaryDir directory;
    QFile completion(directory.filePath(u"tessel.bash"_s));
    ASSERT_TRUE(completion.open(QIODevice::WriteOnly));
    completion.write(script.out.toUtf8());
    completion.close();
    QFile(directory.filePath(u"run.tsl"_s)).open(QIODevice::WriteOnly);
    QDir(directory.path()).mkdir(u"shots"_s);

    struct Case {
        QStringList words; // the command line, the last word being completed
        QString completions;
    };
    const Case cases[] = {
        {{u"tessel"_s, u"sp"_s}, u"split"_s},
        {{u"tessel"_s, u"--v"_s}, u"--version"_s},
        {{u"tessel"_s, u"split"_s, u"--pa"_s}, u"--pattern"_s},
        {{u"tessel"_s, u"init-db"_s, u"x"_s, u"--s"_s}, u"--size --seed"_s},
        {{u"tessel"_s, u"help"_s, u"in"_s}, u"init-db"_s},
        {{u"tessel"_s, u"wizard"_s, u"--script"_s, u"ru"_s}, u"run.tsl"_s},
        {{u"tessel"_s, u"wizard"_s, u"--script"_s, u"="_s, u"ru"_s}, u"run.tsl"_s},
        {{u"tessel"_s, u"wizard"_s, u"--screenshots"_s, u""_s}, u"shots"_s},
        {{u"tessel"_s, u"split"_s, u"ru"_s}, u"run.tsl"_s},
        {{u"tessel"_s, u"init-db"_s, u"--size"_s, u""_s}, u""_s},
    };
    for (const Case& c : cases) {
        QStringList quoted;
        for (const QString& word : c.words)
            quoted << u'\'' + word + u'\'';
        const QString program = u"source tessel.bash\nCOMP_WORDS=("_s + quoted.join(u' ') +
                                u")\nCOMP_CWORD="_s + QString::number(c.words.size() - 1) +
                                u"\n_tessel\necho \"${COMPREPLY[*]}\"\n"_s;
        QProcess run;
        run.setWorkingDirectory(directory.path());
        run.start(bash, {u"--norc"_s, u"-c"_s, program});
        ASSERT_TRUE(run.waitForFinished(30000));
        EXPECT_EQ(QString::fromUtf8(run.readAllStandardOutput()).trimmed(), c.completions)
            << c.words.join(u' ').toStdString() << "\n"
            << run.readAllStandardError().toStdString();
    }
}

} // namespace
