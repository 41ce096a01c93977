// One row of a split page's pattern list as the commands take it on their command line: the level
// texts separated by '/', optionally followed by '=' and the levels' canonical names separated by
// '/' (`-/-/[n]=栋/单元/室`; an empty name keeps that level as cut: `栋/元/室=栋//室`). '\/', '\=' and
// '\\' stand for a literal '/', '=' and '\'. `tessel split -p` and `tessel decompose
// --dp-pattern/--addr-pattern` read the same form, and `tessel suggest` writes it.
#pragma once

#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"

#include <optional>
#include <string>
#include <string_view>

// Fills `row` from `text`; an error message (naming the pattern as `shown`) when it is not a row:
// more than five level texts or names, a second '=', or a backslash before anything but '/', '='
// and '\'.
std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, NamedPatternRow& row);
std::optional<std::string> ParsePatternRowText(std::u16string_view text, const std::string& shown, PatternRow& row);

// The text of a row, up to its first empty level text, with '=' and its names when it has any,
// that ParsePatternRowText reads back.
std::u16string PatternRowText(const NamedPatternRow& row);
std::u16string PatternRowText(const PatternRow& row);
