// The translation of one tokenized statement (see OracleTranslator for the forms it knows).
#pragma once

#include "platform/dataaccess/SqlDialect.h"
#include "platform/dataaccess/SqlTokenRange.h"
#include "platform/dataaccess/TranslatedStatement.h"

namespace dataaccess {

class OracleRewriter {
public:
    OracleRewriter(const std::vector<SqlToken>& tokens, SqlDialect dialect, const QStringList& drawnValues);

    // The whole statement. Throws TranslationError.
    TranslatedStatement Run();

    // Tokens [begin, end) translated. levelText replaces the level pseudo-column, which is an error
    // where it is null (outside a hierarchical query).
    QString TranslateRange(qsizetype begin, qsizetype end, const QString* levelText);

    const SqlTokenRange& Tokens() const { return m_tokens; }
    SqlDialect Dialect() const { return m_dialect; }
    int NextHierarchyNumber() { return ++m_hierarchies; }
    void AddLoopCheck(const QString& statement) { m_result.loopChecks.append(statement); }
    // The text of tokens [begin, end) as written.
    QString Verbatim(qsizetype begin, qsizetype end) const;
    // Throws for the Oracle names that have no translation.
    static void RejectUntranslatable(const SqlToken& token);

private:
    QString InsertAll();
    qsizetype ConcatenationEnd(qsizetype begin, qsizetype end) const;
    QString Concatenation(qsizetype begin, qsizetype end, const QString* levelText);
    QString Decode(qsizetype nameAt, qsizetype end, qsizetype& next, const QString* levelText);
    QString OrderBy(qsizetype orderAt, qsizetype end, qsizetype& next, const QString* levelText);
    QString Like(qsizetype likeAt, qsizetype end, qsizetype& next, const QString* levelText);
    qsizetype RareLikeEnd(qsizetype nameAt, qsizetype end) const;
    QString RareLike(qsizetype nameAt, qsizetype end, qsizetype& next, const QString* levelText);
    QString Name(qsizetype begin, qsizetype end, qsizetype& next);
    QString NextValue(const QString& sequence);
    bool NextValueAllowed() const;

    SqlTokenRange m_tokens;
    SqlDialect m_dialect;
    QStringList m_drawnValues;
    qsizetype m_end = 0; // the statement's last token + 1, without a closing ';'
    bool m_nextValueAllowed = false;
    int m_hierarchies = 0;
    QStringList m_referencedSequences;
    TranslatedStatement m_result;
};

} // namespace dataaccess
