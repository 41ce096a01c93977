// A run of writes sent as one statement: an Oracle anonymous block of plain statements,
//   begin insert ...; update ...; delete ...; end;
// each inner statement a text the connection would take on its own (Oracle's dialect, no rows
// returned). Oracle runs the block as it is; PostgreSQL gets one DO statement of the translated
// statements; SQLite, which has no round trips to save, runs them one by one (see Connection).
// Anything else after begin (a declare section, an exception handler, a select, a nested block)
// is refused rather than sent half understood.
#pragma once

#include "platform/dataaccess/TranslatedStatement.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace dataaccess {

class StatementBlock {
public:
    // Whether the text is meant as a block: its first word, past spaces and comments, is begin.
    static bool Begins(QStringView text);
    // The inner statements as written, without their ';'. Throws TranslationError when the text is
    // not begin, one or more insert/update/delete statements each ended by ';', end;.
    static QStringList Statements(const QString& block);
    // One PostgreSQL statement that runs the translated statements in order and fails as a whole
    // with the first failure: a DO block, quoted with a dollar tag its text does not hold. (No
    // PostgreSQL statement has loop checks: a loop fails the statement itself.)
    static QString PostgreSqlDo(const std::vector<TranslatedStatement>& statements);
};

} // namespace dataaccess
