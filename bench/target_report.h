#pragma once

// Speed and size targets: each target divides a figure of Pellmark by a baseline figure
// measured in the same run, so that the result does not depend on how fast the machine is,
// and compares the ratio with the most it may be. After the usual benchmark table the
// targets are printed with both figures, the ratio and whether it is met.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// One figure of a benchmark run: its real time per iteration, or one of its counters.
struct TBenchFigure {
    enum TUnit { kSeconds, kBytes, kCount };
    std::string Run;      // the benchmark's name and arguments, e.g. "Load/control/100000"
    std::string Counter;  // empty for the real time per iteration
    TUnit Unit = kSeconds;

    static TBenchFigure Time(std::string run) { return {std::move(run), {}, kSeconds}; }
    static TBenchFigure Count(std::string run, std::string counter, TUnit unit) {
        return {std::move(run), std::move(counter), unit};
    }
};

struct TBenchTarget {
    std::string Name;
    TBenchFigure Measured;
    TBenchFigure Baseline;  // none (an empty Run) for a target on the figure itself
    double MaxRatio = 0;    // 0 for a comparison that is only shown
    double MaxValue = 0;    // without a baseline: the most the figure may be
    bool Aim = false;       // an aim rather than a target: "short" when missed, not failing
};

// Prints like the console reporter and then the targets. A figure of a benchmark that ran
// with repetitions is its median.
class TTargetReporter : public benchmark::ConsoleReporter {
public:
    explicit TTargetReporter(std::vector<TBenchTarget> targets);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

    // False when a target that ran was missed.
    bool AllMet() const { return allMet_; }
    // True when a benchmark reported an error.
    bool Failed() const { return failed_; }

private:
    struct TValues {
        std::vector<double> Repetitions;
        bool HasMedian = false;
        double Median = 0;
    };
    // The value of a figure, false when its benchmark did not run or lacks the counter.
    bool Value(const TBenchFigure& figure, double& value) const;

    std::vector<TBenchTarget> targets_;
    std::map<std::string, TValues> values_;  // by run name, then "/" and counter name
    bool allMet_ = true;
    bool failed_ = false;
};

// Google Benchmark's command line and run with the targets' report. When the environment
// variable PELLMARK_BENCH_TARGETS names a file, the target lines are appended to it too.
// Returns 0, or 1 when a target was missed or a benchmark reported an error.
int RunBenchmarksWithTargets(int& argc, char** argv, std::vector<TBenchTarget> targets);
