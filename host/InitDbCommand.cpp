// tessel init-db URL [--demo] [--size N] [--seed S] [--force] [--journal]: creates the address
// database's tables, sequence and indexes with the journal of Finish, and with --demo or --size
// fills them with generated data, all in one transaction; --journal adds only the journal to an
// existing database.
#include "host/Command.h"
#include "host/CommandLine.h"
#include "host/DatabaseUrl.h"

#include "database/AddressDatabaseGenerator.h"
#include "database/AddressSchema.h"
#include "host/Interruption.h"
#include "host/ProgressLine.h"
#include "host/UsageError.h"
#include "database/QtSqlConnection.h"
#include "database/SqliteFileMode.h"
#include "platform/dataaccess/ConnectionString.h"
#include "platform/ui/QtApplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace {

// SQLite's files beside the database, which go with a database file this run created.
const char* const kSqliteCompanions[] = {"", "-journal", "-wal", "-shm"};

// Adds the journal's tables, sequence and indexes to an existing database, in one transaction.
int AddJournal(const CommandLine& line) {
    for (const char* other : {"demo", "size", "seed", "force"})
        if (line.IsSet(QString::fromLatin1(other)))
            throw UsageError(QStringLiteral("--journal adds the journal alone; it takes no --%1").arg(other));
    // Added to a database that is there: a file that is not is never made here.
    const DatabaseUrl databaseUrl(line.Argument(0));
    if (const auto missing = databaseUrl.MissingFile())
        return line.Fail(*missing);
    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();
    try {
        QtSqlConnection connection(databaseUrl.Text());
        QSqlDatabase& database = connection.Database();
        if (AddressSchema::HasJournal(database))
            return line.Fail(QStringLiteral("the database has a journal already (nothing was written)"));
        if (!database.transaction())
            throw std::runtime_error("cannot begin a transaction: " + database.lastError().text().toStdString());
        try {
            AddressSchema::CreateJournal(database);
            if (!database.commit())
                throw std::runtime_error("cannot commit: " + database.lastError().text().toStdString());
        } catch (...) {
            database.rollback();
            throw;
        }
        std::printf("added the journal\n");
        return 0;
    } catch (const std::exception& e) {
        return line.Fail(QStringLiteral("%1: %2 (nothing was written)")
                             .arg(databaseUrl.Shown(), databaseUrl.Explained(QString::fromUtf8(e.what()))));
    }
}

// Whether the database already holds the address tables (the first of them, addr).
bool HoldsSchema(QSqlDatabase& database) {
    QSqlQuery probe(database);
    return probe.exec(QStringLiteral("select id from addr where 1=0"));
}

