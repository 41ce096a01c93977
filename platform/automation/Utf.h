// UTF-8 <-> UTF-16 for the runtime's own files and debug output (never the local code page).
#pragma once

#include <string>
#include <string_view>

namespace automation {

std::string ToUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);
// The text of a NUL-terminated UTF-16 string; empty for null.
std::u16string_view View(const char16_t* text);

} // namespace automation
