// The automation runtime's registry file, GUID text, type-library registration and the failures of
// object creation. Each test works on a registry file of its own.
#include "platform/automation/Automation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::u16string Text(BSTR b) {
    return b ? std::u16string(b, SysStringLen(b)) : std::u16string();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Points the runtime at a fresh registry file in a folder of its own, and back afterwards.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessel-registry-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_file = m_dir / "sub" / "registry";
        if (const char* old = std::getenv("TESSEL_REGISTRY"))
            m_previous = old;
        ::setenv("TESSEL_REGISTRY", m_file.c_str(), 1);
    }
    void TearDown() override {
        if (m_previous.empty())
            ::unsetenv("TESSEL_REGISTRY");
        else
            ::setenv("TESSEL_REGISTRY", m_previous.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    static std::u16string Query(const char16_t* key, LSTATUS* status = nullptr) {
        OLECHAR buffer[512];
        LONG size = sizeof buffer;
        const LSTATUS s = RegQueryValueW(HKEY_CLASSES_ROOT, key, buffer, &size);
        if (status)
            *status = s;
        return s == ERROR_SUCCESS ? std::u16string(buffer) : std::u16string();
    }

    fs::path m_dir, m_file;
    std::string m_previous;
};

TEST_F(RegistryTest, KeysAndValuesPersistInTheFileAndIgnoreCase) {
    BSTR where = RegistryFilePath();
    EXPECT_EQ(Text(where), std::u16string(m_file.u16string()));
    SysFreeString(where);
    EXPECT_FALSE(fs::exists(m_file));

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{ABC}", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueW(key, nullptr, REG_SZ, u"默认=值\n第二行%", 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueW(key, u"InProcServer32", REG_SZ, u"/lib/x.so", 0), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(m_file)) << "the folder is made on first write";

    EXPECT_EQ(Query(u"clsid\\{abc}"), u"默认=值\n第二行%");
    EXPECT_EQ(Query(u"CLSID\\{ABC}\\INPROCSERVER32"), u"/lib/x.so");
    EXPECT_EQ(Query(u"CLSID"), u"") << "a key without a value reads as empty";
    LSTATUS status;
    Query(u"CLSID\\{DEF}", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);

    // Another process sees what this one wrote, and this one sees what it writes.
    const pid_t child = ::fork();
    if (child == 0) {
        OLECHAR buffer[64];
        LONG size = sizeof buffer;
        const bool seen = RegQueryValueW(HKEY_CLASSES_ROOT, u"CLSID\\{ABC}\\InProcServer32", buffer, &size) ==
                              ERROR_SUCCESS &&
                          std::u16string(buffer) == u"/lib/x.so";
        const bool wrote =
            RegSetValueW(HKEY_CLASSES_ROOT, u"tessel.other", REG_SZ, u"from the child", 0) == ERROR_SUCCESS;
        ::_exit(seen && wrote ? 0 : 1);
    }
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
    EXPECT_EQ(Query(u"tessel.other"), u"from the child");
}

TEST_F(RegistryTest, QuerySizesOpenAndDelete) {
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"a\\b", REG_SZ, u"xyz", 0), ERROR_SUCCESS);
    LONG size = 0;
    ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, u"a\\b", nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, LONG(4 * sizeof(OLECHAR)));
    OLECHAR small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, u"a\\b", small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, LONG(4 * sizeof(OLECHAR)));

    HKEY a = nullptr, missing = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_CLASSES_ROOT, u"nothing", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    ASSERT_EQ(RegOpenKeyW(HKEY_CLASSES_ROOT, u"A", &a), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u"a"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
    EXPECT_EQ(RegDeleteKeyW(a, u"b"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(a, u"b"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"a"), ERROR_SUCCESS);
    EXPECT_NE(RegSetValueW(a, u"c", REG_SZ, u"v", 0), ERROR_SUCCESS) << "the handle's key is gone";
    EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(a), ERROR_SUCCESS) << "a handle closes once";
}

TEST_F(RegistryTest, ADamagedFileIsReportedAndNeverOverwritten) {
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"v", 0), ERROR_SUCCESS);
    std::string content = ReadFile(m_file);
    content.resize(content.size() - 4); // as if a writer had died half-way
    std::ofstream(m_file, std::ios::binary | std::ios::trunc) << content;

    LSTATUS status;
    Query(u"k", &status);
    EXPECT_EQ(status, ERROR_BADDB);
    EXPECT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k2", REG_SZ, u"v", 0), ERROR_BADDB);
    EXPECT_EQ(ReadFile(m_file), content);
}

