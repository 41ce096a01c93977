// The IUnknown and IDispatch parts of a data-access object: the shared reference count and
// QueryInterface for IUnknown, IDispatch and the object's own interface (anything else
// E_NOINTERFACE), and a dispatch interface without members of its own.
#pragma once

#include "platform/automation/CountedObject.h"

namespace dataaccess {

template <class Interface, const IID& InterfaceId>
class AutomationObject : public CountedObject<Interface, IID_IDispatch, InterfaceId> {
public:
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
};

} // namespace dataaccess
