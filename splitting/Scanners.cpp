// The scanners of the numeral and letter levels: the end of the first run of ASCII digits or letters.
#include "splitting/CharClasses.h"
#include "splitting/Splitting.h"

namespace {

template <bool (*InClass)(char16_t)> std::ptrdiff_t FindRunEnd(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && !InClass(text[i]))
        ++i;
    if (i == text.size())
        return -1;
    while (i + 1 < text.size() && InClass(text[i + 1]))
        ++i;
    return static_cast<std::ptrdiff_t>(i);
}

} // namespace

std::ptrdiff_t FindDigitRun(std::u16string_view text) {
    return FindRunEnd<splitting_detail::IsAsciiDigit>(text);
}

std::ptrdiff_t FindLetterRun(std::u16string_view text) {
    return FindRunEnd<splitting_detail::IsAsciiLetter>(text);
}
