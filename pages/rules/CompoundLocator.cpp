#include "pages/rules/CompoundLocator.h"

#include "pages/rules/CompoundReference.h"
#include "database/AddressPathByNames.h"
#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"

#include <map>

namespace {

using Location = CompoundLocator::Location;
using Status = CompoundLocator::Status;
using Path = CellPathCandidates::Path;
constexpr int CompoundGrade = CellPathCandidates::CellGrade;

Location WithStatus(Status status, QString message = {}) {
    Location location;
    location.status = status;
    location.message = std::move(message);
    return location;
}

Location Ambiguous(std::vector<uint32_t> candidates) {
    Location location = WithStatus(Status::Ambiguous);
    location.candidates = std::move(candidates);
    return location;
}

Location FoundAt(const Path& path, const QString& compoundName) {
    Location location = WithStatus(Status::Found);
    for (int grade = 1; grade <= CellPathCandidates::PathLength; ++grade)
        location.path[grade] = path.names[grade];
    location.path[CompoundGrade] = compoundName;
    location.pathIds = path.ids;
    return location;
}

// Reads the rows of `statement` with `row` (which reads the columns); false when the statement or
// a value failed (the database layer has reported it).
template <typename RowReader>
bool ReadRows(const QString& statement, RowReader row) {
    CADORecordset reading(g_pDatabase);
    const bool read = reading.ReadEachRow(statement, [&] { row(reading); });
    return read && reading.GetLastErrorCode() == 0;
}

// The outcome of finding a path again by its names, as the commit finds it.
struct Walk {
    bool failed = false;
    int missing = CompoundGrade + 1;  // the first grade not found
    std::vector<uint32_t> sharedName; // the nodes of one parent that bear a level's name, when several
};

// Looks the levels of `names` up from grade `from` down, ids[g - 1] being the parent of grade g: the
// level-by-level walk the commit makes, read from one statement. With the ids of a path read from a
// node (`known`), each level is looked up below that path's own node: where a level's name is
// unique below it the walk goes on to that node, so the walk reads the same.
Walk FindByNames(const CellPathCandidates::PathNames& names, int from, std::array<uint32_t, 8>& ids,
                 const std::array<uint32_t, 7>* known = nullptr) {
    Walk walk;
    AddressPathByNames byNames(names, from, ids[from - 1]);
    if (known)
        byNames.SetKnownParents(*known);
    if (!ReadRows(byNames.Statement(), [&](CADORecordset& reading) {
            int grade = 0;
            uint32_t id = 0;
            uint32_t parentId = 0;
            reading.ReadColumn(0, grade, 0);
            reading.ReadColumn(1, id, 0u);
            reading.ReadColumn(2, parentId, 0u);
            byNames.Add(grade, id, parentId);
        })) {
        walk.failed = true;
        return walk;
    }
    for (int grade = from; grade <= CompoundGrade; ++grade) {
        std::vector<uint32_t> found = byNames.Below(grade, ids[grade - 1]);
        if (found.empty()) {
            walk.missing = grade;
            return walk;
        }
        if (found.size() > 1) {
            walk.sharedName = std::move(found);
            return walk;
        }
        ids[grade] = found.front();
    }
    return walk;
}

} // namespace

Location CompoundLocator::Locate(const CompoundReference& reference, const LevelTexts& levels) {
    if (!g_pDatabase)
        return WithStatus(Status::Failed, QStringLiteral("no database"));
    Location location = BasePath(reference);
    if (location.status == Status::NotFound && reference.GetKind() == CompoundReference::Kind::Name)
        return NewPath(reference.Name(), levels);
    if (location.status != Status::Found)
        return location;

    // The path must lead to the same nodes when the commit finds it again by its names.
    std::array<uint32_t, 8> ids{};
    const bool fromNode = location.pathIds[CellPathCandidates::PathLength] != 0;
    Walk walk = FindByNames(location.path, 1, ids, fromNode ? &location.pathIds : nullptr);
    if (walk.failed)
        return WithStatus(Status::Failed);
    if (!walk.sharedName.empty())
        return Ambiguous(std::move(walk.sharedName));
    if (walk.missing < CompoundGrade)
        return WithStatus(Status::NotFound);

    // Levels given instead: from the first that changes, the path is what they name.
    int changedFrom = 0;
    for (int grade = CellPathCandidates::PathLength; grade >= 2; --grade) {
        if (levels[grade] && *levels[grade] != location.path[grade]) {
            location.path[grade] = *levels[grade];
            changedFrom = grade;
        }
    }
    if (changedFrom != 0) {
        walk = FindByNames(location.path, changedFrom, ids);
        if (walk.failed)
            return WithStatus(Status::Failed);
        if (!walk.sharedName.empty())
            return Ambiguous(std::move(walk.sharedName));
    }
    location.cellId = walk.missing > CompoundGrade ? ids[CompoundGrade] : 0;
    location.cellParentId = location.cellId != 0 ? ids[CompoundGrade - 1] : 0;
    return location;
}

