// A statement the dialect translator does not understand; it is never run half-translated.
#pragma once

#include <QString>

#include <stdexcept>

namespace dataaccess {

class TranslationError : public std::runtime_error {
public:
    explicit TranslationError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

} // namespace dataaccess
