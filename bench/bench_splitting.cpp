// The re-split of a large cell: SplitMatcher::Match over 100,000 inner addresses against PCRE2 with
// JIT doing the same work (the same patterns as anchored expressions, the first full match wins,
// cut positions read back). Also counts heap allocations per address in the position form.
#include "splitting/Splitting.h"
#include "tests/support/CountingAllocator.h"
#include "tests/support/Pcre2PatternList.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int CorpusSize = 100000;

// The patterns an operator would set up for a mixed cell, in list order.
const std::vector<PatternRow> patternRows = {
    {u"栋", u"元", u"室"},               // 3栋2单元501室
    {u"楼", u"元", u"室"},               // 12号楼3单元501室
    {u"楼", u"元"},                      // 12号楼3单元
    {u"座", u"层"},                      // A座5层
    {u"[n]", u"[n]", u"[n]"},            // 3-2-101
    {u"区", u"栋", u"元", u"层", u"室"}, // 东区3栋2单元5层501室
    {u"）)", u"栋", u"元", u"室"},       // （东门）3栋2单元501室
};

class CorpusGenerator {
public:
    explicit CorpusGenerator(unsigned seed) : m_random(seed) {}

    std::u16string Address() {
        const int form = Uniform(1, 100);
        if (form <= 22)
            return Number(1, 30) + u"栋" + Number(1, 6) + u"单元" + Room() + u"室";
        if (form <= 27)
            return Number(1, 30) + u"栋" + Number(1, 6) + u"单元" + Room();
        if (form <= 33)
            return Number(1, 40) + u"号楼" + Number(1, 6) + u"单元" + Room() + u"室";
        if (form <= 38)
            return Number(1, 40) + u"号楼" + Number(1, 6) + u"单元";
        if (form <= 45)
            return std::u16string(1, static_cast<char16_t>(u'A' + Uniform(0, 5))) + u"座" + Number(1, 28) +
                   u"层";
        if (form <= 54)
            return Number(1, 30) + u"-" + Number(1, 6) + u"-" + Room();
        if (form <= 61)
            return Pick({u"东", u"西", u"南", u"北", u"中"}) + u"区" + Number(1, 20) + u"栋" + Number(1, 4) +
                   u"单元" + Number(1, 18) + u"层" + Room() + u"室";
        if (form <= 68)
            return FullWidth(Number(1, 30)) + u"栋" + FullWidth(Number(1, 6)) + u"单元" + FullWidth(Room()) +
                   u"室";
        if (form <= 74)
            return Chinese(Uniform(1, 10)) + u"栋" + Chinese(Uniform(1, 6)) + u"单元" +
                   Chinese(Uniform(1, 9)) + u"零" + Chinese(Uniform(1, 4)) + u"室";
        if (form <= 81)
            return (Uniform(0, 1) ? u"（" : u"(") + Pick({u"东门", u"北区", u"二期", u"新区"}) +
                   (Uniform(0, 1) ? u"）" : u")") + Number(1, 20) + u"栋" + Number(1, 6) + u"单元" + Room() +
                   u"室";
        if (form <= 88)
            return Pick({u"物业管理处", u"配电房", u"地下车库", u"门卫室", u"会所"});
        if (form <= 94)
            return u"商铺" + Number(1, 80) + u"号";
        return Number(1, 30) + u"栋" + Number(1, 6) + u"单元" + Room() + u"室" +
               Pick({u"门面", u"(临时)", u"旁", u"后"});
    }

private:
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    std::u16string Number(int low, int high) {
        std::u16string text;
        for (char c : std::to_string(Uniform(low, high)))
            text.push_back(static_cast<char16_t>(c));
        return text;
    }
    std::u16string Room() { return Number(1, 33) + u"0" + Number(1, 4); }
    std::u16string Pick(std::initializer_list<const char16_t*> choices) {
        return choices.begin()[Uniform(0, static_cast<int>(choices.size()) - 1)];
    }
    static std::u16string FullWidth(std::u16string digits) {
        for (char16_t& c : digits)
            c = static_cast<char16_t>(c + 0xFEE0);
        return digits;
    }
    static std::u16string Chinese(int n) {
        static const char16_t numerals[] = u"零一二三四五六七八九十";
        return std::u16string(1, numerals[n]);
    }
    std::mt19937 m_random;
};

