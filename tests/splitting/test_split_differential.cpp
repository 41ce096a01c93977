// The splitter against an independent reading of the same patterns: each pattern row becomes an
// anchored regular expression, tried in list order, and both must agree on the pattern and the
// pieces of every text.
#include "tests/splitting/PatternRows.h"
#include "tests/support/Pcre2PatternList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace {

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
        const Pcre2PatternList regexes(rows);
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
