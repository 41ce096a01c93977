// A run over many compounds on an SQLite database in WAL mode: its commits are appended to the log
// without a sync of their own (synchronous=NORMAL); the log is synced at each of its checkpoints
// and once more at the end of the run. Every commit is still whole or absent after a power cut: the
// cut costs at most the compounds committed since the last checkpoint, never a part of one, and
// the database stays consistent. A rollback journal gives no such promise at NORMAL, so another
// mode is left as it is, and so are single compounds and the wizard (SQLite's FULL: one sync a
// commit).
#pragma once

#include <QString>

class SqliteRunSync {
public:
    // Lowers the sync of g_pDatabase's connection when it is an SQLite database in WAL mode.
    SqliteRunSync();
    // Checkpoints the log (which syncs it) and puts the connection's setting back.
    ~SqliteRunSync();
    SqliteRunSync(const SqliteRunSync&) = delete;
    SqliteRunSync& operator=(const SqliteRunSync&) = delete;

    bool Engaged() const { return !m_before.isEmpty(); }

private:
    QString m_before; // the connection's setting before the run; empty when not engaged
};
