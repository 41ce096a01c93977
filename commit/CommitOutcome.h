// What a Finish did, or in a dry run would do, as plain data for the wizard and the commands.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Rows the commit wrote. In a dry run every step runs inside one transaction that is rolled back,
// so the counts are those a real Finish would write at that moment.
struct CommitStats {
    int nodesNew = 0;     // addr rows inserted: missing levels of the cell's path and inner nodes
    int linksNew = 0;     // addr_ref rows inserted for the leaves of the two trees
    int moved = 0;        // standard addresses of the cell's DPs moved below inner nodes
    int replaced = 0;     // unlinked standard addresses replaced by inner nodes (deleted)
    int linksCarried = 0; // further links of the replaced addresses carried over to their new nodes
    int pathNodesNew = 0; // of nodesNew: the levels of the cell's own path that did not exist
    // Standard addresses that another Finish moved or replaced after this one read them (page 5's
    // entries, the addresses of the cell's DPs): left alone, as if this Finish had come after.
    int skipped = 0;

    bool operator==(const CommitStats&) const = default;
};

enum class CommitMode {
    Write,  // the path in a short transaction of its own, then the trees in one transaction
    DryRun, // path and trees in one transaction, rolled back at the end: nothing is written
};

// How database failures reach the operator: the database layer's error box (the wizard), or only
// the outcome's failure text (commands without a window).
enum class CommitReporting { ErrorBox, Quiet };

struct CommitOutcome {
    // Write: the transaction was committed. DryRun: every step ran (and was rolled back).
    bool ok = false;
    CommitStats stats;
    // The cell node's id in decimal, "0" when the cell's path could not be found or made. In a dry
    // run where the cell is missing it is the id it was given inside the rolled-back transaction.
    QString resultId = QStringLiteral("0");
    // When not ok: the database's own description of the failure (empty when none was given).
    QString failure;
    // The addr rows the commit inserted or renamed, whether or not their transaction was committed
    // (a run over many compounds reads their names again).
    std::vector<uint32_t> addressesWritten;
};
