// Finish on a compound of 1,000, 5,000 and 100,000 leaves (half DP addresses, half unlinked
// addresses, see FinishCompound.h) in a database with a generated background: on SQLite, on the
// throwaway PostgreSQL over its local socket, and on the same server through a loopback proxy that
// adds 1 ms to every round trip, as a server across a network does. Each measurement starts from a
// fresh copy of the database; only the Finish itself is timed.
//
// Goals: 5,000 leaves within 1 s on SQLite, 1.5 s on local PostgreSQL, 3 s through the proxy;
// 100,000 leaves on PostgreSQL within 1.5 times what copying its new rows takes (BM_CopyFloor,
// measured beside it).
//
// A case whose smaller sibling shows it would take longer than the budget (2 minutes) is skipped
// and says how long it would have taken. Without a PostgreSQL (scripts/run-benchmarks starts one)
// the PostgreSQL cases are skipped.
#include "bench/QtBenchmarkMain.h"
#include "database/AddressDatabaseGenerator.h"
#include "bench/BenchDatabases.h"
#include "bench/FinishCompound.h"
#include "bench/LoopbackProxy.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <map>
#include <vector>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr uint32_t BackgroundRows = 50000;
constexpr double BudgetSeconds = 120;

enum class Server { SQLite, PostgreSQL, PostgreSQLProxy };

// Seconds per leaf of the last completed case of each server, to skip a case that would not fit.
std::map<Server, double> g_secondsPerLeaf;

void FillFinishDatabase(QSqlDatabase& database, bench::FinishCompound& compound) {
    AddressDatabaseGenerator({BackgroundRows, 7}).CreateDatabase(database);
    database.transaction();
    compound.WriteRows(database);
    AddressSchema::ResetSequence(database);
    database.commit();
}

// SQLite: the cached file for this size, copied for each run.
struct SqliteCase {
    explicit SqliteCase(int leaves) : compound(leaves) {
        templatePath = bench::CachedSqliteFile(u"finish-%1"_s.arg(leaves), [this](QSqlDatabase& database) {
            FillFinishDatabase(database, compound);
        });
        QtSqlConnection reading(u"sqlite:"_s + templatePath);
        compound.ReadIds(reading.Database());
        runPath = bench::DataDirectory() + u"/finish-run.db"_s;
    }
    QString Prepare() {
        QFile::remove(runPath);
        if (!QFile::copy(templatePath, runPath))
            throw std::runtime_error("cannot copy the database");
        return u"sqlite:"_s + runPath;
    }
    bench::FinishCompound compound;
    QString templatePath;
    QString runPath;
};

// PostgreSQL: a template database made once per run, copied by the server for each measurement.
struct PostgresCase {
    PostgresCase(const QString& serverUrl, int leaves) : compound(leaves), server(serverUrl) {
        templateName = u"bench_finish_%1"_s.arg(leaves);
        QtSqlConnection admin(server);
        bench::Exec(admin.Database(), u"set client_min_messages=warning"_s);
        bench::Exec(admin.Database(), u"drop database if exists %1"_s.arg(templateName));
        bench::Exec(admin.Database(), u"create database %1 encoding 'UTF8'"_s.arg(templateName));
        {
            QtSqlConnection filling(WithDatabaseName(server, templateName));
            FillFinishDatabase(filling.Database(), compound);
            bench::Exec(filling.Database(), u"analyze"_s);
        }
    }
    QString Prepare(std::optional<uint16_t> proxyPort) {
        QtSqlConnection admin(server);
        bench::Exec(admin.Database(), u"set client_min_messages=warning"_s);
        bench::Exec(admin.Database(), u"drop database if exists bench_finish_run"_s);
        bench::Exec(admin.Database(), u"create database bench_finish_run template %1"_s.arg(templateName));
        return proxyPort ? bench::TcpUrl(u"bench_finish_run"_s, *proxyPort)
                         : WithDatabaseName(server, u"bench_finish_run"_s);
    }
    bench::FinishCompound compound;
    QString server;
    QString templateName;
};

