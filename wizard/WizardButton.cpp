#include "wizard/WizardButton.h"

#include "wizard/WizardMessage.h"

#include <QApplication>
#include <QPointer>

namespace {
// Qt tells a widget that it gained the focus before it announces the change application-wide, so
// the widget that had the focus until now is the one the last announcement named. No QObject of
// ours stays behind in the application: the connection goes with this object, which lives as long
// as the code it calls (this module may be unloaded before the application ends).
class FocusHistory {
public:
    static FocusHistory& Instance() {
        static FocusHistory history;
        history.Follow();
        return history;
    }
    ~FocusHistory() { QObject::disconnect(m_connection); }
    QWidget* Current() const { return m_current; }

private:
    void Follow() {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app || app == m_application)
            return;
        QObject::disconnect(m_connection);
        m_application = app;
        m_current = QApplication::focusWidget();
        m_connection = QObject::connect(app, &QApplication::focusChanged,
                                        [this](QWidget*, QWidget* now) { m_current = now; });
    }

    QPointer<QApplication> m_application;
    QMetaObject::Connection m_connection;
    QPointer<QWidget> m_current;
};
} // namespace

WizardButton::WizardButton(QWidget* parent) : QPushButton(parent) {
    FocusHistory::Instance();
}

void WizardButton::focusInEvent(QFocusEvent* event) {
    QWidget* lost = FocusHistory::Instance().Current();
    if (lost == this)
        lost = nullptr;
    SendWizardMessage(parentWidget(), WM_WIZBTN_FOCUS, WidgetParam(lost));
    QPushButton::focusInEvent(event);
}
