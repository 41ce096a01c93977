// The application's one message-box service. Every box of the system goes through Show, so a test
// or an operator script can answer it (SetResponder) instead of a person.
// GUI thread only: Show, SetResponder and the responder run on the thread of the application (or
// the process's main thread without one); the responder is not locked.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Button sets, icons and answers with the platform's values.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100; // the second button is the default (Enter, and a box nobody answers)
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxRequest {
    QWidget* owner = nullptr;
    QString text;
    QString caption;
    unsigned flags = MB_OK;
};

class MessageBoxService {
public:
    using Responder = std::function<int(const MessageBoxRequest&)>;

    // The caption of boxes shown without one of their own: the component's file name, "tessel".
    static QString ApplicationTitle();

    // Shows a box and returns the answer (IDOK, IDCANCEL, IDYES, IDNO). An empty caption means the
    // application's title. Without a responder and without a GUI application, the box is written to
    // standard error and takes its default answer (the first button).
    static int Show(QWidget* owner, const QString& text, const QString& caption = {}, unsigned flags = MB_OK);

    // Installs a responder that answers every box instead of a person; returns the previous one.
    // An empty responder restores real boxes.
    static Responder SetResponder(Responder responder);

    // The default answer of a button set: its first button, or its second with MB_DEFBUTTON2.
    static int DefaultAnswer(unsigned flags);
};
