// Operator scripts: the wizard driven by a list of operator actions instead of a person, acting on
// the real controls (mouse clicks, keys, typed text), so that the same notifications fire.
//
// One action a line; blank lines and lines starting with # are ignored. IDs are control ids: the
// current page's controls first, then the wizard's own (1 OK, 2 Cancel, 3 Back, 4 Next/Finish).
//   type ID TEXT   click into control ID, select all and type TEXT (the rest of the line, taken as
//                  is; Chinese too); `type ID` alone empties it
//   click ID       click the control (a button: 2, 3, 4, 5022, ...)
//   key NAME       press a key at the focused control: Enter, Escape, Tab, Backtab, Space, Up,
//                  Down, Delete, Alt+N, ... (Qt key-sequence names)
//   select ID N    choose row N (from 0) of a list or table, item N of a tree (counted from the
//                  top, children after their parent), or item N of a combo box
//   menu ID N      click menu button ID and choose item N (from 0, separators not counted; the
//                  items of a submenu count in its place) of the menu it opens
//   answer WORD    the answer for the next message box: yes, no, ok or cancel
//   shot NAME      save a picture of the wizard as NAME.png in the screenshot directory
//   print ID       print what control ID shows (its text; a list, table or tree item by item)
// Every message box is printed as it appears, with its answer; a box with no queued answer takes
// its default answer and says so.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractItemView;
class QTimer;
class QWidget;

class OperatorScript {
public:
    struct Action {
        int line = 0;
        QString verb;
        int id = 0;
        int number = 0;
        QString text;
    };

    // Reads a script ("-": standard input); false with `error` set ("FILE:LINE: what") when it
    // cannot be read or a line is not an action.
    bool Load(const QString& path, QString& error);
    bool Parse(const QString& text, const QString& name, QString& error);
    const QList<Action>& Actions() const { return m_actions; }

    // Where `shot` saves its pictures; empty: nowhere (shots are skipped with a note).
    void SetScreenshotDirectory(const QString& directory) { m_screenshotDirectory = directory; }
    // Where lines go: `out` for message boxes and prints, `err` for errors and notes.
    void SetOutput(std::function<void(const QString&)> out, std::function<void(const QString&)> err);

    // Waits (in the event loop that will run) for the wizard to be shown, then runs the actions on
    // it; answers message boxes from now on. Call before the wizard starts.
    void Start();
    // Restores the message-box service.
    void Stop();
    ~OperatorScript();

    // True when an action failed (the wizard was then cancelled).
    bool Failed() const { return m_failed; }

private:
    void Poll();
    void RunActions();
    bool Run(const Action& action);
    bool Fail(const Action& action, const QString& what);
    int AnswerBox(const QString& caption, const QString& text, unsigned flags);

    QWidget* CurrentPage() const;
    QWidget* FindControl(const Action& action);
    bool Type(const Action& action, QWidget* control);
    bool Click(const Action& action, QWidget* control);
    bool Key(const Action& action);
    bool Select(const Action& action, QWidget* control);
    bool SelectInView(const Action& action, QAbstractItemView* view);
    bool Menu(const Action& action, QWidget* control);
    bool Shot(const Action& action);
    bool Print(const Action& action, QWidget* control);
    void Settle();

    QString m_name;
    QList<Action> m_actions;
    QString m_screenshotDirectory;
    std::function<void(const QString&)> m_out;
    std::function<void(const QString&)> m_err;
    QStringList m_answers; // queued, in turn
    QPointer<QWidget> m_wizard;
    QTimer* m_poll = nullptr;
    int m_pollsLeft = 0;
    bool m_started = false;
    bool m_responderInstalled = false;
    bool m_failed = false;
};
