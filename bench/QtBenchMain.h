#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

// The main of a benchmark that needs widgets: one application object, on the offscreen
// platform unless another one is asked for, so that no display is needed.
#define QUILLON_QT_BENCHMARK_MAIN()                                       \
    int main(int argc, char** argv) {                                     \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))                \
            qputenv("QT_QPA_PLATFORM", "offscreen");                      \
        QApplication application(argc, argv);                             \
        benchmark::Initialize(&argc, argv);                               \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1; \
        benchmark::RunSpecifiedBenchmarks();                              \
        benchmark::Shutdown();                                            \
        return 0;                                                         \
    }
