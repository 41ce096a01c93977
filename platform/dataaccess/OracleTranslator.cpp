#include "platform/dataaccess/OracleTranslator.h"

#include "platform/dataaccess/OracleRewriter.h"
#include "platform/dataaccess/SequenceRange.h"
#include "platform/dataaccess/SqlTokenizer.h"
#include "platform/dataaccess/TranslationError.h"

namespace dataaccess {

namespace {

// The rewriters follow parentheses by recursion; a limit far above any real statement keeps a
// deep one from exhausting the stack.
constexpr int kMaxNesting = 200;

void CheckParentheses(const std::vector<SqlToken>& tokens) {
    int depth = 0;
    for (const SqlToken& token : tokens) {
        if (token.IsSymbol(QLatin1StringView("("))) {
            if (++depth > kMaxNesting)
                throw TranslationError(
                    QStringLiteral("parentheses nested deeper than %1 at position %2").arg(kMaxNesting).arg(token.position));
        } else if (token.IsSymbol(QLatin1StringView(")")) && --depth < 0) {
            throw TranslationError(QStringLiteral("unmatched ) at position %1").arg(token.position));
        }
    }
}

} // namespace

TranslatedStatement OracleTranslator::Translate(const QString& statement,
                                                const QStringList& drawnValues) const {
    if (m_dialect == SqlDialect::Oracle)
        return TranslatedStatement{statement, {}, {}, {}};
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(statement);
    CheckParentheses(tokens);
    if (const auto range = SequenceRange::Match(tokens))
        return range->Translate(m_dialect, drawnValues);
    return OracleRewriter(tokens, m_dialect, drawnValues).Run();
}

} // namespace dataaccess
