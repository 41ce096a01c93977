// The separator candidates of a split page over texts full of distinct characters beyond the basic
// plane (each a surrogate pair): the time grows with the texts, not with their square.
#include "splitting/Splitting.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// n distinct supplementary characters, 20 to an entry.
std::vector<AddressEntry> DistinctPairs(int n) {
    std::vector<AddressEntry> entries;
    std::u16string text;
    for (int i = 0; i < n; ++i) {
        const char32_t c = 0x20000 + char32_t(i);
        text.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        text.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        if (text.size() == 40) {
            entries.push_back({text, u"", 0});
            text.clear();
        }
    }
    if (!text.empty())
        entries.push_back({text, u"", 0});
    return entries;
}

void BM_CollectCandidateChars_DistinctPairs(benchmark::State& state) {
    const std::vector<AddressEntry> entries = DistinctPairs(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CollectCandidateChars(entries));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_CollectCandidateChars_DistinctPairs)->Arg(20'000)->Arg(200'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
