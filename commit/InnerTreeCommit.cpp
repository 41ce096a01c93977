#include "InnerTreeCommit.h"

#include "CADODatabase.h"
#include "CADORecordset.h"
#include "SqlStatement.h"
#include "Statements.h"
#include "TrailingAsciiRun.h"

#include <utility>

namespace {

constexpr int FirstInnerGrade = 8;

// The commit's two reading loops read client-side: all rows are held once opened, so the updates
// made while walking them never change what they return.
void SetClientSideReading(CADORecordset& reading) {
    reading.m_cursorType = adOpenForwardOnly;
    reading.m_cursorLocation = adUseClient;
    reading.m_lockType = adLockReadOnly;
}

bool Run(const QString& statement) {
    return g_pDatabase->RunStatement(statement, 0);
}

} // namespace

InnerTreeCommit::InnerTreeCommit(CellPathNames cellPath, const ResultTree& dpTree,
                                 const std::vector<AddressEntry>& dpEntries, const ResultTree& addrTree,
                                 const std::vector<AddressEntry>& addrEntries)
    : m_cellPath(std::move(cellPath)), m_dpTree(dpTree), m_dpEntries(dpEntries), m_addrTree(addrTree),
      m_addrEntries(addrEntries) {}

bool InnerTreeCommit::CommitInnerTree() {
    // The path is made before the transaction: a later rollback keeps its nodes, and a repeated
    // Finish finds them.
    const uint32_t cellId = FindOrCreateCellPath();
    m_strResultID = QString::number(cellId);
    if (cellId == 0)
        return false; // nothing can be written below a cell that is not there

    try {
        g_pDatabase->TransBegin();
    } catch (...) {
        return false;
    }
    bool ok = false;
    try {
        ok = RunSteps(cellId);
    } catch (...) {
        ok = false;
    }
    try {
        if (ok) {
            g_pDatabase->TransCommit();
            return true;
        }
        g_pDatabase->TransRollback();
    } catch (...) {
        // A commit that failed leaves the transaction to be undone; a rollback that failed leaves
        // nothing more to try.
        if (ok) {
            try {
                g_pDatabase->TransRollback();
            } catch (...) {
            }
        }
    }
    return false;
}

bool InnerTreeCommit::RunSteps(uint32_t cellId) {
    // The root of each tree stands for the cell node itself and is never written.
    if (!m_dpTree.Empty() && !WriteTreeLevel(TreeKind::Dp, ResultTree::Root, FirstInnerGrade, cellId))
        return false;
    if (!ReparentLinkedAddresses(cellId))
        return false;
    if (!m_addrTree.Empty() && !WriteTreeLevel(TreeKind::Address, ResultTree::Root, FirstInnerGrade, cellId))
        return false;
    return true;
}

uint32_t InnerTreeCommit::FindOrCreateCellPath() {
    if (!g_pDatabase)
        return 0;
    try {
        uint32_t parentId = 0;
        for (uint32_t grade = 1; grade <= m_cellPath.size(); ++grade) {
            const QString& name = m_cellPath[grade - 1];
            // An empty name is stored as null, so it is looked up as null; the grade is not part of
            // the search.
            const QString find =
                name.isEmpty() ? FormatStatement(Statements::FindPathNodeUnnamed, {parentId})
                               : FormatStatement(Statements::FindPathNode, {parentId, SqlText::Quote(name)});
            uint32_t id = 0;
            switch (LookupId(find, id)) {
            case Lookup::Failed:
                return 0;
            case Lookup::None:
                if (!InsertNode(name, grade, parentId, id))
                    return 0;
                break;
            case Lookup::Found:
                break;
            }
            parentId = id;
        }
        return parentId;
    } catch (...) {
        return 0;
    }
}

bool InnerTreeCommit::WriteTreeLevel(TreeKind kind, int item, int grade, uint32_t parentId) {
    const ResultTree& tree = kind == TreeKind::Dp ? m_dpTree : m_addrTree;
    for (const int child : tree.nodes.at(item).children) {
        const ResultTreeNode& node = tree.nodes.at(child);
        const QString label = QString::fromStdU16String(node.label);
        // A node of the same grade, parent and name is reused: both trees, and the trees of earlier
        // runs for the same cell, merge into one inner tree.
        uint32_t id = 0;
        switch (LookupId(FormatStatement(Statements::FindInnerNode, {grade, parentId, SqlText::Quote(label)}),
                         id)) {
        case Lookup::Failed:
            return false;
        case Lookup::None:
            if (!InsertNode(label, static_cast<uint32_t>(grade), parentId, id))
                return false; // no link and no child below a node that is not there
            break;
        case Lookup::Found:
            break;
        }
        if (node.itemData != 0 && !LinkEntry(kind, id, node.itemData))
            return false;
        if (!WriteTreeLevel(kind, child, grade + 1, id))
            return false;
    }
    return true;
}

