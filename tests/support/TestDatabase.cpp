#include "tests/support/TestDatabase.h"

#include "database/AddressDatabaseGenerator.h"
#include "database/AddressSchema.h"
#include "platform/dataaccess/BstrText.h"
#include "database/QtSqlConnection.h"
#include "database/RecordsetText.h"
#include "platform/automation/ComError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <atomic>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {
std::runtime_error Failure(const QString& text) {
    return std::runtime_error(text.toStdString());
}

QString ComErrorText(const ComError& error) {
    return error.HasDescription() ? QString::fromStdU16String(error.Description())
                                  : u"error 0x%1"_s.arg(QString::number(uint32_t(error.Error()), 16));
}

} // namespace

QString WithDatabaseName(const QString& url, const QString& name) {
    const qsizetype authority = url.indexOf(u"://"_s) + 3;
    qsizetype query = url.indexOf(u'?', authority);
    if (query < 0)
        query = url.size();
    qsizetype slash = url.indexOf(u'/', authority);
    if (slash < 0 || slash > query)
        slash = query;
    return url.left(slash) + u'/' + name + url.mid(query);
}

bool TestDatabase::Available(Backend backend) {
    return backend == Backend::SQLite || !qEnvironmentVariableIsEmpty("TESSEL_TEST_PG_URL");
}

const char* TestDatabase::BackendName(Backend backend) {
    return backend == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

TestDatabase::TestDatabase(Backend backend, bool withSchema) : m_backend(backend) {
    if (backend == Backend::SQLite) {
        m_directory = std::make_unique<QTemporaryDir>();
        if (!m_directory->isValid())
            throw Failure(u"cannot make a temporary directory"_s);
        m_url = u"sqlite:"_s + m_directory->filePath(u"tessel-test.db"_s);
    } else {
        const QString base = qEnvironmentVariable("TESSEL_TEST_PG_URL");
        if (base.isEmpty())
            throw Failure(u"TESSEL_TEST_PG_URL is not set"_s);
        static std::atomic<int> counter{0};
        m_pgName = u"tessel_test_%1_%2_%3"_s.arg(QCoreApplication::applicationPid())
                       .arg(++counter)
                       .arg(QDateTime::currentMSecsSinceEpoch() % 100000000);
        m_admin = std::make_unique<QtSqlConnection>(base);
        QtSqlConnection::Exec(m_admin->Database(), u"create database %1 encoding 'UTF8'"_s.arg(m_pgName));
        m_url = WithDatabaseName(base, m_pgName);
    }
    m_native = std::make_unique<QtSqlConnection>(m_url);
    // One transaction: SQLite would otherwise sync the file after every statement.
    if (withSchema) {
        m_native->Database().transaction();
        AddressSchema::Create(m_native->Database());
        m_native->Database().commit();
    }

    ThrowIfFailed(CreateConnection(m_connection.Put()));
    const BstrText url(m_url);
    try {
        ThrowIfFailed(m_connection->Open(url.Get(), nullptr, nullptr, -1));
    } catch (const ComError& error) {
        throw Failure(u"cannot open "_s + m_url + u": "_s + ComErrorText(error));
    }
}

TestDatabase::~TestDatabase() {
    if (m_connection) {
        LONG state = adStateClosed;
        if (SUCCEEDED(m_connection->get_State(&state)) && state != adStateClosed)
            m_connection->Close();
        m_connection.Reset();
    }
    m_native.reset();
    if (m_admin) {
        try {
            QtSqlConnection::Exec(m_admin->Database(),
                                  u"drop database if exists %1 with (force)"_s.arg(m_pgName));
        } catch (const std::exception&) {
            // The cluster goes away after the run anyway.
        }
    }
}

void TestDatabase::Load(std::initializer_list<QString> statements) {
    Load(QStringList(statements));
}

void TestDatabase::Load(const QStringList& statements) {
    // One transaction, so that SQLite syncs the file once.
    LONG level = 0;
    ThrowIfFailed(m_connection->BeginTrans(&level));
    for (const QString& statement : statements) {
        const BstrText text(statement);
        _Recordset* nothing = nullptr;
        const HRESULT hr = m_connection->Execute(text.Get(), nullptr, adExecuteNoRecords, &nothing);
        if (nothing)
            nothing->Release();
        if (FAILED(hr)) {
            const ComError error = ComError::FromLastError(hr);
            m_connection->RollbackTrans();
            throw Failure(u"fixture statement failed: "_s + statement + u"\n"_s + ComErrorText(error));
        }
    }
    ThrowIfFailed(m_connection->CommitTrans());
    AddressSchema::ResetSequence(Native());
}

void TestDatabase::Generate(uint32_t size, uint64_t seed) {
    AddressDatabaseGenerator({size, seed}).Generate(Native());
    // The rows went in with the schema's indexes in place: PostgreSQL's trigram indexes hold them in
    // their pending lists, which the planner prices so high that every search reads the whole table.
    // A vacuum merges them, leaving the indexes as init-db's (built after the rows) are.
    QtSqlConnection::Exec(Native(), m_backend == Backend::PostgreSQL ? u"vacuum analyze"_s : u"analyze"_s);
}

QList<QStringList> TestDatabase::Rows(const QString& statement) const {
    try {
        const BstrText text(statement);
        ComPtr<_Recordset> reading;
        ThrowIfFailed(m_connection->Execute(text.Get(), nullptr, adCmdUnspecified, reading.Put()));
        return RecordsetText::ReadRows(reading.Get());
    } catch (const ComError& error) {
        throw Failure(u"statement failed: "_s + statement + u"\n"_s + ComErrorText(error));
    }
}

QList<QStringList> TestDatabase::NativeRows(const QString& statement) {
    QSqlQuery query(Native());
    if (!query.exec(statement))
        throw Failure(u"statement failed: "_s + statement + u"\n"_s + query.lastError().text());
    QList<QStringList> rows;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row.append(query.isNull(i) ? u"NULL"_s : query.value(i).toString());
        rows.append(row);
    }
    return rows;
}

QSqlDatabase& TestDatabase::Native() {
    return m_native->Database();
}
