// The pattern suggestion. Every shape that can be cut into the wanted pieces has one row that cuts
// it so (its intended row). Rows are then chosen greedily: at each step the change to the list that
// gains most, either widening a row's terminator sets by an intended row of the same structure
// (3栋… and 3幢… share 栋幢/元/室, and no slot is spent) or inserting an intended row where it
// gains most (before a shorter row that would steal its texts). A text cut into the wanted pieces
// counts +1, a text cut otherwise -1 (a wrong node is worse than an address left for the operator).
#include "splitting/PatternSuggester.h"

#include <algorithm>

using splitting_detail::AddressShape;

namespace {

using Verdict = int8_t; // +1 cut into the wanted pieces, -1 cut otherwise, 0 not matched

// The shapes a row matches, with its verdict on each, in ascending shape order.
struct RowVerdicts {
    std::vector<std::pair<uint32_t, Verdict>> matched;

    Verdict Of(uint32_t shape) const {
        const auto it = std::lower_bound(matched.begin(), matched.end(), std::pair<uint32_t, Verdict>{shape, -2});
        return it != matched.end() && it->first == shape ? it->second : 0;
    }
};

enum class LevelKind { Numeral, Letter, Terminators };

LevelKind KindOf(const std::u16string& levelText) {
    if (levelText.find(NumeralMark) != std::u16string::npos)
        return LevelKind::Numeral;
    if (levelText.find(LetterMark) != std::u16string::npos)
        return LevelKind::Letter;
    return LevelKind::Terminators;
}

bool SameStructure(const SplitPattern& a, const SplitPattern& b) {
    if (a.levelCount != b.levelCount)
        return false;
    for (int l = 0; l < a.levelCount; ++l)
        if (KindOf(a.levelTexts[l]) != KindOf(b.levelTexts[l]))
            return false;
    return true;
}

// Row a with the terminators of row b (same structure) added to its sets, a's own first.
SplitPattern Widened(const SplitPattern& a, const SplitPattern& b) {
    SplitPattern result = a;
    for (int l = 0; l < a.levelCount; ++l) {
        if (KindOf(a.levelTexts[l]) != LevelKind::Terminators)
            continue;
        for (char16_t c : b.levelTexts[l])
            if (result.levelTexts[l].find(c) == std::u16string::npos)
                result.levelTexts[l].push_back(c);
    }
    return result;
}

// How many of a's terminator sets lack a terminator of b's.
int LevelsWidened(const SplitPattern& a, const SplitPattern& b) {
    int widened = 0;
    for (int l = 0; l < a.levelCount; ++l)
        if (KindOf(a.levelTexts[l]) == LevelKind::Terminators &&
            b.levelTexts[l].find_first_not_of(a.levelTexts[l]) != std::u16string::npos)
            ++widened;
    return widened;
}

std::u16string Signature(const SplitPattern& row) {
    std::u16string signature;
    for (int l = 0; l < row.levelCount; ++l) {
        signature += row.levelTexts[l];
        signature.push_back(u'\0'); // never a terminator (control characters count as numbers)
    }
    return signature;
}

class RowSearch {
public:
    RowSearch(std::vector<const AddressShape*> shapes, int64_t minGain)
        : m_shapes(std::move(shapes)), m_minGain(minGain) {
        for (uint32_t s = 0; s < m_shapes.size(); ++s)
            if (!m_shapes[s]->key.empty())
                m_shapesByLastChar[m_shapes[s]->key.back()].push_back(s);
    }

    std::vector<SplitPattern> Run();
    // After Run: a canonical name for every level of every row (see PatternSuggester::SuggestNamed).
    std::vector<LevelNames> Names() const;

private:
    struct Candidate {
        SplitPattern row;
        std::u16string signature;
        uint64_t support = 0; // texts whose intended row it is
    };
    enum class Change { None, Insert, Replace };

    std::vector<Candidate> Candidates() const;
    const RowVerdicts& VerdictsOf(const SplitPattern& row, const std::u16string& signature);
    void Recount();
    void DropRowsTakingFewerThan(int64_t texts);
    int64_t InsertGain(std::size_t at, const RowVerdicts& verdicts) const;
    int64_t ReplaceGain(std::size_t at, const RowVerdicts& verdicts) const;
    Verdict VerdictAfter(uint32_t shape, std::size_t row) const;
    int64_t Taken(std::size_t row) const;
    void OrderByTexts();
    int64_t Weight(uint32_t shape) const { return m_shapes[shape]->weight; }

