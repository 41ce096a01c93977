// The characters a split page offers as separators: every distinct character of the loaded texts
// that is not ASCII or Latin-1, not a full-width digit or parenthesis, and not one of the Chinese
// numerals and directions, in order of first appearance.
#include "splitting/CharClasses.h"
#include "splitting/Splitting.h"

#include <vector>

using namespace splitting_detail;

std::u16string CollectCandidateChars(const std::vector<AddressEntry>& entries) {
    std::u16string result;
    // Which code units of the basic plane the result already holds; a lookup per character keeps
    // this linear in the size of the texts however many distinct characters they have.
    std::vector<bool> seen(0x10000, false);
    for (char16_t c : NonSeparatorChars)
        seen[c] = true;
    // Likewise the characters beyond it, by their surrogate pair: 2^20 of them.
    std::vector<bool> seenPair;

    for (const AddressEntry& entry : entries) {
        // Each character is taken as NormalizeWidth would leave it in a copy of the text, so
        // full-width digits and parentheses become ASCII and fall below the Latin-1 limit.
        std::u16string_view text = entry.text;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = NarrowWidth(text[i]);
            // A surrogate pair is one character: appended as both of its units, and repeated only
            // when the same pair is already in the result. A menu item holding half a pair would
            // show nothing readable.
            if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                const std::size_t index = (std::size_t(c - 0xD800) << 10) | std::size_t(text[i + 1] - 0xDC00);
                if (seenPair.empty())
                    seenPair.resize(std::size_t(1) << 20, false);
                if (!seenPair[index]) {
                    seenPair[index] = true;
                    result.push_back(c);
                    result.push_back(text[i + 1]);
                }
                ++i;
                continue;
            }
            if (c < 255 || seen[c])
                continue;
            seen[c] = true;
            result.push_back(c);
        }
    }
    return result;
}
