// The platform's error exception: an HRESULT with the source and description that the failing
// object left in the thread's error object.
#pragma once

#include "platform/automation/Automation.h"

#include <exception>
#include <string>

class ComError : public std::exception {
public:
    explicit ComError(HRESULT hr, std::u16string source = {}, std::u16string description = {},
                      bool hasSource = false, bool hasDescription = false)
        : m_hr(hr), m_source(std::move(source)), m_description(std::move(description)), m_hasSource(hasSource),
          m_hasDescription(hasDescription) {}

    // Picks up the calling thread's error object (and clears it), as the platform's wrappers do.
    static ComError FromLastError(HRESULT hr) {
        IErrorInfo* info = nullptr;
        std::u16string source, description;
        bool hasSource = false, hasDescription = false;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            BSTR s = nullptr;
            if (SUCCEEDED(info->GetSource(&s)) && s) {
                source.assign(s, SysStringLen(s));
                hasSource = true;
            }
            SysFreeString(s);
            BSTR d = nullptr;
            if (SUCCEEDED(info->GetDescription(&d)) && d) {
                description.assign(d, SysStringLen(d));
                hasDescription = true;
            }
            SysFreeString(d);
            info->Release();
        }
        return ComError(hr, std::move(source), std::move(description), hasSource, hasDescription);
    }

    HRESULT Error() const { return m_hr; }
    const std::u16string& Source() const { return m_source; }
    const std::u16string& Description() const { return m_description; }
    bool HasSource() const { return m_hasSource; }
    bool HasDescription() const { return m_hasDescription; }
    const char* what() const noexcept override { return "automation error"; }

private:
    HRESULT m_hr;
    std::u16string m_source;
    std::u16string m_description;
    bool m_hasSource;
    bool m_hasDescription;
};

// Throws a failed HRESULT as a ComError carrying the thread's error object.
inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr))
        throw ComError::FromLastError(hr);
}
