#include "commit/ResultTreeWriter.h"

#include "commit/FinishJournal.h"
#include "database/AddressGrade.h"
#include "database/SqlStatement.h"
#include "database/StatementBatches.h"
#include "database/Statements.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

using StatementBatches::ForEachChunk;
using StatementBatches::ForEachSlice;

namespace {

constexpr int FirstInnerGrade = AddressGrade::FirstInner;

} // namespace

ResultTreeWriter::ResultTreeWriter(CommitStatements& statements, Kind kind, const ResultTree& tree,
                                   const std::vector<AddressEntry>& entries, KnownInnerNodes& known,
                                   CommitStats& stats)
    : m_db(statements), m_kind(kind), m_tree(tree), m_entries(entries), m_known(known), m_stats(stats) {}

bool ResultTreeWriter::Write(uint32_t cellId) {
    if (m_tree.Empty())
        return true;
    m_cellId = cellId;
    m_nodes.assign(m_tree.nodes.size(), Node{});
    // The root stands for the cell node itself and is never written.
    std::vector<int> stack(m_tree.nodes[ResultTree::Root].children.rbegin(),
                           m_tree.nodes[ResultTree::Root].children.rend());
    for (int child : stack)
        m_nodes.at(child) = Node{0, false, FirstInnerGrade, -1};
    while (!stack.empty()) {
        const int item = stack.back();
        stack.pop_back();
        m_preorder.push_back(item);
        const auto& children = m_tree.nodes.at(item).children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            m_nodes.at(*it) = Node{0, false, m_nodes[item].grade + 1, item};
            stack.push_back(*it);
        }
    }
    if (!ResolveLevels() || !ReadLinksOfExisting() || (m_kind == Kind::Address && !ReadLinksOfOldAddresses()) ||
        !InsertNewNodes())
        return false;
    WriteLinks();
    return m_kind == Kind::Dp || ReplaceOldAddresses();
}

uint32_t ResultTreeWriter::ParentId(const Node& node) const {
    return node.parent < 0 ? m_cellId : m_nodes[node.parent].id;
}

bool ResultTreeWriter::ResolveLevels() {
    // A node of the same grade, parent and name is reused: both trees, and the trees of earlier
    // runs for the same cell, merge into one inner tree. Below a new node everything is new.
    std::vector<int> level = m_tree.nodes[ResultTree::Root].children;
    while (!level.empty()) {
        const int grade = m_nodes[level.front()].grade;
        std::vector<uint32_t> parents; // those whose children of this grade are not known yet
        for (int item : level) {
            const Node& node = m_nodes[item];
            if (node.parent >= 0 && m_nodes[node.parent].isNew)
                continue;
            if (!m_known.KnowsChildren(grade, ParentId(node)))
                parents.push_back(ParentId(node));
        }
        std::sort(parents.begin(), parents.end());
        parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
        const bool read = ForEachChunk(parents, m_db.Batches().ListValues(1, 1), [&](const std::vector<uint32_t>& chunk) {
            const auto rows = m_db.Rows(FormatStatement(Statements::ChildrenOfParents, {grade, FormatIdList(chunk)}), 3);
            if (!rows)
                return false;
            for (uint32_t parent : chunk)
                m_known.MarkRead(grade, parent);
            for (const QStringList& row : *rows)
                m_known.AddChild(grade, row[1].toUInt(), row[2], row[0].toUInt());
            return true;
        });
        if (!read)
            return false;
        std::vector<int> next;
        for (int item : level) {
            Node& node = m_nodes[item];
            const bool parentNew = node.parent >= 0 && m_nodes[node.parent].isNew;
            // An empty name is stored as null, and null equals nothing: such a node is always new.
            const std::optional<uint32_t> found =
                parentNew ? std::nullopt
                          : m_known.Child(grade, ParentId(node), QString::fromStdU16String(m_tree.nodes[item].label));
            if (found)
                node.id = *found;
            else
                node.isNew = true;
            const auto& children = m_tree.nodes[item].children;
            next.insert(next.end(), children.begin(), children.end());
        }
        level = std::move(next);
    }
    return true;
}

