// The signal list file at its limit (32767 records): loading, saving and the placement rule, each
// next to a floor measured in the same run.
#include "signal_list.h"
#include "textfile.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Records as a station writes them: ascending frequencies, every mode and class, comments of
// different lengths.
std::vector<std::string> MakeRecords() {
    static const char* const modes[] = {"AM    ", "FM    ", "CW    ", "AM PLS",
                                        "USB   ", "LSB   ", "ISB   ", "IFT   "};
    std::vector<std::string> records;
    char text[160];
    for (int i = 0; i < zarn::kMaxSignalEntries; ++i) {
        std::snprintf(text, sizeof text, "%011.5f,[   %06.3f    %02d    %s]{%d}(%d)/%c\\%.*s",
                      20 + i * 0.0125, 0.01 + (i % 7) * 0.005, i % 60, modes[i % 8], i % 3, i % 10,
                      i % 5 == 0 ? 'x' : ' ', i % 23, "Net 4 relay, callsign heard twice");
        records.emplace_back(text);
    }
    return records;
}

std::string Joined(const std::vector<std::string>& records) {
    std::string text;
    for (const auto& r : records)
        text += r + "\r\n";
    return text;
}

class Files {
public:
    Files() {
        folder_ =
            (std::filesystem::temp_directory_path() / ("bench_siglist_" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(folder_);
        std::vector<std::string> records = MakeRecords();
        text_ = Joined(records);
        Write(Path("SORTED.SIG"), text_);
        std::shuffle(records.begin(), records.end(), std::mt19937(7));
        Write(Path("SHUFFLED.SIG"), Joined(records));
    }
    ~Files() { std::filesystem::remove_all(folder_); }
    std::string Path(const char* name) const { return folder_ + "/" + name; }
    const std::string& text() const { return text_; }

    static bool Write(const std::string& path, std::string_view bytes) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ok = ::close(fd) == 0 && ok;
        return ok;
    }

private:
    std::string folder_;
    std::string text_;
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

const zarn::SignalList& FullList() {
    static const zarn::SignalList list = [] {
        zarn::SignalList l;
        zarn::MergeSignalRecords(TheFiles().text(), l);
        return l;
    }();
    return list;
}

// Each floor reads the file into a buffer of its own every time, as a load does.
void BM_ReadAndWalkLines(benchmark::State& state) {
    const std::string path = TheFiles().Path("SORTED.SIG");
    for (auto _ : state) {
        std::string bytes;
        if (!zarn::ReadFileBytes(path, bytes)) state.SkipWithError("cannot read the list file");
        std::size_t touched = 0;
        zarn::LineCursor cursor(bytes);
        for (std::string_view line; cursor.Next(line);)
            touched += line.size();
        benchmark::DoNotOptimize(touched);
    }
}
BENCHMARK(BM_ReadAndWalkLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A second floor: the same, keeping each line as a string of its own, as the list must.
void BM_ReadWalkAndKeepLines(benchmark::State& state) {
    const std::string path = TheFiles().Path("SORTED.SIG");
    for (auto _ : state) {
        std::string bytes;
        if (!zarn::ReadFileBytes(path, bytes)) state.SkipWithError("cannot read the list file");
        std::vector<std::string> lines;
        lines.reserve(zarn::kMaxSignalEntries);
        zarn::LineCursor cursor(bytes);
        for (std::string_view line; cursor.Next(line);)
            lines.emplace_back(line);
        benchmark::DoNotOptimize(lines.data());
        state.PauseTiming();
        lines = {};
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadWalkAndKeepLines)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void Load(benchmark::State& state, const char* name) {
    const std::string path = TheFiles().Path(name);
    for (auto _ : state) {
        zarn::SignalList list;
        const zarn::SignalLoadResult r = zarn::LoadSignalFile(path, list);
        if (!r.file || list.Count() != zarn::kMaxSignalEntries) state.SkipWithError("unexpected load");
        benchmark::DoNotOptimize(list.Count());
        state.PauseTiming(); // freeing 32767 lines is not the load's cost
        list.Clear();
        state.ResumeTiming();
    }
}
void BM_LoadSignalFile(benchmark::State& state) {
    Load(state, "SORTED.SIG");
}
BENCHMARK(BM_LoadSignalFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
void BM_LoadShuffledSignalFile(benchmark::State& state) {
    Load(state, "SHUFFLED.SIG");
}
BENCHMARK(BM_LoadShuffledSignalFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Saving waits for the disk, so these three are compared by wall time.
void BM_PlainWrite(benchmark::State& state) {
    const std::string path = TheFiles().Path("PLAIN.SIG");
    for (auto _ : state)
        if (!Files::Write(path, TheFiles().text())) state.SkipWithError("cannot write");
}
BENCHMARK(BM_PlainWrite)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void BM_ReplaceFileAtomically(benchmark::State& state) {
    const std::string path = TheFiles().Path("ATOMIC.SIG");
    for (auto _ : state)
        if (!zarn::ReplaceFileAtomically(path, TheFiles().text())) state.SkipWithError("cannot write");
}
BENCHMARK(BM_ReplaceFileAtomically)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void BM_SaveSignalFile(benchmark::State& state) {
    const std::string path = TheFiles().Path("SAVED.SIG");
    const zarn::SignalList& list = FullList();
    for (auto _ : state)
        if (!zarn::SaveSignalFile(path, list)) state.SkipWithError("cannot save");
}
BENCHMARK(BM_SaveSignalFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void BM_SignalFileText(benchmark::State& state) {
    const zarn::SignalList& list = FullList();
    for (auto _ : state)
        benchmark::DoNotOptimize(zarn::SignalFileText(list));
}
BENCHMARK(BM_SignalFileText)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FindSignalSlotNearTheEnd(benchmark::State& state) {
    const zarn::SignalList& list = FullList();
    const double mhz = list.Frequency(list.Count() - 2) + 0.001;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.FindSignalSlot(mhz));
}
BENCHMARK(BM_FindSignalSlotNearTheEnd)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Prints each figure as a ratio to its floor.
} // namespace

int main(int argc, char** argv) {
    return zarn::bench::RunWithRatios(argc, argv, [](const zarn::bench::RatioReporter& r) {
        // Reading the file and splitting it into lines yields the lines as strings, as the list
        // holds them; the bare walk over the buffer is shown as well.
        r.Ratio("LoadSignalFile / read and split into lines (CPU)", "BM_LoadSignalFile",
                "BM_ReadWalkAndKeepLines", zarn::bench::Target::AtMost(2.5));
        r.Ratio("LoadSignalFile / read and walk the lines without keeping them (CPU)", "BM_LoadSignalFile",
                "BM_ReadAndWalkLines");
        r.Ratio("Load of a shuffled file / read and split into lines (CPU)", "BM_LoadShuffledSignalFile",
                "BM_ReadWalkAndKeepLines");
        // A save replaces the file crash-safely (temporary file, fsync, rename), so the same bytes
        // written that way are its floor; a plain write without fsync is shown as well.
        r.Ratio("SaveSignalFile / the same bytes written crash-safely (wall)", "BM_SaveSignalFile",
                "BM_ReplaceFileAtomically", zarn::bench::Target::AtMost(2), true);
        r.Ratio("SaveSignalFile / the same bytes by plain open-write-close (wall)", "BM_SaveSignalFile",
                "BM_PlainWrite", {}, true);
    });
}
