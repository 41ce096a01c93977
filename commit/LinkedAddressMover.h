// Moves the standard addresses whose telephone numbers hang on a DP linked anywhere in the cell's
// subtree below the node linked to that DP, with the trailing ASCII run of their name as the new
// name. Set-wise: the subtree's links in one statement, the addresses of all their DPs in a few,
// the moves in batches. Each address moves once: the first link of the subtree (in the order the
// database gives them) that reaches it takes it.
//
// Other cells' Finishes may move or replace the same addresses (their DPs can be this cell's too):
// Read finds the addresses, the caller locks them (StandardAddressLocks), and Move takes only those
// still standard addresses under the lock. On SQLite the transaction holds the whole database from
// its start, so what Read found is what a lock would read.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/CommitStatements.h"
#include "commit/KnownInnerNodes.h"
#include "commit/StandardAddressLocks.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class LinkedAddressMover {
public:
    LinkedAddressMover(CommitStatements& statements, CommitStats& stats) : m_db(statements), m_stats(stats) {}

    // Reads the subtree's links and the addresses of their DPs. False after a statement failed
    // (the layer has reported it).
    bool Read(uint32_t cellId);
    // The addresses found, to be locked.
    std::vector<uint32_t> Addresses() const;
    // The addresses as Read found them, for a database whose transaction locked them all already.
    StandardAddressLocks::Locked AsRead() const;
    // Moves what is still a standard address (grade below 8) under the lock; what another Finish
    // moved or deleted meanwhile counts as skipped. Each move is told to `known`. False after a
    // statement failed.
    bool Move(const StandardAddressLocks::Locked& locked, KnownInnerNodes& known);

private:
    CommitStatements& m_db;
    CommitStats& m_stats;
    std::vector<QStringList> m_links; // node id, grade, DP number
    // DP number -> the standard addresses (grades 1 to 7) linked to its telephone numbers.
    std::map<QString, std::vector<std::pair<uint32_t, StandardAddressLocks::Row>>> m_addressesOfDp;
};
