// A host that binds early compiles against the header generated from tessel.idl: its identifiers
// must be the ones the component registers and answers to.
#include "platform/automation/Automation.h"
#include "component/tessel.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

namespace {

std::u16string GuidText(const GUID& guid) {
    OLECHAR text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

bool KeyExists(const std::u16string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyW(HKEY_CLASSES_ROOT, key.c_str(), &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

TEST(EarlyBinding, TheGeneratedIdentifiersAreTheRegisteredOnes) {
    // A registry of its own, so that the identifiers found are the ones this module wrote.
    QTemporaryDir dir;
    const QByteArray given = qgetenv("TESSEL_REGISTRY");
    qputenv("TESSEL_REGISTRY", QDir(dir.path()).filePath(QStringLiteral("registry")).toUtf8());
    void* module = ::dlopen(TESSEL_LIB_DIR "/libtessel.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(module, "DllRegisterServer"));
    ASSERT_EQ(registerServer(), S_OK);

    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"tessel.dealer", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_dealer);
    EXPECT_TRUE(KeyExists(u"TypeLib\\" + GuidText(LIBID_Tessel) + u"\\1.0"));
    EXPECT_EQ(Tessel_MajorVersion, 1);
    EXPECT_EQ(Tessel_MinorVersion, 0);
    EXPECT_EQ(Tessel_Locale, 1033u);
    EXPECT_TRUE(KeyExists(u"Interface\\" + GuidText(IID_Idealer)));

    Idealer* dealer = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_dealer, nullptr, CLSCTX_INPROC_SERVER, IID_Idealer,
                               reinterpret_cast<void**>(&dealer)),
              S_OK);
    for (auto [name, id] :
         {std::pair{u"SetConnection", DISPID_Idealer_SetConnection}, {u"Run", DISPID_Idealer_Run}}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID found = 0;
        ASSERT_EQ(dealer->GetIDsOfNames(IID_NULL, names, 1, Tessel_Locale, &found), S_OK);
        EXPECT_EQ(found, id);
    }
    EXPECT_EQ(dealer->Release(), 0u);
    ::dlclose(module);
    qputenv("TESSEL_REGISTRY", given);
}

} // namespace
