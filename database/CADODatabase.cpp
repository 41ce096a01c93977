#include "database/CADODatabase.h"

#include "platform/dataaccess/BstrText.h"
#include "platform/dataaccess/Connection.h"
#include "platform/automation/ComError.h"

using namespace Qt::Literals::StringLiterals;

CADODatabase* g_pDatabase = nullptr;

CADODatabase::CADODatabase() : CADOBase(u"CADODatabase"_s) {
    // A failure leaves the current connection empty; it shows at the first statement.
    _Connection* own = nullptr;
    if (SUCCEEDED(CreateConnection(&own)))
        m_connection = ComPtr<_Connection>::Attach(own);
}

CADODatabase::~CADODatabase() {
    try {
        Disconnect();
    } catch (const ComError&) {
        // Nothing to tell anyone while going away.
    }
    m_connection.Reset();
    m_savedConnection.Reset();
    if (g_pDatabase == this)
        g_pDatabase = nullptr;
}

void CADODatabase::AttachConnection(IDispatch* hostObject) {
    m_hostObject = hostObject;
    // Only the wrapper's own connection is ever saved: a second attachment must not put the first
    // host's connection in the saved slot, or the destruction would close a connection that
    // belongs to the host.
    if (!m_ownSaved) {
        m_savedConnection = m_connection;
        m_ownSaved = true;
    }
    m_connection.Reset();
    if (!hostObject)
        return;
    _Connection* connection = nullptr;
    const HRESULT hr = hostObject->QueryInterface(IID__Connection, reinterpret_cast<void**>(&connection));
    if (SUCCEEDED(hr) && connection) {
        m_connection = ComPtr<_Connection>::Attach(connection);
        return;
    }
    if (hr == E_NOINTERFACE || SUCCEEDED(hr))
        return;
    throw ComError::FromLastError(hr);
}

void CADODatabase::DetachConnection() {
    if (!m_hostObject)
        return;
    m_connection = m_savedConnection;
    m_savedConnection.Reset();
    m_ownSaved = false;
    m_hostObject = nullptr;
}

bool CADODatabase::IsConnected() const {
    LONG state = adStateClosed;
    return m_connection && SUCCEEDED(m_connection->get_State(&state)) && state != adStateClosed;
}

dataaccess::SqlDialect CADODatabase::Dialect() const {
    const dataaccess::Connection* connection = m_connection ? dataaccess::Connection::From(m_connection.Get()) : nullptr;
    return connection ? connection->Dialect() : dataaccess::SqlDialect::Oracle;
}

ComPtr<_Recordset> CADODatabase::Execute(const QString& statement, LONG options) {
    if (!m_connection)
        throw ComError(E_POINTER);
    ThrowIfFailed(m_connection->put_CursorLocation(adUseClient));
    const BstrText text(statement);
    VARIANT recordsAffected;
    VariantInit(&recordsAffected);
    _Recordset* reading = nullptr;
    const HRESULT hr = m_connection->Execute(text.Get(), &recordsAffected, options, &reading);
    VariantClear(&recordsAffected);
    auto result = ComPtr<_Recordset>::Attach(reading);
    ThrowIfFailed(hr);
    return result;
}

RowSource CADODatabase::RunQuery(const QString& statement, int mode) {
    try {
        return Execute(statement, adCmdUnspecified);
    } catch (const ComError& error) {
        ReportError(error, mode);
        return {};
    }
}

bool CADODatabase::RunStatement(const QString& statement, int mode) {
    try {
        Execute(statement, adExecuteNoRecords); // whatever comes back is released here
        return true;
    } catch (const ComError& error) {
        ReportError(error, mode);
        return false;
    }
}

LONG CADODatabase::TransBegin() {
    if (!m_connection)
        throw ComError(E_POINTER);
    LONG level = 0;
    ThrowIfFailed(m_connection->BeginTrans(&level));
    return level;
}

void CADODatabase::TransCommit() {
    if (!m_connection)
        throw ComError(E_POINTER);
    ThrowIfFailed(m_connection->CommitTrans());
}

void CADODatabase::TransRollback() {
    if (!m_connection)
        throw ComError(E_POINTER);
    ThrowIfFailed(m_connection->RollbackTrans());
}

void CADODatabase::Disconnect() {
    if (IsConnected())
        ThrowIfFailed(m_connection->Close());
}
