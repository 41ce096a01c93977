// The split of one text as pieces: the cut positions of the matcher, copied out.
#include "splitting/Splitting.h"

SplitResult SplitMatcher::Split(std::u16string_view text) const {
    SplitResult result;
    SplitCuts cuts;
    result.patternIndex = Match(text, cuts);
    result.pieces.reserve(cuts.levelCount);
    std::size_t start = 0;
    for (int l = 0; l < cuts.levelCount; ++l) {
        result.pieces.emplace_back(text.substr(start, cuts.ends[l] - start));
        start = cuts.ends[l];
    }
    return result;
}

// Prepares the patterns on every call; to split many texts, prepare one SplitMatcher instead.
SplitResult SplitAddress(const SplitPatternSet& set, std::u16string_view text) {
    return SplitMatcher(set).Split(text);
}
