// tessel register: registers the component as a registration tool does, by loading it and calling
// its DllRegisterServer, then prints the entries that registration wrote.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/ComponentChoice.h"
#include "host/ComponentLocation.h"
#include "platform/dataaccess/BstrText.h"
#include "platform/automation/Automation.h"
#include "platform/automation/RegistryText.h"

#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

QString Utf16(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// The default value of a key under the classes root; false when it is not there.
bool Query(const std::u16string& key, std::u16string& value) {
    const auto text = automation::RegistryText(key);
    if (text)
        value = *text;
    return text.has_value();
}

int RunRegister(const CommandLine& line) {
    const QString module = line.Arguments().isEmpty() ? ComponentLocation::Module() : line.Argument(0);
    const QString modulePath = QFileInfo(module).canonicalFilePath();
    if (modulePath.isEmpty())
        return line.Fail(QStringLiteral("%1 does not exist").arg(module));

    void* handle = ::dlopen(modulePath.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        return line.Fail(QStringLiteral("cannot load %1: %2").arg(modulePath, QString::fromLocal8Bit(::dlerror())));
    }
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(handle, "DllRegisterServer"));
    if (!registerServer) {
        ::dlclose(handle);
        return line.Fail(QStringLiteral("%1 has no DllRegisterServer").arg(modulePath));
    }
    const HRESULT hr = registerServer();
    ::dlclose(handle);

    BSTR registry = RegistryFilePath();
    if (FAILED(hr)) {
        BSTR problem = RegistryProblem();
        const QString why = BstrText::ToQString(problem);
        SysFreeString(problem);
        const QString file = BstrText::ToQString(registry);
        SysFreeString(registry);
        return line.Fail(QStringLiteral("the entries of %1 could not be written to %2 (0x%3)%4")
                             .arg(modulePath, file)
                             .arg(unsigned(hr), 8, 16, QChar(u'0'))
                             .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    }
    // What counts is what the registry holds now.
    std::printf("registry: %s\n",
                BstrText::ToQString(registry).toUtf8().constData());
    SysFreeString(registry);
    std::u16string clsid, server;
    const bool registered = Query(u"tessel.dealer\\CLSID", clsid) &&
                            Query(u"CLSID\\" + clsid + u"\\InProcServer32", server) &&
                            Utf16(server) == modulePath;
    if (!registered) {
        return line.Fail(QStringLiteral("DllRegisterServer answered 0x%1, but the registry does not hold "
                                        "tessel.dealer for %2")
                             .arg(unsigned(hr), 8, 16, QChar(u'0'))
                             .arg(modulePath));
    }
    const std::u16string classKey = u"CLSID\\" + clsid;
    for (const std::u16string& key :
         {std::u16string(u"tessel.dealer"), std::u16string(u"tessel.dealer\\CLSID"), classKey,
          classKey + u"\\ProgID", classKey + u"\\InProcServer32"}) {
        std::u16string value;
        Query(key, value);
        std::printf("%s = %s\n", Utf16(key).toUtf8().constData(), Utf16(value).toUtf8().constData());
    }
    std::printf("%s\n", ComponentChoice::Description(ComponentChoice::EnvironmentAsksRegistered()).toUtf8().constData());
    return 0;
}

const CommandRegistration registration{{
    .name = "register",
    .summary = "register the component (tessel.dealer) in the registry",
    .arguments = {{"MODULE", "the component to register; default: libtessel.so where this program's "
                             "installation keeps it", ArgumentCount::Optional}},
    .description = "Registers the address decomposition component: loads MODULE, calls its "
                   "DllRegisterServer and prints the registry entries written for the class tessel.dealer. "
                   "Loading the module also registers its type library. Then two lines tell which module is "
                   "registered and which one a tessel program runs: the one installed beside the program, "
                   "unless --registered or TESSEL_USE_REGISTERED=1 asks for the registered one.\n\n"
                   "The registry is the file named by TESSEL_REGISTRY, else tessel/registry in the user's "
                   "configuration folder ($XDG_CONFIG_HOME or ~/.config).",
    .exitStatus = "0 registered, 1 the module cannot be loaded or its entries are not in the registry, 2 "
                  "bad usage.",
    .run = RunRegister}};

} // namespace
