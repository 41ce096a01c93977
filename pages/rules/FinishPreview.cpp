#include "pages/rules/FinishPreview.h"

FinishPreview FinishPreview::Compute(const CellPathNames& path, const SplitPage& dp, const SplitPage& addr) {
    FinishPreview preview;
    preview.unmatchedDp = static_cast<int>(dp.tree.unmatchedEntries);
    preview.unmatchedAddr = static_cast<int>(addr.tree.unmatchedEntries);
    preview.unmatched = preview.unmatchedDp + preview.unmatchedAddr;
    InnerTreeCommit commit(path, dp.tree, dp.entries, addr.tree, addr.entries);
    preview.outcome = commit.Run(CommitMode::DryRun, CommitReporting::Quiet);
    return preview;
}
