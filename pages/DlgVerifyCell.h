// Page 2 of the wizard: finds the cell among the standard addresses, shows the address paths above
// the nodes of that name as an indented outline (for orientation only), and proposes the path down to
// the cell in seven level edits: city, district, town, road, street, number and the cell itself. The
// operator may correct the five middle levels; the commit reads all seven at Finish.
#pragma once

#include "pages/rules/CellPathCandidates.h"
#include "wizard/ResourceIds.h"
#include "wizard/WizardPageDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPixmap>

#include <array>
#include <cstdint>

class QLabel;

class DlgVerifyCell : public WizardPageDialog {
    Q_OBJECT
public:
    explicit DlgVerifyCell(QWidget* parent = nullptr);

    // Looks the cell up again when the cell name has changed since the last build, then enters.
    bool OnEnterPage() override;
    bool OnLeaveForward() override;

    // Copies the texts of the level edits of grades 1 to 7 into names[1] to names[7] (names[0] is
    // left alone).
    void ReadCellPath(std::array<QString, 8>& names) const;

    // Fills the candidate list with the paths above every grade-7 node whose name begins with the
    // cell name, and the level edits with the proposed path (CellPathCandidates decides both).
    void FindCandidateCells();
    // The index of the first item whose data is `id`, or -1.
    int FindItemByData(uint32_t id) const;

    // The level names by grade: "", 市, 区, 镇, 路, 街, 号, "".
    static const std::array<QString, 8>& GradeNames();

    // Item data of the candidate list: the node id (uint) and the image index (int); the indentation
    // is IndentedItemDelegate::IndentRole.
    static constexpr int NodeIdRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 2;

    static constexpr int CandidateComboId = CellPathControl::CandidateCombo;
    static constexpr int FirstLevelEditId = CellPathControl::LevelEditBeforeGrade1; // grade g: + g

    // Said under the edits when no path of the cell's name exists (Finish then makes one).
    static QString NoPathText();
    static constexpr int NoPathLabelId = CellPathControl::NoPathNote;

    QComboBox& CandidateCombo() { return m_comboCandidates; }
    QLineEdit& LevelEdit(int grade) { return m_editLevels[grade]; }
    const QString& LastCellName() const { return m_lastCellName; }
    const std::array<QString, 8>& LevelNames() const { return m_candidates.LevelNames(); }

protected:
    bool OnInitDialog() override;

private:
    QComboBox m_comboCandidates;
    // Index g (1 to 7) is the edit of grade g; index 0 is not used.
    std::array<QLineEdit, 8> m_editLevels;
    // The candidate paths and the names last proposed for grades 1 to 6, which survive from one
    // build to the next.
    CellPathCandidates m_candidates;
    // The level images: image i stands for grade i + 1.
    QList<QPixmap> m_images;
    // The cell name of the last build; empty until the first entry.
    QString m_lastCellName;
    QLabel* m_labelNoPath = nullptr;
};
