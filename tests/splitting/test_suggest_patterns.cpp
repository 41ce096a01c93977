// The suggested pattern rows: where each level ends, which texts get no row, which rows share
// terminator sets, the order of rows that would take each other's texts, and what is left out.
#include "splitting/LevelNames.h"
#include "tests/splitting/PatternRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Texts written as "text*count" where a text comes several times.
std::vector<std::u16string> Texts(std::initializer_list<std::u16string_view> items) {
    std::vector<std::u16string> texts;
    for (std::u16string_view item : items) {
        int count = 1;
        if (const std::size_t star = item.rfind(u'*'); star != std::u16string_view::npos) {
            count = 0;
            for (char16_t c : item.substr(star + 1))
                count = count * 10 + (c - u'0');
            item = item.substr(0, star);
        }
        texts.insert(texts.end(), count, std::u16string(item));
    }
    return texts;
}

std::string DescribeSuggestion(const std::vector<std::u16string>& texts, const std::vector<PatternRow>& rows) {
    std::string out = "texts:";
    for (const std::u16string& text : texts)
        out += " " + Utf8(text);
    return out + "\nsuggested:\n" + Describe(rows);
}

// One text, one row: each piece a number with the word after it, ending on the word's last character.
struct PieceCase {
    const char* name;
    std::u16string text;
    std::u16string row;
    std::vector<std::u16string> pieces;
};

TEST(SuggestPatterns, EndsEachLevelAfterTheWordThatFollowsANumber) {
    const PieceCase cases[] = {
        {"RoomWithWord", u"3栋2单元501室", u"栋/元/室", {u"3栋", u"2单元", u"501室"}},
        {"RoomWithoutWord", u"12号楼3单元502", u"楼/元/[n]", {u"12号楼", u"3单元", u"502"}},
        {"Dashes", u"3-2-101", u"-/-/[n]", {u"3-", u"2-", u"101"}},
        {"LetterBuilding", u"A座5层12号", u"座/层/号", {u"A座", u"5层", u"12号"}},
        {"LetterAtTheEnd", u"3座5层B", u"座/层/[c]", {u"3座", u"5层", u"B"}},
        {"FullWidthDigits", u"３栋２单元５０１室", u"栋/元/室", {u"３栋", u"２单元", u"５０１室"}},
        {"ChineseNumerals", u"三栋二单元五零一室", u"栋/元/室", {u"三栋", u"二单元", u"五零一室"}},
        {"WordInFront", u"第3栋2单元", u"栋/元", {u"第3栋", u"2单元"}},
        {"BracketOpensAPiece", u"3栋(2单元)501室", u"栋/)/室", {u"3栋", u"(2单元)", u"501室"}},
        {"RunBeforeABracket", u"3栋501(东户)", u"栋/[n]/)", {u"3栋", u"501", u"(东户)"}},
        {"DirectionAsNumber", u"东区3栋2单元5层501室", u"区/栋/元/层/室", {u"东区", u"3栋", u"2单元", u"5层", u"501室"}},
        {"LettersAndDigitsInOneNumber", u"B12栋301", u"栋/[n]", {u"B12栋", u"301"}},
        {"OneLevel", u"501室", u"室", {u"501室"}},
    };
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PatternRow> rows = SuggestPatterns(std::vector<std::u16string>{c.text});
        EXPECT_EQ(rows, Rows({c.row})) << DescribeSuggestion({c.text}, rows);
        EXPECT_EQ(SplitAddress(BuildPatternSet(rows), c.text).pieces, c.pieces);
    }
}

// Texts that no row can cut into the pieces an operator wants get none.
TEST(SuggestPatterns, ProposesNoRowForTextsItCannotCut) {
    const std::u16string cases[] = {
        u"",
        u"会所",
        u"地下车库",
        u"５０１",                     // a number that no level can end
        u"三栋二单元五零一",           // likewise at the end
        u"3栋栋2单元",                 // 栋栋 ends on a character it holds earlier
        u"3栋1A2",                     // nor can "[n]": its first run is not its last
        u"1区2栋3单元4层5室6号",       // six pieces
        u"3栋2单元(",                  // a bracket that opens nothing
    };
    for (const std::u16string& text : cases)
        EXPECT_EQ(SuggestPatterns(std::vector<std::u16string>{text}), std::vector<PatternRow>{}) << Utf8(text);
}

