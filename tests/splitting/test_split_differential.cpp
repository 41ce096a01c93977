// The splitter against an independent reading of the same patterns: each pattern row becomes an
// anchored regular expression, tried in list order, and both must agree on the pattern and the
// pieces of every text.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

namespace {

// A level, read from its display form: "[n]" anywhere makes a numeral level, else "[c]" anywhere a
// letter level, else every character is a terminator.
std::u16string LevelExpression(std::u16string_view display) {
    // Possessive runs: a level takes the first run whole and never gives part of it back.
    if (display.find(u"[n]") != std::u16string_view::npos)
        return u"([^0-9]*+[0-9]++)";
    if (display.find(u"[c]") != std::u16string_view::npos)
        return u"([^A-Za-z]*+[A-Za-z]++)";
    std::u16string set;
    for (char16_t c : display) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\\x{%x}", static_cast<unsigned>(c));
        for (const char* b = buffer; *b; ++b)
            set.push_back(static_cast<char16_t>(*b));
    }
    return u"([^" + set + u"]*+[" + set + u"])";
}

// The whole row, up to its first empty column, anchored at both ends.
std::u16string RowExpression(const PatternRow& row) {
    std::u16string expression = u"\\A";
    for (const std::u16string& column : row) {
        if (column.empty())
            break;
        expression += LevelExpression(column);
    }
    return expression + u"\\z";
}

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

class RegexPatternList {
public:
    explicit RegexPatternList(const std::vector<PatternRow>& rows) {
        // Rows after the seventh take no part.
        for (std::size_t r = 0; r < rows.size() && r < static_cast<std::size_t>(MaxPatterns); ++r) {
            const std::u16string expression = RowExpression(rows[r]);
            int error = 0;
            PCRE2_SIZE offset = 0;
            // No UTF mode: a character is one code unit, as in the splitter.
            pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.data()),
                                             expression.size(), 0, &error, &offset, nullptr);
            if (!code)
                throw std::runtime_error("bad expression " + Utf8(expression));
            m_codes.emplace_back(code);
        }
        m_matchData.reset(pcre2_match_data_create(MaxLevels + 1, nullptr));
    }

    SplitResult Split(std::u16string_view text) const {
        SplitResult result;
        for (std::size_t p = 0; p < m_codes.size(); ++p) {
            const int rc = pcre2_match(m_codes[p].get(), reinterpret_cast<PCRE2_SPTR>(text.data()),
                                       text.size(), 0, 0, m_matchData.get(), nullptr);
            if (rc == PCRE2_ERROR_NOMATCH)
                continue;
            if (rc < 0)
                throw std::runtime_error("match error");
            const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_matchData.get());
            result.patternIndex = static_cast<int>(p);
            for (int group = 1; group < rc; ++group)
                result.pieces.emplace_back(
                    text.substr(ovector[2 * group], ovector[2 * group + 1] - ovector[2 * group]));
            return result;
        }
        return result;
    }

private:
    std::vector<std::unique_ptr<pcre2_code, CodeDeleter>> m_codes;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> m_matchData;
};

// Few distinct characters, so that terminators, digits and letters meet often: digits and letters
// next to each other, the same terminator on several levels, full-width digits, tokens' brackets,
// and both halves of a surrogate pair.
const std::u16string terminators = u"栋单元室号楼-[N]a５\xD840\xDC00";
const std::u16string fillers = u"0123abZ东（）５ \xD840\xDC00";

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(int percent) { return Uniform(1, 100) <= percent; }
    char16_t Pick(const std::u16string& from) { return from[Uniform(0, static_cast<int>(from.size()) - 1)]; }

    std::u16string LevelText() {
        const int kind = Uniform(1, 100);
        std::u16string text;
        if (kind <= 20)
            text = u"[n]";
        else if (kind <= 35)
            text = u"[c]";
        else if (kind <= 40)
            text = Chance(50) ? u"[c][n]" : u"[n]栋[c]";
        if (text.empty() || Chance(30)) { // terminators, or characters beside a token
            for (int n = Uniform(1, 4); n > 0; --n)
                text.insert(text.begin() + Uniform(0, static_cast<int>(text.size())), Pick(terminators));
        }
        return text;
    }

    std::vector<PatternRow> Rows() {
        std::vector<PatternRow> rows(Uniform(0, 9));
        for (PatternRow& row : rows) {
            const int levels = Uniform(0, MaxLevels);
            for (int l = 0; l < levels; ++l)
                row[l] = LevelText();
            if (Chance(10)) // an empty column in the middle, with text after it
                row[Uniform(0, MaxLevels - 1)].clear();
        }
        return rows;
    }

    // A text shaped after one of the rows, so that matches are common, or a random one.
    std::u16string Text(const std::vector<PatternRow>& rows) {
        std::u16string text;
        if (rows.empty() || Chance(30)) {
            for (int n = Uniform(0, 10); n > 0; --n)
                text.push_back(Chance(50) ? Pick(fillers) : Pick(terminators));
            return text;
        }
        const PatternRow& row = rows[Uniform(0, static_cast<int>(rows.size()) - 1)];
        const int mostFillers = Chance(30) ? 8 : 3;
        for (const std::u16string& column : row) {
            if (column.empty())
                break;
            for (int n = Uniform(0, mostFillers); n > 0; --n)
                text.push_back(Pick(fillers));
            if (column.find(u"[n]") != std::u16string::npos)
                text.append(Uniform(1, 3), u"0123456789"[Uniform(0, 9)]);
            else if (column.find(u"[c]") != std::u16string::npos)
                text.append(Uniform(1, 2), u"aBz"[Uniform(0, 2)]);
            else
                text.push_back(column[Uniform(0, static_cast<int>(column.size()) - 1)]);
        }
        if (Chance(10))
            text.push_back(Pick(fillers));
        return text;
    }

private:
    std::mt19937 m_random;
};

TEST(SplitDifferential, AgreesWithAnchoredRegularExpressions) {
    Generator generate(20240611);
    int texts = 0, matched = 0;
    // The matcher cuts texts of under 8, 8 to 16, and over 16 code units by different means.
    int shortTexts = 0, mediumTexts = 0, longTexts = 0;
    for (int round = 0; round < 400; ++round) {
        const std::vector<PatternRow> rows = generate.Rows();
        const SplitPatternSet set = BuildPatternSet(rows);
        const RegexPatternList regexes(rows);
        for (int i = 0; i < 15; ++i, ++texts) {
            const std::u16string text = generate.Text(rows);
            (text.size() < 8 ? shortTexts : text.size() <= 16 ? mediumTexts : longTexts) += 1;
            const SplitResult expected = regexes.Split(text);
            const SplitResult actual = SplitAddress(set, text);
            matched += expected.patternIndex >= 0;
            ASSERT_EQ(actual.patternIndex, expected.patternIndex) << Describe(rows) << "text " << Utf8(text);
            ASSERT_EQ(actual.pieces, expected.pieces)
                << Describe(rows) << "text " << Utf8(text) << " regex " << Describe(expected.pieces)
                << " splitter " << Describe(actual.pieces);
        }
    }
    // The generator must give both outcomes, and texts of every length, often enough for the
    // comparison to mean something.
    EXPECT_GT(matched, texts / 4);
    EXPECT_LT(matched, texts * 3 / 4);
    EXPECT_GT(std::min({shortTexts, mediumTexts, longTexts}), texts / 20);
}

} // namespace
