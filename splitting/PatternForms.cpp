// Level texts between their display form ("[n]", "[c]") and their internal form (codes 1 and 2).
#include "splitting/Splitting.h"

namespace {

// Every occurrence of `from`, left to right and without overlap, becomes `to`.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
    std::u16string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t hit = text.find(from); hit != std::u16string_view::npos; hit = text.find(from, start)) {
        result.append(text.substr(start, hit - start));
        result.append(to);
        start = hit + from.size();
    }
    result.append(text.substr(start));
    return result;
}

constexpr char16_t NumeralMarkText[] = {NumeralMark, 0};
constexpr char16_t LetterMarkText[] = {LetterMark, 0};

} // namespace

std::u16string ToInternalForm(std::u16string_view displayText) {
    return ReplaceAll(ReplaceAll(displayText, NumeralToken, NumeralMarkText), LetterToken, LetterMarkText);
}

std::u16string ToDisplayForm(std::u16string_view internalText) {
    return ReplaceAll(ReplaceAll(internalText, NumeralMarkText, NumeralToken), LetterMarkText, LetterToken);
}
