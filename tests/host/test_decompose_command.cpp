// tessel decompose, run as a user runs it, on SQLite and PostgreSQL: for the same inputs the database
// ends as after the wizard run by an operator script; a dry run changes nothing; compounds with an
// inner tree, compounds that are not there and compounds that fail are reported on their own lines
// while the run goes on; bad usage writes nothing.
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

using Outcome = TesselRun;

Outcome Tessel(const QStringList& args, const QString& workingDirectory = {}) {
    return RunTessel(args, {.directory = workingDirectory});
}

const QString kHeader = u"cell\tdp_loaded\tdp_matched\taddr_loaded\taddr_matched\tnodes_new\tlinks_new\tmoved\t"
                        u"replaced\tresult_id\tstatus\tdp_rows\taddr_rows"_s;

// One compound's inputs, given to the wizard as an operator script and to decompose as options.
struct Job {
    QString cell;
    std::map<int, QString> pathLevels; // grade -> text
    QList<QStringList> dpRows;         // level texts of each row
    QList<QStringList> addrRows;
    bool existing = false; // the page-1 question comes and is answered Yes
    // The names of each row (栋/单元/室), typed into the names edit and given after '='; none: no names.
    QStringList dpNames;
    QStringList addrNames;
};

QByteArray WizardScript(const Job& job) {
    QString script = u"type 5000 "_s + job.cell + u"\n"_s;
    if (job.existing)
        script += u"answer yes\n"_s;
    script += u"click 4\n"_s;
    for (const auto& [grade, text] : job.pathLevels)
        script += u"type %1 %2\n"_s.arg(5001 + grade).arg(text);
    script += u"click 4\n"_s;
    auto patterns = [&](const QList<QStringList>& rows, const QStringList& names) {
        for (qsizetype r = 0; r < rows.size(); ++r) {
            if (r > 0)
                script += u"click 5022\n"_s;
            for (qsizetype k = 0; k < rows[r].size(); ++k)
                script += u"type %1 %2\n"_s.arg(5000 + k).arg(rows[r][k]);
            if (r < names.size())
                script += u"type 5032 %1\n"_s.arg(names[r]);
        }
    };
    patterns(job.dpRows, job.dpNames);
    script += u"click 4\nclick 4\n"_s;
    patterns(job.addrRows, job.addrNames);
    script += u"click 4\nprint 5012\nclick 4\n"_s;
    return script.toUtf8();
}

QStringList DecomposeOptions(const Job& job) {
    QStringList options;
    for (const auto& [grade, text] : job.pathLevels)
        options << u"--path-level"_s << u"%1=%2"_s.arg(grade).arg(text);
    auto rows = [&](const QString& option, const QList<QStringList>& levels, const QStringList& names) {
        for (qsizetype r = 0; r < levels.size(); ++r)
            options << option << levels[r].join(u'/') + (r < names.size() ? u"="_s + names[r] : QString());
    };
    rows(u"--dp-pattern"_s, job.dpRows, job.dpNames);
    rows(u"--addr-pattern"_s, job.addrRows, job.addrNames);
    if (job.existing)
        options << u"--existing"_s << u"continue"_s;
    return options;
}

// The address tables with every id replaced by the path of names from the top (ids drawn from a
// sequence differ between runs on a server whose sequences ignore rollbacks), sorted.
QStringList Canonical(TestDatabase& db) {
    struct Node {
        QString name, grade, parent;
    };
    QHash<QString, Node> nodes;
    for (const QStringList& row : db.Rows(u"select id,name,grade,parentid from addr"_s))
        nodes.insert(row[0], {row[1], row[2], row[3]});
    QHash<QString, QString> paths;
    std::function<QString(const QString&)> path = [&](const QString& id) -> QString {
        if (auto found = paths.find(id); found != paths.end())
            return *found;
        const auto node = nodes.find(id);
        const QString p = node == nodes.end() ? u"#"_s + id
                                              : path(node->parent) + u"/"_s + node->name + u":"_s + node->grade;
        paths.insert(id, p);
        return p;
    };
    QStringList lines;
    for (auto it = nodes.begin(); it != nodes.end(); ++it)
        lines << u"addr "_s + path(it.key());
    for (const QStringList& row : db.Rows(u"select stdaddrid,oldid,refflag from addr_ref"_s))
        lines << u"ref "_s + path(row[0]) + u" "_s + row[1] + u" "_s + row[2];
    lines.sort();
    return lines;
}

QList<QStringList> AllRows(TestDatabase& db) {
    QList<QStringList> rows;
    for (const char16_t* statement :
         {u"select id,name,grade,parentid from addr order by id", u"select stdaddrid,oldid,refflag from addr_ref "
                                                                   u"order by stdaddrid,oldid,refflag",
          u"select num,addr from dpaddr97 order by num,addr", u"select telnum,dpid from telnum_dp97 order by telnum,dpid"})
        rows += db.Rows(QString::fromUtf16(statement));
    return rows;
}

