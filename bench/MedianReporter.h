#pragma once

#include <benchmark/benchmark.h>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace aru::bench {

// Prints Google Benchmark's usual table and keeps each benchmark's median time, so that a
// program can compare the figures with its targets once every run is done.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }

    // In the benchmark's own time unit; none when it was filtered out or failed.
    std::optional<double> median(const std::string& name) const {
        const auto found = m_medians.find(name);
        if (found == m_medians.end())
            return std::nullopt;
        return found->second;
    }

private:
    std::map<std::string, double> m_medians;
};

// The whole program: registers the benchmarks, runs those the command line selects, then prints
// the summary. The summary informs; it never fails the run.
inline int runWithSummary(int argc, char** argv, const std::function<void()>& registerAll,
                          const std::function<void(const MedianReporter&)>& printSummary) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace aru::bench
