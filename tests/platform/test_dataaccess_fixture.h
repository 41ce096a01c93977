// Scratch databases for the data-access tests: an SQLite file in a temporary directory, and a fresh
// PostgreSQL database (created on the server TESSEL_TEST_PG_URL names, dropped afterwards) so that
// test programs can run side by side. The tiny schema holds the four tables and the sequence.
#pragma once

#include "platform/dataaccess/ConnectionString.h"
#include "platform/dataaccess/DataAccess.h"
#include "platform/dataaccess/SqlDialect.h"

#include "platform/automation/ComPtr.h"

#include "tests/support/QtPrinters.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

#include <atomic>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace dataaccess_test {

using dataaccess::SqlDialect;

inline QString PgServerUrl() {
    return qEnvironmentVariable("TESSEL_TEST_PG_URL");
}

inline QString NewQtConnectionName() {
    static std::atomic<int> number{0};
    return QStringLiteral("dataaccess-test-%1").arg(++number);
}

// A Qt connection for setting up and checking, outside the objects under test.
inline QSqlDatabase OpenRaw(const QString& url, const QString& name) {
    QString problem;
    const auto parsed = dataaccess::ConnectionString::Parse(url, &problem);
    if (!parsed)
        throw std::runtime_error(problem.toStdString());
    QSqlDatabase db = QSqlDatabase::addDatabase(parsed->driver, name);
    db.setDatabaseName(parsed->database);
    db.setHostName(parsed->host);
    db.setPort(parsed->port);
    db.setUserName(parsed->user);
    db.setPassword(parsed->password);
    db.setConnectOptions(parsed->options);
    if (!db.open())
        throw std::runtime_error(db.lastError().text().toStdString());
    return db;
}

inline void Exec(QSqlDatabase& db, const QString& statement) {
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw std::runtime_error((statement + QStringLiteral(": ") + query.lastError().text()).toStdString());
}

// A fresh database on the test server; Url() reaches it through the server's local socket.
class PgScratchDatabase {
public:
    // tag: letters, digits and _ only.
    explicit PgScratchDatabase(const QString& tag) {
        const QString server = PgServerUrl();
        if (server.isEmpty())
            return;
        m_server = *dataaccess::ConnectionString::Parse(server, nullptr);
        static std::atomic<int> number{0};
        m_name =
            QStringLiteral("tessel_%1_%2_%3").arg(tag).arg(QCoreApplication::applicationPid()).arg(++number);
        m_admin = NewQtConnectionName();
        QSqlDatabase admin = OpenRaw(server, m_admin);
        Exec(admin, QStringLiteral("drop database if exists %1").arg(m_name));
        Exec(admin, QStringLiteral("create database %1").arg(m_name));
    }
    ~PgScratchDatabase() {
        if (m_name.isEmpty())
            return;
        {
            QSqlDatabase admin = QSqlDatabase::database(m_admin);
            QSqlQuery(admin).exec(QStringLiteral("drop database if exists %1 with (force)").arg(m_name));
            admin.close();
        }
        QSqlDatabase::removeDatabase(m_admin);
    }
    PgScratchDatabase(const PgScratchDatabase&) = delete;
    PgScratchDatabase& operator=(const PgScratchDatabase&) = delete;

    bool Available() const { return !m_name.isEmpty(); }
    const QString& Name() const { return m_name; }
    const dataaccess::ConnectionString& Server() const { return m_server; }
    // postgresql://user[:password]@[host][:port]/name, or the socket form ?host=/dir&port=N
    QString Url() const {
        auto enc = [](const QString& s) { return QString::fromLatin1(QUrl::toPercentEncoding(s)); };
        QString url = QStringLiteral("postgresql://") + enc(m_server.user);
        if (!m_server.password.isEmpty())
            url += u':' + enc(m_server.password);
        url += u'@';
        QStringList query;
        if (m_server.host.startsWith(u'/')) {
            query << QStringLiteral("host=") + enc(m_server.host);
            if (m_server.port > 0)
                query << QStringLiteral("port=%1").arg(m_server.port);
        } else {
            url += m_server.host;
            if (m_server.port > 0)
                url += QStringLiteral(":%1").arg(m_server.port);
        }
        url += u'/' + m_name;
        if (!query.isEmpty())
            url += u'?' + query.join(u'&');
        return url;
    }

private:
    dataaccess::ConnectionString m_server;
    QString m_name;
    QString m_admin;
};

