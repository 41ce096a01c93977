// A fresh address database for one test: an SQLite file in a temporary directory, or a database
// of its own on the throwaway PostgreSQL cluster (created from TESSEL_TEST_PG_URL, dropped at the
// end). The schema is loaded; rows come from Load (statements in the Oracle dialect, run through
// the data-access layer as the system runs its own) or Generate (the realistic generator).
//
//   TestDatabase db;                                  // SQLite
//   db.Load({u"insert into addr (id,name,grade,parentid) values(1,'北京市',1,0)"_s});
//   db.Rows(u"select id,name from addr"_s);           // {{"1", "北京市"}}, NULL as "NULL"
//   CADODatabase-level tests: see AttachedDatabase.h; both backends: see BackendTest.h.
#pragma once

#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <memory>

class QTemporaryDir;

// The URL with its database name replaced (postgresql://user@host/NAME?...).
QString WithDatabaseName(const QString& url, const QString& name);
class QtSqlConnection;

enum class Backend { SQLite, PostgreSQL };

class TestDatabase {
public:
    // Throws std::runtime_error when the database cannot be made (PostgreSQL without
    // TESSEL_TEST_PG_URL: check Available first, or use BackendTest, which skips). Without the
    // schema the database is empty (for tools that create it).
    explicit TestDatabase(Backend backend = Backend::SQLite, bool withSchema = true);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // SQLite always; PostgreSQL when TESSEL_TEST_PG_URL is set.
    static bool Available(Backend backend);
    static const char* BackendName(Backend backend); // "SQLite", "PostgreSQL"

    Backend GetBackend() const { return m_backend; }
    // The connection string ("sqlite:/tmp/.../tessel-test.db", "postgresql://...").
    const QString& Url() const { return m_url; }
    // An opened data-access connection to the database, for the test's lifetime.
    _Connection* Connection() const { return m_connection.Get(); }

    // Runs each statement (Oracle dialect) through Connection(), then sets seq_addr past the
    // largest addr id. Throws std::runtime_error naming the statement and the database's message.
    void Load(std::initializer_list<QString> statements);
    void Load(const QStringList& statements);
    // Fills the tables with generated data (see AddressDatabaseGenerator); the tables must be empty.
    void Generate(uint32_t size, uint64_t seed = 1);

    // The rows of a select (Oracle dialect) through Connection(), as text: numbers as decimals, NULL
    // as "NULL". Throws std::runtime_error on failure.
    QList<QStringList> Rows(const QString& statement) const;
    // The same, the statement given to the database as it is (no translation), through Qt SQL.
    QList<QStringList> NativeRows(const QString& statement);
    // A Qt SQL connection to the database, for checks below the system's statements.
    QSqlDatabase& Native();

private:
    Backend m_backend;
    QString m_url;
    QString m_pgName; // the PostgreSQL database to drop
    std::unique_ptr<QTemporaryDir> m_directory;
    std::unique_ptr<QtSqlConnection> m_admin;
    std::unique_ptr<QtSqlConnection> m_native;
    ComPtr<_Connection> m_connection;
};
