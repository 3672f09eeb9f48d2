#include "bench/target_report.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The name a target refers to: the benchmark and its arguments, without the run options
// (iterations, repetitions, manual time) that Google Benchmark appends.
std::string KeyOf(const benchmark::BenchmarkReporter::Run& run) {
    std::string key = run.run_name.function_name;
    if (!run.run_name.args.empty()) {
        key += '/' + run.run_name.args;
    }
    return key;
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Format(double value, TBenchFigure::TUnit unit) {
    char text[32];
    if (unit == TBenchFigure::kCount) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else if (unit == TBenchFigure::kBytes) {
        std::snprintf(text, sizeof text, "%.1f MB", value / (1024.0 * 1024.0));
    } else if (value >= 1.0) {
        std::snprintf(text, sizeof text, "%.2f s", value);
    } else if (value >= 1e-3) {
        std::snprintf(text, sizeof text, "%.2f ms", value * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.1f us", value * 1e6);
    }
    return text;
}

}  // namespace

TTargetReporter::TTargetReporter(std::vector<TBenchTarget> targets)
    : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Color : OO_None), targets_(std::move(targets)) {}

void TTargetReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            failed_ = true;
            continue;
        }
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) {
            continue;
        }
        auto record = [&](const std::string& key, double value) {
            TValues& values = values_[key];
            if (median) {
                values.HasMedian = true;
                values.Median = value;
            } else {
                values.Repetitions.push_back(value);
            }
        };
        const std::string key = KeyOf(run);
        record(key, run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit));
        for (const auto& [name, counter] : run.counters) {
            record(key + '/' + name, counter.value);
        }
    }
}

bool TTargetReporter::Value(const TBenchFigure& figure, double& value) const {
    const std::string key = figure.Counter.empty() ? figure.Run : figure.Run + '/' + figure.Counter;
    const auto it = values_.find(key);
    if (it == values_.end()) {
        return false;
    }
    if (it->second.HasMedian) {
        value = it->second.Median;
        return true;
    }
    if (it->second.Repetitions.empty()) {
        return false;
    }
    value = MedianOf(it->second.Repetitions);
    return true;
}

void TTargetReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::ostringstream lines;
    for (const TBenchTarget& target : targets_) {
        double measured = 0;
        double baseline = 0;
        char line[256];
        if (target.Baseline.Run.empty()) {
            if (!Value(target.Measured, measured)) {
                std::snprintf(line, sizeof line, "%-7s %-44s (at most %s)\n", "not run",
                              target.Name.c_str(),
                              Format(target.MaxValue, target.Measured.Unit).c_str());
            } else {
                const bool met = measured <= target.MaxValue;
                allMet_ = allMet_ && met;
                std::snprintf(line, sizeof line, "%-7s %-44s %10s (at most %s)\n",
                              met ? "met" : "MISSED", target.Name.c_str(),
                              Format(measured, target.Measured.Unit).c_str(),
                              Format(target.MaxValue, target.Measured.Unit).c_str());
            }
            lines << line;
            continue;
        }
        const bool ran =
            Value(target.Measured, measured) && Value(target.Baseline, baseline) && baseline > 0;
        if (!ran && target.MaxRatio <= 0) {
            continue;  // a comparison for the reader, not a target
        }
        if (!ran) {
            std::snprintf(line, sizeof line, "%-7s %-44s (at most %gx)\n", "not run",
                          target.Name.c_str(), target.MaxRatio);
        } else if (target.MaxRatio <= 0) {
            std::snprintf(line, sizeof line, "%-7s %-44s %10s vs %10s  %5.2fx\n", "",
                          target.Name.c_str(), Format(measured, target.Measured.Unit).c_str(),
                          Format(baseline, target.Baseline.Unit).c_str(), measured / baseline);
        } else {
            const double ratio = measured / baseline;
            const bool met = ratio <= target.MaxRatio;
            allMet_ = allMet_ && (met || target.Aim);
            std::snprintf(line, sizeof line, "%-7s %-44s %10s vs %10s  %5.2fx (at most %gx)\n",
                          met          ? "met"
                          : target.Aim ? "short"
                                       : "MISSED",
                          target.Name.c_str(), Format(measured, target.Measured.Unit).c_str(),
                          Format(baseline, target.Baseline.Unit).c_str(), ratio, target.MaxRatio);
        }
        lines << line;
    }
    std::ostream& out = GetOutputStream();
    out << "\nTargets (Pellmark vs its baseline, measured in this run):\n" << lines.str();
    out.flush();
    if (const char* file = std::getenv("PELLMARK_BENCH_TARGETS"); file && *file) {
        std::ofstream(file, std::ios::app) << lines.str();
    }
}

int RunBenchmarksWithTargets(int& argc, char** argv, std::vector<TBenchTarget> targets) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    TTargetReporter reporter(std::move(targets));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.AllMet() && !reporter.Failed() ? 0 : 1;
}
