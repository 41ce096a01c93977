// The connection object over a Qt SQL connection. Each object has a Qt connection name of its own,
// or wraps one the host opened. Statements arrive in the Oracle dialect and are translated for the
// database behind it.
// Threads: a connection and its readings are used on the thread that opened it (Qt SQL allows no
// other); only the reference counts are atomic, so a reference may be released anywhere.
#pragma once

#include "platform/dataaccess/AutomationObject.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/dataaccess/ProviderError.h"
#include "platform/dataaccess/OracleTranslator.h"
#include "platform/dataaccess/PreparedStatements.h"
#include "platform/dataaccess/SqliteBusyWait.h"
#include "platform/dataaccess/TranslationCache.h"

#include "platform/automation/ComPtr.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <vector>

namespace dataaccess {

class Recordset;

// Exported whole: the program, the component and the tests call its members through pointers that
// From gives, and a checked build (-fsanitize=undefined) needs its type information where they do.
class DATAACCESS_API Connection final : public AutomationObject<_Connection, IID__Connection> {
public:
    // A new, unopened connection of our own.
    Connection();
    // Wraps the host's Qt connection of that name (not owned: released, never removed).
    explicit Connection(const QString& hostConnectionName);

    // The implementation behind an interface pointer, if it is one of ours.
    static Connection* From(IUnknown* object);

    HRESULT get_State(LONG* state) override;
    HRESULT get_CursorLocation(LONG* location) override;
    HRESULT put_CursorLocation(LONG location) override;
    HRESULT Open(BSTR connectionString, BSTR userId, BSTR password, LONG options) override;
    HRESULT Execute(BSTR commandText, VARIANT* recordsAffected, LONG options, _Recordset** result) override;
    HRESULT BeginTrans(LONG* transactionLevel) override;
    HRESULT CommitTrans() override;
    HRESULT RollbackTrans() override;
    HRESULT Close() override;

    // For readings: runs one statement of the Oracle dialect into `query` (executed, not yet
    // positioned). Fails with the thread's error object set. A block of writes (see
    // StatementBlock) runs as one statement on a server, as its statements in turn on SQLite.
    HRESULT Run(const QString& statement, bool forwardOnly, QSqlQuery& query,
                QString* translatedText = nullptr);
    // Runs an already translated statement again (a reading that starts over).
    HRESULT RunTranslated(const QString& text, bool forwardOnly, QSqlQuery& query);
    // PREPARE statements this connection has sent, over its life (PostgreSQL; see PreparedStatements).
    long long StatementsPrepared() const { return m_statementsPrepared; }
    bool IsOpen() const;
    SqlDialect Dialect() const { return m_translator.Dialect(); }
    QString Source() const;

    // Statements sent to the database since the connection object was made: translated
    // statements, their loop checks and sequence draws, and the ends of transactions.
    // A block of writes is one on a server; on SQLite each of its statements is one.
    long long StatementsSent() const { return m_statementsSent; }
    // Statements the callers asked to run, each statement of a block counted.
    long long StatementsRun() const { return m_statementsRun; }
    // Transactions begun since the connection object was made (each one a sync of the disk or more
    // at its COMMIT on SQLite, a round trip on a server).
    long long TransactionsBegun() const { return m_transactionsBegun; }
    // How long an SQLite statement waits for another connection's lock before it fails: the
    // connection string's busy_timeout, else ConnectionString::kDefaultBusyTimeoutMs.
    int SqliteBusyTimeoutMs() const { return m_busyTimeoutMs; }

    // A streaming reading holds a live query; before any other statement runs on this connection it
    // reads the rest of its rows, so that drivers which allow one active result (and statements that
    // change the rows) never cut it short.
    void AddStream(Recordset* reading);
    void RemoveStream(Recordset* reading);

private:
    ~Connection() override;
    QSqlDatabase Database() const;
    HRESULT RequireOpen() const;
    HRESULT Failure(HRESULT hr, const QString& description) const;
    // With the provider's own description of the code.
    HRESULT Failure(HRESULT hr) const { return Failure(hr, ProviderError::Description(hr)); }
    HRESULT EndTransaction(bool commit);
    // Sends `text` as it is into a new query; false with the query's error.
    bool Send(const QString& text, bool forwardOnly, QSqlQuery& query);
    // A statement the translation cache gave: on PostgreSQL, through a prepared statement of its
    // shape where one is (or is now) prepared, else as its text.
    HRESULT RunCached(const TranslatedStatement& translated, bool forwardOnly, QSqlQuery& query);
    // Run's work after its checks: one statement (translated here unless `translatedBefore`), or a
    // block of them.
    HRESULT RunOne(const QString& statement, bool forwardOnly, QSqlQuery& query, QString* translatedText,
                   const TranslatedStatement* translatedBefore = nullptr);
    HRESULT RunBlock(const QString& block, QSqlQuery& query);
    void SettleStreams();
    void AfterOpen();
    // Settings of the session: `fresh` after the native connection was made (every setting), else
    // on each statement of a wrapped connection the host may have reset (the cheap ones).
    void PrepareSession(const QSqlDatabase& database, bool fresh);
    // The database's message for a failure; SQLite's "database is locked" after the whole wait says
    // who holds the lock, as far as the system tells.
    QString DatabaseMessage(const QSqlError& error, bool atCommit) const;

    QString m_name;
    bool m_owned = true;
    LONG m_cursorLocation = adUseServer;
    OracleTranslator m_translator{SqlDialect::Oracle};
    TranslationCache m_translationCache;
    PreparedStatements m_prepared;
    long long m_statementsPrepared = 0;
    bool m_inTransaction = false;
    const void* m_preparedFor = nullptr; // the native connection the dialect and settings were set for
    std::vector<Recordset*> m_streams;
    long long m_statementsSent = 0;
    long long m_statementsRun = 0;
    long long m_transactionsBegun = 0;
    int m_busyTimeoutMs;
    SqliteBusyWait m_busyWait;
};

} // namespace dataaccess
