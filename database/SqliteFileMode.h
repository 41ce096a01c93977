// How the SQLite files this system creates keep their journal: a write-ahead log (WAL). A commit then
// appends its pages to the log, FILE-wal beside the database, and syncs that one file at most, where
// a rollback journal syncs the journal, its folder and the database at every commit; readers and the
// one writer no longer wait for each other. FILE-shm beside it holds the log's index: whoever opens
// the database needs to write in its folder (or find both files there), which is why the setting
// belongs to the file, made once when the file is created, and every program that opens it after
// (the sqlite3 shell, the ODBC driver, Qt's driver) follows it.
#pragma once

#include <QSqlDatabase>
#include <QString>

class SqliteFileMode {
public:
    // Puts an SQLite database into WAL mode, outside any transaction. Throws std::runtime_error when
    // SQLite keeps another mode (another connection has the file open).
    static void UseWriteAheadLog(QSqlDatabase& database);
    // The journal mode an SQLite database is in, in lower case ("wal", "delete", ...).
    static QString JournalMode(QSqlDatabase& database);
};
