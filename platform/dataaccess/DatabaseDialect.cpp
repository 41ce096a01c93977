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

SqlDialect DatabaseDialect::Of(const QSqlDatabase& database) {
    const QString driver = database.driverName();
    if (driver == u"QSQLITE")
        return SqlDialect::SQLite;
    if (driver == u"QPSQL")
        return SqlDialect::PostgreSQL;
    if (driver == u"QODBC") {
        const QString dbms = OdbcDbmsName(database);
        if (dbms.contains(u"sqlite", Qt::CaseInsensitive))
            return SqlDialect::SQLite;
        if (dbms.contains(u"postgres", Qt::CaseInsensitive))
            return SqlDialect::PostgreSQL;
    }
    return SqlDialect::Oracle;
}

} // namespace dataaccess
