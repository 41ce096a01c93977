#include "pages/rules/SqliteRunSync.h"

#include "pages/rules/CompoundSearchCache.h"

#include "database/CADODatabase.h"
#include "database/CADORecordset.h"
#include "database/SqlStatement.h"
#include "database/Statements.h"
#include "platform/automation/ComError.h"

namespace {

// The one value of a pragma; empty when it could not be read (quietly: the run goes on as before).
QString Value(const char16_t* pragma) {
    const RowSource rows = g_pDatabase->RunQuery(QString::fromUtf16(pragma), 1);
    if (!rows)
        return {};
    CADORecordset reading(rows);
    QString value;
    try {
        if (!reading.AtEnd())
            reading.ReadColumn(0, value, u"");
    } catch (const ComError&) {
        return {};
    }
    return value.toLower();
}

} // namespace

SqliteRunSync::SqliteRunSync() {
    if (!CompoundSearchCache::Suits() || Value(Statements::SqliteJournalMode) != u"wal")
        return;
    const QString before = Value(Statements::SqliteSynchronous);
    if (before.isEmpty() || before.toInt() < 2) // already NORMAL or OFF: the run keeps it
        return;
    if (g_pDatabase->RunStatement(FormatStatement(Statements::SqliteSetSynchronous, {1u}), 1))
        m_before = before;
}

SqliteRunSync::~SqliteRunSync() {
    if (!Engaged() || !g_pDatabase)
        return;
    g_pDatabase->RunQuery(QString::fromUtf16(Statements::SqliteCheckpoint), 1);
    g_pDatabase->RunStatement(FormatStatement(Statements::SqliteSetSynchronous, {m_before.toUInt()}), 1);
}
