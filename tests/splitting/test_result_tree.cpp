// The result tree's keyed insertion: shared prefixes, first entry keeps a leaf, insertion order,
// item data only on items created at a pattern's last level.
#include "splitting/ResultTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// label:image:itemData, children in braces, in tree order.
std::string Describe(const ResultTree& tree, int node = ResultTree::Root) {
    const ResultTreeNode& n = tree.nodes.at(node);
    std::string out = Utf8(n.label) + ":" + std::to_string(n.image) + ":" + std::to_string(n.itemData);
    if (!n.children.empty()) {
        out += "{";
        for (std::size_t i = 0; i < n.children.size(); ++i)
            out += (i ? " " : "") + Describe(tree, n.children[i]);
        out += "}";
    }
    return out;
}

SplitPatternSet Patterns(const std::vector<PatternRow>& rows) {
    return BuildPatternSet(rows);
}

std::vector<AddressEntry> Entries(const std::vector<std::u16string>& texts) {
    std::vector<AddressEntry> entries;
    for (const auto& t : texts)
        entries.push_back(AddressEntry{t, u"dp", 0});
    return entries;
}

struct Case {
    const char* name;
    std::vector<PatternRow> patterns;
    std::vector<std::u16string> texts;
    std::string expected;
};

class ResultTreeCases : public ::testing::TestWithParam<Case> {};

