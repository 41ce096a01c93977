// Databases for the benchmarks: SQLite files generated once and kept under the build directory
// (named after the schema they were made with, so a schema change makes new ones), and databases
// on the throwaway PostgreSQL that scripts/run-benchmarks starts (TESSEL_TEST_PG_URL), made once
// per run and copied for each measurement with "create database ... template ...".
#pragma once

#include "database/AddressSchema.h"
#include "platform/dataaccess/BstrText.h"
#include "database/CADODatabase.h"
#include "database/QtSqlConnection.h"
#include "tests/support/TestDatabase.h"
#include "platform/automation/ComPtr.h"
#include "platform/dataaccess/DataAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>

namespace bench {

using namespace Qt::Literals::StringLiterals;

// build/bench-data, or $TESSEL_BENCH_DATA.
inline QString DataDirectory() {
    QString dir = qEnvironmentVariable("TESSEL_BENCH_DATA");
    if (dir.isEmpty())
        dir = QStringLiteral(TESSEL_BIN_DIR "/../bench-data");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

// A short mark of the SQLite schema scripts, for the names of cached files.
inline QString SchemaMark() {
    return QString::fromLatin1(
        QCryptographicHash::hash(
            (AddressSchema::Script(SqlDialect::SQLite) + AddressSchema::JournalScript(SqlDialect::SQLite)).toUtf8(),
            QCryptographicHash::Sha1)
            .toHex()
            .left(8));
}

// The cached SQLite file `name` (schema mark added), made by `fill` on an empty connection when it
// is missing. fill creates the schema itself; a failure leaves no file.
inline QString CachedSqliteFile(const QString& name, const std::function<void(QSqlDatabase&)>& fill) {
    const QString path = DataDirectory() + u'/' + name + u'-' + SchemaMark() + u".db"_s;
    if (QFile::exists(path))
        return path;
    const QString partial = path + u".partial"_s;
    QFile::remove(partial);
    {
        QtSqlConnection connection(u"sqlite:"_s + partial);
        fill(connection.Database());
        QtSqlConnection::Exec(connection.Database(), u"analyze"_s);
    }
    if (!QFile::rename(partial, path))
        throw std::runtime_error("cannot keep the generated database");
    return path;
}

// The throwaway PostgreSQL: its URL, or nothing when none runs.
inline std::optional<QString> PostgresUrl() {
    const QString url = qEnvironmentVariable("TESSEL_TEST_PG_URL");
    if (url.isEmpty())
        return std::nullopt;
    return url;
}


// The TCP port the server listens on at 127.0.0.1 (the URL's port=N or host:N).
inline uint16_t PostgresPort(const QString& url) {
    static const QRegularExpression port(u"(?:port=|:)(\\d+)"_s);
    QRegularExpressionMatch last;
    for (const QRegularExpressionMatch& m : port.globalMatch(url))
        last = m;
    return last.hasMatch() ? static_cast<uint16_t>(last.captured(1).toUInt()) : 5432;
}

// A URL for database `name` reached over TCP at 127.0.0.1:port (for the proxy).
inline QString TcpUrl(const QString& name, uint16_t port) {
    return u"postgresql://postgres@127.0.0.1:%1/%2"_s.arg(port).arg(name);
}

inline void Exec(QSqlDatabase& database, const QString& statement) {
    QtSqlConnection::Exec(database, statement);
}

// The system's side: a data-access connection attached to a CADODatabase that g_pDatabase points
// at, as the dealer sets it up, for one scope.
class SystemDatabase {
public:
    explicit SystemDatabase(const QString& url) : m_previous(g_pDatabase) {
        if (FAILED(CreateConnection(m_connection.Put())))
            throw std::runtime_error("CreateConnection failed");
        const BstrText text(url);
        if (FAILED(m_connection->Open(text.Get(), nullptr, nullptr, -1)))
            throw std::runtime_error((u"cannot open "_s + url).toStdString());
        m_database.AttachConnection(m_connection.Get());
        g_pDatabase = &m_database;
    }
    ~SystemDatabase() {
        m_database.DetachConnection();
        g_pDatabase = m_previous;
        m_connection->Close();
    }
    SystemDatabase(const SystemDatabase&) = delete;
    SystemDatabase& operator=(const SystemDatabase&) = delete;

    CADODatabase& Database() { return m_database; }

private:
    ComPtr<_Connection> m_connection;
    CADODatabase m_database;
    CADODatabase* m_previous;
};

} // namespace bench
