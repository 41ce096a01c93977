// The splitting engine: the first pattern that cuts the whole text, level by level, each level at
// the first occurrence from the left, without backtracking.
#include "splitting/CharClasses.h"
#include "splitting/Splitting.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#define TESSEL_SPLIT_VECTOR 1
#else
#define TESSEL_SPLIT_VECTOR 0
#endif

using namespace splitting_detail;

namespace {
constexpr std::size_t NoEnd = std::u16string_view::npos;
// Texts of this many code units (most inner addresses) are cut with vector compares.
constexpr std::size_t TextWindowMin = 8;
constexpr std::size_t TextWindowMax = 16;
} // namespace

SplitMatcher::Level SplitMatcher::PrepareLevel(const std::u16string& levelText) {
    Level level;
    // A mark anywhere decides the kind; the level's other characters then play no part.
    if (levelText.find(NumeralMark) != std::u16string::npos) {
        level.kind = Level::Numeral;
        return level;
    }
    if (levelText.find(LetterMark) != std::u16string::npos) {
        level.kind = Level::Letter;
        return level;
    }
    // A set of alternative terminators: order and repetition do not matter.
    level.first = levelText[0];
    const auto other =
        std::find_if(levelText.begin(), levelText.end(), [&](char16_t c) { return c != level.first; });
    level.second = other == levelText.end() ? level.first : *other;
    if (std::all_of(other, levelText.end(),
                    [&](char16_t c) { return c == level.first || c == level.second; })) {
        level.kind = Level::Terminators;
        return level;
    }
    // Three or more: sorted and without repeats, at the end of m_sets.
    const std::size_t start = m_sets.size();
    m_sets += levelText;
    std::sort(m_sets.begin() + start, m_sets.end());
    m_sets.erase(std::unique(m_sets.begin() + start, m_sets.end()), m_sets.end());
    level.kind = Level::TerminatorSet;
    level.setStart = static_cast<uint32_t>(start);
    level.setEnd = static_cast<uint32_t>(m_sets.size());
    for (std::size_t i = start; i < m_sets.size(); ++i)
        level.filter |= uint64_t{1} << (m_sets[i] & 63);
    return level;
}

SplitMatcher::SplitMatcher(const SplitPatternSet& set) : m_count(std::clamp(set.count, 0, MaxPatterns)) {
    for (int p = 0; p < m_count; ++p) {
        const SplitPattern& source = set.patterns[p];
        Pattern& pattern = m_patterns[p];
        pattern.levelCount = std::clamp(source.levelCount, 0, MaxLevels);
        for (int l = 0; l < pattern.levelCount; ++l) {
            // A level counted in levelCount is never empty; an inconsistent set is read as if its
            // pattern ended before the first empty level.
            if (source.levelTexts[l].empty()) {
                pattern.levelCount = l;
                break;
            }
            pattern.levels[l] = PrepareLevel(source.levelTexts[l]);
        }

        const PatternMask bit = PatternMask(1u << p);
        if (pattern.levelCount == 0) {
            m_emptyPatterns |= bit;
            continue;
        }
        const Level& last = pattern.levels[pattern.levelCount - 1];
        switch (last.kind) {
        case Level::Numeral:
            m_lastNumeralPatterns |= bit;
            break;
        case Level::Letter:
            m_lastLetterPatterns |= bit;
            break;
        case Level::Terminators:
            m_lastTerminatorPatterns[last.first & 0xFF] |= bit;
            m_lastTerminatorPatterns[last.second & 0xFF] |= bit;
            break;
        case Level::TerminatorSet:
            for (std::size_t i = last.setStart; i < last.setEnd; ++i)
                m_lastTerminatorPatterns[m_sets[i] & 0xFF] |= bit;
            break;
        }
    }
}

// Whether a level's cut can end on character c.
[[gnu::always_inline]] inline bool SplitMatcher::CanEndWith(const Level& level, char16_t c) const {
    switch (level.kind) {
    case Level::Numeral:
        return IsAsciiDigit(c);
    case Level::Letter:
        return IsAsciiLetter(c);
    case Level::Terminators:
        return c == level.first || c == level.second;
    case Level::TerminatorSet:
        return (level.filter >> (c & 63) & 1) &&
               std::binary_search(m_sets.data() + level.setStart, m_sets.data() + level.setEnd, c);
    }
    return false;
}