TEST_P(ResultTreeCases, BuildsTheKeyedTree) {
    const Case& c = GetParam();
    const ResultTree tree = BuildResultTree(u"阳光小区", Entries(c.texts), Patterns(c.patterns));
    EXPECT_EQ(Describe(tree), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ResultTreeCases,
    ::testing::Values(
        Case{"NoPatternsGiveOnlyTheRoot", {}, {u"1栋2单元", u"3栋"}, "阳光小区:0:0"},
        Case{"NoEntriesGiveOnlyTheRoot", {{u"栋", u"元"}}, {}, "阳光小区:0:0"},
        Case{"SharedPrefixIsOneItem",
             {{u"栋", u"元"}},
             {u"1栋2单元", u"1栋3单元"},
             "阳光小区:0:0{1栋:1:0{2单元:2:1 3单元:2:2}}"},
        Case{"UnmatchedEntriesAreSkippedLaterOnesStillAppear",
             {{u"栋", u"元"}},
             {u"1栋2单元", u"1栋2单元x", u"无号", u"2栋1单元"},
             "阳光小区:0:0{1栋:1:0{2单元:2:1} 2栋:1:0{1单元:2:4}}"},
        Case{"IdenticalEntriesKeepTheFirstIndex",
             {{u"栋", u"元"}},
             {u"1栋2单元", u"1栋2单元"},
             "阳光小区:0:0{1栋:1:0{2单元:2:1}}"},
        Case{"PatternWithoutLevelsAddsNothing", {{}, {u"栋"}}, {u"", u"5栋"}, "阳光小区:0:0{5栋:1:2}"},
        Case{"ChildrenInFirstArrivalOrderNotSorted",
             {{u"栋", u"元"}, {u"栋"}},
             {u"3栋1单元", u"10栋", u"3栋2单元", u"1栋", u"10栋1单元"},
             "阳光小区:0:0{3栋:1:0{1单元:2:1 2单元:2:3} 10栋:1:2{1单元:2:5} 1栋:1:4}"},
        Case{"InnerItemGetsNoDataWhenALaterPathEndsAtIt",
             {{u"栋", u"元"}, {u"栋"}},
             {u"1栋2单元", u"1栋"},
             "阳光小区:0:0{1栋:1:0{2单元:2:1}}"},
        Case{"EqualLabelsUnderDifferentParentsStayApart",
             {{u"栋", u"元", u"室"}},
             {u"1栋1单元1室", u"2栋1单元1室", u"1栋1单元2室"},
             "阳光小区:0:0{1栋:1:0{1单元:2:0{1室:3:1 2室:3:3}} 2栋:1:0{1单元:2:0{1室:3:2}}}"},
        Case{"FirstMatchingPatternDecidesTheLevels",
             {{u"[n]", u"楼", u"[n]", u"元"}, {u"楼", u"元"}},
             {u"12号楼3单元", u"东楼1单元"},
             "阳光小区:0:0{12:1:0{号楼:2:0{3:3:0{单元:4:1}}} 东楼:1:0{1单元:2:2}}"},
        Case{"FiveLevels",
             {{u"区", u"栋", u"元", u"层", u"室"}},
             {u"A区3栋2单元5层501室"},
             "阳光小区:0:0{A区:1:0{3栋:2:0{2单元:3:0{5层:4:0{501室:5:1}}}}}"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ResultTree, RootCarriesTheCellNameAsGiven) {
    const ResultTree tree = BuildResultTree(u" 新 名'称 ", {}, SplitPatternSet{});
    ASSERT_EQ(tree.nodes.size(), 1u);
    EXPECT_EQ(tree.nodes[0].label, u" 新 名'称 ");
    EXPECT_EQ(tree.nodes[0].image, 0);
}

// A piece equal to the cell name is an ordinary child, not the root.
TEST(ResultTree, PieceEqualToTheCellNameIsAChild) {
    const ResultTree tree = BuildResultTree(u"1栋", Entries({u"1栋", u"1栋"}), Patterns({{u"栋"}}));
    EXPECT_EQ(Describe(tree), "1栋:0:0{1栋:1:1}");
}

// Many distinct labels under one parent and deep sharing: the lookup table grows without losing
// a key, and every entry's path spells its pieces.
TEST(ResultTree, EveryLeafSpellsItsEntry) {
    std::vector<std::u16string> texts;
    for (int b = 1; b <= 40; ++b)
        for (int r = 1; r <= 60; ++r) {
            std::string s = std::to_string(b) + "#" + std::to_string(r) + "R";
            texts.emplace_back(s.begin(), s.end());
        }
    const auto entries = Entries(texts);
    const ResultTree tree = BuildResultTree(u"c", entries, Patterns({{u"#", u"R"}}));
    ASSERT_EQ(tree.nodes[0].children.size(), 40u);
    std::size_t leaves = 0;
    for (int top : tree.nodes[0].children)
        for (int leaf : tree.nodes[top].children) {
            const ResultTreeNode& n = tree.nodes[leaf];
            ASSERT_GT(n.itemData, 0u);
            EXPECT_EQ(tree.nodes[top].label + n.label, entries[n.itemData - 1].text);
            ++leaves;
        }
    EXPECT_EQ(leaves, texts.size());
}

// Named rows: the demo compound's ways of writing one building meet in one node, which lists the
// forms that reached it; levels without a name, and rows without names, keep their pieces.
TEST(ResultTree, NamedLevelsMergeTheWrittenFormsOfOnePlace) {
    const std::vector<PatternRow> rows = {
        {u"-", u"-", u"[n]"}, {u"楼", u"元", u"[n]"}, {u"）", u"元", u"室"}, {u"栋", u"元", u"室"}, {u"座"}};
    const std::vector<LevelNames> names = {
        {u"栋", u"单元", u"室"}, {u"栋", u"单元", u"室"}, {u"栋", u"单元", u"室"}, {u"栋", u"", u"室"}};
    const auto entries = Entries({u"4-1-101", u"4号楼1单元101", u"４栋1单元101室", u"（4栋）1单元102室", u"四栋一单元102室",
                                  u"13栋2单元301室", u"3栋2单元301室", u"A座"});
    const ResultTree tree = BuildResultTree(u"阳光花园", entries, Patterns(rows), names);
    EXPECT_EQ(Describe(tree), "阳光花园:0:0{4栋:1:0{1单元:2:0{101室:3:1 102室:3:4} 一单元:2:0{102室:3:5}} "
                              "13栋:1:0{2单元:2:0{301室:3:6}} 3栋:1:0{2单元:2:0{301室:3:7}} A座:1:8}");
    const ResultTreeNode& building = tree.nodes[tree.nodes[0].children[0]];
    EXPECT_EQ(building.forms, (std::vector<WrittenForm>{{u"4-", 1}, {u"4号楼", 1}, {u"４栋", 1}, {u"（4栋）", 1}, {u"四栋", 1}}));
    // Row 4's second level has no name: 一单元 stays as cut, 1单元 meets the named 1单元 by its label.
    EXPECT_TRUE(tree.nodes[building.children[1]].forms.empty());
    const MergedForms merged = tree.Merged();
    EXPECT_EQ(merged.nodes, 3u); // 4栋, 1单元 of rows 1 and 2, 101室 under it
    EXPECT_EQ(merged.forms, 5u + 2u + 2u);
    // Without names the same entries give one node per written form.
    const ResultTree asCut = BuildResultTree(u"阳光花园", entries, Patterns(rows));
    EXPECT_EQ(asCut.nodes[0].children.size(), 8u);
    EXPECT_EQ(asCut.Merged().nodes, 0u);
}

} // namespace
