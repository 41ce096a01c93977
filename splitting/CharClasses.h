// Character classes the splitter shares between its units (not part of the splitter's API).
#pragma once

namespace splitting_detail {

constexpr bool IsAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
constexpr bool IsAsciiLetter(char16_t c) {
    return static_cast<char16_t>((c | 0x20) - u'a') < 26;
}

// Full-width digits U+FF10..U+FF19 and parentheses U+FF08, U+FF09 map to ASCII; nothing else.
constexpr char16_t NarrowWidth(char16_t c) {
    return (c >= 0xFF08 && c <= 0xFF09) || (c >= 0xFF10 && c <= 0xFF19) ? static_cast<char16_t>(c - 0xFEE0)
                                                                        : c;
}

constexpr bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace splitting_detail
