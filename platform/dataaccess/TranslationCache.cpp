#include "platform/dataaccess/TranslationCache.h"

#include "platform/dataaccess/TranslationError.h"

namespace dataaccess {

namespace {

// A string literal becomes '<U+E000>N<U+E001>', a number NUMBER_MARK followed by N, where N is the
// literal's place in decimal digits, as many as it takes. Each is one token of the same kind as what
// it stands for, and neither occurs in the system's statements (a statement that holds a marker's
// characters bypasses the cache). A number marker ends where its digits end: the translator never
// writes a digit right after a number.
constexpr char16_t StringOpen = u'\uE000';
constexpr char16_t StringClose = u'\uE001';
const QString NumberMark = QStringLiteral("98765432");

// As the tokenizer reads names: a digit after one of these belongs to the name.
bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

bool IsDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// The end of the run of digits from `i`.
qsizetype DigitsEnd(QStringView text, qsizetype i) {
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// The literal index written at `i` (digits), and where it ends.
qsizetype ReadIndex(QStringView text, qsizetype i, qsizetype& end) {
    end = DigitsEnd(text, i);
    qsizetype index = 0;
    for (qsizetype k = i; k < end; ++k)
        index = index * 10 + (text[k].unicode() - u'0');
    return index;
}

} // namespace

std::optional<TranslationCache::Shape> TranslationCache::ShapeOf(const QString& statement) {
    if (statement.contains(StringOpen) || statement.contains(StringClose) || statement.contains(NumberMark))
        return std::nullopt;
    Shape shape;
    shape.text.reserve(statement.size());
    const QStringView text(statement);
    const qsizetype n = text.size();
    qsizetype verbatim = 0; // start of the text not yet copied
    auto replace = [&](qsizetype begin, qsizetype end, std::optional<StringKind> string) {
        shape.text.append(text.mid(verbatim, begin - verbatim));
        const QString index = QString::number(shape.literals.size());
        if (string) {
            shape.text.append(u'\'');
            if (*string == StringKind::LeadingPercent)
                shape.text.append(u'%');
            shape.text.append(QChar(StringOpen)).append(index).append(QChar(StringClose)).append(u'\'');
        } else {
            shape.text.append(NumberMark).append(index);
        }
        shape.literals << text.mid(begin, end - begin).toString();
        verbatim = end;
    };
    for (qsizetype i = 0; i < n;) {
        const QChar c = text[i];
        if (c == u'\'') {
            qsizetype end = i + 1;
            while (end < n) {
                if (text[end] == u'\'') {
                    if (end + 1 < n && text[end + 1] == u'\'') {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            if (end >= n)
                return std::nullopt; // an open string: left to the translator to report
            // '' is read by the translator and stays in the shape; of '%...' it reads the leading %,
            // which its marker keeps.
            if (end > i + 1)
                replace(i, end + 1, text[i + 1] == u'%' ? StringKind::LeadingPercent : StringKind::Plain);
            i = end + 1;
            continue;
        }
        if (c == u'"') {
            const qsizetype end = text.indexOf(u'"', i + 1);
            if (end < 0)
                return std::nullopt;
            i = end + 1;
            continue;
        }
        if (c == u'-' && i + 1 < n && text[i + 1] == u'-') {
            const qsizetype end = text.indexOf(u'\n', i);
            i = end < 0 ? n : end;
            continue;
        }
        if (c == u'/' && i + 1 < n && text[i + 1] == u'*') {
            const qsizetype end = text.indexOf(u"*/", i + 2);
            if (end < 0)
                return std::nullopt;
            i = end + 2;
            continue;
        }
        if (IsDigit(c)) {
            // Digits inside a name, or after a dot (where the number token starts at the dot), stay.
            if (i > 0 && (IsNameChar(text[i - 1]) || text[i - 1] == u'.')) {
                i = DigitsEnd(text, i);
                continue;
            }
            // A number as the tokenizer reads it: digits, and a dot with digits after it.
            qsizetype end = DigitsEnd(text, i);
            if (end + 1 < n && text[end] == u'.' && IsDigit(text[end + 1]))
                end = DigitsEnd(text, end + 1);
            // 1e5, 2x, 1. and 1.2.3 are not taken apart.
            if (end < n && (IsNameChar(text[end]) || text[end] == u'.'))
                return std::nullopt;
            replace(i, end, std::nullopt);
            i = end;
            continue;
        }
        ++i;
    }
    shape.text.append(text.mid(verbatim));
    return shape;
}

std::optional<TranslationCache::Marker> TranslationCache::MarkerAt(QStringView text, qsizetype i) {
    const qsizetype n = text.size();
    Marker marker;
    marker.begin = i;
    if (text[i] == u'\'') {
        const qsizetype open = i + 1 < n && text[i + 1] == u'%' ? i + 2 : i + 1;
        if (open >= n || text[open] != StringOpen)
            return std::nullopt;
        marker.kind = open == i + 1 ? Marker::Kind::String : Marker::Kind::LeadingPercentString;
        marker.literal = ReadIndex(text, open + 1, marker.end);
        marker.end += 2; // U+E001 '
        return marker;
    }
    if (text[i] == u'9' && (i == 0 || !IsNameChar(text[i - 1])) && text.mid(i).startsWith(NumberMark)) {
        marker.kind = Marker::Kind::Number;
        marker.literal = ReadIndex(text, i + NumberMark.size(), marker.end);
        return marker;
    }
    return std::nullopt;
}

QString TranslationCache::Fill(const QString& text, const QStringList& literals) {
    QString out;
    out.reserve(text.size() + text.size() / 2);
    const QStringView view(text);
    const qsizetype n = view.size();
    qsizetype verbatim = 0;
    for (qsizetype i = 0; i < n;) {
        const std::optional<Marker> marker = MarkerAt(view, i);
        if (!marker) {
            ++i;
            continue;
        }
        out.append(view.mid(verbatim, i - verbatim)).append(literals.at(marker->literal));
        i = verbatim = marker->end;
    }
    out.append(view.mid(verbatim));
    return out;
}

TranslatedStatement TranslationCache::Translate(const QString& statement,
                                                const std::function<TranslatedStatement(const QString&)>& translate) {
    const std::optional<Shape> shape = ShapeOf(statement);
    if (!shape || shape->literals.isEmpty())
        return translate(statement);
    auto found = m_shapes.constFind(shape->text);
    if (found == m_shapes.constEnd()) {
        TranslatedStatement translated;
        try {
            translated = translate(shape->text);
        } catch (const TranslationError&) {
            return translate(statement); // throws again, naming the statement's own text
        }
        // Drawn values are the statement's own; a translation that read a literal's value holds
        // only for that value (the marker's, here).
        if (!translated.sequences.isEmpty() || translated.readsLiteralValues)
            return translate(statement);
        if (m_shapes.size() >= MaxShapes)
            m_shapes.clear();
        found = m_shapes.insert(shape->text, std::move(translated));
    }
    TranslatedStatement filled;
    filled.text = Fill(found->text, shape->literals);
    for (const QString& check : found->loopChecks)
        filled.loopChecks << Fill(check, shape->literals);
    filled.shapeText = found->text;
    filled.literals = shape->literals;
    return filled;
}

} // namespace dataaccess
