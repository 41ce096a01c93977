#include "database/CADOBase.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/ui/MessageBoxService.h"
#include "platform/automation/ComError.h"

using namespace Qt::Literals::StringLiterals;

namespace {
QString ErrorPart(bool present, const std::u16string& text) {
    return present ? QString::fromStdU16String(text) : u"(null)"_s;
}
} // namespace

QString CADOBase::CodeMeaning(HRESULT hr) {
    if (BSTR message = FormatSystemMessage(hr)) {
        QString text = BstrText::ToQString(message);
        SysFreeString(message);
        while (text.endsWith(u'\n') || text.endsWith(u'\r'))
            text.chop(1);
        return text;
    }
    const uint32_t code = uint32_t(hr);
    if (code >= 0x80040200u && code <= 0x8004FFFFu)
        return u"IDispatch error #%1"_s.arg(code - 0x80040200u);
    return u"Unknown error 0x%1"_s.arg(QString::number(code, 16).toUpper());
}

void CADOBase::ReportError(const ComError& error, int mode) {
    const uint32_t code = uint32_t(error.Error());
    m_lastErrorText =
        u"%1 Error\n\tCode = %2\n\tCode meaning = %3\n\tSource = %4\n\tDescription = %5\n"_s.arg(
            m_className, QString::number(code, 16).rightJustified(8, u'0'), CodeMeaning(error.Error()),
            ErrorPart(error.HasSource(), error.Source()),
            ErrorPart(error.HasDescription(), error.Description()));
    m_lastError = error.Error();
    m_lastErrorDescription = QString::fromStdU16String(error.Description());
    if (mode == 1)
        return;
    MessageBoxService::Show(nullptr, m_lastErrorText, {}, MB_OK);
}
