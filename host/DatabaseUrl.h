// The URL argument of a command that opens a database, as the program checks and shows it.
//  - What the user typed may hold a password: Shown() and Explained() never let it out.
//  - sqlite:~/x.db: the shell leaves ~ alone after "sqlite:", so it is expanded here.
//  - Only init-db creates a database: every other command checks with MissingFile() that an SQLite
//    file is there first (SQLite itself would create an empty one), and says why it is not, with
//    the system's reason.
#pragma once

#include "platform/dataaccess/ConnectionString.h"

#include <QString>

#include <optional>

class DatabaseUrl {
public:
    explicit DatabaseUrl(const QString& typed);

    // The connection string to open: as typed, with ~ expanded in an SQLite path.
    const QString& Text() const { return m_text; }
    // The connection string as messages show it: no password, no control characters.
    QString Shown() const;
    // A database's message made fit to show: the password hidden, its lines joined, and the
    // missing ODBC data source explained by the files searched.
    QString Explained(const QString& message) const;
    // "cannot open URL: MESSAGE", shown.
    QString OpenFailure(const QString& message) const;

    bool IsSqlite() const { return m_parsed && m_parsed->driver == u"QSQLITE"; }
    QString SqlitePath() const { return IsSqlite() ? m_parsed->database : QString(); }

    // Why the database cannot be opened before trying: its Qt SQL driver is not installed (the
    // message names the Debian package), or an SQLite file is not there or cannot be read. Nothing
    // when opening may go ahead.
    std::optional<QString> MissingFile() const;
    // For init-db, which may create the file: the driver, and a folder that is not there or cannot
    // be written.
    std::optional<QString> CannotCreate() const;

    // The Debian package of a Qt SQL driver (QPSQL: libqt6sql6-psql).
    static QString DriverPackage(const QString& driver);
    // The files unixODBC reads data sources from, in its order.
    static QStringList OdbcIniFiles();

private:
    std::optional<QString> MissingDriver() const;

    QString m_typed;
    QString m_text;
    std::optional<dataaccess::ConnectionString> m_parsed;
};
