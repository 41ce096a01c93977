#include "pages/rules/FinishPreview.h"

FinishPreview FinishPreview::Compute(const CellPathNames& path, const SplitPage& dp, const SplitPage& addr) {
    FinishPreview preview;
    preview.unmatchedDp = static_cast<int>(dp.tree.unmatchedEntries);
    preview.unmatchedAddr = static_cast<int>(addr.tree.unmatchedEntries);
    preview.unmatched = preview.unmatchedDp + preview.unmatchedAddr;
    const MergedForms dpMerged = dp.tree.Merged();
    const MergedForms addrMerged = addr.tree.Merged();
    preview.merged = {dpMerged.forms + addrMerged.forms, dpMerged.nodes + addrMerged.nodes};
    InnerTreeCommit commit(path, dp.tree, dp.entries, addr.tree, addr.entries);
    preview.outcome = commit.Run(CommitMode::DryRun, CommitReporting::Quiet);
    return preview;
}
