// The IUnknown part every automation object of the system shares: a reference count that deletes
// the object with its last Release, and QueryInterface that answers IUnknown and the interfaces
// listed with the object's one `Interface` pointer (anything else: E_NOINTERFACE).
//
//   class Reader final : public CountedObject<IDispatch, IID_IDispatch, IID_IReader> { ... };
//
// Threads: the count is atomic, so references may be taken and released on any thread; what else
// an object shares is for the object to say.
#pragma once

#include "platform/automation/Automation.h"

#include <atomic>

template <class Interface, const IID&... Offered> class CountedObject : public Interface {
public:
    CountedObject() = default;
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || ((riid == Offered) || ...)) {
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

protected:
    // Objects go through Release; the interfaces themselves have no virtual destructor.
    virtual ~CountedObject() = default;

private:
    std::atomic<ULONG> m_references{1};
};
