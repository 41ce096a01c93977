#include "ProviderError.h"

namespace dataaccess {

namespace {
const OLECHAR* Utf16(const QString& s) {
    return reinterpret_cast<const OLECHAR*>(s.utf16());
}
} // namespace

QString ProviderError::Source(const QString& driverName) {
    const QString provider = QStringLiteral("tessel data access");
    return driverName.isEmpty() ? provider : QStringLiteral("%1 (%2)").arg(provider, driverName);
}

HRESULT ProviderError::Fail(HRESULT hr, const QString& source, const QString& description) {
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(CreateSimpleErrorInfo(Utf16(source), Utf16(description), &info)) && info) {
        SetErrorInfo(0, info);
        info->Release();
    }
    return hr;
}

HRESULT ProviderError::FailBare(HRESULT hr) {
    SetErrorInfo(0, nullptr);
    return hr;
}

} // namespace dataaccess
