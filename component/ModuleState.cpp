#include "component/ModuleState.h"

#include <QString>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>

namespace {

std::atomic<long> g_locks{0};

} // namespace

void ModuleState::Lock() {
    ++g_locks;
}

void ModuleState::Unlock() {
    --g_locks;
}

long ModuleState::LockCount() {
    return g_locks.load();
}

std::u16string ModuleState::Path() {
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(&ModuleState::Path), &info) || !info.dli_fname)
        return {};
    char resolved[PATH_MAX];
    const char* path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
    return QString::fromUtf8(path).toStdU16String();
}