    std::vector<const AddressShape*> m_shapes; // most frequent first
    int64_t m_minGain;
    std::unordered_map<char16_t, std::vector<uint32_t>> m_shapesByLastChar;
    std::unordered_map<std::u16string, RowVerdicts> m_verdictCache; // by row signature

    std::vector<SplitPattern> m_rows;
    std::vector<const RowVerdicts*> m_rowVerdicts;
    std::vector<uint8_t> m_firstRow; // per shape: the row that takes it, m_rows.size() when none
    std::vector<Verdict> m_current; // per shape: that row's verdict
};

std::vector<RowSearch::Candidate> RowSearch::Candidates() const {
    std::unordered_map<std::u16string, std::size_t> bySignature;
    std::vector<Candidate> candidates;
    for (const AddressShape* shape : m_shapes) {
        if (shape->pieceCount == 0)
            continue;
        Candidate candidate;
        candidate.row.levelCount = shape->pieceCount;
        for (int l = 0, start = 0; l < shape->pieceCount; start = static_cast<int>(shape->ends[l++]))
            candidate.row.levelTexts[l] = splitting_detail::IntendedLevelText(
                std::u16string_view(shape->key).substr(start, shape->ends[l] - start));
        candidate.signature = Signature(candidate.row);
        const auto [it, added] = bySignature.try_emplace(candidate.signature, candidates.size());
        if (added)
            candidates.push_back(std::move(candidate));
        candidates[it->second].support += shape->weight;
    }
    std::erase_if(candidates, [&](const Candidate& c) { return static_cast<int64_t>(c.support) < m_minGain; });
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.support != b.support ? a.support > b.support : a.signature < b.signature;
    });
    return candidates;
}

const RowVerdicts& RowSearch::VerdictsOf(const SplitPattern& row, const std::u16string& signature) {
    const auto [it, added] = m_verdictCache.try_emplace(signature);
    if (!added)
        return it->second;

    // A full match ends on the text's last character, so only shapes that end on a character the
    // last level can end on are tried.
    const std::u16string& lastLevel = row.levelTexts[row.levelCount - 1];
    std::u16string endChars;
    switch (KindOf(lastLevel)) {
    case LevelKind::Numeral:
        endChars = std::u16string(1, splitting_detail::DigitRunToken);
        break;
    case LevelKind::Letter:
        endChars = std::u16string(1, splitting_detail::LetterRunToken);
        break;
    case LevelKind::Terminators:
        endChars = lastLevel;
        break;
    }
    std::vector<uint32_t> tried;
    for (char16_t c : endChars)
        if (const auto found = m_shapesByLastChar.find(c); found != m_shapesByLastChar.end())
            tried.insert(tried.end(), found->second.begin(), found->second.end());
    std::sort(tried.begin(), tried.end());

    SplitPatternSet set;
    set.patterns[0] = row;
    set.count = 1;
    const SplitMatcher matcher(set);
    SplitCuts cuts;
    RowVerdicts& verdicts = it->second;
    for (uint32_t s : tried) {
        const AddressShape& shape = *m_shapes[s];
        if (matcher.Match(shape.key, cuts) != 0)
            continue;
        const bool wanted = cuts.levelCount == shape.pieceCount &&
                            std::equal(shape.ends.begin(), shape.ends.begin() + shape.pieceCount, cuts.ends.begin());
        verdicts.matched.emplace_back(s, wanted ? 1 : -1);
    }
    return verdicts;
}

void RowSearch::Recount() {
    m_firstRow.assign(m_shapes.size(), static_cast<uint8_t>(m_rows.size()));
    m_current.assign(m_shapes.size(), 0);
    for (std::size_t r = m_rows.size(); r-- > 0;)
        for (const auto& [s, verdict] : m_rowVerdicts[r]->matched) {
            m_firstRow[s] = static_cast<uint8_t>(r);
            m_current[s] = verdict;
        }
}

// A row that no text reaches any more (a later widening took its texts) only uses up a place.
void RowSearch::DropRowsTakingFewerThan(int64_t texts) {
    for (std::size_t r = m_rows.size(); r-- > 0;) {
        if (Taken(r) < texts) {
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(r));
            m_rowVerdicts.erase(m_rowVerdicts.begin() + static_cast<std::ptrdiff_t>(r));
            Recount();
        }
    }
}

