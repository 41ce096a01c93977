// tessel suggest: the pattern suggestion on the command line. Reads address texts (one per line,
// UTF-8) and prints the suggested rows in the form `tessel split -p` reads, each with how many of
// the texts it takes, then how many no row takes.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/LineWriter.h"
#include "host/PatternRowArgument.h"
#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"
#include "host/TextInput.h"
#include "host/OpenDatabase.h"
#include "host/DatabaseUrl.h"
#include "host/TableFormat.h"
#include "host/UsageError.h"
#include "pages/rules/AddressEntryLoader.h"
#include "pages/rules/ErrorBoxCapture.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The texts of the compound as its split page loads them: page 3's DP addresses, or page 5's
// unlinked standard addresses, each the part after the compound's name.
int LoadCompoundTexts(const CommandLine& line, std::vector<std::u16string>& texts) {
    const DatabaseUrl url(line.Argument(0));
    const QString cell = line.Value(QStringLiteral("cell"));
    if (cell.isEmpty())
        throw UsageError(QStringLiteral("--cell needs a name"));
    const QString page = line.IsSet(QStringLiteral("page")) ? line.Value(QStringLiteral("page")) : QStringLiteral("dp");
    if (page != u"dp" && page != u"addr")
        throw UsageError(QStringLiteral("--page takes dp or addr, not '%1'").arg(page));
    if (const auto missing = url.MissingFile())
        return line.Fail(*missing);
    OpenDatabase database;
    QString error;
    if (!database.Open(url.Text(), error))
        return line.Fail(url.OpenFailure(error));
    const ErrorBoxCapture errors;
    const std::vector<AddressEntry> entries = AddressEntryLoader::Load(
        page == u"dp" ? AddressEntryLoader::Source::DpAddresses : AddressEntryLoader::Source::UnlinkedAddresses, cell);
    if (errors.Any())
        return line.Fail(url.Explained(errors.FirstMessage()));
    for (const AddressEntry& entry : entries)
        texts.push_back(entry.text);
    return 0;
}

int RunSuggest(const CommandLine& line) {
    const TableFormat::Kind format = TableFormat::FromLine(line);
    std::vector<std::u16string> texts;
    std::unique_ptr<QCoreApplication> app;
    if (line.IsSet(QStringLiteral("cell"))) {
        if (line.Arguments().isEmpty())
            throw UsageError(QStringLiteral("--cell needs the database: tessel suggest URL --cell NAME"));
        app = QtApplication::EnsureCore();
        if (const int failed = LoadCompoundTexts(line, texts))
            return failed;
    } else {
        if (line.IsSet(QStringLiteral("page")))
            throw UsageError(QStringLiteral("--page needs --cell"));
        std::string bytes;
        if (const std::optional<QString> error = ReadFileArgument(line.Arguments(), bytes))
            return line.Fail(*error);
        std::string_view input = bytes;
        for (std::size_t lineNumber = 1; !input.empty(); ++lineNumber) {
            const std::string_view textLine = TakeLine(input);
            if (!DecodeUtf8(textLine, texts.emplace_back()))
                return line.Fail(QStringLiteral("line %1 is not valid UTF-8").arg(lineNumber));
        }
    }

    const std::vector<NamedPatternRow> rows = SuggestNamedPatterns(texts);
    // What each row takes is counted over the texts themselves, as the split pages count it.
    std::vector<std::size_t> taken(rows.size() + 1, 0);
    const SplitMatcher matcher(BuildPatternSet(LevelTextsOf(rows)));
    for (const std::u16string& text : texts) {
        const int row = matcher.Match(text);
        ++taken[row < 0 ? rows.size() : static_cast<std::size_t>(row)];
    }
    TableFormat table(format, {QStringLiteral("pattern"), QStringLiteral("lines")}, {false, true});
    QStringList out = table.Begin(format != TableFormat::Kind::Tsv);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const QString pattern = QString::fromStdU16String(PatternRowText(rows[r]));
        // A row holds no tab or line break; its \/ and \\ are split -p's own and stay as they are.
        out << (format == TableFormat::Kind::Tsv ? pattern + u'\t' + QString::number(taken[r])
                                                 : table.Row({pattern, QString::number(taken[r])}));
    }
    // The lines no row takes: "unmatched" in the table forms, a null pattern in json.
    out << table.Row({format == TableFormat::Kind::Json ? TableFormat::Value::Null() : TableFormat::Value(u"unmatched"),
                      QString::number(taken[rows.size()])});
    out << table.End();
    for (const QString& text : out)
        std::fputs((text + u'\n').toUtf8().constData(), stdout);
    if (const auto error = OutputError(stdout))
        return line.Fail(QStringLiteral("cannot write the rows: %1").arg(*error));
    return 0;
}

const CommandRegistration registration{{
    .name = "suggest",
    .summary = "suggest split patterns for address texts",
    .arguments = {{"FILE|URL", "the address texts, one a line (UTF-8; - or none: standard input); with "
                               "--cell the database (sqlite:PATH | postgresql://... | odbc:...)",
                   ArgumentCount::Optional}},
    .options = {{{"cell"}, "NAME", "read the texts of this compound from the database URL, as its split page "
                                   "loads them"},
                {{"page"}, "dp|addr", "with --cell: the DP addresses of page 3 (dp, the default) or the "
                                      "unlinked standard addresses of page 5 (addr)"},
                TableFormat::Option()},
    .description = "Suggests split patterns for address texts, one per line (UTF-8, from FILE or standard "
                   "input; a trailing CR is dropped), each the part of an address after the compound's "
                   "name. With --cell the texts are those the wizard's split page loads for the compound: "
                   "the same statement, each text cut after the compound's name, so the rows fit what "
                   "tessel decompose --dp-pattern and --addr-pattern will split. Prints up to seven rows in list order, one a line in the form 'tessel split -p' "
                   "reads, a tab, and how many of the lines the row takes when the first matching row "
                   "wins; then 'unmatched', a tab, and how many lines no row takes. Each row carries its levels' "
                   "canonical names after '=': for each level the word most lines of its kind (building, "
                   "unit, floor, room) carry, so that 4-, 4号楼 and 4栋 become one node 4栋; a level written "
                   "without a word (3-2-501) takes the name of the same level of the row that takes most "
                   "lines.\n\n"
                   "Each piece the rows cut is a number (ASCII or full-width digits, letters, Chinese "
                   "numerals) with the word after it, or a run of digits or letters alone: 3栋 | 2单元 | "
                   "501室, 12号楼 | 3单元 | 502, 3- | 2- | 101. Lines without a number, and forms that "
                   "fewer than one line in a thousand takes, are left to no row.",
    .notes = "For example:\n\n"
             "  $ tessel suggest addresses.txt\n"
             "  栋幢/元/室=栋/单元/室\t412\n"
             "  楼/元/[n]=栋/单元/室\t97\n"
             "  unmatched\t6\n\n"
             "  $ tessel suggest sqlite:tessel-demo.db --cell 阳光花园 --page dp\n",
    .exitStatus = "0 done, 1 unreadable input or input that is not UTF-8, or output that cannot be written (a full disk), 2 bad usage.",
    .run = RunSuggest}};

} // namespace
