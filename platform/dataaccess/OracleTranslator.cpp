#include "OracleTranslator.h"

#include "OracleRewriter.h"
#include "SequenceRange.h"
#include "SqlTokenizer.h"

namespace dataaccess {

TranslatedStatement OracleTranslator::Translate(const QString& statement,
                                                const QStringList& drawnValues) const {
    if (m_dialect == SqlDialect::Oracle)
        return TranslatedStatement{statement, {}, {}, {}};
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(statement);
    if (const auto range = SequenceRange::Match(tokens))
        return range->Translate(m_dialect, drawnValues);
    return OracleRewriter(tokens, m_dialect, drawnValues).Run();
}

} // namespace dataaccess
