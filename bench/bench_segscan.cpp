// The segment scan against its floor: reading the same file and splitting every line into fields.
#include "eventline.h"
#include "segscan.h"
#include "textfile.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

// "12/mm/26 hh:mm:ss" for a number of seconds after 12/01/26 08:00:00.
std::string Clock(int seconds) {
    const int t = 8 * 3600 + seconds;
    char text[32];
    std::snprintf(text, sizeof text, "12/%02d/26 %02d:%02d:%02d", 1 + t / 86400, t / 3600 % 24, t / 60 % 60,
                  t % 60);
    return text;
}

// An event file at the limits: one segment of 32767 clips over 1999 frequencies, and a few small
// segments around it.
std::string MakeEventFile() {
    std::string text = "Ver, Created by Zarn_Aud Export Utility\r\n";
    int clip = 0, second = 0;
    auto segment = [&](int clips) {
        text += "STARTBYTRIGGER," + Clock(second) + ",ABCD" + std::to_string(clip + 1) + ".WAV\r\n";
        char line[160];
        for (int i = 0; i < clips; ++i, ++clip, second += 2) {
            const int track = clip % 1999;
            std::snprintf(line, sizeof line, "WAV,ABCD%04d.WAV,%d,%09.4f,%s,%s,%d,1\r\n", clip + 1, track + 1,
                          30.0 + track * 0.025, Clock(second).c_str(), Clock(second + 4).c_str(),
                          -60 - clip % 50);
            text += line;
        }
        text += "STOPBYTRIGGER," + Clock(second) + ",ABCD" + std::to_string(clip) + ".WAV\r\n";
    };
    for (int s = 0; s < 4; ++s)
        segment(500);
    segment(32767);
    for (int s = 0; s < 4; ++s)
        segment(500);
    return text;
}

class EventFile {
public:
    EventFile() {
        path_ =
            (std::filesystem::temp_directory_path() / ("bench_segscan_" + std::to_string(getpid()) + ".eva"))
                .string();
        const std::string text = MakeEventFile();
        std::ofstream(path_, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        size_ = text.size();
    }
    ~EventFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }
    std::size_t size() const { return size_; }

private:
    std::string path_;
    std::size_t size_ = 0;
};

const EventFile& File() {
    static const EventFile file;
    return file;
}

void BM_ReadAndSplit(benchmark::State& state) {
    std::string bytes;
    for (auto _ : state) {
        if (!zarn::ReadFileBytes(File().path(), bytes)) state.SkipWithError("cannot read the event file");
        std::size_t touched = 0;
        zarn::LineCursor cursor(bytes);
        std::string_view line;
        while (cursor.Next(line)) {
            const zarn::LineFields f = zarn::SplitFields(line);
            for (int i = 0; i < f.count; ++i)
                touched += f[i].size();
        }
        benchmark::DoNotOptimize(touched);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * File().size()));
}
BENCHMARK(BM_ReadAndSplit)->Unit(benchmark::kMillisecond);

void BM_ReadAndScanSegments(benchmark::State& state) {
    std::string bytes;
    int last = 0;
    for (auto _ : state) {
        if (!zarn::ReadFileBytes(File().path(), bytes)) state.SkipWithError("cannot read the event file");
        const zarn::SegmentTable table = zarn::ScanSegments(bytes, [&](int percent) { last = percent; });
        benchmark::DoNotOptimize(table.segCount);
        if (table.segCount != 9 || table.clipCount[5] != 32767)
            state.SkipWithError("unexpected segment table");
    }
    benchmark::DoNotOptimize(last);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * File().size()));
}
BENCHMARK(BM_ReadAndScanSegments)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::RunWithRatios(argc, argv, [](const zarn::bench::RatioReporter& r) {
        r.Ratio("ScanSegments / read-and-split (CPU time)", "BM_ReadAndScanSegments", "BM_ReadAndSplit",
                zarn::bench::Target::AtMost(2.0));
    });
}
