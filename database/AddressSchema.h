// The address database's tables, sequence and indexes for SQLite, PostgreSQL and Oracle, as the
// scripts in database/schema/ (compiled in), and the journal of Finish beside them (journal-*.sql).
// The system creates no structure itself; the host tools and the tests create it with this class.
#pragma once

#include "platform/dataaccess/SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// The connection layer's dialects: one list of them in the system.
using dataaccess::SqlDialect;

class AddressSchema {
public:
    // The whole script of a dialect, comments included; the journal's script.
    static QString Script(SqlDialect dialect);
    static QString JournalScript(SqlDialect dialect);
    // The statements of both scripts in order, comments removed: the tables and the sequences
    // first, then (with their own call) the indexes, so a bulk load can run between the two.
    static QStringList TableStatements(SqlDialect dialect);
    static QStringList IndexStatements(SqlDialect dialect);
    // The journal's statements alone, tables, sequence and indexes.
    static QStringList JournalStatements(SqlDialect dialect);

    // The dialect of a Qt SQL connection by the DBMS its driver talks to (the connection layer's
    // detector, so a schema is made for the dialect its statements are translated for); nothing
    // for a DBMS the schema is not made for.
    static std::optional<SqlDialect> DialectOf(const QSqlDatabase& database);

    // These run on an open connection and throw std::runtime_error with the database's message.
    static void CreateTables(QSqlDatabase& database);
    static void CreateIndexes(QSqlDatabase& database);
    static void Create(QSqlDatabase& database) {
        CreateTables(database);
        CreateIndexes(database);
    }
    // Adds the journal to a database that has the address tables.
    static void CreateJournal(QSqlDatabase& database);
    // Whether the database holds the journal's table of runs.
    static bool HasJournal(const QSqlDatabase& database);
    // Sets seq_addr so that its next value is max(addr.id) + 1 (1 for an empty table), after rows
    // were loaded with ids of their own.
    static void ResetSequence(QSqlDatabase& database);
};
