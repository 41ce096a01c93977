#include "platform/dataaccess/SqlTokenizer.h"

#include "platform/dataaccess/TranslationError.h"

namespace dataaccess {

namespace {

bool IsWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool IsWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}
bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The end of a quoted run starting at `open` (a ' or a "), where a doubled quote stands for one.
qsizetype QuotedEnd(const QString& s, qsizetype open, const char* what) {
    const QChar quote = s[open];
    for (qsizetype i = open + 1; i < s.size(); ++i) {
        if (s[i] != quote)
            continue;
        if (i + 1 < s.size() && s[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    throw TranslationError(
        QStringLiteral("unterminated %1 at position %2").arg(QLatin1StringView(what)).arg(open));
}

} // namespace

std::vector<SqlToken> SqlTokenizer::Tokenize(const QString& s) {
    std::vector<SqlToken> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    auto add = [&](SqlToken::Kind kind, qsizetype begin, qsizetype end) {
        tokens.push_back(SqlToken{kind, s.mid(begin, end - begin), begin});
    };
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const qsizetype close = s.indexOf(QLatin1StringView("*/"), i + 2);
            if (close < 0)
                throw TranslationError(QStringLiteral("unterminated comment at position %1").arg(i));
            i = close + 2;
        } else if (c == u'\'') {
            const qsizetype end = QuotedEnd(s, i, "string literal");
            add(SqlToken::Kind::String, i, end);
            i = end;
        } else if (c == u'"') {
            const qsizetype end = QuotedEnd(s, i, "quoted name");
            add(SqlToken::Kind::QuotedName, i, end);
            i = end;
        } else if (IsWordStart(c)) {
            qsizetype end = i + 1;
            while (end < n && IsWordPart(s[end]))
                ++end;
            if (end < n && s[end] == u'\'') {
                const QString prefix = s.mid(i, end - i).toLower();
                if (prefix == u"n") { // a national-character literal is an ordinary one here
                    const qsizetype close = QuotedEnd(s, end, "string literal");
                    add(SqlToken::Kind::String, end, close);
                    i = close;
                    continue;
                }
                if (prefix == u"q" || prefix == u"nq")
                    throw TranslationError(
                        QStringLiteral("the alternative quoting q'...' at position %1 is not supported")
                            .arg(i));
            }
            add(SqlToken::Kind::Word, i, end);
            i = end;
        } else if (IsDigit(c) || (c == u'.' && i + 1 < n && IsDigit(s[i + 1]))) {
            qsizetype end = i;
            while (end < n && IsDigit(s[end]))
                ++end;
            if (end < n && s[end] == u'.' && !(end + 1 < n && s[end + 1] == u'.')) {
                ++end;
                while (end < n && IsDigit(s[end]))
                    ++end;
            }
            if (end < n && (s[end] == u'e' || s[end] == u'E')) {
                qsizetype e = end + 1;
                if (e < n && (s[e] == u'+' || s[e] == u'-'))
                    ++e;
                if (e < n && IsDigit(s[e])) {
                    end = e;
                    while (end < n && IsDigit(s[end]))
                        ++end;
                }
            }
            add(SqlToken::Kind::Number, i, end);
            i = end;
        } else {
            static const char* const pairs[] = {"<=", ">=", "<>", "!=", "^=", "||", ":=", "=>"};
            qsizetype end = i + 1;
            if (i + 1 < n) {
                const QString two = s.mid(i, 2);
                for (const char* p : pairs)
                    if (two == QLatin1StringView(p))
                        end = i + 2;
            }
            add(SqlToken::Kind::Symbol, i, end);
            i = end;
        }
    }
    return tokens;
}

} // namespace dataaccess