// The cell's entries as a split page holds them: loaded one after the other, each with its text and
// its DP number.
const std::vector<AddressEntry>& Corpus() {
    static const std::vector<AddressEntry> corpus = [] {
        CorpusGenerator generate(42);
        std::vector<std::u16string> texts;
        for (int i = 0; i < CorpusSize; ++i)
            texts.push_back(generate.Address());
        std::vector<AddressEntry> entries;
        entries.reserve(CorpusSize);
        for (int i = 0; i < CorpusSize; ++i) {
            std::u16string number = u"DP";
            for (char c : std::to_string(80000000 + i))
                number.push_back(static_cast<char16_t>(c));
            entries.push_back({texts[i], number, 0});
        }
        return entries;
    }();
    return corpus;
}

const SplitPatternSet& PatternSet() {
    static const SplitPatternSet set = BuildPatternSet(patternRows);
    return set;
}

// All patterns as the alternatives of one expression: the first alternative that matches the whole
// text wins, as the first pattern does.
class AlternationRegex {
public:
    explicit AlternationRegex(const std::vector<PatternRow>& rows) {
        std::u16string expression = u"\\A(?:";
        int group = 1;
        for (const PatternRow& row : pcre2patterns::Rows(rows)) {
            expression += (group > 1 ? u"|" : u"") + pcre2patterns::RowExpression(row);
            m_firstGroup.push_back(group);
            m_levelCounts.push_back(pcre2patterns::LevelCount(row));
            group += m_levelCounts.back();
        }
        m_code = pcre2patterns::CompileJit(expression + u")\\z");
        m_matchData.reset(pcre2_match_data_create(static_cast<uint32_t>(group), nullptr));
    }
    int Match(std::u16string_view text, SplitCuts& cuts) const {
        const int rc = pcre2_jit_match(m_code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                                       m_matchData.get(), nullptr);
        if (rc < 0) {
            cuts.levelCount = 0;
            return cuts.patternIndex = -1;
        }
        // The matched alternative is the one whose groups are set: rc - 1 is the highest set group.
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_matchData.get());
        int p = static_cast<int>(m_firstGroup.size()) - 1;
        while (m_firstGroup[static_cast<std::size_t>(p)] > rc - 1)
            --p;
        cuts.levelCount = m_levelCounts[static_cast<std::size_t>(p)];
        for (int l = 0; l < cuts.levelCount; ++l)
            cuts.ends[static_cast<std::size_t>(l)] = ovector[2 * (m_firstGroup[static_cast<std::size_t>(p)] + l) + 1];
        return cuts.patternIndex = p;
    }

private:
    pcre2patterns::Code m_code;
    std::vector<int> m_firstGroup;
    std::vector<int> m_levelCounts;
    pcre2patterns::MatchData m_matchData;
};

template <typename Matcher> void RunPasses(benchmark::State& state, const Matcher& matcher) {
    const std::vector<AddressEntry>& corpus = Corpus();
    SplitCuts cuts;
    long allocations = 0;
    for (auto _ : state) {
        const long before = HeapAllocations();
        for (const AddressEntry& entry : corpus) {
            matcher.Match(entry.text, cuts);
            benchmark::DoNotOptimize(cuts);
        }
        allocations += HeapAllocations() - before;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(corpus.size()));
    state.counters["allocs_per_address"] =
        static_cast<double>(allocations) / static_cast<double>(state.iterations() * corpus.size());
}

void BM_SplitMatcher(benchmark::State& state) {
    const SplitMatcher matcher(PatternSet());
    RunPasses(state, matcher);
}

void BM_Pcre2Jit_PatternByPattern(benchmark::State& state) {
    const Pcre2PatternList regex(patternRows);
    RunPasses(state, regex);
}

void BM_Pcre2Jit_Alternation(benchmark::State& state) {
    const AlternationRegex regex(patternRows);
    RunPasses(state, regex);
}

