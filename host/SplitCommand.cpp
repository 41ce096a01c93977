// tessel split: the splitter on the command line. Reads address texts (one per line, UTF-8) and
// prints, per line, the index of the pattern that matched and the pieces it cut.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/LineWriter.h"
#include "host/PatternRowArgument.h"
#include "host/TableFormat.h"
#include "host/TextInput.h"
#include "host/UsageError.h"
#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One --pattern argument as a row of the pattern list; an error message when it is not one.
std::optional<std::string> ParsePatternRow(const std::string& argument, NamedPatternRow& row) {
    std::u16string text;
    if (!DecodeUtf8(argument, text))
        return "pattern '" + argument + "' is not valid UTF-8";
    return ParsePatternRowText(text, argument, row);
}

void Flush(std::string& out) {
    std::fwrite(out.data(), 1, out.size(), stdout);
    out.clear();
}

int RunSplit(const CommandLine& line) {
    std::vector<NamedPatternRow> rows;
    for (const QString& pattern : line.Values(QStringLiteral("pattern"))) {
        rows.emplace_back();
        if (auto error = ParsePatternRow(pattern.toStdString(), rows.back()))
            throw UsageError(QString::fromStdString(*error));
    }
    const bool candidates = line.IsSet(QStringLiteral("candidates"));
    const TableFormat::Kind format = TableFormat::FromLine(line);
    if (candidates && line.IsSet(QStringLiteral("format")))
        throw UsageError(QStringLiteral("--candidates prints one line; --format does not apply"));
    std::string out;
    // csv and json: the pattern index and up to five pieces, named columns.
    std::optional<TableFormat> table;
    if (format != TableFormat::Kind::Tsv) {
        QStringList columns{QStringLiteral("pattern")};
        for (int l = 1; l <= MaxLevels; ++l)
            columns << QStringLiteral("level%1").arg(l);
        table.emplace(format, columns, std::vector<bool>{true});
        for (const QString& text : table->Begin(true))
            AppendUtf8((text + u'\n').toStdU16String(), out);
    }
    std::string bytes;
    if (const std::optional<QString> error = ReadFileArgument(line.Arguments(), bytes))
        return line.Fail(*error);
    std::string_view input = bytes;

    const SplitMatcher matcher(BuildPatternSet(LevelTextsOf(rows)));
    std::u16string name;
    std::vector<AddressEntry> entries;
    std::u16string text;
    SplitCuts cuts;
    std::size_t lineNumber = 0;
    while (!input.empty()) {
        const std::string_view textLine = TakeLine(input);
        ++lineNumber;
        if (!DecodeUtf8(textLine, text)) {
            if (!candidates)
                Flush(out);
            return line.Fail(QStringLiteral("line %1 is not valid UTF-8").arg(lineNumber));
        }
        if (candidates) {
            entries.push_back({text, u"", 0});
            continue;
        }
        const int matched = matcher.Match(text, cuts);
        const LevelNames noNames;
        const LevelNames& names = matched >= 0 ? rows[static_cast<std::size_t>(matched)].names : noNames;
        if (table) {
            std::vector<TableFormat::Value> row{QString::number(matched)};
            std::size_t start = 0;
            for (int l = 0; l < MaxLevels; ++l) {
                if (l < cuts.levelCount) {
                    CanonicalName(std::u16string_view(text).substr(start, cuts.ends[l] - start),
                                  names[static_cast<std::size_t>(l)], name);
                    row.emplace_back(QString::fromStdU16String(name));
                    start = cuts.ends[l];
                } else {
                    row.push_back(TableFormat::Value::Null());
                }
            }
            AppendUtf8((table->Row(row) + u'\n').toStdU16String(), out);
            if (out.size() > (1 << 16))
                Flush(out);
            continue;
        }
        out += std::to_string(matched);
        std::size_t start = 0;
        for (int l = 0; l < cuts.levelCount; ++l) {
            out.push_back('\t');
            const std::u16string_view piece = std::u16string_view(text).substr(start, cuts.ends[l] - start);
            // A named level prints the node the piece becomes.
            CanonicalName(piece, names[static_cast<std::size_t>(l)], name);
            AppendUtf8(name, out);
            start = cuts.ends[l];
        }
        out.push_back('\n');
        if (out.size() > (1 << 16))
            Flush(out);
    }
    if (candidates) {
        AppendUtf8(CollectCandidateChars(entries), out);
        out.push_back('\n');
    }
    if (table)
        for (const QString& closing : table->End())
            AppendUtf8((closing + u'\n').toStdU16String(), out);
    Flush(out);
    if (const auto error = OutputError(stdout))
        return line.Fail(QStringLiteral("cannot write the lines: %1").arg(*error));
    return 0;
}

const CommandRegistration registration{{
    .name = "split",
    .summary = "split address texts with split patterns",
    .arguments = {TextFileArgument()},
    .options =
        {{{"p", "pattern"},
          "P",
          "one row of the pattern list, in the order given: its level texts separated by '/'. A level "
          "with \"[n]\" ends with the first run of ASCII digits, one with \"[c]\" with the first run of "
          "ASCII letters; any other level text is a set of terminators and the level ends at the first "
          "of them. '\\/', '\\=' and '\\\\' are a literal '/', '=' and '\\'. An empty level text ends the row "
          "(\"栋//号\" has one level). At most five level texts; rows after the seventh take no part. "
          "'=' and a name per level, separated by '/', give the levels canonical names: with "
          "-/-/[n]=栋/单元/室 the pieces 4-, 1-, 101 print as the nodes 4栋, 1单元, 101室 (the number "
          "read, the word replaced); an empty name keeps that level as cut (栋/元/室=栋//室).",
          true},
         {{"candidates"},
          "",
          "print instead one line: the characters the split page would offer as separators for these "
          "texts"},
         TableFormat::Option()},
    .description = "Splits address texts, one per line (UTF-8, from FILE or standard input; a trailing CR "
                   "is dropped), with split patterns, as the wizard's split pages do, and prints one line "
                   "per text: the index of the first pattern that matched the whole text (-1 when none "
                   "did), then each piece, separated by tabs (a piece of a level with a name as the node name it becomes). With --format csv or json the columns are pattern and "
                   "level1 to level5 (empty, or null in json, past the last piece).",
    .exitStatus = "0 done, 1 unreadable input or input that is not UTF-8, or output that cannot be written (a full disk), 2 bad usage.",
    .run = RunSplit}};

} // namespace
