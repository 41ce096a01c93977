// Moves the standard addresses whose telephone numbers hang on a DP linked anywhere in the cell's
// subtree below the node linked to that DP, with the trailing ASCII run of their name as the new
// name. Set-wise: the subtree's links in one statement, the addresses of all their DPs in a few,
// the moves in batches. Each address moves once: the first link of the subtree (in the order the
// database gives them) that reaches it takes it.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/CommitStatements.h"

#include <cstdint>

class LinkedAddressMover {
public:
    LinkedAddressMover(CommitStatements& statements, CommitStats& stats) : m_db(statements), m_stats(stats) {}

    // False after a statement failed (the layer has reported it).
    bool Move(uint32_t cellId);

private:
    CommitStatements& m_db;
    CommitStats& m_stats;
};
