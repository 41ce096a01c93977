// Finding classes: ProgID -> CLSID, CLSID -> the library registered as its in-process server ->
// its DllGetClassObject. Loaded libraries stay loaded until CoFreeUnusedLibraries finds that they
// can go.
// Any thread: the loaded libraries are under one (recursive) mutex.
#include "platform/automation/Utf.h"
#include "platform/automation/Automation.h"
#include "platform/automation/RegistryText.h"

#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::recursive_mutex g_librariesMutex;    // recursive: a library's entry points may call back in
std::map<std::string, void*> g_libraries; // path -> handle

// Leaves an error object on the thread so a host can tell the operator why.
void SetError(const std::u16string& description) {
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(CreateSimpleErrorInfo(u"automation", description.c_str(), &info))) {
        SetErrorInfo(0, info);
        info->Release();
    }
}

HRESULT LoadLibraryOf(const std::string& path, void*& handle) {
    std::lock_guard lock(g_librariesMutex);
    if (auto it = g_libraries.find(path); it != g_libraries.end()) {
        handle = it->second;
        return S_OK;
    }
    if (::access(path.c_str(), F_OK) != 0) {
        SetError(u"The library " + automation::FromUtf8(path) + u" does not exist");
        return CO_E_DLLNOTFOUND;
    }
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        SetError(automation::FromUtf8(reason ? reason : "the library cannot be loaded"));
        return CO_E_ERRORINDLL;
    }
    g_libraries.emplace(path, handle);
    return S_OK;
}

} // namespace

extern "C" {

AUTOMATION_API HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid) {
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    if (!*lpszProgID)
        return CO_E_CLASSSTRING;
    const auto text = automation::RegistryText(std::u16string(lpszProgID) + u"\\CLSID");
    if (!text || text->empty() || (*text)[0] != u'{')
        return CO_E_CLASSSTRING;
    return CLSIDFromString(text->c_str(), lpclsid);
}

AUTOMATION_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG; // only in-process servers exist here
    OLECHAR clsid[40];
    StringFromGUID2(rclsid, clsid, 40);
    const std::u16string path =
        automation::RegistryText(u"CLSID\\" + std::u16string(clsid) + u"\\InProcServer32").value_or(u"");
    if (path.empty())
        return REGDB_E_CLASSNOTREG;
    void* handle = nullptr;
    if (HRESULT hr = LoadLibraryOf(automation::ToUtf8(path), handle); FAILED(hr))
        return hr;
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) {
        SetError(path + u" has no DllGetClassObject");
        return CO_E_ERRORINDLL;
    }
    return getClassObject(rclsid, riid, ppv);
}

AUTOMATION_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                        void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    if (!factory)
        return E_UNEXPECTED;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

AUTOMATION_API void CoFreeUnusedLibraries() {
    std::lock_guard lock(g_librariesMutex);
    for (auto it = g_libraries.begin(); it != g_libraries.end();) {
        auto canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(it->second, "DllCanUnloadNow"));
        if (canUnloadNow && canUnloadNow() == S_OK) {
            ::dlclose(it->second);
            it = g_libraries.erase(it);
        } else {
            ++it;
        }
    }
}

} // extern "C"