bool ResultTreeWriter::InsertNewNodes() {
    std::vector<int> fresh;
    for (int item : m_preorder)
        if (m_nodes[item].isNew)
            fresh.push_back(item);
    if (fresh.empty())
        return true;
    const auto drawn =
        m_db.Rows(FormatStatement(Statements::NextAddrIds, {static_cast<int>(fresh.size())}), 1);
    if (!drawn)
        return false;
    if (drawn->size() != fresh.size())
        throw std::logic_error("the sequence range gave another number of values than asked for");
    std::vector<uint32_t> ids;
    ids.reserve(drawn->size());
    for (const QStringList& row : *drawn)
        ids.push_back(row[0].toUInt());
    std::sort(ids.begin(), ids.end());
    // Depth first, as a walk drawing one value per new node would number them.
    // Parents before their children: a new node's siblings are known once its parent is.
    for (size_t i = 0; i < fresh.size(); ++i) {
        Node& node = m_nodes[fresh[i]];
        node.id = ids[i];
        m_known.AddMade(node.id);
        m_known.AddChild(node.grade, ParentId(node), QString::fromStdU16String(m_tree.nodes[fresh[i]].label), node.id);
    }
    m_db.NoteAddressesWritten(ids);
    if (FinishJournal* journal = m_db.Journal())
        journal->NoteNewNodes(ids);

    std::vector<std::vector<SqlArg>> rows;
    rows.reserve(fresh.size());
    for (int item : fresh) {
        const Node& node = m_nodes[item];
        rows.push_back({node.id, SqlText::Quote(QString::fromStdU16String(m_tree.nodes[item].label)), node.grade,
                        ParentId(node)});
    }
    ForEachSlice(rows, m_db.Batches().InsertRows(4, 4), [&](const std::vector<std::vector<SqlArg>>& chunk) {
        m_db.Queue(FormatStatement(Statements::InsertAddrRows, {FormatList(Statements::AddrRow, chunk, Statements::Space)}));
    });
    m_stats.nodesNew += static_cast<int>(fresh.size());
    return true;
}

bool ResultTreeWriter::ReadLinksOf(const std::vector<uint32_t>& nodes,
                                   const std::function<void(const QStringList& link)>& read) {
    return ForEachChunk(nodes, m_db.Batches().ListValues(), [&](const std::vector<uint32_t>& chunk) {
        const auto rows = m_db.Rows(FormatStatement(Statements::LinksOfNodes, {FormatIdList(chunk)}), 3);
        if (!rows)
            return false;
        for (const QStringList& row : *rows)
            read(row);
        return true;
    });
}

bool ResultTreeWriter::ReadLinksOfExisting() {
    // A new node has a fresh id from the sequence: no link can name it yet. Nodes the other tree
    // read or made have their links known already.
    std::vector<uint32_t> existing;
    for (int item : m_preorder)
        if (m_tree.nodes[item].itemData != 0 && !m_nodes[item].isNew && !m_known.KnowsLinks(m_nodes[item].id))
            existing.push_back(m_nodes[item].id);
    std::sort(existing.begin(), existing.end());
    existing.erase(std::unique(existing.begin(), existing.end()), existing.end());
    for (uint32_t node : existing)
        m_known.Links(node); // known once read, also without a link
    return ReadLinksOf(existing, [&](const QStringList& link) { m_known.Links(link[0].toUInt()).insert(link[1]); });
}