// The lines after the header, split into fields.
QList<QStringList> Lines(const QString& out) {
    QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(lines.isEmpty());
    if (lines.isEmpty())
        return {};
    EXPECT_EQ(lines.takeFirst(), kHeader);
    QList<QStringList> fields;
    for (const QString& line : lines)
        fields << line.split(u'\t');
    return fields;
}

class DecomposeCommand : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        Database().Generate(3000);
    }

    Outcome Decompose(const QStringList& args) { return Tessel(QStringList{u"decompose"_s, Database().Url()} + args); }

    QString One(const QString& sql) {
        const QList<QStringList> rows = Database().Rows(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : u"(no single value)"_s;
    }

    // Compound names of the generated database without an inner tree, other than the demo ones, with
    // DP addresses of the form 3栋2单元501室, and whose name leads to one path only (page 2 proposes
    // that path, and decompose takes it).
    QStringList GeneratedCompounds(int count) {
        QStringList names;
        for (const QStringList& row : Database().Rows(
                 u"select name from addr a where grade=7 and name<>'阳光花园' and not exists (select b.id from addr b "
                 u"where b.parentid=a.id and b.grade>7) and exists (select d.num from dpaddr97 d where d.addr like "
                 u"'%' || a.name || '%栋%单元%室') and not exists (select c.id from addr c where c.grade=7 and "
                 u"c.parentid<>a.parentid and c.name like a.name || '%') order by id"_s)) {
            if (names.size() < count && !names.contains(row[0]))
                names << row[0];
        }
        return names;
    }

    QTemporaryDir m_dir;
};

TEST_P(DecomposeCommand, EndsAsTheWizardRunWithTheSameInputs) {
    const QStringList generated = GeneratedCompounds(1);
    ASSERT_EQ(generated.size(), 1);
    const QList<Job> jobs = {
        // With names on both pages: the demo's forms of one place meet in one node.
        {u"阳光花园"_s,
         {{5, u"新街"_s}},
         {{u"栋"_s, u"元"_s, u"室"_s}, {u"[n]"_s, u"-"_s, u"[n]"_s, u"-"_s, u"[n]"_s}},
         {{u"栋"_s, u"元"_s, u"室"_s}},
         false,
         {u"栋/单元/室"_s, u"栋//单元//室"_s},
         {u"栋/单元/室"_s}},
        {u"金色家园"_s, {}, {{u"栋"_s, u"元"_s, u"室"_s}}, {}, true},
        {generated[0], {}, {{u"[n]"_s, u"号楼"_s, u"[n]"_s, u"单元"_s}, {u"栋"_s, u"元"_s}, {u"[n]"_s, u"-"_s, u"[n]"_s}},
         {{u"[n]"_s, u"栋"_s, u"[n]"_s, u"元"_s, u"[n]"_s}}},
    };

    // The same database twice: one for the wizard, one for decompose.
    TestDatabase wizardDatabase(GetParam());
    wizardDatabase.Generate(3000);
    ASSERT_EQ(AllRows(wizardDatabase), AllRows(Database()));

    for (const Job& job : jobs) {
        QFile script(m_dir.filePath(u"script.txt"_s));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(WizardScript(job));
        script.close();
        const Outcome wizard =
            Tessel({u"wizard"_s, wizardDatabase.Url(), u"--script"_s, script.fileName()}, m_dir.path());
        ASSERT_EQ(wizard.exitCode, 0) << wizard.err.toStdString();
        ASSERT_TRUE(wizard.out.endsWith(u"result: 1\n"_s) || wizard.out.contains(u"result: 1\nid: "_s))
            << wizard.out.toStdString();

        const Outcome dry =
            Decompose(QStringList{u"--cell"_s, job.cell, u"--dry-run"_s} + DecomposeOptions(job));
        ASSERT_EQ(dry.exitCode, 0) << dry.out.toStdString() << dry.err.toStdString();
        const QStringList d = Lines(dry.out).value(0);
        ASSERT_EQ(d.size(), 13);
        // The last page shows the dry run's counts before Finish.
        // Page 3's addresses left out, then page 5's.
        const QString unmatchedDp = QString::number(d[1].toInt() - d[2].toInt());
        const QString unmatchedAddr = QString::number(d[3].toInt() - d[4].toInt());
        const QString figures = u"，新关联 %1，移动地址 %2，替换地址 %3；未匹配而不写入的地址：第3页 %4，第5页 %5"_s.arg(
            d[6], d[7], d[8], unmatchedDp, unmatchedAddr);
        EXPECT_TRUE(wizard.out.contains(u"5012: 完成时将写入：新节点 %1"_s.arg(d[5])) && wizard.out.contains(figures))
            << wizard.out.toStdString() << dry.out.toStdString();
        // With names it also says how many written forms became how many nodes.
        const bool named = !job.dpNames.isEmpty() || !job.addrNames.isEmpty();
        EXPECT_EQ(wizard.out.contains(figures + u"\n"_s), !named) << wizard.out.toStdString();
        EXPECT_EQ(wizard.out.contains(QRegularExpression(u"；\\d+种写法合并为\\d+个节点\n"_s)), named)
            << wizard.out.toStdString();

        const Outcome decompose = Decompose(QStringList{u"--cell"_s, job.cell} + DecomposeOptions(job));
        ASSERT_EQ(decompose.exitCode, 0) << decompose.out.toStdString() << decompose.err.toStdString();
        const QList<QStringList> lines = Lines(decompose.out);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_EQ(lines[0][10], u"written"_s) << job.cell.toStdString();
        // The same cell node id as the wizard prints (a new path draws its ids from a sequence that
        // PostgreSQL does not roll back, and the wizard's last page runs a dry run).
        if (GetParam() == Backend::SQLite) {
            EXPECT_TRUE(wizard.out.endsWith(u"id: "_s + lines[0][9] + u"\n"_s)) << wizard.out.toStdString();
        }
        EXPECT_GT(lines[0][1].toInt(), 0) << job.cell.toStdString();
        EXPECT_EQ(lines[0].mid(0, 9), d.mid(0, 9)); // the dry run counted what was written
        EXPECT_EQ(Canonical(Database()), Canonical(wizardDatabase)) << job.cell.toStdString();
    }
    // On SQLite the sequence rolls back with a transaction, so even the ids agree.
    if (GetParam() == Backend::SQLite) {
        EXPECT_EQ(AllRows(Database()), AllRows(wizardDatabase));
    }
}

