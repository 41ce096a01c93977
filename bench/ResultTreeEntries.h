// 100,000 addresses of the usual shapes and the four patterns that take them, for the result tree
// benchmarks: buildings, units, floors and rooms as a compound's DP records write them; a tenth
// match no pattern.
#pragma once

#include "splitting/ResultTree.h"
#include "splitting/Splitting.h"

#include <random>
#include <string>
#include <vector>

namespace bench {

inline std::u16string Ascii(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}
inline std::u16string Num(int n) {
    return Ascii(std::to_string(n));
}

inline std::vector<AddressEntry> MakeEntries(std::size_t count) {
    std::mt19937 random(20240611);
    std::vector<AddressEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; entries.size() < count; ++i) {
        const int building = 1 + static_cast<int>(random() % 60);
        const int unit = 1 + static_cast<int>(random() % 6);
        const int floor = 1 + static_cast<int>(random() % 30);
        const int room = floor * 100 + 1 + static_cast<int>(random() % 8);
        std::u16string text;
        switch (random() % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
            text = Num(building) + u"栋" + Num(unit) + u"单元" + Num(room) + u"室";
            break;
        case 4:
        case 5:
        case 6:
            text = Num(building) + u"号楼" + Num(unit) + u"单元" + Num(room);
            break;
        case 7:
            text = Num(building) + u"幢" + Num(room);
            break;
        case 8:
            text = std::u16string(1, static_cast<char16_t>(u'A' + building % 8)) + u"座" + Num(floor) +
                   u"层" + Num(room) + u"室";
            break;
        default:
            text = u"门卫室旁" + Num(room) + u"号"; // no pattern takes it
            break;
        }
        entries.push_back(AddressEntry{std::move(text), Ascii("DP" + std::to_string(i)), 0});
    }
    return entries;
}

inline SplitPatternSet MakePatterns() {
    return BuildPatternSet({
        {u"栋", u"元", u"室"},
        {u"[n]", u"楼", u"[n]", u"元", u"[n]"},
        {u"幢", u"[n]"},
        {u"[c]", u"层", u"室"},
    });
}

// Canonical names for the four patterns (by pattern index): every form of a building becomes N栋.
inline std::vector<LevelNames> MakeNames() {
    return {
        {u"栋", u"单元", u"室"},
        {u"栋", u"", u"单元", u"", u"室"},
        {u"栋", u"室"},
        {u"栋", u"层", u"室"},
    };
}

} // namespace bench
