#include "database/SqliteFileMode.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Ask(QSqlDatabase& database, const QString& pragma) {
    QSqlQuery query(database);
    if (!query.exec(pragma) || !query.next())
        throw std::runtime_error((pragma + u": "_s + query.lastError().text()).toStdString());
    return query.value(0).toString().toLower();
}

} // namespace

void SqliteFileMode::UseWriteAheadLog(QSqlDatabase& database) {
    const QString mode = Ask(database, u"pragma journal_mode=wal"_s);
    if (mode != u"wal")
        throw std::runtime_error(
            ("the database stays in journal mode " + mode + " (another connection may have it open)").toStdString());
}

QString SqliteFileMode::JournalMode(QSqlDatabase& database) {
    return Ask(database, u"pragma journal_mode"_s);
}
