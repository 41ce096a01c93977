// A commit's run of small writes (single-row inserts, an update, a delete) in one transaction, sent
// one statement at a time or as one block (begin ...; end;): on SQLite, on the throwaway PostgreSQL
// over its local socket, and on the same server through the loopback proxy that adds 1 ms to every
// round trip. The transaction is rolled back after each measurement, outside the timing. Counters:
// statements sent to the database and statements run, per transaction (its begin and end included).
// Without a PostgreSQL (scripts/run-benchmarks starts one) the PostgreSQL cases are skipped.
#include "bench/BenchDatabases.h"
#include "bench/LoopbackProxy.h"
#include "bench/QtBenchmarkMain.h"

#include "platform/dataaccess/Connection.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

enum class Server { SQLite, PostgreSQL, PostgreSQLProxy };

std::unique_ptr<LoopbackProxy> g_proxy;

// The writes of one transaction: `writes` statements, most of them inserts, as the commit's are.
QStringList Writes(int writes) {
    QStringList statements;
    for (int i = 0; i < writes - 2; ++i)
        statements << u"insert into bench_block (id,name,grade,parentid) values(%1,'第%1号; end;',8,1)"_s.arg(i + 10);
    statements << u"update bench_block set grade=9 where id in (10,11)"_s << u"delete bench_block where id=12"_s;
    return statements;
}

ComPtr<_Connection> Open(const QString& url) {
    ComPtr<_Connection> connection;
    if (FAILED(CreateConnection(connection.Put())))
        throw std::runtime_error("CreateConnection failed");
    if (FAILED(connection->Open(BstrText(url).Get(), nullptr, nullptr, -1)))
        throw std::runtime_error((u"cannot open "_s + url).toStdString());
    return connection;
}

void Execute(_Connection* connection, const QString& statement) {
    if (FAILED(connection->Execute(BstrText(statement).Get(), nullptr, adExecuteNoRecords, nullptr)))
        throw std::runtime_error(statement.toStdString());
}

QString DatabaseUrl(Server server) {
    const QString create = u"create table bench_block (id integer primary key, name varchar(200), grade integer, "
                           u"parentid integer)"_s;
    if (server == Server::SQLite) {
        const QString path = bench::DataDirectory() + u"/statement-blocks.db"_s;
        QFile::remove(path);
        Execute(Open(u"sqlite:"_s + path).Get(), create);
        return u"sqlite:"_s + path;
    }
    const QString pg = *bench::PostgresUrl();
    {
        QtSqlConnection admin(pg);
        bench::Exec(admin.Database(), u"set client_min_messages=warning"_s);
        bench::Exec(admin.Database(), u"drop database if exists bench_blocks"_s);
        bench::Exec(admin.Database(), u"create database bench_blocks encoding 'UTF8'"_s);
    }
    if (server == Server::PostgreSQLProxy && !g_proxy)
        g_proxy = std::make_unique<LoopbackProxy>(bench::PostgresPort(pg), std::chrono::milliseconds(1));
    const QString url = server == Server::PostgreSQL ? WithDatabaseName(pg, u"bench_blocks"_s)
                                                     : bench::TcpUrl(u"bench_blocks"_s, g_proxy->Port());
    Execute(Open(url).Get(), create);
    return url;
}

void BM_Writes(benchmark::State& state, Server server, bool asBlock) {
    if (server != Server::SQLite && !bench::PostgresUrl()) {
        state.SkipWithError("no PostgreSQL (run through scripts/run-benchmarks)");
        return;
    }
    try {
        const ComPtr<_Connection> connection = Open(DatabaseUrl(server));
        const dataaccess::Connection& counted = *dataaccess::Connection::From(connection.Get());
        const QStringList writes = Writes(static_cast<int>(state.range(0)));
        const QString block = u"begin\n"_s + writes.join(u";\n"_s) + u";\nend;"_s;
        const long long sent = counted.StatementsSent();
        const long long run = counted.StatementsRun();
        for (auto _ : state) {
            connection->BeginTrans(nullptr);
            if (asBlock) {
                Execute(connection.Get(), block);
            } else {
                for (const QString& statement : writes)
                    Execute(connection.Get(), statement);
            }
            state.PauseTiming();
            connection->RollbackTrans();
            state.ResumeTiming();
        }
        const double transactions = static_cast<double>(state.iterations());
        state.counters["sent"] = static_cast<double>(counted.StatementsSent() - sent) / transactions;
        state.counters["run"] = static_cast<double>(counted.StatementsRun() - run) / transactions;
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

BENCHMARK_CAPTURE(BM_Writes, sqlite_one_by_one, Server::SQLite, false)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Writes, sqlite_block, Server::SQLite, true)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Writes, postgresql_one_by_one, Server::PostgreSQL, false)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Writes, postgresql_block, Server::PostgreSQL, true)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Writes, proxy1ms_one_by_one, Server::PostgreSQLProxy, false)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Writes, proxy1ms_block, Server::PostgreSQLProxy, true)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Core, [] { g_proxy.reset(); });
}
