// The base of every wizard page: a child dialog built from the page's own template, shown inside the
// host (DlgRun) one page at a time, with the page protocol the host drives.
//
// Writing a page
// --------------
//   class DlgGetCellName : public WizardPageDialog {
//       Q_OBJECT
//   public:
//       explicit DlgGetCellName(QWidget* parent = nullptr) : WizardPageDialog(101, parent) {}
//       bool CanGoNext() override { return !m_editCellName->text().isEmpty(); }
//       bool OnLeaveForward() override;
//   protected:
//       bool OnInitDialog() override {
//           m_editCellName = BindControl<QLineEdit>(5000);   // the template's edit 5000
//           m_pFocusCtrl = m_editCellName;                   // focused on every entry
//           connect(m_editCellName, &QLineEdit::textChanged, this, [this] { EnableNext(CanGoNext()); });
//           m_editCellName->setFocus();
//           return true;
//       }
//   private:
//       QLineEdit* m_editCellName = nullptr;
//   };
//
// - Construction makes no controls: the host calls Create(host) in its start-up, which makes the page
//   a hidden child of the host, fills it from the template (TemplateId()) and calls OnInitDialog().
//   So controls exist from OnInitDialog on; bind them there (a page constructor cannot yet point
//   m_pFocusCtrl at a control: set it in OnInitDialog, before the first OnEnterPage).
//   m_pWizardData is set by the host right after Create, so OnInitDialog must not use it.
// - Controls by id: Control(id) finds the template's control; Control<T>(id) casts it.
//   BindControl<T>(id) does the same and makes it a control the page keeps (see RememberFocus).
//   SubclassControl(id, widget) puts a widget of the page's own class (a member object or a new
//   one) in place of the template's control: same id, place, tab order; it is bound too. Use it
//   where the page needs its own control class (AddrListBox on the template's QListView 5008,
//   MyListCtrl on the QTableWidget 5017).
// - Answering WM_WIZARD_COMMITTED: override OnWizardCommitted(); the base answers 0 (close). Other
//   wizard messages reach OnWizardMessage().
// - The host's buttons: EnableNext(CanGoNext()) whenever the page's own state changes what CanGoNext
//   answers. The host is parentWidget(); its buttons are its controls 3 (Back) and 4 (Next).
#pragma once

#include "wizard/ControlAnchors.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class WizardData;
class WizardMessage;

class WizardPageDialog : public QWidget {
    Q_OBJECT
public:
    explicit WizardPageDialog(int templateId, QWidget* parent = nullptr);
    ~WizardPageDialog() override;

    int TemplateId() const { return m_templateId; }

    // Makes the page window: a hidden child of `host`, filled from the template, then OnInitDialog.
    // False when the template is unknown.
    bool Create(QWidget* host);

    // The page protocol, called by the host.
    virtual bool CanGoNext();      // base: m_pNextPage is not null
    virtual bool CanGoBack();      // base: m_pPrevPage is not null
    virtual bool OnEnterPage();    // base: see the .cpp; every override ends by calling it
    virtual bool OnLeaveForward(); // base: true; false keeps the wizard on this page

    // Chains `page` after this one; returns the former next page.
    WizardPageDialog* SetNextPage(WizardPageDialog* page);
    bool IsLastPage() const { return m_pNextPage == nullptr; }

    // Enable or disable the host's Back (3) / Next (4) button; each returns its argument. EnableNext
    // also captions Next "完成(&F)" on the last page and "下一步(&N)" elsewhere.
    bool EnableBack(bool enable);
    bool EnableNext(bool enable);
    // Enables or disables the host's control `id`; enabling also makes it the default button.
    void EnableWizardButton(int id, bool enable);
    // Takes the default-button look from every push button of the host, then gives it to `id`.
    static void MakeDefaultButton(QWidget* host, int id);
    // Records where the focus is to go on the next entry: `w` when it is a control the page keeps,
    // the control containing `w` when w is one level inside it, null for a control the page does
    // not keep; unchanged when `w` is not inside the page.
    void RememberFocus(QWidget* w);

    // The template's control with that id on this page, or null.
    QWidget* Control(int id) const;
    template <class T> T* Control(int id) const { return qobject_cast<T*>(Control(id)); }
    // The template's control, kept by the page (focus memory counts it as the page's control).
    template <class T> T* BindControl(int id) {
        T* control = Control<T>(id);
        if (control)
            Bind(control);
        return control;
    }
    // Replaces the template's control `id` by `control` (see above); returns it, null when there is
    // no such control (then `control` is left alone).
    template <class T> T* SubclassControl(int id, T* control) {
        return static_cast<T*>(SubclassControlWidget(id, control));
    }
    // True when the page keeps `w` as one of its controls.
    bool IsBoundControl(const QWidget* w) const;

    // The window grows: how a control follows the page's size (see ControlAnchors); pages call it
    // in OnInitDialog for the controls that take the room (lists, trees) and those beside them.
    void Anchor(QWidget* control, Anchors anchors) { m_anchors.Set(control, anchors); }
    // Called by the host once the page has its place: the layout as it is now is the template's.
    // A page narrower than that keeps its controls' places across: the host's buttons stay in
    // the window, and nothing of the page lands on another control.
    void FixLayout() {
        m_anchors.Capture(this);
        m_anchors.KeepTemplateWidth();
    }
    // Chains the page's controls that Tab reaches in the order they stand on the screen (row by
    // row from the top, left to right), after `previous` when given; returns the last one (or
    // `previous` when the page has none).
    QWidget* OrderTabsByScreen(QWidget* previous);

    WizardData* m_pWizardData = nullptr;     // set by the host right after Create
    WizardPageDialog* m_pNextPage = nullptr; // null on the last page
    WizardPageDialog* m_pPrevPage = nullptr; // null on the first page
    QPointer<QWidget> m_pFocusCtrl;          // focused by OnEnterPage; null: no focus set

protected:
    // The page's own initialisation, once, right after its controls exist. Base: true.
    virtual bool OnInitDialog();
    // The answer to WM_WIZARD_COMMITTED: 0 lets the wizard close with OK. Base: 0.
    virtual std::intptr_t OnWizardCommitted();
    // Any wizard message; base answers WM_WIZARD_COMMITTED through OnWizardCommitted.
    virtual void OnWizardMessage(WizardMessage& message);
    // The page's show/hide notification: on hide, remembers the control that has the focus.
    virtual void OnShowWindow(bool show);

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Bind(QWidget* control);
    QWidget* SubclassControlWidget(int id, QWidget* control);

    int m_templateId;
    std::vector<QPointer<QWidget>> m_boundControls; // the controls the page keeps
    ControlAnchors m_anchors;
};
