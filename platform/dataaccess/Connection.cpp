#include "platform/dataaccess/Connection.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/dataaccess/ConnectByRewriter.h"
#include "platform/dataaccess/ConnectionString.h"
#include "platform/dataaccess/DatabaseDialect.h"
#include "platform/dataaccess/ProviderError.h"
#include "platform/dataaccess/Recordset.h"
#include "platform/dataaccess/SqliteLockHolder.h"
#include "platform/dataaccess/StatementBlock.h"
#include "platform/dataaccess/TranslationError.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <algorithm>
#include <optional>
#include <atomic>

#include <unistd.h>

namespace dataaccess {

namespace {

std::atomic<int> g_connectionNumber{0};

QString NewConnectionName() {
    return QStringLiteral("tessel-dataaccess-%1").arg(++g_connectionNumber);
}

// The driver's native connection (sqlite3*, PGconn*, the ODBC HDBC): a new one after the host
// closes and opens its Qt connection again.
const void* NativeHandle(const QSqlDatabase& database) {
    if (!database.driver())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || !QByteArray(handle.typeName()).endsWith('*'))
        return nullptr;
    return *static_cast<void* const*>(handle.constData());
}

// The sqlite3 handle of Qt's own SQLite driver; nothing for any other driver (an ODBC driver
// reaching an SQLite file hands out an ODBC handle, which SQLite's functions must never see).
const void* SqliteHandle(const QSqlDatabase& database) {
    if (!database.driver() || qstrcmp(database.driver()->handle().typeName(), "sqlite3*") != 0)
        return nullptr;
    return NativeHandle(database);
}

// Runs `update SEQUENCE ... returning last_value` without its returning clause and reads the value
// back with a select, both inside one savepoint. The value, or nothing with the database's message.
std::optional<long long> DrawThroughSavepoint(const QSqlDatabase& database, const QString& sequence,
                                              QString statement, QString& error) {
    const qsizetype returning = statement.lastIndexOf(QStringLiteral(" returning "));
    if (returning > 0)
        statement.truncate(returning);
    QSqlQuery step(database);
    step.setForwardOnly(true);
    std::optional<long long> value;
    if (!step.exec(QStringLiteral("savepoint tessel_sequence_draw"))) {
        error = ProviderError::DatabaseMessage(step.lastError());
        return std::nullopt;
    }
    if (step.exec(statement) && step.exec(QStringLiteral("select last_value from %1").arg(sequence)) &&
        step.next() && !step.isNull(0))
        value = step.value(0).toLongLong();
    else
        error = step.lastError().isValid() ? ProviderError::DatabaseMessage(step.lastError())
                                           : QStringLiteral("no value drawn");
    step.finish();
    if (!value)
        step.exec(QStringLiteral("rollback to tessel_sequence_draw"));
    step.exec(QStringLiteral("release tessel_sequence_draw"));
    return value;
}

// Why an SQLite database in WAL mode cannot be read here, or nothing: SQLite needs its log's index
// FILE-shm beside it, also to read, and makes it when it is not there; in a folder this process may
// not write in, every statement would fail with "attempt to write a readonly database".
std::optional<QString> WalUnreadable(const QString& databasePath) {
    const QFileInfo file(databasePath);
    if (!file.exists() || QFileInfo::exists(databasePath + QStringLiteral("-shm")) ||
        access(QFile::encodeName(file.absolutePath()).constData(), W_OK) == 0)
        return std::nullopt;
    QFile header(databasePath);
    // Bytes 18 and 19 of the header: 2 for WAL mode.
    if (!header.open(QIODevice::ReadOnly) || header.read(20).mid(18) != QByteArray("\x02\x02", 2))
        return std::nullopt;
    return QStringLiteral("%1 is in WAL mode, and SQLite needs to make %2-shm beside it, also to read it, but "
                          "the folder %3 is not writable: copy the database elsewhere, or have its owner turn it "
                          "back with pragma journal_mode=delete")
        .arg(databasePath, file.fileName(), file.absolutePath());
}

// Whatever way a statement ends, a wait it was told to have is over.
class WaitTold {
public:
    explicit WaitTold(SqliteBusyWait& wait) : m_wait(wait) {}
    ~WaitTold() { m_wait.StatementDone(); }
    WaitTold(const WaitTold&) = delete;
    WaitTold& operator=(const WaitTold&) = delete;

private:
    SqliteBusyWait& m_wait;
};

} // namespace

