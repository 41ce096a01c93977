// The timed loop of the page-entry benchmarks: `page` is entered for a cell that has no addresses
// (untimed, so that the next entry loads afresh), then for `cellName` and painted (timed).
#pragma once

#include "tests/support/SplitPagesHost.h"

#include <QString>

#include <benchmark/benchmark.h>

inline void EnterPageRepeatedly(benchmark::State& state, SplitPagesHost& host, DlgGetAddrSeparator& page,
                                const QString& cellName) {
    for (auto _ : state) {
        state.PauseTiming();
        host.Enter(page, QStringLiteral("无此小区"));
        state.ResumeTiming();
        host.Enter(page, cellName);
        page.AddressList().viewport()->repaint();
    }
    state.counters["entries"] = static_cast<double>(page.Entries().size());
}