std::map<int, std::unique_ptr<SqliteCase>> g_sqlite;
std::map<int, std::unique_ptr<PostgresCase>> g_postgres;
std::unique_ptr<LoopbackProxy> g_proxy;

void BM_Finish(benchmark::State& state, Server server) {
    const int leaves = static_cast<int>(state.range(0));
    if (auto known = g_secondsPerLeaf.find(server); known != g_secondsPerLeaf.end()) {
        const double expected = known->second * leaves;
        if (expected > BudgetSeconds) {
            state.SkipWithError(
                QStringLiteral("skipped: would take about %1 s (over the %2 s budget)").arg(expected, 0, 'f', 0).arg(BudgetSeconds).toStdString().c_str());
            return;
        }
    }
    const std::optional<QString> pg = bench::PostgresUrl();
    if (server != Server::SQLite && !pg) {
        state.SkipWithError("no PostgreSQL (run through scripts/run-benchmarks)");
        return;
    }
    try {
        std::function<QString()> prepare;
        const bench::FinishCompound* compound = nullptr;
        if (server == Server::SQLite) {
            auto& c = g_sqlite[leaves];
            if (!c)
                c = std::make_unique<SqliteCase>(leaves);
            prepare = [&c] { return c->Prepare(); };
            compound = &c->compound;
        } else {
            auto& c = g_postgres[leaves];
            if (!c)
                c = std::make_unique<PostgresCase>(*pg, leaves);
            std::optional<uint16_t> proxyPort;
            if (server == Server::PostgreSQLProxy) {
                if (!g_proxy)
                    g_proxy = std::make_unique<LoopbackProxy>(bench::PostgresPort(*pg), std::chrono::milliseconds(1));
                proxyPort = g_proxy->Port();
            }
            prepare = [&c, proxyPort] { return c->Prepare(proxyPort); };
            compound = &c->compound;
        }
        MessageBoxRecorder boxes;
        double seconds = 0;
        for (auto _ : state) {
            state.PauseTiming();
            const QString url = prepare();
            {
                bench::SystemDatabase system(url);
                QElapsedTimer timer;
                timer.start();
                state.ResumeTiming();
                const bool committed = compound->Finish();
                state.PauseTiming();
                seconds = timer.nsecsElapsed() / 1e9;
                if (!committed || boxes.Count() > 0) {
                    state.SkipWithError(
                        ("Finish failed: " + (boxes.Count() ? boxes.Last().text : u"no commit"_s)).toStdString().c_str());
                    break;
                }
            }
            state.ResumeTiming();
        }
        g_secondsPerLeaf[server] = seconds / leaves;
        state.counters["leaves"] = leaves;
        state.counters["nodes"] = static_cast<double>(compound->TreeNodes());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void FinishSizes(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime();
    b->Arg(1000)->Arg(5000)->Arg(100000)->Iterations(1);
}

BENCHMARK_CAPTURE(BM_Finish, SQLite, Server::SQLite)->Apply(FinishSizes);
BENCHMARK_CAPTURE(BM_Finish, PostgreSQL, Server::PostgreSQL)->Apply(FinishSizes);
BENCHMARK_CAPTURE(BM_Finish, PostgreSQLProxy1ms, Server::PostgreSQLProxy)->Apply(FinishSizes);

// The floor Finish on PostgreSQL is measured against: the server copying the rows a Finish inserts
// (its new nodes into addr, their links into addr_ref, and the journal's rows where the database has
// a journal) from files, in one transaction, into a fresh copy of the same database with the same
// indexes. The rows are those a Finish on a copy wrote, copied out once; moves and deletions are
// not part of the floor.
struct CopyFloorFiles {
    std::vector<std::pair<QString, QString>> tables; // table (columns), file
    ~CopyFloorFiles() {
        for (const auto& table : tables)
            QFile::remove(table.second);
    }
};
std::map<int, std::unique_ptr<CopyFloorFiles>> g_copyFiles;

qint64 LastAddrId(QSqlDatabase& database) {
    QSqlQuery query(database);
    if (!query.exec(u"select last_value from seq_addr"_s) || !query.next())
        throw std::runtime_error("cannot read seq_addr");
    return query.value(0).toLongLong();
}

void BM_CopyFloor(benchmark::State& state) {
    const int leaves = static_cast<int>(state.range(0));
    const std::optional<QString> pg = bench::PostgresUrl();
    if (!pg) {
        state.SkipWithError("no PostgreSQL (run through scripts/run-benchmarks)");
        return;
    }
    try {
        auto& c = g_postgres[leaves];
        if (!c)
            c = std::make_unique<PostgresCase>(*pg, leaves);
        auto& files = g_copyFiles[leaves];
        if (!files) {
            // The server writes and reads the files itself (it runs as its own user): a folder
            // every user may write to.
            const QString stem = u"%1/tessel-copy-floor-%2-%3-"_s.arg(QDir::tempPath()).arg(QCoreApplication::applicationPid()).arg(leaves);
            auto made = std::make_unique<CopyFloorFiles>();
            const QString url = c->Prepare(std::nullopt);
            qint64 last = 0;
            {
                QtSqlConnection before(url);
                last = LastAddrId(before.Database());
            }
            {
                MessageBoxRecorder boxes;
                bench::SystemDatabase system(url);
                if (!c->compound.Finish())
                    throw std::runtime_error("the Finish to copy the rows from failed");
            }
            QtSqlConnection after(url);
            const auto copyOut = [&](const QString& table, const QString& rows) {
                const QString file = stem + QString(table).section(u' ', 0, 0) + u".txt"_s;
                bench::Exec(after.Database(), u"copy (%1) to '%2'"_s.arg(rows, file));
                made->tables.emplace_back(table, file);
            };
            copyOut(u"addr (id,name,grade,parentid)"_s, u"select id,name,grade,parentid from addr where id>%1"_s.arg(last));
            copyOut(u"addr_ref (stdaddrid,oldid,refflag)"_s,
                    u"select stdaddrid,oldid,refflag from addr_ref where stdaddrid>%1"_s.arg(last));
            if (QSqlQuery(after.Database()).exec(u"select count(*) from journal_run"_s))
                for (const QString& table : {u"journal_run"_s, u"journal_node"_s, u"journal_link"_s, u"journal_move"_s,
                                            u"journal_gone_addr"_s, u"journal_gone_link"_s})
                    copyOut(table, u"select * from "_s + table);
            files = std::move(made);
        }
        for (auto _ : state) {
            state.PauseTiming();
            const QString url = c->Prepare(std::nullopt);
            {
                QtSqlConnection connection(url);
                QSqlDatabase& database = connection.Database();
                state.ResumeTiming();
                database.transaction();
                for (const auto& [table, file] : files->tables)
                    bench::Exec(database, u"copy %1 from '%2'"_s.arg(table, file));
                database.commit();
                state.PauseTiming();
            }
            state.ResumeTiming();
        }
        state.counters["leaves"] = leaves;
        state.counters["tables"] = static_cast<double>(files->tables.size());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_CopyFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Arg(5000)->Arg(100000)->Iterations(1);

// A round trip (select 1) directly and through the proxy: what the proxy adds.
void BM_RoundTrip(benchmark::State& state, bool throughProxy) {
    const std::optional<QString> pg = bench::PostgresUrl();
    if (!pg) {
        state.SkipWithError("no PostgreSQL (run through scripts/run-benchmarks)");
        return;
    }
    if (throughProxy && !g_proxy)
        g_proxy = std::make_unique<LoopbackProxy>(bench::PostgresPort(*pg), std::chrono::milliseconds(1));
    const QString url = throughProxy ? bench::TcpUrl(u"postgres"_s, g_proxy->Port()) : *pg;
    QtSqlConnection connection(url);
    QSqlQuery query(connection.Database());
    for (auto _ : state) {
        query.exec(u"select 1"_s);
        query.next();
    }
}
BENCHMARK_CAPTURE(BM_RoundTrip, direct, false)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_RoundTrip, proxy1ms, true)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Core, [] {
        g_copyFiles.clear();
        g_postgres.clear();
        g_sqlite.clear();
        g_proxy.reset();
    });
}
