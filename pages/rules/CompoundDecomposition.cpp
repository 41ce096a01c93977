#include "pages/rules/CompoundDecomposition.h"

#include "pages/rules/AddressEntryLoader.h"
#include "pages/rules/CellPathCandidates.h"
#include "pages/rules/CompoundLocator.h"
#include "pages/rules/CompoundReference.h"
#include "pages/rules/CompoundSearchCache.h"
#include "pages/rules/ErrorBoxCapture.h"
#include "pages/rules/ExistingInnerTree.h"
#include "pages/rules/SqliteRunSync.h"
#include "commit/FinishJournal.h"
#include "commit/InnerTreeCommit.h"
#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"
#include "splitting/ResultTree.h"

#include <QStringList>

namespace {

// A split page's figures and tree: the entries split by the rows as the page splits them.
struct SplitPageResult {
    std::vector<AddressEntry> entries;
    SplitPatternSet set; // the rows the page split with (given or suggested)
    std::vector<LevelNames> names;
    ResultTree tree;
    int matched = 0;
};

// `rows` are the given rows, or with `suggest` become those suggested for the entries.
SplitPageResult SplitPage(std::vector<AddressEntry> entries, const QString& cellName,
                          std::vector<NamedPatternRow>& rows, bool suggest) {
    SplitPageResult result;
    result.entries = std::move(entries);
    if (suggest)
        rows = SuggestNamedPatterns(result.entries);
    // A page starts with one empty row.
    result.set = BuildPatternSet(rows.empty() ? std::vector<PatternRow>(1) : LevelTextsOf(rows));
    result.names = NamesOf(rows);
    result.tree = BuildResultTree(cellName.toStdU16String(), result.entries, result.set, result.names);
    result.matched = static_cast<int>(result.entries.size() - result.tree.unmatchedEntries);
    return result;
}

// The names a run's compounds are searched by: a name as given (the compounds it stands for begin
// with it), a path's last level, an id's node's own name (read here; an id that names no node adds
// nothing, and its compound is searched by the database).
std::vector<QString> RunNames(const std::vector<CompoundReference>& run) {
    std::vector<QString> names;
    for (const CompoundReference& compound : run) {
        if (compound.GetKind() != CompoundReference::Kind::Id) {
            names.push_back(compound.Name());
            continue;
        }
        const RowSource rows = g_pDatabase->RunQuery(FormatStatement(Statements::NodeById, {compound.Id()}), 1);
        if (!rows)
            continue;
        CADORecordset reading(rows);
        try {
            QString name;
            if (!reading.AtEnd() && reading.ReadColumn(0, name, u""))
                names.push_back(name);
        } catch (const ComError&) {
        }
    }
    return names;
}

} // namespace

CompoundDecomposition::CompoundDecomposition(Options options, Scope scope, std::vector<CompoundReference> run)
    : m_options(std::move(options)), m_scope(scope), m_run(std::move(run)) {}

CompoundDecomposition::~CompoundDecomposition() = default;

QString CompoundDecomposition::StatusText(const Outcome& outcome) {
    switch (outcome.status) {
    case Status::Written:
        if (outcome.skipped > 0) // the figures leave them out
            return QStringLiteral("written, %1 skipped: changed by another commit meanwhile").arg(outcome.skipped);
        return QStringLiteral("written");
    case Status::DryRun:
        return QStringLiteral("dry-run");
    case Status::SkippedExisting:
        return QStringLiteral("skipped-existing");
    case Status::NotFound:
        return QStringLiteral("not-found");
    case Status::Ambiguous: {
        QStringList ids;
        for (const uint32_t id : outcome.candidates)
            ids.append(QString::number(id));
        return QStringLiteral("ambiguous: ") + ids.join(u',');
    }
    case Status::Failed:
        break;
    }
    return QStringLiteral("failed: ") + outcome.message;
}

CompoundDecomposition::Outcome CompoundDecomposition::Run(const CompoundReference& compound) const {
    return Finish(Locate(compound));
}

CompoundDecomposition::Located CompoundDecomposition::Locate(const CompoundReference& compound) const {
    Located located;
    ErrorBoxCapture errors;
    // Page 2, without an operator to choose: the compound's one existing path, with the levels
    // given instead.
    located.location = CompoundLocator::Locate(compound, m_options.pathLevels);
    const CompoundLocator::Location& location = located.location;
    if (location.status == CompoundLocator::Status::Found)
        located.searchedName = location.path[CellPathCandidates::CellGrade];
    else if (compound.GetKind() != CompoundReference::Kind::Id)
        located.searchedName = compound.Name();
    Outcome outcome;
    switch (location.status) {
    case CompoundLocator::Status::Found:
        return located;
    case CompoundLocator::Status::NotFound:
        outcome.status = Status::NotFound;
        break;
    case CompoundLocator::Status::Ambiguous:
        outcome.status = Status::Ambiguous;
        outcome.candidates = location.candidates;
        break;
    case CompoundLocator::Status::Failed:
        outcome.status = Status::Failed;
        outcome.message = errors.FirstMessage();
        if (outcome.message.isEmpty())
            outcome.message = location.message;
        break;
    }
    located.ended = std::move(outcome);
    return located;
}

