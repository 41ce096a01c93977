// Level texts between display and internal form, and the pattern set built from the page's rows.
#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

namespace {

struct FormCase {
    std::u16string display;
    std::u16string internal;
};

TEST(PatternForms, TokensBecomeMarksAndBack) {
    const FormCase cases[] = {
        {u"", u""},
        {u"[n]", u"\x01"},
        {u"[c]", u"\x02"},
        {u"[n]号", u"\x01号"},
        {u"栋[c]座[n]", u"栋\x02座\x01"},
        {u"[n][n][c]", u"\x01\x01\x02"},
        {u"[[n]]", u"[\x01]"},
        {u"[N][C][n", u"[N][C][n"}, // capitals and broken tokens stay ordinary characters
        {u"单元", u"单元"},
    };
    for (const FormCase& c : cases) {
        EXPECT_EQ(ToInternalForm(c.display), c.internal) << Utf8(c.display);
        EXPECT_EQ(ToDisplayForm(c.internal), c.display) << Utf8(c.display);
    }
}

TEST(PatternForms, NumeralTokenIsReplacedFirst) {
    // "[[n]c]" holds "[n]" once; what is left, "[\1c]", holds no "[c]".
    EXPECT_EQ(ToInternalForm(u"[[n]c]"), u"[\x01"
                                         u"c]");
    EXPECT_EQ(ToInternalForm(u"[n[c]]"), u"[n\x02]");
}

TEST(BuildPatternSet, CountsLevelsUpToTheFirstEmptyColumn) {
    const SplitPatternSet set =
        BuildPatternSet(Rows({u"栋/元/室", u"栋//号", u"", u"区/栋/元/层/[n]", u"/栋"}));
    ASSERT_EQ(set.count, 5);
    EXPECT_EQ(set.patterns[0].levelCount, 3);
    EXPECT_EQ(set.patterns[1].levelCount, 1);
    EXPECT_EQ(set.patterns[1].levelTexts[2], u""); // the 号 after the empty column is not kept
    EXPECT_EQ(set.patterns[2].levelCount, 0);
    EXPECT_EQ(set.patterns[3].levelCount, 5);
    EXPECT_EQ(set.patterns[3].levelTexts[4], u"\x01");
    EXPECT_EQ(set.patterns[4].levelCount, 0);
    EXPECT_EQ(set.SeparatorText, u"栋元室栋区栋元层\x01");
}

TEST(BuildPatternSet, TakesTheFirstSevenRowsOnly) {
    const SplitPatternSet set =
        BuildPatternSet(Rows({u"a", u"b", u"c", u"d", u"e", u"f", u"[c]/g", u"h", u"i"}));
    EXPECT_EQ(set.count, MaxPatterns);
    EXPECT_EQ(set.patterns[6].levelTexts[0], u"\x02");
    EXPECT_EQ(set.SeparatorText, u"abcdef\x02g");
}

TEST(BuildPatternSet, NoRowsGiveAnEmptySet) {
    const SplitPatternSet set = BuildPatternSet({});
    EXPECT_EQ(set.count, 0);
    EXPECT_EQ(set.SeparatorText, u"");
}

} // namespace
