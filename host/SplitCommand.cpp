// tessel split: the splitter on the command line. Reads address texts (one per line, UTF-8) and
// prints, per line, the index of the pattern that matched and the pieces it cut.
#include "Command.h"
#include "CommandLine.h"
#include "PatternRowArgument.h"
#include "UsageError.h"
#include "Splitting.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Strict UTF-8 to UTF-16: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view bytes, std::u16string& text) {
    text.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    auto continuation = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return i < size && s[i] >= low && s[i] <= high;
    };
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = s[i];
        char32_t code;
        if (lead < 0x80) {
            code = lead;
            i += 1;
        } else if (lead >= 0xC2 && lead <= 0xDF && continuation(i + 1)) {
            code = (lead & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu);
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF &&
                   continuation(i + 1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) &&
                   continuation(i + 2)) {
            code = (lead & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
            i += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 &&
                   continuation(i + 1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) &&
                   continuation(i + 2) && continuation(i + 3)) {
            code = (lead & 0x07u) << 18 | (s[i + 1] & 0x3Fu) << 12 | (s[i + 2] & 0x3Fu) << 6 |
                   (s[i + 3] & 0x3Fu);
            i += 4;
        } else {
            return false;
        }
        if (code >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
    }
    return true;
}

// UTF-16 to UTF-8. A piece may end or begin inside a surrogate pair when a level's terminators hold
// half of one; such a lone half is written as U+FFFD so that the output stays valid UTF-8.
void AppendUtf8(std::u16string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code >> 18));
            out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
}

// One --pattern argument as a row of the pattern list; an error message when it is not one.
std::optional<std::string> ParsePatternRow(const std::string& argument, PatternRow& row) {
    std::u16string text;
    if (!DecodeUtf8(argument, text))
        return "pattern '" + argument + "' is not valid UTF-8";
    return ParsePatternRowText(text, argument, row);
}

bool ReadAll(std::FILE* file, std::string& bytes) {
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    return !std::ferror(file);
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
    const std::optional<std::string> fileName =
        line.Arguments().isEmpty() ? std::nullopt : std::optional(line.Argument(0).toStdString());

    std::string bytes;
    if (fileName && *fileName != "-") {
        std::FILE* file = std::fopen(fileName->c_str(), "rb");
        if (!file)
            return line.Fail(QStringLiteral("cannot open %1: %2")
                                 .arg(QString::fromStdString(*fileName), QString::fromLocal8Bit(std::strerror(errno))));
        const bool read = ReadAll(file, bytes);
        std::fclose(file);
        if (!read)
            return line.Fail(QStringLiteral("cannot read %1").arg(QString::fromStdString(*fileName)));
    } else if (!ReadAll(stdin, bytes)) {
        return line.Fail(QStringLiteral("cannot read standard input"));
    }
    std::string_view input = bytes;
    if (input.substr(0, 3) == "\xEF\xBB\xBF") // a byte order mark is no part of the first text
        input.remove_prefix(3);

    const SplitMatcher matcher(BuildPatternSet(rows));
    std::vector<AddressEntry> entries;
    std::u16string text;
    std::string out;
    SplitCuts cuts;
    std::size_t lineNumber = 0;
    while (!input.empty()) {
        const std::size_t newline = input.find('\n');
        std::string_view textLine = input.substr(0, newline);
        input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);
        if (!textLine.empty() && textLine.back() == '\r')
            textLine.remove_suffix(1);
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
    .arguments = {{"FILE", "the address texts, one a line (UTF-8); - or none: standard input",
                   ArgumentCount::Optional}},
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
