// Pattern suggestion over a list of texts or of a split page's entries.
#include "splitting/PatternSuggester.h"
#include "splitting/Splitting.h"

std::vector<PatternRow> SuggestPatterns(const std::vector<std::u16string>& texts) {
    PatternSuggester suggester;
    for (const std::u16string& text : texts)
        suggester.Add(text);
    return suggester.Suggest();
}

std::vector<PatternRow> SuggestPatterns(const std::vector<AddressEntry>& entries) {
    PatternSuggester suggester;
    for (const AddressEntry& entry : entries)
        suggester.Add(entry.text);
    return suggester.Suggest();
}

std::vector<NamedPatternRow> SuggestNamedPatterns(const std::vector<std::u16string>& texts) {
    PatternSuggester suggester;
    for (const std::u16string& text : texts)
        suggester.Add(text);
    return suggester.SuggestNamed();
}

std::vector<NamedPatternRow> SuggestNamedPatterns(const std::vector<AddressEntry>& entries) {
    PatternSuggester suggester;
    for (const AddressEntry& entry : entries)
        suggester.Add(entry.text);
    return suggester.SuggestNamed();
}
