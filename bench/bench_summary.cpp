// The clip table of the largest segment (32767 clips on 1999 frequencies, the demo station's
// LARGE.EVA, matched against its 32767-entry LARGE.SIG) next to its floor: reading the same file
// and splitting the segment's lines into fields.
//
// The inputs come from `demo_station --large DIR`; pass --inputs=DIR, or the generator beside this
// program (../tools/demo_station) writes them into a temporary folder for the run.
#include "clip_table.h"
#include "eventline.h"
#include "segscan.h"
#include "signal_bands.h"
#include "signal_list.h"
#include "textfile.h"

#include "large_inputs.h"
#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using zarn::bench::PlainRead;

class Inputs {
public:
    Inputs() : files_(Folder(), "bench_summary") {
        event_ = files_.File("LARGE.EVA");
        const std::string text = PlainRead(event_);
        segments_ = zarn::ScanSegments(text);
        zarn::ReadFileBytes(files_.File("LARGE.AUD"), spectralAud_);
        zarn::LoadSignalFile(files_.File("LARGE.SIG"), list_);
        // The same clips as a PRIORITY collection of 1999 channels: every clip is filed (and still
        // matched against the signal list and the rows); the row lists have no length limit there.
        for (int k = 1; k <= zarn::kMaxFrequencyRows; ++k)
            priorityAud_ += "SMD,0,0,2,0,2,0,0,0,0,0,0," + std::to_string(k) + ",0,0\r\n";
    }
    static std::string& Folder() {
        static std::string folder;
        return folder;
    }

    const std::string& event() const { return event_; }
    const zarn::SegmentTable& segments() const { return segments_; }
    const zarn::SignalList& list() const { return list_; }
    const std::string& spectralAud() const { return spectralAud_; }
    const std::string& priorityAud() const { return priorityAud_; }
    bool ok() const {
        return segments_.segCount >= 1 && segments_.clipCount[1] == 32767 && list_.Count() == 32767;
    }

private:
    zarn::bench::LargeInputs files_;
    std::string event_;
    zarn::SegmentTable segments_;
    zarn::SignalList list_;
    std::string spectralAud_, priorityAud_;
};

const Inputs& TheInputs() {
    static const Inputs inputs;
    return inputs;
}

// Read the file, find segment 1 and split each of its lines into fields.
void BM_ReadAndSplitSegment(benchmark::State& state) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark inputs are missing");
    for (auto _ : state) {
        const std::string bytes = PlainRead(in.event());
        zarn::LineCursor cursor(bytes);
        std::string_view line;
        while (cursor.Next(line) && !zarn::IsSegmentStartLine(line)) {
        }
        std::size_t touched = 0;
        while (cursor.Next(line) && !zarn::IsSegmentStartLine(line))
            touched += zarn::SplitFields(line)[6].size();
        benchmark::DoNotOptimize(touched);
    }
}
BENCHMARK(BM_ReadAndSplitSegment)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A load as the window does it: read the file, index the signal list's bands, build the table.
void Build(benchmark::State& state, const std::string& aud, int expectedClips) {
    const Inputs& in = TheInputs();
    if (!in.ok()) state.SkipWithError("the benchmark inputs are missing");
    zarn::ClipTableHooks hooks;
    hooks.tooMany = [](int) { return zarn::TooManyAnswer::Split; };
    int clips = 0;
    for (auto _ : state) {
        const std::string bytes = PlainRead(in.event());
        const zarn::SignalBands bands(in.list());
        zarn::ClipTableInput input;
        input.audExists = true;
        input.audText = aud;
        input.eventText = bytes;
        input.selectedSegment = 1;
        input.segStart = in.segments().start[1];
        input.segStop = in.segments().stop[1];
        input.segClipCount = in.segments().clipCount[1];
        input.segMaxNumber = in.segments().maxNumber[1];
        input.signalBands = &bands;
        zarn::ClipTable table = zarn::BuildClipTable(input, hooks);
        clips = table.ClipCount;
        benchmark::DoNotOptimize(table.RowClips.data());
        state.PauseTiming(); // freeing the table is not the load's cost
        table = {};
        state.ResumeTiming();
    }
    state.counters["clips"] = clips;
    if (expectedClips && clips != expectedClips) state.SkipWithError("not every clip was filed");
}

void BM_BuildClipTable(benchmark::State& state) {
    Build(state, TheInputs().priorityAud(), 32767);
}
BENCHMARK(BM_BuildClipTable)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The file as a SPECTRAL collection: its row lists pass 65000 characters after about 5000 clips,
// where the operator is asked to split; answered yes, the table holds those clips.
void BM_BuildClipTableSpectral(benchmark::State& state) {
    Build(state, TheInputs().spectralAud(), 0);
}
BENCHMARK(BM_BuildClipTableSpectral)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_SignalBands(benchmark::State& state) {
    const Inputs& in = TheInputs();
    for (auto _ : state) {
        const zarn::SignalBands bands(in.list());
        benchmark::DoNotOptimize(bands.Count());
    }
}
BENCHMARK(BM_SignalBands)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::RunWithRatios(argc, argv, Inputs::Folder(), [](const zarn::bench::RatioReporter& r) {
        r.Ratio("BuildClipTable, all 32767 clips / read and split the segment's lines (CPU)",
                "BM_BuildClipTable", "BM_ReadAndSplitSegment", zarn::bench::Target::AtMost(3));
        r.Ratio("BuildClipTable, SPECTRAL up to the split / read and split the segment's lines (CPU)",
                "BM_BuildClipTableSpectral", "BM_ReadAndSplitSegment");
    });
}
