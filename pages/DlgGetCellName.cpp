#include "pages/DlgGetCellName.h"

#include "pages/rules/ExistingInnerTree.h"
#include "platform/ui/MessageBoxService.h"
#include "wizard/WizardData.h"

DlgGetCellName::DlgGetCellName(QWidget* parent) : WizardPageDialog(TemplateId::CellName, parent) {
    m_pFocusCtrl = &m_editCellName;
}

bool DlgGetCellName::OnInitDialog() {
    WizardPageDialog::OnInitDialog();
    SubclassControl(CellNameEditId, &m_editCellName);
    // Every change, typed or set, decides whether Next may be pressed.
    connect(&m_editCellName, &QLineEdit::textChanged, this, [this] { EnableNext(CanGoNext()); });
    m_editCellName.setFocus();
    return true;
}

bool DlgGetCellName::CanGoNext() {
    return !m_editCellName.text().isEmpty();
}

bool DlgGetCellName::OnLeaveForward() {
    const QString cellName = m_editCellName.text();
    if (m_pWizardData)
        m_pWizardData->m_strCellName = cellName;
    if (CountInnerNodes(cellName) == 0)
        return true;
    // The name goes into the question as it is, never through a format of its own.
    QString question = QStringLiteral("发现") + cellName + QStringLiteral("的内部地址树存在，仍要继续？");
    // Where the journal knows who wrote the tree and when, the operator sees it below the question.
    const QString madeBy = ExistingInnerTree::MadeBy(cellName);
    if (!madeBy.isEmpty())
        question += QStringLiteral("\n（由 ") + madeBy + QStringLiteral(" 写入）");
    return MessageBoxService::Show(this, question, QStringLiteral("提示"), MB_YESNO) != IDNO;
}

int DlgGetCellName::CountInnerNodes(const QString& cellName) {
    return ExistingInnerTree::CountInnerNodes(cellName);
}
