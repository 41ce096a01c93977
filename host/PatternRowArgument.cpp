#include "PatternRowArgument.h"

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
