#include "platform/dataaccess/PreparedStatements.h"

#include "platform/dataaccess/TranslationCache.h"

#include <QRegularExpression>

namespace dataaccess {

namespace {

// Statements PostgreSQL prepares.
bool IsPreparable(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i].isSpace() || text[i] == u'('))
        ++i;
    qsizetype end = i;
    while (end < text.size() && text[end].isLetter())
        ++end;
    const QStringView word = text.mid(i, end - i);
    for (const char* kind : {"select", "insert", "update", "delete", "with"}) {
        if (word.compare(QLatin1StringView(kind), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Where the first order by or group by clause starts: a whole number after it may name a column by
// its place, which a parameter would not. Anything after it that looks like one stays in the text.
qsizetype FirstOrderingClause(const QString& text) {
    static const QRegularExpression clause(QStringLiteral("\\b(order|group)\\s+by\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = clause.match(text);
    return match.hasMatch() ? match.capturedStart() : text.size();
}

// The type PostgreSQL gives a number written as `literal` in a statement.
QString NumberType(const QString& literal) {
    bool whole = !literal.isEmpty();
    for (const QChar c : literal)
        whole = whole && c.unicode() >= u'0' && c.unicode() <= u'9';
    if (!whole)
        return QStringLiteral("numeric");
    bool fits = false;
    const qulonglong value = literal.toULongLong(&fits);
    if (fits && value <= 2147483647ULL)
        return QStringLiteral("integer");
    if (fits && value <= 9223372036854775807ULL)
        return QStringLiteral("bigint");
    return QStringLiteral("numeric");
}

} // namespace

std::optional<PreparedStatements::Parameterized> PreparedStatements::Parameterize(const QString& shapeText,
                                                                                  const QStringList& literals) {
    if (shapeText.isEmpty() || !IsPreparable(shapeText))
        return std::nullopt;
    const qsizetype ordering = FirstOrderingClause(shapeText);
    Parameterized result;
    result.text.reserve(shapeText.size());
    QHash<qsizetype, int> parameterOf; // literal index -> $n
    const QStringView view(shapeText);
    qsizetype verbatim = 0;
    for (qsizetype i = 0; i < view.size();) {
        const std::optional<TranslationCache::Marker> marker = TranslationCache::MarkerAt(view, i);
        if (!marker) {
            ++i;
            continue;
        }
        if (marker->literal >= literals.size())
            return std::nullopt;
        const QString& literal = literals.at(marker->literal);
        result.text.append(view.mid(verbatim, i - verbatim));
        const bool number = marker->kind == TranslationCache::Marker::Kind::Number;
        if (number && i >= ordering) {
            result.text.append(literal);
        } else {
            auto known = parameterOf.constFind(marker->literal);
            if (known == parameterOf.constEnd()) {
                result.types.append(number ? NumberType(literal) : QStringLiteral("unknown"));
                result.values.append(literal);
                known = parameterOf.insert(marker->literal, static_cast<int>(result.values.size()));
            }
            result.text.append(u'$').append(QString::number(*known));
        }
        i = verbatim = marker->end;
    }
    if (result.values.isEmpty())
        return std::nullopt;
    result.text.append(view.mid(verbatim));
    return result;
}

std::optional<PreparedStatements::Sending> PreparedStatements::Send(const TranslatedStatement& translated,
                                                                    bool outsideTransaction) {
    const std::optional<Parameterized> statement = Parameterize(translated.shapeText, translated.literals);
    if (!statement)
        return std::nullopt;
    const QString types = statement->types.join(u',');
    Sending sending;
    sending.key = types + u'\n' + statement->text;
    auto found = m_shapes.find(sending.key);
    if (found == m_shapes.end()) {
        if (m_shapes.size() >= MaxCounted) {
            // Shapes seen once or twice and never prepared make way; the prepared ones stay.
            for (auto it = m_shapes.begin(); it != m_shapes.end();)
                it = it->name.isEmpty() ? m_shapes.erase(it) : std::next(it);
        }
        found = m_shapes.insert(sending.key, Shape{});
    }
    Shape& shape = found.value();
    if (shape.refused)
        return std::nullopt;
    if (shape.name.isEmpty()) {
        ++shape.uses;
        if (shape.uses < 2 || !outsideTransaction || m_prepared >= MaxPrepared)
            return std::nullopt;
        shape.name = QStringLiteral("tessel_%1").arg(m_nextNumber++);
        ++m_prepared;
        sending.prepare = QStringLiteral("PREPARE %1 (%2) AS %3").arg(shape.name, types, statement->text);
    }
    sending.execute = QStringLiteral("EXECUTE %1 (%2)").arg(shape.name, statement->values.join(QStringLiteral(", ")));
    return sending;
}

void PreparedStatements::Refused(const QString& key) {
    auto found = m_shapes.find(key);
    if (found == m_shapes.end())
        return;
    if (!found->name.isEmpty()) {
        found->name.clear();
        --m_prepared;
    }
    found->refused = true;
}

void PreparedStatements::Forget() {
    m_shapes.clear();
    m_prepared = 0;
}

std::optional<QString> PreparedStatements::MakeRoom() {
    if (m_prepared < MaxPrepared)
        return std::nullopt;
    Forget();
    return QStringLiteral("DEALLOCATE ALL");
}

} // namespace dataaccess
