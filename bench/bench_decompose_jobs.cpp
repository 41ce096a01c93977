// `tessel decompose --jobs N` on PostgreSQL (under scripts/with-postgres): the program itself, run
// as a user runs it, over 1,000 compounds of a generated database (40,000 addr rows, the demo forms),
// for N = 1, 2 and 4 worker processes, each case on a fresh copy of the same database. The server
// runs with fsync off as scripts/with-postgres starts it; WITH_POSTGRES_FSYNC=on starts it with
// PostgreSQL's default, where every COMMIT waits for the disk.
//
// Counters: written compounds a second (wall), the server's CPU per written compound (every process
// of the cluster: the backends, reaped ones included through the postmaster's children's times, and
// its helpers), the client's CPU per compound (the run and its workers), the cores of the machine,
// the load when the case began, whether the server syncs (fsync), nodes written twice (below one
// parent, with one name and grade) and whether the report equals the one of N = 1.
#include "bench/QtBenchmarkMain.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>


#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CompoundCount = 1000;
constexpr uint32_t DatabaseSize = 40000;

// The rows an operator sets up for the demo forms (as bench_decompose).
const QStringList kPatterns = {
    u"--dp-pattern"_s,   u"栋/元/室"_s,   u"--dp-pattern"_s,   u"[n]/号楼/[n]/单元/[n]"_s,
    u"--dp-pattern"_s,   u"[c]/座/[n]/层/[n]"_s, u"--dp-pattern"_s, u"[n]/-/[n]/-/[n]"_s,
    u"--dp-pattern"_s,   u"幢/元/[n]"_s,  u"--addr-pattern"_s, u"栋/元/室"_s};

// The compounds of the generated database as bench_decompose takes them (grade-7 nodes whose names
// hold no digit, one of each name), one "#id" line each.
QStringList CompoundLines(TestDatabase& db) {
    QStringList names;
    QStringList lines;
    for (const QStringList& row : db.Rows(u"select id,name from addr where grade=7 order by id"_s)) {
        const bool digits = std::any_of(row[1].begin(), row[1].end(), [](QChar c) { return c.isDigit(); });
        if (!digits && !names.contains(row[1])) {
            names << row[1];
            lines << u"#"_s + row[0];
        }
        if (lines.size() == CompoundCount)
            break;
    }
    return lines;
}

// CPU seconds of a process from /proc/PID/stat: its own, and with `children` those of its children
// it has reaped.
double ProcessCpu(long pid, bool children) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // After the name: state(0) ppid(1) ... utime(11) stime(12) cutime(13) cstime(14).
    if (fields.size() < 15)
        return 0;
    double ticks = fields[11].toDouble() + fields[12].toDouble();
    if (children)
        ticks += fields[13].toDouble() + fields[14].toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ParentOf(long pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLong();
}

// Everything the cluster has spent: the postmaster with what it reaped, and each live child.
double ClusterCpu(long postmaster) {
    double seconds = ProcessCpu(postmaster, true);
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool isPid = false;
        const long pid = entry.toLong(&isPid);
        if (isPid && ParentOf(pid) == postmaster)
            seconds += ProcessCpu(pid, false);
    }
    return seconds;
}

double ChildrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double LoadNow() {
    QFile load(u"/proc/loadavg"_s);
    return load.open(QIODevice::ReadOnly) ? load.readAll().split(' ').value(0).toDouble() : -1;
}

QString g_oneJobReport; // N = 1's report, for the others to compare

void DecomposeJobs(benchmark::State& state) {
    if (!TestDatabase::Available(Backend::PostgreSQL)) {
        state.SkipWithError("no PostgreSQL: run under scripts/with-postgres");
        return;
    }
    const int jobs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<TestDatabase>(Backend::PostgreSQL);
        db->Generate(DatabaseSize);
        const QStringList lines = CompoundLines(*db);
        if (lines.size() < CompoundCount) {
            state.SkipWithError("the generated database holds fewer compounds");
            return;
        }
        QTemporaryDir folder;
        const QString list = folder.filePath(u"cells.txt"_s);
        QFile file(list);
        file.open(QIODevice::WriteOnly);
        file.write(lines.join(u'\n').toUtf8() + '\n');
        file.close();
        const long postmaster = ParentOf(db->Rows(u"select pg_backend_pid() from dual"_s).value(0).value(0).toLong());
        const bool fsync = db->NativeRows(u"show fsync"_s).value(0).value(0) == u"on"_s;
        const double load = LoadNow();
        const double serverBefore = ClusterCpu(postmaster);
        const double clientBefore = ChildrenCpu();
        state.ResumeTiming();

        const TesselRun run = RunTessel(QStringList{u"decompose"_s, db->Url(), u"--cells"_s, list, u"--jobs"_s,
                                                    QString::number(jobs)} +
                                            kPatterns,
                                        {.timeoutMs = 600000});

        state.PauseTiming();
        const double server = ClusterCpu(postmaster) - serverBefore;
        const double client = ChildrenCpu() - clientBefore;
        const int written = static_cast<int>(run.out.count(u"\twritten"_s));
        if (run.err.count(u'\n') != 1 || !run.err.contains(u" written, "_s)) {
            state.SkipWithError(("the run failed: " + run.err).toStdString().c_str());
            return;
        }
        if (jobs == 1)
            g_oneJobReport = run.out;
        state.counters["compounds/s"] = benchmark::Counter(written, benchmark::Counter::kIsRate);
        state.counters["written"] = written;
        state.counters["server_cpu_ms/compound"] = written > 0 ? 1000 * server / written : 0;
        state.counters["client_cpu_ms/compound"] = written > 0 ? 1000 * client / written : 0;
        state.counters["cores"] = std::thread::hardware_concurrency();
        state.counters["load"] = load;
        state.counters["fsync"] = fsync;
        state.counters["nodes_twice"] =
            db->Rows(u"select count(*) from (select parentid,name,grade from addr where grade>7 "
                     u"group by parentid,name,grade having count(*)>1) t"_s)
                .value(0)
                .value(0)
                .toDouble();
        state.counters["same_report_as_1"] = run.out == g_oneJobReport;
        db.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(DecomposeJobs)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Core); // the database drivers need one
}
