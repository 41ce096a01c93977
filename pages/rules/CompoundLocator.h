// Where a compound named without an operator lies: exactly one existing path, or why not. Nothing
// is guessed: a name whose candidates (page 2's, see CellPathCandidates) lie on more than one path
// is ambiguous, and so is a level that two nodes of one parent share by name, since a path is found
// again by its names when it is written.
//
// - A name: the grade-7 nodes whose names begin with it and that stand below a full path (page 2's
//   rule). When some of them bear exactly the name, only those count: a compound is not made
//   ambiguous by another whose name merely begins with its own (明月公寓, 明月公寓二期).
// - An id: that node, which must be a compound (grade 7, with a name) below a full path.
// - A path: the six levels must exist as written, each found by its name below the one before.
// Levels given in place of the found ones (by grade, 2 to 6) then change single grades of that one
// path; what they name need not exist (the commit makes it, as after an operator's correction).
// A name found nowhere is placed only when all of grades 2 to 6 are given: below the first
// top-level node as the city, as the wizard proposes, with the commit making what is missing.
#pragma once

#include "pages/rules/CellPathCandidates.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class CompoundReference;

class CompoundLocator {
public:
    enum class Status { Found, NotFound, Ambiguous, Failed };

    struct Location {
        Status status = Status::Failed;
        // Found: the names of grades 1 to 7 as the commit takes them.
        CellPathCandidates::PathNames path;
        // Found: the compound's node when it exists already below that path, else 0.
        uint32_t cellId = 0;
        uint32_t cellParentId = 0; // the node cellId was found below
        // Found from a node: the ids of the path's grades 1 to 6 (index g for grade g), else 0.
        std::array<uint32_t, 7> pathIds{};
        // Ambiguous: one node id a candidate path, smallest first (a compound of a name; the nodes
        // that share a level's name).
        std::vector<uint32_t> candidates;
        // Failed: why, when the database did not say it (a reading that failed has shown its error).
        QString message;
    };

    using LevelTexts = std::array<std::optional<QString>, 8>;

    // Locates the compound on g_pDatabase; `levels` (by grade, 2 to 6 are taken) replace the names
    // of the path found.
    static Location Locate(const CompoundReference& reference, const LevelTexts& levels = {});

private:
    static Location BasePath(const CompoundReference& reference);
    static Location PathOfName(const QString& name);
    static Location PathOfId(uint32_t id);
    // A name found nowhere: the path the levels name, when all of grades 2 to 6 are given.
    static Location NewPath(const QString& name, const LevelTexts& levels);
};
