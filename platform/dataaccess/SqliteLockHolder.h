// Who holds an SQLite file's lock, as far as the system tells: SQLite itself only answers "busy".
// SQLite takes POSIX byte-range locks at fixed offsets of the file (of FILE-shm in WAL mode);
// /proc/locks lists them with the process that holds each, so a lock that outlasted the wait can be
// named without touching the file (closing any descriptor of it would drop this process's locks).
#pragma once

#include <QString>

namespace dataaccess {

class SqliteLockHolder {
public:
    // What a connection waits for: the write lock (to begin writing), or readers to finish (at
    // COMMIT, where it holds the write lock itself).
    enum class Wait { ForWriter, ForReaders };

    // "process 1234 (tessel) holds its write lock", "another connection of this program holds its
    // write lock", "process 1234 (sqlite3) is reading it"; empty when nothing is known.
    static QString Describe(const QString& databasePath, Wait wait);
    // The same from the lines of a /proc/locks reading, for a file of that device and inode; in WAL
    // mode the writer's lock is on the log's index (FILE-shm, `indexInode` on the same device).
    static QString Describe(const QString& procLocks, unsigned major, unsigned minor, unsigned long long inode,
                            Wait wait, unsigned long long indexInode = 0);
};

} // namespace dataaccess
