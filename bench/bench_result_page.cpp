// Entering a result page (page 4 or 6), offscreen: the source entries split again, the tree built
// and handed to the tree view, and the view painted, for 10,000 and 100,000 entries (see
// ResultTreeEntries.h): the first entry into the page, and an entry again (going Back and Next),
// which also takes the tree of the entry before out of the view.
//
// Goal: within 150 ms at 100,000 entries, also with canonical names on every level (second argument 1).
#include "bench/QtBenchmarkMain.h"
#include "pages/DlgShowDPResult.h"
#include "bench/ResultTreeEntries.h"
#include "wizard/WizardData.h"

#include <QApplication>
#include <QPixmap>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// The result page in a window that serves it as the wizard host does.
class ResultPageHost : public QWidget {
public:
    explicit ResultPageHost(std::size_t entries, bool named = false) : m_entries(bench::MakeEntries(entries)) {
        resize(740, 520);
        m_patterns = bench::MakePatterns();
        if (named)
            m_names = bench::MakeNames();
        m_page.Create(this);
        m_page.setGeometry(0, 5, width(), height() - 60);
        m_page.m_pWizardData = &m_data;
        m_page.SetSource(&m_entries, &m_patterns, &m_names);
        m_data.m_strCellName = u"阳光花园"_s;
        show();
    }
    void Enter() {
        m_page.hide();
        m_page.OnEnterPage();
        m_page.GetTreeCtrl()->viewport()->repaint();
    }
    DlgShowDPResult& Page() { return m_page; }

private:
    std::vector<AddressEntry> m_entries;
    SplitPatternSet m_patterns;
    std::vector<LevelNames> m_names;
    WizardData m_data;
    DlgShowDPResult m_page;
};

void BM_EnterResultPage(benchmark::State& state) {
    ResultPageHost host(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    host.Enter(); // the first entry has no tree to clear
    for (auto _ : state)
        host.Enter();
    state.counters["nodes"] = static_cast<double>(host.Page().Tree().nodes.size());
    state.counters["left_out"] = static_cast<double>(host.Page().Tree().unmatchedEntries);
}
BENCHMARK(BM_EnterResultPage)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FirstEntryResultPage(benchmark::State& state) {
    std::size_t nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<ResultPageHost>(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
        state.ResumeTiming();
        host->Enter();
        state.PauseTiming();
        nodes = host->Page().Tree().nodes.size();
        host.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_FirstEntryResultPage)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison, the way the page filled its tree before: the tree built the same way, then the
// widget cleared and filled with items that hold their own text, icon and item data.
void BM_EnterReferenceItemsWithOwnData(benchmark::State& state) {
    const std::vector<AddressEntry> entries = bench::MakeEntries(static_cast<std::size_t>(state.range(0)));
    const SplitPatternSet patterns = bench::MakePatterns();
    QWidget window;
    window.resize(740, 520);
    QTreeWidget tree(&window);
    tree.setGeometry(10, 10, 700, 450);
    tree.setHeaderHidden(true);
    window.show();
    const QIcon icon(QPixmap(16, 16));
    const auto enter = [&] {
        const ResultTree built = BuildResultTree(u"阳光花园", entries, patterns);
        tree.setUpdatesEnabled(false);
        tree.clear();
        std::vector<QTreeWidgetItem*> items(built.nodes.size());
        for (std::size_t i = 0; i < built.nodes.size(); ++i) {
            auto* item = new QTreeWidgetItem();
            item->setText(0, QString::fromStdU16String(built.nodes[i].label));
            item->setIcon(0, icon);
            item->setData(0, Qt::UserRole, built.nodes[i].itemData);
            items[i] = item;
        }
        QList<QTreeWidgetItem*> children;
        for (std::size_t i = 0; i < built.nodes.size(); ++i) {
            children.clear();
            for (int child : built.nodes[i].children)
                children.append(items[static_cast<std::size_t>(child)]);
            if (!children.isEmpty())
                items[i]->addChildren(children);
        }
        tree.addTopLevelItem(items[0]);
        items[0]->setExpanded(true);
        tree.setUpdatesEnabled(true);
        tree.viewport()->repaint();
    };
    enter();
    for (auto _ : state)
        enter();
}
BENCHMARK(BM_EnterReferenceItemsWithOwnData)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, QtApplication::Widgets);
}
