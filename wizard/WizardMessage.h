// The wizard's two private window messages, sent synchronously with an answer, as a window message
// is: SendWizardMessage delivers a WizardMessage event to the target at once (no queue) and returns
// the result the target's handler set (0 when it did not handle the message).
//
//   WM_WIZBTN_FOCUS      a WizardButton to its parent (the host) when it receives the focus;
//                        wParam: the widget that lost the focus (WidgetParam), or 0; answer 0.
//   WM_WIZARD_COMMITTED  the host to the current page after a successful commit; wParam 0;
//                        answer 0 lets the wizard close, any other value keeps it open.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;
class QWidget;

inline constexpr int WM_WIZBTN_FOCUS = 0x800;
inline constexpr int WM_WIZARD_COMMITTED = 0x801;

class WizardMessage : public QEvent {
public:
    WizardMessage(int message, std::uintptr_t wParam, std::intptr_t lParam);

    // The event type of every wizard message.
    static QEvent::Type EventType();

    int Message() const { return m_message; }
    std::uintptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }
    // wParam read as a widget (WM_WIZBTN_FOCUS).
    QWidget* WidgetParam() const { return reinterpret_cast<QWidget*>(m_wParam); }

    std::intptr_t Result() const { return m_result; }
    void SetResult(std::intptr_t result) { m_result = result; }

private:
    int m_message;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
    std::intptr_t m_result = 0;
};

// Sends a wizard message to `target` and returns its answer; 0 when target is null.
std::intptr_t SendWizardMessage(QObject* target, int message, std::uintptr_t wParam = 0,
                                std::intptr_t lParam = 0);
// The widget as a wParam.
inline std::uintptr_t WidgetParam(const QWidget* widget) {
    return reinterpret_cast<std::uintptr_t>(widget);
}
