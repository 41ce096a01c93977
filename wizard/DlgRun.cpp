#include "wizard/DlgRun.h"

#include "commit/InnerTreeCommit.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageBoxService.h"
#include "wizard/ResourceIds.h"
#include "wizard/WaitCursor.h"
#include "wizard/WaitStatusLine.h"
#include "wizard/WizardMessage.h"
#include "wizard/WizardQuestion.h"
#include "wizard/WizardResources.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <array>

namespace {
constexpr int OkButtonId = HostControl::Ok;
constexpr int CancelButtonId = HostControl::Cancel;
constexpr int BackButtonId = HostControl::Back;
constexpr int NextButtonId = HostControl::Next;
constexpr int HostTemplateId = TemplateId::Host;
} // namespace

DlgRun::DlgRun(QWidget* parent) : DlgRun(parent, {}) {}

DlgRun::DlgRun(QWidget* parent, std::vector<WizardPageDialog*> pages)
    : QDialog(parent), m_heldKeys(this), m_testPages(std::move(pages)) {
    WizardResources::LoadTemplate(HostTemplateId, this);
    BindButton(CancelButtonId, m_btnCancel);
    BindButton(BackButtonId, m_btnBack);
    BindButton(NextButtonId, m_btnNext);
    connect(&m_btnCancel, &QPushButton::clicked, this, &DlgRun::reject);
    connect(&m_btnBack, &QPushButton::clicked, this, &DlgRun::OnBack);
    connect(&m_btnNext, &QPushButton::clicked, this, &DlgRun::OnNext);
    // The focus is always drawn, also where the mouse put it: Enter presses a focused button, so the
    // operator must see which one that is. The style draws focus frames only while the window is
    // marked as changed by the keyboard, a mark Qt takes away on a mouse press: it is put back
    // whenever the focus moves in the wizard (at once, and once the press is done).
    setAttribute(Qt::WA_KeyboardFocusChange);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (!now || now->window() != this)
            return;
        ShowDefaultFor(now);
        setAttribute(Qt::WA_KeyboardFocusChange);
        QMetaObject::invokeMethod(
            this, [this] { setAttribute(Qt::WA_KeyboardFocusChange); }, Qt::QueuedConnection);
    });
    if (auto* ok = qobject_cast<QPushButton*>(DialogTemplate::FindControl(this, OkButtonId))) {
        ok->setAutoDefault(false);
        connect(ok, &QPushButton::clicked, this, &DlgRun::OnOK);
    }
}

DlgRun::~DlgRun() {
    // Pages go before the dialog: nothing may reach them through the host from here on.
    m_pCurrentPage = nullptr;
    m_pages.clear();
}

void DlgRun::BindButton(int id, WizardButton& button) {
    if (QWidget* placeholder = DialogTemplate::FindControl(this, id))
        DialogTemplate::Replace(placeholder, &button);
    // The default look follows MakeDefaultButton alone, not the focus.
    button.setAutoDefault(false);
}

std::u16string DlgRun::GetSeparatorText() const {
    return m_pageDpSplit.SeparatorText();
}

bool DlgRun::CommitInnerTree() {
    // The cell's path as page 2's edits hold it now, the two trees as last shown, and the entries
    // their items point to.
    InnerTreeCommit commit(CellPath(), m_pageDpResult.Tree(), m_pageDpSplit.Entries(), m_pageAddrResult.Tree(),
                           m_pageAddrSplit.Entries());
    // The rows in use with their names, as the operator typed them.
    commit.SetPatternText(JournalPatternText(m_pageDpSplit.NamedRows(), m_pageAddrSplit.NamedRows()));
    // Page 6's tree again, from the entries another operator's Finish left as page 5 loaded them.
    commit.SetAddressTreeBuilder([this](std::u16string_view cell, const std::vector<AddressEntry>& entries) {
        return BuildResultTree(cell, entries, m_pageAddrSplit.PatternSet(), m_pageAddrSplit.LevelNamesByPattern());
    });
    const CommitOutcome outcome = commit.Run(CommitMode::Write);
    m_strResultID = commit.ResultId(); // set whatever the outcome
    // Written, but not all of it: the operator learns which part another Finish took first before
    // the wizard closes.
    if (outcome.ok && outcome.stats.skipped > 0)
        MessageBoxService::Show(this,
                                QStringLiteral("有%1项地址在页面加载后被其他操作员的完成改动，未写入；"
                                               "其余已写入。可重新运行向导处理这些地址。")
                                    .arg(outcome.stats.skipped),
                                MessageBoxService::ApplicationTitle(), MB_OK | MB_ICONINFORMATION);
    return outcome.ok;
}

