// The IUnknown and IDispatch parts of a data-access object: a reference count, QueryInterface for
// IUnknown, IDispatch and the object's own interface (anything else E_NOINTERFACE), and a dispatch
// interface without members of its own.
#pragma once

#include "platform/automation/Automation.h"

#include <atomic>

namespace dataaccess {

template <class Interface, const IID& InterfaceId> class AutomationObject : public Interface {
public:
    AutomationObject() = default;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == InterfaceId) {
            *ppvObject = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (!left)
            delete this;
        return left;
    }

    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo)
            *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    virtual ~AutomationObject() = default;

private:
    std::atomic<ULONG> m_references{1};
};

} // namespace dataaccess
