// The one way statements are built. A text value reaches a statement only as an SqlText, made by
// the quoting helper: single quotes doubled and, for like patterns, the wildcard and escape
// characters escaped. FormatStatement fills a statement's placeholders in order: %s takes an
// SqlText, %u an unsigned 32-bit id, %d a signed grade; %% is a percent sign.
#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <variant>

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

using SqlArg = std::variant<SqlText, uint32_t, int>;

// Throws std::logic_error when the arguments do not fit the placeholders (a programming error).
QString FormatStatement(const char16_t* format, std::initializer_list<SqlArg> args);
