#include "pages/DlgVerifyCell.h"

#include "pages/IndentedItemDelegate.h"
#include "wizard/ResourceIds.h"
#include "wizard/WizardData.h"
#include "wizard/WizardResources.h"

#include <QLabel>

namespace {
constexpr int CellGrade = CellPathCandidates::CellGrade;
constexpr int LevelImagesBitmapId = BitmapId::LevelImages;
constexpr int IndentUnitsPerLevel = 2;
} // namespace

DlgVerifyCell::DlgVerifyCell(QWidget* parent) : WizardPageDialog(TemplateId::CellPath, parent) {
    m_pFocusCtrl = &m_comboCandidates;
}

const std::array<QString, 8>& DlgVerifyCell::GradeNames() {
    return CellPathCandidates::GradeNames();
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

    // Under the edits: the word that no path of this name exists, so Finish will make the one the
    // edits show. Shown only then.
    const QRect alias = m_editLevels[CellGrade].geometry();
    const QRect combo = m_comboCandidates.geometry();
    m_labelNoPath = new QLabel(this);
    m_labelNoPath->setProperty("controlId", NoPathLabelId);
    m_labelNoPath->setWordWrap(true);
    m_labelNoPath->setText(NoPathText());
    m_labelNoPath->setGeometry(combo.x(), alias.bottom() + alias.height() / 2, combo.width(), 3 * alias.height());
    m_labelNoPath->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelNoPath->hide();
    // A wider window gives the names more room.
    Anchor(&m_comboCandidates, {0, 0, 1, 0});
    for (int grade = 1; grade <= CellGrade; ++grade)
        Anchor(&m_editLevels[grade], {0, 0, 1, 0});
    Anchor(m_labelNoPath, {0, 0, 1, 0});
    return true;
}

QString DlgVerifyCell::NoPathText() {
    return QStringLiteral("未找到此名称的已有小区地址路径。完成时将按上面各级新建这条路径，"
                          "请核对各级名称。");
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
    m_candidates.Build(m_lastCellName);
    m_comboCandidates.clear();
    for (const CellPathCandidates::Item& item : m_candidates.Items()) {
        const int position = m_comboCandidates.count();
        const QIcon icon = item.level < m_images.size() ? QIcon(m_images[item.level]) : QIcon();
        m_comboCandidates.insertItem(position, icon, item.label, QVariant::fromValue(uint(item.id)));
        m_comboCandidates.setItemData(position, IndentUnitsPerLevel * item.level, IndentedItemDelegate::IndentRole);
        m_comboCandidates.setItemData(position, item.level, ImageRole);
    }
    if (m_labelNoPath)
        m_labelNoPath->setVisible(m_candidates.Items().empty());
    const CellPathCandidates::PathNames path = m_candidates.ProposedPath(m_lastCellName);
    for (int grade = 1; grade <= CellGrade; ++grade)
        m_editLevels[grade].setText(path[grade]);
}
