// The shape of an address text as the pattern suggestion sees it, and the cuts an operator wants in
// it (not part of the splitter's API).
#pragma once

#include "splitting/Splitting.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace splitting_detail {

// Runs of number-like characters shrink to one token each in a shape. The tokens are chosen so
// that "[n]" finds a digit run's token and "[c]" a letter run's, and so that no suggested
// terminator is ever one of them.
inline constexpr char16_t DigitRunToken = u'0';
inline constexpr char16_t LetterRunToken = u'a';
inline constexpr char16_t OtherNumberToken = 0xE000; // full-width digits and letters, Chinese numerals

// A text reduced to what decides how the suggested patterns cut it: every run of ASCII digits,
// of ASCII letters and of other number-like characters is one token; words and punctuation stay as
// they are. Patterns whose terminators are word characters cut the shape exactly where they cut the
// text, so the many texts of one shape are tried as one.
struct AddressShape {
    std::u16string key;
    uint32_t weight = 0; // how many texts have this shape
    // The pieces an operator wants: each a number with the word after it (3栋, 2单元, 501室, 3-),
    // words in front of the number included ((2单元), 第3栋), or a digit or letter run alone (101).
    // 0 pieces when no pattern can cut them: no number, a word that ends on a character it also
    // holds earlier, a number that no level can end, or more than five pieces.
    int pieceCount = 0;
    std::array<uint32_t, MaxLevels> ends{}; // end (exclusive) of each piece in the key
};

// The shape key of a text, written into `key` (which is cleared first).
void BuildShapeKey(std::u16string_view text, std::u16string& key);

// Sets pieceCount and ends of a shape from its key.
void FindIntendedCuts(AddressShape& shape);

// The level text (internal form) that ends a piece of a shape where the operator wants it: its last
// word character, or the numeral or letter mark when it ends with a digit or letter run.
std::u16string IntendedLevelText(std::u16string_view piece);

} // namespace splitting_detail
