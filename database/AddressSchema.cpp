#include "database/AddressSchema.h"

#include "database/EmbeddedFiles.h"
#include "database/QtSqlConnection.h"
#include "platform/dataaccess/DatabaseDialect.h"

#include <QSqlQuery>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {
const char* ScriptName(SqlDialect dialect) {
    switch (dialect) {
    case SqlDialect::SQLite:
        return "schema/sqlite.sql";
    case SqlDialect::PostgreSQL:
        return "schema/postgresql.sql";
    case SqlDialect::Oracle:
        return "schema/oracle.sql";
    }
    return "";
}

const char* JournalScriptName(SqlDialect dialect) {
    switch (dialect) {
    case SqlDialect::SQLite:
        return "schema/journal-sqlite.sql";
    case SqlDialect::PostgreSQL:
        return "schema/journal-postgresql.sql";
    case SqlDialect::Oracle:
        return "schema/journal-oracle.sql";
    }
    return "";
}

// The statements of a script: "--" comments dropped (the scripts hold no "--" or ";" inside
// literals), split at ";".
QStringList ScriptStatements(const QString& script) {
    QStringList statements;
    QString current;
    for (const QString& line : script.split(u'\n')) {
        QString code = line.left(line.indexOf(u"--"_s) >= 0 ? line.indexOf(u"--"_s) : line.size());
        for (;;) {
            const qsizetype end = code.indexOf(u';');
            if (end < 0)
                break;
            current += code.left(end);
            if (!current.trimmed().isEmpty())
                statements.append(current.simplified());
            current.clear();
            code = code.mid(end + 1);
        }
        current += code + u'\n';
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.simplified());
    return statements;
}

QStringList AllStatements(SqlDialect dialect) {
    return ScriptStatements(AddressSchema::Script(dialect)) + ScriptStatements(AddressSchema::JournalScript(dialect));
}

bool IsIndex(const QString& statement) {
    return statement.startsWith(u"create index"_s, Qt::CaseInsensitive);
}

SqlDialect RequireDialect(const QSqlDatabase& database) {
    if (auto dialect = AddressSchema::DialectOf(database))
        return *dialect;
    throw std::runtime_error("the address database is made for SQLite, PostgreSQL and Oracle only");
}

void RunAll(QSqlDatabase& database, const QStringList& statements) {
    for (const QString& statement : statements)
        QtSqlConnection::Exec(database, statement);
}
} // namespace

QString AddressSchema::Script(SqlDialect dialect) {
    return QString::fromUtf8(EmbeddedFile(ScriptName(dialect)));
}

QString AddressSchema::JournalScript(SqlDialect dialect) {
    return QString::fromUtf8(EmbeddedFile(JournalScriptName(dialect)));
}

QStringList AddressSchema::JournalStatements(SqlDialect dialect) {
    return ScriptStatements(JournalScript(dialect));
}

QStringList AddressSchema::TableStatements(SqlDialect dialect) {
    QStringList out;
    for (const QString& s : AllStatements(dialect))
        if (!IsIndex(s))
            out.append(s);
    return out;
}

QStringList AddressSchema::IndexStatements(SqlDialect dialect) {
    QStringList out;
    for (const QString& s : AllStatements(dialect))
        if (IsIndex(s))
            out.append(s);
    return out;
}

std::optional<SqlDialect> AddressSchema::DialectOf(const QSqlDatabase& database) {
    return dataaccess::DatabaseDialect::Known(database);
}

void AddressSchema::CreateTables(QSqlDatabase& database) {
    RunAll(database, TableStatements(RequireDialect(database)));
}

void AddressSchema::CreateIndexes(QSqlDatabase& database) {
    RunAll(database, IndexStatements(RequireDialect(database)));
}

void AddressSchema::CreateJournal(QSqlDatabase& database) {
    RunAll(database, JournalStatements(RequireDialect(database)));
}

bool AddressSchema::HasJournal(const QSqlDatabase& database) {
    return database.tables().contains(u"journal_run"_s, Qt::CaseInsensitive);
}

void AddressSchema::ResetSequence(QSqlDatabase& database) {
    QSqlQuery query(database);
    if (!query.exec(u"select max(id) from addr"_s) || !query.next())
        throw std::runtime_error("cannot read the largest addr id");
    const qint64 last = query.isNull(0) ? 0 : query.value(0).toLongLong();
    query.finish();
    switch (RequireDialect(database)) {
    case SqlDialect::SQLite:
        QtSqlConnection::Exec(database, u"update seq_addr set last_value=%1"_s.arg(last));
        break;
    case SqlDialect::PostgreSQL:
        QtSqlConnection::Exec(database, last > 0 ? u"select setval('seq_addr', %1, true)"_s.arg(last)
                                                 : u"select setval('seq_addr', 1, false)"_s);
        break;
    case SqlDialect::Oracle:
        QtSqlConnection::Exec(database, u"drop sequence seq_addr"_s);
        QtSqlConnection::Exec(database,
                              u"create sequence seq_addr start with %1 increment by 1 maxvalue 4294967295 "
                              "nocycle nocache"_s.arg(last + 1));
        break;
    }
}
