// ToDate throughput on the event-file form, next to baselines measured in the same run:
// touching each byte of the text, and reading its six fields with std::from_chars.
#include "dates.h"
#include "formats.h"

#include "ratio_reporter.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

namespace {

std::vector<std::string> EventDates() {
    std::vector<std::string> texts;
    double serial = zarn::SerialFromParts({1995, 3, 7, 0, 0, 0});
    for (int i = 0; i < 4096; ++i) {
        serial += 7.9876543; // varied days, times and years (1995..2084)
        texts.push_back(zarn::FormatDateTime(serial));
    }
    return texts;
}

void BM_SumBytes(benchmark::State& state) {
    const auto texts = EventDates();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& t = texts[i++ & 4095];
        unsigned sum = 0;
        for (char c : t)
            sum += static_cast<unsigned char>(c);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SumBytes);

void BM_FromCharsSixFields(benchmark::State& state) {
    const auto texts = EventDates();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& t = texts[i++ & 4095];
        const char* p = t.data();
        int fields[6];
        for (int f = 0; f < 6; ++f)
            std::from_chars(p + f * 3, p + f * 3 + 2, fields[f]);
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FromCharsSixFields);

void BM_ToDate(benchmark::State& state) {
    const auto texts = EventDates();
    std::size_t i = 0;
    for (auto _ : state) {
        auto d = zarn::ToDate(texts[i++ & 4095]);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ToDate);

// The export's form, which takes the general reader.
void BM_ToDateAmPm(benchmark::State& state) {
    auto texts = EventDates();
    for (auto& t : texts)
        t = zarn::FormatDateTimeAmPm(*zarn::ToDate(t));
    std::size_t i = 0;
    for (auto _ : state) {
        auto d = zarn::ToDate(texts[i++ & 4095]);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ToDateAmPm);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::RunWithRatios(argc, argv, [](const zarn::bench::RatioReporter& r) {
        r.Ratio("ToDate / reading the six fields with from_chars (CPU)", "BM_ToDate",
                "BM_FromCharsSixFields");
        r.Ratio("ToDate / touching each byte (CPU)", "BM_ToDate", "BM_SumBytes");
        r.Ratio("ToDate of the AM/PM form / ToDate of the event-file form (CPU)", "BM_ToDateAmPm",
                "BM_ToDate");
    });
}
