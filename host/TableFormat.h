// Rows of named columns in the form a command's --format asks for, for every command that prints
// rows (decompose, split, suggest, sql, history):
//   tsv   the default: values separated by tabs; a tab, line break, carriage return or backslash
//         inside a value is written \t, \n, \r and a doubled backslash
//   csv   RFC 4180: a value holding a comma, quote or line break is quoted, quotes doubled; a header
//   json  one array, one object a line: {"column":"text","count":12,"missing":null}
//
//   TableFormat table(TableFormat::FromLine(line), {"cell", "dp_loaded"}, {false, true});
//   out.Write(table.Begin(true)) ... out.Write(table.Row({cell, QString::number(n)})) ... table.End()
// Begin and End give the lines around the rows (the header; json's brackets), possibly none.
#pragma once

#include "host/Command.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CommandLine;

class TableFormat {
public:
    enum class Kind { Tsv, Csv, Json };

    // A value of a row: text, or NULL (json null; tsv and csv write the null text).
    struct Value {
        QString text;
        bool null = false;
        Value(QString t) : text(std::move(t)) {} // NOLINT: rows are written as lists of texts
        Value(const char16_t* t) : text(QString::fromUtf16(t)) {} // NOLINT
        static Value Null() {
            Value v{QString()};
            v.null = true;
            return v;
        }
    };

    // The --format option as commands declare it.
    static CommandOption Option();
    // The kind the command line asks for (tsv without --format). Throws UsageError.
    static Kind FromLine(const CommandLine& line);

    // `numeric` marks the columns whose values json writes as numbers (when they read as one).
    TableFormat(Kind kind, QStringList columns, std::vector<bool> numeric = {});

    Kind Format() const { return m_kind; }
    // What tsv and csv write for NULL (default: NULL for tsv, nothing for csv).
    void SetNullText(const QString& text) { m_nullText = text; }

    // The lines before the first row: the column names (tsv when `header`, csv always), json's "[".
    QStringList Begin(bool header) const;
    // One row as one line, without its line break.
    QString Row(const std::vector<Value>& values);
    // The lines after the last row: json's "]".
    QStringList End() const;

    static QString TsvField(const QString& text);
    static QString CsvField(const QString& text);
    static QString JsonString(const QString& text);

private:
    Kind m_kind;
    QStringList m_columns;
    std::vector<bool> m_numeric;
    std::optional<QString> m_nullText;
    bool m_firstRow = true;
};
