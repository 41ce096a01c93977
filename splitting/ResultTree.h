// The result tree of a split page: the cell at the root and one tree level per pattern level below
// it, built by keyed insertion so that equal pieces under one parent share one item. The result
// pages show it; the commit walks it and writes it into the address table.
#pragma once

#include "splitting/Splitting.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ResultTreeNode {
    std::u16string label;      // the cell name for the root, otherwise one piece of a split address
    int image = 0;             // 0 for the root, the level number 1 to 5 for other items
    uint32_t itemData = 0;     // 0, or entry index + 1 on an item created at a pattern's last level
    std::vector<int> children; // node indexes, in insertion order
};

struct ResultTree {
    std::vector<ResultTreeNode> nodes; // node 0 is the root; a default tree has none
    std::size_t unmatchedEntries = 0;  // entries no pattern cuts whole: they add nothing

    static constexpr int Root = 0;
    bool Empty() const { return nodes.empty(); }
};

// Splits every entry with the set's first fully matching pattern and inserts its pieces below the
// root, level by level, reusing an existing child with the same label. The first entry to reach a
// leaf keeps it (and its index); entries no pattern matches add nothing.
ResultTree BuildResultTree(std::u16string_view cellName, const std::vector<AddressEntry>& entries,
                           const SplitPatternSet& set);
