// Helpers over a token list shared by the translator's rewriters: matching parentheses and the
// extent of an operand.
#pragma once

#include "platform/dataaccess/SqlToken.h"

#include <vector>

namespace dataaccess {

class SqlTokenRange {
public:
    explicit SqlTokenRange(const std::vector<SqlToken>& tokens) : m_tokens(tokens) {}

    const SqlToken& operator[](qsizetype i) const { return m_tokens[static_cast<size_t>(i)]; }
    qsizetype Size() const { return static_cast<qsizetype>(m_tokens.size()); }
    bool IsWordAt(qsizetype i, qsizetype end, QLatin1StringView word) const {
        return i < end && (*this)[i].IsWord(word);
    }
    bool IsSymbolAt(qsizetype i, qsizetype end, QLatin1StringView symbol) const {
        return i < end && (*this)[i].IsSymbol(symbol);
    }

    // The index of the ")" that closes the "(" at `open`; throws TranslationError when there is none.
    qsizetype MatchingParen(qsizetype open, qsizetype end) const;
    // The first index in [begin, end) at parenthesis depth 0 whose token is the word; end if none.
    qsizetype FindWord(qsizetype begin, qsizetype end, QLatin1StringView word) const;
    // The end of a dotted name (a, a.b, "A".b) starting at i; i when there is none.
    qsizetype DottedNameEnd(qsizetype i, qsizetype end) const;
    // The end of one operand starting at i: a literal, NULL, a (qualified) name, a function call or
    // a parenthesized expression; -1 when no operand starts there.
    qsizetype OperandEnd(qsizetype i, qsizetype end) const;

    // Words of the statement grammar, which are never names.
    static bool IsReservedWord(const SqlToken& token);

private:
    const std::vector<SqlToken>& m_tokens;
};

} // namespace dataaccess