bool ResultTreeWriter::ReadLinksOfOldAddresses() {
    // Those of every entry whose item links anew (a new node, or one not yet linked to its number):
    // the ones replaced are among them.
    std::vector<uint32_t> addresses;
    for (int item : m_preorder) {
        if (m_tree.nodes[item].itemData == 0)
            continue;
        const AddressEntry& entry = m_entries.at(m_tree.nodes[item].itemData - 1);
        if (m_nodes[item].isNew || !m_known.Links(m_nodes[item].id).count(QString::fromStdU16String(entry.oldId)))
            addresses.push_back(entry.stdAddrId);
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    for (uint32_t address : addresses)
        m_oldLinks[address]; // read now, also without a link
    return ReadLinksOf(addresses, [&](const QStringList& link) {
        m_oldLinks[link[0].toUInt()].emplace_back(link[1], link[2].toInt());
    });
}

void ResultTreeWriter::QueueLinks(const std::vector<std::vector<SqlArg>>& rows) {
    ForEachSlice(rows, m_db.Batches().InsertRows(3, 3), [&](const std::vector<std::vector<SqlArg>>& chunk) {
        m_db.Queue(FormatStatement(Statements::InsertLinkRows, {FormatList(Statements::LinkRow, chunk, Statements::Space)}));
    });
}

void ResultTreeWriter::WriteLinks() {
    std::vector<int> linking;
    for (int item : m_preorder)
        if (m_tree.nodes[item].itemData != 0)
            linking.push_back(item);
    if (linking.empty())
        return;

    const int refflag = m_kind == Kind::Dp ? 1 : 0;
    std::vector<std::vector<SqlArg>> rows;
    for (int item : linking) {
        const uint32_t id = m_nodes[item].id;
        const AddressEntry& entry = m_entries.at(m_tree.nodes[item].itemData - 1);
        const QString oldId = QString::fromStdU16String(entry.oldId);
        // Already linked to this number: nothing is written, and in the address tree nothing is
        // replaced.
        if (!m_known.Links(id).insert(oldId).second)
            continue;
        rows.push_back({id, SqlText::Quote(oldId), refflag});
        // A node of the tree that is also an address it replaces keeps this link on the way.
        if (const auto old = m_oldLinks.find(id); old != m_oldLinks.end())
            old->second.emplace_back(oldId, refflag);
        if (FinishJournal* journal = m_db.Journal())
            journal->NoteNewLink(id, oldId, refflag);
        if (m_kind == Kind::Address)
            m_replacements.emplace_back(id, entry.stdAddrId);
    }
    QueueLinks(rows);
    m_stats.linksNew += static_cast<int>(rows.size());
}

bool ResultTreeWriter::ReplaceOldAddresses() {
    // Each old address is replaced once, by the first node that stands for it.
    std::vector<std::pair<uint32_t, uint32_t>> replacements;
    std::set<uint32_t> seen;
    for (const auto& replacement : m_replacements)
        if (seen.insert(replacement.second).second)
            replacements.push_back(replacement);
    if (replacements.empty())
        return true;
    std::vector<uint32_t> oldNodes;
    for (const auto& replacement : replacements)
        oldNodes.push_back(replacement.second);

    // Every other link of an old address moves to its new node before the address goes, so no
    // telephone number or DP loses its address; a number the new node already has is not doubled.
    std::vector<std::vector<SqlArg>> carried;
    for (const auto& [newNode, oldNode] : replacements) {
        auto& links = m_oldLinks[oldNode];
        std::sort(links.begin(), links.end());
        for (const auto& [oldId, refflag] : links)
            if (m_known.Links(newNode).insert(oldId).second) {
                carried.push_back({newNode, SqlText::Quote(oldId), refflag});
                if (FinishJournal* journal = m_db.Journal())
                    journal->NoteNewLink(newNode, oldId, refflag);
            }
    }
    QueueLinks(carried);
    // The journal keeps each old address whole, with all its links, before they go.
    if (FinishJournal* journal = m_db.Journal(); journal && !journal->RecordReplaced(oldNodes))
        return false;
    ForEachSlice(oldNodes, m_db.Batches().ListValues(), [&](const std::vector<uint32_t>& chunk) {
        m_db.Queue(FormatStatement(Statements::DeleteAddrs, {FormatIdList(chunk)}));
    });
    ForEachSlice(oldNodes, m_db.Batches().ListValues(), [&](const std::vector<uint32_t>& chunk) {
        m_db.Queue(FormatStatement(Statements::DeleteLinksOf, {FormatIdList(chunk)}));
    });
    m_stats.linksCarried += static_cast<int>(carried.size());
    m_stats.replaced += static_cast<int>(oldNodes.size());
    return true;
}
