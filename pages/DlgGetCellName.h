// Page 1 of the wizard: the operator types the name of the cell (the residential compound). Leaving
// forward stores the name in WizardData for every later page and asks before going on when some
// node of that name already has an inner address tree below it.
#pragma once

#include "wizard/ResourceIds.h"
#include "wizard/WizardPageDialog.h"

#include <QLineEdit>

class DlgGetCellName : public WizardPageDialog {
    Q_OBJECT
public:
    explicit DlgGetCellName(QWidget* parent = nullptr);

    // True while the cell-name edit holds at least one character.
    bool CanGoNext() override;
    // Stores the cell name (before the check, so also when the operator then stays), then asks when
    // an inner tree exists; false when the operator answers No.
    bool OnLeaveForward() override;

    // The number of nodes of grade above 7 whose parent bears exactly this name (ExistingInnerTree).
    static int CountInnerNodes(const QString& cellName);

    QLineEdit& CellNameEdit() { return m_editCellName; }

    static constexpr int CellNameEditId = CellNameControl::NameEdit;

protected:
    bool OnInitDialog() override;

private:
    QLineEdit m_editCellName;
};
