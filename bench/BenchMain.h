#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>
#include <functional>

// Runs the registered benchmarks inside a QApplication on the offscreen platform (unless another
// is set); atExit runs while the application still exists, to free what the benchmarks kept.
inline int RunBenchmarksInApplication(int argc, char** argv, const std::function<void()>& atExit = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (atExit)
        atExit();
    return 0;
}