int64_t RowSearch::InsertGain(std::size_t at, const RowVerdicts& verdicts) const {
    int64_t gain = 0;
    for (const auto& [s, verdict] : verdicts.matched)
        if (m_firstRow[s] >= at)
            gain += Weight(s) * (verdict - m_current[s]);
    return gain;
}

Verdict RowSearch::VerdictAfter(uint32_t shape, std::size_t row) const {
    for (std::size_t r = row + 1; r < m_rows.size(); ++r)
        if (const Verdict verdict = m_rowVerdicts[r]->Of(shape))
            return verdict;
    return 0;
}

int64_t RowSearch::ReplaceGain(std::size_t at, const RowVerdicts& verdicts) const {
    int64_t gain = 0;
    for (const auto& [s, verdict] : verdicts.matched)
        if (m_firstRow[s] >= at)
            gain += Weight(s) * (verdict - m_current[s]);
    // Shapes the old row took and the new one lets through fall to the rows after it.
    for (const auto& [s, verdict] : m_rowVerdicts[at]->matched)
        if (m_firstRow[s] == at && verdicts.Of(s) == 0)
            gain += Weight(s) * (VerdictAfter(s, at) - verdict);
    return gain;
}

int64_t RowSearch::Taken(std::size_t row) const {
    int64_t taken = 0;
    for (uint32_t s = 0; s < m_shapes.size(); ++s)
        if (m_firstRow[s] == row)
            taken += Weight(s);
    return taken;
}

// The rows in the order of how many texts they take, as far as their competition allows: where two
// rows match a text with different verdicts, the one that comes first now stays first, which keeps
// the verdict on every text. A row that has to come first moves up with the most texts that wait
// for it (区/栋/元/层/室 comes with 栋/元/室 before 室, which would take both forms' texts).
void RowSearch::OrderByTexts() {
    const std::size_t count = m_rows.size();
    std::vector<int64_t> taken(count);
    for (std::size_t r = 0; r < count; ++r)
        taken[r] = Taken(r);
    // before[a][b]: row a must stay before row b.
    std::vector<std::vector<bool>> before(count, std::vector<bool>(count, false));
    for (std::size_t a = 0; a < count; ++a)
        for (std::size_t b = a + 1; b < count; ++b)
            for (const auto& [s, verdict] : m_rowVerdicts[a]->matched)
                if (const Verdict other = m_rowVerdicts[b]->Of(s); other != 0 && other != verdict) {
                    before[a][b] = true;
                    break;
                }
    // A row's weight: the most texts taken by it or by any row that must wait for it.
    std::vector<int64_t> weight = taken;
    for (std::size_t a = count; a-- > 0;)
        for (std::size_t b = a + 1; b < count; ++b)
            if (before[a][b])
                weight[a] = std::max(weight[a], weight[b]);

    std::vector<std::size_t> order;
    std::vector<bool> placed(count, false);
    while (order.size() < count) {
        std::size_t best = count;
        for (std::size_t r = 0; r < count; ++r) {
            if (placed[r])
                continue;
            bool free = true;
            for (std::size_t a = 0; a < r && free; ++a)
                free = placed[a] || !before[a][r];
            if (free && (best == count || weight[r] > weight[best] ||
                         (weight[r] == weight[best] && taken[r] > taken[best])))
                best = r;
        }
        placed[best] = true;
        order.push_back(best);
    }
    std::vector<SplitPattern> rows;
    std::vector<const RowVerdicts*> verdicts;
    for (std::size_t r : order) {
        rows.push_back(m_rows[r]);
        verdicts.push_back(m_rowVerdicts[r]);
    }
    m_rows = std::move(rows);
    m_rowVerdicts = std::move(verdicts);
    Recount();
}