int RunInitDb(const CommandLine& line) {
    if (line.IsSet(QStringLiteral("journal")))
        return AddJournal(line);
    const DatabaseUrl databaseUrl(line.Argument(0));
    const QString url = databaseUrl.Text();
    if (const auto problem = databaseUrl.CannotCreate())
        return line.Fail(*problem);
    AddressDatabaseGenerator::Options options;
    bool withData = line.IsSet(QStringLiteral("demo"));
    if (const auto size = line.Number(QStringLiteral("size"), 1, 100'000'000)) {
        options.size = uint32_t(*size);
        withData = true;
    }
    if (const auto seed = line.Number(QStringLiteral("seed"), 0, UINT64_MAX))
        options.seed = *seed;
    options.replaceExisting = line.IsSet(QStringLiteral("force"));

    const std::unique_ptr<QCoreApplication> app = QtApplication::EnsureCore();

    // A file this run creates is removed again unless the run finishes.
    const auto parsed = dataaccess::ConnectionString::Parse(url, nullptr);
    const QString driver = parsed ? parsed->driver : QString();
    const QString newFile =
        databaseUrl.IsSqlite() && !QFileInfo::exists(databaseUrl.SqlitePath()) ? databaseUrl.SqlitePath() : QString();
    const Interruption interruption;
    ProgressLine progress(withData ? options.size : 0, QStringLiteral("addr rows"));
    options.progress = [&](qint64 rows) {
        Interruption::Check();
        progress.Update(rows);
    };
    try {
        AddressDatabaseGenerator::Figures figures;
        {
            QtSqlConnection connection(url);
            if (!options.replaceExisting && HoldsSchema(connection.Database())) {
                progress.Finish();
                return line.Fail(QStringLiteral("%1 already holds the address tables; --force replaces them")
                                     .arg(databaseUrl.Shown()));
            }
            if (driver == u"QSQLITE")
                QtSqlConnection::Exec(connection.Database(), QStringLiteral("pragma synchronous=off"));
            if (driver == u"QPSQL") // no notice that --force found nothing to drop
                QtSqlConnection::Exec(connection.Database(), QStringLiteral("set client_min_messages=warning"));
            figures = AddressDatabaseGenerator(options).CreateDatabase(connection.Database(), withData);
            // Written with a rollback journal (a write-ahead log would take every generated page
            // twice), then kept in WAL mode: see the README on what that means for other programs.
            if (AddressSchema::DialectOf(connection.Database()) == SqlDialect::SQLite) {
                try {
                    SqliteFileMode::UseWriteAheadLog(connection.Database());
                } catch (const std::runtime_error& e) {
                    line.Note(QString::fromUtf8(e.what()));
                }
            }
        }
        progress.Finish();
        if (withData)
            std::printf(
                "addr %lld rows, addr_ref %lld, dpaddr97 %lld, telnum_dp97 %lld; %lld compounds; %lld ms\n",
                figures.addr, figures.addrRef, figures.dpaddr, figures.telnum, figures.compounds,
                figures.milliseconds);
        else
            std::printf("created the tables, the sequence and the indexes\n");
        return 0;
    } catch (const std::exception& e) {
        progress.Finish();
        if (!newFile.isEmpty())
            for (const char* companion : kSqliteCompanions)
                QFile::remove(newFile + QLatin1StringView(companion));
        const QString kept = !newFile.isEmpty() ? QStringLiteral("the new file %1 is removed").arg(newFile)
                                                : QStringLiteral("nothing was written");
        if (dynamic_cast<const Interrupted*>(&e)) {
            line.Note(QStringLiteral("interrupted; %1").arg(kept));
            return 130; // as a shell reports a command that Ctrl-C ended
        }
        return line.Fail(
            QStringLiteral("%1: %2 (%3)").arg(databaseUrl.Shown(), databaseUrl.Explained(QString::fromUtf8(e.what())), kept));
    }
}

const CommandRegistration registration{{
    .name = "init-db",
    .summary = "create the address database (and generated data)",
    .arguments = {UrlArgument()},
    .options = {{{"demo"}, "", "generate the demo database (about 2000 addr rows)"},
                {{"size"}, "N", "generate about N addr rows (a million takes well under a minute on SQLite)"},
                {{"seed"}, "S", "the generator's seed (default 1); the same seed and size give the same rows"},
                {{"force"}, "", "replace the tables and the sequence where they exist"},
                {{"journal"}, "", "add only the journal of Finish to an existing database"}},
    .description = "Creates the tables addr, addr_ref, dpaddr97, telnum_dp97, the sequence seq_addr and "
                   "their indexes in an empty database, with the journal in which every Finish records what "
                   "it changed (the tables journal_*, the sequence seq_journal; see tessel history and "
                   "tessel undo). With --journal it adds only the journal to an existing database and "
                   "changes nothing else. With --demo or --size it also fills them with a "
                   "generated, realistic address database: real city, district and town names, made-up "
                   "roads, compounds with DP addresses in the forms operators meet, telephone numbers and "
                   "standard addresses. The compound 阳光花园 is always there, ready for the wizard.\n\n"
                   "Everything is created in one transaction: a failure (a table that is already there, "
                   "say) leaves no new table, and Ctrl-C stops the run, rolls it back and removes a database "
                   "file the run created. While rows are written, a progress line on standard error shows "
                   "the rows, the rate and the share done, when standard error is a terminal.\n\n"
                   "An SQLite database is left in WAL mode (a write-ahead log): while it is open, FILE-wal "
                   "and FILE-shm lie beside it, and every program that opens it needs to write in its "
                   "folder. A commit syncs the log alone, once.",
    .exitStatus = "0 done, 1 failed (nothing was kept), 2 bad usage, 130 stopped by Ctrl-C (nothing was kept).",
    .run = RunInitDb}};

} // namespace
