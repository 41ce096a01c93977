// Entering page 3 (the DP addresses of a cell) and page 5 (its unlinked addresses) for the demo
// cell 阳光花园 of a generated database of 1,000,000 addr rows, offscreen: the page's statement (a
// search for the name anywhere in a column), the cut, the sort, the first split and the paint. On
// SQLite (a file generated once and kept under build/bench-data) and on the throwaway PostgreSQL
// (generated once per run, with its trigram indexes).
//
// Goals: within 150 ms on PostgreSQL and 300 ms on SQLite.
#include "bench/QtBenchmarkMain.h"
#include "database/AddressDatabaseGenerator.h"
#include "bench/BenchDatabases.h"
#include "bench/PageEntryLoop.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/SplitPagesHost.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr uint32_t Rows = 1000000;

struct Generated {
    explicit Generated(const QString& url) : system(url) {}
    bench::SystemDatabase system;
    SplitPagesHost host;
};
std::map<bool, std::unique_ptr<Generated>> g_databases; // by "on PostgreSQL"

QString SqliteUrl() {
    return u"sqlite:"_s + bench::CachedSqliteFile(u"generated-%1"_s.arg(Rows), [](QSqlDatabase& database) {
               AddressDatabaseGenerator({Rows, 1}).CreateDatabase(database);
           });
}

QString PostgresUrl(const QString& server) {
    const QString name = u"bench_generated_%1"_s.arg(Rows);
    QtSqlConnection admin(server);
    bench::Exec(admin.Database(), u"set client_min_messages=warning"_s);
    bench::Exec(admin.Database(), u"drop database if exists %1"_s.arg(name));
    bench::Exec(admin.Database(), u"create database %1 encoding 'UTF8'"_s.arg(name));
    const QString url = WithDatabaseName(server, name);
    QtSqlConnection filling(url);
    AddressDatabaseGenerator({Rows, 1}).CreateDatabase(filling.Database());
    bench::Exec(filling.Database(), u"analyze"_s);
    return url;
}

void BM_EnterPage(benchmark::State& state, bool postgres, bool unlinkedPage) {
    const std::optional<QString> server = bench::PostgresUrl();
    if (postgres && !server) {
        state.SkipWithError("no PostgreSQL (run through scripts/run-benchmarks)");
        return;
    }
    try {
        auto& generated = g_databases[postgres];
        if (!generated)
            generated = std::make_unique<Generated>(postgres ? PostgresUrl(*server) : SqliteUrl());
        g_pDatabase = &generated->system.Database();
        SplitPagesHost& host = generated->host;
        DlgGetAddrSeparator& page = unlinkedPage ? static_cast<DlgGetAddrSeparator&>(host.Addr()) : host.Dp();
        const QString demo = QString::fromUtf16(AddressDatabaseGenerator::DemoCellName);
        MessageBoxRecorder boxes;
        EnterPageRepeatedly(state, host, page, demo);
        if (boxes.Count() > 0)
            state.SkipWithError(boxes.Last().text.toStdString().c_str());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK_CAPTURE(BM_EnterPage, DpPageSQLite, false, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EnterPage, UnlinkedPageSQLite, false, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EnterPage, DpPagePostgreSQL, true, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EnterPage, UnlinkedPagePostgreSQL, true, true)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Widgets, [] { g_databases.clear(); });
}