TEST_P(DecomposeCommand, DryRunCountsExactlyAndWritesNothing) {
    const QStringList cells = QStringList{u"阳光花园"_s, u"金色家园"_s} + GeneratedCompounds(3);
    QFile list(m_dir.filePath(u"cells.txt"_s));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(cells.join(u'\n').toUtf8() + "\n");
    list.close();
    const QStringList options = {u"--cells"_s, list.fileName(), u"--dp-pattern"_s, u"栋/元/室"_s,
                                 u"--dp-pattern"_s, u"[n]/-/[n]/-/[n]"_s, u"--addr-pattern"_s, u"栋/元/室"_s};

    const QList<QStringList> rowsBefore = AllRows(Database());
    const QString file = Database().Url().mid(7);
    QByteArray bytesBefore;
    if (GetParam() == Backend::SQLite) {
        QFile db(file);
        ASSERT_TRUE(db.open(QIODevice::ReadOnly));
        bytesBefore = db.readAll();
    }

    const Outcome dry = Decompose(options + QStringList{u"--dry-run"_s, u"--report"_s, m_dir.filePath(u"r.tsv"_s)});
    ASSERT_EQ(dry.exitCode, 0) << dry.out.toStdString() << dry.err.toStdString();
    EXPECT_EQ(AllRows(Database()), rowsBefore);
    if (GetParam() == Backend::SQLite) {
        QFile db(file);
        ASSERT_TRUE(db.open(QIODevice::ReadOnly));
        EXPECT_TRUE(db.readAll() == bytesBefore);
    }
    QFile report(m_dir.filePath(u"r.tsv"_s));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(report.readAll()), dry.out);

    const QList<QStringList> dryLines = Lines(dry.out);
    ASSERT_EQ(dryLines.size(), cells.size());
    EXPECT_GT(dryLines[0][5].toInt(), 0); // new nodes counted for 阳光花园
    EXPECT_EQ(dryLines[1][10], u"skipped-existing"_s);

    // The real run writes what the dry run counted. Only the first compound meets the database as the
    // dry run saw it: the others come after what was written before them.
    const Outcome real = Decompose(options);
    ASSERT_EQ(real.exitCode, 0) << real.out.toStdString() << real.err.toStdString();
    const QList<QStringList> realLines = Lines(real.out);
    ASSERT_EQ(realLines.size(), cells.size());
    EXPECT_EQ(realLines[0], dryLines[0].mid(0, 10) + QStringList{u"written"_s} + dryLines[0].mid(11));
    for (qsizetype i = 0; i < cells.size(); ++i)
        EXPECT_EQ(realLines[i][10], i == 1 ? u"skipped-existing"_s : u"written"_s);
}

