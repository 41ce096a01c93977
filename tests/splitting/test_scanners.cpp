// The scanners, the width normalisation and the candidate separator characters.
#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

namespace {

struct RunCase {
    std::u16string text;
    std::ptrdiff_t digitRunEnd;
    std::ptrdiff_t letterRunEnd;
};

TEST(Scanners, FindTheEndOfTheFirstRun) {
    // clang-format off
    const RunCase cases[] = {
        {u"", -1, -1},
        {u"栋单元", -1, -1},
        {u"7", 0, -1},
        {u"z", -1, 0},
        {u"12号楼", 1, -1},
        {u"A区12栋3", 3, 0},
        {u"ab12cd34", 3, 1},
        {u"栋xYz9", 4, 3},
        {u"５1２", 1, -1},     // full-width digits are no digits
        {u"Ａb", -1, 1},       // nor full-width letters
        {u"0123456789", 9, -1},
        {u"@[`{AZaz", -1, 7},  // the neighbours of the letter ranges are no letters
        {u"/:09", 3, -1},      // nor those of the digit range
        {u"-Za", -1, 2},
    };
    // clang-format on
    for (const RunCase& c : cases) {
        EXPECT_EQ(FindDigitRun(c.text), c.digitRunEnd) << Utf8(c.text);
        EXPECT_EQ(FindLetterRun(c.text), c.letterRunEnd) << Utf8(c.text);
    }
}

TEST(NormalizeWidth, NarrowsFullWidthDigitsAndParenthesesOnly) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u""},
        {u"（３栋）２单元", u"(3栋)2单元"},
        {u"０１２３４５６７８９", u"0123456789"},
        {u"ＡＢ［］－＃＇＊：", u"ＡＢ［］－＃＇＊："}, // other full-width forms stay
        {u"3栋(东)", u"3栋(东)"},
    };
    for (auto [text, expected] : cases) {
        NormalizeWidth(text);
        EXPECT_EQ(text, expected);
    }
}

struct CandidateCase {
    const char* name;
    std::vector<std::u16string> texts;
    std::u16string expected;
};

TEST(CollectCandidateChars, OffersEachSeparatorOnceInOrderOfFirstAppearance) {
    const CandidateCase cases[] = {
        {"TwoAddresses", {u"3栋2单元", u"五栋１单元（东）"}, u"栋单元"},
        {"NoEntries", {}, u""},
        {"NonSeparatorsAreSkipped", {u"一二三四五六七八九十首东西南北中"}, u""},
        {"AsciiAndLatin1AreSkipped", {u"A#-(é)¥3"}, u""},
        {"TheLimitIsBelow255", {u"\u00fe\u00ff\u0100"}, u"\u00ff\u0100"},
        {"OtherFullWidthFormsAreOffered", {u"Ａ座＃1－2"}, u"Ａ座＃－"},
        {"RepeatsAcrossEntries", {u"3栋", u"栋3室", u"室栋幢"}, u"栋室幢"},
        {"SurrogatePairIsOneCharacter", {u"𠀀栋𠀀", u"𠀁"}, u"𠀀栋𠀁"},
        // Pairs that share a half are still different characters.
        {"PairsSharingAHalf", {u"\U00020000\U00020400\U00020001", u"\U00020400\U00020000\U00020401"},
         u"\U00020000\U00020400\U00020001\U00020401"},
        {"PairsAndTheirHalvesAlone", {u"\U00020000栋", std::u16string(1, char16_t(0xD840)) + u"栋"},
         u"\U00020000栋" + std::u16string(1, char16_t(0xD840))},
    };
    for (const CandidateCase& c : cases) {
        std::vector<AddressEntry> entries;
        for (const std::u16string& t : c.texts)
            entries.push_back({t, u"", 0});
        EXPECT_EQ(CollectCandidateChars(entries), c.expected) << c.name;
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(entries[i].text, c.texts[i]) << c.name << ": the entries stay as loaded";
    }
    // Every character beyond the basic plane once, offered once however often it comes.
    std::u16string all;
    for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) {
        all.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        all.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    EXPECT_EQ(CollectCandidateChars({{all, u"", 0}, {all, u"", 0}}), all);
}

} // namespace