Connection::Connection() : m_name(NewConnectionName()), m_busyTimeoutMs(ConnectionString::kDefaultBusyTimeoutMs) {}

Connection::Connection(const QString& hostConnectionName)
    : m_name(hostConnectionName), m_owned(false), m_busyTimeoutMs(ConnectionString::kDefaultBusyTimeoutMs) {
    if (IsOpen())
        AfterOpen();
}

Connection::~Connection() {
    if (!m_owned) {
        // The host's connection stays: its busy handler must not point here any longer.
        if (m_translator.Dialect() == SqlDialect::SQLite && IsOpen()) {
            const QSqlDatabase database = Database();
            if (NativeHandle(database) == m_preparedFor) {
                SqliteBusyWait::Uninstall(SqliteHandle(database));
                QSqlQuery(database).exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(m_busyTimeoutMs));
            }
        }
        return;
    }
    {
        QSqlDatabase database = Database();
        if (database.isOpen()) {
            if (m_inTransaction)
                database.rollback();
            database.close();
        }
    }
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

Connection* Connection::From(IUnknown* object) {
    if (!object)
        return nullptr;
    ComPtr<_Connection> connection;
    if (FAILED(object->QueryInterface(IID__Connection, reinterpret_cast<void**>(connection.Put()))))
        return nullptr;
    return dynamic_cast<Connection*>(connection.Get());
}

QSqlDatabase Connection::Database() const {
    return QSqlDatabase::database(m_name, false);
}

bool Connection::IsOpen() const {
    return QSqlDatabase::contains(m_name) && Database().isOpen();
}

QString Connection::Source() const {
    return ProviderError::Source(QSqlDatabase::contains(m_name) ? Database().driverName() : QString());
}

HRESULT Connection::Failure(HRESULT hr, const QString& description) const {
    return ProviderError::Fail(hr, Source(), description);
}

HRESULT Connection::RequireOpen() const {
    return IsOpen() ? S_OK : Failure(kErrorObjectClosed);
}

void Connection::AfterOpen() {
    QSqlDatabase database = Database();
    m_preparedFor = NativeHandle(database);
    m_translator = OracleTranslator(DatabaseDialect::Of(database));
    m_translationCache.Clear();
    m_prepared.Forget(); // a new session holds none
    PrepareSession(database, true);
}

void Connection::PrepareSession(const QSqlDatabase& database, bool fresh) {
    if (m_translator.Dialect() == SqlDialect::PostgreSQL && fresh) {
        // The server's notices and warnings (a ROLLBACK with no transaction left, say) would reach
        // standard error through the driver; errors still come back with their statements.
        QSqlQuery(database).exec(QStringLiteral("SET client_min_messages TO error"));
        return;
    }
    if (m_translator.Dialect() != SqlDialect::SQLite)
        return;
    // Oracle's like tells upper from lower case; SQLite's does only when asked, per connection.
    QSqlQuery(database).exec(QStringLiteral("PRAGMA case_sensitive_like=ON"));
    // Another operator's commit holds the database's write lock for a while: wait for it rather
    // than fail at once, whatever the host's connection was opened with, and say so while waiting.
    if (!m_busyWait.Install(SqliteHandle(database), m_busyTimeoutMs))
        QSqlQuery(database).exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(m_busyTimeoutMs));
}