struct SetCase {
    const char* name;
    std::vector<std::u16string> texts;
    std::vector<PatternRow> rows;
};

void ExpectRows(const SetCase& c) {
    SCOPED_TRACE(c.name);
    const std::vector<PatternRow> rows = SuggestPatterns(c.texts);
    EXPECT_EQ(rows, c.rows) << DescribeSuggestion(c.texts, rows);
}

// Forms of one structure share a row where they differ in one level; where they differ in more,
// each keeps a row of its own until the seven rows are taken.
TEST(SuggestPatterns, SharesTerminatorSetsBetweenFormsOfOneStructure) {
    const SetCase cases[] = {
        {"OneLevelApart", Texts({u"3栋2单元501室*3", u"5幢1单元202室*2"}), Rows({u"栋幢/元/室"})},
        {"NumbersOfAnyKind", Texts({u"3栋2单元501室*2", u"三幢二单元五零一室"}), Rows({u"栋幢/元/室"})},
        {"TwoLevelsApart", Texts({u"3栋2单元501室*3", u"A座5层12号*2"}), Rows({u"栋/元/室", u"座/层/号"})},
        {"NumeralLevelsStaySeparate", Texts({u"3栋2单元501*3", u"3栋2单元501室*2"}),
         Rows({u"栋/元/[n]", u"栋/元/室"})},
        {"WideningThatWouldCutEarlyIsNotTaken", Texts({u"12号楼3单元*3", u"5号3单元*2"}),
         Rows({u"楼/元", u"号/元"})},
        {"AllSlotsTakenWidensAnyLevel",
         Texts({u"1栋2单元3室*9", u"1-2-3*8", u"A座5层*7", u"1号楼2单元*6", u"5室*5", u"1栋2单元3*4",
                u"东区1栋2单元3层4室*3", u"1幢2门3号*2"}),
         // Seven forms take the seven rows; the eighth widens the row of its structure in all
         // three levels. The five-level row comes first, else 栋/元/室 would take its texts.
         Rows({u"区/栋/元/层/室", u"栋幢/元门/室号", u"-/-/[n]", u"座/层", u"楼/元", u"室", u"栋/元/[n]"})},
    };
    for (const SetCase& c : cases)
        ExpectRows(c);
}

// A row comes before a shorter one that would take its texts and cut them wrongly; rows that do not
// meet keep the order of how many texts they take.
TEST(SuggestPatterns, PutsARowBeforeAShorterOneThatWouldTakeItsTexts) {
    const SetCase cases[] = {
        {"LongerFormLessFrequent", Texts({u"3栋501室*5", u"3栋2单元501室*2"}), Rows({u"栋/元/室", u"栋/室"})},
        {"LongerFormMoreFrequent", Texts({u"3栋501室*2", u"3栋2单元501室*5"}), Rows({u"栋/元/室", u"栋/室"})},
        {"BracketFormFirst", Texts({u"3栋2单元501室*5", u"3栋(2单元)501室*2"}), Rows({u"栋/)/室", u"栋/元/室"})},
        {"NoStealing", Texts({u"12号楼3单元*2", u"12号楼3单元502*5"}), Rows({u"楼/元/[n]", u"楼/元"})},
        {"OneLevelRowLast", Texts({u"501室*5", u"3栋501室*2"}), Rows({u"栋/室", u"室"})},
    };
    for (const SetCase& c : cases)
        ExpectRows(c);
}

// A form that fewer than one text in a thousand takes is a slip, not a row.
TEST(SuggestPatterns, LeavesOutFormsOfFewerThanOneTextInAThousand) {
    const SetCase cases[] = {
        {"RareFormLeftOut", Texts({u"3栋2单元501室*1998", u"3洞2单元501室*1", u"A座5层*1"}), Rows({u"栋/元/室"})},
        {"FormOfTwoKept", Texts({u"3栋2单元501室*1998", u"A座5层*2"}), Rows({u"栋/元/室", u"座/层"})},
        {"SmallListKeepsEveryForm", Texts({u"3栋2单元501室*20", u"A座5层*1"}), Rows({u"栋/元/室", u"座/层"})},
    };
    for (const SetCase& c : cases)
        ExpectRows(c);
}

