// The result tree of a large cell: 100,000 addresses of the usual shapes under four patterns.
#include "splitting/ResultTree.h"
#include "bench/ResultTreeEntries.h"

#include <benchmark/benchmark.h>

namespace {

using bench::MakeEntries;
using bench::MakePatterns;

void BM_BuildResultTree(benchmark::State& state) {
    const auto entries = MakeEntries(static_cast<std::size_t>(state.range(0)));
    const SplitPatternSet patterns = MakePatterns();
    std::size_t nodes = 0;
    for (auto _ : state) {
        ResultTree tree = BuildResultTree(u"阳光花园小区", entries, patterns);
        nodes = tree.nodes.size();
        benchmark::DoNotOptimize(tree);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildResultTree)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