TEST_P(DecomposeCommand, EachCompoundEndsOnItsOwnLine) {
    const QStringList generated = GeneratedCompounds(2);
    ASSERT_EQ(generated.size(), 2);
    // Every insert below a node of the second compound's name is refused by the database.
    const QString below = u"(select id from addr where name='"_s + generated[1] + u"')"_s;
    if (GetParam() == Backend::SQLite) {
        Database().NativeRows(u"create trigger refuse before insert on addr when new.parentid in "_s + below +
                              u" begin select raise(abort, 'refused by the test'); end"_s);
    } else {
        Database().NativeRows(u"create function refuse() returns trigger language plpgsql as $$ begin if "
                              u"new.parentid in "_s +
                              below + u" then raise exception 'refused by the test'; end if; return new; end $$"_s);
        Database().NativeRows(u"create trigger refuse before insert on addr for each row execute function refuse()"_s);
    }

    const struct {
        QString cell;
        QString status;
    } cases[] = {
        {generated[0], u"written"_s},       {u"金色家园"_s, u"skipped-existing"_s},
        {u"没有这个小区"_s, u"not-found"_s}, {generated[1], u"failed: "_s},
        {u"阳光花园"_s, u"written"_s},
    };
    QStringList cells;
    for (const auto& c : cases)
        cells << c.cell;
    const QString nodesOfGold = One(u"select count(*) from addr a, addr c where a.parentid=c.id and c.name='金色家园'"_s);

    // One run over a list read from standard input: every line reported, the run goes on.
    QProcess process;
    process.start(QStringLiteral(TESSEL_BIN_DIR "/tessel"),
                  {u"decompose"_s, Database().Url(), u"--cells"_s, u"-"_s, u"--dp-pattern"_s, u"栋/元/室"_s});
    process.write(cells.join(u"\r\n"_s).toUtf8());
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(180000));
    EXPECT_EQ(process.exitCode(), 1);
    // No progress line without a terminal: only the summary at the end.
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
              u"tessel decompose: 2 written, 0 dry-run, 1 skipped, 1 not found, 0 ambiguous, 1 failed\n"_s);
    const QList<QStringList> lines = Lines(QString::fromUtf8(process.readAllStandardOutput()));
    ASSERT_EQ(lines.size(), cells.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(lines[i][0], cells[i]);
        EXPECT_TRUE(lines[i][10].startsWith(cases[i].status)) << lines[i].join(u' ').toStdString();
    }
    EXPECT_TRUE(lines[3][10].contains(u"refused by the test"_s)) << lines[3][10].toStdString();
    EXPECT_EQ(One(u"select count(*) from addr where grade>7 and parentid in "_s + below), u"0"_s);
    EXPECT_EQ(One(u"select count(*) from addr a, addr c where a.parentid=c.id and c.name='金色家园'"_s), nodesOfGold);

    // Going on where an inner tree exists.
    const Outcome gold = Decompose({u"--cell"_s, u"金色家园"_s, u"--existing"_s, u"continue"_s, u"--dp-pattern"_s,
                                    u"[n]/-/[n]/-/[n]"_s});
    EXPECT_EQ(gold.exitCode, 0) << gold.out.toStdString();
    EXPECT_EQ(Lines(gold.out).value(0).value(10), u"written"_s);
}

// Rows suggested with names for each compound: the demo compound, whose addresses write one
// building as 4栋, 4-, 4号楼, ４栋, 四栋 and （4栋）, ends with one node per building, and a second run
// with the same rows adds nothing.
TEST_P(DecomposeCommand, NamedRowsWriteEachPlaceOnceAndASecondRunAddsNothing) {
    const QStringList automatic = {u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s, u"auto"_s, u"--addr-pattern"_s, u"auto"_s};
    const Outcome first = Decompose(automatic);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    const QStringList fields = Lines(first.out).value(0);
    ASSERT_EQ(fields.size(), 13) << first.out.toStdString();
    EXPECT_EQ(fields[10], u"written"_s);

    // Every building below the cell is one number (or letter) and the name 栋: no 4-, 4号楼, ４栋,
    // 四栋 or （4栋） beside 4栋.
    const QString buildings = u"select a.name from addr a, addr c where a.parentid=c.id and c.grade=7 and "
                              u"c.name='阳光花园' and a.grade=8 order by a.name"_s;
    const QList<QStringList> names = Database().Rows(buildings);
    ASSERT_FALSE(names.isEmpty());
    const QRegularExpression canonical(u"^([0-9]+|[A-Z])栋$"_s);
    QStringList numbered;
    for (const QStringList& name : names) {
        EXPECT_TRUE(canonical.match(name[0]).hasMatch()) << name[0].toStdString();
        numbered << name[0];
    }
    EXPECT_LE(numbered.size(), 12) << numbered.join(u' ').toStdString();

    // The line names the rows auto chose, with their names, as the options take them; given back,
    // the same rows find every node and every link.
    QStringList reported = {u"--cell"_s, u"阳光花园"_s, u"--existing"_s, u"continue"_s};
    for (const auto& [column, option] : {std::pair{11, u"--dp-pattern"_s}, std::pair{12, u"--addr-pattern"_s}}) {
        ASSERT_FALSE(fields[column].isEmpty()) << first.out.toStdString();
        for (const QString& row : fields[column].split(u" | "_s)) {
            EXPECT_TRUE(row.contains(u'=')) << row.toStdString(); // suggested rows carry names
            reported << option << row;
        }
    }
    const QList<QStringList> before = AllRows(Database());
    const Outcome second = Decompose(reported);
    ASSERT_EQ(second.exitCode, 0) << second.out.toStdString() << second.err.toStdString();
    const QStringList again = Lines(second.out).value(0);
    ASSERT_EQ(again.size(), 13) << second.out.toStdString();
    EXPECT_EQ(again[5], u"0"_s); // nodes_new
    EXPECT_EQ(again[6], u"0"_s); // links_new
    EXPECT_EQ(AllRows(Database()), before);
}