// The end position (inclusive) of a level's cut in text[from, size), or NoEnd.
[[gnu::always_inline]] inline std::size_t SplitMatcher::FindEnd(const Level& level, const char16_t* text,
                                                                std::size_t from, std::size_t size) const {
    std::size_t i = from;
    switch (level.kind) {
    case Level::Numeral:
        while (i < size && !IsAsciiDigit(text[i]))
            ++i;
        if (i == size)
            return NoEnd;
        while (i + 1 < size && IsAsciiDigit(text[i + 1]))
            ++i;
        return i;
    case Level::Letter:
        while (i < size && !IsAsciiLetter(text[i]))
            ++i;
        if (i == size)
            return NoEnd;
        while (i + 1 < size && IsAsciiLetter(text[i + 1]))
            ++i;
        return i;
    case Level::Terminators:
        for (const char16_t a = level.first, b = level.second; i < size; ++i)
            if (text[i] == a || text[i] == b)
                return i;
        return NoEnd;
    case Level::TerminatorSet:
        for (; i < size; ++i)
            if (CanEndWith(level, text[i]))
                return i;
        return NoEnd;
    }
    return NoEnd;
}

[[gnu::always_inline]] inline SplitMatcher::PatternMask
SplitMatcher::CandidatesFor(std::u16string_view text) const {
    if (text.empty())
        return m_emptyPatterns;
    const char16_t last = text.back();
    PatternMask candidates = m_lastTerminatorPatterns[last & 0xFF];
    if (IsAsciiDigit(last))
        candidates |= m_lastNumeralPatterns;
    else if (IsAsciiLetter(last))
        candidates |= m_lastLetterPatterns;
    return candidates;
}

inline int SplitMatcher::Matched(int patternIndex, SplitCuts& cuts) const {
    cuts.patternIndex = patternIndex;
    cuts.levelCount = patternIndex < 0 ? 0 : m_patterns[patternIndex].levelCount;
    return patternIndex;
}

int SplitMatcher::Match(std::u16string_view text, SplitCuts& cuts) const {
    const PatternMask candidates = CandidatesFor(text);
    if (candidates == 0)
        return Matched(-1, cuts);
    if (text.empty()) // only patterns without levels are candidates: the first one wins
        return Matched(std::countr_zero(candidates), cuts);
#if TESSEL_SPLIT_VECTOR
    if (text.size() >= TextWindowMin && text.size() <= TextWindowMax)
        return MatchInWindow(text, cuts, candidates);
#endif
    return MatchByScanning(text, cuts, candidates);
}

// Each level one left-to-right scan of the rest of the text.
int SplitMatcher::MatchByScanning(std::u16string_view text, SplitCuts& cuts, PatternMask candidates) const {
    const char16_t* s = text.data();
    const std::size_t size = text.size();
    // Candidates in list order: the first pattern that matches fully wins.
    for (; candidates != 0; candidates &= candidates - 1) {
        const int p = std::countr_zero(candidates);
        const Pattern& pattern = m_patterns[p];
        const int levelCount = pattern.levelCount;
        // The low byte only narrowed the choice; the last level decides.
        if (!CanEndWith(pattern.levels[levelCount - 1], s[size - 1]))
            continue;
        std::size_t pos = 0;
        int l = 0;
        for (; l < levelCount; ++l) {
            const std::size_t end = FindEnd(pattern.levels[l], s, pos, size);
            if (end == NoEnd)
                break;
            pos = end + 1;
            cuts.ends[l] = pos;
        }
        if (l == levelCount && pos == size)
            return Matched(p, cuts);
        // Otherwise a level failed, or text is left over.
    }
    return Matched(-1, cuts);
}

#if TESSEL_SPLIT_VECTOR
// A text of TextWindowMin to TextWindowMax code units as two vectors of eight: units [0, 8) and
// [size - 8, size), overlapping when the text is shorter than sixteen, so that nothing outside the
// text is read. A mask over the window has bit i for code unit i and no bit beyond the text.
struct SplitMatcher::TextWindow {
    __m128i head;
    __m128i tail;
    unsigned tailStart;

