// Canonical names for the levels of a pattern row. A row may say, for each level, the word its
// nodes are written with (栋, 单元, 室): every way of writing one place — 4-, 4号楼, ４栋, 四栋,
// （4栋） — then becomes the one node 4栋. The cut, the colours and the counts never depend on
// the names; they only decide the node a piece becomes. Standard library only.
#pragma once

#include "splitting/Splitting.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// One name per level; an empty name keeps that level's pieces exactly as cut.
using LevelNames = std::array<std::u16string, MaxLevels>;

// A row of a pattern list with its names: what the commands read as `P=NAMES`, what the pages
// keep per row, and what the journal of a Finish records as the rows it used.
struct NamedPatternRow {
    PatternRow levels; // display form, as the page's five columns
    LevelNames names;  // all empty: the row behaves as one without names

    bool HasNames() const;
    bool operator==(const NamedPatternRow&) const = default;
};

// A row's names as one text, '/' between them (栋/单元/室, 栋//室 leaves the second level as cut),
// and back; empty names at the end are left out. A name never holds '/'.
std::u16string LevelNamesText(const LevelNames& names);
LevelNames ParseLevelNames(std::u16string_view text);

// The rows' level texts alone, for BuildPatternSet, and their names alone, by pattern index.
std::vector<PatternRow> LevelTextsOf(const std::vector<NamedPatternRow>& rows);
std::vector<LevelNames> NamesOf(const std::vector<NamedPatternRow>& rows);
std::vector<NamedPatternRow> WithoutNames(const std::vector<PatternRow>& rows);

// The node name of one piece under a level named `name`, written into `out` (reused, so that a
// tree build allocates nothing per piece):
// - `name` empty: the piece exactly as cut.
// - Otherwise the piece is cleaned: full-width forms fold to ASCII (the ideographic space
//   included), spaces and brackets go: （ ） ( ) 【 】 [ ].
// - A cleaned piece that is a number followed by a word becomes the number and `name`:
//   ASCII digits as written; Chinese numerals as spoken (十二, 二十三, 一百零一) or digit by digit
//   (五零一 → 501); a run of ASCII letters (A座 → A). The word may hold no digit, letter, Chinese
//   numeral or direction (东西南北中): such a piece, and one with anything in front of its
//   number, is left exactly as cut rather than guessed at.
// - A cleaned piece without a number (会所, -) is only cleaned.
void CanonicalName(std::u16string_view piece, std::u16string_view name, std::u16string& out);
std::u16string CanonicalName(std::u16string_view piece, std::u16string_view name);

// The value of a Chinese numeral (十 → "10", 一十 → "10", 二十三 → "23", 五零一 → "501", 〇 → "0")
// as decimal digits, or empty when the text is no numeral this reads.
std::u16string ReadChineseNumeral(std::u16string_view text);

// SuggestPatterns (Splitting.h) with a canonical name for every level (PatternSuggester::SuggestNamed).
std::vector<NamedPatternRow> SuggestNamedPatterns(const std::vector<std::u16string>& texts);
std::vector<NamedPatternRow> SuggestNamedPatterns(const std::vector<AddressEntry>& entries);
