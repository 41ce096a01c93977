// The two split pages (3 and 5) in a window that serves them as the wizard host does, without the
// rest of the wizard: its separator text is page 3's (page 5 asks its parent window for it), and a
// page is entered as the host enters it after Next. Shown on construction, offscreen.
#pragma once

#include "pages/DlgGetAddrSeparator.h"
#include "pages/DlgGetAddrSeparator2.h"
#include "wizard/WizardData.h"

#include <QString>
#include <QWidget>

#include <string>

class SplitPagesHost : public QWidget {
    Q_OBJECT
public:
    SplitPagesHost();

    Q_INVOKABLE std::u16string GetSeparatorText() const { return m_dp.SeparatorText(); }

    // Makes the window the active one; false when it did not become active.
    [[nodiscard]] bool Activate();
    // Hides both pages and enters `page` for the cell, as the host does after Next.
    void Enter(WizardPageDialog& page, const QString& cellName);

    DlgGetAddrSeparator& Dp() { return m_dp; }
    DlgGetAddrSeparator2& Addr() { return m_addr; }

private:
    WizardData m_data;
    DlgGetAddrSeparator m_dp;
    DlgGetAddrSeparator2 m_addr;
};