    explicit TextWindow(std::u16string_view text)
        : head(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data()))),
          tail(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + text.size() - 8))),
          tailStart(static_cast<unsigned>(text.size() - 8)) {}

    uint32_t Mask(__m128i headHits, __m128i tailHits) const {
        const auto bits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(headHits, tailHits)));
        return (bits & 0xFF) | (bits >> 8) << tailStart;
    }
    uint32_t Equal(char16_t a, char16_t b) const {
        const __m128i va = _mm_set1_epi16(static_cast<short>(a));
        const __m128i vb = _mm_set1_epi16(static_cast<short>(b));
        return Mask(_mm_or_si128(_mm_cmpeq_epi16(head, va), _mm_cmpeq_epi16(head, vb)),
                    _mm_or_si128(_mm_cmpeq_epi16(tail, va), _mm_cmpeq_epi16(tail, vb)));
    }
    // Code units u with (u | fold) - low <= span, unsigned: the ASCII digits or letters.
    uint32_t InRange(char16_t fold, char16_t low, char16_t span) const {
        const __m128i f = _mm_set1_epi16(static_cast<short>(fold));
        const __m128i l = _mm_set1_epi16(static_cast<short>(low));
        const __m128i s = _mm_set1_epi16(static_cast<short>(span));
        const __m128i zero = _mm_setzero_si128();
        return Mask(_mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(_mm_or_si128(head, f), l), s), zero),
                    _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(_mm_or_si128(tail, f), l), s), zero));
    }
    // The last unit of every run of a class: a member whose next unit is not one.
    static uint32_t RunEnds(uint32_t members) { return members & ~(members >> 1); }
};

// The same cuts as MatchByScanning, found without a loop over the characters: each level's
// possible end positions as one mask, its end the first of them at or after the level's start.
// The first run of digits (letters) from a start ends at the first run end at or after it.
int SplitMatcher::MatchInWindow(std::u16string_view text, SplitCuts& cuts, PatternMask candidates) const {
    const std::size_t size = text.size();
    const char16_t last = text[size - 1];
    const TextWindow window(text);
    constexpr uint32_t NotYet = ~uint32_t{0}; // no mask of the window has all bits set
    uint32_t digitRunEnds = NotYet;
    uint32_t letterRunEnds = NotYet;

    for (; candidates != 0; candidates &= candidates - 1) {
        const int p = std::countr_zero(candidates);
        const Pattern& pattern = m_patterns[p];
        const int levelCount = pattern.levelCount;
        if (!CanEndWith(pattern.levels[levelCount - 1], last))
            continue;
        unsigned pos = 0;
        int l = 0;
        for (; l < levelCount; ++l) {
            const Level& level = pattern.levels[l];
            uint32_t ends = 0;
            switch (level.kind) {
            case Level::Terminators:
                ends = window.Equal(level.first, level.second);
                break;
            case Level::TerminatorSet:
                for (uint32_t i = level.setStart; i < level.setEnd; i += 2)
                    ends |= window.Equal(m_sets[i], m_sets[std::min(i + 1, level.setEnd - 1)]);
                break;
            case Level::Numeral:
                if (digitRunEnds == NotYet)
                    digitRunEnds = TextWindow::RunEnds(window.InRange(0, u'0', 9));
                ends = digitRunEnds;
                break;
            case Level::Letter:
                if (letterRunEnds == NotYet)
                    letterRunEnds = TextWindow::RunEnds(window.InRange(0x20, u'a', 25));
                ends = letterRunEnds;
                break;
            }
            ends >>= pos; // pos <= 16
            if (ends == 0)
                break;
            pos += static_cast<unsigned>(std::countr_zero(ends)) + 1;
            cuts.ends[l] = pos;
        }
        if (l == levelCount && pos == size)
            return Matched(p, cuts);
    }
    return Matched(-1, cuts);
}
#endif

int SplitMatcher::Match(std::u16string_view text) const {
    SplitCuts cuts;
    return Match(text, cuts);
}
