// A command line the program cannot take: a one-line message without the "tessel COMMAND: " in
// front. The program prints it on standard error and exits with 2.
#pragma once

#include <QString>

#include <stdexcept>

class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};
