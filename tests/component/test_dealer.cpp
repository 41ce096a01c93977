// The component as a late-bound host meets it: registration, creation by ProgID, GetIDsOfNames and
// Invoke, reference and lock counting, the connection warning, and Run. The client side uses only
// the runtime's standard definitions; the connection objects come from the data-access library, as
// a host's would. Scenarios that need a process without a Qt application run this program again in
// a child mode (see main).
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/StandInDispatch.h"
#include "platform/automation/Automation.h"
#include "platform/dataaccess/DataAccess.h"

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

const std::string kLibrary = TESSEL_LIB_DIR "/libtessel.so";
// The component's fixed identifiers: hosts built against its type library depend on them.
const char16_t kClsid[] = u"{CBD00C58-1E31-44B9-94F0-596C9E5C3AA6}";
const char16_t kLibid[] = u"{8A2FE423-906B-4E38-87CA-E72F99BDC20B}";
const IID kIID_Idealer = {0x59B1FD23, 0x42D4, 0x4929, {0x83, 0x6A, 0x58, 0xFF, 0x7B, 0x94, 0xD9, 0xAD}};
const QString kWarning = u"请先打开数据库连接再调用本函数"_s;

std::u16string Text(BSTR b) {
    return b ? std::u16string(b, SysStringLen(b)) : std::u16string();
}

std::u16string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return QString::fromUtf8(::realpath(path.c_str(), resolved) ? resolved : path.c_str()).toStdU16String();
}

// Queries a default value under the classes root; "<missing>" when the key is not there.
std::u16string Query(const std::u16string& key) {
    OLECHAR buffer[1024];
    LONG size = sizeof buffer;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), buffer, &size) != ERROR_SUCCESS)
        return u"<missing>";
    return buffer;
}

// What a registration tool does: load the module and call its DllRegisterServer.
HRESULT RegisterServer() {
    void* module = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return E_FAIL;
    auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(module, "DllRegisterServer"));
    const HRESULT hr = registerServer ? registerServer() : E_FAIL;
    ::dlclose(module);
    return hr;
}

// The module's unload question, asked of the copy that is loaded (S_OK also when none is).
HRESULT CanUnloadNow() {
    void* module = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!module)
        return S_OK;
    auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(module, "DllCanUnloadNow"));
    const HRESULT hr = canUnload();
    ::dlclose(module);
    return hr;
}

bool ModuleLoaded() {
    void* module = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module)
        ::dlclose(module);
    return module != nullptr;
}

// A late-bound reference to a dealer: members by name, arguments as variants.
class Dealer {
public:
    static HRESULT Create(Dealer& out) {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(u"tessel.dealer", &clsid);
        if (FAILED(hr))
            return hr;
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&out.m_p));
    }
    Dealer() = default;
    Dealer(const Dealer&) = delete;
    Dealer& operator=(const Dealer&) = delete;
    ~Dealer() { Reset(); }
    void Reset() {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }
    IDispatch* operator->() const { return m_p; }
    IDispatch* Get() const { return m_p; }

    DISPID Id(const char16_t* name) const {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 12345;
        return SUCCEEDED(m_p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) ? id
                                                                                           : DISPID_UNKNOWN;
    }

    // Invokes a method with the arguments in their natural order.
    HRESULT Call(const char16_t* name, std::vector<VARIANT> args, VARIANT* result = nullptr,
                 UINT* argErr = nullptr, EXCEPINFO* excep = nullptr) const {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
        return m_p->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, excep,
                           argErr);
    }

    HRESULT SetConnection(IDispatch* connection) const {
        return Call(u"SetConnection", {Dispatch(connection)});
    }

    // Run with a string that the call replaces; returns the call's HRESULT.
    HRESULT Run(LONG& result, std::u16string& id) const {
        BSTR text = SysAllocString(u"the caller's old text");
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_BYREF | VT_BSTR;
        arg.pbstrVal = &text;
        VARIANT out;
        VariantInit(&out);
        const HRESULT hr = Call(u"Run", {arg}, &out);
        result = out.vt == VT_I4 ? out.lVal : LONG_MIN;
        id = text ? Text(text) : u"<null>";
        SysFreeString(text);
        return hr;
    }

    static VARIANT Dispatch(IDispatch* p) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = p; // borrowed: the caller keeps its reference
        return v;
    }

private:
    IDispatch* m_p = nullptr;
};

VARIANT Variant(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}

// An object that is no database connection; its answer to the connection interface is chosen.
struct StrangeObject : StandInDispatch {
    StrangeObject() {
        errorSource = u"strange";
        errorDescription = u"the object broke";
    }
};

