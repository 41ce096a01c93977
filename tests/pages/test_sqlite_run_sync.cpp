// A run over many compounds on SQLite: each written compound is one transaction of its own, and on a
// database in WAL mode the run's commits are synced at checkpoints and at the run's end rather than
// one by one (synchronous NORMAL during the run, the connection's FULL again after it); a rollback
// journal, a single compound and a dry run keep FULL.
#include "database/SqliteFileMode.h"
#include "pages/rules/CompoundDecomposition.h"
#include "pages/rules/CompoundReference.h"
#include "platform/dataaccess/Connection.h"
#include "tests/support/GeneratedCompounds.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

using Scope = CompoundDecomposition::Scope;
using Status = CompoundDecomposition::Status;

using GeneratedCompounds::Row;

TEST(SqliteRunSync, OneTransactionPerCompoundAndSyncAtCheckpointsOnlyInWalRuns) {
    const struct {
        bool wal;
        Scope scope;
        bool dryRun;
        int syncDuringRun; // 1 NORMAL, 2 FULL
    } cases[] = {
        {true, Scope::ManyCompounds, false, 1},
        {true, Scope::ManyCompounds, true, 2},
        {true, Scope::OneCompound, false, 2},
        {false, Scope::ManyCompounds, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "wal " << c.wal << ", many " << (c.scope == Scope::ManyCompounds)
                                          << ", dry run " << c.dryRun);
        TestDatabase db(Backend::SQLite);
        db.Generate(3000);
        if (c.wal)
            SqliteFileMode::UseWriteAheadLog(db.Native());
        ASSERT_EQ(SqliteFileMode::JournalMode(db.Native()), c.wal ? u"wal"_s : u"delete"_s);
        const std::vector<CompoundReference> cells = GeneratedCompounds::ById(db, 6);
        ASSERT_EQ(cells.size(), 6u);
        AttachedDatabase attached(db);
        const dataaccess::Connection* connection = dataaccess::Connection::From(db.Connection());
        ASSERT_NE(connection, nullptr);
        {
            CompoundDecomposition::Options options;
            options.dpRows = {Row({u"栋", u"元", u"室"}), Row({u"[n]", u"-", u"[n]", u"-", u"[n]"})};
            options.addrRows = {Row({u"栋", u"元", u"室"})};
            options.dryRun = c.dryRun;
            options.continueExisting = true; // some generated compounds have an inner tree already
            const CompoundDecomposition decomposition(options, c.scope);
            int done = 0;
            for (const CompoundReference& cell : cells) {
                const long long before = connection->TransactionsBegun();
                const CompoundDecomposition::Outcome outcome = decomposition.Run(cell);
                ASSERT_EQ(outcome.status, c.dryRun ? Status::DryRun : Status::Written)
                    << CompoundDecomposition::StatusText(outcome).toStdString();
                EXPECT_EQ(connection->TransactionsBegun() - before, 1);
                EXPECT_EQ(db.Rows(u"pragma synchronous"_s), (QList<QStringList>{{QString::number(c.syncDuringRun)}}));
                ++done;
            }
            EXPECT_EQ(done, 6);
        }
        // The run's end: the connection's own setting again.
        EXPECT_EQ(db.Rows(u"pragma synchronous"_s), (QList<QStringList>{{u"2"_s}}));
        const QString runs = c.dryRun ? u"0"_s : u"6"_s;
        EXPECT_EQ(db.Rows(u"select count(*) from journal_run"_s), (QList<QStringList>{{runs}}));
    }
}

} // namespace
