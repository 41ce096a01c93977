#include "wizard/WizardPageDialog.h"

#include "platform/ui/DialogTemplate.h"
#include "wizard/ResourceIds.h"
#include "wizard/WizardMessage.h"
#include "wizard/WizardResources.h"

#include <QApplication>
#include <QHideEvent>
#include <QResizeEvent>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>

namespace {
constexpr int BackButtonId = HostControl::Back;
constexpr int NextButtonId = HostControl::Next;
} // namespace

WizardPageDialog::WizardPageDialog(int templateId, QWidget* parent)
    : QWidget(parent), m_templateId(templateId) {
    setAutoFillBackground(true); // a shown page covers the loading text the host paints behind it
}

WizardPageDialog::~WizardPageDialog() = default;

bool WizardPageDialog::Create(QWidget* host) {
    setParent(host);
    hide(); // a page shows only when entered
    if (!WizardResources::LoadTemplate(m_templateId, this))
        return false;
    return OnInitDialog();
}

bool WizardPageDialog::OnInitDialog() {
    return true;
}

bool WizardPageDialog::CanGoNext() {
    return m_pNextPage != nullptr;
}

bool WizardPageDialog::CanGoBack() {
    return m_pPrevPage != nullptr;
}

bool WizardPageDialog::OnEnterPage() {
    // The button that was just pressed has the focus: it loses its default look.
    if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget()))
        button->setDefault(false);
    show();
    if (m_pFocusCtrl)
        m_pFocusCtrl->setFocus(Qt::OtherFocusReason);
    // Back first, so that when both are enabled Next ends up the default button.
    EnableBack(CanGoBack());
    EnableNext(CanGoNext());
    return true;
}

bool WizardPageDialog::OnLeaveForward() {
    return true;
}

WizardPageDialog* WizardPageDialog::SetNextPage(WizardPageDialog* page) {
    WizardPageDialog* former = m_pNextPage;
    m_pNextPage = page;
    if (page)
        page->m_pPrevPage = this;
    return former;
}

bool WizardPageDialog::EnableBack(bool enable) {
    EnableWizardButton(BackButtonId, enable);
    return enable;
}

bool WizardPageDialog::EnableNext(bool enable) {
    EnableWizardButton(NextButtonId, enable);
    if (auto* next =
            qobject_cast<QAbstractButton*>(DialogTemplate::FindControl(parentWidget(), NextButtonId)))
        next->setText(IsLastPage() ? QStringLiteral("完成(&F)") : QStringLiteral("下一步(&N)"));
    return enable;
}

void WizardPageDialog::EnableWizardButton(int id, bool enable) {
    QWidget* host = parentWidget();
    QWidget* button = DialogTemplate::FindControl(host, id);
    if (!button)
        return;
    button->setEnabled(enable);
    if (enable)
        MakeDefaultButton(host, id);
}

void WizardPageDialog::MakeDefaultButton(QWidget* host, int id) {
    if (!host)
        return;
    for (QObject* child : host->children())
        if (auto* button = qobject_cast<QPushButton*>(child))
            button->setDefault(false);
    if (auto* button = qobject_cast<QPushButton*>(DialogTemplate::FindControl(host, id)))
        button->setDefault(true);
}

void WizardPageDialog::RememberFocus(QWidget* w) {
    if (!w)
        return;
    QWidget* parent = w->parentWidget();
    if (parent == this)
        m_pFocusCtrl = IsBoundControl(w) ? w : nullptr;
    else if (parent && parent->parentWidget() == this)
        m_pFocusCtrl = IsBoundControl(parent) ? parent : nullptr;
}

QWidget* WizardPageDialog::Control(int id) const {
    return DialogTemplate::FindControl(this, id);
}

void WizardPageDialog::Bind(QWidget* control) {
    if (!IsBoundControl(control))
        m_boundControls.emplace_back(control);
}

bool WizardPageDialog::IsBoundControl(const QWidget* w) const {
    return w && std::any_of(m_boundControls.begin(), m_boundControls.end(),
                            [w](const QPointer<QWidget>& control) { return control == w; });
}

QWidget* WizardPageDialog::SubclassControlWidget(int id, QWidget* control) {
    QWidget* placeholder = Control(id);
    if (!placeholder || !control)
        return nullptr;
    if (m_pFocusCtrl == placeholder)
        m_pFocusCtrl = control;
    std::erase_if(m_boundControls, [placeholder](const QPointer<QWidget>& c) { return c == placeholder; });
    DialogTemplate::Replace(placeholder, control);
    Bind(control);
    return control;
}

std::intptr_t WizardPageDialog::OnWizardCommitted() {
    return 0;
}

void WizardPageDialog::OnWizardMessage(WizardMessage& message) {
    if (message.Message() == WM_WIZARD_COMMITTED)
        message.SetResult(OnWizardCommitted());
}

void WizardPageDialog::OnShowWindow(bool show) {
    if (!show)
        RememberFocus(QApplication::focusWidget());
}

bool WizardPageDialog::event(QEvent* event) {
    if (event->type() == WizardMessage::EventType()) {
        OnWizardMessage(static_cast<WizardMessage&>(*event));
        return true;
    }
    return QWidget::event(event);
}

void WizardPageDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_anchors.Apply(this);
}

QWidget* WizardPageDialog::OrderTabsByScreen(QWidget* previous) {
    std::vector<QWidget*> controls;
    for (QObject* child : children())
        if (auto* control = qobject_cast<QWidget*>(child);
            control && !control->isWindow() && (control->focusPolicy() & Qt::TabFocus))
            controls.push_back(control);
    // Rows first: controls whose tops lie within a few pixels stand in one row, read left to right.
    std::stable_sort(controls.begin(), controls.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    const int rowSlack = std::max(4, fontMetrics().height() / 2);
    for (std::size_t start = 0; start < controls.size();) {
        std::size_t end = start + 1;
        while (end < controls.size() && controls[end]->y() - controls[start]->y() <= rowSlack)
            ++end;
        std::stable_sort(controls.begin() + std::ptrdiff_t(start), controls.begin() + std::ptrdiff_t(end),
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        start = end;
    }
    for (QWidget* control : controls) {
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
    return previous;
}

void WizardPageDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        OnShowWindow(true);
}

void WizardPageDialog::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Only when the page itself is hidden, not when the whole wizard closes.
    if (!event->spontaneous() && isHidden())
        OnShowWindow(false);
}