bool DlgRun::OnInitDialog() {
    // Next sits flush against the right of Back, with Back's size.
    const QRect back = m_btnBack.geometry();
    m_btnNext.setGeometry(back.x() + back.width(), back.y(), back.width(), back.height());

    if (!m_testPages.empty())
        m_pages = m_testPages;
    else
        m_pages = {&m_pageCellName, &m_pageVerifyCell, &m_pageDpSplit,
                   &m_pageDpResult, &m_pageAddrSplit,  &m_pageAddrResult};

    // Pages fill the client area but for 5 pixels above and the strip of the buttons below.
    for (WizardPageDialog* page : m_pages) {
        page->Create(this);
        page->m_pWizardData = &m_wizardData;
        for (QPushButton* button : page->findChildren<QPushButton*>())
            button->setAutoDefault(false);
    }
    PlacePages();
    for (WizardPageDialog* page : m_pages)
        page->FixLayout();
    // The host's own controls (the etched line, the buttons) stay above the pages, which a larger
    // font can make reach into the strip below.
    for (QObject* child : children())
        if (auto* control = qobject_cast<QWidget*>(child); control && control->property(DialogTemplate::ControlIdProperty).isValid())
            control->raise();
    // Tab follows the screen: a page's controls row by row, then Back, Next and Cancel.
    QWidget* last = nullptr;
    for (WizardPageDialog* page : m_pages)
        last = page->OrderTabsByScreen(last);
    if (last)
        setTabOrder(last, &m_btnBack);
    setTabOrder(&m_btnBack, &m_btnNext);
    setTabOrder(&m_btnNext, &m_btnCancel);
    MakeResizable();
    for (size_t i = 0; i + 1 < m_pages.size(); ++i)
        m_pages[i]->SetNextPage(m_pages[i + 1]);
    if (m_testPages.empty())
        ConnectResultPages();

    m_pCurrentPage = m_pages.empty() ? nullptr : m_pages.front();
    if (m_pCurrentPage)
        m_pCurrentPage->OnEnterPage();
    return false; // the page has set the focus
}

void DlgRun::ShowDefaultFor(QWidget* focus) {
    if (!focus || focus->window() != this)
        return;
    // A page's button with the focus is what Enter presses: it wears the default look meanwhile,
    // and 下一步 gets it back when the focus leaves for a control that is no button. The host's own
    // buttons are left to the page protocol.
    auto* focusedButton = qobject_cast<QPushButton*>(focus);
    if (focusedButton && focusedButton->parentWidget() == this)
        return;
    bool pageButtonWasDefault = false;
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button == focusedButton || button->parentWidget() == this || !button->isDefault())
            continue;
        button->setDefault(false);
        pageButtonWasDefault = true;
    }
    if (focusedButton) {
        for (QPushButton* hostButton : {&m_btnBack, &m_btnNext, &m_btnCancel})
            hostButton->setDefault(false);
        focusedButton->setDefault(true);
    } else if (pageButtonWasDefault && m_btnNext.isEnabled()) {
        WizardPageDialog::MakeDefaultButton(this, NextButtonId);
    }
}

void DlgRun::PlacePages() {
    const QRect client = rect();
    for (WizardPageDialog* page : m_pages)
        page->setGeometry(0, 5, client.width(), client.height() - 60);
}

void DlgRun::MakeResizable() {
    // Along the bottom: the buttons keep their distance from the right edge, the line spans the width.
    for (QObject* child : children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || !control->property(DialogTemplate::ControlIdProperty).isValid())
            continue;
        const bool button = qobject_cast<QPushButton*>(control) != nullptr;
        m_hostAnchors.Set(control, button ? Anchors{1, 1, 1, 1} : Anchors{0, 1, 1, 1});
    }
    m_hostAnchors.CaptureGiven(this); // the pages are placed by PlacePages
    const QSize templateSize = size();
    QSize room = templateSize;
    if (const QScreen* shown = screen()) {
        // The title bar and the frame are the window manager's; leave them room as well.
        room = shown->availableGeometry().size() - QSize(16, 48);
        room = room.boundedTo(templateSize).expandedTo(QSize(320, 240));
    }
    // Never smaller than the template where the screen has room for it: the template's controls
    // would overlap.
    setMinimumSize(room);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(room);
}

void DlgRun::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_hostAnchors.Captured())
        return;
    m_hostAnchors.Apply(this);
    PlacePages();
}

void DlgRun::ConnectResultPages() {
    // Page 4 reads page 3's entries and pattern set, page 6 page 5's, at every rebuild.
    m_pageDpResult.SetSource(&m_pageDpSplit.Entries(), &m_pageDpSplit.PatternSet(), &m_pageDpSplit.LevelNamesByPattern());
    m_pageAddrResult.SetSource(&m_pageAddrSplit.Entries(), &m_pageAddrSplit.PatternSet(),
                               &m_pageAddrSplit.LevelNamesByPattern());
    m_pageAddrResult.SetPreviewSource([this] { return PreviewFinish(); });
}