QString Connection::DatabaseMessage(const QSqlError& error, bool atCommit) const {
    const QString message = ProviderError::DatabaseMessage(error);
    // SQLITE_BUSY: the wait ran out. (Qt's driver keeps only the text of a failed COMMIT.)
    const bool busy = error.nativeErrorCode() == u"5" || error.databaseText() == u"database is locked";
    if (m_translator.Dialect() != SqlDialect::SQLite || !busy)
        return message;
    const QString holder = SqliteLockHolder::Describe(
        Database().databaseName(), atCommit ? SqliteLockHolder::Wait::ForReaders : SqliteLockHolder::Wait::ForWriter);
    const QString waited = QString::number(m_busyTimeoutMs / 1000.0, 'g', 3);
    const QString what = atCommit ? QStringLiteral("another connection kept reading it while this one waited %1 s to "
                                                   "write")
                                  : QStringLiteral("another writer held it while this one waited %1 s");
    return QStringLiteral("%1: %2%3 (a longer wait: sqlite:PATH?busy_timeout=MS)")
        .arg(message, what.arg(waited), holder.isEmpty() ? QString() : QStringLiteral("; ") + holder);
}

void Connection::AddStream(Recordset* reading) {
    m_streams.push_back(reading);
}

void Connection::RemoveStream(Recordset* reading) {
    m_streams.erase(std::remove(m_streams.begin(), m_streams.end(), reading), m_streams.end());
}

void Connection::SettleStreams() {
    const std::vector<Recordset*> streams = m_streams;
    for (Recordset* reading : streams)
        reading->Settle();
    m_streams.clear();
}

HRESULT Connection::get_State(LONG* state) {
    if (!state)
        return E_POINTER;
    *state = IsOpen() ? adStateOpen : adStateClosed;
    return S_OK;
}

HRESULT Connection::get_CursorLocation(LONG* location) {
    if (!location)
        return E_POINTER;
    *location = m_cursorLocation;
    return S_OK;
}

HRESULT Connection::put_CursorLocation(LONG location) {
    if (location != adUseServer && location != adUseClient)
        return Failure(kErrorInvalidArgument);
    m_cursorLocation = location;
    return S_OK;
}

HRESULT Connection::Open(BSTR connectionString, BSTR userId, BSTR password, LONG) {
    if (IsOpen())
        return Failure(kErrorObjectOpen);
    QString problem;
    const std::optional<ConnectionString> parsed =
        ConnectionString::Parse(BstrText::ToQString(connectionString), &problem);
    if (!parsed)
        return ProviderError::Fail(E_FAIL, ProviderError::Source({}), problem);
    if (!m_owned) { // a wrapped connection that was closed opens as one of our own
        m_name = NewConnectionName();
        m_owned = true;
    }
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
    const QString source = ProviderError::Source(parsed->driver);
    if (parsed->driver == u"QSQLITE")
        if (const auto why = WalUnreadable(parsed->database))
            return ProviderError::Fail(E_FAIL, source, *why);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(parsed->driver, m_name);
        if (!database.isValid() || !database.driver()) {
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return ProviderError::Fail(
                E_FAIL, source, QStringLiteral("the Qt SQL driver %1 is not available").arg(parsed->driver));
        }
        database.setDatabaseName(parsed->database);
        if (!parsed->host.isEmpty())
            database.setHostName(parsed->host);
        if (parsed->port > 0)
            database.setPort(parsed->port);
        const QString user = SysStringLen(userId) ? BstrText::ToQString(userId) : parsed->user;
        const QString secret = SysStringLen(password) ? BstrText::ToQString(password) : parsed->password;
        if (!user.isEmpty())
            database.setUserName(user);
        if (!secret.isEmpty())
            database.setPassword(secret);
        if (!parsed->options.isEmpty())
            database.setConnectOptions(parsed->options);
        if (!database.open()) {
            // A driver may quote what it was given; no password leaves through its message.
            QString message = parsed->HidePassword(ProviderError::DatabaseMessage(database.lastError()));
            if (!secret.isEmpty())
                message.replace(secret, QStringLiteral("***"));
            // Some failures (a server that never answered) do not say which server it was.
            if (!parsed->host.isEmpty() && !message.contains(parsed->host))
                message = QStringLiteral("%1%2: %3")
                              .arg(parsed->host,
                                   parsed->port > 0 ? QStringLiteral(":%1").arg(parsed->port) : QString(), message);
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return ProviderError::Fail(E_FAIL, source, message);
        }
    }
    m_inTransaction = false;
    m_busyTimeoutMs = parsed->busyTimeoutMs;
    AfterOpen();
    return S_OK;
}

