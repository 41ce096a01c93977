#include "DlgGetCellName.h"

#include "CADORecordset.h"
#include "MessageBoxService.h"
#include "SqlStatement.h"
#include "Statements.h"
#include "WizardData.h"
#include "automation/ComError.h"

DlgGetCellName::DlgGetCellName(QWidget* parent) : WizardPageDialog(101, parent) {
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
    const QString question =
        QStringLiteral("发现") + cellName + QStringLiteral("的内部地址树存在，仍要继续？");
    return MessageBoxService::Show(this, question, QStringLiteral("提示"), MB_YESNO) != IDNO;
}

int DlgGetCellName::CountInnerNodes(const QString& cellName) {
    if (!g_pDatabase)
        return 0;
    const RowSource rows =
        g_pDatabase->RunQuery(FormatStatement(Statements::CountInnerNodes, {SqlText::Quote(cellName)}));
    if (!rows)
        return 0; // the failed statement has been reported; reading the empty result would report again
    CADORecordset reading(rows);
    int count = 0;
    try {
        reading.ReadColumn(0, count, 0);
        reading.CloseQuery();
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
        return 0;
    }
    return count;
}
