// Page 2's data: the address paths above every grade-7 node whose name begins with the cell name,
// as an indented outline (for orientation only), and the names it proposes for the path down to
// the cell: city, district, town, road, street, number and the cell itself.
#pragma once

#include "database/AddressGrade.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class CADORecordset;

class CellPathCandidates {
public:
    // One line of the outline: a node on a candidate path, listed directly below its parent.
    struct Item {
        uint32_t id = 0;
        QString label; // the node's name, or "<未知级>" for a node without one
        int level = 0; // 0 for the city to 5 for the number: the image index and the indentation step
    };

    // The names of the seven levels, index g for grade g (index 0 is not used).
    using PathNames = std::array<QString, 8>;

    // The six nodes above a cell, index g for grade g (1 the city to 6 the number; 0 is not used).
    struct Path {
        std::array<uint32_t, 7> ids{};
        std::array<QString, 7> names; // empty for a node without a name
    };
    // Reads the path from the top of the tree down to `numberId`, the parent of a grade-7 node:
    // `path` stays empty unless it has exactly six nodes (the rule that makes a candidate path).
    // False when reading failed (the database layer has reported it).
    static bool ReadPath(uint32_t numberId, std::optional<Path>& path);

    // Lists the paths above the nodes of grade 7 whose names begin with `cellName` and proposes
    // their names. Every build starts a new outline; the proposed names of grades the build does not
    // name stay from the builds before. The first failure ends the build, keeping what was read.
    void Build(const QString& cellName);

    // The outline, top to bottom: a node reached by several paths is listed once, each new one
    // directly below its parent's line, before the siblings found earlier.
    const std::vector<Item>& Items() const { return m_items; }
    // The index of the first line whose node is `id`, or -1.
    int FindItem(uint32_t id) const;

    // The names last proposed for grades 1 to 6: of each grade the last named node newly listed, and
    // for the city, when no path has named it, the first top-level node.
    const PathNames& LevelNames() const { return m_levelNames; }
    // The path the page proposes: the names of grades 1 to 6 and, as grade 7, the cell name.
    PathNames ProposedPath(const QString& cellName) const;

    // The level names by grade: "", 市, 区, 镇, 路, 街, 号, "".
    static const std::array<QString, 8>& GradeNames();

    static constexpr int CellGrade = 7;
    static constexpr int PathLength = 6; // city, district, town, road, street, number

private:
    void AddCandidatePaths(CADORecordset& reading, const QString& cellName);
    void ReadTopNodeName(CADORecordset& reading);
    // Adds the path from the top of the tree down to `nodeId` when it has exactly six nodes. False
    // when reading failed (the database layer has reported it).
    bool AddAddressPath(uint32_t nodeId);
    void AddPath(const Path& path);

    std::vector<Item> m_items;
    PathNames m_levelNames;
};
