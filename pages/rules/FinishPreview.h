// What Finish would write now, from a dry run of the whole commit (rolled back, so nothing is
// written), and how many loaded addresses no pattern matched, which Finish leaves out. The last
// page shows it; the decompose command's dry run gives the same counts.
#pragma once

#include "commit/CommitOutcome.h"
#include "commit/InnerTreeCommit.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <vector>

class FinishPreview {
public:
    // One split page as Finish reads it: its entries and the tree built from them.
    struct SplitPage {
        const std::vector<AddressEntry>& entries;
        const ResultTree& tree;
    };

    // Runs the commit in its dry-run mode on g_pDatabase, quietly: a failure is in the outcome.
    static FinishPreview Compute(const CellPathNames& path, const SplitPage& dp, const SplitPage& addr);

    CommitOutcome outcome;
    int unmatched = 0;     // loaded addresses of both pages that no pattern matched
    int unmatchedDp = 0;   // of them, page 3's (the DP addresses)
    int unmatchedAddr = 0; // of them, page 5's (the addresses without a DP)
    MergedForms merged;    // written forms that canonical names merged into nodes, both trees together
};
