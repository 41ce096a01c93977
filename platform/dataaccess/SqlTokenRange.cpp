#include "platform/dataaccess/SqlTokenRange.h"

#include "platform/dataaccess/TranslationError.h"

#include <QSet>

namespace dataaccess {

qsizetype SqlTokenRange::MatchingParen(qsizetype open, qsizetype end) const {
    int depth = 0;
    for (qsizetype i = open; i < end; ++i) {
        if ((*this)[i].IsSymbol(QLatin1StringView("(")))
            ++depth;
        else if ((*this)[i].IsSymbol(QLatin1StringView(")")) && --depth == 0)
            return i;
    }
    throw TranslationError(
        QStringLiteral("unbalanced parenthesis at position %1").arg((*this)[open].position));
}

qsizetype SqlTokenRange::FindWord(qsizetype begin, qsizetype end, QLatin1StringView word) const {
    for (qsizetype i = begin; i < end; ++i) {
        if ((*this)[i].IsSymbol(QLatin1StringView("(")))
            i = MatchingParen(i, end);
        else if ((*this)[i].IsWord(word))
            return i;
    }
    return end;
}

qsizetype SqlTokenRange::DottedNameEnd(qsizetype i, qsizetype end) const {
    auto isName = [&](qsizetype k) {
        if (k >= end)
            return false;
        const SqlToken& t = (*this)[k];
        return t.kind == SqlToken::Kind::QuotedName || (t.kind == SqlToken::Kind::Word && !IsReservedWord(t));
    };
    if (!isName(i))
        return i;
    qsizetype j = i + 1;
    while (j + 1 < end && (*this)[j].IsSymbol(QLatin1StringView(".")) && isName(j + 1))
        j += 2;
    return j;
}

qsizetype SqlTokenRange::OperandEnd(qsizetype i, qsizetype end) const {
    if (i >= end)
        return -1;
    const SqlToken& t = (*this)[i];
    if (t.kind == SqlToken::Kind::String || t.kind == SqlToken::Kind::Number ||
        t.IsWord(QLatin1StringView("null")))
        return i + 1;
    if (t.IsSymbol(QLatin1StringView("(")))
        return MatchingParen(i, end) + 1;
    const qsizetype nameEnd = DottedNameEnd(i, end);
    if (nameEnd == i)
        return -1;
    if (IsSymbolAt(nameEnd, end, QLatin1StringView("(")))
        return MatchingParen(nameEnd, end) + 1;
    return nameEnd;
}

bool SqlTokenRange::IsReservedWord(const SqlToken& token) {
    static const QSet<QString> reserved = [] {
        QSet<QString> set;
        for (const char* word :
             {"select", "from",   "where",   "and",    "or",       "not",       "like",  "in",
              "is",     "null",   "between", "exists", "case",     "when",      "then",  "else",
              "end",    "as",     "on",      "join",   "union",    "intersect", "minus", "except",
              "group",  "order",  "by",      "having", "distinct", "unique",    "all",   "any",
              "some",   "escape", "prior",   "level",  "start",    "connect",   "with",  "values",
              "set",    "into",   "insert",  "update", "delete",   "nocycle",   "inner", "left",
              "right",  "full",   "outer",   "cross",  "asc",      "desc",      "for"})
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return token.kind == SqlToken::Kind::Word && reserved.contains(token.text.toLower());
}

} // namespace dataaccess
