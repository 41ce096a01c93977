#include "host/ComponentChoice.h"

#include "host/CommandLine.h"
#include "host/ComponentLocation.h"
#include "host/LateBoundCall.h"
#include "platform/automation/RegistryText.h"

#include <QFileInfo>

#include <dlfcn.h>

namespace {

const char16_t kProgId[] = u"tessel.dealer";

QString RegistryValue(const std::u16string& key) {
    return QString::fromStdU16String(automation::RegistryText(key).value_or(u""));
}

// Registers the module as a registration tool does; false with the reason.
bool RegisterModule(const QString& module, QString& error) {
    void* handle = ::dlopen(module.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = QStringLiteral("cannot load %1: %2").arg(module, QString::fromLocal8Bit(::dlerror()));
        return false;
    }
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(handle, "DllRegisterServer"));
    if (registerServer)
        registerServer();
    ::dlclose(handle);
    if (ComponentChoice::Registered().isEmpty()) {
        error = QStringLiteral("registering %1 left no tessel.dealer in the registry").arg(module);
        return false;
    }
    return true;
}

} // namespace

ComponentChoice::ComponentChoice(bool registered) : m_registered(registered) {}

bool ComponentChoice::EnvironmentAsksRegistered() {
    const QByteArray value = qgetenv(kEnvironmentVariable).trimmed().toLower();
    return !value.isEmpty() && value != "0" && value != "no" && value != "false";
}

bool ComponentChoice::RegisteredRequested(const CommandLine& line) {
    return line.IsSet(QStringLiteral("registered")) || EnvironmentAsksRegistered();
}

QString ComponentChoice::Beside() {
    const QString module = ComponentLocation::Module();
    const QString canonical = QFileInfo(module).canonicalFilePath();
    return canonical.isEmpty() ? module : canonical;
}

QString ComponentChoice::Registered() {
    const QString clsid = RegistryValue(u"tessel.dealer\\CLSID");
    if (clsid.isEmpty())
        return {};
    return RegistryValue((QStringLiteral("CLSID\\") + clsid + QStringLiteral("\\InProcServer32")).toStdU16String());
}

QString ComponentChoice::Module() const {
    return m_registered ? Registered() : Beside();
}

HRESULT ComponentChoice::CreateDealer(IDispatch** dealer, QString& error) const {
    *dealer = nullptr;
    const QString registered = Registered();
    if (registered.isEmpty() || !QFileInfo::exists(registered)) {
        if (m_registered && registered.isEmpty()) {
            error = QStringLiteral("no component is registered (tessel register registers one)");
            return REGDB_E_CLASSNOTREG;
        }
        if (!m_registered) {
            // The class's entries are needed to find it by ProgID: this installation's own.
            if (!QFileInfo::exists(Beside())) {
                error = QStringLiteral("the component %1 is not there").arg(Beside());
                return REGDB_E_CLASSNOTREG;
            }
            if (!RegisterModule(Beside(), error))
                return REGDB_E_CLASSNOTREG;
        }
    }
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(kProgId, &clsid);
    if (FAILED(hr)) {
        error = QStringLiteral("tessel.dealer is not registered: %1").arg(LateBoundCall::ErrorText(hr));
        return hr;
    }
    if (m_registered || Registered() == Beside()) {
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(dealer));
        if (FAILED(hr))
            error = QStringLiteral("cannot create tessel.dealer from %1: %2")
                        .arg(Registered(), LateBoundCall::ErrorText(hr));
        return hr;
    }
    // Another module is registered: this installation's own makes the class. It stays loaded for
    // the life of the process, as the runtime keeps the modules it loads.
    const QString module = Beside();
    void* handle = ::dlopen(module.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = QStringLiteral("cannot load %1: %2").arg(module, QString::fromLocal8Bit(::dlerror()));
        return CO_E_ERRORINDLL;
    }
    auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) {
        error = QStringLiteral("%1 has no DllGetClassObject").arg(module);
        return CO_E_ERRORINDLL;
    }
    IClassFactory* factory = nullptr;
    hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr) && factory) {
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(dealer));
        factory->Release();
    }
    if (FAILED(hr))
        error = QStringLiteral("cannot create tessel.dealer from %1: %2").arg(module, LateBoundCall::ErrorText(hr));
    return hr;
}

QString ComponentChoice::Description(bool registered) {
    const QString registeredModule = Registered();
    const ComponentChoice choice(registered);
    const QString runs = choice.Module().isEmpty() ? QStringLiteral("(none)") : choice.Module();
    return QStringLiteral("component registered: %1\ncomponent that runs: %2 (%3)")
        .arg(registeredModule.isEmpty() ? QStringLiteral("(none)") : registeredModule, runs,
             registered ? QStringLiteral("the registered one, as asked")
                        : QStringLiteral("the one beside this program; --registered or %1=1 runs the registered one")
                              .arg(QString::fromLatin1(kEnvironmentVariable)));
}
