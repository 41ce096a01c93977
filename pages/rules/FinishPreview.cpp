#include "pages/rules/FinishPreview.h"

FinishPreview FinishPreview::Compute(const CellPathNames& path, const SplitPage& dp, const SplitPage& addr) {
    FinishPreview preview;
    preview.unmatched = static_cast<int>(dp.tree.unmatchedEntries + addr.tree.unmatchedEntries);
    InnerTreeCommit commit(path, dp.tree, dp.entries, addr.tree, addr.entries);
    preview.outcome = commit.Run(CommitMode::DryRun, CommitReporting::Quiet);
    return preview;
}
