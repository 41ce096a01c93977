// The split page's speed, offscreen: from a keystroke in a level edit to the address list split
// again and painted, for cells of 10,000 and 100,000 addresses with seven patterns; loading a
// pattern row into the five edits (one re-split); and entering the page (the query, the cut, the
// sort, the first split) on such cells and on a generated database.
//
// Goals: a keystroke under 16 ms (one frame) for 10,000 addresses and under 100 ms for 100,000, also
// while the list shows only the addresses no pattern takes.
#include "bench/QtBenchmarkMain.h"
#include "pages/AddrListBox.h"
#include "database/AddressDatabaseGenerator.h"
#include "database/AddressTextForms.h"
#include "pages/DlgGetAddrSeparator.h"
#include "pages/DlgGetAddrSeparator2.h"
#include "pages/MyListCtrl.h"
#include "bench/PageEntryLoop.h"
#include "tests/support/SplitPagesHost.h"
#include "tests/support/TestSupport.h"
#include "wizard/WizardData.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <vector>
#include <memory>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString BigCellName = u"万家灯火苑"_s;

// The patterns an operator sets up for a mixed cell, in list order (display form).
const std::vector<std::array<QString, 5>> OperatorPatterns = {
    {u"栋"_s, u"元"_s, u"室"_s},
    {u"楼"_s, u"元"_s, u"室"_s},
    {u"楼"_s, u"元"_s, u"[n]"_s},
    {u"座"_s, u"层"_s, u"[n]"_s},
    {u"[n]"_s, u"[n]"_s, u"[n]"_s},
    {u"幢"_s, u"元"_s, u"[n]"_s},
    {u"栋"_s, u"元"_s, u"室"_s, u"号"_s},
};

// Sets up the operator's seven patterns through page 3's own controls.
void TypePatterns(DlgGetAddrSeparator& page) {
    auto* newPattern = page.Control<QPushButton>(5022);
    for (std::size_t p = 0; p < OperatorPatterns.size(); ++p) {
        if (p > 0)
            newPattern->click();
        for (int k = 0; k < 5; ++k)
            page.LevelEdit(k + 1).setText(OperatorPatterns[p][k]);
        // Every row with names, as the operator gives them: the cut never reads them.
        if (QLineEdit* names = page.NamesEdit())
            names->setText(u"栋/单元/室/室/室"_s);
    }
}

// A database with one cell of `count` DP addresses in the forms operators write, and the host.
struct BigCell {
    explicit BigCell(int cellSize) : size(cellSize), attached(database) {
        std::mt19937_64 random(cellSize);
        QSqlDatabase& native = database.Native();
        native.transaction();
        QSqlQuery insert(native);
        insert.prepare(u"insert into dpaddr97 (num,addr) values (?,?)"_s);
        for (int i = 0; i < cellSize; ++i) {
            HouseholdPlace place;
            place.building = 1 + int(random() % 60);
            place.unit = 1 + int(random() % 6);
            place.floor = 1 + int(random() % 30);
            place.room = place.floor * 100 + 1 + int(random() % 4);
            const auto form = static_cast<InnerForm>(random() % (int(InnerForm::NoPattern) + 1));
            insert.addBindValue(u"D%1"_s.arg(i, 7, 10, QChar(u'0')));
            insert.addBindValue(u"某市某区"_s + BigCellName + AddressTextForms::Inner(form, place, random()));
            insert.exec();
        }
        native.commit();
        QSqlQuery(native).exec(u"analyze"_s);
        host = std::make_unique<SplitPagesHost>();
    }
    int size; // addresses
    TestDatabase database;
    AttachedDatabase attached;
    std::unique_ptr<SplitPagesHost> host;
};

// The fixtures, kept from one benchmark to the next and released in reverse order before the
// application goes.
std::vector<std::unique_ptr<BigCell>> g_cells;
struct GeneratedDatabase;
std::vector<std::unique_ptr<GeneratedDatabase>> g_generated;

// The kept fixture of that size, made on first use; its database becomes the process's database
// object.
template <typename Fixture, typename Size> Fixture& KeptFixture(std::vector<std::unique_ptr<Fixture>>& kept, Size size) {
    for (auto& fixture : kept)
        if (fixture->size == size) {
            g_pDatabase = &fixture->attached.Database();
            return *fixture;
        }
    kept.push_back(std::make_unique<Fixture>(size));
    return *kept.back();
}

BigCell& CellOf(int count) {
    return KeptFixture(g_cells, count);
}

