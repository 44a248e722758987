// The waveform of the hour-long 8-bit clip (the demo station's HOUR.WAV, 39.7 MB) next to its
// floor: reading the same file sequentially with plain read() calls in large blocks.
//
// The input comes from `demo_station --large DIR`; pass --inputs=DIR, or the generator beside this
// program (../tools/demo_station) writes it into a temporary folder for the run.
#include "waveform.h"

#include "large_inputs.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class Inputs {
public:
    Inputs() : files_(Folder(), "bench_waveform") { hour_ = files_.File("HOUR.WAV"); }
    static std::string& Folder() {
        static std::string folder;
        return folder;
    }
    const std::string& hour() const { return hour_; }
    bool ok() const { return zarn::CheckWavFile(hour_).dataSize == 3600u * 11025u; }

private:
    zarn::bench::LargeInputs files_;
    std::string hour_;
};

const Inputs& TheInputs() {
    static const Inputs inputs;
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

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::RunWithRatios(argc, argv, Inputs::Folder(), [](const zarn::bench::RatioReporter& r) {
        r.Ratio("ReadWaveform of the hour / plain read() in 256 KiB blocks (CPU)", "BM_ReadWaveform",
                "BM_PlainRead256K", " (target <= 1.5)");
        r.Ratio("ReadWaveform of the hour / plain read() in 1 MiB blocks (CPU)", "BM_ReadWaveform",
                "BM_PlainRead1M", " (target <= 1.5)");
        r.Ratio("ReadWaveform of the hour / plain read() in 256 KiB blocks (wall)", "BM_ReadWaveform",
                "BM_PlainRead256K", "", true);
    });
}
