#include "pages/rules/ExistingInnerTree.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

int ExistingInnerTree::CountInnerNodes(const QString& cellName) {
    if (!g_pDatabase)
        return 0;
    const RowSource rows =
        g_pDatabase->RunQuery(FormatStatement(Statements::CountInnerNodes, {SqlText::Quote(cellName)}));
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