// A connection of the data-access library; opened on a fresh SQLite file when `open`.
struct HostConnection {
    QTemporaryDir dir;
    _Connection* connection = nullptr;
    explicit HostConnection(bool open) {
        EXPECT_EQ(CreateConnection(&connection), S_OK);
        if (open && connection) {
            BSTR where = SysAllocString(("sqlite:" + dir.filePath(u"host.db"_s)).toStdU16String().c_str());
            EXPECT_EQ(connection->Open(where, nullptr, nullptr, 0), S_OK);
            SysFreeString(where);
        }
    }
    ~HostConnection() {
        if (connection) {
            connection->Close();
            connection->Release();
        }
    }
    IDispatch* Get() const { return connection; }
};

class ComponentTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegisterServer(), S_OK);
        ASSERT_EQ(Dealer::Create(m_dealer), S_OK);
    }
    Dealer m_dealer;
};

TEST(Registration, WritesTheClassEntriesAndTheModuleRegistersItsTypeLibrary) {
    ASSERT_EQ(RegisterServer(), S_OK);
    const std::u16string clsidKey = u"CLSID\\" + std::u16string(kClsid);
    const std::u16string module = RealPath(kLibrary);
    EXPECT_EQ(Query(u"tessel.dealer"), u"tessel.dealer");
    EXPECT_EQ(Query(u"tessel.dealer\\CLSID"), kClsid);
    EXPECT_EQ(Query(clsidKey), u"tessel.dealer");
    EXPECT_EQ(Query(clsidKey + u"\\ProgID"), u"tessel.dealer");
    EXPECT_EQ(Query(clsidKey + u"\\InProcServer32"), module);

    const std::u16string typeLib = u"TypeLib\\" + std::u16string(kLibid) + u"\\1.0";
    EXPECT_EQ(Query(typeLib), u"Tessel");
    EXPECT_EQ(Query(typeLib + u"\\409\\linux64"), module);
    EXPECT_EQ(Query(typeLib + u"\\FLAGS"), u"0");
    EXPECT_EQ(Query(typeLib + u"\\HELPDIR"), u"");
    EXPECT_EQ(Query(u"Interface\\{59B1FD23-42D4-4929-836A-58FF7B94D9AD}"), u"Idealer");
}