// Names and values of any text come back as they went in, and the file stays readable after each.
TEST_F(RegistryTest, KeysAndValuesOfAnyTextRoundTrip) {
    const std::u16string texts[] = {
        u"end", u"END", u"tessel registry 1", u"=", u"a=b", u"%", u"%41", u"100%", u"line\nbreak", u"cr\r",
        u"\r\n", u" spaced ", u"阳光花园", u"\U0001F600", std::u16string(1, char16_t(0xD800)),
        std::u16string(u"x") + char16_t(0xDFFF) + u"y", std::u16string(1, char16_t(0xDC00)) + char16_t(0xD800),
        u"\xED\xA0",
    };
    for (const std::u16string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        // As a key of its own, below the root and deeper, and as a value.
        for (const std::u16string& key : {text, u"k\\" + text}) {
            ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, text.c_str(), 0), ERROR_SUCCESS);
            LSTATUS status = -1;
            EXPECT_EQ(Query(key.c_str(), &status), text);
            EXPECT_EQ(status, ERROR_SUCCESS);
            HKEY created = nullptr;
            ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, u"after", &created), ERROR_SUCCESS)
                << "a later call still reads the file";
            RegCloseKey(created);
        }
        ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, text.c_str()), ERROR_SUCCESS);
        ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"k"), ERROR_SUCCESS);
    }
}

// Damage is told with the file's path and line; the file is left for its owner to look at.
TEST_F(RegistryTest, ADamagedFileIsToldByPathAndLine) {
    const struct {
        const char* content;
        const char* where;
    } cases[] = {
        {"tessel registry 1\nx=y\n", ":3: the closing line \"end\" is missing"},
        {"tessel registry 1\nx=y\nend\nz\n", ":4: a line after the closing line"},
        {"tessel registry 1\nx=%4\nend\n", ":2: a value with a broken %-escape"},
        {"tessel registry 1\na\n%ZZ\nend\n", ":3: a key name with a broken %-escape"},
        {"tessel registry 1\n=v\nend\n", ":2: a line without a key name"},
        {"some other file\nend\n", ":1: not a registry file"},
        {"tessel registry 1\nx=y\nen", ":3: the line is cut short"},
    };
    fs::create_directories(m_file.parent_path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << c.content;
        EXPECT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"v", 0), ERROR_BADDB);
        LSTATUS status = -1;
        Query(u"x", &status);
        EXPECT_EQ(status, ERROR_BADDB);
        BSTR problem = RegistryProblem();
        const std::u16string text = Text(problem);
        SysFreeString(problem);
        const std::string expected = m_file.string() + c.where;
        EXPECT_EQ(std::string(text.begin(), text.end()).substr(0, expected.size()), expected);
        EXPECT_EQ(ReadFile(m_file), c.content);
    }
}

TEST_F(RegistryTest, AWriteThatCannotHappenLeavesTheOldFile) {
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"old", 0), ERROR_SUCCESS);
    // The new file cannot be made where it is written first.
    fs::create_directory(m_file.string() + ".tmp." + std::to_string(::getpid()));
    EXPECT_NE(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"new", 0), ERROR_SUCCESS);
    EXPECT_EQ(Query(u"k"), u"old");
}

// The file is replaced, never rewritten in place: whoever was reading it keeps a complete copy.
TEST_F(RegistryTest, WritesReplaceTheFileWhole) {
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"old", 0), ERROR_SUCCESS);
    const std::string before = ReadFile(m_file);
    std::ifstream reader(m_file, std::ios::binary);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"k", REG_SZ, u"new", 0), ERROR_SUCCESS);
    std::ostringstream seen;
    seen << reader.rdbuf();
    EXPECT_EQ(seen.str(), before);
    EXPECT_NE(ReadFile(m_file), before);
    EXPECT_EQ(Query(u"k"), u"new");
}

