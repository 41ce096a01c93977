// One row of a split page's pattern list as the commands take it on their command line: the level
// texts separated by '/', with '\/' and '\\' for a literal '/' and '\'. `tessel split -p` and
// `tessel decompose --dp-pattern/--addr-pattern` read the same form, and `tessel suggest` writes it.
#pragma once

#include "splitting/Splitting.h"

#include <optional>
#include <string>
#include <string_view>

// Fills `row` from `text`; an error message (naming the pattern as `shown`) when it is not a row:
// more than five level texts, or a backslash before anything but '/' and '\'.
std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, PatternRow& row);

// The text of a row, up to its first empty level text, that ParsePatternRowText reads back.
std::u16string PatternRowText(const PatternRow& row);
