#include "QtSqlConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {
std::runtime_error Failure(const QString& text) {
    return std::runtime_error(text.toStdString());
}
} // namespace

QSqlDatabase QtSqlConnection::Configure(const QString& url, const QString& connectionName) {
    if (url.startsWith(u"sqlite:"_s)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connectionName);
        db.setDatabaseName(url.mid(7));
        return db;
    }
    if (url.startsWith(u"odbc:"_s)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, connectionName);
        db.setDatabaseName(url.mid(5));
        return db;
    }
    if (url.startsWith(u"postgresql://"_s) || url.startsWith(u"postgres://"_s)) {
        const QUrl parsed(url);
        if (!parsed.isValid())
            throw Failure(u"not a valid PostgreSQL URL: "_s + url);
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, connectionName);
        db.setHostName(parsed.host(QUrl::FullyDecoded));
        if (parsed.port() != -1)
            db.setPort(parsed.port());
        db.setUserName(parsed.userName(QUrl::FullyDecoded));
        db.setPassword(parsed.password(QUrl::FullyDecoded));
        db.setDatabaseName(parsed.path(QUrl::FullyDecoded).mid(1));
        const QUrlQuery query(parsed);
        for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
            if (key == u"host"_s)
                db.setHostName(value);
            else if (key == u"port"_s)
                db.setPort(value.toInt());
            else if (key == u"user"_s)
                db.setUserName(value);
            else if (key == u"password"_s)
                db.setPassword(value);
            else if (key == u"dbname"_s)
                db.setDatabaseName(value);
        }
        return db;
    }
    throw Failure(u"unknown connection string (sqlite:PATH, postgresql://..., odbc:...): "_s + url);
}

QtSqlConnection::QtSqlConnection(const QString& url) : m_url(url) {
    static std::atomic<int> counter{0};
    m_name = u"tessel-tool-%1"_s.arg(++counter);
    try {
        m_database = Configure(url, m_name);
    } catch (...) {
        QSqlDatabase::removeDatabase(m_name);
        throw;
    }
    if (!m_database.open()) {
        const QString message = m_database.lastError().text();
        m_database = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw Failure(message);
    }
}

QtSqlConnection::~QtSqlConnection() {
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void QtSqlConnection::Exec(QSqlDatabase& database, const QString& statement) {
    QSqlQuery query(database);
    if (!query.exec(statement))
        throw Failure(query.lastError().text() + u"\n"_s + statement);
}
