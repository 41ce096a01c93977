// Keyed insertion of split addresses into the result tree.
#include "splitting/ResultTree.h"

#include <algorithm>
#include <cstddef>

namespace {

// The (parent, label) -> child lookup of the tree build: an open-addressing table of node indexes.
// A slot keeps the key's hash and the node; the label is compared against the node itself, so a
// lookup with a piece of an entry's text allocates nothing.
class ChildIndex {
public:
    ChildIndex(const std::vector<ResultTreeNode>& nodes, const std::vector<int>& parents)
        : m_nodes(nodes), m_parents(parents), m_slots(1024) {}

    static uint64_t Hash(int parent, std::u16string_view label) {
        uint64_t h = 0xcbf29ce484222325ull ^
                     (static_cast<uint64_t>(static_cast<uint32_t>(parent)) * 0x9e3779b97f4a7c15ull);
        for (char16_t c : label) {
            h ^= c;
            h *= 0x100000001b3ull;
        }
        return h ^ (h >> 29);
    }

    // The child of parent with this label, or -1.
    int Find(int parent, std::u16string_view label, uint64_t hash) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.node < 0)
                return -1;
            if (slot.hash == hash && m_parents[slot.node] == parent && m_nodes[slot.node].label == label)
                return slot.node;
        }
    }

    void Insert(int node, uint64_t hash) {
        if ((m_used + 1) * 2 > m_slots.size())
            Grow();
        Place(node, hash);
        ++m_used;
    }

private:
    struct Slot {
        uint64_t hash = 0;
        int node = -1;
    };

    void Place(int node, uint64_t hash) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = hash & mask;
        while (m_slots[i].node >= 0)
            i = (i + 1) & mask;
        m_slots[i] = Slot{hash, node};
    }

    void Grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot& slot : old)
            if (slot.node >= 0)
                Place(slot.node, slot.hash);
    }

    const std::vector<ResultTreeNode>& m_nodes;
    const std::vector<int>& m_parents;
    std::vector<Slot> m_slots; // size a power of two, at most half full
    std::size_t m_used = 0;
};

} // namespace

MergedForms ResultTree::Merged() const {
    MergedForms merged;
    for (const ResultTreeNode& node : nodes) {
        if (node.forms.size() > 1) {
            merged.forms += node.forms.size();
            ++merged.nodes;
        }
    }
    return merged;
}

ResultTree BuildResultTree(std::u16string_view cellName, const std::vector<AddressEntry>& entries,
                           const SplitPatternSet& set, const std::vector<LevelNames>& names) {
    ResultTree tree;
    std::vector<int> parents; // parent of each node, for the lookup; -1 for the root
    tree.nodes.push_back(ResultTreeNode{std::u16string(cellName), 0, 0, {}});
    parents.push_back(-1);

    ChildIndex index(tree.nodes, parents);
    const SplitMatcher matcher(set);
    SplitCuts cuts;
    std::u16string canonical; // reused for every named piece
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const std::u16string_view text = entries[k].text;
        const int patternIndex = matcher.Match(text, cuts);
        if (patternIndex < 0) {
            ++tree.unmatchedEntries; // no pattern cuts the whole text: the entry gets no item
            continue;
        }
        const LevelNames* levelNames =
            static_cast<std::size_t>(patternIndex) < names.size() ? &names[static_cast<std::size_t>(patternIndex)] : nullptr;
        const int levelCount = cuts.levelCount;
        int parent = ResultTree::Root;
        std::size_t start = 0;
        for (int l = 0; l < levelCount; ++l) {
            const std::u16string_view piece = text.substr(start, cuts.ends[l] - start);
            start = cuts.ends[l];
            const bool named = levelNames && !(*levelNames)[static_cast<std::size_t>(l)].empty();
            std::u16string_view label = piece;
            if (named) {
                CanonicalName(piece, (*levelNames)[static_cast<std::size_t>(l)], canonical);
                label = canonical;
            }
            const uint64_t hash = ChildIndex::Hash(parent, label);
            int child = index.Find(parent, label, hash);
            if (child < 0) {
                // Only an item created at the pattern's last level records the entry; an item that
                // already exists keeps whatever it was given when it was created.
                const uint32_t itemData = l + 1 == levelCount ? static_cast<uint32_t>(k + 1) : 0;
                child = static_cast<int>(tree.nodes.size());
                tree.nodes.push_back(ResultTreeNode{std::u16string(label), l + 1, itemData, {}, {}});
                parents.push_back(parent);
                tree.nodes[parent].children.push_back(child);
                index.Insert(child, hash);
            }
            if (named) {
                std::vector<WrittenForm>& forms = tree.nodes[static_cast<std::size_t>(child)].forms;
                auto form = std::find_if(forms.begin(), forms.end(),
                                         [piece](const WrittenForm& f) { return f.text == piece; });
                if (form == forms.end())
                    forms.push_back(WrittenForm{std::u16string(piece), 1});
                else
                    ++form->count;
            }
            parent = child;
        }
    }
    return tree;
}
