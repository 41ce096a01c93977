// The rows of a reading as text, for the `tessel sql` command and the tests: numbers as plain
// decimals, dates and times in ISO form (2024-03-01, 13:45:00, 2024-03-01 13:45:00.250; a time of
// day alone is a date of 1899-12-30, the platform's day 0), NULL as "NULL", text as it is.
#pragma once

#include "platform/dataaccess/DataAccess.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class RecordsetText {
public:
    static QString ValueText(const VARIANT& value);
    // Every row from the current position to the end, every column; throws ComError on a failure.
    static QList<QStringList> ReadRows(_Recordset* reading);
    // The same rows one at a time, none kept: `row` answers false to stop early.
    static void ForEachRow(_Recordset* reading, const std::function<bool(const QStringList& row)>& row);
    // The same with which values are NULL (their text is "NULL", as a text 'NULL' reads).
    static void ForEachRow(_Recordset* reading,
                           const std::function<bool(const QStringList& row, const std::vector<bool>& nulls)>& row);
    // One row as one line, without its line break: columns separated by tabs, and a tab, line break,
    // carriage return or backslash inside a value written \t, \n, \r, \\.
    static QString Line(const QStringList& row);
};
