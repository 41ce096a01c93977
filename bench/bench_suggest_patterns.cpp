// The pattern suggestion: how well its rows cut a generated corpus of compounds whose wanted pieces
// are known, against the rows an operator would set up for the forms each compound uses, and how
// long it takes for 100,000 addresses.
//
// Each compound mixes two to four forms (3栋2单元501室, 12号楼3单元502, 3-2-101, A座5层12号, ...), writes
// some numbers in full-width digits or Chinese numerals, and has a few addresses without numbers
// (会所, 地下车库) that no row should take. An address counts when it is cut into exactly its wanted
// pieces, or, for those without numbers, when no row takes it. The operator's rows are one row per
// form, in the best of all their orders.
#include "splitting/Splitting.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

struct Address {
    std::u16string text;
    std::vector<std::u16string> pieces; // empty for an address no row should take
};

struct Compound {
    std::vector<Address> addresses;
    std::vector<PatternRow> operatorRows; // one per form, in the best order
};

// A household's numbers and how they are written.
struct Place {
    int building, unit, floor, room, direction;
};
enum class Digits { Ascii, FullWidth, Chinese };

struct Form {
    const char16_t* row; // the operator's row for the form, levels separated by '/'
    std::vector<std::u16string> (*pieces)(const Place&, Digits);
};

std::u16string Number(int n, Digits digits) {
    std::u16string text;
    for (char c : std::to_string(n)) {
        switch (digits) {
        case Digits::Ascii:
            text.push_back(static_cast<char16_t>(c));
            break;
        case Digits::FullWidth:
            text.push_back(static_cast<char16_t>(c - '0' + 0xFF10));
            break;
        case Digits::Chinese:
            text.push_back(u"零一二三四五六七八九"[c - '0']);
            break;
        }
    }
    return text;
}
std::u16string Letter(int n) {
    return std::u16string(1, static_cast<char16_t>(u'A' + (n - 1) % 8));
}
std::u16string Direction(int n) {
    return std::u16string(1, u"东西南北中"[n % 5]);
}

// The forms operators write, with the pieces they want and the row that cuts them so.
const Form Forms[] = {
    {u"栋/元/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"栋", Number(p.unit, d) + u"单元", Number(p.room, d) + u"室"};
     }},
    {u"栋/元/[n]", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"栋", Number(p.unit, d) + u"单元", Number(p.room, d)};
     }},
    {u"幢/元/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"幢", Number(p.unit, d) + u"单元", Number(p.room, d) + u"室"};
     }},
    {u"楼/元/[n]", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"号楼", Number(p.unit, d) + u"单元", Number(p.room, d)};
     }},
    {u"楼/元", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"号楼", Number(p.unit, d) + u"单元"};
     }},
    {u"楼/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"号楼", Number(p.room, d) + u"室"};
     }},
    {u"座/层/号", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Letter(p.building) + u"座", Number(p.floor, d) + u"层", Number(p.room % 100, d) + u"号"};
     }},
    {u"座/层", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Letter(p.building) + u"座", Number(p.floor, d) + u"层"};
     }},
    {u"-/-/[n]", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"-", Number(p.unit, d) + u"-", Number(p.room, d)};
     }},
    {u"栋/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"栋", Number(p.room, d) + u"室"};
     }},
    {u"区/栋/元/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Direction(p.direction) + u"区", Number(p.building, d) + u"栋", Number(p.unit, d) + u"单元",
                 Number(p.room, d) + u"室"};
     }},
    {u"栋/元/层/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"栋", Number(p.unit, d) + u"单元", Number(p.floor, d) + u"层",
                 Number(p.room, d) + u"室"};
     }},
    {u"栋/)/室", [](const Place& p, Digits d) -> std::vector<std::u16string> {
         return {Number(p.building, d) + u"栋", u"(" + Number(p.unit, d) + u"单元)", Number(p.room, d) + u"室"};
     }},
};

const char16_t* const Noise[] = {u"会所", u"地下车库", u"物业管理处", u"门卫室", u"配电房", u"垃圾站"};

PatternRow ParseRow(std::u16string_view text) {
    PatternRow row;
    std::size_t level = 0;
    for (char16_t c : text)
        c == u'/' ? void(++level) : row[level].push_back(c);
    return row;
}

// How many addresses the rows cut into exactly their wanted pieces (or leave alone).
std::size_t Correct(const std::vector<Address>& addresses, const std::vector<PatternRow>& rows) {
    const SplitMatcher matcher(BuildPatternSet(rows));
    std::size_t correct = 0;
    for (const Address& address : addresses) {
        const SplitResult result = matcher.Split(address.text);
        correct += address.pieces.empty() ? result.patternIndex < 0 : result.pieces == address.pieces;
    }
    return correct;
}

