#include "pages/rules/CompoundDecomposition.h"

#include "pages/rules/AddressEntryLoader.h"
#include "pages/rules/CellPathCandidates.h"
#include "pages/rules/CompoundSearchCache.h"
#include "pages/rules/ErrorBoxCapture.h"
#include "pages/rules/ExistingInnerTree.h"
#include "commit/InnerTreeCommit.h"
#include "splitting/ResultTree.h"

namespace {

// A split page's figures and tree: the entries split by the rows as the page splits them.
struct SplitPageResult {
    std::vector<AddressEntry> entries;
    ResultTree tree;
    int matched = 0;
};

SplitPageResult SplitPage(std::vector<AddressEntry> entries, const QString& cellName,
                          const std::vector<PatternRow>& rows) {
    SplitPageResult result;
    result.entries = std::move(entries);
    // A page starts with one empty row.
    const SplitPatternSet set = BuildPatternSet(rows.empty() ? std::vector<PatternRow>(1) : rows);
    result.tree = BuildResultTree(cellName.toStdU16String(), result.entries, set);
    result.matched = static_cast<int>(result.entries.size() - result.tree.unmatchedEntries);
    return result;
}

} // namespace

CompoundDecomposition::CompoundDecomposition(Options options, Scope scope)
    : m_options(std::move(options)), m_scope(scope) {}

CompoundDecomposition::~CompoundDecomposition() = default;

QString CompoundDecomposition::StatusText(const Outcome& outcome) {
    switch (outcome.status) {
    case Status::Written:
        return QStringLiteral("written");
    case Status::DryRun:
        return QStringLiteral("dry-run");
    case Status::SkippedExisting:
        return QStringLiteral("skipped-existing");
    case Status::NotFound:
        return QStringLiteral("not-found");
    case Status::Failed:
        break;
    }
    return QStringLiteral("failed: ") + outcome.message;
}

CompoundDecomposition::Outcome CompoundDecomposition::Run(const QString& cellName) const {
    Outcome outcome;
    ErrorBoxCapture errors;
    auto failed = [&]() -> Outcome& {
        outcome.status = Status::Failed;
        outcome.message = errors.FirstMessage();
        return outcome;
    };

    // Page 1: an inner tree below a node of this name is the operator's question.
    const int innerNodes = ExistingInnerTree::CountInnerNodes(cellName);
    if (errors.Any())
        return failed();
    if (innerNodes != 0 && !m_options.continueExisting) {
        outcome.status = Status::SkippedExisting;
        return outcome;
    }

    // Page 2: the first candidate path, as the page proposes it, with the levels given instead.
    CellPathCandidates candidates;
    candidates.Build(cellName);
    if (errors.Any())
        return failed();
    if (candidates.Items().empty()) {
        outcome.status = Status::NotFound;
        return outcome;
    }
    CellPathCandidates::PathNames path = candidates.ProposedPath(cellName);
    for (int grade = 2; grade <= CellPathCandidates::PathLength; ++grade) {
        if (m_options.pathLevels[grade])
            path[grade] = *m_options.pathLevels[grade];
    }

    // Pages 3 to 6: both address sets split and made into trees.
    if (m_scope == Scope::ManyCompounds && !m_searchChecked) {
        m_searchChecked = true;
        if (CompoundSearchCache::Suits())
            m_search = std::make_unique<CompoundSearchCache>();
    }
    // The empty name, which every text holds, is left to the database.
    CompoundSearchCache* search = cellName.isEmpty() ? nullptr : m_search.get();
    using Source = AddressEntryLoader::Source;
    const SplitPageResult dp =
        SplitPage(search ? search->DpEntries(cellName) : AddressEntryLoader::Load(Source::DpAddresses, cellName),
                  cellName, m_options.dpRows);
    const SplitPageResult addr = SplitPage(search ? search->UnlinkedEntries(cellName)
                                                  : AddressEntryLoader::Load(Source::UnlinkedAddresses, cellName),
                                           cellName, m_options.addrRows);
    outcome.dpLoaded = static_cast<int>(dp.entries.size());
    outcome.dpMatched = dp.matched;
    outcome.addrLoaded = static_cast<int>(addr.entries.size());
    outcome.addrMatched = addr.matched;
    if (errors.Any())
        return failed();

    // Finish, or all of it rolled back.
    CellPathNames names;
    for (int grade = 1; grade <= CellPathCandidates::CellGrade; ++grade)
        names[grade - 1] = path[grade];
    InnerTreeCommit commit(std::move(names), dp.tree, dp.entries, addr.tree, addr.entries);
    commit.SetPatternText(JournalPatternText(WithoutNames(m_options.dpRows), WithoutNames(m_options.addrRows)));
    const CommitOutcome committed =
        commit.Run(m_options.dryRun ? CommitMode::DryRun : CommitMode::Write, CommitReporting::Quiet);
    if (search && !m_options.dryRun)
        search->Reread(committed.addressesWritten);
    outcome.resultId = committed.resultId;
    outcome.nodesNew = committed.stats.nodesNew;
    outcome.linksNew = committed.stats.linksNew;
    outcome.moved = committed.stats.moved;
    outcome.replaced = committed.stats.replaced;
    if (!committed.ok) {
        failed();
        if (!committed.failure.isEmpty())
            outcome.message = committed.failure;
        else if (outcome.message.isEmpty())
            outcome.message = QStringLiteral("the commit was rolled back");
        return outcome;
    }
    outcome.status = m_options.dryRun ? Status::DryRun : Status::Written;
    return outcome;
}
