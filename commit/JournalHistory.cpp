#include "commit/JournalHistory.h"

#include "commit/CommitStatements.h"
#include "database/JournalStatements.h"
#include "database/SqlStatement.h"

QStringList JournalHistory::Header() {
    return {QStringLiteral("run"),       QStringLiteral("at"),        QStringLiteral("by"),
            QStringLiteral("cell"),      QStringLiteral("cell_id"),   QStringLiteral("nodes_new"),
            QStringLiteral("links_new"), QStringLiteral("moved"),     QStringLiteral("replaced"),
            QStringLiteral("state")};
}

QString JournalHistory::Who(const QString& dbUser, const QString& osUser, const QString& host) {
    QString who = osUser;
    if (!host.isEmpty())
        who += u'@' + host;
    if (dbUser.isEmpty())
        return who;
    return who.isEmpty() ? dbUser : QStringLiteral("%1 (%2)").arg(dbUser, who);
}

std::optional<std::vector<QStringList>> JournalHistory::Read(const std::optional<QString>& cellName,
                                                             QString& error) {
    CommitStatements db(CommitReporting::Quiet);
    const QString statement = cellName ? FormatStatement(JournalStatements::HistoryOfCell, {SqlText::Quote(*cellName)})
                                       : FormatStatement(JournalStatements::History, {});
    const auto rows = db.Rows(statement, 12);
    if (!rows) {
        error = db.Failure();
        return std::nullopt;
    }
    std::vector<QStringList> out;
    out.reserve(rows->size());
    for (const QStringList& r : *rows)
        out.push_back({r[0], r[1], Who(r[2], r[3], r[4]), r[5], r[6], r[7], r[8], r[9], r[10],
                       r[11].toInt() > 0 ? QStringLiteral("undone") : QStringLiteral("kept")});
    return out;
}