class CorpusGenerator {
public:
    explicit CorpusGenerator(unsigned seed) : m_random(seed) {}

    Compound Make(int size) {
        Compound compound;
        std::vector<int> forms(std::size(Forms));
        std::iota(forms.begin(), forms.end(), 0);
        std::shuffle(forms.begin(), forms.end(), m_random);
        forms.resize(Uniform(2, 4));
        // The first form is the compound's main one; the others are rarer.
        std::vector<int> weights;
        for (std::size_t f = 0; f < forms.size(); ++f)
            weights.push_back(f == 0 ? Uniform(40, 80) : Uniform(5, 40));
        std::discrete_distribution<int> pick(weights.begin(), weights.end());
        const int buildings = Uniform(2, 30), units = Uniform(1, 6), floors = Uniform(5, 30);
        for (int i = 0; i < size; ++i) {
            if (Uniform(1, 100) <= 3) {
                compound.addresses.push_back({Noise[Uniform(0, std::size(Noise) - 1)], {}});
                continue;
            }
            Place place{Uniform(1, buildings), Uniform(1, units), Uniform(1, floors), 0, Uniform(0, 4)};
            place.room = place.floor * 100 + Uniform(1, 4);
            const int roll = Uniform(1, 100);
            const Digits digits = roll <= 5 ? Digits::FullWidth : roll <= 9 ? Digits::Chinese : Digits::Ascii;
            Address address;
            address.pieces = Forms[forms[pick(m_random)]].pieces(place, digits);
            for (const std::u16string& piece : address.pieces)
                address.text += piece;
            compound.addresses.push_back(std::move(address));
        }
        // The operator's rows: one per form, in the order that cuts most (a longer row before a
        // shorter one that would take its addresses).
        std::sort(forms.begin(), forms.end());
        std::size_t best = 0;
        do {
            std::vector<PatternRow> rows;
            for (int f : forms)
                rows.push_back(ParseRow(Forms[f].row));
            if (const std::size_t correct = Correct(compound.addresses, rows); correct > best || best == 0) {
                best = correct;
                compound.operatorRows = std::move(rows);
            }
        } while (std::next_permutation(forms.begin(), forms.end()));
        return compound;
    }

private:
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    std::mt19937 m_random;
};

std::vector<std::u16string> TextsOf(const Compound& compound) {
    std::vector<std::u16string> texts;
    for (const Address& address : compound.addresses)
        texts.push_back(address.text);
    return texts;
}

// Quality over 400 compounds of 20 to 3,000 addresses: the share of addresses cut as wanted by the
// suggested rows, by the operator's rows, and the one as a part of the other.
void BM_SuggestPatterns_Quality(benchmark::State& state) {
    CorpusGenerator generate(12);
    std::vector<Compound> compounds;
    for (int c = 0; c < 400; ++c)
        compounds.push_back(generate.Make(c % 4 == 0 ? 3000 : 20 + c * 7 % 600));
    std::size_t addresses = 0, bySuggestion = 0, byOperator = 0;
    for (auto _ : state) {
        addresses = bySuggestion = byOperator = 0;
        for (const Compound& compound : compounds) {
            addresses += compound.addresses.size();
            bySuggestion += Correct(compound.addresses, SuggestPatterns(TextsOf(compound)));
            byOperator += Correct(compound.addresses, compound.operatorRows);
        }
    }
    state.counters["addresses"] = static_cast<double>(addresses);
    state.counters["suggested_share"] = static_cast<double>(bySuggestion) / static_cast<double>(addresses);
    state.counters["operator_share"] = static_cast<double>(byOperator) / static_cast<double>(addresses);
    state.counters["suggested_of_operator"] = static_cast<double>(bySuggestion) / static_cast<double>(byOperator);
}

// One compound of 100,000 addresses in four forms.
void BM_SuggestPatterns_100k(benchmark::State& state) {
    CorpusGenerator generate(3);
    Compound compound = generate.Make(100000);
    while (compound.operatorRows.size() < 4)
        compound = generate.Make(100000);
    const std::vector<std::u16string> texts = TextsOf(compound);
    for (auto _ : state)
        benchmark::DoNotOptimize(SuggestPatterns(texts));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}

BENCHMARK(BM_SuggestPatterns_Quality)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SuggestPatterns_100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
