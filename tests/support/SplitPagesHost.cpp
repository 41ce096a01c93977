#include "tests/support/SplitPagesHost.h"

#include <QTest>

SplitPagesHost::SplitPagesHost() {
    resize(740, 520);
    for (WizardPageDialog* page : {static_cast<WizardPageDialog*>(&m_dp), static_cast<WizardPageDialog*>(&m_addr)}) {
        page->Create(this);
        page->setGeometry(0, 5, width(), height() - 60);
        page->m_pWizardData = &m_data;
    }
    m_dp.SetNextPage(&m_addr);
    show();
}

bool SplitPagesHost::Activate() {
    activateWindow();
    return QTest::qWaitForWindowActive(this);
}

void SplitPagesHost::Enter(WizardPageDialog& page, const QString& cellName) {
    m_dp.hide();
    m_addr.hide();
    m_data.m_strCellName = cellName;
    page.OnEnterPage();
}
