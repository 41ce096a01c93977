// The pattern set of the page's pattern list: the first seven rows, each up to its first empty column.
#include "splitting/Splitting.h"

#include <algorithm>

SplitPatternSet BuildPatternSet(const std::vector<PatternRow>& rows) {
    SplitPatternSet set;
    // Rows after the seventh stay in the page's list but take no part in splitting.
    set.count = static_cast<int>(std::min<std::size_t>(rows.size(), MaxPatterns));
    for (int p = 0; p < set.count; ++p) {
        SplitPattern& pattern = set.patterns[p];
        for (int level = 0; level < MaxLevels; ++level) {
            std::u16string text = ToInternalForm(rows[p][level]);
            if (text.empty())
                break; // whatever follows an empty column is ignored
            set.SeparatorText += text;
            pattern.levelTexts[level] = std::move(text);
            pattern.levelCount = level + 1;
        }
    }
    return set;
}
