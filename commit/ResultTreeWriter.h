// Writes one result tree below the cell node, a tree level per step: the existing children of a
// level's parents are read in one statement, the new nodes' ids drawn in one, and nodes, links,
// carried links and deletions go in multi-row statements. It writes the same rows as a walk that
// looks up, inserts and links one item at a time, depth first: new ids ascend in that order.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/CommitStatements.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <QString>

#include <cstdint>
#include <map>
#include <set>
#include <vector>

class ResultTreeWriter {
public:
    // The DP tree links its leaves to DP numbers (refflag 1); the address tree links them to
    // telephone numbers (refflag 0) and replaces the old standard address by the new node.
    enum class Kind { Dp, Address };

    ResultTreeWriter(CommitStatements& statements, Kind kind, const ResultTree& tree,
                     const std::vector<AddressEntry>& entries, CommitStats& stats);

    // False after a statement failed (the layer has reported it); nothing more is written then.
    bool Write(uint32_t cellId);

private:
    struct Node {
        uint32_t id = 0;
        bool isNew = false;
        int grade = 0;
        int parent = -1; // tree node index; -1 below the cell
    };
    bool ResolveLevels(uint32_t cellId);
    bool InsertNewNodes();
    // Links of existing nodes (the cell's earlier trees, the other tree of this Finish).
    bool ReadLinks(const std::vector<uint32_t>& nodeIds);
    bool WriteLinks();
    bool ReplaceOldAddresses();
    uint32_t ParentId(const Node& node) const;

    CommitStatements& m_db;
    Kind m_kind;
    const ResultTree& m_tree;
    const std::vector<AddressEntry>& m_entries;
    CommitStats& m_stats;
    uint32_t m_cellId = 0;
    std::vector<Node> m_nodes;    // by tree node index
    std::vector<int> m_preorder;  // tree node indexes below the root, depth first in tree order
    std::map<uint32_t, std::set<QString>> m_links; // node id -> old ids of its links
    std::vector<std::pair<uint32_t, uint32_t>> m_replacements; // new node, old standard address
};