bool Connection::Send(const QString& text, bool forwardOnly, QSqlQuery& query) {
    query = QSqlQuery(Database());
    query.setForwardOnly(forwardOnly);
    // NUMERIC values as exact text; FieldValue turns them into numbers.
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    ++m_statementsSent;
    return query.exec(text);
}

HRESULT Connection::RunTranslated(const QString& text, bool forwardOnly, QSqlQuery& query) {
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    const WaitTold waitTold(m_busyWait);
    SettleStreams();
    if (!Send(text, forwardOnly, query))
        return Failure(DB_E_ERRORSINCOMMAND, DatabaseMessage(query.lastError(), false));
    return S_OK;
}

HRESULT Connection::RunCached(const TranslatedStatement& translated, bool forwardOnly, QSqlQuery& query) {
    if (m_translator.Dialect() != SqlDialect::PostgreSQL)
        return RunTranslated(translated.text, forwardOnly, query);
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    const WaitTold waitTold(m_busyWait);
    SettleStreams();
    const bool outsideTransaction = !m_inTransaction;
    if (outsideTransaction) {
        if (const std::optional<QString> room = m_prepared.MakeRoom()) {
            QSqlQuery step;
            Send(*room, true, step);
        }
    }
    const std::optional<PreparedStatements::Sending> sending = m_prepared.Send(translated, outsideTransaction);
    if (sending && !sending->prepare.isEmpty()) {
        // Outside a transaction: a refusal costs nothing but the statement sent as text.
        QSqlQuery step;
        ++m_statementsPrepared;
        if (!Send(sending->prepare, true, step)) {
            m_prepared.Refused(sending->key);
            return RunTranslated(translated.text, forwardOnly, query);
        }
    }
    if (!sending)
        return RunTranslated(translated.text, forwardOnly, query);
    if (Send(sending->execute, forwardOnly, query))
        return S_OK;
    // 26000: the session no longer holds it (a host's connection opened again under the same handle).
    if (query.lastError().nativeErrorCode() == u"26000" && outsideTransaction) {
        m_prepared.Forget();
        return RunTranslated(translated.text, forwardOnly, query);
    }
    return Failure(DB_E_ERRORSINCOMMAND, DatabaseMessage(query.lastError(), false));
}

HRESULT Connection::Run(const QString& statement, bool forwardOnly, QSqlQuery& query,
                        QString* translatedText) {
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    const WaitTold waitTold(m_busyWait);
    SettleStreams();
    const QSqlDatabase database = Database();
    if (NativeHandle(database) != m_preparedFor) // a wrapped connection the host opened since
        AfterOpen();
    else if (!m_owned) // the host may have closed and opened it again under the same handle
        PrepareSession(database, false);
    if (StatementBlock::Begins(statement)) {
        if (translatedText)
            translatedText->clear();
        return RunBlock(statement, query);
    }
    ++m_statementsRun;
    return RunOne(statement, forwardOnly, query, translatedText);
}

