// The result tree of a split page: the cell at the root and one tree level per pattern level below
// it, built by keyed insertion so that equal pieces under one parent share one item. The result
// pages show it; the commit walks it and writes it into the address table.
#pragma once

#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One way of writing a node that canonical names merged into it, and how many entries wrote it so.
struct WrittenForm {
    std::u16string text; // the piece as cut
    uint32_t count = 0;
    bool operator==(const WrittenForm&) const = default;
};

struct ResultTreeNode {
    std::u16string label;      // the cell name for the root, otherwise one piece of a split address
                               // or, at a level with a name, its canonical name
    int image = 0;             // 0 for the root, the level number 1 to 5 for other items
    uint32_t itemData = 0;     // 0, or entry index + 1 on an item created at a pattern's last level
    std::vector<int> children; // node indexes, in insertion order
    std::vector<WrittenForm> forms; // at a level with a name: the pieces that became this node, in
                                    // order of first appearance; empty elsewhere
};

// How many written forms canonical names merged into how many nodes (nodes reached by one form only
// count in neither).
struct MergedForms {
    std::size_t forms = 0;
    std::size_t nodes = 0;
};

struct ResultTree {
    std::vector<ResultTreeNode> nodes; // node 0 is the root; a default tree has none
    std::size_t unmatchedEntries = 0;  // entries no pattern cuts whole: they add nothing

    static constexpr int Root = 0;
    bool Empty() const { return nodes.empty(); }
    MergedForms Merged() const;
};

// Splits every entry with the set's first fully matching pattern and inserts its pieces below the
// root, level by level, reusing an existing child with the same label. The first entry to reach a
// leaf keeps it (and its index); entries no pattern matches add nothing. With names (by pattern
// index; none, or an empty name, keeps a level's pieces as cut) a piece is inserted under its
// canonical name (LevelNames.h), so every written form of one place meets in one node.
ResultTree BuildResultTree(std::u16string_view cellName, const std::vector<AddressEntry>& entries,
                           const SplitPatternSet& set, const std::vector<LevelNames>& names = {});
