#include "host/PatternRowArgument.h"

std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, PatternRow& row) {
    row = {};
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'/') {
            if (++column == row.size())
                return "pattern '" + shown + "' has more than " + std::to_string(MaxLevels) + " level texts";
            continue;
        }
        if (c == u'\\') {
            if (i + 1 == text.size() || (text[i + 1] != u'/' && text[i + 1] != u'\\'))
                return "pattern '" + shown + "': a backslash must be followed by '/' or '\\'";
            c = text[++i];
        }
        row[column].push_back(c);
    }
    return std::nullopt;
}

std::u16string PatternRowText(const PatternRow& row) {
    std::u16string text;
    for (std::size_t level = 0; level < row.size() && !row[level].empty(); ++level) {
        if (level > 0)
            text.push_back(u'/');
        for (char16_t c : row[level]) {
            if (c == u'/' || c == u'\\')
                text.push_back(u'\\');
            text.push_back(c);
        }
    }
    return text;
}
