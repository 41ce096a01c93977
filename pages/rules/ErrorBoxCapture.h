// While it lives, the database layer's error boxes are not shown: each is kept, answered with its
// default, and its description is there to print. Work without a window (the decompose command)
// tells the database's message on its own line instead.
#pragma once

#include "platform/ui/MessageBoxService.h"

#include <QString>

class ErrorBoxCapture {
public:
    ErrorBoxCapture();
    ~ErrorBoxCapture();
    ErrorBoxCapture(const ErrorBoxCapture&) = delete;
    ErrorBoxCapture& operator=(const ErrorBoxCapture&) = delete;

    // True once a box has come since the construction or the last Clear.
    bool Any() const { return m_count > 0; }
    // The database's message of the first box: its description, else the meaning of its code.
    const QString& FirstMessage() const { return m_firstMessage; }
    void Clear();

    // The description line of the database layer's error text, else its code meaning; the whole text
    // made one line when it has neither.
    static QString MessageOf(const QString& errorText);

private:
    MessageBoxService::Responder m_previous;
    int m_count = 0;
    QString m_firstMessage;
};
