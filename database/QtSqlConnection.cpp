#include "database/QtSqlConnection.h"

#include "platform/dataaccess/ConnectionString.h"

#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {
std::runtime_error Failure(const QString& text) {
    return std::runtime_error(text.toStdString());
}
} // namespace

QSqlDatabase QtSqlConnection::Configure(const QString& url, const QString& connectionName) {
    // The data-access layer's own reading of the string, so both read the same syntax.
    QString error;
    const auto parsed = dataaccess::ConnectionString::Parse(url, &error);
    if (!parsed)
        throw Failure(error.isEmpty()
                          ? u"unknown connection string: "_s + dataaccess::ConnectionString::WithoutPassword(url)
                          : error);
    QSqlDatabase db = QSqlDatabase::addDatabase(parsed->driver, connectionName);
    db.setDatabaseName(parsed->database);
    if (!parsed->host.isEmpty())
        db.setHostName(parsed->host);
    if (parsed->port != -1)
        db.setPort(parsed->port);
    if (!parsed->user.isEmpty())
        db.setUserName(parsed->user);
    if (!parsed->password.isEmpty())
        db.setPassword(parsed->password);
    if (!parsed->options.isEmpty())
        db.setConnectOptions(parsed->options);
    return db;
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
        const auto parsed = dataaccess::ConnectionString::Parse(url, nullptr);
        const QString message = parsed->HidePassword(m_database.lastError().text());
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
