// Takes one journaled Finish back (tessel undo): in one transaction, under the locks Finish takes
// (the parent of the highest path level the run made, the cell's row, the addresses it moved),
// addr and addr_ref get back exactly the rows they held before the run: its links and nodes go,
// the addresses it moved get their old name, grade and parent, the addresses it replaced come
// back whole with all their links and their own ids. Sequences are not rewound.
//
// It refuses, changing nothing, when later work depends on the run: a node the run made that has
// changed or has children or links the run did not make, a link it made that is gone, an address
// it moved that changed since, an id it deleted that is in use again, a run already taken back.
// The refusal names the first such row and, where the journal knows it, the later run to take
// back first.
#pragma once

#include "commit/JournalIdentity.h"

#include <QString>

#include <cstdint>

struct UndoOutcome {
    enum class Result { Undone, Checked, Refused, NoJournal, Failed };
    Result result = Result::Failed;
    // One line: what was done or would be done, or why not.
    QString message;
    // Rows of the run's journal: nodes made, links made, addresses moved, addresses replaced and
    // their links.
    long long nodes = 0, links = 0, moved = 0, replaced = 0, replacedLinks = 0;
};

class JournalUndo {
public:
    JournalUndo(uint32_t run, JournalIdentity identity) : m_run(run), m_identity(std::move(identity)) {}

    // dryRun: every check and count, then a rollback. Database failures are quiet (the outcome
    // carries the database's words).
    UndoOutcome Run(bool dryRun);

private:
    uint32_t m_run;
    JournalIdentity m_identity;
};
