// The spectrogram of the hour-long 8-bit clip (the demo station's HOUR.WAV, 39.7 MB) under its
// waveform picture, next to the waveform of the same clip, to its floor (the same number of
// transforms of the same length and nothing else) and to `sox FILE -n spectrogram` on the same
// file, by wall time (sox is skipped when it cannot be run).
//
// The waveform is a min/max pass at memory speed; the spectrogram transforms every window of the
// hour (some 310,000 of 256 frames), which alone costs some twenty waveforms. Its target is set
// against its floor, the waveform's figure is shown for comparison.
//
// The input comes from `demo_station --large DIR`; pass --inputs=DIR, or the generator beside this
// program (../tools/demo_station) writes it into a temporary folder for the run.
#include "spectrogram.h"
#include "waveform.h"

#include "hour_clip.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fftw3.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Inputs = zarn::bench::HourClip;

const Inputs& TheInputs() {
    static const Inputs inputs("bench_spectrogram");
    return inputs;
}

// The strip's height at 96 dots per inch: 1200 twips.
constexpr int kRows = 80;


void BM_ReadWaveform(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    for (auto _ : state) {
        const zarn::Waveform w = zarn::ReadWaveform(in.hour());
        if (w.state != zarn::WavFileState::Playable) state.SkipWithError("unexpected waveform");
        benchmark::DoNotOptimize(w.columns.data());
    }
}
BENCHMARK(BM_ReadWaveform)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// One image column per pixel of the waveform picture, as the player draws it on a plain screen.
void BM_ReadSpectrogram(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    const zarn::WaveLayout layout = zarn::LayOutWaveform(zarn::CheckWavFile(in.hour()).dataSize);
    const std::int64_t pixels = (layout.drawnColumns + layout.unitWidth - 1) / layout.unitWidth;
    const zarn::SpectrogramGrid grid = zarn::GridUnderWaveform(layout, pixels, kRows);
    for (auto _ : state) {
        const zarn::SpectrogramImage s = zarn::ReadSpectrogram(in.hour(), grid);
        if (s.state != zarn::WavFileState::Playable || s.width != pixels)
            state.SkipWithError("unexpected picture");
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.counters["columns"] = static_cast<double>(pixels);
}
BENCHMARK(BM_ReadSpectrogram)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The transforms alone: as many windows of the same length, each copied in and transformed.
void BM_TransformsAlone(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    const int n = zarn::SpectrogramFftSize(11025);
    const std::int64_t windows = (3600 * 11025 - n) / (n / 2) + 1;
    float* input = static_cast<float*>(fftwf_malloc(sizeof(float) * static_cast<std::size_t>(n)));
    auto* output = static_cast<fftwf_complex*>(
        fftwf_malloc(sizeof(fftwf_complex) * static_cast<std::size_t>(n / 2 + 1)));
    const fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, input, output, FFTW_ESTIMATE);
    std::vector<float> source(static_cast<std::size_t>(n), 0.25f);
    for (auto _ : state) {
        for (std::int64_t w = 0; w < windows; ++w) {
            std::copy(source.begin(), source.end(), input);
            fftwf_execute_dft_r2c(plan, input, output);
            benchmark::DoNotOptimize(output);
        }
    }
    fftwf_destroy_plan(plan);
    fftwf_free(output);
    fftwf_free(input);
}
BENCHMARK(BM_TransformsAlone)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);


bool gSoxRan = false;

void BM_SoxSpectrogram(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark input is missing");
    const std::string png =
        (std::filesystem::temp_directory_path() / ("bench_spectrogram_" + std::to_string(getpid()) + ".png"))
            .string();
    for (auto _ : state) {
        const double seconds = zarn::bench::SoxSeconds({in.hour(), "-n", "spectrogram", "-o", png});
        if (seconds < 0) {
            state.SkipWithError("sox cannot be run: the comparison with sox is not run");
            break;
        }
        gSoxRan = true;
        state.SetIterationTime(seconds);
    }
    std::filesystem::remove(png);
}
BENCHMARK(BM_SoxSpectrogram)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    using zarn::bench::Target;
    return zarn::bench::RunWithRatios(argc, argv, Inputs::Folder(), [](const zarn::bench::RatioReporter& r) {
        r.Ratio("ReadSpectrogram of the hour / its transforms alone (CPU)", "BM_ReadSpectrogram",
                "BM_TransformsAlone", Target::AtMost(1.6));
        r.Ratio("ReadSpectrogram of the hour / ReadWaveform of the hour (CPU)", "BM_ReadSpectrogram",
                "BM_ReadWaveform");
        r.Time("ReadSpectrogram of the hour (wall)", "BM_ReadSpectrogram", zarn::bench::Measure::Wall, "ms");
        const char* const sox = "ReadSpectrogram of the hour / sox spectrogram (wall)";
        if (gSoxRan)
            r.Ratio(sox, "BM_ReadSpectrogram", "BM_SoxSpectrogram", Target::Below(1), true);
        else
            r.NotRun(sox, Target::Below(1), "", "sox did not run");
    });
}
