// The wizard host: a modal dialog (template 5000) that owns the six pages, shows one at a time and
// drives the page protocol with its Back, Next/Finish and Cancel buttons.
//
// exec() returns 1 (IDOK) only after a successful Finish (CommitInnerTree true and the last page
// answering WM_WIZARD_COMMITTED with 0) and 2 (IDCANCEL) after Cancel, Escape or the close box.
// The start-up (OnInitDialog) runs when the dialog is first shown (exec() or show()).
//
// The pages: each member line names the class that serves the page. A page not built yet is a
// plain WizardPageDialog on the page's template; replacing it is a change of that one line (and
// its #include).
#pragma once

#include "pages/DlgGetAddrSeparator.h"
#include "pages/DlgGetAddrSeparator2.h"
#include "pages/DlgGetCellName.h"
#include "pages/DlgShowAddrResult.h"
#include "pages/DlgShowDPResult.h"
#include "pages/DlgVerifyCell.h"
#include "wizard/ControlAnchors.h"
#include "wizard/HeldKeyFilter.h"
#include "wizard/WizardButton.h"
#include "wizard/WizardData.h"
#include "wizard/WizardPageDialog.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class DlgRun : public QDialog {
    Q_OBJECT
public:
    explicit DlgRun(QWidget* parent = nullptr);
    ~DlgRun() override;

    // A copy of page 3's current SeparatorText (page 5 takes it as its candidate characters;
    // invokable, since page 5 reaches it through its parent window).
    Q_INVOKABLE std::u16string GetSeparatorText() const;
    // Writes the inner address tree; called only by OnFinish. Sets m_strResultID.
    virtual bool CommitInnerTree();
    // What Finish would write now: the commit run on the same data and rolled back (page 6 shows it).
    FinishPreview PreviewFinish();
    // The cell's path as page 2's edits hold it now, grades 1 to 7: what Finish and its preview read.
    CellPathNames CellPath() const;

    WizardPageDialog* CurrentPage() const { return m_pCurrentPage; }
    const std::vector<WizardPageDialog*>& Pages() const { return m_pages; }

    QString m_strResultID; // handed back by Run; empty until the commit sets it

protected:
    // Tests of the page protocol: a host whose pages are `pages`, in order, instead of its own six
    // (these are then never created, and the result pages get no references).
    DlgRun(QWidget* parent, std::vector<WizardPageDialog*> pages);

    // Start-up: places Next, creates, places and chains the pages, enters page 1.
    virtual bool OnInitDialog();
    void OnBack();
    void OnNext();
    // The dialog's OK command, as the Enter key gives it: Next if enabled, else Back if enabled;
    // never closes the dialog.
    void OnOK();
    void OnFinish();
    void OnPaint();
    std::intptr_t OnWizardButtonFocus(std::uintptr_t wParam, std::intptr_t lParam);

    void setVisible(bool visible) override;
    // Cancel, Escape, close box: IDCANCEL; first asks "放弃已输入的模式？" when patterns typed on
    // pages 3 or 5 would be lost (No, the default, keeps the wizard open).
    void reject() override;
    // True when closing now would lose work the operator typed (the pattern rows).
    virtual bool WorkWouldBeLost() const;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    WizardButton m_btnCancel; // control 2
    WizardButton m_btnBack;   // control 3
    WizardButton m_btnNext;   // control 4; "完成(&F)" on the last page
    WizardData m_wizardData;

    DlgGetCellName m_pageCellName;           // page 1
    DlgVerifyCell m_pageVerifyCell;          // page 2
    DlgGetAddrSeparator m_pageDpSplit;       // page 3
    DlgShowDPResult m_pageDpResult;          // page 4
    DlgGetAddrSeparator2 m_pageAddrSplit;    // page 5
    DlgShowAddrResult m_pageAddrResult;      // page 6, the last

    std::vector<WizardPageDialog*> m_pages;   // the pages in page order
    WizardPageDialog* m_pCurrentPage = nullptr;

private:
    void BindButton(int id, WizardButton& button);
    // The window may be resized and maximised: it opens at the template's size or the screen's,
    // whichever is smaller, and the pages' lists and trees take the room it gains.
    void MakeResizable();
    void PlacePages();
    void ShowDefaultFor(QWidget* focus);
    void ConnectResultPages();

    // A held key presses one button once (Enter held on page 3 must not run on to Finish).
    HeldKeyFilter m_heldKeys;
    ControlAnchors m_hostAnchors; // the buttons and the line along the bottom
    std::vector<WizardPageDialog*> m_testPages;
    bool m_initialised = false;
};
