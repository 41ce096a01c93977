// Canonical node names: how a piece becomes its level's name, and that two places never meet.
#include "splitting/LevelNames.h"

#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct NameCase {
    std::u16string_view piece;
    std::u16string_view name;
    std::u16string_view expected;
};

TEST(LevelNames, TurnsEachWrittenFormIntoTheLevelsName) {
    const NameCase cases[] = {
        // The demo compound's forms of one building.
        {u"4栋", u"栋", u"4栋"},
        {u"4-", u"栋", u"4栋"},
        {u"4号楼", u"栋", u"4栋"},
        {u"4幢", u"栋", u"4栋"},
        {u"１单元", u"单元", u"1单元"},
        {u"1-", u"单元", u"1单元"},
        {u"101", u"室", u"101室"},
        {u"402号", u"室", u"402室"},
        // Full-width forms, the ideographic space included.
        {u"２栋", u"栋", u"2栋"},
        {u"１２号楼", u"栋", u"12栋"},
        {u"Ａ座", u"栋", u"A栋"},
        {u"３－", u"栋", u"3栋"},
        {u"\u30002栋", u"栋", u"2栋"},
        // Spaces and brackets go, also the halves of a pair a cut divided.
        {u" 6栋", u"栋", u"6栋"},
        {u"6 栋 ", u"栋", u"6栋"},
        {u"（2栋）", u"栋", u"2栋"},
        {u"(2栋)", u"栋", u"2栋"},
        {u"【2栋】", u"栋", u"2栋"},
        {u"[2栋]", u"栋", u"2栋"},
        {u"（ 2栋 ）", u"栋", u"2栋"},
        {u"（2栋", u"栋", u"2栋"},
        {u"）1单元", u"单元", u"1单元"},
        // Chinese numerals as spoken.
        {u"六栋", u"栋", u"6栋"},
        {u"二号楼", u"栋", u"2栋"},
        {u"十栋", u"栋", u"10栋"},
        {u"一十栋", u"栋", u"10栋"},
        {u"十二栋", u"栋", u"12栋"},
        {u"二十栋", u"栋", u"20栋"},
        {u"二十三栋", u"栋", u"23栋"},
        {u"一百零一室", u"室", u"101室"},
        {u"一百一十室", u"室", u"110室"},
        {u"三百室", u"室", u"300室"},
        {u"一千零一十室", u"室", u"1010室"},
        // Chinese numerals digit by digit.
        {u"五零一", u"室", u"501室"},
        {u"五〇一室", u"室", u"501室"},
        {u"〇栋", u"栋", u"0栋"},
        {u"零栋", u"栋", u"0栋"},
        {u"一单元", u"单元", u"1单元"},
        // Letters.
        {u"A座", u"栋", u"A栋"},
        {u"B", u"栋", u"B栋"},
        {u"AB座", u"栋", u"AB栋"},
        // Pieces without a number are only cleaned.
        {u"会所", u"栋", u"会所"},
        {u" （会所） ", u"栋", u"会所"},
        {u"东区", u"栋", u"东区"},
        {u"-", u"栋", u"-"},
        // A level without a name keeps its piece exactly as cut.
        {u" （２号楼）", u"", u" （２号楼）"},
        {u"4-", u"", u"4-"},
        // What the rules do not cover stays as cut: something in front of the number, a word that
        // tells places apart (also from inside brackets), a numeral read two ways.
        {u"第3栋", u"栋", u"第3栋"},
        {u"A区12", u"栋", u"A区12"},
        {u"B1栋", u"栋", u"B1栋"},
        {u"12A栋", u"栋", u"12A栋"},
        {u"3号东楼", u"栋", u"3号东楼"},
        {u"3栋(东)", u"栋", u"3栋(东)"},
        {u"(3)栋(4)", u"栋", u"(3)栋(4)"},
        {u"会所(东)", u"栋", u"会所东"},
        {u"一百五室", u"室", u"一百五室"},
        {u"十十栋", u"栋", u"十十栋"},
        {u"二三十栋", u"栋", u"二三十栋"},
        {u"一百零室", u"室", u"一百零室"},
        {u"Office", u"栋", u"Office"},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(Utf8(CanonicalName(c.piece, c.name)), Utf8(c.expected))
            << Utf8(c.piece) << " named " << Utf8(c.name);
}

TEST(LevelNames, ReadsChineseNumeralsBothWays) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"十", u"10"},   {u"一十", u"10"},     {u"二十", u"20"},     {u"十二", u"12"},   {u"二十三", u"23"},
        {u"〇", u"0"},    {u"零", u"0"},        {u"五零一", u"501"},  {u"一二", u"12"},   {u"九百九十九", u"999"},
        {u"一千", u"1000"}, {u"一千零一", u"1001"}, {u"", u""},         {u"零十", u""},     {u"十零", u""},
        {u"百", u""},     {u"一百五", u""},     {u"一千零零一", u""}, {u"十一十", u""},   {u"二十零", u""},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(Utf8(ReadChineseNumeral(text)), Utf8(value)) << Utf8(text);
}

// Different places never meet in one node, whichever way each is written.
TEST(LevelNames, NeverMergesTwoPlaces) {
    const std::vector<std::vector<std::u16string_view>> places = {
        {u"3栋", u"三栋", u"３号楼", u"3-"},
        {u"13栋", u"十三栋", u"一十三栋", u"一三栋", u"13号楼"},
        {u"A座", u"Ａ座"},
        {u"1栋", u"一栋", u"(1栋)"},
        {u"10栋", u"十栋", u"一零栋"},
        {u"20栋", u"二十栋"},
        {u"0栋", u"〇栋"},
        {u"12A栋"},
        {u"12栋"},
        {u"3号东楼"},
    };
    std::set<std::u16string> seen;
    for (const auto& forms : places) {
        const std::u16string node = CanonicalName(forms.front(), u"栋");
        for (std::u16string_view form : forms)
            EXPECT_EQ(Utf8(CanonicalName(form, u"栋")), Utf8(node)) << Utf8(form);
        EXPECT_TRUE(seen.insert(node).second) << Utf8(node) << " names two places";
    }
    // Levels of a room: 2单元 and 12单元 stay apart too.
    EXPECT_NE(CanonicalName(u"2单元", u"单元"), CanonicalName(u"12单元", u"单元"));
    EXPECT_NE(CanonicalName(u"二单元", u"单元"), CanonicalName(u"十二单元", u"单元"));
}

TEST(LevelNames, SplitsNamedRowsIntoLevelTextsAndNames) {
    const std::vector<NamedPatternRow> rows = {
        {Row(u"-/-/[n]"), {u"栋", u"单元", u"室"}},
        {Row(u"栋/元/室"), {u"栋", u"", u"室"}},
        {Row(u"楼/元"), {}},
    };
    EXPECT_EQ(LevelTextsOf(rows), Rows({u"-/-/[n]", u"栋/元/室", u"楼/元"}));
    EXPECT_EQ(NamesOf(rows)[1][2], u"室");
    EXPECT_TRUE(rows[1].HasNames());
    EXPECT_FALSE(rows[2].HasNames());
    EXPECT_EQ(WithoutNames(Rows({u"楼/元"})), std::vector<NamedPatternRow>{rows[2]});
    // The names as the pages show and edit them.
    EXPECT_EQ(LevelNamesText(rows[1].names), u"栋//室");
    EXPECT_EQ(ParseLevelNames(u"栋//室"), rows[1].names);
    EXPECT_EQ(ParseLevelNames(u"栋/单元/室//"), rows[0].names);
    EXPECT_EQ(LevelNamesText({}), u"");
}

} // namespace