// The server refuses the COMMIT itself (a deferred constraint trigger): the line reports what stays
// written, nothing of the trees, and no server warning about the rollback reaches standard error.
TEST_P(DecomposeCommand, RefusedCommitReportsNothingWritten) {
    if (GetParam() != Backend::PostgreSQL)
        GTEST_SKIP() << "a COMMIT refused by a deferred trigger is PostgreSQL's";
    Database().NativeRows(u"create function refuse_commit() returns trigger language plpgsql as "
                          u"$$ begin raise exception 'commit refused by the test'; end $$"_s);
    Database().NativeRows(u"create constraint trigger refuse_commit after insert on addr_ref deferrable "
                          u"initially deferred for each row execute function refuse_commit()"_s);
    const QList<QStringList> before = AllRows(Database());
    const Outcome run = Decompose({u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s, u"栋/元/室"_s});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    for (const QString& said : run.err.split(u'\n', Qt::SkipEmptyParts)) // the run's summary only
        EXPECT_TRUE(said.startsWith(u"tessel decompose: "_s)) << run.err.toStdString();
    const QStringList line = Lines(run.out).value(0);
    ASSERT_EQ(line.size(), 13) << run.out.toStdString();
    EXPECT_TRUE(line[10].startsWith(u"failed: "_s) && line[10].contains(u"commit refused by the test"_s))
        << line[10].toStdString();
    EXPECT_NE(line[2], u"0"_s) << "the DP page matched addresses, so the commit had links to write";
    // nodes_new, links_new, moved, replaced: the path exists, so nothing stays written.
    EXPECT_EQ(line.mid(5, 4), (QStringList{u"0"_s, u"0"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(AllRows(Database()), before);
}

// A list of compounds in one run reads the texts pages 3 and 5 search once (on SQLite): it ends
// exactly as the same compounds run one at a time, each seeing what the ones before it wrote.
TEST_P(DecomposeCommand, OneRunOverManyEndsAsRunsOverOneEach) {
    const QStringList cells = QStringList{u"阳光花园"_s, u"金色家园"_s} + GeneratedCompounds(8);
    ASSERT_EQ(cells.size(), 10); // enough for a run over many
    QFile list(m_dir.filePath(u"cells.txt"_s));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(cells.join(u'\n').toUtf8() + "\n");
    list.close();
    const QStringList options = {u"--existing"_s,    u"continue"_s,        u"--dp-pattern"_s,   u"栋/元/室"_s,
                                 u"--dp-pattern"_s,  u"[n]/-/[n]/-/[n]"_s, u"--addr-pattern"_s, u"栋/元/室"_s,
                                 u"--addr-pattern"_s, u"[n]/-/[n]/-/[n]"_s};
    TestDatabase alone(GetParam());
    alone.Generate(3000);

    const Outcome many = Decompose(QStringList{u"--cells"_s, list.fileName()} + options);
    ASSERT_EQ(many.exitCode, 0) << many.out.toStdString() << many.err.toStdString();
    QStringList lines;
    for (const QString& cell : cells) {
        const Outcome one = Tessel(QStringList{u"decompose"_s, alone.Url(), u"--cell"_s, cell} + options);
        ASSERT_EQ(one.exitCode, 0) << one.out.toStdString() << one.err.toStdString();
        lines << one.out.split(u'\n', Qt::SkipEmptyParts).value(1);
    }
    // Ids drawn from a PostgreSQL sequence differ between the two databases.
    if (GetParam() == Backend::SQLite) {
        EXPECT_EQ(many.out.split(u'\n', Qt::SkipEmptyParts).mid(1), lines);
        EXPECT_EQ(AllRows(Database()), AllRows(alone));
    }
    EXPECT_EQ(Canonical(Database()), Canonical(alone));
}

// A name that no path leads to is made a path only where every level was given, as an operator
// makes it on page 2; with a level missing it is not found and nothing is written.
TEST_P(DecomposeCommand, NameFoundNowhereGetsThePathItsLevelsName) {
    const QString cell = u"新筑雅苑"_s;
    ASSERT_EQ(One(u"select count(*) from addr where name like '%新筑雅苑%'"_s), u"0"_s);
    Database().NativeRows(u"insert into dpaddr97 (num,addr) values ('X900001','新筑雅苑3栋2单元501室')"_s);
    Database().NativeRows(u"insert into dpaddr97 (num,addr) values ('X900002','新筑雅苑3栋2单元502室')"_s);
    const QStringList levels = {u"--path-level"_s, u"2=新城区"_s, u"--path-level"_s, u"3=新城镇"_s,
                                u"--path-level"_s, u"4=新城路"_s, u"--path-level"_s, u"5=新城街"_s};
    const QStringList rows = {u"--dp-pattern"_s, u"栋/元/室"_s};
    const QList<QStringList> before = AllRows(Database());

    const Outcome partial = Decompose(QStringList{u"--cell"_s, cell} + levels + rows);
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_EQ(Lines(partial.out).value(0).value(10), u"not-found"_s);
    EXPECT_EQ(AllRows(Database()), before);

    const QStringList every = levels + QStringList{u"--path-level"_s, u"6=9号"_s} + rows;
    const Outcome dry = Decompose(QStringList{u"--cell"_s, cell, u"--dry-run"_s} + every);
    ASSERT_EQ(dry.exitCode, 0) << dry.out.toStdString() << dry.err.toStdString();
    EXPECT_EQ(AllRows(Database()), before);
    const Outcome real = Decompose(QStringList{u"--cell"_s, cell} + every);
    ASSERT_EQ(real.exitCode, 0) << real.out.toStdString() << real.err.toStdString();
    const QStringList d = Lines(dry.out).value(0), w = Lines(real.out).value(0);
    ASSERT_EQ(w.size(), 13);
    EXPECT_EQ(w[10], u"written"_s);
    EXPECT_EQ(w.mid(0, 9), d.mid(0, 9)); // the dry run counted the path's nodes too
    // Five path levels, the compound, and 3栋, 2单元, 501室 and 502室 below it.
    EXPECT_EQ(w[5], u"10"_s);
    EXPECT_EQ(w[6], u"2"_s);

    // Below the first top-level node, with the levels as given.
    const QString path = One(u"select name from addr where id in (select parentid from addr where name='新筑雅苑')"_s);
    EXPECT_EQ(path, u"9号"_s);
    const QList<QStringList> up = Database().Rows(
        u"select name,grade from addr start with name='新筑雅苑' connect by id = prior parentid order by level desc"_s);
    ASSERT_EQ(up.size(), 7);
    EXPECT_EQ(up[0][0], Database().Rows(u"select name from addr where parentid=0 order by id"_s).value(0).value(0));
    EXPECT_EQ((QStringList{up[1][0], up[2][0], up[3][0], up[4][0], up[5][0], up[6][0]}),
              (QStringList{u"新城区"_s, u"新城镇"_s, u"新城路"_s, u"新城街"_s, u"9号"_s, cell}));

    // Now the name leads to that one path: found without the levels, and nothing is made twice.
    const Outcome again = Decompose(QStringList{u"--cell"_s, cell, u"--existing"_s, u"continue"_s} + rows);
    ASSERT_EQ(again.exitCode, 0) << again.out.toStdString() << again.err.toStdString();
    EXPECT_EQ(Lines(again.out).value(0).value(5), u"0"_s);
    EXPECT_EQ(Lines(again.out).value(0).value(9), w[9]);
}

INSTANTIATE_BACKENDS(DecomposeCommand);

// Bad usage: one line on standard error, exit 2, nothing written, nothing on standard output.
TEST(DecomposeUsage, BadUsageWritesNothing) {
    TestDatabase db;
    db.Generate(500);
    QTemporaryDir dir;
    const QString file = db.Url().mid(7);
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const QString report = dir.filePath(u"report.tsv"_s);

    const QStringList cases[] = {
        {u"--cell"_s, u"阳光花园"_s, u"--colour"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--dp-pattern"_s, u"a/b/c/d/e/f"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--addr-pattern"_s, u"栋\\x"_s},
        {u"--cells"_s, dir.filePath(u"no-such-file"_s)},
        {u"--cell"_s, u"阳光花园"_s, u"--cells"_s, u"-"_s},
        {u"--dp-pattern"_s, u"栋"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--path-level"_s, u"7=别处"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--path-level"_s, u"区"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--existing"_s, u"maybe"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"0"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"33"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"two"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"-1"_s},
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"2"_s, u"--jobs"_s, u"3"_s},
        // SQLite lets one writer at a time write: more connections are refused.
        {u"--cell"_s, u"阳光花园"_s, u"--jobs"_s, u"2"_s},
    };
    for (const QStringList& args : cases) {
        const Outcome bad = Tessel(QStringList{u"decompose"_s, db.Url()} + args + QStringList{u"--report"_s, report});
        EXPECT_EQ(bad.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(bad.out.isEmpty()) << bad.out.toStdString();
        EXPECT_EQ(bad.err.count(u'\n'), 1) << bad.err.toStdString();
        EXPECT_TRUE(bad.err.startsWith(u"tessel decompose: "_s)) << bad.err.toStdString();
        EXPECT_FALSE(QFile::exists(report)) << args.join(u' ').toStdString();
    }
    const Outcome noUrl = Tessel({u"decompose"_s, u"--cell"_s, u"阳光花园"_s});
    EXPECT_EQ(noUrl.exitCode, 2);
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_TRUE(after.readAll() == bytes);
}

// Names repeat across a city. A name that leads to several paths is reported with one compound id a
// path and writes nothing; each compound named by its id or by its path is written below its own
// node, and no path node or compound node is made; both backends print the same report.
TEST(DecomposeRepeatedNames, EveryCompoundLandsBelowItsOwnNodeAndNothingIsGuessed) {
    std::vector<Backend> backends = {Backend::SQLite};
    if (TestDatabase::Available(Backend::PostgreSQL))
        backends.push_back(Backend::PostgreSQL);
    QStringList reports;
    for (const Backend backend : backends) {
        SCOPED_TRACE(TestDatabase::BackendName(backend));
        TestDatabase db(backend);
        db.Generate(6000);

        // Compound names (no digits: grade-7 standard addresses carry their inner part) under several
        // numbers, with their nodes.
        std::map<QString, QStringList> compounds; // name -> ids, smallest first
        for (const QStringList& row : db.Rows(u"select id,name from addr where grade=7 order by id"_s)) {
            if (!std::any_of(row[1].begin(), row[1].end(), [](QChar c) { return c.isDigit(); }))
                compounds[row[1]] << row[0];
        }
        QStringList repeated;
        for (const auto& [name, ids] : compounds) {
            if (ids.size() > 1 && repeated.size() < 2)
                repeated << name;
        }
        ASSERT_EQ(repeated.size(), 2) << "the generated database holds fewer repeated names";
        auto pathOf = [&](const QString& id) {
            QStringList names;
            for (const QStringList& row : db.Rows(u"select id,name,parentid from addr start with id=%1 connect by id = "
                                                  u"Prior parentid order by level desc"_s.arg(id)))
                names << (row[1] == u"NULL"_s ? QString() : row[1]);
            return names.join(u'/');
        };

        // Alone, the repeated names write nothing.
        const QList<QStringList> before = AllRows(db);
        const Outcome ambiguous = Tessel({u"decompose"_s, db.Url(), u"--cell"_s, repeated[0], u"--dp-pattern"_s,
                                          u"栋/元/室"_s});
        EXPECT_EQ(ambiguous.exitCode, 1);
        EXPECT_EQ(Lines(ambiguous.out).value(0),
                  (QStringList{repeated[0], u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString(),
                               u"ambiguous: "_s + compounds[repeated[0]].join(u','), QString(), QString()}));
        EXPECT_EQ(AllRows(db), before);

        // Each compound by its id or by its path, the names in between.
        const QStringList first = compounds[repeated[0]];
        const QStringList second = compounds[repeated[1]];
        QStringList lines = {repeated[0], pathOf(first[0])};
        QStringList expectedIds = {QString(), first[0]};
        for (const QString& id : first.mid(1) + second) {
            lines << u"#"_s + id;
            expectedIds << id;
        }
        lines << repeated[1] << u"阳光花园"_s;
        expectedIds << QString() << db.Rows(u"select id from addr where name='阳光花园'"_s).value(0).value(0);
        QTemporaryDir dir;
        QFile list(dir.filePath(u"cells.txt"_s));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write(lines.join(u'\n').toUtf8() + "\n");
        list.close();
        const QString lastId = db.Rows(u"select max(id) from addr"_s).value(0).value(0);
        std::map<QString, QString> pathsBefore;
        for (const QString& id : first + second)
            pathsBefore[id] = pathOf(id);
        const Outcome run = Tessel({u"decompose"_s, db.Url(), u"--cells"_s, list.fileName(), u"--existing"_s,
                                    u"continue"_s, u"--dp-pattern"_s, u"栋/元/室"_s, u"--addr-pattern"_s, u"栋/元/室"_s});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        const QList<QStringList> report = Lines(run.out);
        ASSERT_EQ(report.size(), lines.size()) << run.out.toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(report[i][0], lines[i]);
            EXPECT_EQ(report[i][9], expectedIds[i]) << report[i].join(u' ').toStdString();
            if (expectedIds[i].isEmpty()) {
                EXPECT_TRUE(report[i][10].startsWith(u"ambiguous: "_s)) << report[i].join(u' ').toStdString();
            } else {
                EXPECT_EQ(report[i][10], u"written"_s) << report[i].join(u' ').toStdString();
            }
        }
        EXPECT_EQ(report.last()[10], u"written"_s);
        // New nodes are inner nodes only, each right below a compound written by id or path, or
        // below a new inner node.
        EXPECT_EQ(db.Rows(u"select count(*) from addr where grade<8 and id>"_s + lastId).value(0).value(0), u"0"_s);
        const QList<QStringList> parents =
            db.Rows(u"select distinct parentid from addr where grade=8 and id>"_s + lastId);
        EXPECT_FALSE(parents.isEmpty());
        for (const QStringList& parent : parents) {
            EXPECT_TRUE(expectedIds.contains(parent[0])) << parent[0].toStdString();
        }
        for (const QString& id : first + second) { // each still where it was
            EXPECT_EQ(pathOf(id), pathsBefore[id]);
        }
        reports << run.out;
    }
    if (reports.size() == 2) {
        EXPECT_EQ(reports[0], reports[1]);
    }
}

// Names from a file are data: a file that is not UTF-8 runs nothing and says which line; a line with
// a control character fails on its own line; what is printed is escaped as tessel sql escapes it.
TEST(DecomposeNamesAreData, NotUtf8RefusedControlCharactersFailOnTheirOwnLine) {
    TestDatabase db;
    db.Generate(500);
    QTemporaryDir dir;
    const QString report = dir.filePath(u"report.tsv"_s);
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QList<QStringList> before = AllRows(db);

    const QByteArray notUtf8[] = {"阳光花园\n金色家园\n\xE9\x98\n", "阳光花园\n\n\xC0\xAF\n", "\xED\xA0\x80x\n"};
    const int badLine[] = {3, 3, 1};
    for (int i = 0; i < 3; ++i) {
        const QString file = write(u"bad%1.txt"_s.arg(i), notUtf8[i]);
        const Outcome bad = Tessel({u"decompose"_s, db.Url(), u"--cells"_s, file, u"--report"_s, report});
        EXPECT_EQ(bad.exitCode, 1);
        EXPECT_TRUE(bad.out.isEmpty()) << bad.out.toStdString();
        EXPECT_EQ(bad.err, u"tessel decompose: %1: line %2 is not valid UTF-8\n"_s.arg(file).arg(badLine[i]));
        EXPECT_FALSE(QFile::exists(report));
    }
    EXPECT_EQ(AllRows(db), before);

    // Each name with a control character on its own line; the run goes on to the compounds after them.
    const QByteArray names = QByteArray("a\tb\n") + QByteArray("x\0y\n", 4) + "c\rd\n" + "e\x1b[2Jf\n" +
                             "g\xC2\x85h\n" + "c\\d\n" + "阳光花园\n";
    const Outcome run = Tessel({u"decompose"_s, db.Url(), u"--cells"_s, write(u"names.txt"_s, names),
                                u"--dp-pattern"_s, u"栋/元/室"_s});
    EXPECT_EQ(run.exitCode, 1);
    const QList<QStringList> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 7) << run.out.toStdString();
    const QString shown[] = {u"a\\tb"_s, QString::fromUtf16(u"x\0y", 3), u"c\\rd"_s, u"e\x1b[2Jf"_s,
                             QString::fromUtf16(u"g\x85" u"h"), u"c\\\\d"_s, u"阳光花园"_s};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(lines[i].size(), 13) << i;
        EXPECT_EQ(lines[i][0], shown[i]) << i;
        EXPECT_EQ(lines[i].mid(1, 8), QStringList(8, u"0"_s)) << i;
        EXPECT_EQ(lines[i][10], i == 5 ? u"not-found"_s : u"failed: name holds a control character"_s) << i;
    }
    EXPECT_EQ(lines[6][10], u"written"_s);

    // The same from --cell.
    const Outcome one = Tessel({u"decompose"_s, db.Url(), u"--cell"_s, u"金色\n家园"_s});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(Lines(one.out).value(0).value(0), u"金色\\n家园"_s);
    EXPECT_EQ(Lines(one.out).value(0).value(10), u"failed: name holds a control character"_s);
}

} // namespace