class SqliteScratchFile {
public:
    QString Url() const { return QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("test.db")); }
    QString Path() const { return m_dir.filePath(QStringLiteral("test.db")); }

private:
    QTemporaryDir m_dir;
};

// One scratch database of each kind for the test program, made on first use (the Qt SQL drivers
// need the application object) and dropped when the tests end.
struct ScratchDatabases {
    SqliteScratchFile sqlite;
    PgScratchDatabase postgres;
    ScratchDatabases() : postgres(ProgramTag()) {}
    static QString ProgramTag() {
        QString tag = QCoreApplication::applicationName().toLower();
        for (QChar& c : tag)
            if (!(c.isLetterOrNumber() && c.unicode() < 128))
                c = u'_';
        return tag.left(30);
    }
    static std::unique_ptr<ScratchDatabases>& Slot() {
        static std::unique_ptr<ScratchDatabases> slot;
        return slot;
    }
    static ScratchDatabases& Get() {
        if (!Slot())
            Slot() = std::make_unique<ScratchDatabases>();
        return *Slot();
    }
    // The scratch database of that dialect; none for PostgreSQL without a server to test on.
    static std::optional<QString> UrlFor(SqlDialect dialect) {
        if (dialect != SqlDialect::PostgreSQL)
            return Get().sqlite.Url();
        if (!Get().postgres.Available())
            return std::nullopt;
        return Get().postgres.Url();
    }
};
struct DropScratchDatabases : ::testing::Environment {
    void TearDown() override { ScratchDatabases::Slot().reset(); }
};
inline ::testing::Environment* const kDropScratchDatabases =
    ::testing::AddGlobalTestEnvironment(new DropScratchDatabases);

// The four tables and the sequence, as the statements use them.
inline QStringList TinySchema(SqlDialect dialect) {
    QStringList ddl = {
        QStringLiteral(
            "create table addr (id integer primary key, name varchar(200), grade integer, parentid integer)"),
        QStringLiteral("create table addr_ref (stdaddrid integer, oldid varchar(40), refflag integer)"),
        QStringLiteral("create table dpaddr97 (num varchar(40), addr varchar(400))"),
        QStringLiteral("create table telnum_dp97 (telnum varchar(40), dpid varchar(40))"),
    };
    if (dialect == SqlDialect::PostgreSQL) {
        ddl << QStringLiteral("create sequence seq_addr start with 1000");
    } else {
        ddl << QStringLiteral("create table seq_addr (last_value integer not null)")
            << QStringLiteral("insert into seq_addr (last_value) values (999)");
    }
    return ddl;
}

// What takes TinySchema's tables and sequence away again.
inline QStringList TinySchemaDrops(SqlDialect dialect) {
    QStringList drops;
    for (const char* table : {"addr", "addr_ref", "dpaddr97", "telnum_dp97"})
        drops << QStringLiteral("drop table %1").arg(QLatin1StringView(table));
    drops << (dialect == SqlDialect::PostgreSQL ? QStringLiteral("drop sequence seq_addr")
                                                : QStringLiteral("drop table seq_addr"));
    return drops;
}

