#include "host/PatternRowArgument.h"

namespace {

// Appends the texts, '/' between them, up to the last non-empty one (`stopAtEmpty`: up to the
// first empty one), escaping what the parser reads as syntax.
void AppendColumns(const std::array<std::u16string, MaxLevels>& columns, bool stopAtEmpty, std::u16string& text) {
    std::size_t count = 0;
    for (std::size_t level = 0; level < columns.size(); ++level) {
        if (columns[level].empty()) {
            if (stopAtEmpty)
                break;
            continue;
        }
        count = level + 1;
    }
    for (std::size_t level = 0; level < count; ++level) {
        if (level > 0)
            text.push_back(u'/');
        for (char16_t c : columns[level]) {
            if (c == u'/' || c == u'\\' || c == u'=')
                text.push_back(u'\\');
            text.push_back(c);
        }
    }
}

} // namespace

std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, NamedPatternRow& row) {
    row = {};
    std::array<std::u16string, MaxLevels>* columns = &row.levels;
    const char* what = "level texts";
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'=') {
            if (columns == &row.names)
                return "pattern '" + shown + "' has more than one '='";
            columns = &row.names;
            what = "names";
            column = 0;
            continue;
        }
        if (c == u'/') {
            if (++column == columns->size())
                return "pattern '" + shown + "' has more than " + std::to_string(MaxLevels) + " " + what;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 == text.size() || (text[i + 1] != u'/' && text[i + 1] != u'\\' && text[i + 1] != u'='))
                return "pattern '" + shown + "': a backslash must be followed by '/', '=' or '\\'";
            c = text[++i];
        }
        (*columns)[column].push_back(c);
    }
    return std::nullopt;
}

std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, PatternRow& row) {
    NamedPatternRow named;
    std::optional<std::string> error = ParsePatternRowText(text, shown, named);
    row = named.levels;
    return error;
}

std::u16string PatternRowText(const NamedPatternRow& row) {
    std::u16string text;
    AppendColumns(row.levels, true, text);
    if (row.HasNames()) {
        text.push_back(u'=');
        AppendColumns(row.names, false, text);
    }
    return text;
}

std::u16string PatternRowText(const PatternRow& row) {
    return PatternRowText(NamedPatternRow{row, {}});
}