TEST(SuggestPatterns, GivesTheSameRowsForTheTextsInAnyOrder) {
    std::vector<std::u16string> texts = Texts({u"3栋2单元501室*40", u"5幢1单元202*30", u"12号楼3单元*25",
                                                u"3-2-101*20", u"A座5层12号*15", u"3栋(2单元)501室*10",
                                                u"会所*5", u"3栋501室*5", u"三栋二单元*5"});
    const std::vector<PatternRow> expected = SuggestPatterns(texts);
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(texts.begin(), texts.end(), random);
        EXPECT_EQ(SuggestPatterns(texts), expected) << Describe(expected);
    }
    // The entries of a split page give what their texts give.
    std::vector<AddressEntry> entries;
    for (const std::u16string& text : texts)
        entries.push_back({text, u"", 0});
    EXPECT_EQ(SuggestPatterns(entries), expected);
}

// Two widenings can turn one row into another's superset (栋楼/室元 takes what 楼/元 was chosen
// for): no row stays behind taking nothing, and every row takes its share of the texts.
TEST(SuggestPatterns, KeepsNoRowThatTakesNoText) {
    const std::vector<std::u16string> texts =
        Texts({u"1栋2单元301室*3", u"5号楼2单元*6", u"5号楼301室*6", u"3栋301室*12", u"1栋2单元3层301室*3"});
    const std::vector<PatternRow> rows = SuggestPatterns(texts);
    const SplitMatcher matcher(BuildPatternSet(rows));
    std::vector<int> taken(rows.size(), 0);
    for (const std::u16string& text : texts)
        if (const int row = matcher.Match(text); row >= 0)
            ++taken[static_cast<std::size_t>(row)];
    for (std::size_t r = 0; r < rows.size(); ++r)
        EXPECT_GE(taken[r], 1) << "row " << r << "\n" << DescribeSuggestion(texts, rows);
}

// Names for the suggested rows: each level takes the word most texts of its role carry; a level
// whose texts carry no word takes the name of the same level of the row that takes most texts.
TEST(SuggestPatterns, NamesEveryLevelWithTheWordMostTextsOfItsRoleCarry) {
    struct NameCase {
        const char* name;
        std::vector<std::u16string> texts;
        std::vector<std::u16string_view> rows; // P=NAMES, '=' and names left out for a row without
    };
    const NameCase cases[] = {
        {"DemoForms", Texts({u"4栋1单元101室*10", u"4-1-101*6", u"4号楼1单元402*4"}),
         {u"栋/元/室=栋/单元/室", u"-/-/[n]=栋/单元/室", u"楼/元/[n]=栋/单元/室"}},
        {"MostCommonWordWins", Texts({u"3栋2单元501室*5", u"12号楼3单元502号*3"}),
         {u"栋/元/室=栋/单元/室", u"楼/元/号=栋/单元/室"}},
        {"EvenWhenItIsNotTheDominantRows", Texts({u"3幢2单元501室*3", u"12号楼3单元502号*2", u"5号楼1单元*2"}),
         {u"幢/元/室=号楼/单元/室", u"楼/元=号楼/单元", u"楼/元/号=号楼/单元/室"}},
        {"OtherWordsKeepTheirOwn", Texts({u"东区3栋2单元5层501室*3"}), {u"区/栋/元/层/室=区/栋/单元/层/室"}},
        {"NoWordAnywhere", Texts({u"3-2-101*5"}), {u"-/-/[n]"}},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<NamedPatternRow> rows = SuggestNamedPatterns(c.texts);
        std::vector<std::string> shown;
        for (const NamedPatternRow& row : rows) {
            std::u16string text;
            for (int l = 0; l < MaxLevels && !row.levels[l].empty(); ++l)
                text += (l ? u"/" : u"") + row.levels[l];
            if (row.HasNames()) {
                text += u"=";
                for (int l = 0; l < MaxLevels && !row.levels[l].empty(); ++l)
                    text += (l ? u"/" : u"") + row.names[l];
            }
            shown.push_back(Utf8(text));
        }
        std::vector<std::string> expected;
        for (std::u16string_view row : c.rows)
            expected.push_back(Utf8(row));
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(LevelTextsOf(rows), SuggestPatterns(c.texts));
    }
}

} // namespace
