// tessel decompose URL (--cell NAME | --cells FILE) ...: what the wizard does for one compound, done
// for one or many without a window, with the wizard's own data rules and its commit; one
// tab-separated line of figures per compound.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/LineWriter.h"
#include "host/OpenDatabase.h"
#include "host/PatternRowArgument.h"
#include "host/UsageError.h"

#include "platform/dataaccess/BstrText.h"
#include "database/CADODatabase.h"
#include "pages/rules/CompoundDecomposition.h"
#include "platform/automation/ComError.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

const char kHeader[] =
    "cell\tdp_loaded\tdp_matched\taddr_loaded\taddr_matched\tnodes_new\tlinks_new\tmoved\treplaced\tresult_id\t"
    "status";

// The compound names of a --cells file: one a line, taken as they are (a CR before the newline and
// a byte order mark are no part of a name); empty lines name nothing.
bool ReadCellNames(const QString& fileName, QStringList& names, QString& error) {
    QFile file;
    const bool opened = fileName == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                         : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            names.append(QString::fromUtf8(line));
    }
    return true;
}

QString OutcomeLine(const QString& cell, const CompoundDecomposition::Outcome& o) {
    QStringList fields{cell};
    for (int figure : {o.dpLoaded, o.dpMatched, o.addrLoaded, o.addrMatched, o.nodesNew, o.linksNew, o.moved,
                       o.replaced})
        fields.append(QString::number(figure));
    fields.append(o.resultId);
    // One line a compound, whatever the database said.
    fields.append(CompoundDecomposition::StatusText(o).simplified());
    return fields.join(u'\t');
}

struct Arguments {
    QString url;
    QStringList cells;
    CompoundDecomposition::Options options;
    QString reportFile;
    bool fromFile = false;
};

