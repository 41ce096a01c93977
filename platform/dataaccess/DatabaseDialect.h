// Which dialect an open Qt SQL connection speaks: from its driver, and for ODBC from the DBMS the
// driver reports. Oracle, and any DBMS not known here, receives statements untouched.
#pragma once

#include "platform/dataaccess/SqlDialect.h"

#include <QSqlDatabase>

namespace dataaccess {

class DatabaseDialect {
public:
    static SqlDialect Of(const QSqlDatabase& database);
    // The DBMS name an ODBC connection's driver reports; empty for other drivers.
    static QString OdbcDbmsName(const QSqlDatabase& database);
};

} // namespace dataaccess
