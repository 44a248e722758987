// The waveform of the hour-long 8-bit clip (the demo station's HOUR.WAV, 39.7 MB) next to its
// floor: reading the same file sequentially with plain read() calls in large blocks. And the
// waveform of an hour of 16-bit 48 kHz mono audio (345.6 MB, written for the run into a temporary
// folder and removed afterwards) next to `sox FILE -n stat` on the same file, by wall time.
//
// The 8-bit input comes from `demo_station --large DIR`; pass --inputs=DIR, or the generator beside
// this program (../tools/demo_station) writes it into a temporary folder for the run.
#include "waveform.h"

#include "hour_clip.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Inputs = zarn::bench::HourClip;

const Inputs& TheInputs() {
    static const Inputs inputs("bench_waveform");
    return inputs;
}

// The whole file through one buffer of the given size; returns the bytes read.
std::size_t PlainRead(const std::string& path, std::vector<unsigned char>& block) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, block.data(), block.size())) > 0;)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    return total;
}

void Floor(benchmark::State& state, std::size_t blockSize) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    for (auto _ : state) {
        std::vector<unsigned char> block(blockSize);
        benchmark::DoNotOptimize(PlainRead(in.hour(), block));
        benchmark::DoNotOptimize(block.data());
    }
}
// The reader's own block size.
void BM_PlainRead256K(benchmark::State& state) {
    Floor(state, 256 * 1024);
}
BENCHMARK(BM_PlainRead256K)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
void BM_PlainRead1M(benchmark::State& state) {
    Floor(state, 1024 * 1024);
}
BENCHMARK(BM_PlainRead1M)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_ReadWaveform(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    for (auto _ : state) {
        const zarn::Waveform w = zarn::ReadWaveform(in.hour());
        if (w.state != zarn::WavFileState::Playable || w.columns.size() != 36955)
            state.SkipWithError("unexpected waveform");
        benchmark::DoNotOptimize(w.columns.data());
    }
}
BENCHMARK(BM_ReadWaveform)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// The reduction alone over samples already in memory: what the reader adds to the read.
void BM_ReduceInMemory(benchmark::State& state) {
    const Inputs& in = TheInputs();
    std::vector<unsigned char> bytes(64u << 20);
    bytes.resize(PlainRead(in.hour(), bytes));
    if (bytes.size() < zarn::kWavSamplesOffset) state.SkipWithError("the benchmark input is missing");
    const zarn::WaveLayout l = zarn::LayOutWaveform(static_cast<std::uint32_t>(bytes.size() - 44));
    for (auto _ : state) {
        zarn::ColumnReducer reducer(l.bytesPerColumn, l.drawnColumns);
        reducer.Feed(bytes.data() + 44, bytes.size() - 44);
        benchmark::DoNotOptimize(reducer.columns().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReduceInMemory)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// --- An hour of 16-bit 48 kHz mono audio.

constexpr std::uint32_t kRate16 = 48000;
constexpr std::uint32_t kFrames16 = 3600u * kRate16;

void PutLe(unsigned char* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Written on first use: a swept tone whose loudness changes by the second, with noise, so that
// every column differs.
class Hour16 {
public:
    Hour16() {
        namespace fs = std::filesystem;
        folder_ = (fs::temp_directory_path() / ("bench_waveform16_" + std::to_string(getpid()))).string();
        fs::create_directories(folder_);
        path_ = folder_ + "/HOUR16.WAV";
        ok_ = Write();
    }
    ~Hour16() { std::filesystem::remove_all(folder_); }
    Hour16(const Hour16&) = delete;
    Hour16& operator=(const Hour16&) = delete;
    const std::string& path() const { return path_; }
    bool ok() const { return ok_; }

private:
    bool Write() const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (!f) return false;
        unsigned char h[44] = {};
        const std::uint32_t bytes = kFrames16 * 2;
        std::memcpy(h, "RIFF", 4);
        PutLe(h + 4, 36 + bytes, 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLe(h + 16, 16, 4);
        PutLe(h + 20, 1, 2);
        PutLe(h + 22, 1, 2);
        PutLe(h + 24, kRate16, 4);
        PutLe(h + 28, kRate16 * 2, 4);
        PutLe(h + 32, 2, 2);
        PutLe(h + 34, 16, 2);
        std::memcpy(h + 36, "data", 4);
        PutLe(h + 40, bytes, 4);
        bool good = std::fwrite(h, 1, sizeof h, f) == sizeof h;
        std::vector<std::int16_t> block(kRate16);
        std::uint32_t noise = 1;
        for (std::uint32_t second = 0; good && second < 3600; ++second) {
            const double level = 2000 + (second * 7919 % 28000);
            for (std::uint32_t i = 0; i < kRate16; ++i) {
                noise = noise * 1664525u + 1013904223u;
                const double t = static_cast<double>(i) / kRate16;
                const double v = level * std::sin(6.2831853 * (300 + second % 2000) * t) +
                                 static_cast<double>(static_cast<int>(noise >> 24) - 128) * 8;
                block[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
            }
            good = std::fwrite(block.data(), 2, block.size(), f) == block.size();
        }
        return std::fclose(f) == 0 && good;
    }

    std::string folder_, path_;
    bool ok_ = false;
};

const Hour16& TheHour16() {
    static const Hour16 hour;
    return hour;
}


bool gSoxRan = false;

void BM_SoxStat16(benchmark::State& state) {
    const Hour16& hour = TheHour16();
    if (!hour.ok()) state.SkipWithError("cannot write the 16-bit hour");
    for (auto _ : state) {
        const double seconds = zarn::bench::SoxSeconds({hour.path(), "-n", "stat"});
        if (seconds < 0) {
            state.SkipWithError("sox cannot be run: the comparison with sox is not run");
            break;
        }
        gSoxRan = true;
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_SoxStat16)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ReadWaveform16(benchmark::State& state) {
    const Hour16& hour = TheHour16();
    if (!hour.ok()) state.SkipWithError("cannot write the 16-bit hour");
    for (auto _ : state) {
        const zarn::Waveform w = zarn::ReadWaveform(hour.path());
        if (w.state != zarn::WavFileState::Playable ||
            static_cast<std::int64_t>(w.columns.size()) != zarn::LayOutWaveform(kFrames16).drawnColumns)
            state.SkipWithError("unexpected waveform");
        benchmark::DoNotOptimize(w.columns.data());
    }
}
BENCHMARK(BM_ReadWaveform16)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PlainRead16(benchmark::State& state) {
    const Hour16& hour = TheHour16();
    if (!hour.ok()) state.SkipWithError("cannot write the 16-bit hour");
    for (auto _ : state) {
        std::vector<unsigned char> block(1024 * 1024);
        benchmark::DoNotOptimize(PlainRead(hour.path(), block));
    }
}
BENCHMARK(BM_PlainRead16)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    using zarn::bench::Target;
    return zarn::bench::RunWithRatios(argc, argv, Inputs::Folder(), [](const zarn::bench::RatioReporter& r) {
        r.Ratio("ReadWaveform of the hour / plain read() in 256 KiB blocks (CPU)", "BM_ReadWaveform",
                "BM_PlainRead256K", Target::AtMost(1.3));
        r.Ratio("ReadWaveform of the hour / plain read() in 1 MiB blocks (CPU)", "BM_ReadWaveform",
                "BM_PlainRead1M", Target::AtMost(1.5));
        r.Ratio("ReadWaveform of the hour / plain read() in 256 KiB blocks (wall)", "BM_ReadWaveform",
                "BM_PlainRead256K", {}, true);
        const char* const sox = "ReadWaveform of the 16-bit hour / sox stat (wall)";
        if (gSoxRan)
            r.Ratio(sox, "BM_ReadWaveform16", "BM_SoxStat16", Target::AtMost(0.25), true);
        else
            r.NotRun(sox, Target::AtMost(0.25), "", "sox did not run");
        r.Ratio("ReadWaveform of the 16-bit hour / plain read() in 1 MiB blocks (wall)", "BM_ReadWaveform16",
                "BM_PlainRead16", {}, true);
    });
}
