// Shape keys of address texts and the cuts an operator wants in them.
#include "splitting/AddressShape.h"

#include "splitting/CharClasses.h"

namespace splitting_detail {

namespace {

enum class CharKind : uint8_t { Digit, Letter, OtherNumber, Opener, Word };

// Chinese numerals, and the directions that name buildings and blocks as numbers do (东区, 北楼).
constexpr std::u16string_view NumberLikeChars = u"零〇一二三四五六七八九十百千两首东西南北中";
// A bracket opens the next piece: 3栋(2单元) is 3栋 | (2单元).
constexpr std::u16string_view OpeningBrackets = u"(（[【〔{｛《〈<";

CharKind KindOf(char16_t c) {
    if (IsAsciiDigit(c))
        return CharKind::Digit;
    if (IsAsciiLetter(c))
        return CharKind::Letter;
    // Control characters (among them the level marks), surrogate halves and private-use characters
    // (among them the token) are never offered as terminators: they count as part of a number.
    if (c < 0x20 || (c >= 0xD800 && c <= 0xF8FF) || (c >= 0xFF10 && c <= 0xFF19) ||
        (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A) ||
        NumberLikeChars.find(c) != std::u16string_view::npos)
        return CharKind::OtherNumber;
    if (OpeningBrackets.find(c) != std::u16string_view::npos)
        return CharKind::Opener;
    return CharKind::Word;
}

bool IsNumberToken(char16_t c) {
    return c == DigitRunToken || c == LetterRunToken || c == OtherNumberToken;
}

bool IsOpener(char16_t c) {
    return OpeningBrackets.find(c) != std::u16string_view::npos;
}

} // namespace

void BuildShapeKey(std::u16string_view text, std::u16string& key) {
    key.clear();
    char16_t lastToken = 0;
    for (char16_t c : text) {
        char16_t token;
        switch (KindOf(c)) {
        case CharKind::Digit:
            token = DigitRunToken;
            break;
        case CharKind::Letter:
            token = LetterRunToken;
            break;
        case CharKind::OtherNumber:
            token = OtherNumberToken;
            break;
        default:
            key.push_back(c);
            lastToken = 0;
            continue;
        }
        if (token != lastToken)
            key.push_back(token);
        lastToken = token;
    }
}

void FindIntendedCuts(AddressShape& shape) {
    const std::u16string_view key = shape.key;
    const std::size_t size = key.size();
    shape.pieceCount = 0;
    int pieces = 0;
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t start = pos;
        while (pos < size && !IsNumberToken(key[pos])) // words in front: 第, a bracket
            ++pos;
        if (pos == size || pieces == MaxLevels)
            return; // words without a number, or a sixth piece
        while (pos < size && IsNumberToken(key[pos]))
            ++pos;
        while (pos < size && !IsNumberToken(key[pos]) && !IsOpener(key[pos]))
            ++pos;
        const std::u16string_view piece = key.substr(start, pos - start);
        const char16_t last = piece.back();
        // The level ends at the first occurrence of its end character in what is left of the text,
        // so that character must not occur earlier in the piece. For a digit (letter) run this means
        // the piece holds only one run of its kind.
        if (piece.find(last) != piece.size() - 1 || last == OtherNumberToken)
            return;
        shape.ends[pieces++] = static_cast<uint32_t>(pos);
    }
    shape.pieceCount = pieces;
}

std::u16string IntendedLevelText(std::u16string_view piece) {
    const char16_t last = piece.back();
    if (last == DigitRunToken)
        return std::u16string(1, NumeralMark);
    if (last == LetterRunToken)
        return std::u16string(1, LetterMark);
    return std::u16string(1, last);
}

} // namespace splitting_detail
