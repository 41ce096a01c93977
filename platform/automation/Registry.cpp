// The registry functions over RegistryStore. A key handle remembers the key's full path; the
// classes root is the empty path.
// Any thread: the handles given out are under one mutex, the tree under RegistryStore's locks.
#include "platform/automation/RegistryStore.h"
#include "platform/automation/Utf.h"

#include <cstring>
#include <mutex>
#include <unordered_set>

struct RegistryKey {
    std::u16string path;
};

namespace {

using automation::RegistryNode;
using automation::RegistryStore;

constexpr LSTATUS kInvalidHandle = 6L; // ERROR_INVALID_HANDLE
constexpr LSTATUS kKeyDeleted = 1018L; // ERROR_KEY_DELETED

std::mutex g_handlesMutex;
std::unordered_set<HKEY> g_handles;

// The full path a handle and a subkey name; false for a handle this runtime did not give out.
bool Resolve(HKEY key, LPCOLESTR subKey, std::u16string& path) {
    if (key == HKEY_CLASSES_ROOT) {
        path.clear();
    } else {
        std::lock_guard lock(g_handlesMutex);
        if (!key || !g_handles.count(key))
            return false;
        path = key->path;
    }
    const std::u16string_view sub = automation::View(subKey);
    if (!sub.empty()) {
        if (!path.empty())
            path += u'\\';
        path += sub;
    }
    return true;
}

HKEY NewHandle(std::u16string path) {
    HKEY key = new RegistryKey{std::move(path)};
    std::lock_guard lock(g_handlesMutex);
    g_handles.insert(key);
    return key;
}

// Creating below a key needs the key itself (the classes root always exists).
LSTATUS CheckBase(const RegistryNode& root, HKEY key) {
    if (key == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    return root.Find(key->path) ? ERROR_SUCCESS : kKeyDeleted;
}

// A new handle to the key at `subKey` below `key` in *result, when `reach` (creating or finding it)
// succeeds; null otherwise.
template <class Reach> LSTATUS HandleTo(HKEY key, LPCOLESTR subKey, HKEY* result, Reach reach) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::u16string path;
    if (!Resolve(key, subKey, path))
        return kInvalidHandle;
    const LSTATUS status = reach(path);
    if (status == ERROR_SUCCESS)
        *result = NewHandle(path);
    return status;
}

} // namespace

extern "C" {

AUTOMATION_API LSTATUS RegCreateKeyW(HKEY hKey, LPCOLESTR lpSubKey, HKEY* phkResult) {
    return HandleTo(hKey, lpSubKey, phkResult, [&](const std::u16string& path) {
        return RegistryStore::Update([&](RegistryNode& root) -> LSTATUS {
            if (LSTATUS base = CheckBase(root, hKey); base != ERROR_SUCCESS)
                return base;
            root.Create(path);
            return ERROR_SUCCESS;
        });
    });
}

AUTOMATION_API LSTATUS RegOpenKeyW(HKEY hKey, LPCOLESTR lpSubKey, HKEY* phkResult) {
    return HandleTo(hKey, lpSubKey, phkResult, [](const std::u16string& path) {
        return RegistryStore::Read([&](const RegistryNode& root) -> LSTATUS {
            return root.Find(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        });
    });
}

AUTOMATION_API LSTATUS RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT)
        return ERROR_SUCCESS;
    {
        std::lock_guard lock(g_handlesMutex);
        if (!g_handles.erase(hKey))
            return kInvalidHandle;
    }
    delete hKey;
    return ERROR_SUCCESS;
}

AUTOMATION_API LSTATUS RegSetValueW(HKEY hKey, LPCOLESTR lpSubKey, DWORD dwType, LPCOLESTR lpData, DWORD) {
    if (dwType != REG_SZ || !lpData)
        return ERROR_INVALID_PARAMETER;
    std::u16string path;
    if (!Resolve(hKey, lpSubKey, path))
        return kInvalidHandle;
    const std::u16string value(lpData); // the text up to its NUL, whatever the count says
    return RegistryStore::Update([&](RegistryNode& root) -> LSTATUS {
        if (LSTATUS base = CheckBase(root, hKey); base != ERROR_SUCCESS)
            return base;
        root.Create(path).value = value;
        return ERROR_SUCCESS;
    });
}

AUTOMATION_API LSTATUS RegQueryValueW(HKEY hKey, LPCOLESTR lpSubKey, LPOLESTR lpData, LONG* lpcbData) {
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    std::u16string path;
    if (!Resolve(hKey, lpSubKey, path))
        return kInvalidHandle;
    std::u16string value;
    LSTATUS status = RegistryStore::Read([&](const RegistryNode& root) -> LSTATUS {
        const RegistryNode* node = root.Find(path);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
        value = node->value.value_or(std::u16string()); // a key without a value reads as ""
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS)
        return status;
    const LONG needed = LONG((value.size() + 1) * sizeof(OLECHAR));
    if (!lpData) {
        if (lpcbData)
            *lpcbData = needed;
        return ERROR_SUCCESS;
    }
    if (*lpcbData < needed) {
        *lpcbData = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpData, value.c_str(), size_t(needed));
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

AUTOMATION_API LSTATUS RegDeleteKeyW(HKEY hKey, LPCOLESTR lpSubKey) {
    if (automation::View(lpSubKey).empty())
        return ERROR_INVALID_PARAMETER;
    std::u16string path;
    if (!Resolve(hKey, lpSubKey, path))
        return kInvalidHandle;
    return RegistryStore::Update([&](RegistryNode& root) -> LSTATUS {
        const RegistryNode* node = root.Find(path);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
        if (!node->children.empty())
            return ERROR_ACCESS_DENIED; // only a key without subkeys goes this way
        root.Remove(path);
        return ERROR_SUCCESS;
    });
}

AUTOMATION_API LSTATUS RegDeleteTreeW(HKEY hKey, LPCOLESTR lpSubKey) {
    std::u16string path;
    if (!Resolve(hKey, lpSubKey, path))
        return kInvalidHandle;
    const bool keepKey = automation::View(lpSubKey).empty();
    return RegistryStore::Update([&](RegistryNode& root) -> LSTATUS {
        RegistryNode* node = root.Find(path);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
        if (keepKey) { // without a subkey name: empties the key itself
            node->children.clear();
            node->value.reset();
        } else {
            root.Remove(path);
        }
        return ERROR_SUCCESS;
    });
}

AUTOMATION_API BSTR RegistryFilePath() {
    const std::u16string path = automation::FromUtf8(RegistryStore::FilePath());
    return SysAllocStringLen(path.data(), UINT(path.size()));
}

AUTOMATION_API BSTR RegistryProblem() {
    const std::u16string problem = automation::FromUtf8(RegistryStore::LastProblem());
    return problem.empty() ? nullptr : SysAllocStringLen(problem.data(), UINT(problem.size()));
}

} // extern "C"
