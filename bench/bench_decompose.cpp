// Decomposing compounds without a window, as `tessel decompose --cells` does: 1,000 compounds of a
// generated database (the demo forms: 3栋2单元501室, 12号楼3单元, A座5层503, 3-2-501, ...) one
// after the other in one process, each through the page rules and its own commit, on SQLite and
// (under scripts/with-postgres) PostgreSQL.
//
// Goal: at least 50 compounds a second on SQLite.
#include "bench/QtBenchmarkMain.h"
#include "pages/rules/CompoundDecomposition.h"
#include "pages/rules/CompoundReference.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QHash>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CompoundCount = 1000;
constexpr uint32_t DatabaseSize = 40000; // about 1,600 compounds

NamedPatternRow Row(std::initializer_list<const char16_t*> levels) {
    NamedPatternRow row;
    std::size_t k = 0;
    for (const char16_t* level : levels)
        row.levels[k++] = ToInternalForm(level);
    return row;
}

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

// The compounds of a generated database, by node id (a name may stand for several): grade-7 nodes
// whose names hold no digit (the standard addresses of grade 7 are named after their compound with
// the inner part, 3栋2单元501室, behind), one of each name.
std::vector<CompoundReference> Compounds(TestDatabase& db, int count) {
    QStringList names;
    std::vector<CompoundReference> compounds;
    for (const QStringList& row : db.Rows(u"select id,name from addr where grade=7 order by id"_s)) {
        const bool digits = std::any_of(row[1].begin(), row[1].end(), [](QChar c) { return c.isDigit(); });
        if (!digits && !names.contains(row[1])) {
            names << row[1];
            compounds.push_back(CompoundReference::ById(row[0].toUInt()));
        }
        if (names.size() == count)
            break;
    }
    return compounds;
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
        const std::vector<CompoundReference> cells = Compounds(*db, CompoundCount);
        if (static_cast<int>(cells.size()) < CompoundCount) {
            state.SkipWithError("the generated database holds fewer compounds");
            return;
        }
        auto attached = std::make_unique<AttachedDatabase>(*db);
        const CompoundDecomposition decomposition(DemoOptions(dryRun), CompoundDecomposition::Scope::ManyCompounds);
        QHash<QString, int> statuses;
        int nodes = 0;
        state.ResumeTiming();

        for (const CompoundReference& cell : cells) {
            const CompoundDecomposition::Outcome outcome = decomposition.Run(cell);
            statuses[CompoundDecomposition::StatusText(outcome).section(u':', 0, 0)]++;
            nodes += outcome.nodesNew;
        }

        state.PauseTiming();
        state.counters["compounds/s"] = benchmark::Counter(CompoundCount, benchmark::Counter::kIsRate);
        for (auto it = statuses.begin(); it != statuses.end(); ++it)
            state.counters[it.key().toStdString()] = it.value();
        state.counters["nodes_new"] = nodes;
        attached.reset();
        db.reset();
        state.ResumeTiming();
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

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Core); // the database drivers need one
}