TEST(Guid, TextRoundTripsAndRejectsMalformedText) {
    const GUID g = {0x1234ABCD, 0x0A0B, 0xC0D0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    OLECHAR text[39];
    EXPECT_EQ(StringFromGUID2(g, text, 38), 0);
    ASSERT_EQ(StringFromGUID2(g, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{1234ABCD-0A0B-C0D0-0123-456789ABCDEF}");
    GUID back{};
    ASSERT_EQ(CLSIDFromString(u"{1234abcd-0a0b-c0d0-0123-456789abcdef}", &back), S_OK);
    EXPECT_EQ(back, g);
    for (const char16_t* bad :
         {u"{1234ABCD-0A0B-C0D0-0123-456789ABCDE}", u"{1234ABCD-0A0B-C0D0-0123-456789ABCDEG}",
          u"{1234ABCD+0A0B-C0D0-0123-456789ABCDEF}", u"{}", u""})
        EXPECT_EQ(CLSIDFromString(bad, &back), CO_E_CLASSSTRING);
}

TEST_F(RegistryTest, ProgIdsAndCreationFailures) {
    const CLSID clsid = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
    const std::u16string key = u"CLSID\\{11111111-2222-3333-4444-555555555555}";
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(u"test.missing", &found), CO_E_CLASSSTRING);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"test.thing\\CLSID", REG_SZ, key.c_str() + 6, 0),
              ERROR_SUCCESS);
    ASSERT_EQ(CLSIDFromProgID(u"TEST.THING", &found), S_OK);
    EXPECT_EQ(found, clsid);
    ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, u"test.broken\\CLSID", REG_SZ, u"not a guid", 0),
              ERROR_SUCCESS);
    EXPECT_EQ(CLSIDFromProgID(u"test.broken", &found), CO_E_CLASSSTRING);

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);

    auto serve = [&](const std::string& path) {
        const std::u16string wide(path.begin(), path.end());
        ASSERT_EQ(
            RegSetValueW(HKEY_CLASSES_ROOT, (key + u"\\InProcServer32").c_str(), REG_SZ, wide.c_str(), 0),
            ERROR_SUCCESS);
    };
    serve((m_dir / "gone.so").string());
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
    IErrorInfo* why = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &why), S_OK) << "the reason is left for the host";
    if (why)
        why->Release();

    std::ofstream(m_dir / "text.so") << "not a library";
    serve((m_dir / "text.so").string());
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object), CO_E_ERRORINDLL);

    serve(TESSEL_LIB_DIR "/libtessel-automation.so"); // a library, but not a server
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object), CO_E_ERRORINDLL);
    CoFreeUnusedLibraries(); // nothing to ask: it has no DllCanUnloadNow
}

TEST_F(RegistryTest, TypeLibrariesRegisterFromAFileOrAModule) {
    const std::string library = "\x7Ftessel-typelib 1\n"
                                "library Sample\n"
                                "libid {AAAAAAAA-0000-0000-0000-000000000001}\n"
                                "version 2.3\n"
                                "lcid 1033\n"
                                "interface ISample {AAAAAAAA-0000-0000-0000-000000000002} dispatch\n"
                                "member 1 Do void ()\n"
                                "end\n";
    // Inside other bytes, as a module holds it.
    std::ofstream(m_dir / "module.so", std::ios::binary) << std::string("\x7F"
                                                                        "ELF\0\0junk",
                                                                        9)
                                                         << library << std::string(100, '\0');
    const std::u16string module = (m_dir / "module.so").u16string();
    ASSERT_EQ(RegisterTypeLibFromFile(module.c_str(), module.c_str(), nullptr), S_OK);
    const std::u16string base = u"TypeLib\\{AAAAAAAA-0000-0000-0000-000000000001}\\2.3";
    EXPECT_EQ(Query(base.c_str()), u"Sample");
    EXPECT_EQ(Query((base + u"\\409\\linux64").c_str()), module);
    EXPECT_EQ(Query((base + u"\\FLAGS").c_str()), u"0");
    EXPECT_EQ(Query((base + u"\\HELPDIR").c_str()), u"");
    EXPECT_EQ(Query(u"Interface\\{AAAAAAAA-0000-0000-0000-000000000002}"), u"ISample");
    EXPECT_EQ(Query(u"Interface\\{AAAAAAAA-0000-0000-0000-000000000002}\\TypeLib"),
              u"{AAAAAAAA-0000-0000-0000-000000000001}");

    std::ofstream(m_dir / "cut.tlb", std::ios::binary) << library.substr(0, library.size() - 4);
    EXPECT_EQ(RegisterTypeLibFromFile((m_dir / "cut.tlb").u16string().c_str(), nullptr, nullptr),
              TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(RegisterTypeLibFromFile((m_dir / "none.tlb").u16string().c_str(), nullptr, nullptr),
              TYPE_E_CANTLOADLIBRARY);
}

} // namespace
