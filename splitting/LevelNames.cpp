// Canonical node names: a piece's number read, its word replaced by the level's name.
#include "splitting/LevelNames.h"

#include "splitting/CharClasses.h"

#include <algorithm>

namespace {

using splitting_detail::IsAsciiDigit;
using splitting_detail::IsAsciiLetter;

// The digit a Chinese numeral character stands for, or -1.
int ChineseDigit(char16_t c) {
    static constexpr std::u16string_view digits = u"零一二三四五六七八九";
    if (c == u'〇')
        return 0;
    const std::size_t at = digits.find(c);
    return at == std::u16string_view::npos ? -1 : static_cast<int>(at);
}

// The value of a Chinese unit character, or 0.
int ChineseUnit(char16_t c) {
    switch (c) {
    case u'十': return 10;
    case u'百': return 100;
    case u'千': return 1000;
    default: return 0;
    }
}

bool IsChineseNumeral(char16_t c) {
    return ChineseDigit(c) >= 0 || ChineseUnit(c) > 0;
}

// Characters that tell places apart: a word holding one is not a word to replace.
bool TellsPlacesApart(char16_t c) {
    static constexpr std::u16string_view directions = u"东西南北中";
    return IsAsciiDigit(c) || IsAsciiLetter(c) || IsChineseNumeral(c) || directions.find(c) != std::u16string_view::npos;
}

char16_t FoldWidth(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E)
        return static_cast<char16_t>(c - 0xFEE0);
    return c == 0x3000 ? u' ' : c;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == 0x00A0;
}

bool IsBracket(char16_t c) {
    return c == u'(' || c == u')' || c == u'[' || c == u']' || c == u'【' || c == u'】';
}

constexpr std::size_t MaxLetterRun = 2; // A座, AB座; a longer run of letters is a word, not a number

} // namespace

bool NamedPatternRow::HasNames() const {
    return std::any_of(names.begin(), names.end(), [](const std::u16string& name) { return !name.empty(); });
}

std::u16string LevelNamesText(const LevelNames& names) {
    std::size_t count = names.size();
    while (count > 0 && names[count - 1].empty())
        --count;
    std::u16string text;
    for (std::size_t level = 0; level < count; ++level) {
        if (level > 0)
            text.push_back(u'/');
        text += names[level];
    }
    return text;
}

LevelNames ParseLevelNames(std::u16string_view text) {
    LevelNames names;
    std::size_t level = 0;
    for (char16_t c : text) {
        if (c == u'/') {
            if (++level == names.size())
                break;
        } else {
            names[level].push_back(c);
        }
    }
    return names;
}

std::vector<PatternRow> LevelTextsOf(const std::vector<NamedPatternRow>& rows) {
    std::vector<PatternRow> levels;
    levels.reserve(rows.size());
    for (const NamedPatternRow& row : rows)
        levels.push_back(row.levels);
    return levels;
}

std::vector<LevelNames> NamesOf(const std::vector<NamedPatternRow>& rows) {
    std::vector<LevelNames> names;
    names.reserve(rows.size());
    for (const NamedPatternRow& row : rows)
        names.push_back(row.names);
    return names;
}

std::vector<NamedPatternRow> WithoutNames(const std::vector<PatternRow>& rows) {
    std::vector<NamedPatternRow> named;
    named.reserve(rows.size());
    for (const PatternRow& row : rows)
        named.push_back(NamedPatternRow{row, {}});
    return named;
}

std::u16string ReadChineseNumeral(std::u16string_view text) {
    if (text.empty())
        return {};
    if (std::none_of(text.begin(), text.end(), [](char16_t c) { return ChineseUnit(c) > 0; })) {
        // Digit by digit: 五零一 is 501, 〇 is 0.
        std::u16string digits;
        for (char16_t c : text) {
            const int d = ChineseDigit(c);
            if (d < 0)
                return {};
            digits.push_back(static_cast<char16_t>(u'0' + d));
        }
        return digits;
    }
    // As spoken: units fall from left to right, each after one digit (十 alone may open the
    // number), 零 stands for skipped units, and a last digit counts ones only after 十 or 零:
    // 一百五 (150 in speech) is not read.
    int total = 0;
    int lastUnit = 10000;
    int pending = -1;     // a digit waiting for its unit
    bool zero = false;    // a 零 since the last unit
    bool first = true;
    for (char16_t c : text) {
        const int unit = ChineseUnit(c);
        if (unit == 0) {
            const int d = ChineseDigit(c);
            if (d < 0 || pending >= 0)
                return {};
            if (d == 0) {
                if (first || zero)
                    return {};
                zero = true;
            } else {
                pending = d;
            }
        } else {
            if (unit >= lastUnit)
                return {};
            if (pending < 0) {
                if (!(first && unit == 10))
                    return {};
                pending = 1;
            }
            if (zero && unit * 10 >= lastUnit)
                return {};
            total += pending * unit;
            lastUnit = unit;
            pending = -1;
            zero = false;
        }
        first = false;
    }
    if (pending >= 0) {
        if (!(lastUnit == 10 || (zero && lastUnit > 10)))
            return {};
        total += pending;
    } else if (zero) {
        return {};
    }
    std::u16string digits;
    for (char c : std::to_string(total))
        digits.push_back(static_cast<char16_t>(c));
    return digits;
}

void CanonicalName(std::u16string_view piece, std::u16string_view name, std::u16string& out) {
    out.clear();
    if (name.empty()) {
        out.assign(piece);
        return;
    }
    // Brackets go wherever they stand: a cut may split a pair ((4栋 | )1单元), and a bracket that
    // held something else leaves that in the word, where it keeps the piece as cut.
    for (char16_t c : piece) {
        c = FoldWidth(c);
        if (!IsSpace(c) && !IsBracket(c))
            out.push_back(c);
    }

    // The number at the front of the cleaned piece: [number, wordStart).
    std::size_t wordStart = 0;
    std::u16string chineseValue;
    if (!out.empty() && IsAsciiDigit(out[0])) {
        while (wordStart < out.size() && IsAsciiDigit(out[wordStart]))
            ++wordStart;
    } else if (!out.empty() && IsAsciiLetter(out[0])) {
        while (wordStart < out.size() && IsAsciiLetter(out[wordStart]))
            ++wordStart;
        if (wordStart > MaxLetterRun) {
            out.assign(piece);
            return;
        }
    } else if (!out.empty() && IsChineseNumeral(out[0])) {
        while (wordStart < out.size() && IsChineseNumeral(out[wordStart]))
            ++wordStart;
        chineseValue = ReadChineseNumeral(std::u16string_view(out).substr(0, wordStart));
        if (chineseValue.empty()) {
            out.assign(piece);
            return;
        }
    }
    const bool wordTellsPlacesApart = std::any_of(out.begin() + static_cast<std::ptrdiff_t>(wordStart), out.end(),
                                                  TellsPlacesApart);
    if (wordStart == 0) {
        // No number in front: a piece with one elsewhere (第3栋, 东区2) is left as cut; one
        // without any (会所, 东区) is only cleaned.
        if (std::any_of(out.begin(), out.end(),
                        [](char16_t c) { return IsAsciiDigit(c) || IsAsciiLetter(c) || IsChineseNumeral(c); }))
            out.assign(piece);
        return;
    }
    if (wordTellsPlacesApart) {
        out.assign(piece);
        return;
    }
    if (!chineseValue.empty())
        out = chineseValue;
    else
        out.resize(wordStart);
    out.append(name);
}

std::u16string CanonicalName(std::u16string_view piece, std::u16string_view name) {
    std::u16string out;
    CanonicalName(piece, name, out);
    return out;
}
