#include "wizard/HeldKeyFilter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

HeldKeyFilter::HeldKeyFilter(QWidget* wizard) : m_wizard(wizard) {
    qApp->installEventFilter(this);
}

HeldKeyFilter::~HeldKeyFilter() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool HeldKeyFilter::IsRepeat(const QKeyEvent& event) const {
    if (event.isAutoRepeat())
        return true;
    // Tests and synthetic input send events without a time; only a real one pairs a release with
    // its press.
    return event.timestamp() != 0 && event.key() == m_releasedKey && event.timestamp() == m_releaseTime;
}

bool HeldKeyFilter::Concerns(const QObject* watched) const {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || !m_wizard)
        return false;
    // The wizard's own window, or a box one of its windows opened (its parent chain leads here).
    for (const QWidget* window = widget->window(); window;
         window = window->parentWidget() ? window->parentWidget()->window() : nullptr)
        if (window == m_wizard)
            return true;
    return false;
}

bool HeldKeyFilter::PressesAButton(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_Space:
    case Qt::Key_Select:
        return qobject_cast<QAbstractButton*>(QApplication::focusWidget()) != nullptr;
    default:
        // A mnemonic: Alt+N is 下一步(&N), Alt+F is 完成(&F).
        return event.modifiers().testFlag(Qt::AltModifier);
    }
}

bool HeldKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    if (!Concerns(watched))
        return QObject::eventFilter(watched, event);
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (type == QEvent::KeyRelease) {
        // A key event travels up the parents when a control leaves it; every stop sees the same
        // release, and records the same.
        if (!key.isAutoRepeat()) {
            m_releasedKey = key.key();
            m_releaseTime = key.timestamp();
        }
        return QObject::eventFilter(watched, event);
    }
    if (IsRepeat(key) && PressesAButton(key)) {
        if (type == QEvent::ShortcutOverride)
            event->accept(); // taken by "the control": no shortcut fires; the press then comes and goes
        return true;
    }
    return QObject::eventFilter(watched, event);
}
