// Benchmarks report their figures as ratios to a baseline measured in the same run, because the
// machines are shared and noisy. This console reporter keeps every benchmark's time by its function
// name (the median when the benchmark ran several times) and prints the ratios at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace zarn::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string& name = run.run_name.function_name;
            if (median) medians_.insert(name);
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name))) {
                cpu_[name] = run.GetAdjustedCPUTime();
                real_[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints "what: a / b" by CPU time, or by wall time for benchmarks that wait for the disk.
    void Ratio(const char* what, const char* a, const char* b, const char* note = "",
               bool wall = false) const {
        const std::map<std::string, double>& t = wall ? real_ : cpu_;
        const auto x = t.find(a), y = t.find(b);
        if (x == t.end() || y == t.end() || y->second <= 0) return;
        std::printf("%s: %.2f%s\n", what, x->second / y->second, note);
    }

private:
    std::map<std::string, double> cpu_, real_;
    std::set<std::string> medians_;
};

// The main of a benchmark program: runs what the command line selects, then prints the ratios.
inline int RunWithRatios(int argc, char** argv, const std::function<void(const RatioReporter&)>& ratios) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ratios(reporter);
    benchmark::Shutdown();
    return 0;
}

// The same, for benchmarks that read prepared inputs: "--inputs=DIR" is taken off the command line
// into `inputsFolder` before the benchmark library sees it.
inline int RunWithRatios(int argc, char** argv, std::string& inputsFolder,
                         const std::function<void(const RatioReporter&)>& ratios) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--inputs=", 0) == 0)
            inputsFolder = argv[i] + 9;
        else
            args.push_back(argv[i]);
    }
    return RunWithRatios(static_cast<int>(args.size()), args.data(), ratios);
}

} // namespace zarn::bench
