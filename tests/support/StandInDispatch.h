// An object that stands in for a host's IDispatch object in tests of what meets one: it answers
// IUnknown and IDispatch and counts its references (it lives on the stack: nothing deletes it). Any
// other interface is refused with `answer`; an answer other than E_NOINTERFACE leaves an error object
// (errorSource, errorDescription), as a broken proxy does. Its dispatch members are not implemented.
#pragma once

#include "platform/automation/Automation.h"

#include <string>

struct StandInDispatch : IDispatch {
    HRESULT answer = E_NOINTERFACE;
    std::u16string errorSource;
    std::u16string errorDescription;
    ULONG references = 1;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        if (answer != E_NOINTERFACE) {
            IErrorInfo* info = nullptr;
            CreateSimpleErrorInfo(errorSource.c_str(), errorDescription.c_str(), &info);
            SetErrorInfo(0, info);
            info->Release();
        }
        return answer;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};
