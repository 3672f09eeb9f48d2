#pragma once

// main() for benchmarks that need widgets: a QApplication on the offscreen platform (unless
// QT_QPA_PLATFORM says otherwise), then Google Benchmark's own command line.

#include <benchmark/benchmark.h>
#include <QApplication>

#define PELLMARK_QT_BENCHMARK_MAIN()                              \
    int main(int argc, char** argv) {                             \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {     \
            qputenv("QT_QPA_PLATFORM", "offscreen");              \
        }                                                         \
        QApplication app(argc, argv);                             \
        benchmark::Initialize(&argc, argv);                       \
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) { \
            return 1;                                             \
        }                                                         \
        benchmark::RunSpecifiedBenchmarks();                      \
        benchmark::Shutdown();                                    \
        return 0;                                                 \
    }
