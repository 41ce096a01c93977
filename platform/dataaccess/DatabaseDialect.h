// Which dialect an open Qt SQL connection speaks: from its driver, and for ODBC from the DBMS the
// driver reports. The one detector: the connection layer translates by it and the address schema
// picks its script by it, so the two never disagree.
#pragma once

#include "platform/dataaccess/DataAccessApi.h"
#include "platform/dataaccess/SqlDialect.h"

#include <QSqlDatabase>
#include <QStringView>

#include <optional>

namespace dataaccess {

class DATAACCESS_API DatabaseDialect {
public:
    // The dialect of a DBMS the system knows (SQLite, PostgreSQL, Oracle); nothing for any other.
    static std::optional<SqlDialect> Known(const QSqlDatabase& database);
    // What statements are translated for: the known dialect, else Oracle (statements go untouched).
    static SqlDialect Of(const QSqlDatabase& database) { return Known(database).value_or(SqlDialect::Oracle); }

    // The dialect of the DBMS an ODBC driver names ("SQLite", "PostgreSQL", "Oracle", ...; ASCII
    // case ignored); nothing for one not known.
    static std::optional<SqlDialect> OfOdbcDbms(QStringView dbmsName);
    // The DBMS name an ODBC connection's driver reports; empty for other drivers.
    static QString OdbcDbmsName(const QSqlDatabase& database);
};

} // namespace dataaccess
