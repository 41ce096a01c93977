// The main of a benchmark program that needs Qt: Google Benchmark inside an application, a
// QApplication (offscreen unless a platform is set) for widgets or a QCoreApplication for the
// database drivers alone. `release` runs after the benchmarks, while the application still exists:
// fixtures kept between benchmarks that hold widgets or connections go there.
//
//   int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv, QtApplication::Widgets); }
#pragma once

#include <QApplication>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

enum class QtApplication { Core, Widgets };

inline int RunQtBenchmarks(int argc, char** argv, QtApplication kind, void (*release)() = nullptr) {
    std::unique_ptr<QCoreApplication> app;
    if (kind == QtApplication::Widgets) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (release)
        release();
    return 0;
}
