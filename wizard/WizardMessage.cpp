#include "wizard/WizardMessage.h"

#include <QCoreApplication>

WizardMessage::WizardMessage(int message, std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type WizardMessage::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::intptr_t SendWizardMessage(QObject* target, int message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!target)
        return 0;
    WizardMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.Result();
}
