#include "pages/rules/CellPathCandidates.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

namespace {

// Both counted readings: a client-side dynamic read-only cursor.
void SetCountedReadingOptions(CADORecordset& reading) {
    reading.m_cursorType = adOpenDynamic;
    reading.m_cursorLocation = adUseClient;
    reading.m_lockType = adLockReadOnly;
}

// A value that could not be fetched has been reported by the reading and read as 0 or "": the rows
// read after it would only report again, so the caller stops there.
bool FetchFailed(const CADORecordset& reading) {
    return reading.GetLastErrorCode() != 0;
}

} // namespace

const std::array<QString, 8>& CellPathCandidates::GradeNames() {
    static const std::array<QString, 8> names = {QString(),
                                                 QStringLiteral("市"),
                                                 QStringLiteral("区"),
                                                 QStringLiteral("镇"),
                                                 QStringLiteral("路"),
                                                 QStringLiteral("街"),
                                                 QStringLiteral("号"),
                                                 QString()};
    return names;
}

int CellPathCandidates::FindItem(uint32_t id) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

CellPathCandidates::PathNames CellPathCandidates::ProposedPath(const QString& cellName) const {
    PathNames path = m_levelNames;
    path[CellGrade] = cellName;
    return path;
}

void CellPathCandidates::Build(const QString& cellName) {
    // The outline belongs to one cell name: the old paths go even when the new ones cannot be read.
    m_items.clear();
    if (!g_pDatabase)
        return;
    CADORecordset reading(g_pDatabase);
    SetCountedReadingOptions(reading);
    AddCandidatePaths(reading, cellName);
    // The city: the first top-level node, unless a path has named it already.
    if (m_levelNames[1].isEmpty())
        ReadTopNodeName(reading);
}

void CellPathCandidates::AddCandidatePaths(CADORecordset& reading, const QString& cellName) {
    // The cell name matches literally at the start of a node's name: quotes, % and _ in it are the
    // name's own characters.
    if (!reading.OpenQuery(
            FormatStatement(Statements::CandidateCellParents, {SqlText::LikeLiteral(cellName), CellGrade})))
        return; // reported by the reading
    try {
        // The first failure ends the list: it has been reported, and the paths found so far stay.
        const uint32_t parents = reading.CountRows();
        for (uint32_t i = 0; i < parents; ++i) {
            uint32_t parentId = 0;
            reading.ReadColumn(0, parentId, 0u);
            if (FetchFailed(reading) || !AddAddressPath(parentId))
                break;
            reading.Next();
        }
        reading.CloseQuery();
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
    }
}

void CellPathCandidates::ReadTopNodeName(CADORecordset& reading) {
    if (!reading.OpenQuery(QString::fromUtf16(Statements::TopNodeName)))
        return; // reported by the reading; the city stays unknown
    try {
        // Without a top-level node the first row is missing: the reading reports it and the city
        // stays empty.
        reading.ReadColumn(0, m_levelNames[1], nullptr);
        reading.CloseQuery();
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
    }
}

bool CellPathCandidates::AddAddressPath(uint32_t nodeId) {
    std::optional<Path> path;
    if (!ReadPath(nodeId, path))
        return false;
    if (path)
        AddPath(*path);
    return true;
}

void CellPathCandidates::AddPath(const Path& path) {
    for (int grade = 1; grade <= PathLength; ++grade) {
        const uint32_t id = path.ids[grade];
        if (FindItem(id) >= 0)
            continue;
        // Directly below the parent's line; the root, whose parent is not listed, goes first.
        const int position = grade == 1 ? 0 : FindItem(path.ids[grade - 1]) + 1;
        const QString& name = path.names[grade];
        Item item{id, name, grade - 1};
        if (name.isEmpty())
            item.label = QStringLiteral("<未知") + GradeNames()[grade] + QStringLiteral(">");
        else
            m_levelNames[grade] = name;
        m_items.insert(m_items.begin() + position, std::move(item));
    }
}

bool CellPathCandidates::ReadPath(uint32_t numberId, std::optional<Path>& path) {
    path.reset();
    CADORecordset reading(g_pDatabase);
    SetCountedReadingOptions(reading);
    if (!reading.OpenQuery(FormatStatement(Statements::AddressPathUp, {numberId})))
        return false;
    try {
        // Only a number-level node, below city, district, town, road and street, makes a path.
        if (reading.CountRows() != PathLength) {
            reading.CloseQuery();
            return true;
        }
        Path read;
        for (int grade = 1; grade <= PathLength; ++grade) {
            reading.ReadColumn(0, read.ids[grade], 0u);
            reading.ReadColumn(1, read.names[grade], nullptr);
            if (FetchFailed(reading))
                return false;
            reading.Next();
        }
        reading.CloseQuery();
        path = std::move(read);
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
        return false;
    }
    return true;
}
