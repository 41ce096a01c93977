// One compound taken through the wizard's data rules without a window: its one existing path (see
// CompoundLocator; single levels may be given instead), the page-1 check for an inner tree below
// it, the DP addresses of page 3
// and the unlinked addresses of page 5 split by the given pattern rows, the result trees of pages 4
// and 6, and Finish's commit.
#pragma once

#include "pages/rules/CompoundLocator.h"
#include "pages/rules/CompoundReference.h"
#include "splitting/LevelNames.h"
#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CompoundSearchCache;
class SqliteRunSync;

class CompoundDecomposition {
public:
    struct Options {
        // Texts that replace the names of the compound's path, by grade (2 to 6 are taken).
        std::array<std::optional<QString>, 8> pathLevels;
        // The rows of the two pattern lists, with their names; none means the single empty row a
        // page starts with.
        std::vector<NamedPatternRow> dpRows;
        std::vector<NamedPatternRow> addrRows;
        // Instead of those rows: each compound's rows suggested, with names, from its own loaded
        // texts (the pages' 建议模式).
        bool suggestDpRows = false;
        bool suggestAddrRows = false;
        // A compound with an inner tree already: go on (the page-1 question answered Yes) or leave
        // it alone.
        bool continueExisting = false;
        // Run the whole commit and roll it back: every figure as if written, nothing written.
        bool dryRun = false;
    };

    enum class Status { Written, DryRun, SkippedExisting, NotFound, Ambiguous, Failed };

    struct Outcome {
        Status status = Status::Failed;
        int dpLoaded = 0;
        int dpMatched = 0; // entries some pattern matched completely
        int addrLoaded = 0;
        int addrMatched = 0;
        int nodesNew = 0;
        int linksNew = 0;
        int moved = 0;
        int replaced = 0;
        // The rows each list was split with (the given ones, or those suggested for the compound).
        std::vector<NamedPatternRow> dpRows;
        std::vector<NamedPatternRow> addrRows;
        // How many written forms canonical names merged into how many nodes, both trees together.
        MergedForms merged;
        int skipped = 0;  // addresses another compound's commit changed after they were loaded
        QString resultId; // the cell node's id; empty when the commit did not run
        QString message;  // the database's message of a failure
        std::vector<uint32_t> candidates; // Ambiguous: one node a candidate path (CompoundLocator)
    };

    // A run over one compound, or over many one after the other on the same connection: then, on
    // SQLite, the texts pages 3 and 5 search are read once for the run (see CompoundSearchCache).
    enum class Scope { OneCompound, ManyCompounds };
    // From this many compounds on, reading the searched texts once costs less than the searches it
    // saves (both grow with the size of the tables).
    static constexpr qsizetype ManyCompoundsFrom = 8;

    // `run`: the compounds a run over many will be given, whose names its searches keep rows for.
    explicit CompoundDecomposition(Options options, Scope scope = Scope::OneCompound,
                                   std::vector<CompoundReference> run = {});
    ~CompoundDecomposition();

    // Takes one compound through every step on g_pDatabase. A compound that no standard address
    // path leads to is not found, one that is not on exactly one path is ambiguous, and nothing is
    // written for either. A database failure before the commit ends the compound as failed with
    // nothing written. The same as Finish(Locate(compound)).
    Outcome Run(const CompoundReference& compound) const;

    // The first step alone, which reads and writes nothing of the compound's own: where it lies,
    // and, when that already ends it (not found, ambiguous, failed), its outcome. Runs over several
    // connections use it to learn which compounds must take turns before any is written.
    struct Located {
        CompoundLocator::Location location;
        std::optional<Outcome> ended;
        // The name the pages search for (like '%name%'): the compound's, or the name the reference
        // gives when it was not found; none for an id that leads nowhere.
        std::optional<QString> searchedName;
    };
    Located Locate(const CompoundReference& compound) const;
    // Every later step: page 1's question, pages 3 to 6 and the commit.
    Outcome Finish(const Located& located) const;

    // The status as the decompose command prints it.
    static QString StatusText(const Outcome& outcome);

private:
    Options m_options;
    Scope m_scope;
    std::vector<CompoundReference> m_run;
    // Made at the first compound of a run over many; the searches' state, not the run's result.
    mutable std::unique_ptr<CompoundSearchCache> m_search;
    mutable bool m_searchChecked = false;
    // A run over many compounds that writes: on SQLite in WAL mode, synced at checkpoints and at
    // its end (the object's end), not at every commit.
    mutable std::unique_ptr<SqliteRunSync> m_sync;
    // Whether the database has a journal, asked once for a run of many compounds.
    mutable std::optional<bool> m_journalPresent;
};
