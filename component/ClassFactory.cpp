#include "component/ClassFactory.h"

#include "component/ModuleState.h"

#include <new>

ClassFactory::ClassFactory(const CLSID& clsid, Creator create, const char16_t* progId)
    : m_clsid(clsid), m_create(create), m_progId(progId) {
    List().push_back(this);
}

std::vector<ClassFactory*>& ClassFactory::List() {
    static std::vector<ClassFactory*> factories; // made on first use: static objects enter in any order
    return factories;
}

const std::vector<ClassFactory*>& ClassFactory::Module() {
    return List();
}

void ClassFactory::RegisterAll() {
    for (ClassFactory* factory : List())
        factory->m_registered = true;
}

ClassFactory* ClassFactory::Find(const CLSID& clsid) {
    for (ClassFactory* factory : List())
        if (factory->m_registered && factory->m_clsid == clsid)
            return factory;
    return nullptr;
}

HRESULT ClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    IUnknown* object = nullptr;
    try {
        object = m_create();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
    if (!object)
        return E_OUTOFMEMORY;
    // The new object goes away here when it does not offer the interface asked for.
    const HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();
    return hr;
}

HRESULT ClassFactory::LockServer(BOOL fLock) {
    if (fLock)
        ModuleState::Lock();
    else
        ModuleState::Unlock();
    return S_OK;
}

bool ClassFactory::UpdateRegistry(std::u16string_view modulePath) const {
    OLECHAR clsidText[40];
    StringFromGUID2(m_clsid, clsidText, 40);
    const std::u16string progId(m_progId);
    const std::u16string clsidKey = u"CLSID\\" + std::u16string(clsidText);
    const std::u16string path(modulePath);
    struct Entry {
        std::u16string key, value;
    };
    const Entry entries[] = {
        {progId, progId},
        {progId + u"\\CLSID", clsidText},
        {clsidKey, progId},
        {clsidKey + u"\\ProgID", progId},
        {clsidKey + u"\\InProcServer32", path},
    };
    bool written = true;
    for (const Entry& e : entries)
        written = RegSetValueW(HKEY_CLASSES_ROOT, e.key.c_str(), REG_SZ, e.value.c_str(),
                               DWORD((e.value.size() + 1) * sizeof(OLECHAR))) == ERROR_SUCCESS &&
                  written;
    return written;
}
