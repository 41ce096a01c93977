// The splitter: split patterns, the cut of an address text into inner levels, and the candidate
// separator characters. Standard library only; UTF-16 code units, exact comparisons.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int MaxPatterns = 7;
inline constexpr int MaxLevels = 5;
inline constexpr char16_t NumeralMark = 1; // "[n]": the level ends with the first run of ASCII digits
inline constexpr char16_t LetterMark = 2;  // "[c]": the level ends with the first run of ASCII letters
inline constexpr std::u16string_view NumeralToken = u"[n]";
inline constexpr std::u16string_view LetterToken = u"[c]";
// Never offered as separators: the Chinese numerals one to ten, 首 and the five directions.
inline constexpr std::u16string_view NonSeparatorChars = u"一二三四五六七八九十首东西南北中";

struct SplitPattern {
    std::array<std::u16string, MaxLevels> levelTexts; // internal form
    int levelCount = 0;                               // leading non-empty level texts
};

struct SplitPatternSet {
    std::array<SplitPattern, MaxPatterns> patterns;
    int count = 0;
    std::u16string SeparatorText; // level texts of every pattern, in pattern and level order
};

struct SplitResult {
    int patternIndex = -1;
    std::vector<std::u16string> pieces;
};

struct AddressEntry {
    std::u16string text;  // after the first occurrence of the cell name
    std::u16string oldId; // DP number, or the link's old id on the unlinked-address page
    uint32_t stdAddrId = 0;
};

// One row of the page's pattern list: columns 1 to 5 in display form.
using PatternRow = std::array<std::u16string, MaxLevels>;

std::u16string ToInternalForm(std::u16string_view displayText);
std::u16string ToDisplayForm(std::u16string_view internalText);

SplitPatternSet BuildPatternSet(const std::vector<PatternRow>& rows);

// Index of the last character of the first run of ASCII digits (letters), or -1.
std::ptrdiff_t FindDigitRun(std::u16string_view text);
std::ptrdiff_t FindLetterRun(std::u16string_view text);

// Full-width digits and parentheses to ASCII, in place.
void NormalizeWidth(std::u16string& text);

// Distinct characters of the entries' texts that may serve as separators, in order of first
// appearance. A surrogate pair counts as one character.
std::u16string CollectCandidateChars(const std::vector<AddressEntry>& entries);

// Where a split cut a text: piece l (0-based) is text[l == 0 ? 0 : ends[l - 1], ends[l]).
struct SplitCuts {
    int patternIndex = -1;
    int levelCount = 0;
    std::array<std::size_t, MaxLevels> ends{};
};

// A pattern set prepared for splitting many texts: no allocation per text.
class SplitMatcher {
public:
    explicit SplitMatcher(const SplitPatternSet& set);
    // The first pattern that matches the whole text, with its cut positions; -1 when none.
    int Match(std::u16string_view text, SplitCuts& cuts) const;
    int Match(std::u16string_view text) const;
    // The same as pieces (allocates them): for a result page that splits every entry once.
    SplitResult Split(std::u16string_view text) const;

private:
    // One level, prepared so that the scan compares directly in the common cases.
    struct Level {
        // One or two terminators are compared directly (one terminator is stored twice).
        enum Kind : uint8_t { Terminators, TerminatorSet, Numeral, Letter } kind = Terminators;
        char16_t first = 0;
        char16_t second = 0;
        // Sets of three or more terminators: a filter on the low six bits of a code unit turns most
        // characters away at once; the set, sorted, at [setStart, setEnd) of m_sets decides the rest.
        uint32_t setStart = 0;
        uint32_t setEnd = 0;
        uint64_t filter = 0;
    };
    struct Pattern {
        std::array<Level, MaxLevels> levels;
        int levelCount = 0;
    };
    using PatternMask = uint8_t; // bit p stands for pattern p
    static_assert(MaxPatterns <= 8);

    struct TextWindow; // a short text in vector registers, where the processor has them

    Level PrepareLevel(const std::u16string& levelText);
    PatternMask CandidatesFor(std::u16string_view text) const;
    bool CanEndWith(const Level& level, char16_t c) const;
    std::size_t FindEnd(const Level& level, const char16_t* text, std::size_t from, std::size_t size) const;
    int Matched(int patternIndex, SplitCuts& cuts) const;
    int MatchByScanning(std::u16string_view text, SplitCuts& cuts, PatternMask candidates) const;
    int MatchInWindow(std::u16string_view text, SplitCuts& cuts, PatternMask candidates) const;

    std::array<Pattern, MaxPatterns> m_patterns;
    int m_count = 0;
    std::u16string m_sets; // the terminator sets of three or more, one after the other
    // A full match ends its last level on the text's last character, so that character alone
    // narrows the patterns worth scanning: by its low byte (terminators of last levels), and by
    // whether it is a digit or a letter (last levels of those kinds).
    std::array<PatternMask, 256> m_lastTerminatorPatterns{};
    PatternMask m_lastNumeralPatterns = 0;
    PatternMask m_lastLetterPatterns = 0;
    PatternMask m_emptyPatterns = 0; // patterns without levels: they match the empty text only
};

SplitResult SplitAddress(const SplitPatternSet& set, std::u16string_view text);

// Up to seven pattern rows (display form, in list order) that, under the first-match rule, cut as
// many of the texts as possible into the pieces an operator wants: each piece a number (ASCII or
// full-width digits, letters, Chinese numerals) with the word after it, or a digit or letter run
// alone: 3栋 | 2单元 | 501室, 12号楼 | 3单元 | 502, 3- | 2- | 101, A座 | 5层 | 12号. A level ends
// on the last character of its word (元 for 单元), or is "[n]" ("[c]") for a run alone; rows of one
// structure share terminator sets (栋幢/元/室); a row comes before a shorter one that would take its
// texts. Texts without a number (会所) are left to no row, and so is a form that fewer than one text
// in a thousand takes. The same texts in any order give the same rows.
std::vector<PatternRow> SuggestPatterns(const std::vector<std::u16string>& texts);
std::vector<PatternRow> SuggestPatterns(const std::vector<AddressEntry>& entries);
