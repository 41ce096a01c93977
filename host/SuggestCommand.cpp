// tessel suggest: the pattern suggestion on the command line. Reads address texts (one per line,
// UTF-8) and prints the suggested rows in the form `tessel split -p` reads, each with how many of
// the texts it takes, then how many no row takes.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/PatternRowArgument.h"
#include "splitting/Splitting.h"
#include "host/TextInput.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

int RunSuggest(const CommandLine& line) {
    std::string bytes;
    if (const std::optional<QString> error = ReadFileArgument(line.Arguments(), bytes))
        return line.Fail(*error);
    std::string_view input = bytes;

    std::vector<std::u16string> texts;
    for (std::size_t lineNumber = 1; !input.empty(); ++lineNumber) {
        const std::string_view textLine = TakeLine(input);
        if (!DecodeUtf8(textLine, texts.emplace_back()))
            return line.Fail(QStringLiteral("line %1 is not valid UTF-8").arg(lineNumber));
    }

    const std::vector<PatternRow> rows = SuggestPatterns(texts);
    // What each row takes is counted over the texts themselves, as the split pages count it.
    std::vector<std::size_t> taken(rows.size() + 1, 0);
    const SplitMatcher matcher(BuildPatternSet(rows));
    for (const std::u16string& text : texts) {
        const int row = matcher.Match(text);
        ++taken[row < 0 ? rows.size() : static_cast<std::size_t>(row)];
    }
    std::string out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        AppendUtf8(PatternRowText(rows[r]), out);
        out += "\t" + std::to_string(taken[r]) + "\n";
    }
    out += "unmatched\t" + std::to_string(taken[rows.size()]) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

const CommandRegistration registration{{
    .name = "suggest",
    .summary = "suggest split patterns for address texts",
    .arguments = {TextFileArgument()},
    .description = "Suggests split patterns for address texts, one per line (UTF-8, from FILE or standard "
                   "input; a trailing CR is dropped), each the part of an address after the compound's "
                   "name. Prints up to seven rows in list order, one a line in the form 'tessel split -p' "
                   "reads, a tab, and how many of the lines the row takes when the first matching row "
                   "wins; then 'unmatched', a tab, and how many lines no row takes.\n\n"
                   "Each piece the rows cut is a number (ASCII or full-width digits, letters, Chinese "
                   "numerals) with the word after it, or a run of digits or letters alone: 3栋 | 2单元 | "
                   "501室, 12号楼 | 3单元 | 502, 3- | 2- | 101. Lines without a number, and forms that "
                   "fewer than one line in a thousand takes, are left to no row.",
    .notes = "For example:\n\n"
             "  $ tessel suggest addresses.txt\n"
             "  栋幢/元/室\t412\n"
             "  楼/元/[n]\t97\n"
             "  unmatched\t6\n",
    .exitStatus = "0 done, 1 unreadable input or input that is not UTF-8, 2 bad usage.",
    .run = RunSuggest}};

} // namespace