// The forms with pieces, as a result page uses them (they allocate the pieces): one matcher for all
// texts, and SplitAddress, which prepares the patterns again for every text.
template <typename Split> void RunPieces(benchmark::State& state, Split split) {
    const std::vector<AddressEntry>& corpus = Corpus();
    long allocations = 0;
    for (auto _ : state) {
        const long before = HeapAllocations();
        for (const AddressEntry& entry : corpus)
            benchmark::DoNotOptimize(split(entry.text));
        allocations += HeapAllocations() - before;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(corpus.size()));
    state.counters["allocs_per_address"] =
        static_cast<double>(allocations) / static_cast<double>(state.iterations() * corpus.size());
}

void BM_SplitMatcher_Pieces(benchmark::State& state) {
    const SplitMatcher matcher(PatternSet());
    RunPieces(state, [&](const std::u16string& text) { return matcher.Split(text); });
}

void BM_SplitAddress_Pieces(benchmark::State& state) {
    RunPieces(state, [](const std::u16string& text) { return SplitAddress(PatternSet(), text); });
}

// What a page pays once per re-split to prepare the patterns.
void BM_BuildSplitMatcher(benchmark::State& state) {
    const SplitPatternSet& set = PatternSet();
    for (auto _ : state) {
        SplitMatcher matcher(set);
        benchmark::DoNotOptimize(matcher);
    }
}

BENCHMARK(BM_SplitMatcher)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcre2Jit_PatternByPattern)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pcre2Jit_Alternation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitMatcher_Pieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitAddress_Pieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSplitMatcher);

// Before timing: every engine must give the same pattern and cuts for every address.
bool EnginesAgree() {
    const SplitMatcher matcher(PatternSet());
    const Pcre2PatternList byPattern(patternRows);
    const AlternationRegex alternation(patternRows);
    std::map<int, int> shares;
    for (const AddressEntry& entry : Corpus()) {
        const std::u16string& text = entry.text;
        SplitCuts a, b, c;
        matcher.Match(text, a);
        byPattern.Match(text, b);
        alternation.Match(text, c);
        for (const SplitCuts* other : {&b, &c}) {
            if (other->patternIndex != a.patternIndex ||
                !std::equal(a.ends.begin(), a.ends.begin() + a.levelCount, other->ends.begin(),
                            other->ends.begin() + other->levelCount))
                return false;
        }
        ++shares[a.patternIndex];
    }
    std::printf("corpus: %d addresses; share per pattern:", CorpusSize);
    for (auto [pattern, n] : shares)
        std::printf(" %d:%.1f%%", pattern, 100.0 * n / CorpusSize);
    std::printf("\n");
    return true;
}

// Prints, after the table, how many times the matcher's throughput is PCRE2-JIT's: CPU time, as the
// items_per_second column, pooled over repetitions (--benchmark_repetitions, best with
// --benchmark_enable_random_interleaving on a busy machine; not with aggregates only, which hides
// the single runs).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            Pooled& pooled = m_pooled[run.run_name.function_name];
            pooled.addresses += CorpusSize * static_cast<double>(run.iterations);
            pooled.seconds += run.cpu_accumulated_time;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double ours = PerSecond("BM_SplitMatcher");
        for (const char* other : {"BM_Pcre2Jit_PatternByPattern", "BM_Pcre2Jit_Alternation"})
            if (ours > 0 && PerSecond(other) > 0)
                std::printf("BM_SplitMatcher %.3g addresses/s, %s %.3g addresses/s: %.2fx\n", ours, other,
                            PerSecond(other), ours / PerSecond(other));
    }

private:
    struct Pooled {
        double addresses = 0;
        double seconds = 0;
    };
    double PerSecond(const std::string& name) {
        const Pooled& pooled = m_pooled[name];
        return pooled.seconds > 0 ? pooled.addresses / pooled.seconds : 0;
    }
    std::map<std::string, Pooled> m_pooled;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!EnginesAgree()) {
        std::fprintf(stderr, "the matcher and PCRE2 disagree on the corpus\n");
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
