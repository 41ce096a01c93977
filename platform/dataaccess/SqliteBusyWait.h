// SQLite's wait for another connection's lock, done here rather than by SQLite's own busy timeout
// so that a wait that lasts is told (DatabaseWait). The handler is set on the native connection
// through the SQLite library that Qt's driver has loaded; without it, SQLite's own busy timeout
// waits as long, silently.
#pragma once

#include <QElapsedTimer>

namespace dataaccess {

class SqliteBusyWait {
public:
    // Installs the wait on the native connection (sqlite3*); false when it could not be done.
    bool Install(const void* sqliteHandle, int timeoutMs);
    // Takes it off again (the native connection outlives this object); SQLite's own busy timeout
    // of `timeoutMs` takes its place.
    static void Uninstall(const void* sqliteHandle);
    // After a statement (or a transaction's end): a wait that was told is over.
    void StatementDone();

private:
    static int Handler(void* self, int attempts);

    int m_timeoutMs = 0;
    bool m_told = false;
    QElapsedTimer m_waited;
};

} // namespace dataaccess
