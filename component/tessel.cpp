// The module's entry points, the only names it exports (tessel.map).
#include "component/ClassFactory.h"
#include "component/ModuleState.h"
#include "platform/automation/Automation.h"

#define TESSEL_EXPORT extern "C" __attribute__((visibility("default")))

// S_OK when no object is alive and no server lock is held.
TESSEL_EXPORT HRESULT DllCanUnloadNow() {
    return ModuleState::LockCount() == 0 ? S_OK : S_FALSE;
}

TESSEL_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    ClassFactory* factory = ClassFactory::Find(rclsid);
    if (!factory)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory->QueryInterface(riid, ppv);
}

// Writes the registry entries of every class of the module. An entry that could not be written
// (a damaged or read-only registry file) gives SELFREG_E_CLASS, so the registration tool sees it.
TESSEL_EXPORT HRESULT DllRegisterServer() {
    const std::u16string path = ModuleState::Path();
    bool written = true;
    for (ClassFactory* factory : ClassFactory::Module())
        written = factory->UpdateRegistry(path) && written;
    return written ? S_OK : SELFREG_E_CLASS;
}
