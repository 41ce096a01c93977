// Decomposing compounds without a window, as `tessel decompose --cells` does: 1,000 compounds of a
// generated database (the demo forms: 3栋2单元501室, 12号楼3单元, A座5层503, 3-2-501, ...) one
// after the other in one process, each through the page rules and its own commit, on SQLite (in WAL
// mode, as tessel init-db makes it) and (under scripts/with-postgres) PostgreSQL. Beside the SQLite
// figures: what one write and fdatasync of a page costs on the disk the database lies on.
//
// Goals: at least 100 written compounds a second on SQLite; on PostgreSQL at most 15 statements and
// 8 ms of the server's CPU per written compound (statements_per_written, server_cpu_ms_per_written;
// the server's CPU is that of the process serving the connection, on this machine).
//
// SearchCacheMemory: what a run over every compound of a million-row database keeps of the texts
// pages 3 and 5 search (CompoundSearchCache), per million addr rows. Goal: at most 100 MB.
#include "bench/BenchDatabases.h"
#include "bench/ConnectionCost.h"
#include "bench/QtBenchmarkMain.h"
#include "database/AddressDatabaseGenerator.h"
#include "database/CADORecordset.h"
#include "database/SqliteFileMode.h"
#include "pages/rules/CompoundDecomposition.h"
#include "pages/rules/CompoundReference.h"
#include "pages/rules/CompoundSearchCache.h"
#include "tests/support/GeneratedCompounds.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CompoundCount = 1000;
constexpr uint32_t DatabaseSize = 40000; // about 1,600 compounds

using GeneratedCompounds::Row;

// The rows an operator sets up for the demo forms.
CompoundDecomposition::Options DemoOptions(bool dryRun) {
    CompoundDecomposition::Options options;
    options.dpRows = {Row({u"栋", u"元", u"室"}),           Row({u"[n]", u"号楼", u"[n]", u"单元", u"[n]"}),
                      Row({u"[c]", u"座", u"[n]", u"层", u"[n]"}), Row({u"[n]", u"-", u"[n]", u"-", u"[n]"}),
                      Row({u"幢", u"元", u"[n]"})};
    options.addrRows = {Row({u"栋", u"元", u"室"})};
    options.dryRun = dryRun;
    return options;
}

// Milliseconds one 4 KiB write and fdatasync take in `folder` (the mean of 100).
double SyncMilliseconds(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder + u"/sync-probe"_s);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return -1;
    std::vector<char> page(4096, 'x');
    constexpr int Syncs = 100;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Syncs; ++i)
        if (::pwrite(fd, page.data(), page.size(), static_cast<off_t>(i % 16) * 4096) < 0 || ::fdatasync(fd) != 0)
            break;
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6 / Syncs;
    ::close(fd);
    ::unlink(path.constData());
    return ms;
}

void Decompose(benchmark::State& state, Backend backend, bool dryRun) {
    if (!TestDatabase::Available(backend)) {
        state.SkipWithError("no PostgreSQL: run under scripts/with-postgres");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<TestDatabase>(backend);
        db->Generate(DatabaseSize);
        if (backend == Backend::SQLite) {
            SqliteFileMode::UseWriteAheadLog(db->Native());
            state.counters["sync_ms"] = SyncMilliseconds(QFileInfo(db->Url().mid(7)).absolutePath());
        }
        const std::vector<CompoundReference> cells = GeneratedCompounds::ById(*db, CompoundCount);
        if (static_cast<int>(cells.size()) < CompoundCount) {
            state.SkipWithError("the generated database holds fewer compounds");
            return;
        }
        auto attached = std::make_unique<AttachedDatabase>(*db);
        QHash<QString, int> statuses;
        int nodes = 0;
        const bench::ConnectionCost cost(*db);
        state.ResumeTiming();
        {
            // Its end (the run's last sync) is part of the run.
            const CompoundDecomposition decomposition(DemoOptions(dryRun),
                                                      CompoundDecomposition::Scope::ManyCompounds, cells);
            for (const CompoundReference& cell : cells) {
                const CompoundDecomposition::Outcome outcome = decomposition.Run(cell);
                statuses[CompoundDecomposition::StatusText(outcome).section(u':', 0, 0)]++;
                nodes += outcome.nodesNew;
            }
        }

        state.PauseTiming();
        state.counters["compounds/s"] = benchmark::Counter(CompoundCount, benchmark::Counter::kIsRate);
        state.counters[dryRun ? "dry-run/s" : "written/s"] =
            benchmark::Counter(statuses.value(dryRun ? u"dry-run"_s : u"written"_s), benchmark::Counter::kIsRate);
        for (auto it = statuses.begin(); it != statuses.end(); ++it)
            state.counters[it.key().toStdString()] = it.value();
        state.counters["nodes_new"] = nodes;
        // Per compound that went through its commit (written, or rolled back in a dry run).
        const int committed = statuses.value(dryRun ? u"dry-run"_s : u"written"_s);
        if (committed > 0) {
            state.counters["statements_per_written"] = static_cast<double>(cost.Statements()) / committed;
            if (cost.ServerCpuMs() >= 0)
                state.counters["server_cpu_ms_per_written"] = cost.ServerCpuMs() / committed;
        }
        attached.reset();
        db.reset();
        state.ResumeTiming();
    }
}

// Resident memory of the process, in bytes.
double ResidentBytes() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() * 1024;
    return 0;
}

void SearchCacheMemory(benchmark::State& state) {
    constexpr uint32_t Rows = 1000000;
    const QString path = bench::CachedSqliteFile(u"generated-%1"_s.arg(Rows), [](QSqlDatabase& database) {
        AddressDatabaseGenerator({Rows, 1}).CreateDatabase(database);
    });
    bench::SystemDatabase system(u"sqlite:"_s + path); // g_pDatabase while it lives
    // Every compound's name, as a run over the whole city is given them (grade-7 names without a
    // digit: the standard addresses of grade 7 carry their inner part, 3栋2单元501室, behind).
    std::vector<QString> names;
    {
        CADORecordset reading(g_pDatabase);
        reading.ReadEachRow(u"select name from addr where grade=7"_s, [&] {
            QString name;
            reading.ReadColumn(0, name, u"");
            if (std::none_of(name.begin(), name.end(), [](QChar c) { return c.isDigit(); }))
                names.push_back(name);
        });
    }
    const QString demo = QString::fromUtf16(AddressDatabaseGenerator::DemoCellName);
    for (auto _ : state) {
        const double before = ResidentBytes();
        CompoundSearchCache cache(names);
        const std::size_t found = cache.DpEntries(demo).value_or(std::vector<AddressEntry>{}).size() +
                                  cache.UnlinkedEntries(demo).value_or(std::vector<AddressEntry>{}).size();
        state.counters["names"] = static_cast<double>(names.size());
        state.counters["entries_found"] = static_cast<double>(found);
        state.counters["held_MB_per_M_rows"] = static_cast<double>(cache.BytesHeld()) / 1e6 * (1e6 / Rows);
        state.counters["rss_growth_MB"] = (ResidentBytes() - before) / 1e6;
    }
}

BENCHMARK_CAPTURE(Decompose, SQLite, Backend::SQLite, false)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(Decompose, SQLiteDryRun, Backend::SQLite, true)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(Decompose, PostgreSQL, Backend::PostgreSQL, false)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Decompose, PostgreSQLDryRun, Backend::PostgreSQL, true)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(SearchCacheMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Core); // the database drivers need one
}
