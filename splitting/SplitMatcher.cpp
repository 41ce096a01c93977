// The splitting engine: the first pattern that cuts the whole text, level by level, each level at
// the first occurrence from the left, without backtracking.
#include "CharClasses.h"
#include "Splitting.h"

#include <algorithm>

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
    std::u16string set = levelText;
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    level.first = set[0];
    if (set.size() == 1) {
        level.kind = Level::OneTerminator;
    } else if (set.size() == 2) {
        level.kind = Level::TwoTerminators;
        level.second = set[1];
    } else {
        level.kind = Level::TerminatorSet;
        for (char16_t c : set)
            level.lowByteFilter[(c & 0xFF) >> 6] |= uint64_t{1} << (c & 63);
        level.set = std::move(set);
    }
    return level;
}

SplitMatcher::SplitMatcher(const SplitPatternSet& set) : m_count(std::clamp(set.count, 0, MaxPatterns)) {
    for (int p = 0; p < m_count; ++p) {
        const SplitPattern& pattern = set.patterns[p];
        m_patterns[p].levelCount = std::clamp(pattern.levelCount, 0, MaxLevels);
        for (int l = 0; l < m_patterns[p].levelCount; ++l) {
            // A level counted in levelCount is never empty; an inconsistent set is read as if its
            // pattern ended before the first empty level.
            if (pattern.levelTexts[l].empty()) {
                m_patterns[p].levelCount = l;
                break;
            }
            m_patterns[p].levels[l] = PrepareLevel(pattern.levelTexts[l]);
        }
    }
}

// Whether a level's cut can end on character c (the character at the end position).
inline bool SplitMatcher::Level::CanEndWith(char16_t c) const {
    switch (kind) {
    case Numeral:
        return IsAsciiDigit(c);
    case Letter:
        return IsAsciiLetter(c);
    case OneTerminator:
        return c == first;
    case TwoTerminators:
        return c == first || c == second;
    case TerminatorSet:
        return (lowByteFilter[(c & 0xFF) >> 6] >> (c & 63) & 1) &&
               std::binary_search(set.begin(), set.end(), c);
    }
    return false;
}

// The end position (inclusive) of this level's cut in text[from..], or NoEnd.
inline std::size_t SplitMatcher::Level::FindEnd(std::u16string_view text, std::size_t from) const {
    const std::size_t size = text.size();
    const char16_t* s = text.data();
    std::size_t i = from;
    switch (kind) {
    case Numeral:
        while (i < size && !IsAsciiDigit(s[i]))
            ++i;
        if (i == size)
            return NoEnd;
        while (i + 1 < size && IsAsciiDigit(s[i + 1]))
            ++i;
        return i;
    case Letter:
        while (i < size && !IsAsciiLetter(s[i]))
            ++i;
        if (i == size)
            return NoEnd;
        while (i + 1 < size && IsAsciiLetter(s[i + 1]))
            ++i;
        return i;
    case OneTerminator:
        for (const char16_t a = first; i < size; ++i)
            if (s[i] == a)
                return i;
        return NoEnd;
    case TwoTerminators:
        for (const char16_t a = first, b = second; i < size; ++i)
            if (s[i] == a || s[i] == b)
                return i;
        return NoEnd;
    case TerminatorSet:
        for (; i < size; ++i)
            if (CanEndWith(s[i]))
                return i;
        return NoEnd;
    }
    return NoEnd;
}

int SplitMatcher::Match(std::u16string_view text, SplitCuts& cuts) const {
    const std::size_t size = text.size();
    for (int p = 0; p < m_count; ++p) {
        const Pattern& pattern = m_patterns[p];
        const int levelCount = pattern.levelCount;
        if (levelCount == 0) {
            if (size != 0)
                continue; // a pattern without levels matches only the empty text
        } else {
            // A full match ends the last level on the last character: a cheap test that turns
            // most patterns away before any scan.
            if (size == 0 || !pattern.levels[levelCount - 1].CanEndWith(text[size - 1]))
                continue;
            std::size_t pos = 0;
            int l = 0;
            for (; l < levelCount; ++l) {
                const std::size_t end = pattern.levels[l].FindEnd(text, pos);
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
