// Finish: makes sure the cell's path exists, writes the two result trees below the cell node as
// inner levels (grades 8 to 12), links their leaves to the DP numbers and telephone numbers they
// stand for, moves the standard addresses of the cell's DPs below the matching inner nodes and
// replaces the cell's unlinked standard addresses by inner nodes, all but the path in one
// transaction on g_pDatabase. Plain data in, statements out; no window involved.
//
// Several operators may finish at once on one server. Writers of one cell are serialised by the
// database's own locks: the trees' transaction first locks the cell's row (SQLite: its write lock
// is taken when the transaction begins), the path step locks the parent of the first missing level
// in a short transaction of its own, and every look-up that decides an insert runs under the lock.
// Cells whose names contain each other (明月公寓, 明月公寓二期) share standard addresses: page 5 of
// both loads them, and the DPs of one are the DPs of the other. Those rows are locked too before
// anything is decided about them, and page 5's entries, loaded before any lock, are checked again
// under it: an address another Finish has moved or replaced since is left alone (counted as
// skipped), and the address tree is built again from the entries that remain, as the page would
// build it now. Finishes that overlap therefore leave what the same Finishes leave one after another.
//
// Errors: see README.md in this folder.
#pragma once

#include "commit/CommitOutcome.h"
#include "splitting/LevelNames.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

class CommitStatements;

// The names of the cell's path, grades 1 (city) to 7 (the cell), as the verification page holds
// them; an empty name stands for a level without a name.
using CellPathNames = std::array<QString, 7>;

class InnerTreeCommit {
public:
    // The trees and entry lists are read, not copied: they must outlive the commit object.
    InnerTreeCommit(CellPathNames cellPath, const ResultTree& dpTree,
                    const std::vector<AddressEntry>& dpEntries, const ResultTree& addrTree,
                    const std::vector<AddressEntry>& addrEntries);

    // The pattern rows the trees were cut with, as the journal records them (JournalPatternText).
    void SetPatternText(QString patterns) { m_patternText = std::move(patterns); }
    // How the address page builds its tree from entries (the cell name, as the tree's root has it):
    // used when some of its entries changed under another Finish. Without it such entries are
    // only left unlinked, while the nodes above them are still written.
    using TreeBuilder = std::function<ResultTree(std::u16string_view cellName, const std::vector<AddressEntry>&)>;
    void SetAddressTreeBuilder(TreeBuilder builder) { m_addrTreeBuilder = std::move(builder); }

    // The cell node as the caller found it by the path's names (its id and its parent's), so that
    // the first attempt need not look it up again: it is taken when, under its lock, it still has
    // the cell's name and parent; else it is looked up by the names.
    void SetFoundCell(uint32_t cellId, uint32_t parentId) { m_foundCell = {cellId, parentId}; }
    // Whether the database has a journal, when the caller knows it (a run of many compounds asks
    // once); else each Write run asks.
    void SetJournalPresent(bool present) { m_journalPresent = present; }

    // Finish in the wizard: Run(Write) with the error box; true when the transaction was committed.
    bool CommitInnerTree();
    // Runs every step in the given mode. A database failure is reported once (the layer's box, or
    // only the outcome's text when quiet) and ends in a rollback with an outcome that is not ok;
    // its counts are then the path nodes that stay (Write) or the steps that ran (DryRun).
    // Programming errors (std::logic_error and the like) are not caught: they leave after the
    // transaction was rolled back.
    CommitOutcome Run(CommitMode mode, CommitReporting reporting = CommitReporting::ErrorBox);
    // The cell node id in decimal, set by every run whatever its outcome ("0" when the cell's path
    // could not be found or made).
    const QString& ResultId() const { return m_strResultID; }

private:
    // Finds each level of the cell's path below the previous one and inserts what is missing; the
    // id of the cell node, or 0 after a failure. Write: outside the trees' transaction, in a short
    // locked one of its own when a level is missing; DryRun: inside the open transaction.
    uint32_t FindOrCreateCellPath(CommitStatements& db, bool ownTransaction, CommitStats& stats);
    // Looks the levels up from grade `from` down, ids[g - 1] being the parent of grade g; the first
    // grade not found (8 when all were), or 0 after a failure.
    int FindPath(CommitStatements& db, int from, std::array<uint32_t, 8>& ids) const;
    // Locks the parent of grade `from` (the table for grade 1), looks again from there and
    // inserts the levels still missing. False after a failure.
    bool CreatePath(CommitStatements& db, int from, std::array<uint32_t, 8>& ids, CommitStats& stats) const;
    // Locks the cell's row in the trees' transaction: false when the row is gone (taken back by an
    // undo since the path step found it), nothing after a failure.
    static std::optional<bool> LockCell(CommitStatements& db, uint32_t cellId);
    // The same for the cell the caller found: false also when it no longer has the path's name or
    // the parent it was found below.
    std::optional<bool> LockFoundCell(CommitStatements& db) const;
    // Writes below the locked cell.
    bool WriteTrees(CommitStatements& db, uint32_t cellId, CommitStats& stats) const;
    // The journal's rows of this Finish, last in the trees' transaction (when there is a journal).
    bool RecordJournal(CommitStatements& db, uint32_t cellId, const CommitStats& stats) const;
    // Page 5's entries that are still what the page loaded, by the page's own search limited to
    // them; the addresses of the others in `gone`. Nothing after a statement failed.
    std::optional<std::vector<AddressEntry>> CurrentAddressEntries(CommitStatements& db,
                                                                   std::vector<uint32_t>& gone) const;

    CellPathNames m_cellPath;
    const ResultTree& m_dpTree;
    const std::vector<AddressEntry>& m_dpEntries;
    const ResultTree& m_addrTree;
    const std::vector<AddressEntry>& m_addrEntries;
    QString m_strResultID = QStringLiteral("0");
    QString m_patternText;
    TreeBuilder m_addrTreeBuilder;
    std::optional<std::pair<uint32_t, uint32_t>> m_foundCell; // cell id, parent id
    std::optional<bool> m_journalPresent;
};

// The pattern rows of both split pages as one text for the journal: "dp: 栋/元/室=栋/单元/室 | ...;
// addr: ...", each row's level texts up to its first empty one, and its names after "=" when it has any.
QString JournalPatternText(const std::vector<NamedPatternRow>& dpRows, const std::vector<NamedPatternRow>& addrRows);
