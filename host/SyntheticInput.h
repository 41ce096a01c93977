// Mouse clicks and keys as the window system delivers them (spontaneous events through the
// application, shortcuts first), so that a driven widget sees what it sees when a person works:
// focus moves on a click, Alt+N reaches its button. Used by operator scripts; the program does not
// link the Qt Test library for this.
#pragma once

#include <QKeySequence>
#include <QPoint>
#include <Qt>

#include <functional>

class QWidget;

class SyntheticInput {
public:
    // Press and release `button` at `position` of `widget` (its centre when null).
    static void MouseClick(QWidget* widget, Qt::MouseButton button = Qt::LeftButton,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier, QPoint position = {});
    // Press and release `key` at `widget`, with the modifier keys around it.
    static void KeyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void KeySequence(QWidget* widget, const QKeySequence& sequence);

    // Runs the event loop until `done` answers true or `timeoutMs` have passed; the last answer.
    static bool WaitFor(const std::function<bool()>& done, int timeoutMs);
    // Runs the event loop for `ms` milliseconds.
    static void Wait(int ms);

private:
    static void SendKey(QWidget* widget, bool press, int key, Qt::KeyboardModifiers modifiers, const QString& text);
    static QString KeyText(Qt::Key key);
};
