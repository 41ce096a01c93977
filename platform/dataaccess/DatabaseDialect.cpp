#include "platform/dataaccess/DatabaseDialect.h"

#include <QSqlDriver>
#include <QVariant>

#if DATAACCESS_HAVE_ODBC
#include <sql.h>
#include <sqlext.h>
#endif

namespace dataaccess {

QString DatabaseDialect::OdbcDbmsName(const QSqlDatabase& database) {
#if DATAACCESS_HAVE_ODBC
    if (database.driverName() != u"QODBC" || !database.driver())
        return {};
    const QVariant handle = database.driver()->handle();
    // The driver's connection handle (HDBC), as "SQLHANDLE" or, in Qt 6.4, as a plain void*.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return {};
    SQLHANDLE connection = *static_cast<const SQLHANDLE*>(handle.constData());
    if (!connection)
        return {};
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(connection, SQL_DBMS_NAME, name, sizeof name, &length)))
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(name));
#else
    Q_UNUSED(database);
    return {};
#endif
}

std::optional<SqlDialect> DatabaseDialect::OfOdbcDbms(QStringView dbmsName) {
    if (dbmsName.contains(u"sqlite", Qt::CaseInsensitive))
        return SqlDialect::SQLite;
    if (dbmsName.contains(u"postgres", Qt::CaseInsensitive))
        return SqlDialect::PostgreSQL;
    if (dbmsName.contains(u"oracle", Qt::CaseInsensitive))
        return SqlDialect::Oracle;
    return std::nullopt;
}

std::optional<SqlDialect> DatabaseDialect::Known(const QSqlDatabase& database) {
    const QString driver = database.driverName();
    if (driver == u"QSQLITE")
        return SqlDialect::SQLite;
    if (driver == u"QPSQL")
        return SqlDialect::PostgreSQL;
    if (driver == u"QOCI")
        return SqlDialect::Oracle;
    if (driver != u"QODBC")
        return std::nullopt;
    if (const QString dbms = OdbcDbmsName(database); !dbms.isEmpty())
        return OfOdbcDbms(dbms);
    // The name could not be asked for (a library built without the ODBC headers): what Qt's
    // driver made of it, which knows no SQLite.
    if (database.driver() && database.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        return SqlDialect::PostgreSQL;
    if (database.driver() && database.driver()->dbmsType() == QSqlDriver::Oracle)
        return SqlDialect::Oracle;
    return std::nullopt;
}

} // namespace dataaccess
