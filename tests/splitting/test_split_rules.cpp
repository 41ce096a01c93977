// How a text is cut: the kinds of level, the first occurrence from the left without backtracking,
// the first full match in list order, and the cut positions behind the pieces.
#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    std::vector<PatternRow> rows;
    std::u16string text;
    int patternIndex;
    std::vector<std::u16string> pieces;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitRules : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitRules, CutsTheTextAsExpected) {
    const SplitCase& c = GetParam();
    const SplitResult result = SplitAddress(BuildPatternSet(c.rows), c.text);
    EXPECT_EQ(result.patternIndex, c.patternIndex) << Describe(c.rows) << Utf8(c.text);
    EXPECT_EQ(result.pieces, c.pieces) << Describe(result.pieces);
}

const SplitCase splitCases[] = {
    // Terminator sets.
    {"OneTerminatorPerLevel", Rows({u"栋/元/室"}), u"3栋2单元501室", 0, {u"3栋", u"2单元", u"501室"}},
    {"LevelTextIsASetNotAWord", Rows({u"栋/单元/室"}), u"3栋2单元501室", 0, {u"3栋", u"2单", u"元501室"}},
    {"OrderAndRepetitionInASetDoNotMatter",
     Rows({u"栋/元单单/室"}),
     u"3栋2单元501室",
     0,
     {u"3栋", u"2单", u"元501室"}},
    {"SetOfThreeTerminators", Rows({u"栋幢座/元"}), u"3幢2单元", 0, {u"3幢", u"2单元"}},
    {"SetOfManyTerminators", Rows({u"abcdefgh栋幢座/元"}), u"东3座2单元", 0, {u"东3座", u"2单元"}},
    {"TerminatorsAreExactCodeUnits", Rows({u"A/室"}), u"a座5室", -1, {}},
    {"EmptyPieceIsImpossibleButOneCharacterIsFine", Rows({u"栋/元"}), u"栋元", 0, {u"栋", u"元"}},

    // Numeral and letter levels.
    {"NumeralThenTerminators", Rows({u"[n]/楼/[n]/元"}), u"12号楼3单元", 0, {u"12", u"号楼", u"3", u"单元"}},
    {"LetterThenTerminator", Rows({u"[c]/层"}), u"A座5层", 0, {u"A", u"座5层"}},
    {"NumeralIgnoresItsOtherCharacters", Rows({u"[n]号"}), u"501号", -1, {}},
    {"NumeralAndTerminatorAsTwoLevels", Rows({u"[n]/号"}), u"501号", 0, {u"501", u"号"}},
    {"TextBeforeTheRunBelongsToThePiece", Rows({u"[n]/栋"}), u"A区12栋", 0, {u"A区12", u"栋"}},
    {"FullWidthDigitsAreNoNumeral", Rows({u"[n]/室"}), u"５０１室", -1, {}},
    {"FullWidthDigitsBeforeATerminator", Rows({u"室"}), u"５０１室", 0, {u"５０１室"}},
    {"LetterRunOfMixedCase", Rows({u"[c]/[n]"}), u"-aBc12", 0, {u"-aBc", u"12"}},
    {"FullWidthLettersAreNoLetters", Rows({u"[c]"}), u"Ａ座", -1, {}},
    {"NumeralAndLetterMarkIsANumeral", Rows({u"[c][n]"}), u"A12", 0, {u"A12"}},
    {"LetterAndNumeralMarkIsANumeral", Rows({u"[n][c]/[c]"}), u"12A", 0, {u"12", u"A"}},
    {"LetterLevelWithOtherCharacters", Rows({u"座[c]/层"}), u"5B座6层", 0, {u"5B", u"座6层"}},
    {"CapitalTokensAreTerminators", Rows({u"[N]/[C]"}), u"5N2C", 0, {u"5N", u"2C"}},
    {"CapitalTokensHaveNoDigitMeaning", Rows({u"[N]"}), u"12", -1, {}},

    // No backtracking: each level takes the first occurrence.
    {"TextLeftOverAfterTheLastLevel", Rows({u"栋/单元/[n]"}), u"3栋2单元501室", -1, {}},
    {"FirstRunOfDigitsOnly", Rows({u"[n]/[n]"}), u"12", -1, {}},
    {"NoRetryWithALaterOccurrence", Rows({u"栋"}), u"1栋2栋", -1, {}},
    {"SameTerminatorOnTwoLevels", Rows({u"栋/栋"}), u"1栋2栋", 0, {u"1栋", u"2栋"}},
    {"LevelFailsOnTheEmptyRest", Rows({u"栋/元"}), u"3栋", -1, {}},
    {"DigitsSplitByATerminator", Rows({u"[n]/[n]/[n]"}), u"3-2-101", 0, {u"3", u"-2", u"-101"}},

    // The first full match in list order wins.
    {"SecondPatternAfterAFailedFirst",
     Rows({u"栋/单元/[n]", u"栋/元/[n]/室"}),
     u"3栋2单元501室",
     1,
     {u"3栋", u"2单元", u"501", u"室"}},
    {"FirstOfTwoMatchingPatterns",
     Rows({u"栋/元/室", u"[n]/元/室"}),
     u"3栋2单元501室",
     0,
     {u"3栋", u"2单元", u"501室"}},
    {"EighthRowNeverWins", Rows({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"栋"}), u"3栋", -1, {}},
    {"SeventhRowStillWins", Rows({u"a", u"b", u"c", u"d", u"e", u"f", u"栋"}), u"3栋", 6, {u"3栋"}},
    {"FiveLevels",
     Rows({u"区/栋/元/层/室"}),
     u"东区3栋2单元5层501室",
     0,
     {u"东区", u"3栋", u"2单元", u"5层", u"501室"}},

    // Empty columns and empty patterns.
    {"EmptyColumnEndsTheRow", Rows({u"栋//号"}), u"3栋", 0, {u"3栋"}},
    {"TextAfterAnEmptyColumnIsIgnored", Rows({u"栋//号"}), u"3栋5号", -1, {}},
    {"EmptyPatternMatchesTheEmptyText", Rows({u"栋", u"", u"室"}), u"", 1, {}},
    {"EmptyPatternMatchesNothingElse", Rows({u"", u"室"}), u"5室", 1, {u"5室"}},
    {"EmptyTextWithoutAnEmptyPattern", Rows({u"栋", u"[n]"}), u"", -1, {}},
    {"NoPatterns", {}, u"3栋", -1, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SplitRules, testing::ValuesIn(splitCases),
                         [](const testing::TestParamInfo<SplitCase>& param) { return param.param.name; });

TEST(SplitMatcher, ReportsTheCutPositionsOfTheMatchedPattern) {
    const SplitMatcher matcher(BuildPatternSet(Rows({u"栋/单元/[n]", u"栋/元/[n]/室"})));
    SplitCuts cuts;
    const std::u16string text = u"3栋2单元501室";
    ASSERT_EQ(matcher.Match(text, cuts), 1);
    EXPECT_EQ(cuts.patternIndex, 1);
    ASSERT_EQ(cuts.levelCount, 4);
    EXPECT_EQ((std::vector<std::size_t>(cuts.ends.begin(), cuts.ends.begin() + 4)),
              (std::vector<std::size_t>{2, 5, 8, 9}));

    // A later text that matches nothing leaves no stale pattern behind.
    EXPECT_EQ(matcher.Match(u"物业", cuts), -1);
    EXPECT_EQ(cuts.patternIndex, -1);
    EXPECT_EQ(cuts.levelCount, 0);
    EXPECT_EQ(matcher.Match(text), 1);
}

TEST(SplitMatcher, PiecesGiveBackTheWholeText) {
    const SplitPatternSet set = BuildPatternSet(Rows({u"[c]/[n]", u"区/栋/元/室", u"栋/元/室"}));
    for (std::u16string text : {u"东区3栋2单元501室", u"A12", u"3栋2单元501室"}) {
        const SplitResult result = SplitAddress(set, text);
        ASSERT_GE(result.patternIndex, 0) << Utf8(text);
        std::u16string joined;
        for (const std::u16string& piece : result.pieces)
            joined += piece;
        EXPECT_EQ(joined, text);
    }
}

} // namespace