std::vector<SplitPattern> RowSearch::Run() {
    std::vector<Candidate> candidates = Candidates();
    Recount();
    // Every change gains at least m_minGain >= 1, so the search ends; the bound only keeps a
    // pathological input from taking long.
    for (int step = 0; step < 64; ++step) {
        Change change = Change::None;
        int64_t bestGain = m_minGain - 1;
        std::size_t bestAt = 0;
        SplitPattern bestRow;
        const RowVerdicts* bestVerdicts = nullptr;
        for (const Candidate& candidate : candidates) {
            // Widening first: on equal gain it keeps a slot free. While slots are free, a row is
            // widened in one level, keeping another (栋/元/室 and 幢/元/室 make 栋幢/元/室), so that
            // each row still reads as one form; once all are taken, in any level.
            for (std::size_t r = 0; r < m_rows.size(); ++r) {
                if (!SameStructure(m_rows[r], candidate.row))
                    continue;
                const int levelsWidened = LevelsWidened(m_rows[r], candidate.row);
                const bool oneForm = levelsWidened == 1 && m_rows[r].levelCount > 1;
                if (levelsWidened == 0 || (!oneForm && m_rows.size() < MaxPatterns))
                    continue;
                SplitPattern widened = Widened(m_rows[r], candidate.row);
                const std::u16string signature = Signature(widened);
                const RowVerdicts& verdicts = VerdictsOf(widened, signature);
                if (const int64_t gain = ReplaceGain(r, verdicts); gain > bestGain) {
                    change = Change::Replace, bestGain = gain, bestAt = r, bestRow = std::move(widened);
                    bestVerdicts = &verdicts;
                }
            }
            if (m_rows.size() == MaxPatterns)
                continue;
            const RowVerdicts& verdicts = VerdictsOf(candidate.row, candidate.signature);
            // Later places first: on equal gain the row goes after those chosen before it.
            for (std::size_t at = m_rows.size() + 1; at-- > 0;)
                if (const int64_t gain = InsertGain(at, verdicts); gain > bestGain) {
                    change = Change::Insert, bestGain = gain, bestAt = at, bestRow = candidate.row;
                    bestVerdicts = &verdicts;
                }
        }
        if (change == Change::None)
            break;
        if (change == Change::Insert) {
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(bestAt), bestRow);
            m_rowVerdicts.insert(m_rowVerdicts.begin() + static_cast<std::ptrdiff_t>(bestAt), bestVerdicts);
        } else {
            m_rows[bestAt] = bestRow;
            m_rowVerdicts[bestAt] = bestVerdicts;
        }
        Recount();
        DropRowsTakingFewerThan(1);
    }
    // Every row takes at least the texts a form needs to be worth a row.
    DropRowsTakingFewerThan(m_minGain);
    OrderByTexts();
    return m_rows;
}

namespace {

// What part of an address a word names; the words of one role are one level's forms.
enum class Role { Building, Unit, Floor, Room, Other };

Role RoleOf(std::u16string_view word, int level) {
    static constexpr std::u16string_view buildings[] = {u"栋", u"幢", u"号楼", u"座", u"号栋", u"号幢"};
    static constexpr std::u16string_view units[] = {u"单元", u"元"};
    static constexpr std::u16string_view rooms[] = {u"室", u"号", u"户", u"号房", u"房"};
    auto among = [word](const auto& words) { return std::find(std::begin(words), std::end(words), word) != std::end(words); };
    if (among(buildings))
        return Role::Building;
    if (among(units))
        return Role::Unit;
    if (word == u"层")
        return Role::Floor;
    if (word == u"楼") // 3楼 first is a building, after a building a floor
        return level == 0 ? Role::Building : Role::Floor;
    if (among(rooms))
        return Role::Room;
    return Role::Other;
}

// The word a piece of a shape key carries: what follows its last number, without punctuation,
// brackets and spaces (3- and 501 carry none).
std::u16string WordOf(std::u16string_view piece) {
    std::size_t start = piece.size();
    while (start > 0 && piece[start - 1] != splitting_detail::DigitRunToken &&
           piece[start - 1] != splitting_detail::LetterRunToken && piece[start - 1] != splitting_detail::OtherNumberToken)
        --start;
    if (start == 0)
        return {};
    std::u16string word;
    for (char16_t c : piece.substr(start)) {
        const bool punctuation = c < 0x80 || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF65);
        if (!punctuation)
            word.push_back(c);
    }
    return word;
}

} // namespace

