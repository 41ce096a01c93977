// The splitting engine: the first pattern that cuts the whole text, level by level, each level at
// the first occurrence from the left, without backtracking.
#include "CharClasses.h"
#include "Splitting.h"

#include <algorithm>
#include <bit>

using namespace splitting_detail;

namespace {
constexpr std::size_t NoEnd = std::u16string_view::npos;
}

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
    const auto other = std::find_if(levelText.begin(), levelText.end(), [&](char16_t c) { return c != level.first; });
    level.second = other == levelText.end() ? level.first : *other;
    if (std::all_of(other, levelText.end(), [&](char16_t c) { return c == level.first || c == level.second; })) {
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

[[gnu::always_inline]] inline SplitMatcher::PatternMask SplitMatcher::CandidatesFor(std::u16string_view text) const {
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

int SplitMatcher::Match(std::u16string_view text, SplitCuts& cuts) const {
    const char16_t* s = text.data();
    const std::size_t size = text.size();
    // Candidates in list order: the first pattern that matches fully wins.
    for (PatternMask candidates = CandidatesFor(text); candidates != 0; candidates &= candidates - 1) {
        const int p = std::countr_zero(candidates);
        const Pattern& pattern = m_patterns[p];
        const int levelCount = pattern.levelCount;
        if (levelCount > 0) {
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
            if (l < levelCount || pos != size)
                continue; // a level failed, or text is left over
        }
        cuts.patternIndex = p;
        cuts.levelCount = levelCount;
        return p;
    }
    cuts.patternIndex = -1;
    cuts.levelCount = 0;
    return -1;
}

int SplitMatcher::Match(std::u16string_view text) const {
    SplitCuts cuts;
    return Match(text, cuts);
}
