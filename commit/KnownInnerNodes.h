// What one Finish knows of the nodes below the cell without asking the database again: the
// children of a grade and parent that a look-up read (all of them, under the cell's lock), the
// links of nodes it read or made, and every node it inserted or moved since. The writers of both
// trees and the mover share it, so the address tree finds in memory what the DP tree looked up and
// wrote: the cell is locked, so nobody else adds children below it meanwhile.
#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

class KnownInnerNodes {
public:
    // Whether the children of this grade below `parent` are all known: read, or below a node this
    // Finish made.
    bool KnowsChildren(int grade, uint32_t parent) const {
        return m_made.count(parent) > 0 || m_children.count({grade, parent}) > 0;
    }
    // The smallest id of a known child of that grade, parent and name (none for an empty name, as
    // null equals nothing).
    std::optional<uint32_t> Child(int grade, uint32_t parent, const QString& name) const;
    // A look-up's answer: the children of that grade below `parent` are now known (also when none).
    void MarkRead(int grade, uint32_t parent) { m_children.try_emplace({grade, parent}); }
    // A child the database holds now (read, inserted or moved there); kept where its siblings are known.
    void AddChild(int grade, uint32_t parent, const QString& name, uint32_t id);
    // A node this Finish inserted: nothing else is below it, nor linked to it.
    void AddMade(uint32_t id) {
        m_made.insert(id);
        m_links.try_emplace(id);
    }

    // Whether all links of the node are known, and the old ids they link it to.
    bool KnowsLinks(uint32_t node) const { return m_links.count(node) > 0; }
    std::set<QString>& Links(uint32_t node) { return m_links[node]; }

private:
    std::set<uint32_t> m_made;
    std::map<std::pair<int, uint32_t>, std::map<QString, uint32_t>> m_children; // (grade, parent) -> name -> id
    std::map<uint32_t, std::set<QString>> m_links;                               // node -> old ids
};
