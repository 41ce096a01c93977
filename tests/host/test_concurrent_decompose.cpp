// Eight `tessel decompose` runs at once over compounds whose names contain each other (明月公寓,
// 明月公寓二期, ...), on SQLite and PostgreSQL: whatever one run wrote that another had read is left
// alone by the other, no telephone number ends linked twice, and the database ends as the same
// compounds decomposed one after another in some order.
#include "tests/support/NestedCompounds.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TesselProgram.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kPatterns = {u"--dp-pattern"_s, u"栋/元"_s, u"--addr-pattern"_s, u"栋/元"_s};

class ConcurrentDecompose : public BackendTest {};

TEST_P(ConcurrentDecompose, EightRunsEndAsOneAfterAnother) {
    // Every family's state after the compounds ran one after another in each order, in one run.
    QTemporaryDir folder;
    std::vector<std::vector<QStringList>> serial;
    for (int order = 0; order < NestedCompounds::SerialOrders; ++order) {
        TestDatabase database(GetParam());
        database.Load(NestedCompounds::Fixture());
        const QString list = folder.filePath(u"order%1.txt"_s.arg(order));
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(NestedCompounds::SerialOrder(order).join(u'\n').toUtf8());
        file.close();
        const TesselRun run = RunTessel(QStringList{u"decompose"_s, database.Url(), u"--cells"_s, list} + kPatterns);
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_FALSE(run.out.contains(u"skipped:"_s)) << run.out.toStdString();
        std::vector<QStringList> families;
        for (const NestedCompounds::Family& family : NestedCompounds::Families())
            families.push_back(NestedCompounds::FamilyState(database, family));
        serial.push_back(std::move(families));
    }

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        BackendTest::TearDown();
        BackendTest::SetUp();
        Database().Load(NestedCompounds::Fixture());
        if (GetParam() == Backend::PostgreSQL) {
            ASSERT_TRUE(NestedCompounds::SlowNodeInserts(Database()));
        }
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const NestedCompounds::Family& family : NestedCompounds::Families())
            for (const QString& cell : family.cells) {
                auto process = std::make_unique<QProcess>();
                process->start(QStringLiteral(TESSEL_BIN_DIR "/tessel"),
                               QStringList{u"decompose"_s, Database().Url(), u"--cell"_s, cell} + kPatterns);
                ASSERT_TRUE(process->waitForStarted(10000));
                runs.push_back(std::move(process));
            }
        for (auto& process : runs) {
            ASSERT_TRUE(process->waitForFinished(120000));
            const QString out = QString::fromUtf8(process->readAllStandardOutput());
            const QString err = QString::fromUtf8(process->readAllStandardError());
            EXPECT_EQ(process->exitCode(), 0) << out.toStdString() << err.toStdString();
            // Only the run's own summary, no server warning.
            for (const QString& line : err.split(u'\n', Qt::SkipEmptyParts))
                EXPECT_TRUE(line.startsWith(u"tessel decompose: "_s)) << err.toStdString();
            const QString status = out.trimmed().section(u'\n', -1).section(u'\t', 10, 10);
            EXPECT_TRUE(status.startsWith(u"written"_s)) << out.toStdString();
        }

        EXPECT_EQ(NestedCompounds::DoublyLinkedNumbers(Database()), QList<QStringList>{});
        for (size_t f = 0; f < NestedCompounds::Families().size(); ++f) {
            const QStringList state = NestedCompounds::FamilyState(Database(), NestedCompounds::Families()[f]);
            EXPECT_TRUE(std::any_of(serial.begin(), serial.end(),
                                    [&](const std::vector<QStringList>& s) { return s[f] == state; }))
                << "family " << f << " ends as no serial order does:\n"
                << state.join(u'\n').toStdString();
        }
    }
}

INSTANTIATE_BACKENDS(ConcurrentDecompose);

} // namespace
