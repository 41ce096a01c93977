// Translates the Oracle dialect of the system's statements for SQLite and PostgreSQL. It knows
// forms, not texts:
// - the one-row table dual;
// - NAME.nextval: PostgreSQL nextval('NAME'); SQLite a one-row table NAME(last_value), drawn by
//   its own statement "update NAME set last_value = last_value + 1 returning last_value"; a
//   statement may name a sequence's nextval once (Oracle gives all its references one value);
// - start with ... connect by [nocycle] ... with prior on either side, the level pseudo-column and
//   order by level, in a select that is a whole statement or a whole parenthesized query (a derived
//   table, an in (...) list): a recursive common table expression that carries the level, and a
//   path of the prior values so that a loop in the data is reported ("CONNECT BY loop in user
//   data") instead of recursing forever;
// - NAME.nextval drawn N times in one statement: see SequenceRange;
// - select ... for update, which locks the rows read until the transaction ends; SQLite drops the
//   clause and lock table ... in ... mode becomes a statement that does nothing, since its
//   transactions take the whole database's write lock when they begin (BEGIN IMMEDIATE);
// - insert all into T (columns) values (...) ... select * from dual, Oracle's multi-row insert, when
//   every into clause names the same table and columns: insert into T (columns) values (...), (...);
// - delete TABLE where ... (no from);
// - the empty string '', which Oracle treats as NULL, and || which ignores NULL operands;
// - like, which is case-sensitive in Oracle (SQLite's connection sets case_sensitive_like) and has
//   no escape character unless an escape clause names one;
// - order by, where Oracle sorts NULL as the greatest value (SQLite: NULLS LAST/FIRST added);
// - nvl, decode, minus, ^=.
// Anything else Oracle-specific that it recognises (rownum, rowid, (+) outer joins, currval,
// sysdate, connect_by_root and the like, connect by in a shape it cannot rewrite) fails with a
// TranslationError naming what was not understood, as do an unmatched ")" and parentheses nested
// deeper than 200. Oracle itself gets statements untouched.
#pragma once

#include "platform/dataaccess/SqlDialect.h"
#include "platform/dataaccess/TranslatedStatement.h"

namespace dataaccess {

class OracleTranslator {
public:
    explicit OracleTranslator(SqlDialect dialect) : m_dialect(dialect) {}

    SqlDialect Dialect() const { return m_dialect; }

    // Throws TranslationError. drawnValues: for SQLite, the values drawn for the `sequences` of a
    // first translation of the same statement, in order; without them the sequences are listed and
    // the text is not yet runnable.
    TranslatedStatement Translate(const QString& statement, const QStringList& drawnValues = {}) const;

private:
    SqlDialect m_dialect;
};

} // namespace dataaccess