Location CompoundLocator::NewPath(const QString& name, const LevelTexts& levels) {
    // Without an operator a path is made only where every level was given: the wizard's page 2
    // then holds the first top-level node as the city and the typed levels, and Finish makes what
    // is missing of them.
    for (int grade = 2; grade <= CellPathCandidates::PathLength; ++grade) {
        if (!levels[grade])
            return WithStatus(Status::NotFound);
    }
    Location location = WithStatus(Status::Found);
    if (!ReadRows(QString::fromUtf16(Statements::TopNodeName), [&](CADORecordset& reading) {
            if (location.path[1].isEmpty())
                reading.ReadColumn(0, location.path[1], nullptr);
        }))
        return WithStatus(Status::Failed);
    for (int grade = 2; grade <= CellPathCandidates::PathLength; ++grade)
        location.path[grade] = *levels[grade];
    location.path[CompoundGrade] = name;

    // Part of it, or all, may exist already; a level two nodes of one parent share is not guessed.
    std::array<uint32_t, 8> ids{};
    const Walk walk = FindByNames(location.path, 1, ids);
    if (walk.failed)
        return WithStatus(Status::Failed);
    if (!walk.sharedName.empty())
        return Ambiguous(walk.sharedName);
    location.cellId = walk.missing > CompoundGrade ? ids[CompoundGrade] : 0;
    location.cellParentId = location.cellId != 0 ? ids[CompoundGrade - 1] : 0;
    return location;
}

Location CompoundLocator::BasePath(const CompoundReference& reference) {
    switch (reference.GetKind()) {
    case CompoundReference::Kind::Name:
        return PathOfName(reference.Name());
    case CompoundReference::Kind::Id:
        return PathOfId(reference.Id());
    case CompoundReference::Kind::Path:
        break;
    }
    Location location = WithStatus(Status::Found);
    location.path = reference.PathNames();
    return location;
}

Location CompoundLocator::PathOfName(const QString& name) {
    struct Node {
        uint32_t id = 0;
        QString name;
        uint32_t parentId = 0;
    };
    // Page 2's candidates, smallest id first; the name matches literally.
    std::vector<Node> nodes;
    if (!ReadRows(FormatStatement(Statements::CompoundsNamedLike, {SqlText::LikeLiteral(name), CompoundGrade}),
                  [&](CADORecordset& reading) {
                      Node& node = nodes.emplace_back();
                      reading.ReadColumn(0, node.id, 0u);
                      reading.ReadColumn(1, node.name, nullptr);
                      reading.ReadColumn(2, node.parentId, 0u);
                  }))
        return WithStatus(Status::Failed);

    std::map<uint32_t, std::optional<Path>> paths; // by the number node, each read once
    for (const bool exactOnly : {true, false}) {
        std::vector<uint32_t> candidates; // the first node of each path
        const Path* chosen = nullptr;
        std::map<uint32_t, bool> seen;
        for (const Node& node : nodes) {
            if ((exactOnly && node.name != name) || !seen.emplace(node.parentId, true).second)
                continue;
            auto known = paths.find(node.parentId);
            if (known == paths.end()) {
                std::optional<Path> path;
                if (!CellPathCandidates::ReadPath(node.parentId, path))
                    return WithStatus(Status::Failed);
                known = paths.emplace(node.parentId, std::move(path)).first;
            }
            if (!known->second)
                continue; // not below a full path
            candidates.push_back(node.id);
            if (!chosen)
                chosen = &*known->second;
        }
        if (candidates.size() > 1)
            return Ambiguous(std::move(candidates));
        if (chosen)
            return FoundAt(*chosen, name);
    }
    return WithStatus(Status::NotFound);
}

Location CompoundLocator::PathOfId(uint32_t id) {
    QString name;
    int grade = 0;
    uint32_t parentId = 0;
    bool exists = false;
    if (!ReadRows(FormatStatement(Statements::NodeById, {id}), [&](CADORecordset& reading) {
            reading.ReadColumn(0, name, nullptr);
            reading.ReadColumn(1, grade, 0);
            reading.ReadColumn(2, parentId, 0u);
            exists = true;
        }))
        return WithStatus(Status::Failed);
    if (!exists)
        return WithStatus(Status::NotFound);
    if (grade != CompoundGrade)
        return WithStatus(Status::Failed, QStringLiteral("#%1 is no compound: its grade is %2").arg(id).arg(grade));
    if (name.isEmpty())
        return WithStatus(Status::Failed, QStringLiteral("#%1 has no name").arg(id));
    std::optional<Path> path;
    if (!CellPathCandidates::ReadPath(parentId, path))
        return WithStatus(Status::Failed);
    if (!path)
        return WithStatus(Status::NotFound);
    return FoundAt(*path, name);
}