HRESULT Connection::RunBlock(const QString& block, QSqlQuery& query) {
    QStringList statements;
    std::vector<TranslatedStatement> translated;
    try {
        statements = StatementBlock::Statements(block);
        // Every statement understood before the first one runs.
        if (m_translator.Dialect() != SqlDialect::Oracle)
            for (const QString& statement : statements)
                translated.push_back(m_translationCache.Translate(
                    statement, [this](const QString& text) { return m_translator.Translate(text); }));
    } catch (const TranslationError& error) {
        return Failure(DB_E_ERRORSINCOMMAND,
                       QStringLiteral("statement not understood: %1").arg(error.Message()));
    }
    if (m_translator.Dialect() != SqlDialect::SQLite) {
        // One statement, one round trip: Oracle's own block as written, or a DO block that fails as
        // a whole (several statements in one text would report the first one's result only).
        m_statementsRun += statements.size();
        const QString text =
            m_translator.Dialect() == SqlDialect::Oracle ? block : StatementBlock::PostgreSqlDo(translated);
        return RunTranslated(text, true, query);
    }
    // SQLite: one call a statement, with its sequence draws, up to the first failure. Outside a
    // transaction a savepoint keeps the block whole, as a server does.
    const bool whole = !m_inTransaction;
    QSqlQuery step(Database());
    const auto undo = [&] {
        m_statementsSent += 2;
        step.exec(QStringLiteral("rollback to tessel_block"));
        step.exec(QStringLiteral("release tessel_block"));
    };
    if (whole) {
        ++m_statementsSent;
        if (!step.exec(QStringLiteral("savepoint tessel_block")))
            return Failure(DB_E_ERRORSINCOMMAND, DatabaseMessage(step.lastError(), false));
    }
    for (size_t i = 0; i < translated.size(); ++i) {
        ++m_statementsRun;
        if (HRESULT hr = RunOne(statements[static_cast<qsizetype>(i)], true, query, nullptr, &translated[i]);
            FAILED(hr)) {
            if (whole) {
                query = QSqlQuery(); // a statement still open would keep the savepoint from going
                undo();
            }
            return hr;
        }
    }
    if (whole) {
        query.finish();
        ++m_statementsSent;
        if (!step.exec(QStringLiteral("release tessel_block"))) {
            const HRESULT hr = Failure(DB_E_ERRORSINCOMMAND, DatabaseMessage(step.lastError(), true));
            undo();
            return hr;
        }
    }
    return S_OK;
}

HRESULT Connection::RunOne(const QString& statement, bool forwardOnly, QSqlQuery& query, QString* translatedText,
                           const TranslatedStatement* translatedBefore) {
    const QSqlDatabase database = Database();
    TranslatedStatement translated;
    try {
        if (translatedBefore)
            translated = *translatedBefore;
        else
            translated = m_translator.Dialect() == SqlDialect::Oracle
                             ? m_translator.Translate(statement)
                             : m_translationCache.Translate(
                                   statement, [this](const QString& text) { return m_translator.Translate(text); });
        for (const QString& check : translated.loopChecks) {
            QSqlQuery probe(database);
            probe.setForwardOnly(true);
            ++m_statementsSent;
            if (!probe.exec(check))
                return Failure(DB_E_ERRORSINCOMMAND, ProviderError::DatabaseMessage(probe.lastError()));
            if (probe.next())
                return Failure(DB_E_ERRORSINCOMMAND, QString::fromLatin1(LoopInDataMessage));
        }
        if (!translated.sequences.isEmpty()) {
            QStringList values;
            // SQLite's ODBC driver runs "update ... returning" but yields no row from it: there the
            // value is read back inside a savepoint, so no other writer comes in between.
            const bool readBack = m_translator.Dialect() == SqlDialect::SQLite && database.driverName() == u"QODBC";
            for (qsizetype i = 0; i < translated.sequenceDraws.size(); ++i) {
                QSqlQuery draw(database);
                draw.setForwardOnly(true);
                ++m_statementsSent;
                if (readBack) {
                    QString problem;
                    const std::optional<long long> value =
                        DrawThroughSavepoint(database, translated.sequences[i], translated.sequenceDraws[i], problem);
                    if (!value)
                        return Failure(DB_E_ERRORSINCOMMAND,
                                       QStringLiteral("sequence %1: %2").arg(translated.sequences[i], problem));
                    values.append(QString::number(*value));
                    continue;
                }
                if (!draw.exec(translated.sequenceDraws[i]) || !draw.next() || draw.isNull(0))
                    return Failure(DB_E_ERRORSINCOMMAND,
                                   QStringLiteral("sequence %1: %2")
                                       .arg(translated.sequences[i],
                                            draw.lastError().isValid()
                                                ? ProviderError::DatabaseMessage(draw.lastError())
                                                : QStringLiteral("no value drawn")));
                values.append(QString::number(draw.value(0).toLongLong()));
            }
            translated = m_translator.Translate(statement, values);
        }
    } catch (const TranslationError& error) {
        return Failure(DB_E_ERRORSINCOMMAND,
                       QStringLiteral("statement not understood: %1").arg(error.Message()));
    }
    if (translatedText)
        *translatedText = translated.text;
    if (!translated.shapeText.isEmpty())
        return RunCached(translated, forwardOnly, query);
    return RunTranslated(translated.text, forwardOnly, query);
}

