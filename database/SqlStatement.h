// The one way statements are built. A text value reaches a statement only as an SqlText, made by
// the quoting helper: single quotes doubled and, for like patterns, the wildcard and escape
// characters escaped. FormatStatement fills a statement's placeholders in order: %s takes an
// SqlText, %u an unsigned 32-bit id, %d a signed grade, %l an SqlList (items made by FormatList);
// %% is a percent sign.
#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <variant>
#include <vector>

class SqlText {
public:
    // A value for between single quotes: every ' becomes ''.
    static SqlText Quote(const QString& raw);
    // A value for a like pattern with escape '\': quotes doubled, and \ % _ each preceded by \, so
    // the value matches literally.
    static SqlText LikeLiteral(const QString& raw);

    const QString& Quoted() const { return m_quoted; }

private:
    explicit SqlText(QString quoted) : m_quoted(std::move(quoted)) {}
    QString m_quoted;
};

// The escape character of every like pattern the system builds.
inline constexpr char16_t SqlLikeEscape = u'\\';

class SqlList;
using SqlArg = std::variant<SqlText, uint32_t, int, SqlList>;

// Throws std::logic_error when the arguments do not fit the placeholders (a programming error).
QString FormatStatement(const char16_t* format, std::initializer_list<SqlArg> args);

// Several items of one format joined by a separator, for the batch forms of a statement (the rows
// of a multi-row insert, the ids of an in list). Made only by FormatList, from formatted items.
class SqlList {
public:
    const QString& Text() const { return m_text; }
    bool Empty() const { return m_text.isEmpty(); }

private:
    friend SqlList FormatList(const char16_t*, const std::vector<std::vector<SqlArg>>&, const char16_t*);
    explicit SqlList(QString text) : m_text(std::move(text)) {}
    QString m_text;
};

// Each item filled as FormatStatement fills a statement, joined by `separator`. Throws
// std::logic_error as FormatStatement does, and for an empty list (no statement takes one).
SqlList FormatList(const char16_t* itemFormat, const std::vector<std::vector<SqlArg>>& items,
                   const char16_t* separator);
// The ids of an in (...) list, "%u" each, joined by commas. Throws as FormatList for no ids.
SqlList FormatIdList(const std::vector<uint32_t>& ids);

// Statements made by FormatStatement, in order, as the fewest texts to send each within
// `blockChars` characters: a run of two or more as one anonymous block ("begin s1; s2; end;"),
// which the connection sends in one round trip, a statement that fits with no other as it is.
QStringList FormatStatementBlocks(const QStringList& statements, std::size_t blockChars);
