#include "platform/dataaccess/SequenceRange.h"

#include "platform/dataaccess/TranslationError.h"

namespace dataaccess {

namespace {
using L = QLatin1StringView;
}

std::optional<SequenceRange> SequenceRange::Match(const std::vector<SqlToken>& tokens) {
    size_t end = tokens.size();
    while (end > 0 && tokens[end - 1].IsSymbol(L(";")))
        --end;
    // select NAME . nextval from dual connect by level <= N
    if (end != 11)
        return std::nullopt;
    const auto& t = tokens;
    if (!t[0].IsWord(L("select")) || t[1].kind != SqlToken::Kind::Word || !t[2].IsSymbol(L(".")) ||
        !t[3].IsWord(L("nextval")) || !t[4].IsWord(L("from")) || !t[5].IsWord(L("dual")) ||
        !t[6].IsWord(L("connect")) || !t[7].IsWord(L("by")) || !t[8].IsWord(L("level")) ||
        !t[9].IsSymbol(L("<=")) || t[10].kind != SqlToken::Kind::Number)
        return std::nullopt;
    // The count is read as written: a whole number (no sign, point or exponent) that fits the
    // 32-bit counts the system sends; more would run for hours on the server.
    bool isNumber = false;
    const qint64 count = t[10].text.toLongLong(&isNumber);
    if (!isNumber || count < 1 || count > kMaxCount)
        throw TranslationError(QStringLiteral("a sequence range needs a whole count from 1 to %1, not %2")
                                   .arg(kMaxCount)
                                   .arg(t[10].text));
    return SequenceRange(t[1].text.toLower(), count);
}

TranslatedStatement SequenceRange::Translate(SqlDialect dialect, const QStringList& drawnValues) const {
    TranslatedStatement result;
    result.readsLiteralValues = true;
    if (dialect == SqlDialect::PostgreSQL) {
        result.text = QStringLiteral("select nextval('%1') from generate_series(1,%2) order by 1")
                          .arg(m_sequence)
                          .arg(m_count);
        return result;
    }
    result.sequences << m_sequence;
    result.sequenceDraws << QStringLiteral("update %1 set last_value = last_value + %2 returning last_value")
                                .arg(m_sequence)
                                .arg(m_count);
    const QString last = drawnValues.isEmpty() ? QStringLiteral("NULL") : drawnValues.first();
    result.text = QStringLiteral("with recursive drawn(v) as (select %1 - %2 + 1 union all select v + 1 from "
                                 "drawn where v < %1) select v from drawn")
                      .arg(last)
                      .arg(m_count);
    return result;
}

} // namespace dataaccess
