// The batch form of a sequence: "select NAME.nextval from dual connect by level<=N" draws N values
// in one statement (Oracle's idiom), one row each, in ascending order. N is a whole number from 1 to
// 2^31-1; anything else is refused. The translation reads N (readsLiteralValues).
// - PostgreSQL: select nextval('NAME') from generate_series(1,N) order by 1
// - SQLite (a one-row table NAME(last_value)): one draw statement moves last_value on by N and
//   returns it (L); the rows are then L-N+1 .. L from a recursive common table expression.
#pragma once

#include "platform/dataaccess/SqlDialect.h"
#include "platform/dataaccess/SqlToken.h"
#include "platform/dataaccess/TranslatedStatement.h"

#include <optional>
#include <vector>

namespace dataaccess {

class SequenceRange {
public:
    // The form's sequence and count when the tokens are exactly this form, else nothing.
    static std::optional<SequenceRange> Match(const std::vector<SqlToken>& tokens);

    // drawnValues as for OracleTranslator::Translate.
    TranslatedStatement Translate(SqlDialect dialect, const QStringList& drawnValues) const;

    static constexpr qint64 kMaxCount = 2147483647;

private:
    SequenceRange(QString sequence, qint64 count) : m_sequence(std::move(sequence)), m_count(count) {}
    QString m_sequence;
    qint64 m_count;
};

} // namespace dataaccess