TEST_F(ComponentTest, AnswersItsInterfacesAndNamesItsTwoMembers) {
    IUnknown* unknown = nullptr;
    IDispatch* idealer = nullptr;
    ASSERT_EQ(m_dealer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(m_dealer->QueryInterface(kIID_Idealer, reinterpret_cast<void**>(&idealer)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(idealer), static_cast<IUnknown*>(m_dealer.Get()));
    EXPECT_EQ(unknown, static_cast<IUnknown*>(m_dealer.Get()));
    unknown->Release();
    idealer->Release();
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(m_dealer->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    UINT count = 99;
    ASSERT_EQ(m_dealer->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(m_dealer.Id(u"SetConnection"), 1);
    EXPECT_EQ(m_dealer.Id(u"setconnection"), 1);
    EXPECT_EQ(m_dealer.Id(u"Run"), 2);
    EXPECT_EQ(m_dealer.Id(u"RUN"), 2);
    LPOLESTR unknownName[] = {const_cast<LPOLESTR>(u"Close")};
    DISPID id = 0;
    EXPECT_EQ(m_dealer->GetIDsOfNames(IID_NULL, unknownName, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    LPOLESTR withParameter[] = {const_cast<LPOLESTR>(u"Run"), const_cast<LPOLESTR>(u"bsResultID")};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(m_dealer->GetIDsOfNames(IID_NULL, withParameter, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 2);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(m_dealer->GetIDsOfNames(IID_IDispatch, unknownName, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(ComponentTest, InvokeRejectsWhatALateBoundHostGetsWrong) {
    MessageBoxRecorder boxes;
    BSTR text = SysAllocString(u"x");
    VARIANT byrefText = Variant(VT_BYREF | VT_BSTR);
    byrefText.pbstrVal = &text;
    VARIANT plainText = Variant(VT_BSTR);
    plainText.bstrVal = text;
    LONG number = 0;
    VARIANT byrefNumber = Variant(VT_BYREF | VT_I4);
    byrefNumber.plVal = &number;
    VARIANT integer = Variant(VT_I4);

    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<VARIANT> args;
        UINT named;
        HRESULT expected;
    };
    const Case cases[] = {
        {"an unknown member", 3, DISPATCH_METHOD, {byrefText}, 0, DISP_E_MEMBERNOTFOUND},
        {"a property put", 2, DISPATCH_PROPERTYPUT, {byrefText}, 0, DISP_E_MEMBERNOTFOUND},
        {"a property get", 1, DISPATCH_PROPERTYGET, {Variant(VT_NULL)}, 0, DISP_E_MEMBERNOTFOUND},
        {"Run without its argument", 2, DISPATCH_METHOD, {}, 0, DISP_E_BADPARAMCOUNT},
        {"Run with two arguments", 2, DISPATCH_METHOD, {byrefText, byrefText}, 0, DISP_E_BADPARAMCOUNT},
        {"SetConnection without its argument", 1, DISPATCH_METHOD, {}, 0, DISP_E_BADPARAMCOUNT},
        {"a named argument", 2, DISPATCH_METHOD, {byrefText}, 1, DISP_E_NONAMEDARGS},
        {"Run with a string by value", 2, DISPATCH_METHOD, {plainText}, 0, DISP_E_TYPEMISMATCH},
        {"Run with a number by reference", 2, DISPATCH_METHOD, {byrefNumber}, 0, DISP_E_TYPEMISMATCH},
        {"SetConnection with a number", 1, DISPATCH_METHOD, {integer}, 0, DISP_E_TYPEMISMATCH},
        {"SetConnection with a string", 1, DISPATCH_METHOD, {plainText}, 0, DISP_E_TYPEMISMATCH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<VARIANT> args = c.args;
        DISPID named = 0;
        DISPPARAMS params{args.data(), c.named ? &named : nullptr, UINT(args.size()), c.named};
        UINT argErr = 77;
        VARIANT result = Variant(VT_EMPTY);
        EXPECT_EQ(m_dealer->Invoke(c.id, IID_NULL, 0, c.flags, &params, &result, nullptr, &argErr),
                  c.expected);
        if (c.expected == DISP_E_TYPEMISMATCH) {
            EXPECT_EQ(argErr, 0u) << "the argument at fault";
        }
        EXPECT_EQ(result.vt, VT_EMPTY);
    }
    std::vector<VARIANT> one{byrefText};
    DISPPARAMS params{one.data(), nullptr, 1, 0};
    EXPECT_EQ(m_dealer->Invoke(2, IID_IDispatch, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(boxes.Count(), 0) << "no call that was refused did anything";
    EXPECT_EQ(Text(text), u"x") << "a refused Run leaves the caller's string alone";
    SysFreeString(text);
}

TEST_F(ComponentTest, SetConnectionWarnsOncePerCallWhenThereIsNoOpenConnection) {
    MessageBoxRecorder boxes;
    HostConnection open(true), closed(false);
    StrangeObject notAConnection;

    struct Case {
        const char* what;
        std::vector<VARIANT> args;
        int warnings;
    } cases[] = {
        {"an open connection", {Dealer::Dispatch(open.Get())}, 0},
        {"null", {Variant(VT_NULL)}, 1},
        {"nothing", {Variant(VT_EMPTY)}, 1},
        {"a null object", {Dealer::Dispatch(nullptr)}, 1},
        {"a closed connection", {Dealer::Dispatch(closed.Get())}, 1},
        {"an object that is no connection", {Dealer::Dispatch(&notAConnection)}, 1},
        {"the open connection again", {Dealer::Dispatch(open.Get())}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.Clear();
        VARIANT result = Variant(VT_I4);
        EXPECT_EQ(m_dealer.Call(u"SetConnection", c.args, &result), S_OK);
        EXPECT_EQ(result.vt, VT_EMPTY);
        ASSERT_EQ(boxes.Count(), c.warnings);
        if (c.warnings) {
            EXPECT_EQ(boxes.Last().text, kWarning);
            EXPECT_EQ(boxes.Last().caption, u"tessel"_s);
            EXPECT_EQ(boxes.Last().flags, MB_OK | MB_ICONEXCLAMATION);
        }
    }
    EXPECT_EQ(notAConnection.references, 1u) << "the dealer keeps no reference to a non-connection";
}

TEST_F(ComponentTest, AFailingConnectionQueryReachesTheHostAsAnException) {
    MessageBoxRecorder boxes;
    StrangeObject broken;
    broken.answer = E_UNEXPECTED;
    EXCEPINFO excep{};
    EXPECT_EQ(m_dealer.Call(u"SetConnection", {Dealer::Dispatch(&broken)}, nullptr, nullptr, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_UNEXPECTED);
    EXPECT_EQ(Text(excep.bstrDescription), u"the object broke");
    EXPECT_EQ(Text(excep.bstrSource), u"tessel.dealer");
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    // The dealer stays usable.
    HostConnection open(true);
    EXPECT_EQ(m_dealer.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 0);
}

TEST(Lifetime, ReferencesAndLocksDecideWhenTheModuleMayGo) {
    ASSERT_EQ(RegisterServer(), S_OK);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(u"tessel.dealer", &clsid), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_OK);
    {
        Dealer dealer;
        ASSERT_EQ(Dealer::Create(dealer), S_OK);
        EXPECT_EQ(CanUnloadNow(), S_FALSE);
        EXPECT_EQ(dealer->AddRef(), 2u);
        EXPECT_EQ(dealer->Release(), 1u);

        CoFreeUnusedLibraries();
        EXPECT_TRUE(ModuleLoaded()) << "a live dealer keeps its module";
        EXPECT_EQ(dealer.Id(u"Run"), 2);
    }
    EXPECT_EQ(CanUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    ASSERT_EQ(factory->LockServer(1), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    ASSERT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_OK);

    void* object = reinterpret_cast<void*>(1);
    StrangeObject outer;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CanUnloadNow(), S_OK) << "an object made for an interface it lacks is gone again";
    factory->Release();

    const CLSID other = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    const std::u16string otherKey = u"CLSID\\{00000001-0002-0003-0405-060708090A0B}\\InProcServer32";
    const std::u16string module = RealPath(kLibrary);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, otherKey.c_str(), REG_SZ, module.c_str(), 0), ERROR_SUCCESS);
    EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              CLASS_E_CLASSNOTAVAILABLE);

    // Nothing alive: the runtime lets the module go, and loads it again when asked.
    CoFreeUnusedLibraries();
    EXPECT_FALSE(ModuleLoaded());
    Dealer again;
    EXPECT_EQ(Dealer::Create(again), S_OK);
    EXPECT_EQ(again.Id(u"SetConnection"), 1);
}

// The wizard works on the database of the newest dealer (g_pDatabase), so SetConnection's check
// looks there: it shows which dealer's holder g_pDatabase refers to.
TEST(TwoDealers, TheNewestDealersDatabaseIsTheOneInUse) {
    ASSERT_EQ(RegisterServer(), S_OK);
    MessageBoxRecorder boxes;
    HostConnection open(true);
    Dealer first, second;
    ASSERT_EQ(Dealer::Create(first), S_OK);
    EXPECT_EQ(first.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 0);

    ASSERT_EQ(Dealer::Create(second), S_OK);
    EXPECT_EQ(first.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 1) << "the second dealer's holder, not yet connected, is the one in use";

    EXPECT_EQ(second.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 1);

    Dealer third;
    ASSERT_EQ(Dealer::Create(third), S_OK);
    third.Reset(); // the newest goes: the one in use falls back to the newest left, the second
    EXPECT_EQ(first.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 1);

    second.Reset();
    boxes.Clear();
    EXPECT_EQ(first.SetConnection(open.Get()), S_OK);
    EXPECT_EQ(boxes.Count(), 0) << "with the second gone, the first dealer's holder is in use again";
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    first.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// Cancels the wizard as soon as it is up, noting what was shown.
void CancelWizardWhenShown(QStringList* shown) {
    QTimer::singleShot(0, [shown] {
        QWidget* wizard = QApplication::activeModalWidget();
        if (!wizard) {
            CancelWizardWhenShown(shown);
            return;
        }
        *shown << QString::fromLatin1(wizard->metaObject()->className());
        QMetaObject::invokeMethod(wizard, "reject", Qt::QueuedConnection);
    });
}

TEST_F(ComponentTest, RunShowsTheWizardAndHandsBackItsResult) {
    MessageBoxRecorder boxes; // whatever the first page asks of an unconnected database
    QStringList shown;
    for (int call = 0; call < 2; ++call) { // every call builds a wizard of its own
        SCOPED_TRACE(call);
        CancelWizardWhenShown(&shown);
        LONG result = 0;
        std::u16string id;
        ASSERT_EQ(m_dealer.Run(result, id), S_OK);
        EXPECT_EQ(result, 2);
        EXPECT_EQ(id, u"") << "Cancel before any Finish: an empty result id";
    }
    EXPECT_EQ(shown, QStringList({u"DlgRun"_s, u"DlgRun"_s}));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0) << "the wizard is gone after Run";
}

// Runs this program again in a child mode, with the environment changed; its output and status.
struct ChildResult {
    int status = -1;
    std::string output;
};
ChildResult RunChild(const std::string& mode, const std::string& environment) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return {};
    self[n] = 0;
    const std::string command =
        "env " + environment + " TESSEL_COMPONENT_TEST_CHILD=" + mode + " '" + self + "' 2>&1";
    ChildResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.output.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// A host process without a Qt application of its own: the child mode it runs, the environment it
// runs in, and what it must print (besides ending with status 0).
struct PlainHostCase {
    const char* name;
    std::string mode;
    std::string environment;
    std::vector<std::string> printed;
};

void PrintTo(const PlainHostCase& c, std::ostream* out) {
    *out << c.mode;
}

class PlainHost : public testing::TestWithParam<PlainHostCase> {};

TEST_P(PlainHost, RunsThroughAndPrintsWhatItMust) {
    const ChildResult r = RunChild(GetParam().mode, GetParam().environment);
    EXPECT_EQ(r.status, 0) << r.output;
    for (const std::string& expected : GetParam().printed)
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << " in:\n" << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Children, PlainHost,
    testing::Values(
        // Without any display Run answers -1 instead of aborting, and leaves no application behind.
        PlainHostCase{"WithoutAnyDisplayRunAnswersMinusOne", "no-display",
                      "-u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY", {"result -1 id ''"}},
        // With a display Run makes the application it needs.
        PlainHostCase{"WithADisplayRunMakesTheApplicationItNeeds", "own-application", "QT_QPA_PLATFORM=offscreen",
                      {"result 2 id ''"}},
        // A type library that cannot be registered is reported, the damage told with the file's
        // path and line, and the module works on.
        PlainHostCase{"ATypeLibraryThatCannotBeRegisteredIsReportedAndTheModuleWorksOn", "damaged-registry", "",
                      {"Failed to register typelib!\n", "registry:3: the closing line \"end\" is missing"}}),
    [](const testing::TestParamInfo<PlainHostCase>& c) { return std::string(c.param.name); });

// Child modes: a host process without a Qt application of its own.
int RunChildMode(const std::string& mode) {
    if (mode == "damaged-registry") {
        // A registry file cut short: nothing can be written into it.
        const std::string path = std::getenv("TESSEL_REGISTRY");
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs("tessel registry 1\nx=y\n", f);
        std::fclose(f);
        void* module = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            return 10;
        auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(module, "DllRegisterServer"));
        auto getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(module, "DllGetClassObject"));
        if (registerServer() != SELFREG_E_CLASS)
            return 11; // a registration that could not be written is reported
        char kept[64] = {};
        FILE* again = std::fopen(path.c_str(), "r");
        const size_t length = std::fread(kept, 1, sizeof kept - 1, again);
        std::fclose(again);
        if (std::string(kept, length) != "tessel registry 1\nx=y\n")
            return 14; // a damaged file is never rewritten
        const CLSID clsid = {0xCBD00C58, 0x1E31, 0x44B9, {0x94, 0xF0, 0x59, 0x6C, 0x9E, 0x5C, 0x3A, 0xA6}};
        IClassFactory* factory = nullptr;
        if (getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK)
            return 12;
        IDispatch* dealer = nullptr;
        if (factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dealer)) != S_OK)
            return 13;
        dealer->Release();
        return 0;
    }

    if (RegisterServer() != S_OK)
        return 20;
    Dealer dealer;
    if (Dealer::Create(dealer) != S_OK)
        return 21;
    if (mode == "own-application") {
        // Once the component has made its application, cancel the wizard from its event loop.
        std::thread([] {
            while (!QCoreApplication::instance())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            static QStringList shown;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { CancelWizardWhenShown(&shown); }, Qt::QueuedConnection);
        }).detach();
    }
    LONG result = 0;
    std::u16string id;
    if (dealer.Run(result, id) != S_OK)
        return 22;
    std::printf("result %d id '%s'\n", int(result), QString::fromStdU16String(id).toUtf8().constData());
    if (mode == "no-display" && QCoreApplication::instance())
        return 23; // no application may be left behind
    if (mode == "own-application" && !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 24;
    std::fflush(stdout);
    return 0;
}

} // namespace

// The registry of this run is a file of its own even under scripts/run-tests (a child damages it on
// purpose), made before the component is first loaded.
int main(int argc, char** argv) {
    if (const char* mode = std::getenv("TESSEL_COMPONENT_TEST_CHILD")) {
        const int status = RunChildMode(mode);
        std::fflush(stdout);
        ::_exit(status); // a made application is never torn down: leave without static destructors
    }
    const IsolatedEnvironment environment(IsolatedEnvironment::Registry::OwnRegistry);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