std::vector<LevelNames> RowSearch::Names() const {
    // For each row and level, how many texts it takes carry each word there.
    using WordWeights = std::unordered_map<std::u16string, int64_t>;
    std::vector<std::array<WordWeights, MaxLevels>> words(m_rows.size());
    for (uint32_t s = 0; s < m_shapes.size(); ++s) {
        if (m_firstRow[s] >= m_rows.size() || m_current[s] != 1)
            continue;
        const AddressShape& shape = *m_shapes[s];
        for (int l = 0, start = 0; l < shape.pieceCount; start = static_cast<int>(shape.ends[l++])) {
            const std::u16string word = WordOf(std::u16string_view(shape.key).substr(start, shape.ends[l] - start));
            words[m_firstRow[s]][l][word] += Weight(s);
        }
    }
    auto heaviest = [](const WordWeights& weights) {
        std::u16string best;
        int64_t bestWeight = 0;
        for (const auto& [word, weight] : weights)
            if (!word.empty() && (weight > bestWeight ||
                                  (weight == bestWeight && (word.size() < best.size() ||
                                                            (word.size() == best.size() && word < best)))))
                best = word, bestWeight = weight;
        return best;
    };
    // Each row's own word per level, and the word most texts of each role carry.
    std::vector<LevelNames> own(m_rows.size());
    std::array<WordWeights, 4> byRole;
    for (std::size_t r = 0; r < m_rows.size(); ++r)
        for (int l = 0; l < m_rows[r].levelCount; ++l) {
            own[r][l] = heaviest(words[r][l]);
            for (const auto& [word, weight] : words[r][l])
                if (const Role role = RoleOf(word, l); !word.empty() && role != Role::Other)
                    byRole[static_cast<int>(role)][word] += weight;
        }
    auto nameFor = [&](const std::u16string& word, int level) {
        const Role role = RoleOf(word, level);
        return role == Role::Other ? word : heaviest(byRole[static_cast<int>(role)]);
    };
    std::size_t dominant = 0;
    for (std::size_t r = 1; r < m_rows.size(); ++r)
        if (Taken(r) > Taken(dominant))
            dominant = r;

    std::vector<LevelNames> names(m_rows.size());
    for (std::size_t r = 0; r < m_rows.size(); ++r)
        for (int l = 0; l < m_rows[r].levelCount; ++l) {
            if (!own[r][l].empty())
                names[r][l] = nameFor(own[r][l], l);
            else if (l < m_rows[dominant].levelCount && !own[dominant][l].empty())
                names[r][l] = nameFor(own[dominant][l], l); // 3-2-501 as the dominant row writes it
        }
    return names;
}

} // namespace

void PatternSuggester::Add(std::u16string_view text) {
    splitting_detail::BuildShapeKey(text, m_key);
    auto it = m_shapeIndex.find(m_key);
    if (it == m_shapeIndex.end()) {
        it = m_shapeIndex.emplace(m_key, static_cast<uint32_t>(m_shapes.size())).first;
        AddressShape& shape = m_shapes.emplace_back();
        shape.key = m_key;
        splitting_detail::FindIntendedCuts(shape);
    }
    ++m_shapes[it->second].weight;
    ++m_textCount;
}

std::vector<PatternRow> PatternSuggester::Suggest() const {
    return LevelTextsOf(SuggestNamed());
}

std::vector<NamedPatternRow> PatternSuggester::SuggestNamed() const {
    std::vector<const AddressShape*> shapes;
    shapes.reserve(m_shapes.size());
    for (const AddressShape& shape : m_shapes)
        shapes.push_back(&shape);
    std::sort(shapes.begin(), shapes.end(), [](const AddressShape* a, const AddressShape* b) {
        return a->weight != b->weight ? a->weight > b->weight : a->key < b->key;
    });
    // A form that fewer than one text in a thousand takes is a slip, not worth a row.
    const int64_t minGain = std::max<int64_t>(1, static_cast<int64_t>(m_textCount / 1000));

    RowSearch search(std::move(shapes), minGain);
    const std::vector<SplitPattern> patterns = search.Run();
    const std::vector<LevelNames> names = search.Names();
    std::vector<NamedPatternRow> rows;
    for (std::size_t r = 0; r < patterns.size(); ++r) {
        NamedPatternRow& row = rows.emplace_back();
        for (int l = 0; l < patterns[r].levelCount; ++l)
            row.levels[l] = ToDisplayForm(patterns[r].levelTexts[l]);
        row.names = names[r];
    }
    return rows;
}
