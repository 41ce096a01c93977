// A counted reference to an automation object: AddRef on copy, Release with the last holder.
#pragma once

#include "platform/automation/Automation.h"

#include <utility>

template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { // takes a new reference
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& o) {
        ComPtr(o).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        ComPtr(std::move(o)).Swap(*this);
        return *this;
    }
    // Adopts a reference the caller already owns (as an out-parameter gives it).
    static ComPtr Attach(T* p) {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // For out-parameters: releases what is held and gives the slot.
    T** Put() {
        Reset();
        return &m_p;
    }
    void Swap(ComPtr& o) noexcept { std::swap(m_p, o.m_p); }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // QueryInterface into another counted reference; the HRESULT tells why it is empty.
    template <class U> HRESULT As(REFIID iid, ComPtr<U>& out) const {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, reinterpret_cast<void**>(out.Put()));
    }

private:
    T* m_p = nullptr;
};
