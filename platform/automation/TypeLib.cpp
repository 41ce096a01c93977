// Type-library registration. A type library is a text block that begins with the line
// "\x7Ftessel-typelib 1" and ends with the line "end"; it may stand alone in a file or sit inside
// a module (a shared library carries it as constant data). Lines between: "library NAME",
// "libid {GUID}", "version MAJOR.MINOR", "lcid DECIMAL", optional "helpstring TEXT", and per
// interface "interface NAME {IID} KIND" followed by its members, per class "coclass NAME {CLSID} ...".
// Registration writes, in one change of the registry:
//   TypeLib\{LIBID}\MAJOR.MINOR            = help string, else the library's name
//   TypeLib\{LIBID}\MAJOR.MINOR\LCID\linux64 = the module's path (LCID in hex, as the platform writes it)
//   TypeLib\{LIBID}\MAJOR.MINOR\FLAGS      = "0"
//   TypeLib\{LIBID}\MAJOR.MINOR\HELPDIR    = the help folder, "" without one
//   Interface\{IID}                        = the interface's name, with ProxyStubClsid32 (the
//                                            dispatch marshaller) and TypeLib = {LIBID}
#include "platform/automation/RegistryStore.h"
#include "platform/automation/Utf.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using automation::RegistryNode;

constexpr std::string_view kMagic = "\x7Ftessel-typelib 1\n";
constexpr char16_t kDispatchMarshaller[] = u"{00020420-0000-0000-C000-000000000046}";

struct InterfaceEntry {
    std::u16string name;
    std::u16string iid;
};

struct TypeLibraryDescription {
    std::u16string name, libid, helpString;
    unsigned major = 0, minor = 0;
    unsigned long lcid = 0;
    std::vector<InterfaceEntry> interfaces;
};

bool IsGuidText(const std::string& text) {
    CLSID unused;
    const std::u16string wide = automation::FromUtf8(text);
    return text.size() == 38 && text[0] == '{' && CLSIDFromString(wide.c_str(), &unused) == S_OK;
}

bool ParseDescription(std::string_view block, TypeLibraryDescription& out) {
    std::istringstream lines{std::string(block)};
    std::string line;
    bool hasVersion = false, hasLcid = false;
    while (std::getline(lines, line)) {
        if (line == "end")
            return !out.name.empty() && !out.libid.empty() && hasVersion && hasLcid;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "library") {
            std::string name;
            words >> name;
            out.name = automation::FromUtf8(name);
        } else if (keyword == "libid") {
            std::string guid;
            words >> guid;
            if (!IsGuidText(guid))
                return false;
            out.libid = automation::FromUtf8(guid);
        } else if (keyword == "version") {
            std::string version;
            words >> version;
            hasVersion = std::sscanf(version.c_str(), "%u.%u", &out.major, &out.minor) == 2;
        } else if (keyword == "lcid") {
            hasLcid = bool(words >> out.lcid);
        } else if (keyword == "helpstring") {
            std::string text;
            std::getline(words >> std::ws, text);
            out.helpString = automation::FromUtf8(text);
        } else if (keyword == "interface") {
            std::string name, guid;
            words >> name >> guid;
            if (!IsGuidText(guid))
                return false;
            out.interfaces.push_back({automation::FromUtf8(name), automation::FromUtf8(guid)});
        } // members, classes and comments are not needed for registration
    }
    return false; // no closing line
}

bool ReadFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return !in.bad();
}

} // namespace

extern "C" AUTOMATION_API HRESULT RegisterTypeLibFromFile(LPCOLESTR typeLibPath, LPCOLESTR modulePath,
                                                          LPCOLESTR helpDir) {
    if (!typeLibPath || !*typeLibPath)
        return E_INVALIDARG;
    std::string content;
    if (!ReadFile(automation::ToUtf8(typeLibPath), content))
        return TYPE_E_CANTLOADLIBRARY;
    const size_t start = content.find(kMagic);
    if (start == std::string::npos)
        return TYPE_E_CANTLOADLIBRARY;
    TypeLibraryDescription library;
    if (!ParseDescription(std::string_view(content).substr(start + kMagic.size()), library))
        return TYPE_E_CANTLOADLIBRARY;

    char version[32], lcid[16];
    std::snprintf(version, sizeof version, "%u.%u", library.major, library.minor);
    std::snprintf(lcid, sizeof lcid, "%lx", library.lcid);
    const std::u16string module(automation::View(modulePath && *modulePath ? modulePath : typeLibPath));
    const std::u16string base = u"TypeLib\\" + library.libid + u"\\" + automation::FromUtf8(version);

    LSTATUS status = automation::RegistryStore::Update([&](RegistryNode& root) -> LSTATUS {
        root.Create(base).value = library.helpString.empty() ? library.name : library.helpString;
        root.Create(base + u"\\" + automation::FromUtf8(lcid) + u"\\linux64").value = module;
        root.Create(base + u"\\FLAGS").value = u"0";
        root.Create(base + u"\\HELPDIR").value = std::u16string(automation::View(helpDir));
        for (const InterfaceEntry& entry : library.interfaces) {
            const std::u16string key = u"Interface\\" + entry.iid;
            root.Create(key).value = entry.name;
            root.Create(key + u"\\ProxyStubClsid32").value = kDispatchMarshaller;
            root.Create(key + u"\\TypeLib").value = library.libid;
        }
        return ERROR_SUCCESS;
    });
    return status == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS;
}
