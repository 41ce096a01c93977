// The journal of one Finish: what it changed, recorded in the Finish's own transaction so that a
// crash keeps both or neither, enough for `tessel undo` to put every row back. The steps of the
// commit tell it what they do: rows about to change (moves, replacements) are copied before the
// statement that changes them, new nodes and their links once they are written, and the run's row
// last. Set-wise: a statement per batch of ids, as the commit's own.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/CommitStatements.h"
#include "commit/JournalIdentity.h"
#include "commit/StandardAddressLocks.h"
#include "database/AddressMove.h"

#include <QString>

#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

class FinishJournal {
public:
    FinishJournal(CommitStatements& statements, JournalIdentity identity);

    // Whether the database has a journal (one look-up, quiet: no box when it has none). Run it
    // outside a transaction: a failed statement ends a PostgreSQL transaction.
    static bool Present();

    // Nodes the Finish inserted (the path's levels included), and links it inserted.
    void NoteNewNodes(const std::vector<uint32_t>& ids);
    void NoteNewLink(uint32_t node, const QString& oldId, int refflag);
    // Before the statement that moves them / deletes them and their links. False after a failure.
    // Moves: each as it will be and as it was under the lock (`locked` holds every moved address).
    bool RecordMoves(const std::vector<AddressMove>& moves, const StandardAddressLocks::Locked& locked);
    // Makes the moves recorded, in one statement. False after a failure.
    void MoveRecorded();
    bool RecordReplaced(const std::vector<uint32_t>& addresses);
    // The new nodes, the new links and the run's own row, when the Finish changed anything.
    bool Close(uint32_t cellId, const QString& cellName, const QString& patterns, const CommitStats& stats);

    // The run's number, 0 until one was drawn.
    uint32_t Run() const { return m_run; }

private:
    bool DrawRun();

    CommitStatements& m_db;
    JournalIdentity m_identity;
    uint32_t m_run = 0;
    bool m_moved = false; // moves were recorded
    std::set<uint32_t> m_newNodes;
    std::vector<std::tuple<uint32_t, QString, int>> m_newLinks;
};
