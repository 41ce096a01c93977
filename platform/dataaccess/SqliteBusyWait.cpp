#include "platform/dataaccess/SqliteBusyWait.h"

#include "platform/dataaccess/DatabaseWait.h"

#include <QThread>

#include <dlfcn.h>

#include <algorithm>

namespace dataaccess {

namespace {

using BusyHandler = int (*)(void*, int);
using SetBusyHandler = int (*)(void* db, BusyHandler handler, void* context);

// The library Qt's SQLite driver runs on, already in the process (never loaded here).
SetBusyHandler FindSetBusyHandler() {
    static const SetBusyHandler found = [] {
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
        return library ? reinterpret_cast<SetBusyHandler>(dlsym(library, "sqlite3_busy_handler")) : nullptr;
    }();
    return found;
}

// A wait shorter than this is not worth a word on the screen.
constexpr qint64 kTellAfterMs = 200;

} // namespace

bool SqliteBusyWait::Install(const void* sqliteHandle, int timeoutMs) {
    const SetBusyHandler set = FindSetBusyHandler();
    if (!sqliteHandle || !set)
        return false;
    m_timeoutMs = timeoutMs;
    return set(const_cast<void*>(sqliteHandle), &SqliteBusyWait::Handler, this) == 0;
}

void SqliteBusyWait::Uninstall(const void* sqliteHandle) {
    if (const SetBusyHandler set = FindSetBusyHandler(); set && sqliteHandle)
        set(const_cast<void*>(sqliteHandle), nullptr, nullptr);
}

int SqliteBusyWait::Handler(void* context, int attempts) {
    auto* self = static_cast<SqliteBusyWait*>(context);
    if (attempts == 0)
        self->m_waited.start();
    const qint64 waited = self->m_waited.elapsed();
    if (waited >= self->m_timeoutMs)
        return 0; // SQLite answers busy: the caller says who holds the lock
    if (!self->m_told && waited >= kTellAfterMs) {
        self->m_told = true;
        DatabaseWait::Notify(true);
    }
    // Short sleeps first, as SQLite's own wait does, then steady ones.
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    const int step = attempts < static_cast<int>(std::size(kSteps)) ? kSteps[attempts] : 100;
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(step, self->m_timeoutMs - waited)));
    return 1;
}

void SqliteBusyWait::StatementDone() {
    if (!m_told)
        return;
    m_told = false;
    DatabaseWait::Notify(false);
}

} // namespace dataaccess
