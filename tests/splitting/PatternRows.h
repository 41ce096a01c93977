// Test helpers: pattern rows written as "栋/元/室" and texts shown readably in failure messages.
#pragma once

#include "splitting/Splitting.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// One row of the pattern list from its columns separated by '/' (no escapes; "栋//号" has an empty
// second column).
inline PatternRow Row(std::u16string_view columns) {
    PatternRow row;
    std::size_t column = 0;
    for (char16_t c : columns) {
        if (c == u'/')
            ++column;
        else
            row.at(column).push_back(c);
    }
    return row;
}

inline std::vector<PatternRow> Rows(std::initializer_list<std::u16string_view> rows) {
    std::vector<PatternRow> result;
    for (std::u16string_view r : rows)
        result.push_back(Row(r));
    return result;
}

inline std::string Utf8(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

inline std::string Describe(const std::vector<PatternRow>& rows) {
    std::string out;
    for (const PatternRow& row : rows) {
        out += "  ";
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c ? "/" : "") + Utf8(row[c]);
        out += "\n";
    }
    return out;
}

inline std::string Describe(const std::vector<std::u16string>& pieces) {
    std::string out = "[";
    for (std::size_t i = 0; i < pieces.size(); ++i)
        out += (i ? "|" : "") + Utf8(pieces[i]);
    return out + "]";
}
