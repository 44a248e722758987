// Benchmarks report their figures as ratios to a baseline measured in the same run, because the
// machines are shared and noisy; a few figures are absolute (a time, a memory peak). This console
// reporter keeps every benchmark's times and counters by its function name (the median when the
// benchmark ran several times) and prints the figures at the end, each with its target.
//
// With "--figures=FILE" on the command line the figures are also appended to FILE, one a line:
//   figure <TAB> measured <TAB> target <TAB> result
// where result is "within", "over", "-" (a figure without a target) or "error: why" (the figure
// could not be measured). scripts/run-bench.sh gathers these lines into one table.
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

// What a figure must stay under: below (<) or at most (<=) a value. No target: shown for comparison.
struct Target {
    enum class Kind { None, Below, AtMost };
    Kind kind = Kind::None;
    double value = 0;

    static Target Below(double v) { return {Kind::Below, v}; }
    static Target AtMost(double v) { return {Kind::AtMost, v}; }
    bool Set() const { return kind != Kind::None; }
    bool Met(double x) const {
        return kind == Kind::Below ? x < value : kind == Kind::AtMost ? x <= value : true;
    }
    std::string Text(const std::string& unit) const {
        if (!Set()) return "-";
        char text[64];
        std::snprintf(text, sizeof text, "%s %g%s%s", kind == Kind::Below ? "<" : "<=", value,
                      unit.empty() ? "" : " ", unit.c_str());
        return text;
    }
};

// How a benchmark's figure is taken: its CPU time or wall time per iteration, or one of its counters.
enum class Measure { Cpu, Wall };

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void SetFiguresFile(const std::string& path) { figuresFile_ = path; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.error_occurred) {
                errors_.emplace(name, run.error_message);
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median) medians_.insert(name);
            if (median || (run.run_type == Run::RT_Iteration && !medians_.count(name))) {
                // Kept in seconds, whatever unit the benchmark prints in.
                const double perSecond = benchmark::GetTimeUnitMultiplier(run.time_unit);
                cpu_[name] = run.GetAdjustedCPUTime() / perSecond;
                real_[name] = run.GetAdjustedRealTime() / perSecond;
                for (const auto& [counter, value] : run.counters)
                    counters_[name][counter] = value.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // "what: a / b" by CPU time, or by wall time for benchmarks that wait for the disk or another process.
    void Ratio(const char* what, const char* a, const char* b, Target target = {}, bool wall = false) const {
        const std::map<std::string, double>& t = wall ? real_ : cpu_;
        std::string why;
        const double x = Find(t, a, why), y = Find(t, b, why);
        if (!why.empty()) return Missing(what, target, "", why);
        if (y <= 0) return Missing(what, target, "", std::string(b) + " took no time");
        Figure(what, x / y, "", target);
    }

    // A benchmark's own time per iteration, printed in `unit` ("ms" or "us").
    void Time(const char* what, const char* name, Measure measure, const char* unit,
              Target target = {}) const {
        std::string why;
        const double seconds = Find(measure == Measure::Wall ? real_ : cpu_, name, why);
        if (!why.empty()) return Missing(what, target, unit, why);
        const double scale = std::string(unit) == "us" ? 1e6 : std::string(unit) == "s" ? 1 : 1e3;
        Figure(what, seconds * scale, unit, target);
    }

    // One of a benchmark's counters.
    void Counter(const char* what, const char* name, const char* counter, const char* unit,
                 Target target = {}) const {
        std::string why;
        Find(cpu_, name, why);
        const auto c = counters_.find(name);
        if (why.empty() && (c == counters_.end() || !c->second.count(counter)))
            why = std::string(name) + " has no counter " + counter;
        if (!why.empty()) return Missing(what, target, unit, why);
        Figure(what, c->second.at(counter), unit, target);
    }

    // A figure that was not measured on purpose (a tool it compares with is missing): not a failure.
    void NotRun(const char* what, Target target, const char* unit, const std::string& why) const {
        std::printf("%s: not run (%s)\n", what, why.c_str());
        Append(what, "not run", target.Text(unit), "not run: " + why);
    }

    // True when every figure with a target was measured and is within it.
    bool AllWithin() const { return allWithin_; }

private:
    double Find(const std::map<std::string, double>& t, const char* name, std::string& why) const {
        if (const auto e = errors_.find(name); e != errors_.end()) {
            if (why.empty()) why = std::string(name) + ": " + e->second;
            return 0;
        }
        const auto x = t.find(name);
        if (x == t.end()) {
            if (why.empty()) why = std::string(name) + " did not run";
            return 0;
        }
        return x->second;
    }

    void Figure(const char* what, double value, const std::string& unit, Target target) const {
        char measured[64];
        std::snprintf(measured, sizeof measured, "%.2f%s%s", value, unit.empty() ? "" : " ", unit.c_str());
        const bool met = target.Met(value);
        if (!met) allWithin_ = false;
        if (target.Set())
            std::printf("%s: %s (target %s%s)\n", what, measured, target.Text(unit).c_str(),
                        met ? "" : ", OVER");
        else
            std::printf("%s: %s\n", what, measured);
        Append(what, measured, target.Text(unit), !target.Set() ? "-" : met ? "within" : "over");
    }

    void Missing(const char* what, Target target, const std::string& unit, const std::string& why) const {
        allWithin_ = false;
        std::printf("%s: not measured (%s)\n", what, why.c_str());
        Append(what, "-", target.Text(unit), "error: " + why);
    }

    void Append(const char* what, const std::string& measured, const std::string& target,
                const std::string& result) const {
        if (figuresFile_.empty()) return;
        std::FILE* f = std::fopen(figuresFile_.c_str(), "a");
        if (!f) {
            std::fprintf(stderr, "cannot write %s\n", figuresFile_.c_str());
            return;
        }
        std::string line = std::string(what) + '\t' + measured + '\t' + target + '\t' + result;
        for (char& c : line)
            if (c == '\n') c = ' ';
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }

    std::map<std::string, double> cpu_, real_;
    std::map<std::string, std::map<std::string, double>> counters_;
    std::map<std::string, std::string> errors_;
    std::set<std::string> medians_;
    std::string figuresFile_;
    mutable bool allWithin_ = true;
};

// The main of a benchmark program: runs what the command line selects, then prints the figures.
// "--figures=FILE" is taken off the command line before the benchmark library sees it. The exit
// status is 0 even when a figure is over its target: the run itself went through.
inline int RunWithRatios(int argc, char** argv, const std::function<void(const RatioReporter&)>& ratios) {
    std::vector<char*> args;
    std::string figures;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]).rfind("--figures=", 0) == 0)
            figures = argv[i] + 10;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    RatioReporter reporter;
    reporter.SetFiguresFile(figures);
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