// Reads the command line into `arguments`. Throws UsageError.
Arguments ReadArguments(const CommandLine& line) {
    Arguments arguments;
    arguments.url = line.Argument(0);

    const QString cell = QStringLiteral("cell");
    const QString cells = QStringLiteral("cells");
    if (line.IsSet(cell) == line.IsSet(cells))
        throw UsageError(QStringLiteral("give either --cell NAME or --cells FILE"));
    for (const QString& option : {cell, cells, QStringLiteral("existing"), QStringLiteral("report")}) {
        if (line.Values(option).size() > 1)
            throw UsageError(QStringLiteral("--%1 is given once").arg(option));
    }
    if (line.IsSet(cell)) {
        arguments.cells = line.Values(cell);
        if (arguments.cells[0].isEmpty())
            throw UsageError(QStringLiteral("--cell needs a name"));
    }

    for (const QString& value : line.Values(QStringLiteral("path-level"))) {
        const qsizetype equals = value.indexOf(u'=');
        bool isNumber = false;
        const int grade = equals > 0 ? value.left(equals).toInt(&isNumber) : 0;
        if (!isNumber || grade < 2 || grade > 6)
            throw UsageError(QStringLiteral("--path-level '%1': give G=TEXT with G from 2 to 6").arg(value));
        arguments.options.pathLevels[grade] = value.mid(equals + 1);
    }
    const std::pair<QString, std::vector<PatternRow>*> patternLists[] = {
        {QStringLiteral("dp-pattern"), &arguments.options.dpRows},
        {QStringLiteral("addr-pattern"), &arguments.options.addrRows}};
    for (const auto& [option, rows] : patternLists) {
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

    if (line.IsSet(cells)) {
        arguments.fromFile = true;
        QString error;
        if (!ReadCellNames(line.Value(cells), arguments.cells, error))
            throw UsageError(error);
    }
    return arguments;
}

int RunDecompose(const CommandLine& line) {
    const Arguments arguments = ReadArguments(line);
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();

    std::FILE* report = nullptr;
    if (!arguments.reportFile.isEmpty()) {
        report = std::fopen(arguments.reportFile.toUtf8().constData(), "w");
        if (!report)
            throw UsageError(QStringLiteral("cannot write %1").arg(arguments.reportFile));
    }
    auto printLine = [&](const QString& text) {
        PrintLine(stdout, text);
        if (report)
            PrintLine(report, text);
    };

    OpenDatabase database;
    QString error;
    if (!database.Open(arguments.url, error)) {
        if (report)
            std::fclose(report);
        return line.Fail(QStringLiteral("cannot open %1: %2").arg(arguments.url, error));
    }

    const bool progress = arguments.fromFile && isatty(STDERR_FILENO);
    const CompoundDecomposition decomposition(arguments.options,
                                              arguments.cells.size() >= CompoundDecomposition::ManyCompoundsFrom
                                                  ? CompoundDecomposition::Scope::ManyCompounds
                                                  : CompoundDecomposition::Scope::OneCompound);
    printLine(QString::fromLatin1(kHeader));
    int status = 0;
    const qsizetype total = arguments.cells.size();
    for (qsizetype i = 0; i < total; ++i) {
        const QString& cell = arguments.cells[i];
        if (progress)
            std::fprintf(stderr, "\r\033[K%lld/%lld %s", static_cast<long long>(i + 1), static_cast<long long>(total),
                         cell.toUtf8().constData());
        const CompoundDecomposition::Outcome outcome = decomposition.Run(cell);
        if (outcome.status == CompoundDecomposition::Status::Failed ||
            outcome.status == CompoundDecomposition::Status::NotFound)
            status = 1;
        if (progress)
            std::fputs("\r\033[K", stderr);
        printLine(OutcomeLine(cell, outcome));
    }
    if (report && std::fclose(report) != 0) {
        return line.Fail(QStringLiteral("cannot write %1").arg(arguments.reportFile));
    }
    return status;
}

const CommandRegistration registration{{
    .name = "decompose",
    .summary = "decompose compounds as the wizard does, without a window",
    .arguments = {UrlArgument()},
    .options = {{{"cell"}, "NAME", "the one compound"},
                {{"cells"}, "FILE", "compound names, one a line (UTF-8; - for standard input)"},
                {{"path-level"}, "G=TEXT",
                 "the name of grade G (2 district to 6 number) instead of the proposed one; G= leaves that "
                 "level without a name",
                 true},
                {{"dp-pattern"}, "P", "one row of the DP pattern list, as tessel split -p takes it (栋/元/室)", true},
                {{"addr-pattern"}, "P",
                 "one row of the unlinked-address pattern list; without rows a list holds the single empty row "
                 "a page starts with",
                 true},
                {{"existing"}, "MODE",
                 "a compound that already has an inner tree: skip (the default) leaves it alone, continue goes "
                 "on as answering Yes"},
                {{"dry-run"}, "", "run every commit and roll it back: exact figures, nothing written"},
                {{"report"}, "FILE", "also write the lines to FILE"}},
    .description =
        "Decomposes compounds as the wizard does, without a window: for each compound the name (page 1), the "
        "first candidate path (page 2), its DP addresses split by the --dp-pattern rows (pages 3 and 4), its "
        "unlinked standard addresses split by the --addr-pattern rows (pages 5 and 6), then Finish. Each "
        "compound is written in its own transaction; a failure is reported on its line and the run goes on. "
        "A compound that no standard address path leads to is not found, and nothing is written for it.\n\n"
        "Output: a header line, then one line a compound, tab-separated: cell, dp_loaded, dp_matched, "
        "addr_loaded, addr_matched, nodes_new, links_new, moved, replaced, result_id, status (written, "
        "dry-run, skipped-existing, not-found, or failed: MESSAGE). A progress line goes to standard error "
        "when it is a terminal.",
    .notes = "example: tessel decompose sqlite:tessel-demo.db --cell 阳光花园 --dp-pattern 栋/元/室 "
             "--addr-pattern 栋/元/室 --dry-run",
    .exitStatus = "0 every compound written, dry-run or skipped; 1 any failed or not found, or the database "
                  "could not be opened; 2 bad usage.",
    .run = RunDecompose}};

} // namespace
