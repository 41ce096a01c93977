#include "DlgVerifyCell.h"

#include "CADORecordset.h"
#include "IndentedItemDelegate.h"
#include "SqlStatement.h"
#include "Statements.h"
#include "WizardData.h"
#include "WizardResources.h"
#include "automation/ComError.h"

namespace {
constexpr int CellGrade = 7;
constexpr int PathLength = 6; // city, district, town, road, street, number
constexpr int LevelImagesBitmapId = 5003;
constexpr int IndentUnitsPerLevel = 2;

// Both counted readings of this page: a client-side dynamic read-only cursor.
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

DlgVerifyCell::DlgVerifyCell(QWidget* parent) : WizardPageDialog(5001, parent) {
    m_pFocusCtrl = &m_comboCandidates;
}

const std::array<QString, 8>& DlgVerifyCell::GradeNames() {
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

bool DlgVerifyCell::OnInitDialog() {
    WizardPageDialog::OnInitDialog();
    // A drop-down whose items stay where they are inserted; typing into it adds nothing.
    m_comboCandidates.setEditable(true);
    m_comboCandidates.setInsertPolicy(QComboBox::NoInsert);
    m_comboCandidates.setMaxVisibleItems(20);
    m_comboCandidates.setIconSize(QSize(16, 16));
    m_comboCandidates.setItemDelegate(new IndentedItemDelegate(&m_comboCandidates));
    SubclassControl(CandidateComboId, &m_comboCandidates);
    for (int grade = 1; grade <= CellGrade; ++grade)
        SubclassControl(FirstLevelEditId + grade, &m_editLevels[grade]);
    m_images = WizardResources::LoadImageList(LevelImagesBitmapId, 16, qRgb(255, 255, 255));
    return true;
}

bool DlgVerifyCell::OnEnterPage() {
    if (m_pWizardData && m_lastCellName != m_pWizardData->m_strCellName) {
        m_lastCellName = m_pWizardData->m_strCellName;
        FindCandidateCells();
    }
    return WizardPageDialog::OnEnterPage();
}

bool DlgVerifyCell::OnLeaveForward() {
    return true;
}

void DlgVerifyCell::ReadCellPath(std::array<QString, 8>& names) const {
    for (int grade = 1; grade <= CellGrade; ++grade)
        names[grade] = m_editLevels[grade].text();
}

int DlgVerifyCell::FindItemByData(uint32_t id) const {
    for (int i = 0; i < m_comboCandidates.count(); ++i) {
        const QVariant itemId = m_comboCandidates.itemData(i, NodeIdRole);
        if (itemId.isValid() && itemId.toUInt() == id)
            return i;
    }
    return -1;
}

void DlgVerifyCell::FindCandidateCells() {
    // The list belongs to one cell name: the old paths go even when the new ones cannot be read.
    m_comboCandidates.clear();
    if (g_pDatabase) {
        CADORecordset reading(g_pDatabase);
        SetCountedReadingOptions(reading);
        AddCandidatePaths(reading);
        // The city: the first top-level node, unless a path has named it already.
        if (m_levelNames[1].isEmpty())
            ReadTopNodeName(reading);
    }
    for (int grade = 1; grade <= PathLength; ++grade)
        m_editLevels[grade].setText(m_levelNames[grade]);
    m_editLevels[CellGrade].setText(m_lastCellName);
}

void DlgVerifyCell::AddCandidatePaths(CADORecordset& reading) {
    // The cell name matches literally at the start of a node's name: quotes, % and _ in it are the
    // name's own characters.
    if (!reading.OpenQuery(FormatStatement(Statements::CandidateCellParents,
                                           {SqlText::LikeLiteral(m_lastCellName), CellGrade})))
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

void DlgVerifyCell::ReadTopNodeName(CADORecordset& reading) {
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

bool DlgVerifyCell::AddAddressPath(uint32_t nodeId) {
    CADORecordset reading(g_pDatabase);
    SetCountedReadingOptions(reading);
    if (!reading.OpenQuery(FormatStatement(Statements::AddressPathUp, {nodeId})))
        return false;
    try {
        // Only a number-level node, below city, district, town, road and street, makes a path.
        if (reading.CountRows() != PathLength) {
            reading.CloseQuery();
            return true;
        }
        for (int i = 0; i < PathLength; ++i) {
            const int grade = i + 1;
            uint32_t id = 0;
            uint32_t parentId = 0;
            QString name;
            reading.ReadColumn(0, id, 0u);
            reading.ReadColumn(1, name, nullptr);
            reading.ReadColumn(2, parentId, 0u);
            if (FetchFailed(reading))
                return false;
            if (FindItemByData(id) < 0) {
                // Directly below the parent's item; the root, whose parent is not listed, goes first.
                const int position = FindItemByData(parentId) + 1;
                QString label;
                if (name.isEmpty()) {
                    label = QStringLiteral("<未知") + GradeNames()[grade] + QStringLiteral(">");
                } else {
                    label = name;
                    m_levelNames[grade] = name;
                }
                const QIcon icon = i < m_images.size() ? QIcon(m_images[i]) : QIcon();
                m_comboCandidates.insertItem(position, icon, label, QVariant::fromValue(uint(id)));
                m_comboCandidates.setItemData(position, IndentUnitsPerLevel * i,
                                              IndentedItemDelegate::IndentRole);
                m_comboCandidates.setItemData(position, i, ImageRole);
            }
            reading.Next();
        }
        reading.CloseQuery();
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
        return false;
    }
    return true;
}
