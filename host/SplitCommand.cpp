// tessel split: the splitter on the command line. Reads address texts (one per line, UTF-8) and
// prints, per line, the index of the pattern that matched and the pieces it cut.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/PatternRowArgument.h"
#include "host/TextInput.h"
#include "host/UsageError.h"
#include "splitting/Splitting.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One --pattern argument as a row of the pattern list; an error message when it is not one.
std::optional<std::string> ParsePatternRow(const std::string& argument, PatternRow& row) {
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
    std::vector<PatternRow> rows;
    for (const QString& pattern : line.Values(QStringLiteral("pattern"))) {
        rows.emplace_back();
        if (auto error = ParsePatternRow(pattern.toStdString(), rows.back()))
            throw UsageError(QString::fromStdString(*error));
    }
    const bool candidates = line.IsSet(QStringLiteral("candidates"));
    std::string bytes;
    if (const std::optional<QString> error = ReadFileArgument(line.Arguments(), bytes))
        return line.Fail(*error);
    std::string_view input = bytes;

    const SplitMatcher matcher(BuildPatternSet(rows));
    std::vector<AddressEntry> entries;
    std::u16string text;
    std::string out;
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
        out += std::to_string(matcher.Match(text, cuts));
        std::size_t start = 0;
        for (int l = 0; l < cuts.levelCount; ++l) {
            out.push_back('\t');
            AppendUtf8(std::u16string_view(text).substr(start, cuts.ends[l] - start), out);
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
    Flush(out);
    return std::fflush(stdout) == 0 ? 0 : 1;
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
          "of them. '\\/' and '\\\\' are a literal '/' and '\\'. An empty level text ends the row "
          "(\"栋//号\" has one level). At most five level texts; rows after the seventh take no part.",
          true},
         {{"candidates"},
          "",
          "print instead one line: the characters the split page would offer as separators for these "
          "texts"}},
    .description = "Splits address texts, one per line (UTF-8, from FILE or standard input; a trailing CR "
                   "is dropped), with split patterns, as the wizard's split pages do, and prints one line "
                   "per text: the index of the first pattern that matched the whole text (-1 when none "
                   "did), then each piece, separated by tabs.",
    .exitStatus = "0 done, 1 unreadable input or input that is not UTF-8, 2 bad usage.",
    .run = RunSplit}};

} // namespace
