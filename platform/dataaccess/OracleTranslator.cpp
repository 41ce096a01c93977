#include "OracleTranslator.h"

#include "OracleRewriter.h"
#include "SqlTokenizer.h"

namespace dataaccess {

TranslatedStatement OracleTranslator::Translate(const QString& statement,
                                                const QStringList& drawnValues) const {
    if (m_dialect == SqlDialect::Oracle)
        return TranslatedStatement{statement, {}, {}, {}};
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(statement);
    return OracleRewriter(tokens, m_dialect, drawnValues).Run();
}

} // namespace dataaccess
