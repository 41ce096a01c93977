#include "host/SyntheticInput.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPointingDevice>
#include <QStyleHints>
#include <QThread>
#include <QWidget>

// QEvent lets only this class mark an event as coming from the window system; the application
// gives focus on a click, and routes keys through shortcuts, only for such events.
class QSpontaneKeyEvent {
public:
    static void setSpontaneous(QEvent* event) { event->setSpontaneous(); }
};

// Shortcuts see a key before the widget does (exported by Qt GUI for this use).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace {

// Successive clicks far enough apart in time never make a double click.
ulong g_mouseTimestamp = 0;

} // namespace

void SyntheticInput::MouseClick(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                                QPoint position) {
    if (position.isNull())
        position = widget->rect().center();
    modifiers &= Qt::KeyboardModifierMask;
    const QPointer<QWidget> target(widget);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        if (!target)
            return; // the press closed it
        g_mouseTimestamp += 1;
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, position, target->mapToGlobal(position), button, held, modifiers,
                          QPointingDevice::primaryPointingDevice());
        event.setTimestamp(g_mouseTimestamp);
        if (type == QEvent::MouseButtonRelease)
            g_mouseTimestamp += ulong(QGuiApplication::styleHints()->mouseDoubleClickInterval()) + 1;
        QSpontaneKeyEvent::setSpontaneous(&event);
        QApplication::instance()->notify(target, &event);
    }
}

QString SyntheticInput::KeyText(Qt::Key key) {
    switch (key) {
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Delete:
        return QStringLiteral("\x7f");
    default:
        break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return QChar(u'a' + (key - Qt::Key_A));
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return QChar(char16_t(key));
    return {};
}

void SyntheticInput::SendKey(QWidget* widget, bool press, int key, Qt::KeyboardModifiers modifiers,
                             const QString& text) {
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers, text);
    QSpontaneKeyEvent::setSpontaneous(&event);
    if (press && qt_sendShortcutOverrideEvent(widget, event.timestamp(), key, modifiers, text))
        return;
    QApplication::instance()->notify(widget, &event);
}

void SyntheticInput::KeyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    const QString text = KeyText(key);
    // The modifier keys go down in this order and come up in the reverse one.
    const std::pair<Qt::KeyboardModifier, Qt::Key> modifierKeys[] = {{Qt::ShiftModifier, Qt::Key_Shift},
                                                                     {Qt::ControlModifier, Qt::Key_Control},
                                                                     {Qt::AltModifier, Qt::Key_Alt},
                                                                     {Qt::MetaModifier, Qt::Key_Meta}};
    const QPointer<QWidget> target(widget);
    Qt::KeyboardModifiers down;
    for (const auto& [modifier, modifierKey] : modifierKeys) {
        if (!(modifiers & modifier))
            continue;
        SendKey(target, true, modifierKey, down, QString());
        down |= modifier;
        if (!target)
            return;
    }
    SendKey(target, true, key, modifiers, text);
    if (!target)
        return; // a key that closes its widget (Return in an embedded editor)
    SendKey(target, false, key, modifiers, text);
    for (auto it = std::rbegin(modifierKeys); it != std::rend(modifierKeys) && target; ++it) {
        if (modifiers & it->first)
            SendKey(target, false, it->second, down, QString());
        down &= ~Qt::KeyboardModifiers(it->first);
    }
}

void SyntheticInput::KeySequence(QWidget* widget, const QKeySequence& sequence) {
    for (int i = 0; i < sequence.count(); ++i)
        KeyClick(widget, sequence[i].key(), sequence[i].keyboardModifiers());
}

bool SyntheticInput::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    do {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const qint64 remaining = deadline.remainingTime();
        if (remaining > 0)
            QThread::msleep(ulong(qMin<qint64>(10, remaining)));
    } while (!deadline.hasExpired());
    return done();
}

void SyntheticInput::Wait(int ms) {
    WaitFor([] { return false; }, ms);
}
