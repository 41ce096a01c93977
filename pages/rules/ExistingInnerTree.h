// The page-1 question: does an inner address tree already hang below some node of this name? And,
// where a compound's node is known, below that node.
#pragma once

#include <QString>

#include <cstdint>

class ExistingInnerTree {
public:
    // The number of nodes of grade above 7 whose parent bears exactly this name; 0 when the count
    // cannot be read (the database layer has reported why).
    static int CountInnerNodes(const QString& cellName);
    // The number of nodes of grade above 7 right below the node `cellId`; 0 as above.
    static int CountInnerNodesBelow(uint32_t cellId);
    // Who made it and when, from the journal's latest run kept for this name: "root@host，
    // 2026-03-01 13:45:00 (UTC)"; empty when the database has no journal or it knows no such run
    // (no box either way).
    static QString MadeBy(const QString& cellName);

private:
    static int Count(const QString& statement);
};
