// Rewrites one hierarchical select (start with ... connect by ...) as a recursive common table
// expression:
//   WITH RECURSIVE hier_N AS (
//     SELECT T.*, 1 AS hier_level, <path of the prior values> AS hier_path, 0 AS hier_loop
//       FROM TABLE T WHERE <start with>
//     UNION ALL
//     SELECT hier_row.*, hier_N.hier_level + 1, <path extended>, <1 when the row's prior values are
//            already on its path>
//       FROM TABLE hier_row JOIN hier_N ON <connect by: prior columns from hier_N, others from hier_row>
//      WHERE hier_N.hier_loop = 0)
//   SELECT <list> FROM hier_N T WHERE <where> <group by, having, order by>   (level -> hier_level)
// A row whose prior values repeat an ancestor's closes a loop: it is not followed further, and the
// query fails as Oracle's does ("CONNECT BY loop in user data"): on PostgreSQL the row's loop value
// is a failing cast, elsewhere a check statement looks for such a row first. With nocycle those rows
// are left out instead.
#pragma once

#include "platform/dataaccess/SqlTokenRange.h"

#include <utility>
#include <vector>

namespace dataaccess {

// What a query over a loop fails with, as Oracle says it.
inline constexpr char LoopInDataMessage[] = "CONNECT BY loop in user data";

class OracleRewriter;

class ConnectByRewriter {
public:
    // Tokens [begin, end) hold one select with a connect by or start with clause at depth 0.
    ConnectByRewriter(OracleRewriter& rewriter, qsizetype begin, qsizetype end);

    static bool IsHierarchical(const SqlTokenRange& tokens, qsizetype begin, qsizetype end);
    static bool HasSetOperator(const SqlTokenRange& tokens, qsizetype begin, qsizetype end);

    // Throws TranslationError for a shape it cannot rewrite.
    QString Rewrite();

private:
    struct Range {
        qsizetype begin = -1;
        qsizetype end = -1;
        bool Present() const { return begin >= 0; }
    };

    void FindClauses();
    void ReadFrom();
    // The connect by condition, or a prior operand, with its column names qualified.
    QString Condition(qsizetype begin, qsizetype end, const QString& columns, const QString* priorColumns,
                      const QString& level);
    QString KeyPath(const QString& columns);

    OracleRewriter& m_rewriter;
    const SqlTokenRange& m_tokens;
    qsizetype m_begin;
    qsizetype m_end;

    Range m_selectList, m_from, m_where, m_startWith, m_connectBy, m_tail;
    bool m_noCycle = false;
    QString m_table;      // the table as written, schema included
    QString m_tableAlias; // the alias as written, or empty
    QString m_qualifier;  // the alias, or the table's own name: what columns are qualified with
    std::vector<Range> m_priorOperands;
};

} // namespace dataaccess
