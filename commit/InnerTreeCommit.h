// Finish: makes sure the cell's path exists, writes the two result trees below the cell node as
// inner levels (grades 8 to 12), links their leaves to the DP numbers and telephone numbers they
// stand for, moves the standard addresses of the cell's DPs below the matching inner nodes and
// replaces the cell's unlinked standard addresses by inner nodes, all but the path in one
// transaction on g_pDatabase. Plain data in, statements out; no window involved.
#pragma once

#include "ResultTree.h"
#include "Splitting.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The names of the cell's path, grades 1 (city) to 7 (the cell), as the verification page holds
// them; an empty name stands for a level without a name.
using CellPathNames = std::array<QString, 7>;

class InnerTreeCommit {
public:
    // Which result tree a walk writes: the DP tree links its leaves to DP numbers (refflag 1); the
    // address tree links them to telephone numbers (refflag 0) and removes the old address node.
    enum class TreeKind { Dp, Address };

    // The trees and entry lists are read, not copied: they must outlive the commit object.
    InnerTreeCommit(CellPathNames cellPath, const ResultTree& dpTree,
                    const std::vector<AddressEntry>& dpEntries, const ResultTree& addrTree,
                    const std::vector<AddressEntry>& addrEntries);

    // Runs every step; true when the transaction was committed. Never throws: a failure anywhere
    // ends with false, after a rollback when the transaction was open.
    bool CommitInnerTree();
    // The cell node id in decimal, set by CommitInnerTree whatever its outcome ("0" when the
    // cell's path could not be found or created).
    const QString& ResultId() const { return m_strResultID; }

    // Finds each level of the cell's path below the previous one, inserting what is missing (outside
    // any transaction). The id of the cell node, or 0 when a statement failed.
    uint32_t FindOrCreateCellPath();
    // Writes the children of `item` at `grade` below the node `parentId`, links each one that
    // stands for an entry, then descends; depth first, in tree order. False as soon as a statement
    // fails (nothing more is written); a platform failure may also be thrown.
    bool WriteTreeLevel(TreeKind kind, int item, int grade, uint32_t parentId);
    // Moves the standard addresses whose telephone numbers hang on a DP linked anywhere in the
    // cell's subtree. False when a reading or an update failed.
    bool ReparentLinkedAddresses(uint32_t cellId);
    bool ReparentForDp(uint32_t nodeId, int nodeGrade, const QString& dpNumber);

private:
    enum class Lookup { Failed, None, Found };
    // The one-value idiom: the first row's column 0 as an id, if any.
    static Lookup LookupId(const QString& statement, uint32_t& id);
    // Draws a new id from seq_addr and inserts the node; false when either fails.
    static bool InsertNode(const QString& name, uint32_t grade, uint32_t parentId, uint32_t& id);
    bool LinkEntry(TreeKind kind, uint32_t nodeId, uint32_t itemData);
    bool RunSteps(uint32_t cellId);

    CellPathNames m_cellPath;
    const ResultTree& m_dpTree;
    const std::vector<AddressEntry>& m_dpEntries;
    const ResultTree& m_addrTree;
    const std::vector<AddressEntry>& m_addrEntries;
    QString m_strResultID;
};