CellPathNames DlgRun::CellPath() const {
    std::array<QString, 8> names;
    m_pageVerifyCell.ReadCellPath(names);
    CellPathNames path;
    std::copy(names.begin() + 1, names.end(), path.begin());
    return path;
}

FinishPreview DlgRun::PreviewFinish() {
    // What Finish reads, read the same way.
    return FinishPreview::Compute(
        CellPath(), {m_pageDpSplit.Entries(), m_pageDpResult.Tree()}, {m_pageAddrSplit.Entries(), m_pageAddrResult.Tree()});
}

void DlgRun::OnNext() {
    if (!m_pCurrentPage || !m_pCurrentPage->OnLeaveForward())
        return;
    if (m_pCurrentPage->IsLastPage()) {
        OnFinish();
        return;
    }
    // A focus on one of the buttons stays with the host while they are disabled (Qt would move it
    // into the page, which would then remember a control the operator never chose).
    QWidget* focus = QApplication::focusWidget();
    if (focus == &m_btnCancel || focus == &m_btnBack || focus == &m_btnNext)
        setFocus(Qt::OtherFocusReason);
    m_btnCancel.setEnabled(false);
    m_btnBack.setEnabled(false);
    m_btnNext.setEnabled(false);
    WaitCursor wait;
    m_pCurrentPage->hide();
    m_pCurrentPage = m_pCurrentPage->m_pNextPage;
    m_pCurrentPage->OnEnterPage(); // enables Back and Next as the page answers
    m_btnCancel.setEnabled(true);
    ShowDefaultFor(QApplication::focusWidget());
}

void DlgRun::OnBack() {
    if (!m_pCurrentPage || !m_pCurrentPage->m_pPrevPage)
        return;
    m_pCurrentPage->hide();
    m_pCurrentPage = m_pCurrentPage->m_pPrevPage;
    if (!m_pCurrentPage->m_pPrevPage) {
        m_btnBack.setEnabled(false);
        // The focus must not stay on the disabled button: on to the next control. (Qt already
        // moves a focus that sat on a control being disabled or hidden.)
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !focus->isEnabled() || !focus->isVisible())
            focusNextChild();
    }
    m_pCurrentPage->OnEnterPage();
    ShowDefaultFor(QApplication::focusWidget());
}

void DlgRun::OnOK() {
    if (m_btnNext.isEnabled())
        OnNext();
    else if (m_btnBack.isEnabled())
        OnBack();
}

void DlgRun::OnFinish() {
    WaitCursor wait;
    // Another operator's Finish may hold the database (SQLite: the whole file) for a while.
    const QRect back = m_btnBack.geometry();
    WaitStatusLine status(this, QRect(10, back.y(), qMax(0, back.x() - 20), back.height()));
    if (!CommitInnerTree())
        return; // stays on the last page; the commit has reported why
    if (SendWizardMessage(m_pCurrentPage, WM_WIZARD_COMMITTED) != 0)
        return;
    QDialog::accept();
}

void DlgRun::OnPaint() {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(100, 100, qMax(0, width() - 100), qMax(0, height() - 100)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("正在加载页面..."));
}

std::intptr_t DlgRun::OnWizardButtonFocus(std::uintptr_t wParam, std::intptr_t) {
    if (m_pCurrentPage)
        m_pCurrentPage->RememberFocus(reinterpret_cast<QWidget*>(wParam));
    return 0;
}

void DlgRun::setVisible(bool visible) {
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

bool DlgRun::WorkWouldBeLost() const {
    return m_testPages.empty() && (m_pageDpSplit.HoldsPatterns() || m_pageAddrSplit.HoldsPatterns());
}

void DlgRun::reject() {
    // No by default: a held or stray Escape keeps the rows.
    if (WorkWouldBeLost() && !AskYesNo(this, QStringLiteral("放弃已输入的模式？"), MB_ICONQUESTION | MB_DEFBUTTON2))
        return;
    done(IDCANCEL);
}

bool DlgRun::event(QEvent* event) {
    if (event->type() == WizardMessage::EventType()) {
        auto& message = static_cast<WizardMessage&>(*event);
        if (message.Message() == WM_WIZBTN_FOCUS)
            message.SetResult(OnWizardButtonFocus(message.WParam(), message.LParam()));
        return true;
    }
    return QDialog::event(event);
}

void DlgRun::paintEvent(QPaintEvent*) { OnPaint(); }

void DlgRun::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier) {
        // Enter presses a focused push button; anywhere else it is the dialog's OK command.
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (button && button->window() == this && button->isEnabled() && button->isVisible())
            button->click();
        else
            OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}