// The cell's host with page 3 entered afresh (page 5 entered for another cell first) and the
// operator's seven patterns typed.
SplitPagesHost& EnteredWithPatterns(int count) {
    SplitPagesHost& host = *CellOf(count).host;
    host.Enter(host.Addr(), u"无此小区"_s);
    host.Enter(host.Dp(), BigCellName);
    TypePatterns(host.Dp());
    return host;
}

// The timed loop of the keystroke benchmarks: the level-3 edit of the seventh pattern changes
// between 室 and 室号, and the address list repaints the rows it shows.
void TypeRepeatedly(benchmark::State& state, DlgGetAddrSeparator& page) {
    QLineEdit& edit = page.LevelEdit(3);
    AddrListBox& list = page.AddressList();
    bool toggle = false;
    for (auto _ : state) {
        edit.setText(toggle ? u"室"_s : u"室号"_s);
        list.viewport()->repaint();
        toggle = !toggle;
    }
}

// A keystroke in the level-3 edit of the seventh pattern: every address is split again against
// seven patterns and the list repaints the rows it shows.
void BM_Keystroke(benchmark::State& state) {
    SplitPagesHost& host = EnteredWithPatterns(int(state.range(0)));
    DlgGetAddrSeparator& page = host.Dp();
    TypeRepeatedly(state, page);
    int matched = 0;
    for (const AddressEntry& entry : page.Entries())
        matched += SplitAddress(page.PatternSet(), entry.text).patternIndex >= 0;
    state.counters["entries"] = double(page.Entries().size());
    state.counters["matched"] = double(matched);
}
BENCHMARK(BM_Keystroke)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same keystroke while the address list shows only the addresses no pattern takes: the counts
// and the list of those addresses follow it.
void BM_KeystrokeUnmatchedOnly(benchmark::State& state) {
    SplitPagesHost& host = EnteredWithPatterns(int(state.range(0)));
    DlgGetAddrSeparator& page = host.Dp();
    auto* unmatchedOnly = page.Control<QCheckBox>(DlgGetAddrSeparator::UnmatchedOnlyCheckId);
    unmatchedOnly->setChecked(true);
    TypeRepeatedly(state, page);
    state.counters["entries"] = double(page.Entries().size());
    state.counters["unmatched_shown"] = double(page.AddressList().Count());
    unmatchedOnly->setChecked(false);
}
BENCHMARK(BM_KeystrokeUnmatchedOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on another pattern row: its five texts go into the edits, with one re-split.
void BM_LoadRow(benchmark::State& state) {
    SplitPagesHost& host = EnteredWithPatterns(int(state.range(0)));
    MyListCtrl& patterns = host.Dp().PatternList();
    int row = 0;
    for (auto _ : state) {
        patterns.SelectRow(row);
        host.Dp().AddressList().viewport()->repaint();
        row = (row + 1) % int(OperatorPatterns.size());
    }
}
BENCHMARK(BM_LoadRow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Entering page 3 for the cell: the statement, the cut, the candidates, the sort, the first split.
void BM_EnterPage(benchmark::State& state) {
    SplitPagesHost& host = *CellOf(int(state.range(0))).host;
    EnterPageRepeatedly(state, host, host.Dp(), BigCellName);
}
BENCHMARK(BM_EnterPage)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Entering pages 3 and 5 for the demo cell of a generated database of `range(0)` addr rows.
struct GeneratedDatabase {
    explicit GeneratedDatabase(uint32_t rows) : size(rows), attached(database) {
        database.Generate(size);
        host = std::make_unique<SplitPagesHost>();
    }
    uint32_t size;
    TestDatabase database;
    AttachedDatabase attached;
    std::unique_ptr<SplitPagesHost> host;
};

GeneratedDatabase& GeneratedOf(uint32_t size) {
    return KeptFixture(g_generated, size);
}

void EnterGenerated(benchmark::State& state, bool unlinkedPage) {
    GeneratedDatabase& generated = GeneratedOf(uint32_t(state.range(0)));
    SplitPagesHost& host = *generated.host;
    DlgGetAddrSeparator& page = unlinkedPage ? static_cast<DlgGetAddrSeparator&>(host.Addr()) : host.Dp();
    EnterPageRepeatedly(state, host, page, QString::fromUtf16(AddressDatabaseGenerator::DemoCellName));
}
void BM_EnterDpPageGenerated(benchmark::State& state) { EnterGenerated(state, false); }
void BM_EnterUnlinkedPageGenerated(benchmark::State& state) { EnterGenerated(state, true); }
BENCHMARK(BM_EnterDpPageGenerated)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EnterUnlinkedPageGenerated)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Widgets, [] {
        while (!g_generated.empty())
            g_generated.pop_back();
        while (!g_cells.empty())
            g_cells.pop_back();
    });
}
