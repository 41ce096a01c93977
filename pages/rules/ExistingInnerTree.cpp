#include "pages/rules/ExistingInnerTree.h"

#include "commit/JournalHistory.h"
#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/JournalStatements.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

int ExistingInnerTree::CountInnerNodes(const QString& cellName) {
    return Count(FormatStatement(Statements::CountInnerNodes, {SqlText::Quote(cellName)}));
}

int ExistingInnerTree::CountInnerNodesBelow(uint32_t cellId) {
    return Count(FormatStatement(Statements::CountInnerNodesBelow, {cellId}));
}

int ExistingInnerTree::Count(const QString& statement) {
    if (!g_pDatabase)
        return 0;
    const RowSource rows = g_pDatabase->RunQuery(statement);
    if (!rows)
        return 0; // the failed statement has been reported; reading the empty result would report again
    CADORecordset reading(rows);
    int count = 0;
    try {
        reading.ReadColumn(0, count, 0);
        reading.CloseQuery();
    } catch (const ComError& error) {
        reading.ReportError(error, 0);
        return 0;
    }
    return count;
}

QString ExistingInnerTree::MadeBy(const QString& cellName) {
    if (!g_pDatabase)
        return {};
    // Quiet: a database without the journal simply has nothing to tell.
    const RowSource rows = g_pDatabase->RunQuery(
        FormatStatement(JournalStatements::LatestRunOfCell, {SqlText::Quote(cellName)}), 1);
    if (!rows)
        return {};
    CADORecordset reading(rows);
    try {
        if (reading.AtEnd())
            return {};
        QString at, dbUser, osUser, host;
        reading.ReadColumn(1, at, nullptr);
        reading.ReadColumn(2, dbUser, nullptr);
        reading.ReadColumn(3, osUser, nullptr);
        reading.ReadColumn(4, host, nullptr);
        reading.CloseQuery();
        return QStringLiteral("%1，%2 (UTC)").arg(JournalHistory::Who(dbUser, osUser, host), at);
    } catch (const ComError&) {
        return {};
    }
}
