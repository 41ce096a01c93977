// An independent reading of the split patterns as PCRE2 expressions: the reference the differential
// test holds the splitter to, and the engine the splitting benchmark measures it against. Header
// only, so that only the programs that use it link PCRE2.
//
// A level is read from its display form: "[n]" anywhere makes a numeral level (the first run of
// digits, taken whole), else "[c]" anywhere a letter level (likewise), else every character is a
// terminator ([^S]*+[S]). A row is its levels up to its first empty column; rows after the seventh
// take no part. 16-bit code units without UTF mode: a character is one code unit, as in the splitter.
#pragma once

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "splitting/Splitting.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pcre2patterns {

// One level as a capturing group. Possessive runs: a level takes the first run whole and never
// gives part of it back.
inline std::u16string LevelExpression(std::u16string_view display) {
    if (display.find(u"[n]") != std::u16string_view::npos)
        return u"([^0-9]*+[0-9]++)";
    if (display.find(u"[c]") != std::u16string_view::npos)
        return u"([^A-Za-z]*+[A-Za-z]++)";
    std::u16string set;
    for (char16_t c : display) {
        char escaped[16];
        std::snprintf(escaped, sizeof escaped, "\\x{%x}", static_cast<unsigned>(c));
        for (const char* e = escaped; *e; ++e)
            set.push_back(static_cast<char16_t>(*e));
    }
    return u"([^" + set + u"]*+[" + set + u"])";
}

// The row's levels, unanchored, one group each.
inline std::u16string RowExpression(const PatternRow& row) {
    std::u16string expression;
    for (const std::u16string& column : row) {
        if (column.empty())
            break;
        expression += LevelExpression(column);
    }
    return expression;
}

inline int LevelCount(const PatternRow& row) {
    int levels = 0;
    while (levels < MaxLevels && !row[static_cast<std::size_t>(levels)].empty())
        ++levels;
    return levels;
}

// The rows that take part: the first seven.
inline std::vector<PatternRow> Rows(const std::vector<PatternRow>& rows) {
    return {rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(rows.size(), MaxPatterns))};
}

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;

// Compiled and JIT-compiled; throws when either fails.
inline Code CompileJit(const std::u16string& expression) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()), expression.size(), 0, &error,
                            &offset, nullptr));
    if (!code)
        throw std::runtime_error("cannot compile a pattern's expression");
    if (pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) != 0)
        throw std::runtime_error("cannot compile a pattern's expression with JIT");
    return code;
}

} // namespace pcre2patterns

// The pattern list as one anchored expression per row, tried in list order: the first that takes the
// whole text wins.
class Pcre2PatternList {
public:
    explicit Pcre2PatternList(const std::vector<PatternRow>& rows) {
        for (const PatternRow& row : pcre2patterns::Rows(rows)) {
            m_codes.push_back(pcre2patterns::CompileJit(u"\\A" + pcre2patterns::RowExpression(row) + u"\\z"));
            m_levelCounts.push_back(pcre2patterns::LevelCount(row));
        }
        m_matchData.reset(pcre2_match_data_create(MaxLevels + 1, nullptr));
    }

    // The first row that takes the whole text, with its cut positions, as SplitMatcher::Match gives
    // them; -1 when none does.
    int Match(std::u16string_view text, SplitCuts& cuts) const {
        const int p = FirstMatch(text);
        cuts.levelCount = p < 0 ? 0 : m_levelCounts[static_cast<std::size_t>(p)];
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_matchData.get());
        for (int l = 0; l < cuts.levelCount; ++l)
            cuts.ends[static_cast<std::size_t>(l)] = ovector[2 * (l + 1) + 1];
        return cuts.patternIndex = p;
    }

    // The same with the pieces each group took, as SplitAddress gives them.
    SplitResult Split(std::u16string_view text) const {
        SplitResult result;
        result.patternIndex = FirstMatch(text);
        if (result.patternIndex < 0)
            return result;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_matchData.get());
        for (int group = 1; group <= m_levelCounts[static_cast<std::size_t>(result.patternIndex)]; ++group)
            result.pieces.emplace_back(text.substr(ovector[2 * group], ovector[2 * group + 1] - ovector[2 * group]));
        return result;
    }

private:
    int FirstMatch(std::u16string_view text) const {
        for (std::size_t p = 0; p < m_codes.size(); ++p) {
            const int rc = pcre2_jit_match(m_codes[p].get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(),
                                           0, 0, m_matchData.get(), nullptr);
            if (rc == PCRE2_ERROR_NOMATCH)
                continue;
            if (rc < 0)
                throw std::runtime_error("PCRE2 match error");
            return static_cast<int>(p);
        }
        return -1;
    }

    std::vector<pcre2patterns::Code> m_codes;
    std::vector<int> m_levelCounts;
    pcre2patterns::MatchData m_matchData;
};
