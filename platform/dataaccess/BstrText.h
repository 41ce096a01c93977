// A BSTR that lives for one call: made from a QString, freed with its holder; and the one way from
// a BSTR to a QString. Here, at the lowest floor with Qt and the automation runtime, so the
// data-access objects, the database wrappers and the host share it.
#pragma once

#include "platform/automation/Automation.h"

#include <QString>

class BstrText {
public:
    explicit BstrText(const QString& text)
        : m_bstr(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()), UINT(text.size()))) {}
    ~BstrText() { SysFreeString(m_bstr); }
    BstrText(const BstrText&) = delete;
    BstrText& operator=(const BstrText&) = delete;

    BSTR Get() const { return m_bstr; }

    // The text of a BSTR; a null BSTR is the empty string.
    static QString ToQString(BSTR bstr) {
        return bstr ? QString::fromUtf16(bstr, qsizetype(SysStringLen(bstr))) : QString();
    }

private:
    BSTR m_bstr;
};