CompoundDecomposition::Outcome CompoundDecomposition::Finish(const Located& located) const {
    if (located.ended)
        return *located.ended;
    Outcome outcome;
    ErrorBoxCapture errors;
    auto failed = [&]() -> Outcome& {
        outcome.status = Status::Failed;
        outcome.message = errors.FirstMessage();
        return outcome;
    };
    const CompoundLocator::Location& location = located.location;
    const CellPathCandidates::PathNames& path = location.path;
    const QString& cellName = path[CellPathCandidates::CellGrade];

    // Page 1's question, about this compound: an inner tree below its node.
    const int innerNodes = location.cellId != 0 ? ExistingInnerTree::CountInnerNodesBelow(location.cellId) : 0;
    if (errors.Any())
        return failed();
    if (innerNodes != 0 && !m_options.continueExisting) {
        outcome.status = Status::SkippedExisting;
        return outcome;
    }

    // Pages 3 to 6: both address sets split and made into trees.
    if (m_scope == Scope::ManyCompounds && !m_searchChecked) {
        m_searchChecked = true;
        if (CompoundSearchCache::Suits())
            m_search = std::make_unique<CompoundSearchCache>(RunNames(m_run));
    }
    // The empty name, which every text holds, is left to the database.
    CompoundSearchCache* search = cellName.isEmpty() ? nullptr : m_search.get();
    using Source = AddressEntryLoader::Source;
    outcome.dpRows = m_options.dpRows;
    outcome.addrRows = m_options.addrRows;
    // A cell name the run's names do not cover is searched by the database.
    std::optional<std::vector<AddressEntry>> dpFound = search ? search->DpEntries(cellName) : std::nullopt;
    const SplitPageResult dp =
        SplitPage(dpFound ? std::move(*dpFound) : AddressEntryLoader::Load(Source::DpAddresses, cellName), cellName,
                  outcome.dpRows, m_options.suggestDpRows);
    std::optional<std::vector<AddressEntry>> addrFound = search ? search->UnlinkedEntries(cellName) : std::nullopt;
    const SplitPageResult addr =
        SplitPage(addrFound ? std::move(*addrFound) : AddressEntryLoader::Load(Source::UnlinkedAddresses, cellName),
                  cellName, outcome.addrRows, m_options.suggestAddrRows);
    const MergedForms dpMerged = dp.tree.Merged();
    const MergedForms addrMerged = addr.tree.Merged();
    outcome.merged = {dpMerged.forms + addrMerged.forms, dpMerged.nodes + addrMerged.nodes};
    outcome.dpLoaded = static_cast<int>(dp.entries.size());
    outcome.dpMatched = dp.matched;
    outcome.addrLoaded = static_cast<int>(addr.entries.size());
    outcome.addrMatched = addr.matched;
    if (errors.Any())
        return failed();

    // Finish, or all of it rolled back.
    if (m_scope == Scope::ManyCompounds && !m_options.dryRun && !m_sync)
        m_sync = std::make_unique<SqliteRunSync>();
    CellPathNames names;
    for (int grade = 1; grade <= CellPathCandidates::CellGrade; ++grade)
        names[grade - 1] = path[grade];
    InnerTreeCommit commit(std::move(names), dp.tree, dp.entries, addr.tree, addr.entries);
    commit.SetPatternText(JournalPatternText(outcome.dpRows, outcome.addrRows)); // with names, auto ones too
    if (location.cellId != 0)
        commit.SetFoundCell(location.cellId, location.cellParentId);
    if (m_scope == Scope::ManyCompounds && !m_options.dryRun) {
        if (!m_journalPresent)
            m_journalPresent = FinishJournal::Present();
        commit.SetJournalPresent(*m_journalPresent);
    }
    // Entries another compound's commit changed since they were loaded: the tree as page 6 would
    // build it from the rest.
    commit.SetAddressTreeBuilder([&addr](std::u16string_view cell, const std::vector<AddressEntry>& entries) {
        return BuildResultTree(cell, entries, addr.set, addr.names);
    });
    const CommitOutcome committed =
        commit.Run(m_options.dryRun ? CommitMode::DryRun : CommitMode::Write, CommitReporting::Quiet);
    if (search && !m_options.dryRun)
        search->Reread(committed.addressesWritten);
    outcome.resultId = committed.resultId;
    outcome.nodesNew = committed.stats.nodesNew;
    outcome.linksNew = committed.stats.linksNew;
    outcome.moved = committed.stats.moved;
    outcome.replaced = committed.stats.replaced;
    outcome.skipped = committed.stats.skipped;
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
