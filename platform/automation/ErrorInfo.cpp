// Error objects: the simple one this runtime makes, and the per-thread slot a failing call fills.
#include "platform/automation/Automation.h"
#include "platform/automation/CountedObject.h"

namespace {

class SimpleErrorInfo final : public CountedObject<IErrorInfo, IID_IErrorInfo> {
public:
    SimpleErrorInfo(BSTR source, BSTR description) : m_source(source), m_description(description) {}

    HRESULT GetGUID(GUID* pGUID) override {
        if (!pGUID)
            return E_INVALIDARG;
        *pGUID = IID_NULL;
        return S_OK;
    }
    HRESULT GetSource(BSTR* pBstrSource) override { return CopyOut(m_source, pBstrSource); }
    HRESULT GetDescription(BSTR* pBstrDescription) override {
        return CopyOut(m_description, pBstrDescription);
    }
    HRESULT GetHelpFile(BSTR* pBstrHelpFile) override { return CopyOut(nullptr, pBstrHelpFile); }
    HRESULT GetHelpContext(DWORD* pdwHelpContext) override {
        if (!pdwHelpContext)
            return E_INVALIDARG;
        *pdwHelpContext = 0;
        return S_OK;
    }

private:
    ~SimpleErrorInfo() override {
        SysFreeString(m_source);
        SysFreeString(m_description);
    }
    static HRESULT CopyOut(BSTR text, BSTR* out) {
        if (!out)
            return E_INVALIDARG;
        *out = nullptr;
        if (!text)
            return S_OK;
        *out = SysAllocStringLen(text, SysStringLen(text));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    BSTR m_source;
    BSTR m_description;
};

// The thread's error object; released when the thread ends.
struct ThreadErrorSlot {
    IErrorInfo* info = nullptr;
    ~ThreadErrorSlot() {
        if (info)
            info->Release();
    }
};
thread_local ThreadErrorSlot t_error;

} // namespace

extern "C" {

AUTOMATION_API HRESULT SetErrorInfo(ULONG, IErrorInfo* perrinfo) {
    if (perrinfo)
        perrinfo->AddRef();
    IErrorInfo* previous = t_error.info;
    t_error.info = perrinfo;
    if (previous)
        previous->Release();
    return S_OK;
}

AUTOMATION_API HRESULT GetErrorInfo(ULONG, IErrorInfo** pperrinfo) {
    if (!pperrinfo)
        return E_INVALIDARG;
    // The caller takes the thread's reference: the slot is empty afterwards.
    *pperrinfo = t_error.info;
    t_error.info = nullptr;
    return *pperrinfo ? S_OK : S_FALSE;
}

AUTOMATION_API HRESULT CreateSimpleErrorInfo(const OLECHAR* source, const OLECHAR* description,
                                             IErrorInfo** pperrinfo) {
    if (!pperrinfo)
        return E_POINTER;
    *pperrinfo = nullptr;
    BSTR s = SysAllocString(source);
    BSTR d = SysAllocString(description);
    if ((source && !s) || (description && !d)) {
        SysFreeString(s);
        SysFreeString(d);
        return E_OUTOFMEMORY;
    }
    *pperrinfo = new SimpleErrorInfo(s, d);
    return S_OK;
}

} // extern "C"
