// The data every page of the wizard can reach: one instance, the host's m_wizardData; each page
// holds the pointer m_pWizardData to it. Pages read and assign the fields directly.
#pragma once

#include <QString>

class WizardData {
public:
    // The cell name exactly as typed on page 1 (stored when page 1 is left forward, before its
    // existence check). Pages 2 to 6 compare it on every entry with the name they last built for.
    QString m_strCellName;
};
