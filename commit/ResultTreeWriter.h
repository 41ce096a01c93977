// Writes one result tree below the cell node: the existing children of a level's parents are read
// in one statement per level (none for parents whose children the Finish knows already, see
// KnownInnerNodes), the new nodes' ids of all levels drawn in one, and nodes, links, carried links
// and deletions go in multi-row statements, as many rows a statement as the database takes. It writes the same rows as a walk that
// looks up, inserts and links one item at a time, depth first: new ids ascend in that order.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/CommitStatements.h"
#include "commit/KnownInnerNodes.h"
#include "database/SqlStatement.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

class ResultTreeWriter {
public:
    // The DP tree links its leaves to DP numbers (refflag 1); the address tree links them to
    // telephone numbers (refflag 0) and replaces the old standard address by the new node.
    enum class Kind { Dp, Address };

    ResultTreeWriter(CommitStatements& statements, Kind kind, const ResultTree& tree,
                     const std::vector<AddressEntry>& entries, KnownInnerNodes& known, CommitStats& stats);

    // False after a statement failed (the layer has reported it); nothing more is written then.
    bool Write(uint32_t cellId);

private:
    struct Node {
        uint32_t id = 0;
        bool isNew = false;
        int grade = 0;
        int parent = -1; // tree node index; -1 below the cell
    };
    bool ResolveLevels();
    // Links of the existing nodes that link (the cell's earlier trees, the other tree of this
    // Finish), and of the standard addresses the address tree may replace: read before anything
    // of this tree is written, so its writes go out together.
    bool ReadLinksOfExisting();
    bool ReadLinksOfOldAddresses();
    // Each link (node, old id, refflag) of the nodes, read in slices.
    bool ReadLinksOf(const std::vector<uint32_t>& nodes, const std::function<void(const QStringList& link)>& read);
    // Inserts of links, queued.
    void QueueLinks(const std::vector<std::vector<SqlArg>>& rows);
    bool InsertNewNodes();
    void WriteLinks();
    bool ReplaceOldAddresses();
    uint32_t ParentId(const Node& node) const;

    CommitStatements& m_db;
    Kind m_kind;
    const ResultTree& m_tree;
    const std::vector<AddressEntry>& m_entries;
    KnownInnerNodes& m_known;
    CommitStats& m_stats;
    uint32_t m_cellId = 0;
    std::vector<Node> m_nodes;    // by tree node index
    std::vector<int> m_preorder;  // tree node indexes below the root, depth first in tree order
    std::vector<std::pair<uint32_t, uint32_t>> m_replacements; // new node, old standard address
    std::map<uint32_t, std::vector<std::pair<QString, int>>> m_oldLinks; // old address: number, refflag
};
