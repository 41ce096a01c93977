// The wizard (the host with its six pages) with its pages, its data and its buttons in a test's
// reach, and what an operator does to it: show it, click Next or Back, type into an edit.
//
//   WizardUnderTest wizard;
//   ASSERT_TRUE(wizard.ShowActive());
//   Type(wizard.CellNamePage().CellNameEdit(), u"阳光小区"_s);
//   wizard.ClickNext();
#pragma once

#include "wizard/DlgRun.h"

#include <QLineEdit>
#include <QPushButton>
#include <QString>

class WizardUnderTest : public DlgRun {
public:
    DlgGetCellName& CellNamePage() { return m_pageCellName; }
    DlgVerifyCell& VerifyPage() { return m_pageVerifyCell; }
    DlgGetAddrSeparator& DpSplit() { return m_pageDpSplit; }
    DlgShowDPResult& DpResult() { return m_pageDpResult; }
    DlgGetAddrSeparator2& AddrSplit() { return m_pageAddrSplit; }
    DlgShowAddrResult& AddrResult() { return m_pageAddrResult; }
    WizardData& Data() { return m_wizardData; }
    QPushButton& NextButton() { return m_btnNext; }
    QPushButton& BackButton() { return m_btnBack; }
    QPushButton& CancelButton() { return m_btnCancel; }

    // Shows the wizard as the active window; false when it did not become active.
    [[nodiscard]] bool ShowActive();
    void ClickNext();
    void ClickBack();
};

// Replaces the text of an edit as the operator types it: a committed input, so any text works; an
// empty text deletes what was there.
void Type(QLineEdit& edit, const QString& text);
