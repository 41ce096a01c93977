// tessel register: registers the component as a registration tool does, by loading it and calling
// its DllRegisterServer, then prints the entries that registration wrote.
#include "Command.h"
#include "automation/Automation.h"

#include <QFileInfo>
#include <QString>

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const Usage = "usage: tessel register [MODULE]";

const char* const Help = R"(
Registers the address decomposition component: loads MODULE (by default libtessel.so in the lib
folder next to this program's bin folder), calls its DllRegisterServer and prints the registry
entries written for the class tessel.dealer. Loading the module also registers its type library.

The registry is the file named by TESSEL_REGISTRY, else tessel/registry in the user's configuration
folder ($XDG_CONFIG_HOME or ~/.config).

Exit status: 0 registered, 1 the module cannot be loaded or its entries are not in the registry,
2 bad usage.
)";

QString Utf16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// <this program's folder>/../lib/libtessel.so
std::string DefaultModule() {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return "libtessel.so";
    self[length] = 0;
    return QFileInfo(QFileInfo(QString::fromUtf8(self)).absolutePath() + u"/../lib/libtessel.so"_qs)
        .absoluteFilePath()
        .toStdString();
}

// The default value of a key under the classes root; false when it is not there.
bool Query(const std::u16string& key, std::u16string& value) {
    LONG size = 0;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, &size) != ERROR_SUCCESS || size <= 0)
        return false;
    std::u16string buffer(size_t(size) / sizeof(OLECHAR), u'\0');
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), buffer.data(), &size) != ERROR_SUCCESS)
        return false;
    value.assign(buffer.c_str());
    return true;
}

int RunRegister(const std::vector<std::string>& args) {
    std::string module;
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            std::printf("%s\n%s", Usage, Help);
            return 0;
        }
        if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "tessel register: unknown option %s (%s)\n", arg.c_str(), Usage);
            return 2;
        }
        if (!module.empty()) {
            std::fprintf(stderr, "tessel register: one module at a time (%s)\n", Usage);
            return 2;
        }
        module = arg;
    }
    if (module.empty())
        module = DefaultModule();
    const QString modulePath = QFileInfo(QString::fromStdString(module)).canonicalFilePath();
    if (modulePath.isEmpty()) {
        std::fprintf(stderr, "tessel register: %s does not exist\n", module.c_str());
        return 1;
    }

    void* handle = ::dlopen(modulePath.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "tessel register: cannot load %s: %s\n", modulePath.toUtf8().constData(),
                     ::dlerror());
        return 1;
    }
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(handle, "DllRegisterServer"));
    if (!registerServer) {
        std::fprintf(stderr, "tessel register: %s has no DllRegisterServer\n",
                     modulePath.toUtf8().constData());
        ::dlclose(handle);
        return 1;
    }
    const HRESULT hr = registerServer();
    ::dlclose(handle);

    // The module answers S_OK whatever happened: what counts is what the registry holds now.
    BSTR registry = RegistryFilePath();
    std::printf("registry: %s\n",
                Utf16(std::u16string(registry, SysStringLen(registry))).toUtf8().constData());
    SysFreeString(registry);
    std::u16string clsid, server;
    const bool registered = Query(u"tessel.dealer\\CLSID", clsid) &&
                            Query(u"CLSID\\" + clsid + u"\\InProcServer32", server) &&
                            Utf16(server) == modulePath;
    if (!registered) {
        std::fprintf(stderr,
                     "tessel register: DllRegisterServer answered 0x%08X, but the registry does not hold "
                     "tessel.dealer for %s\n",
                     unsigned(hr), modulePath.toUtf8().constData());
        return 1;
    }
    const std::u16string classKey = u"CLSID\\" + clsid;
    for (const std::u16string& key :
         {std::u16string(u"tessel.dealer"), std::u16string(u"tessel.dealer\\CLSID"), classKey,
          classKey + u"\\ProgID", classKey + u"\\InProcServer32"}) {
        std::u16string value;
        Query(key, value);
        std::printf("%s = %s\n", Utf16(key).toUtf8().constData(), Utf16(value).toUtf8().constData());
    }
    return 0;
}

const CommandRegistration registration{"register", "register the component (tessel.dealer) in the registry",
                                       RunRegister};

} // namespace