HRESULT Connection::Execute(BSTR commandText, VARIANT* recordsAffected, LONG options, _Recordset** result) {
    if (result)
        *result = nullptr;
    QSqlQuery query;
    QString translated;
    const QString statement = BstrText::ToQString(commandText);
    if (HRESULT hr = Run(statement, true, query, &translated); FAILED(hr))
        return hr;
    if (recordsAffected) {
        VariantInit(recordsAffected);
        recordsAffected->vt = VT_I4;
        // A block's statements are not counted one by one on every database.
        const bool counted = !query.isSelect() && !StatementBlock::Begins(statement);
        recordsAffected->lVal = counted ? query.numRowsAffected() : -1;
    }
    if ((options != adCmdUnspecified && (options & adExecuteNoRecords)) || !result)
        return S_OK;
    Recordset* reading = new Recordset;
    if (query.isSelect()) {
        reading->put_CursorLocation(m_cursorLocation);
        if (HRESULT hr = reading->Load(*this, std::move(query), translated, m_cursorLocation != adUseClient);
            FAILED(hr)) {
            reading->Release();
            return hr;
        }
    }
    *result = reading; // a statement without rows gives a closed reading
    return S_OK;
}

HRESULT Connection::BeginTrans(LONG* transactionLevel) {
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    if (m_inTransaction)
        return Failure(kErrorTransactionExists);
    const WaitTold waitTold(m_busyWait);
    SettleStreams();
    QSqlDatabase database = Database();
    ++m_statementsSent;
    if (m_translator.Dialect() == SqlDialect::SQLite) {
        // The write lock from the start: a transaction that reads first and writes later could
        // otherwise meet another writer half way and fail at once instead of waiting its turn.
        QSqlQuery begin(database);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return Failure(E_FAIL, DatabaseMessage(begin.lastError(), false));
    } else if (!database.transaction()) {
        return Failure(E_FAIL, ProviderError::DatabaseMessage(database.lastError()));
    }
    m_inTransaction = true;
    ++m_transactionsBegun;
    if (transactionLevel)
        *transactionLevel = 1;
    return S_OK;
}

HRESULT Connection::CommitTrans() { return EndTransaction(true); }

HRESULT Connection::RollbackTrans() { return EndTransaction(false); }

HRESULT Connection::EndTransaction(bool commit) {
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    if (!m_inTransaction)
        return Failure(kErrorNoTransaction);
    const WaitTold waitTold(m_busyWait);
    SettleStreams();
    QSqlDatabase database = Database();
    ++m_statementsSent;
    if (m_translator.Dialect() == SqlDialect::SQLite) {
        // Begun by a statement (BEGIN IMMEDIATE), ended by one: an ODBC driver in autocommit mode
        // would take commit() for nothing to do and leave the transaction open.
        QSqlQuery end(database);
        if (!end.exec(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
            return Failure(E_FAIL, DatabaseMessage(end.lastError(), commit));
    } else if (!(commit ? database.commit() : database.rollback())) {
        return Failure(E_FAIL, DatabaseMessage(database.lastError(), commit));
    }
    m_inTransaction = false;
    return S_OK;
}

HRESULT Connection::Close() {
    if (HRESULT hr = RequireOpen(); FAILED(hr))
        return hr;
    SettleStreams();
    QSqlDatabase database = Database();
    if (m_inTransaction)
        database.rollback();
    m_inTransaction = false;
    database.close();
    return S_OK;
}

} // namespace dataaccess
