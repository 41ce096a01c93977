#include "host/LateBoundCall.h"

#include "platform/dataaccess/BstrText.h"

#include <algorithm>

namespace {

QString TakeText(BSTR& text) {
    QString taken = BstrText::ToQString(text);
    SysFreeString(text);
    text = nullptr;
    return taken;
}

QString WithCode(const QString& text, HRESULT hr) {
    return QStringLiteral("%1 (0x%2)").arg(text).arg(unsigned(hr), 8, 16, QChar(u'0'));
}

} // namespace

LateBoundCall::Outcome LateBoundCall::Invoke(IDispatch* object, const char16_t* name, std::vector<VARIANT> args,
                                             VARIANT* result) {
    Outcome outcome;
    DISPID dispid = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    outcome.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(outcome.hr))
        return outcome;
    std::reverse(args.begin(), args.end()); // the platform passes them last first
    DISPPARAMS params{args.data(), nullptr, UINT(args.size()), 0};
    EXCEPINFO exception{};
    UINT argError = 0;
    outcome.hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                                &exception, &argError);
    if (outcome.hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        outcome.raisedCode = exception.scode;
    }
    outcome.raised = TakeText(exception.bstrDescription);
    TakeText(exception.bstrSource);
    TakeText(exception.bstrHelpFile);
    return outcome;
}

QString LateBoundCall::Outcome::ErrorText() const {
    if (hr == DISP_E_EXCEPTION && (!raised.isEmpty() || FAILED(raisedCode))) {
        const HRESULT code = FAILED(raisedCode) ? raisedCode : hr;
        if (!raised.isEmpty())
            return WithCode(raised, code);
        return LateBoundCall::ErrorText(code);
    }
    return LateBoundCall::ErrorText(hr);
}

QString LateBoundCall::ErrorText(HRESULT hr) {
    QString text;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)))
            text = TakeText(description);
        info->Release();
    }
    if (text.isEmpty()) {
        BSTR message = FormatSystemMessage(hr);
        text = TakeText(message);
    }
    return WithCode(text, hr);
}
