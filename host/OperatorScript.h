// Operator scripts: the wizard driven by a list of operator actions instead of a person, acting on
// the real controls (mouse clicks, keys, typed text), so that the same notifications fire.
//
// The actions and what each does: OperatorScriptVerbs (host/OperatorScriptVerbs.h), the one
// description, which `tessel help wizard` prints.
#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAbstractItemView;
class QTimer;
class QWidget;

// GUI thread only: it acts on widgets and answers the message-box service from the event loop.
class OperatorScript {
public:
    OperatorScript();
    // Not copied: its polling timer and the responder it installs (which captures `this`) belong
    // to one script.
    OperatorScript(const OperatorScript&) = delete;
    OperatorScript& operator=(const OperatorScript&) = delete;

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
    bool Window(const Action& action);
    bool Print(const Action& action, QWidget* control);
    void Settle();
    // Ends the wizard with Cancel (2), asking nothing.
    void CancelWizard();

    QString m_name;
    QList<Action> m_actions;
    QString m_screenshotDirectory;
    std::function<void(const QString&)> m_out;
    std::function<void(const QString&)> m_err;
    QStringList m_answers; // queued, in turn
    QPointer<QWidget> m_wizard;
    QRect m_normalGeometry; // the wizard's place before `window max`
    std::unique_ptr<QTimer> m_poll; // made by Start (when the application exists), gone with Stop
    int m_pollsLeft = 0;
    bool m_started = false;
    bool m_responderInstalled = false;
    bool m_failed = false;
};
