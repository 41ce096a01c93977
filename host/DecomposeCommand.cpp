// tessel decompose URL (--cell NAME | --cells FILE) ...: what the wizard does for one compound, done
// for one or many without a window, with the wizard's own data rules and its commit; one
// tab-separated line of figures per compound.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/CompoundList.h"
#include "host/DatabaseUrl.h"
#include "host/DecomposeJobs.h"
#include "host/DecomposeWorker.h"
#include "host/Interruption.h"
#include "host/LineWriter.h"
#include "host/OpenDatabase.h"
#include "host/PatternRowArgument.h"
#include "host/PrintableText.h"
#include "host/TableFormat.h"
#include "host/UsageError.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/dataaccess/Connection.h"
#include "database/CADODatabase.h"
#include "database/RecordsetText.h"
#include "pages/rules/CompoundDecomposition.h"
#include "platform/automation/ComError.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

namespace {

const char kHeader[] =
    "cell\tdp_loaded\tdp_matched\taddr_loaded\taddr_matched\tnodes_new\tlinks_new\tmoved\treplaced\tresult_id\t"
    "status\tdp_rows\taddr_rows";

// The rows a list was split with, as --dp-pattern and --addr-pattern take them, " | " between rows;
// empty for the single empty row and for a compound that was not split.
QString RowsText(const std::vector<NamedPatternRow>& rows) {
    QStringList texts;
    for (const NamedPatternRow& row : rows)
        texts.append(QString::fromStdU16String(PatternRowText(row)));
    return texts.join(QStringLiteral(" | "));
}

// One row a compound; the table format writes it as one line whatever the name or the database
// said (in tsv tabs, line breaks and backslashes inside a field as tessel sql writes them).
std::vector<TableFormat::Value> OutcomeRow(const QString& cell, const CompoundDecomposition::Outcome& o) {
    std::vector<TableFormat::Value> fields{cell};
    for (int figure : {o.dpLoaded, o.dpMatched, o.addrLoaded, o.addrMatched, o.nodesNew, o.linksNew, o.moved,
                       o.replaced})
        fields.emplace_back(QString::number(figure));
    fields.emplace_back(o.resultId);
    fields.emplace_back(CompoundDecomposition::StatusText(o));
    fields.emplace_back(RowsText(o.dpRows));
    fields.emplace_back(RowsText(o.addrRows));
    return fields;
}

// A line that names no compound: reported with zeros, nothing done.
CompoundDecomposition::Outcome Unnamed(const QString& why) {
    CompoundDecomposition::Outcome outcome;
    outcome.status = CompoundDecomposition::Status::Failed;
    outcome.message = why;
    return outcome;
}

// More connections than this gain nothing on the servers we meet and take their connection slots
// (PostgreSQL allows 100 by default).
constexpr int MaxJobs = 32;

// The options with values that a worker process takes over from the run, as given (and --dry-run).
const char* const kWorkerOptions[] = {"path-level", "dp-pattern", "addr-pattern", "existing"};

struct Arguments {
    QString url;
    int jobs = 1;
    bool worker = false; // this process serves a run with --jobs (DecomposeWorker)
    CompoundList cells;
    CompoundDecomposition::Options options;
    QString reportFile;
    TableFormat::Kind format = TableFormat::Kind::Tsv;
    bool fromFile = false;
    QString cellsNotUtf8; // why the --cells file is refused
};

// Reads the command line into `arguments`. Throws UsageError.
Arguments ReadArguments(const CommandLine& line) {
    Arguments arguments;
    arguments.url = line.Argument(0);

    const QString cell = QStringLiteral("cell");
    const QString cells = QStringLiteral("cells");
    arguments.worker = line.IsSet(QStringLiteral("worker"));
    if (!arguments.worker && line.IsSet(cell) == line.IsSet(cells))
        throw UsageError(QStringLiteral("give either --cell NAME or --cells FILE"));
    for (const QString& option : {cell, cells, QStringLiteral("existing"), QStringLiteral("report"), QStringLiteral("jobs")}) {
        if (line.Values(option).size() > 1)
            throw UsageError(QStringLiteral("--%1 is given once").arg(option));
    }
    if (line.IsSet(cell)) {
        if (line.Value(cell).isEmpty())
            throw UsageError(QStringLiteral("--cell needs a name"));
        arguments.cells.Add(line.Value(cell));
    }

    for (const QString& value : line.Values(QStringLiteral("path-level"))) {
        const qsizetype equals = value.indexOf(u'=');
        bool isNumber = false;
        const int grade = equals > 0 ? value.left(equals).toInt(&isNumber) : 0;
        if (!isNumber || grade < 2 || grade > 6)
            throw UsageError(QStringLiteral("--path-level '%1': give G=TEXT with G from 2 to 6").arg(value));
        arguments.options.pathLevels[grade] = value.mid(equals + 1);
    }
    const std::tuple<QString, std::vector<NamedPatternRow>*, bool*> patternLists[] = {
        {QStringLiteral("dp-pattern"), &arguments.options.dpRows, &arguments.options.suggestDpRows},
        {QStringLiteral("addr-pattern"), &arguments.options.addrRows, &arguments.options.suggestAddrRows}};
    for (const auto& [option, rows, suggest] : patternLists) {
        if (line.Values(option).contains(QStringLiteral("auto"))) {
            // The rows tessel suggest gives for the compound's texts, each compound its own.
            if (line.Values(option).size() > 1)
                throw UsageError(QStringLiteral("--%1 auto takes the place of every row").arg(option));
            *suggest = true;
            continue;
        }
        for (const QString& value : line.Values(option)) {
            rows->emplace_back();
            if (auto error = ParsePatternRowText(value.toStdU16String(), value.toStdString(), rows->back()))
                throw UsageError(QString::fromStdString(*error));
        }
    }

    const QString mode = line.IsSet(QStringLiteral("existing")) ? line.Value(QStringLiteral("existing"))
                                                                : QStringLiteral("skip");
    if (mode != u"skip" && mode != u"continue")
        throw UsageError(QStringLiteral("--existing takes skip or continue, not '%1'").arg(mode));
    arguments.options.continueExisting = mode == u"continue";
    arguments.options.dryRun = line.IsSet(QStringLiteral("dry-run"));
    arguments.reportFile = line.Value(QStringLiteral("report"));
    arguments.format = TableFormat::FromLine(line);
    arguments.jobs = static_cast<int>(line.Number(QStringLiteral("jobs"), 1, MaxJobs).value_or(1));

    if (line.IsSet(cells)) {
        arguments.fromFile = true;
        QString error;
        switch (arguments.cells.ReadFile(line.Value(cells), error)) {
        case CompoundList::Reading::Read:
            break;
        case CompoundList::Reading::Unreadable:
            throw UsageError(error);
        case CompoundList::Reading::NotUtf8:
            arguments.cellsNotUtf8 = error;
            break;
        }
    }
    return arguments;
}

// Whether two paths name one file (the second exists; the first may not yet).
bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

// The command line of one worker process: the database and the options that decide how a compound
// is taken, as the run was given them.
QStringList WorkerArguments(const CommandLine& line, const QString& url) {
    QStringList arguments{QStringLiteral("decompose"), url, QStringLiteral("--worker")};
    for (const char* option : kWorkerOptions) {
        const QString name = QString::fromLatin1(option);
        for (const QString& value : line.Values(name))
            arguments << QStringLiteral("--") + name + u'=' + value;
    }
    if (line.IsSet(QStringLiteral("dry-run")))
        arguments << QStringLiteral("--dry-run");
    return arguments;
}

UsageError OneWriterOnly(int jobs) {
    return UsageError(QStringLiteral("--jobs %1 needs a PostgreSQL or Oracle server: SQLite lets one writer at a "
                                     "time write, so give --jobs 1")
                          .arg(jobs));
}

// The worker side of a run with --jobs: its own connection, then compounds from standard input.
int ServeRun(const Arguments& arguments) {
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();
    const DatabaseUrl url(arguments.url);
    OpenDatabase database;
    QString error;
    if (!database.Open(url.Text(), error))
        return DecomposeWorker::Refuse(url.OpenFailure(error));
    const CompoundDecomposition decomposition(arguments.options);
    return DecomposeWorker::Serve(decomposition);
}

int RunDecompose(const CommandLine& line) {
    const Arguments arguments = ReadArguments(line);
    if (arguments.worker)
        return ServeRun(arguments);
    if (arguments.jobs > 1 && DatabaseUrl(arguments.url).IsSqlite())
        throw OneWriterOnly(arguments.jobs);
    // Input that is not text runs nothing at all, as tessel suggest refuses it.
    if (!arguments.cellsNotUtf8.isEmpty())
        return line.Fail(arguments.cellsNotUtf8);
    const DatabaseUrl url(arguments.url);
    if (const auto missing = url.MissingFile())
        return line.Fail(*missing);
    if (!arguments.reportFile.isEmpty() && url.IsSqlite() && SameFile(arguments.reportFile, url.SqlitePath()))
        throw UsageError(QStringLiteral("--report %1 is the database itself").arg(arguments.reportFile));
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();

    OpenDatabase database;
    QString error;
    if (!database.Open(url.Text(), error))
        return line.Fail(url.OpenFailure(error));
    if (arguments.jobs > 1) { // an ODBC data source tells only once it is open
        const auto* connection = dataaccess::Connection::From(g_pDatabase->CurrentConnection().Get());
        if (connection && connection->Dialect() == dataaccess::SqlDialect::SQLite)
            throw OneWriterOnly(arguments.jobs);
    }

    // The report is opened once the database is: a database that cannot be opened leaves an
    // earlier report as it was. "-" is standard output, where the lines go anyway.
    std::FILE* report = nullptr;
    if (!arguments.reportFile.isEmpty() && arguments.reportFile != u"-") {
        report = std::fopen(QFile::encodeName(arguments.reportFile).constData(), "w");
        if (!report)
            return line.Fail(QStringLiteral("cannot write %1: %2")
                                 .arg(arguments.reportFile, QString::fromLocal8Bit(std::strerror(errno))));
    }
    LineWriter out;
    std::optional<LineWriter> reportOut;
    if (report)
        reportOut.emplace(report);
    auto printLines = [&](const QStringList& lines) {
        for (const QString& text : lines) {
            out.Write(text);
            if (reportOut)
                reportOut->Write(text);
        }
    };

    const bool progress = arguments.fromFile && isatty(STDERR_FILENO);
    const qsizetype total = arguments.cells.Size();
    std::vector<CompoundReference> run;
    for (const CompoundList::Entry& cell : arguments.cells.Entries())
        if (cell.reference)
            run.push_back(*cell.reference);
    const CompoundDecomposition decomposition(arguments.options,
                                              total >= CompoundDecomposition::ManyCompoundsFrom
                                                  ? CompoundDecomposition::Scope::ManyCompounds
                                                  : CompoundDecomposition::Scope::OneCompound,
                                              std::move(run));
    TableFormat table(arguments.format, QString::fromLatin1(kHeader).split(u'\t'),
                      {false, true, true, true, true, true, true, true, true, true, false, false, false});
    printLines(table.Begin(true));
    int status = 0;
    using Status = CompoundDecomposition::Status;
    std::map<Status, int> counts;
    const std::vector<CompoundList::Entry>& entries = arguments.cells.Entries();
    auto waiting = [&](std::size_t i) {
        if (progress)
            std::fprintf(stderr, "\r\033[K%lld/%lld %s", static_cast<long long>(i + 1), static_cast<long long>(total),
                         RecordsetText::Line({entries[i].text}).toUtf8().constData());
    };
    auto done = [&](std::size_t i, const CompoundDecomposition::Outcome& outcome) {
        ++counts[outcome.status];
        if (outcome.status == Status::Failed || outcome.status == Status::NotFound ||
            outcome.status == Status::Ambiguous)
            status = 1;
        if (progress)
            std::fputs("\r\033[K", stderr);
        printLines({table.Row(OutcomeRow(entries[i].text, outcome))});
    };
    // Ctrl-C: the compound under way (each under way, with --jobs) finishes and is reported, no
    // other starts.
    const Interruption interruption;
    std::size_t reported = 0;
    if (arguments.jobs > 1) {
        DecomposeJobs jobs(QStringLiteral("/proc/self/exe"), WorkerArguments(line, arguments.url), arguments.jobs);
        reported = jobs.Run(
            entries, [](const CompoundList::Entry& cell) { return Unnamed(cell.error); }, waiting, done);
    } else {
        for (; reported < entries.size() && !Interruption::Requested(); ++reported) {
            const CompoundList::Entry& cell = entries[reported];
            waiting(reported);
            done(reported, cell.reference ? decomposition.Run(*cell.reference) : Unnamed(cell.error));
        }
    }
    printLines(table.End());
    const LineWriter::State outState = out.Finish();
    const bool reportFailed = reportOut && (reportOut->Finish() != LineWriter::State::Open || std::fclose(report) != 0);
    line.Note(QStringLiteral("%1 written, %2 dry-run, %3 skipped, %4 not found, %5 ambiguous, %6 failed")
                  .arg(counts[Status::Written])
                  .arg(counts[Status::DryRun])
                  .arg(counts[Status::SkippedExisting])
                  .arg(counts[Status::NotFound])
                  .arg(counts[Status::Ambiguous])
                  .arg(counts[Status::Failed]));
    if (outState == LineWriter::State::Failed)
        return line.Fail(QStringLiteral("cannot write the lines: %1").arg(out.Error()));
    if (reportFailed)
        return line.Fail(QStringLiteral("cannot write %1: %2").arg(arguments.reportFile, reportOut->Error()));
    if (reported < entries.size()) {
        line.Note(QStringLiteral("interrupted: %1 of %2 compounds not run").arg(entries.size() - reported).arg(total));
        return 130; // as a shell reports a command that Ctrl-C ended
    }
    return status;
}

const CommandRegistration registration{{
    .name = "decompose",
    .summary = "decompose compounds as the wizard does, without a window",
    .arguments = {UrlArgument()},
    .options = {{{"cell"}, "NAME", "the one compound: its name, #ID (its node id) or its path (see below)"},
                {{"cells"}, "FILE", "compounds, one a line as --cell takes them (UTF-8; - for standard input)"},
                {{"path-level"}, "G=TEXT",
                 "the name of grade G (2 district to 6 number) instead of the one of the compound's path; G= "
                 "leaves that level without a name",
                 true},
                {{"dp-pattern"}, "P", "one row of the DP pattern list, as tessel split -p takes it, with the levels' names after '=' "
                                      "(-/-/[n]=栋/单元/室); auto: "
                                      "the rows, with names, tessel suggest gives for each compound's own DP addresses", true},
                {{"addr-pattern"}, "P",
                 "one row of the unlinked-address pattern list; without rows a list holds the single empty row "
                 "a page starts with; auto: the rows tessel suggest gives for each compound's own addresses",
                 true},
                {{"existing"}, "skip|continue",
                 "a compound that already has an inner tree: skip (the default) leaves it alone, continue goes "
                 "on as answering Yes"},
                {{"dry-run"}, "", "run every commit and roll it back: exact figures, nothing written"},
                {{"report"}, "FILE", "also write the lines to FILE (- : standard output only); opened once "
                                     "the database is, and never the database file itself"},
                {{"jobs"}, "N",
                 "decompose N compounds at once (1 to 32; default 1), each worker a process of its own with its "
                 "own connection, on a PostgreSQL or Oracle server; refused on SQLite, which lets one writer at a "
                 "time write, so more connections would only wait for each other. The report is the one --jobs 1 "
                 "writes (see below)"},
                {{"worker"}, "", "serve a run with --jobs over standard input and output", false, true},
                TableFormat::Option()},
    .description =
        "Decomposes compounds as the wizard does, without a window: for each compound its one existing address "
        "path (page 2), its DP addresses split by the --dp-pattern rows (pages 3 and 4), its unlinked standard "
        "addresses split by the --addr-pattern rows (pages 5 and 6), then Finish. Each compound is written in "
        "its own transaction; a failure is reported on its line and the run goes on.\n\n"
        "With no operator to choose, a path is never guessed. A compound is named by its name, by its node id "
        "(#12345), or by its path from the city down, a level a /: 南京市/鼓楼区//北京西路//10号/锦绣华庭 "
        "(city, district, town, road, street, number, compound; an empty level for a grade without a name). "
        "A name takes the paths above the compounds (grade 7) whose names begin with it, and only those of "
        "exactly that name when there are some; when these are not exactly one path the compound is "
        "ambiguous, its line lists one node id a path, and nothing is written for it: name it again by #ID "
        "or by its path. A path must exist as written; #ID must be a compound below a full path. A level "
        "that two nodes of one parent share by name is ambiguous too. --path-level then changes single "
        "levels of that one path. A compound with an inner tree below its node is skipped unless "
        "--existing continue. A name that no path leads to is not found, and nothing is written for it, "
        "unless --path-level gives every grade from 2 to 6: then, as in the wizard, the path is the first "
        "top-level node as the city and the given levels, and Finish makes what of it is missing (a dry run "
        "counts those nodes among nodes_new).\n\n"
        "Names are data: a --cells file that is not UTF-8 is refused with its line number before anything "
        "runs, and a line that holds a control character fails on its own line.\n\n"
        "Output: a header line, then one line a compound, tab-separated: cell (as given), dp_loaded, "
        "dp_matched, addr_loaded, addr_matched, nodes_new, links_new, moved, replaced, result_id, status "
        "(written, dry-run, skipped-existing, not-found, ambiguous: IDS, or failed: MESSAGE), dp_rows and addr_rows "
        "(the rows each list was split with, given or auto, as --dp-pattern takes them, \" | \" between rows; "
        "empty for a compound that was not split or for the single empty row). A tab, line "
        "break, carriage return or backslash inside a field is written \\t, \\n, \\r, \\\\ as tessel sql "
        "writes it; --format csv or json writes the same columns in that form. A progress line goes to standard "
        "error when it is a terminal, and at the end a summary line: how many compounds were written, dry-run, "
        "skipped, not found, ambiguous and failed. Output that cannot be written (a full disk) is a failure.\n\n"
        "With --jobs N the compounds are shared among N worker processes, each compound still written in its "
        "own transaction under its compound's lock, and the lines come in the order of the list, the same "
        "lines and summary --jobs 1 writes. Compounds whose names contain each other (明月公寓 and 明月公寓二期 "
        "load each other's addresses) and a compound named twice take turns in list order, so the second of "
        "two equal lines finds the inner tree the first wrote. Ids the sequence gives new nodes come in the "
        "order the compounds are written, so they differ from a run with --jobs 1. A worker that ends before "
        "it answers has its compound reported failed (what it wrote is whole or nothing) and the run goes on "
        "with the others.\n\n"
        "Ctrl-C stops the run between compounds: those under way finish and are reported, no other starts, "
        "and a note says how many were not run.\n\n"
        "Rows with names write one node per place however its addresses are written: 4-, 4号楼, ４栋, "
        "四栋 and （4栋） all become 4栋, and a second run finds the nodes the first one wrote. The rows used, "
        "with their names (auto ones too), are recorded in the journal (tessel history).\n\n"
        "Only tessel init-db creates a database: an SQLite file that is not there is an error.",
    .notes = "examples: tessel decompose sqlite:tessel-demo.db --cells cells.txt --dp-pattern auto "
             "--addr-pattern auto --report run.tsv\n"
             "tessel decompose sqlite:tessel-demo.db --cell 阳光花园 --dp-pattern 栋/元/室=栋/单元/室 "
             "--addr-pattern 栋/元/室=栋/单元/室 --dry-run",
    .exitStatus = "0 every compound written, dry-run or skipped; 1 any failed, not found or ambiguous, a "
                  "--cells file that is not UTF-8, or the database could not be opened; 2 bad usage; 130 stopped "
                  "by Ctrl-C.",
    .run = RunDecompose}};

} // namespace
