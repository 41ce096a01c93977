// Proposes split patterns from the address texts of a cell: up to seven rows that, under the
// first-match rule, cut as many texts as possible into the pieces an operator wants.
#pragma once

#include "splitting/AddressShape.h"
#include "splitting/LevelNames.h"
#include "splitting/Splitting.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class PatternSuggester {
public:
    // Takes one text into account (texts of the same shape are counted, not kept).
    void Add(std::u16string_view text);
    // The proposed rows in list order, display form. The same texts in any order give the same rows.
    std::vector<PatternRow> Suggest() const;
    // The same rows with a canonical name for each level: the word most texts of that level's role
    // (building 栋幢号楼, unit 单元, floor 层, room 室号) carry across the rows, or the level's own
    // word when it names something else (区); a level whose texts carry no word (3-2-501) takes the
    // name of the same level of the row that takes most texts.
    std::vector<NamedPatternRow> SuggestNamed() const;

private:
    std::vector<splitting_detail::AddressShape> m_shapes;
    std::unordered_map<std::u16string, uint32_t> m_shapeIndex;
    std::u16string m_key; // reused for every text
    uint64_t m_textCount = 0;
};
