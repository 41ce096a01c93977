// Locks the standard addresses a Finish may change outside its own cell's subtree (those it may
// move, those it may replace) and reads them as they are under the lock. Another cell's Finish may
// have moved or replaced them since they were read; under the lock nobody else can, so what is
// decided from this reading holds until the commit. All in id order, in few statements, so that
// two Finishes that want some of the same rows take them in the same order and never deadlock.
// SQLite's transaction holds the whole database already; the reading still sees what changed
// since the pages loaded their entries.
#pragma once

#include "commit/CommitStatements.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class StandardAddressLocks {
public:
    struct Row {
        QString name;
        int grade = 0;
        uint32_t parent = 0;
    };
    // Address id -> the row under the lock; an address that is gone is not there.
    using Locked = std::map<uint32_t, Row>;

    // Nothing after a statement failed (the layer has reported it).
    static std::optional<Locked> Lock(CommitStatements& db, std::vector<uint32_t> ids);
};
