// The host's push-button class, bound to the host's controls 2 (Cancel), 3 (Back) and 4 (Next).
// When it receives the keyboard focus it first sends WM_WIZBTN_FOCUS to its parent (the host),
// synchronously, with the widget that lost the focus as wParam (0 when there was none), ignores the
// answer, and then runs the push button's own focus handling. This is how the host learns which page
// control the operator left when clicking Next or Back with the mouse.
#pragma once

#include <QPushButton>

class WizardButton : public QPushButton {
    Q_OBJECT
public:
    explicit WizardButton(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
};
