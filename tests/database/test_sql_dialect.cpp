// One dialect detector: the connection layer translates statements by it and the address schema
// picks its script by it. ODBC is where two detectors could part ways (the driver says ODBC, the
// DBMS behind it decides), so every route to a database must come out the same on both sides.
#include "database/AddressSchema.h"
#include "platform/dataaccess/BstrText.h"
#include "database/QtSqlConnection.h"
#include "platform/dataaccess/Connection.h"
#include "platform/dataaccess/ConnectionString.h"
#include "platform/dataaccess/DatabaseDialect.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::Literals::StringLiterals;
using dataaccess::DatabaseDialect;

namespace {

// Readable in a failure message; in the enum's order.
const char* Name(std::optional<SqlDialect> dialect) {
    static const char* const names[] = {"Oracle", "SQLite", "PostgreSQL"};
    static_assert(int(SqlDialect::Oracle) == 0 && int(SqlDialect::PostgreSQL) == 2);
    return dialect ? names[int(*dialect)] : "none";
}

TEST(SqlDialect, TheDbmsAnOdbcDriverNamesDecidesTheDialect) {
    struct Case {
        QString dbms;
        std::optional<SqlDialect> known; // what the schema is made for
        SqlDialect translated;           // what statements are translated for
    };
    const Case cases[] = {
        {u"SQLite"_s, SqlDialect::SQLite, SqlDialect::SQLite},
        {u"SQLite3"_s, SqlDialect::SQLite, SqlDialect::SQLite},
        {u"PostgreSQL"_s, SqlDialect::PostgreSQL, SqlDialect::PostgreSQL},
        {u"postgresql"_s, SqlDialect::PostgreSQL, SqlDialect::PostgreSQL},
        {u"Oracle"_s, SqlDialect::Oracle, SqlDialect::Oracle},
        // Not known: the schema refuses it, the translator leaves statements as they are.
        {u"Microsoft SQL Server"_s, std::nullopt, SqlDialect::Oracle},
        {u"MySQL"_s, std::nullopt, SqlDialect::Oracle},
        {u""_s, std::nullopt, SqlDialect::Oracle},
    };
    for (const Case& c : cases) {
        const std::optional<SqlDialect> known = DatabaseDialect::OfOdbcDbms(c.dbms);
        EXPECT_EQ(Name(known), Name(c.known)) << c.dbms.toStdString();
        EXPECT_EQ(Name(known.value_or(SqlDialect::Oracle)), Name(c.translated)) << c.dbms.toStdString();
    }
}

// The data-access connection on `url` translates for the dialect the schema sees on a Qt SQL
// connection to the same database.
void ExpectOneDialect(const QString& url, SqlDialect expected) {
    SCOPED_TRACE(dataaccess::ConnectionString::WithoutPassword(url).toStdString());
    ComPtr<_Connection> connection;
    ASSERT_EQ(CreateConnection(connection.Put()), S_OK);
    const BstrText text(url);
    ASSERT_EQ(connection->Open(text.Get(), nullptr, nullptr, -1), S_OK);
    const dataaccess::Connection* implementation = dataaccess::Connection::From(connection.Get());
    ASSERT_NE(implementation, nullptr);
    EXPECT_STREQ(Name(implementation->Dialect()), Name(expected));

    QtSqlConnection native(url);
    EXPECT_STREQ(Name(AddressSchema::DialectOf(native.Database())), Name(expected));
    EXPECT_STREQ(Name(DatabaseDialect::Known(native.Database())), Name(expected));
    connection->Close();
}

TEST(SqlDialect, TheConnectionLayerAndTheSchemaSeeOneDialectOnEveryRoute) {
    const TestDatabase sqlite(Backend::SQLite, false);
    ExpectOneDialect(sqlite.Url(), SqlDialect::SQLite);

    if (!TestDatabase::Available(Backend::PostgreSQL))
        GTEST_SKIP() << "TESSEL_TEST_PG_URL is not set";
    const TestDatabase postgres(Backend::PostgreSQL, false);
    ExpectOneDialect(postgres.Url(), SqlDialect::PostgreSQL);

    // The same server through the ODBC driver: the DBMS it reports decides.
    if (!QSqlDatabase::isDriverAvailable(u"QODBC"_s))
        GTEST_SKIP() << "no Qt ODBC driver";
    const auto server = dataaccess::ConnectionString::Parse(qEnvironmentVariable("TESSEL_TEST_PG_URL"), nullptr);
    const auto database = dataaccess::ConnectionString::Parse(postgres.Url(), nullptr);
    ASSERT_TRUE(server && database);
    const QString odbc = u"odbc:Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=%2;Uid=%3;"_s
                             .arg(server->port)
                             .arg(database->database, server->user);
    {
        ComPtr<_Connection> probe;
        ASSERT_EQ(CreateConnection(probe.Put()), S_OK);
        const BstrText text(odbc);
        if (FAILED(probe->Open(text.Get(), nullptr, nullptr, -1)))
            GTEST_SKIP() << "no PostgreSQL ODBC driver";
        probe->Close();
    }
    ExpectOneDialect(odbc, SqlDialect::PostgreSQL);
}

} // namespace
