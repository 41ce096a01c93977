// The common base of the database wrappers: the last error and the one error path.
#pragma once

#include "platform/automation/Automation.h"

#include <QString>

class ComError;

class CADOBase {
public:
    HRESULT GetLastErrorCode() const { return m_lastError; }
    const QString& GetLastErrorText() const { return m_lastErrorText; }
    // The description part of the last error: the database's own words, for a caller that reports
    // without a box.
    const QString& GetLastErrorDescription() const { return m_lastErrorDescription; }
    const QString& GetClassName() const { return m_className; }

    // Formats "%s Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n\tDescription = %s\n",
    // stores it as the last error and, unless mode is 1, shows it in the application's message box.
    void ReportError(const ComError& error, int mode);

    // The meaning of a code: the system's text, else "IDispatch error #%d" for 0x80040200 to
    // 0x8004FFFF, else "Unknown error 0x%0lX".
    static QString CodeMeaning(HRESULT hr);

protected:
    explicit CADOBase(QString className) : m_className(std::move(className)) {}

    HRESULT m_lastError = 0;
    QString m_lastErrorText;
    QString m_lastErrorDescription;
    QString m_className;
};
