// A path found again by its names, every level in one statement: for each grade from the first
// asked, the nodes that bear the grade's name (an empty name: none, stored as null) below any node
// found for the grade above, the first grade's below a given parent. The walk a level at a time
// (FindPathNode) then reads from the rows: the nodes of a grade below one chosen parent are those
// that statement would have found, in id order.
//
//   AddressPathByNames walk(names, 1, 0);   // names[g] for grade g, from grade 1 below the top
//   read each row of walk.Statement() into walk.Add(grade, id, parentId);
//   walk.Below(2, cityId);                  // the grade-2 nodes of that name below the city
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

class AddressPathByNames {
public:
    static constexpr int LastGrade = 7;
    using Names = std::array<QString, LastGrade + 1>; // index g for grade g; 0 is not used

    // Grades `from` to LastGrade, the first below `parentId` (0: the top of the tree).
    AddressPathByNames(const Names& names, int from, uint32_t parentId);

    // The parent of every grade known beforehand (parents[g - 1] for grade g, as a path read from
    // its last level upwards gives them): each grade is then looked up below its own parent alone,
    // without the selects of the grades above it. Below(g, parents[g - 1]) reads the same.
    void SetKnownParents(const std::array<uint32_t, LastGrade>& parents) { m_knownParents = parents; }

    QString Statement() const;
    // One row of the statement: its grade, id and parent id.
    void Add(int grade, uint32_t id, uint32_t parentId);

    // The nodes of `grade` with its name directly below `parentId`, smallest id first.
    std::vector<uint32_t> Below(int grade, uint32_t parentId) const;

private:
    Names m_names;
    int m_from;
    uint32_t m_parentId;
    std::optional<std::array<uint32_t, LastGrade>> m_knownParents;
    std::map<std::pair<int, uint32_t>, std::vector<uint32_t>> m_children; // (grade, parent) -> ids
};
