#include "WizardButton.h"

#include "WizardMessage.h"

#include <QApplication>
#include <QPointer>

namespace {
// Qt tells a widget that it gained the focus before it announces the change application-wide, so
// the widget that had the focus until now is the one the last announcement named.
class FocusHistory : public QObject {
public:
    static FocusHistory& Instance() {
        static QPointer<FocusHistory> history;
        if (!history)
            history = new FocusHistory(qApp); // lives as long as the application
        return *history;
    }
    QWidget* Current() const { return m_current; }

private:
    explicit FocusHistory(QObject* parent) : QObject(parent), m_current(QApplication::focusWidget()) {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { m_current = now; });
    }
    QPointer<QWidget> m_current;
};
} // namespace

WizardButton::WizardButton(QWidget* parent) : QPushButton(parent) { FocusHistory::Instance(); }

void WizardButton::focusInEvent(QFocusEvent* event) {
    QWidget* lost = FocusHistory::Instance().Current();
    if (lost == this)
        lost = nullptr;
    SendWizardMessage(parentWidget(), WM_WIZBTN_FOCUS, WidgetParam(lost));
    QPushButton::focusInEvent(event);
}
