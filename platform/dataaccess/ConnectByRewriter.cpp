#include "platform/dataaccess/ConnectByRewriter.h"

#include "platform/dataaccess/OracleRewriter.h"
#include "platform/dataaccess/SqlTextBuilder.h"
#include "platform/dataaccess/TranslationError.h"

#include <algorithm>

namespace dataaccess {

namespace {

using L = QLatin1StringView;

QString At(const SqlToken& t) {
    return QStringLiteral(" (at position %1)").arg(t.position);
}

// Separates the prior values on a row's path; a character no key of the system holds.
const QString kSeparator = QStringLiteral("'\x1f'");
const QString kKeyJoin = QStringLiteral(" || '\x1e' || ");

bool SameName(const SqlToken& a, const QString& b) {
    if (a.kind == SqlToken::Kind::QuotedName || b.startsWith(u'"'))
        return a.text == b;
    return a.text.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

ConnectByRewriter::ConnectByRewriter(OracleRewriter& rewriter, qsizetype begin, qsizetype end)
    : m_rewriter(rewriter), m_tokens(rewriter.Tokens()), m_begin(begin), m_end(end) {}

bool ConnectByRewriter::IsHierarchical(const SqlTokenRange& tokens, qsizetype begin, qsizetype end) {
    for (qsizetype i = begin; i < end; ++i) {
        if (tokens[i].IsSymbol(L("(")))
            i = tokens.MatchingParen(i, end);
        else if ((tokens[i].IsWord(L("connect")) && tokens.IsWordAt(i + 1, end, L("by"))) ||
                 (tokens[i].IsWord(L("start")) && tokens.IsWordAt(i + 1, end, L("with"))))
            return true;
    }
    return false;
}

bool ConnectByRewriter::HasSetOperator(const SqlTokenRange& tokens, qsizetype begin, qsizetype end) {
    for (const char* op : {"union", "intersect", "minus", "except"})
        if (tokens.FindWord(begin, end, L(op)) < end)
            return true;
    return false;
}

void ConnectByRewriter::FindClauses() {
    enum Kind { From, Where, StartWith, ConnectBy, Tail };
    struct Clause {
        qsizetype at;
        Kind kind;
        qsizetype contentBegin;
    };
    std::vector<Clause> clauses;
    auto add = [&](qsizetype at, Kind kind, qsizetype contentBegin) {
        for (const Clause& c : clauses)
            if (c.kind == kind && kind != Tail)
                throw TranslationError(
                    QStringLiteral("a repeated %1%2").arg(m_tokens[at].text, At(m_tokens[at])));
        if (kind == Tail &&
            std::any_of(clauses.begin(), clauses.end(), [](const Clause& c) { return c.kind == Tail; }))
            return;
        clauses.push_back({at, kind, contentBegin});
    };
    for (qsizetype i = m_begin + 1; i < m_end; ++i) {
        const SqlToken& t = m_tokens[i];
        if (t.IsSymbol(L("("))) {
            i = m_tokens.MatchingParen(i, m_end);
        } else if (t.IsWord(L("from"))) {
            add(i, From, i + 1);
        } else if (t.IsWord(L("where"))) {
            add(i, Where, i + 1);
        } else if (t.IsWord(L("start")) && m_tokens.IsWordAt(i + 1, m_end, L("with"))) {
            add(i, StartWith, i + 2);
        } else if (t.IsWord(L("connect")) && m_tokens.IsWordAt(i + 1, m_end, L("by"))) {
            m_noCycle = m_tokens.IsWordAt(i + 2, m_end, L("nocycle"));
            add(i, ConnectBy, i + (m_noCycle ? 3 : 2));
        } else if (t.IsWord(L("order")) && m_tokens.IsWordAt(i + 1, m_end, L("siblings"))) {
            throw TranslationError(QStringLiteral("order siblings by is not supported%1").arg(At(t)));
        } else if ((t.IsWord(L("group")) || t.IsWord(L("order"))) &&
                   m_tokens.IsWordAt(i + 1, m_end, L("by"))) {
            add(i, Tail, i);
        } else if (t.IsWord(L("having"))) {
            add(i, Tail, i);
        }
    }
    auto find = [&](Kind kind) -> const Clause* {
        for (const Clause& c : clauses)
            if (c.kind == kind)
                return &c;
        return nullptr;
    };
    const Clause* from = find(From);
    const Clause* connectBy = find(ConnectBy);
    if (!connectBy)
        throw TranslationError(QStringLiteral("start with without connect by"));
    if (!from)
        throw TranslationError(QStringLiteral("a hierarchical select without from"));
    // Oracle's order: from, where, the hierarchical clauses (either first), then the tail.
    auto rank = [](Kind kind) {
        return kind == StartWith ? static_cast<int>(ConnectBy) : static_cast<int>(kind);
    };
    std::sort(clauses.begin(), clauses.end(), [](const Clause& a, const Clause& b) { return a.at < b.at; });
    for (size_t k = 1; k < clauses.size(); ++k)
        if (rank(clauses[k].kind) < rank(clauses[k - 1].kind))
            throw TranslationError(QStringLiteral("%1 after %2 in a hierarchical select%3")
                                       .arg(m_tokens[clauses[k].at].text, m_tokens[clauses[k - 1].at].text,
                                            At(m_tokens[clauses[k].at])));
    m_selectList = {m_begin + 1, from->at};
    for (size_t k = 0; k < clauses.size(); ++k) {
        const qsizetype end =
            clauses[k].kind == Tail ? m_end : (k + 1 < clauses.size() ? clauses[k + 1].at : m_end);
        const Range range{clauses[k].contentBegin, end};
        if (range.begin >= range.end && clauses[k].kind != Tail)
            throw TranslationError(QStringLiteral("an empty %1 clause%2")
                                       .arg(m_tokens[clauses[k].at].text, At(m_tokens[clauses[k].at])));
        switch (clauses[k].kind) {
        case From:
            m_from = range;
            break;
        case Where:
            m_where = range;
            break;
        case StartWith:
            m_startWith = range;
            break;
        case ConnectBy:
            m_connectBy = range;
            break;
        case Tail:
            m_tail = range;
            break;
        }
    }
}

void ConnectByRewriter::ReadFrom() {
    const qsizetype nameEnd = m_tokens.DottedNameEnd(m_from.begin, m_from.end);
    if (nameEnd == m_from.begin)
        throw TranslationError(QStringLiteral("connect by over a derived table is not supported%1")
                                   .arg(At(m_tokens[m_from.begin])));
    qsizetype k = nameEnd;
    if (m_tokens.IsWordAt(k, m_from.end, L("as")))
        ++k;
    if (k < m_from.end &&
        (m_tokens[k].kind == SqlToken::Kind::QuotedName ||
         (m_tokens[k].kind == SqlToken::Kind::Word && !SqlTokenRange::IsReservedWord(m_tokens[k])))) {
        m_tableAlias = m_tokens[k].text;
        ++k;
    }
    if (k != m_from.end)
        throw TranslationError(
            QStringLiteral("connect by over a join is not supported%1").arg(At(m_tokens[k])));
    m_table = m_rewriter.Verbatim(m_from.begin, nameEnd);
    m_qualifier = m_tableAlias.isEmpty() ? m_tokens[nameEnd - 1].text : m_tableAlias;

    // The common table expression carries columns of its own, so the select list must name its columns.
    for (qsizetype i = m_selectList.begin; i < m_selectList.end; ++i) {
        if (m_tokens[i].IsSymbol(L("("))) {
            i = m_tokens.MatchingParen(i, m_selectList.end);
            continue;
        }
        if (!m_tokens[i].IsSymbol(L("*")))
            continue;
        const SqlToken& before = m_tokens[i - 1];
        if (i == m_selectList.begin || before.IsSymbol(L(",")) || before.IsSymbol(L(".")) ||
            before.IsWord(L("distinct")) || before.IsWord(L("unique")) || before.IsWord(L("all")))
            throw TranslationError(
                QStringLiteral("select * in a hierarchical query is not supported; name the columns%1")
                    .arg(At(m_tokens[i])));
    }
}

QString ConnectByRewriter::Condition(qsizetype begin, qsizetype end, const QString& columns,
                                     const QString* priorColumns, const QString& level) {
    SqlTextBuilder out;
    for (qsizetype k = begin; k < end;) {
        const SqlToken& t = m_tokens[k];
        if (t.IsSymbol(L("("))) {
            if (m_tokens.IsWordAt(k + 1, end, L("select")))
                throw TranslationError(
                    QStringLiteral("a subquery in connect by is not supported%1").arg(At(t)));
            if (m_tokens.IsSymbolAt(k + 1, end, L("+")))
                throw TranslationError(
                    QStringLiteral("Oracle's outer join operator (+)%1 is not supported").arg(At(t)));
            const qsizetype close = m_tokens.MatchingParen(k, end);
            out.Add("(").Add(Condition(k + 1, close, columns, priorColumns, level)).Add(")");
            k = close + 1;
        } else if (t.IsWord(L("prior"))) {
            if (!priorColumns)
                throw TranslationError(QStringLiteral("prior inside prior%1").arg(At(t)));
            const qsizetype operandEnd = m_tokens.OperandEnd(k + 1, end);
            if (operandEnd < 0)
                throw TranslationError(
                    QStringLiteral("an operand of prior that is not understood%1").arg(At(t)));
            m_priorOperands.push_back({k + 1, operandEnd});
            out.Add(Condition(k + 1, operandEnd, *priorColumns, nullptr, level));
            k = operandEnd;
        } else if (t.IsWord(L("level"))) {
            out.Add(level);
            ++k;
        } else if (t.IsEmptyString()) {
            out.Add("NULL");
            ++k;
        } else if (t.kind == SqlToken::Kind::QuotedName ||
                   (t.kind == SqlToken::Kind::Word && !SqlTokenRange::IsReservedWord(t))) {
            const qsizetype nameEnd = m_tokens.DottedNameEnd(k, end);
            for (qsizetype p = k; p < nameEnd; p += 2)
                OracleRewriter::RejectUntranslatable(m_tokens[p]);
            if (m_tokens.IsSymbolAt(nameEnd, end, L("("))) { // a function; its arguments follow
                if (t.IsWord(L("decode")))
                    throw TranslationError(
                        QStringLiteral("decode in connect by is not supported%1").arg(At(t)));
                out.Add(t.IsWord(L("nvl")) ? QStringLiteral("coalesce") : m_rewriter.Verbatim(k, nameEnd));
            } else if (nameEnd == k + 1) {
                out.Add(columns + u'.' + t.text);
            } else if (nameEnd == k + 3 && (SameName(t, m_qualifier) || SameName(t, m_table))) {
                out.Add(columns + u'.' + m_tokens[k + 2].text);
            } else {
                throw TranslationError(QStringLiteral("%1 in connect by names no column of %2")
                                           .arg(m_rewriter.Verbatim(k, nameEnd), m_table));
            }
            k = nameEnd;
        } else if (t.kind == SqlToken::Kind::Word) {
            static const char* const allowed[] = {"and",    "or",      "not",  "is",   "null", "in",   "like",
                                                  "escape", "between", "case", "when", "then", "else", "end"};
            if (std::none_of(std::begin(allowed), std::end(allowed),
                             [&](const char* w) { return t.IsWord(L(w)); }))
                throw TranslationError(
                    QStringLiteral("%1 in connect by is not supported%2").arg(t.text, At(t)));
            out.Add(t.text);
            ++k;
        } else if (t.IsSymbol(L("||"))) {
            throw TranslationError(QStringLiteral("|| in connect by is not supported%1").arg(At(t)));
        } else {
            out.Add(t.IsSymbol(L("^=")) ? QStringLiteral("<>") : t.text);
            ++k;
        }
    }
    return out.Text();
}

QString ConnectByRewriter::KeyPath(const QString& columns) {
    QStringList keys;
    for (const Range& operand : m_priorOperands)
        keys.append(QStringLiteral("coalesce(cast((%1) as text), '')")
                        .arg(Condition(operand.begin, operand.end, columns, nullptr, QStringLiteral("0"))));
    return keys.join(kKeyJoin);
}

QString ConnectByRewriter::Rewrite() {
    FindClauses();
    ReadFrom();

    const QString cte = QStringLiteral("hier_%1").arg(m_rewriter.NextHierarchyNumber());
    const QString row = QStringLiteral("hier_row");
    // In connect by, level is the level of the row being joined: its parent's plus one.
    const QString on =
        Condition(m_connectBy.begin, m_connectBy.end, row, &cte, cte + QStringLiteral(".hier_level + 1"));
    if (m_priorOperands.empty())
        throw TranslationError(QStringLiteral("connect by without prior is not supported"));
    const QString anchorKey = KeyPath(m_qualifier);
    const QString rowKey = KeyPath(row);
    const QString position =
        m_rewriter.Dialect() == SqlDialect::PostgreSQL ? QStringLiteral("strpos") : QStringLiteral("instr");
    const QString startWith = m_startWith.Present()
                                  ? QStringLiteral(" WHERE ") +
                                        m_rewriter.TranslateRange(m_startWith.begin, m_startWith.end, nullptr)
                                  : QString();
    const QString table = m_tableAlias.isEmpty() ? m_table : m_table + u' ' + m_tableAlias;

    // PostgreSQL fails the statement itself at the row that closes a loop (a text that is no
    // number, made of the row's values so that it is only evaluated for that row), which saves the
    // check statement's round trip; SQLite casts any text to a number, so it keeps the check.
    const bool failsInPlace = m_rewriter.Dialect() == SqlDialect::PostgreSQL && !m_noCycle;
    const QString loopValue =
        failsInPlace ? QStringLiteral("cast('%1 ' || %2 as integer)").arg(QLatin1String(LoopInDataMessage), rowKey)
                     : QStringLiteral("1");
    const QString definition =
        QStringLiteral(
            "%1 AS (SELECT %2.*, 1 AS hier_level, %3 || %4 || %3 AS hier_path, 0 AS hier_loop FROM %5%6 "
            "UNION ALL SELECT %7.*, %1.hier_level + 1, %1.hier_path || %8 || %3, CASE WHEN %9(%1.hier_path, "
            "%3 || %8 || %3) > 0 THEN %12 ELSE 0 END FROM %10 %7 JOIN %1 ON (%11) WHERE %1.hier_loop = 0)")
            .arg(cte, m_qualifier, kSeparator, anchorKey, table, startWith, row, rowKey, position)
            .arg(m_table, on, loopValue);

    const QString level = QStringLiteral("hier_level");
    qsizetype listBegin = m_selectList.begin;
    QString list;
    if (m_tokens.IsWordAt(listBegin, m_selectList.end, L("unique"))) {
        list = QStringLiteral("distinct ");
        ++listBegin;
    }
    list += m_rewriter.TranslateRange(listBegin, m_selectList.end, &level);
    QString where =
        m_where.Present() ? m_rewriter.TranslateRange(m_where.begin, m_where.end, &level) : QString();
    if (m_noCycle)
        where = where.isEmpty() ? QStringLiteral("hier_loop = 0")
                                : QStringLiteral("(%1) AND hier_loop = 0").arg(where);

    QString text =
        QStringLiteral("WITH RECURSIVE %1 SELECT %2 FROM %3 %4").arg(definition, list, cte, m_qualifier);
    if (!where.isEmpty())
        text += QStringLiteral(" WHERE ") + where;
    if (m_tail.Present())
        text += u' ' + m_rewriter.TranslateRange(m_tail.begin, m_tail.end, &level);
    if (!m_noCycle && !failsInPlace)
        m_rewriter.AddLoopCheck(
            QStringLiteral("WITH RECURSIVE %1 SELECT 1 FROM %2 WHERE hier_loop = 1 LIMIT 1")
                .arg(definition, cte));
    return text;
}

} // namespace dataaccess