bool InnerTreeCommit::LinkEntry(TreeKind kind, uint32_t nodeId, uint32_t itemData) {
    const AddressEntry& entry = (kind == TreeKind::Dp ? m_dpEntries : m_addrEntries).at(itemData - 1);
    const SqlText oldId = SqlText::Quote(QString::fromStdU16String(entry.oldId));

    const RowSource rows = g_pDatabase->RunQuery(FormatStatement(Statements::FindLink, {nodeId, oldId}), 0);
    if (!rows)
        return false;
    CADORecordset link(rows);
    const bool linked = !link.AtEnd();
    link.CloseQuery();
    if (linked)
        return true; // already linked: nothing is written, and nothing is deleted

    if (kind == TreeKind::Dp)
        return Run(FormatStatement(Statements::InsertDpLink, {nodeId, oldId}));
    // The telephone number moves onto the new inner node; the old standard address and all its
    // links go.
    const uint32_t oldNode = entry.stdAddrId;
    return Run(FormatStatement(Statements::InsertTelLink, {nodeId, oldId})) &&
           Run(FormatStatement(Statements::DeleteAddr, {oldNode})) &&
           Run(FormatStatement(Statements::DeleteLinks, {oldNode}));
}

bool InnerTreeCommit::ReparentLinkedAddresses(uint32_t cellId) {
    // Every link of every node of the cell's subtree, the cell node and this run's links included.
    CADORecordset links(g_pDatabase);
    SetClientSideReading(links);
    if (!links.OpenQuery(FormatStatement(Statements::SubtreeLinks, {cellId})))
        return false;
    while (!links.AtEnd()) {
        uint32_t nodeId = 0;
        int grade = 0;
        QString dpNumber;
        links.ReadColumn(0, nodeId, 0u);
        links.ReadColumn(1, grade, 0);
        links.ReadColumn(2, dpNumber, nullptr);
        if (!ReparentForDp(nodeId, grade, dpNumber))
            return false;
        links.Next();
    }
    links.CloseQuery();
    return true;
}

bool InnerTreeCommit::ReparentForDp(uint32_t nodeId, int nodeGrade, const QString& dpNumber) {
    // Standard addresses (grades 1 to 7) linked to a telephone number that hangs on this DP. Once
    // moved an address has an inner grade, so no later DP takes it again.
    CADORecordset addresses(g_pDatabase);
    SetClientSideReading(addresses);
    if (!addresses.OpenQuery(FormatStatement(Statements::StandardAddressesOfDp, {SqlText::Quote(dpNumber)})))
        return false;
    while (!addresses.AtEnd()) {
        uint32_t addressId = 0;
        QString name;
        addresses.ReadColumn(0, addressId, 0u);
        addresses.ReadColumn(1, name, nullptr);
        const QString newName = TrailingAsciiRun(name);
        if (!newName.isEmpty() &&
            !Run(FormatStatement(Statements::MoveAddr,
                                 {SqlText::Quote(newName), nodeGrade + 1, nodeId, addressId})))
            return false;
        addresses.Next();
    }
    addresses.CloseQuery();
    return true;
}

InnerTreeCommit::Lookup InnerTreeCommit::LookupId(const QString& statement, uint32_t& id) {
    const RowSource rows = g_pDatabase->RunQuery(statement, 0);
    if (!rows)
        return Lookup::Failed; // the database layer has shown its error box
    CADORecordset reading(rows);
    if (reading.AtEnd()) {
        reading.CloseQuery();
        return Lookup::None;
    }
    uint32_t value = 0;
    reading.ReadColumn(0, value, 0u);
    reading.CloseQuery();
    if (value == 0)
        return Lookup::Failed; // ids are positive: 0 means the value could not be read
    id = value;
    return Lookup::Found;
}

bool InnerTreeCommit::InsertNode(const QString& name, uint32_t grade, uint32_t parentId, uint32_t& id) {
    uint32_t newId = 0;
    if (LookupId(FormatStatement(Statements::NextAddrId, {}), newId) != Lookup::Found)
        return false;
    if (!Run(FormatStatement(Statements::InsertAddr, {newId, SqlText::Quote(name), grade, parentId})))
        return false;
    id = newId;
    return true;
}
