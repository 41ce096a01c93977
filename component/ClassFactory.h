// The class factory of one creatable class of the module. Each is a static object that enters the
// module's list when it is constructed; InitInstance makes the listed factories findable by
// DllGetClassObject, and DllRegisterServer writes their registry entries.
// Threads: the list is filled during static initialisation and only read afterwards; a factory's
// "registered" flag is atomic, so any thread may ask for a class object.
#pragma once

#include "platform/automation/Automation.h"
#include "platform/automation/CountedObject.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

class ClassFactory final : public CountedObject<IClassFactory, IID_IClassFactory> {
public:
    using Creator = IUnknown* (*)(); // a new object holding one reference, or a thrown exception

    ClassFactory(const CLSID& clsid, Creator create, const char16_t* progId);
    ~ClassFactory() override = default;

    // The factory is a static object: references do not decide its life, and holding one does not
    // keep the module (LockServer does). These replace the counting ones.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;

    const CLSID& Clsid() const { return m_clsid; }
    const char16_t* ProgId() const { return m_progId; }

    // Writes the class's entries under the classes root for the module at `modulePath`:
    // PROGID = PROGID, PROGID\CLSID = {CLSID}, CLSID\{CLSID} = PROGID, CLSID\{CLSID}\ProgID = PROGID,
    // CLSID\{CLSID}\InProcServer32 = modulePath. False when a write failed.
    bool UpdateRegistry(std::u16string_view modulePath) const;

    // The module's factories, in the order they were constructed.
    static const std::vector<ClassFactory*>& Module();
    // Makes every factory of the module findable.
    static void RegisterAll();
    // The registered factory of a class, or null.
    static ClassFactory* Find(const CLSID& clsid);

private:
    static std::vector<ClassFactory*>& List();

    CLSID m_clsid;
    Creator m_create;
    const char16_t* m_progId;
    std::atomic<bool> m_registered{false};
};
