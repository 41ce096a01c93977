#include "platform/dataaccess/OracleRewriter.h"

#include "platform/dataaccess/ConnectByRewriter.h"
#include "platform/dataaccess/SqlTextBuilder.h"
#include "platform/dataaccess/TranslationError.h"

#include <algorithm>

namespace dataaccess {

namespace {

using L = QLatin1StringView;

bool IsArithmetic(const SqlToken& t) {
    return t.IsSymbol(L("+")) || t.IsSymbol(L("-")) || t.IsSymbol(L("*")) || t.IsSymbol(L("/"));
}

QString At(const SqlToken& t) {
    return QStringLiteral(" (at position %1)").arg(t.position);
}

} // namespace

OracleRewriter::OracleRewriter(const std::vector<SqlToken>& tokens, SqlDialect dialect,
                               const QStringList& drawnValues)
    : m_tokens(tokens), m_dialect(dialect), m_drawnValues(drawnValues) {}

TranslatedStatement OracleRewriter::Run() {
    m_end = m_tokens.Size();
    while (m_end > 0 && m_tokens[m_end - 1].IsSymbol(L(";")))
        --m_end;
    if (m_end == 0)
        throw TranslationError(QStringLiteral("the statement is empty"));
    if (m_dialect == SqlDialect::SQLite) {
        // Row and table locks: a transaction on SQLite holds the whole database's write lock from its
        // start, so there is nothing more to lock.
        if (m_tokens[0].IsWord(L("lock")) && m_tokens.IsWordAt(1, m_end, L("table"))) {
            m_result.text = QStringLiteral("select 1 where 0");
            return m_result;
        }
        if (m_end >= 3 && m_tokens[0].IsWord(L("select")) && m_tokens[m_end - 2].IsWord(L("for")) &&
            m_tokens[m_end - 1].IsWord(L("update")))
            m_end -= 2;
    }
    m_nextValueAllowed = NextValueAllowed();
    if (m_tokens[0].IsWord(L("insert")) && m_tokens.IsWordAt(1, m_end, L("all"))) {
        m_result.text = InsertAll();
        return m_result;
    }
    m_result.text = TranslateRange(0, m_end, nullptr);
    return m_result;
}

// insert all into T (columns) values (...) into T (columns) values (...) ... select * from dual: one
// multi-row insert, when every into clause names the same table and columns.
QString OracleRewriter::InsertAll() {
    const QString form = QStringLiteral(
        "insert all is supported only as into clauses of one table and column list, each with values "
        "(...), followed by select * from dual");
    QString target;
    QStringList rows;
    qsizetype i = 2;
    while (m_tokens.IsWordAt(i, m_end, L("into"))) {
        const qsizetype valuesAt = m_tokens.FindWord(i, m_end, L("values"));
        if (valuesAt >= m_end || !m_tokens.IsSymbolAt(valuesAt + 1, m_end, L("(")))
            throw TranslationError(form);
        const QString into = Verbatim(i + 1, valuesAt);
        if (target.isNull())
            target = into;
        else if (into.compare(target, Qt::CaseInsensitive) != 0)
            throw TranslationError(form);
        const qsizetype close = m_tokens.MatchingParen(valuesAt + 1, m_end);
        rows << QStringLiteral("(") + TranslateRange(valuesAt + 2, close, nullptr) + QStringLiteral(")");
        i = close + 1;
    }
    if (rows.isEmpty() || i + 4 != m_end || !m_tokens[i].IsWord(L("select")) || !m_tokens[i + 1].IsSymbol(L("*")) ||
        !m_tokens[i + 2].IsWord(L("from")) || !m_tokens[i + 3].IsWord(L("dual")))
        throw TranslationError(form);
    return QStringLiteral("insert into ") + target + QStringLiteral(" values ") + rows.join(QStringLiteral(", "));
}

QString OracleRewriter::Verbatim(qsizetype begin, qsizetype end) const {
    SqlTextBuilder out;
    for (qsizetype i = begin; i < end; ++i)
        out.Add(m_tokens[i].text);
    return out.Text();
}

void OracleRewriter::RejectUntranslatable(const SqlToken& token) {
    static const char* const untranslatable[] = {
        "rownum",
        "rowid",
        "sysdate",
        "systimestamp",
        "connect_by_root",
        "connect_by_isleaf",
        "connect_by_iscycle",
        "sys_connect_by_path",
        "nvl2",
        "currval",
        "siblings",
    };
    if (token.kind != SqlToken::Kind::Word)
        return;
    for (const char* name : untranslatable)
        if (token.IsWord(L(name)))
            throw TranslationError(
                QStringLiteral("Oracle's %1%2 is not supported").arg(token.text, At(token)));
}

bool OracleRewriter::NextValueAllowed() const {
    if (m_dialect != SqlDialect::SQLite)
        return true;
    // On SQLite a sequence is drawn once per statement, so only statements that make one row may
    // draw: Oracle gives every row its own value.
    if (m_tokens[0].IsWord(L("insert")))
        return m_tokens.FindWord(0, m_end, L("values")) < m_end &&
               m_tokens.FindWord(0, m_end, L("select")) == m_end;
    if (m_tokens[0].IsWord(L("select"))) {
        const qsizetype from = m_tokens.FindWord(0, m_end, L("from"));
        return from + 2 == m_end && m_tokens[from + 1].IsWord(L("dual"));
    }
    return false;
}

QString OracleRewriter::TranslateRange(qsizetype begin, qsizetype end, const QString* levelText) {
    SqlTextBuilder out;
    for (qsizetype i = begin; i < end;) {
        const SqlToken& t = m_tokens[i];
        if (t.IsSymbol(L("(")) && m_tokens.IsSymbolAt(i + 1, end, L("+")) &&
            m_tokens.IsSymbolAt(i + 2, end, L(")")))
            throw TranslationError(
                QStringLiteral("Oracle's outer join operator (+)%1 is not supported").arg(At(t)));

        // A concatenation is taken whole, so that NULL operands count as empty texts.
        const qsizetype operandEnd = m_tokens.OperandEnd(i, end);
        if (operandEnd > i && m_tokens.IsSymbolAt(operandEnd, end, L("||"))) {
            const qsizetype chainEnd = ConcatenationEnd(i, end);
            out.Add(Concatenation(i, chainEnd, levelText));
            i = chainEnd;
            continue;
        }

        if (t.IsSymbol(L("("))) {
            const qsizetype close = m_tokens.MatchingParen(i, end);
            out.Add("(").Add(TranslateRange(i + 1, close, levelText)).Add(")");
            i = close + 1;
            continue;
        }

        if (t.IsWord(L("select"))) {
            levelText = nullptr; // level belongs to the hierarchical query it is written in
            if (ConnectByRewriter::IsHierarchical(m_tokens, i, end)) {
                if (i != begin || ConnectByRewriter::HasSetOperator(m_tokens, i, end))
                    throw TranslationError(
                        QStringLiteral(
                            "connect by is supported only in a select that is a whole statement or a whole "
                            "parenthesized query (not with union, minus or insert ... select)%1")
                            .arg(At(t)));
                return ConnectByRewriter(*this, begin, end).Rewrite();
            }
            out.Add(t.text);
            ++i;
            if (m_tokens.IsWordAt(i, end, L("unique"))) {
                out.Add("distinct");
                ++i;
            }
            continue;
        }

        if (i == 0 && t.IsWord(L("delete"))) {
            out.Add(t.text);
            if (!m_tokens.IsWordAt(1, end, L("from")))
                out.Add("from");
            ++i;
            continue;
        }
        if (i == 0 && t.IsWord(L("merge")))
            throw TranslationError(QStringLiteral("Oracle's merge statement is not supported"));

        if (t.kind == SqlToken::Kind::Word) {
            if (t.IsWord(L("prior")))
                throw TranslationError(QStringLiteral("prior outside connect by%1").arg(At(t)));
            if (t.IsWord(L("level"))) {
                if (!levelText)
                    throw TranslationError(QStringLiteral("level outside a hierarchical query%1").arg(At(t)));
                out.Add(*levelText);
                ++i;
                continue;
            }
            if ((t.IsWord(L("connect")) && m_tokens.IsWordAt(i + 1, end, L("by"))) ||
                (t.IsWord(L("start")) && m_tokens.IsWordAt(i + 1, end, L("with")) &&
                 m_tokens.FindWord(0, m_end, L("select")) < m_end))
                throw TranslationError(QStringLiteral("%1 outside a select%2").arg(t.text, At(t)));
            if (t.IsWord(L("order")) && m_tokens.IsWordAt(i + 1, end, L("by")) &&
                m_dialect == SqlDialect::SQLite) {
                out.Add(OrderBy(i, end, i, levelText));
                continue;
            }
            if (t.IsWord(L("minus"))) {
                out.Add("except");
                ++i;
                continue;
            }
            if (t.IsWord(L("like")) && m_dialect == SqlDialect::PostgreSQL) {
                out.Add(Like(i, end, i, levelText));
                continue;
            }
            if (!SqlTokenRange::IsReservedWord(t)) {
                const bool inFrom =
                    i > 0 && (m_tokens[i - 1].IsWord(L("from")) || m_tokens[i - 1].IsSymbol(L(",")) ||
                              m_tokens[i - 1].IsWord(L("join")));
                if (t.IsWord(L("dual")) && inFrom && !m_tokens.IsSymbolAt(i + 1, end, L("."))) {
                    out.Add("(select 'X' as dummy)");
                    const bool aliased = i + 1 < end && (m_tokens[i + 1].kind == SqlToken::Kind::QuotedName ||
                                                         (m_tokens[i + 1].kind == SqlToken::Kind::Word &&
                                                          !SqlTokenRange::IsReservedWord(m_tokens[i + 1])));
                    if (!aliased)
                        out.Add("dual");
                    ++i;
                    continue;
                }
                if (t.IsWord(L("nvl")) && m_tokens.IsSymbolAt(i + 1, end, L("("))) {
                    out.Add("coalesce");
                    ++i;
                    continue;
                }
                if (t.IsWord(L("decode")) && m_tokens.IsSymbolAt(i + 1, end, L("("))) {
                    out.Add(Decode(i, end, i, levelText));
                    continue;
                }
                if (m_dialect == SqlDialect::SQLite && RareLikeEnd(i, end) > 0) {
                    out.Add(RareLike(i, end, i, levelText));
                    continue;
                }
                out.Add(Name(i, end, i));
                continue;
            }
            out.Add(t.text);
            ++i;
            continue;
        }
        if (t.kind == SqlToken::Kind::QuotedName) {
            out.Add(Name(i, end, i));
            continue;
        }
        if (t.IsEmptyString()) {
            out.Add("NULL"); // Oracle stores and compares '' as NULL
            ++i;
            continue;
        }
        if (t.IsSymbol(L("||")))
            throw TranslationError(
                QStringLiteral("an operand of || that the translator cannot delimit%1").arg(At(t)));
        if (t.IsSymbol(L(";")))
            throw TranslationError(QStringLiteral("more than one statement%1").arg(At(t)));
        out.Add(t.IsSymbol(L("^=")) ? QStringLiteral("<>") : t.text);
        ++i;
    }
    return out.Text();
}

QString OracleRewriter::OrderBy(qsizetype orderAt, qsizetype end, qsizetype& next, const QString* levelText) {
    // Oracle sorts NULL as the greatest value (last going up, first going down); SQLite as the least.
    qsizetype clauseEnd = end;
    for (const char* word : {"for", "offset", "fetch"})
        clauseEnd = std::min(clauseEnd, m_tokens.FindWord(orderAt + 2, end, L(word)));
    SqlTextBuilder out;
    out.Add(m_tokens[orderAt].text).Add(m_tokens[orderAt + 1].text);
    qsizetype item = orderAt + 2;
    while (item < clauseEnd) {
        qsizetype itemEnd = item;
        while (itemEnd < clauseEnd && !m_tokens[itemEnd].IsSymbol(L(","))) {
            if (m_tokens[itemEnd].IsSymbol(L("(")))
                itemEnd = m_tokens.MatchingParen(itemEnd, clauseEnd);
            ++itemEnd;
        }
        out.Add(TranslateRange(item, itemEnd, levelText));
        if (m_tokens.FindWord(item, itemEnd, L("nulls")) == itemEnd)
            out.Add(m_tokens[itemEnd - 1].IsWord(L("desc")) ? "NULLS FIRST" : "NULLS LAST");
        if (itemEnd < clauseEnd)
            out.Add(",");
        item = itemEnd + 1;
    }
    next = clauseEnd;
    return out.Text();
}

qsizetype OracleRewriter::ConcatenationEnd(qsizetype begin, qsizetype end) const {
    qsizetype operandEnd = m_tokens.OperandEnd(begin, end);
    while (operandEnd > 0 && m_tokens.IsSymbolAt(operandEnd, end, L("||"))) {
        const qsizetype next = m_tokens.OperandEnd(operandEnd + 1, end);
        if (next < 0)
            throw TranslationError(QStringLiteral("an operand of || that the translator cannot delimit%1")
                                       .arg(At(m_tokens[operandEnd])));
        operandEnd = next;
    }
    return operandEnd;
}

QString OracleRewriter::Concatenation(qsizetype begin, qsizetype end, const QString* levelText) {
    // || binds like + and - in Oracle; mixed with them the grouping is not obvious, so refuse.
    if ((begin > 0 && IsArithmetic(m_tokens[begin - 1])) || (end < m_end && IsArithmetic(m_tokens[end])))
        throw TranslationError(
            QStringLiteral("|| next to an arithmetic operator%1; add parentheses").arg(At(m_tokens[begin])));
    SqlTextBuilder out;
    out.Add("nullif(");
    qsizetype operand = begin;
    while (true) {
        const qsizetype operandEnd = m_tokens.OperandEnd(operand, end);
        out.Add("coalesce(").Add(TranslateRange(operand, operandEnd, levelText)).Add(", '')");
        if (operandEnd >= end)
            break;
        out.Add("||");
        operand = operandEnd + 1;
    }
    out.Add(", '')");
    return out.Text();
}

QString OracleRewriter::Decode(qsizetype nameAt, qsizetype end, qsizetype& next, const QString* levelText) {
    const qsizetype open = nameAt + 1;
    const qsizetype close = m_tokens.MatchingParen(open, end);
    QStringList args;
    qsizetype argBegin = open + 1;
    for (qsizetype k = open + 1; k <= close; ++k) {
        if (k < close && m_tokens[k].IsSymbol(L("("))) {
            k = m_tokens.MatchingParen(k, close);
            continue;
        }
        if (k == close || m_tokens[k].IsSymbol(L(","))) {
            args.append(TranslateRange(argBegin, k, levelText));
            argBegin = k + 1;
        }
    }
    if (args.size() < 3)
        throw TranslationError(
            QStringLiteral("decode needs at least three arguments%1").arg(At(m_tokens[nameAt])));
    // decode compares NULL equal to NULL.
    const QString equal = m_dialect == SqlDialect::PostgreSQL ? QStringLiteral(" IS NOT DISTINCT FROM ")
                                                              : QStringLiteral(" IS ");
    QString text = QStringLiteral("CASE");
    qsizetype k = 1;
    for (; k + 1 < args.size(); k += 2)
        text += QStringLiteral(" WHEN (%1)%2(%3) THEN %4").arg(args[0], equal, args[k], args[k + 1]);
    if (k < args.size())
        text += QStringLiteral(" ELSE ") + args[k];
    text += QStringLiteral(" END");
    next = close + 1;
    return text;
}

QString OracleRewriter::Like(qsizetype likeAt, qsizetype end, qsizetype& next, const QString* levelText) {
    const qsizetype pattern = likeAt + 1;
    if (m_tokens.OperandEnd(pattern, end) < 0)
        throw TranslationError(
            QStringLiteral("a like pattern the translator cannot delimit%1").arg(At(m_tokens[likeAt])));
    const qsizetype patternEnd = ConcatenationEnd(pattern, end);
    SqlTextBuilder out;
    out.Add(m_tokens[likeAt].text).Add(TranslateRange(pattern, patternEnd, levelText));
    // Without an escape clause Oracle has no escape character; PostgreSQL would take the backslash.
    if (!m_tokens.IsWordAt(patternEnd, end, L("escape")))
        out.Add("escape ''");
    next = patternEnd;
    return out.Text();
}

// `column like '%...'`: a search for a text anywhere in a column matches few rows, but SQLite's
// planner takes it for an ordinary filter and may start a join from the other table, running every
// sub-query of the statement once per row of it (seconds on a million addresses). likelihood() tells
// the planner the term is rare; it never changes which rows match. The end of such a term (past its
// pattern and escape clause), or -1 when the tokens at nameAt are not one.
qsizetype OracleRewriter::RareLikeEnd(qsizetype nameAt, qsizetype end) const {
    const qsizetype nameEnd = m_tokens.DottedNameEnd(nameAt, end);
    if (nameEnd <= nameAt || !m_tokens.IsWordAt(nameEnd, end, L("like")) || nameEnd + 1 >= end)
        return -1;
    const SqlToken& pattern = m_tokens[nameEnd + 1];
    if (pattern.kind != SqlToken::Kind::String || !pattern.text.startsWith(QLatin1String("'%")))
        return -1;
    qsizetype termEnd = nameEnd + 2;
    if (m_tokens.IsWordAt(termEnd, end, L("escape"))) {
        if (termEnd + 1 >= end || m_tokens[termEnd + 1].kind != SqlToken::Kind::String)
            return -1;
        termEnd += 2;
    }
    if (termEnd < end && m_tokens[termEnd].IsSymbol(L("||")))
        return -1; // a pattern built by concatenation: left to the general path
    return termEnd;
}

QString OracleRewriter::RareLike(qsizetype nameAt, qsizetype end, qsizetype& next, const QString* levelText) {
    const qsizetype termEnd = RareLikeEnd(nameAt, end);
    qsizetype nameEnd = nameAt;
    SqlTextBuilder out;
    out.Add("likelihood(")
        .Add(Name(nameAt, end, nameEnd))
        .Add(TranslateRange(nameEnd, termEnd, levelText))
        .Add(", 0.001)");
    next = termEnd;
    return out.Text();
}

QString OracleRewriter::Name(qsizetype begin, qsizetype end, qsizetype& next) {
    const qsizetype nameEnd = m_tokens.DottedNameEnd(begin, end);
    next = nameEnd;
    const qsizetype parts = (nameEnd - begin + 1) / 2;
    const SqlToken& last = m_tokens[nameEnd - 1];
    if (parts >= 2 && last.IsWord(L("nextval")))
        return NextValue(Verbatim(begin, nameEnd - 2));
    for (qsizetype k = begin; k < nameEnd; k += 2)
        RejectUntranslatable(m_tokens[k]);
    return Verbatim(begin, nameEnd);
}

QString OracleRewriter::NextValue(const QString& sequence) {
    if (!m_nextValueAllowed)
        throw TranslationError(
            QStringLiteral("%1.nextval is supported only in insert ... values (...) and select ... from dual")
                .arg(sequence));
    // Oracle gives all references in one row the same value; PostgreSQL would give each its own.
    const QString key = sequence.contains(u'"') ? sequence : sequence.toLower();
    if (m_referencedSequences.contains(key))
        throw TranslationError(QStringLiteral("%1.nextval more than once in one statement").arg(sequence));
    m_referencedSequences.append(key);
    if (m_dialect == SqlDialect::PostgreSQL)
        return QStringLiteral("nextval('%1')").arg(QString(sequence).replace(u'\'', QLatin1StringView("''")));
    const qsizetype index = m_result.sequences.size();
    m_result.sequences.append(key);
    m_result.sequenceDraws.append(
        QStringLiteral("update %1 set last_value = last_value + 1 returning last_value").arg(sequence));
    return index < m_drawnValues.size() ? m_drawnValues[index] : QStringLiteral("NULL");
}

} // namespace dataaccess
