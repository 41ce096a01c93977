// The rows of a reading as text, for the `tessel sql` command and the tests: numbers as plain
// decimals, NULL as "NULL", text as it is.
#pragma once

#include "dataaccess/DataAccess.h"

#include <QList>
#include <QString>
#include <QStringList>

class RecordsetText {
public:
    static QString ValueText(const VARIANT& value);
    // Every row from the current position to the end, every column; throws ComError on a failure.
    static QList<QStringList> ReadRows(_Recordset* reading);
};
