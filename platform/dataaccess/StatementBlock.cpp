#include "platform/dataaccess/StatementBlock.h"

#include "platform/dataaccess/SqlTokenizer.h"
#include "platform/dataaccess/TranslationError.h"

namespace dataaccess {

namespace {

using L = QLatin1StringView;

bool IsWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#';
}

// The first character past spaces and comments; text.size() when none is left.
qsizetype FirstWordAt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i].isSpace()) {
            ++i;
        } else if (text.mid(i).startsWith(u"--")) {
            while (i < text.size() && text[i] != u'\n')
                ++i;
        } else if (text.mid(i).startsWith(u"/*")) {
            const qsizetype close = text.indexOf(u"*/", i + 2);
            i = close < 0 ? text.size() : close + 2;
        } else {
            break;
        }
    }
    return i;
}

bool IsPlainStatement(const SqlToken& first) {
    return first.IsWord(L("insert")) || first.IsWord(L("update")) || first.IsWord(L("delete"));
}

[[noreturn]] void Refuse(const QString& why) {
    throw TranslationError(QStringLiteral("block: %1 (a block is begin, then insert, update or delete "
                                          "statements each ended by ;, then end;)")
                               .arg(why));
}

} // namespace

bool StatementBlock::Begins(QStringView text) {
    const qsizetype at = FirstWordAt(text);
    return text.mid(at, 5).compare(u"begin", Qt::CaseInsensitive) == 0 &&
           (at + 5 == text.size() || !IsWordPart(text[at + 5]));
}

QStringList StatementBlock::Statements(const QString& block) {
    const std::vector<SqlToken> tokens = SqlTokenizer::Tokenize(block);
    const qsizetype n = static_cast<qsizetype>(tokens.size());
    if (n == 0 || !tokens[0].IsWord(L("begin")))
        Refuse(QStringLiteral("it does not start with begin"));
    if (n < 3 || !tokens[n - 1].IsSymbol(L(";")) || !tokens[n - 2].IsWord(L("end")))
        Refuse(QStringLiteral("it does not end with end;"));
    const qsizetype end = n - 2;
    if (end == 1)
        Refuse(QStringLiteral("it holds no statement"));
    if (!tokens[end - 1].IsSymbol(L(";")))
        Refuse(QStringLiteral("its last statement is not ended by ; before end at position %1")
                   .arg(tokens[end].position));
    QStringList statements;
    qsizetype first = 1;
    for (qsizetype i = 1; i < end; ++i) {
        if (!tokens[i].IsSymbol(L(";")))
            continue;
        if (i == first)
            Refuse(QStringLiteral("an empty statement at position %1").arg(tokens[i].position));
        if (!IsPlainStatement(tokens[first]))
            Refuse(QStringLiteral("%1 at position %2 starts no insert, update or delete")
                       .arg(tokens[first].text)
                       .arg(tokens[first].position));
        const SqlToken& last = tokens[i - 1];
        const qsizetype from = tokens[first].position;
        statements << block.mid(from, last.position + last.text.size() - from);
        first = i + 1;
    }
    if (statements.isEmpty())
        Refuse(QStringLiteral("it holds no statement"));
    return statements;
}

QString StatementBlock::PostgreSqlDo(const std::vector<TranslatedStatement>& statements) {
    // Column names come before PL/pgSQL's own variables (found), whatever a statement names.
    QString body = QStringLiteral("#variable_conflict use_column\nBEGIN\n");
    for (const TranslatedStatement& statement : statements)
        body += statement.text + QStringLiteral(";\n");
    body += QStringLiteral("END");
    // The texts hold operators' data: no value may close the quoting early.
    QString tag = QStringLiteral("$tessel$");
    for (int number = 1; body.contains(tag, Qt::CaseInsensitive); ++number)
        tag = QStringLiteral("$tessel%1$").arg(number);
    return QStringLiteral("DO ") + tag + u'\n' + body + u'\n' + tag;
}

} // namespace dataaccess