// A BSTR for the length of a call.
class Bstr {
public:
    explicit Bstr(const QString& text)
        : m_text(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                                   static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

inline QString FromBstr(BSTR s) {
    return s ? QString::fromUtf16(reinterpret_cast<const char16_t*>(s), SysStringLen(s)) : QString();
}

// The thread's error object after a failure: its source and description, "(none)" without one.
struct ThreadError {
    QString source = QStringLiteral("(none)");
    QString description = QStringLiteral("(none)");
    static ThreadError Take() {
        ThreadError e;
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) == S_OK && info) {
            BSTR s = nullptr, d = nullptr;
            info->GetSource(&s);
            info->GetDescription(&d);
            e.source = FromBstr(s);
            e.description = FromBstr(d);
            SysFreeString(s);
            SysFreeString(d);
            info->Release();
        }
        return e;
    }
};

inline ComPtr<_Connection> OpenConnection(const QString& url) {
    _Connection* raw = nullptr;
    if (FAILED(CreateConnection(&raw)))
        throw std::runtime_error("CreateConnection failed");
    ComPtr<_Connection> connection = ComPtr<_Connection>::Attach(raw);
    if (FAILED(connection->Open(Bstr(url), nullptr, nullptr, 0)))
        throw std::runtime_error(
            ("cannot open " + url + ": " + ThreadError::Take().description).toStdString());
    return connection;
}

// Runs a statement that changes data; throws with the database's message on failure.
inline LONG Change(_Connection* connection, const QString& statement) {
    VARIANT affected;
    VariantInit(&affected);
    if (FAILED(connection->Execute(Bstr(statement), &affected, adExecuteNoRecords, nullptr)))
        throw std::runtime_error((statement + ": " + ThreadError::Take().description).toStdString());
    return affected.lVal;
}

// Every row of a reading, values as text ("NULL" for VT_NULL); leaves it at its end.
inline std::vector<std::vector<QString>> ReadAll(_Recordset* reading) {
    std::vector<std::vector<QString>> rows;
    LONG fields = 0;
    reading->get_FieldCount(&fields);
    VARIANT_BOOL eof = VARIANT_TRUE;
    while (SUCCEEDED(reading->get_EOF(&eof)) && eof == VARIANT_FALSE) {
        std::vector<QString> row;
        for (SHORT i = 0; i < fields; ++i) {
            VARIANT index;
            VariantInit(&index);
            index.vt = VT_I2;
            index.iVal = i;
            VARIANT value;
            VariantInit(&value);
            if (FAILED(reading->GetFieldValue(index, &value)))
                throw std::runtime_error(ThreadError::Take().description.toStdString());
            if (value.vt == VT_NULL) {
                row.push_back(QStringLiteral("NULL"));
            } else {
                VARIANT text;
                VariantInit(&text);
                VariantChangeType(&text, &value, 0, VT_BSTR);
                row.push_back(FromBstr(text.bstrVal));
                VariantClear(&text);
            }
            VariantClear(&value);
        }
        rows.push_back(row);
        if (FAILED(reading->MoveNext()))
            throw std::runtime_error(ThreadError::Take().description.toStdString());
    }
    return rows;
}

// A select through Execute (a client-side reading when the connection's cursor location says so).
inline ComPtr<_Recordset> Query(_Connection* connection, const QString& statement) {
    _Recordset* raw = nullptr;
    VARIANT affected;
    VariantInit(&affected);
    if (FAILED(connection->Execute(Bstr(statement), &affected, adCmdUnspecified, &raw)))
        throw std::runtime_error((statement + ": " + ThreadError::Take().description).toStdString());
    return ComPtr<_Recordset>::Attach(raw);
}

inline const char* DialectName(SqlDialect dialect) {
    return dialect == SqlDialect::PostgreSQL ? "PostgreSQL"
           : dialect == SqlDialect::SQLite   ? "SQLite"
                                             : "Oracle";
}

} // namespace dataaccess_test

namespace dataaccess {
// GoogleTest names a backend parameter by this.
inline void PrintTo(SqlDialect dialect, std::ostream* os) {
    *os << dataaccess_test::DialectName(dialect);
}
} // namespace dataaccess
