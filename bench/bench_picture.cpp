// The summary picture at its limit (32767 clips over 1999 rows): drawing every bar into a
// 1600 x 900 image, moving a cursor line over the drawn picture, and the hover lookup on a row of
// 1000 clips, each next to a floor measured in the same run.
#include "picture.h"
#include "summary_picture.h"

#include "ratio_reporter.h"

#include <QApplication>
#include <QPainter>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kClips = 32767;
constexpr int kRows = 1999;
constexpr int kUnits = 2000; // a segment is never wider than this
constexpr double kScaleWidth = kUnits + kUnits / 501;
constexpr int kWidth = 1600, kHeight = 900;

// Bars shaped like a station's clips: mostly a few seconds long, some a minute or more, on rows
// spread over the whole picture, at every level.
const std::vector<zarn::Bar>& Bars() {
    static const std::vector<zarn::Bar> bars = [] {
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> start(0, kUnits - 1), row(1, kRows), level(-180, -30);
        std::geometric_distribution<int> length(0.15);
        std::vector<zarn::Bar> out;
        out.reserve(kClips);
        for (int i = 0; i < kClips; ++i) {
            const int x1 = start(rng);
            const int x2 = x1 + 1 + (i % 50 == 0 ? 60 + length(rng) * 10 : length(rng));
            out.push_back({x1, x2, row(rng), zarn::LevelColour(level(rng))});
        }
        return out;
    }();
    return bars;
}

const zarn::PictureScale kWholePicture{kScaleWidth, kRows, kWidth, kHeight};

void BM_RenderBars(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        zarn::RenderBars(image, Bars(), kWholePicture, 0);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderBars)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The window's own case: rows of 90 twips (6 pixels), the 900 pixels in view of a picture 1999
// rows tall, scrolled to its middle.
void BM_RenderVisibleRowsOfTallPicture(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    const zarn::PictureScale tall{kScaleWidth, kRows, kWidth, kRows * 6};
    for (auto _ : state) {
        zarn::RenderBars(image, Bars(), tall, 6 * 1000);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RenderVisibleRowsOfTallPicture)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Floors: clearing the image once, and as many fillRects of one fixed small rectangle.
void BM_FillImage(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(0xFF000000u);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FillImage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FixedSmallFillRects(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    const QColor colour(0, 128, 128);
    for (auto _ : state) {
        QPainter p(&image);
        for (int i = 0; i < kClips; ++i)
            p.fillRect(800, 450, 3, 1, colour);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FixedSmallFillRects)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The widget on screen (offscreen platform): moving a cursor line repaints from the cache; a
// redraw of the bars with the same repaint is shown beside it.
class ShownPicture {
public:
    ShownPicture() {
        picture.resize(kWidth, kHeight);
        picture.SetScale(kScaleWidth, kRows);
        picture.SetBars(Bars());
        picture.L_T1.visible = picture.L_T2.visible = true;
        picture.show();
        for (int i = 0; i < 100 && !(picture.windowHandle() && picture.windowHandle()->isExposed()); ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        picture.repaint();
    }
    zarn::SummaryPicture picture;
};

// Made on first use and never freed: a widget must not outlive the application object.
ShownPicture& Shown() {
    static ShownPicture* const shown = new ShownPicture;
    return *shown;
}

void BM_MoveCursorLine(benchmark::State& state) {
    zarn::SummaryPicture& picture = Shown().picture;
    const int renders = picture.RenderCount();
    int step = 0;
    for (auto _ : state) {
        picture.L_T1.at = ++step % kUnits;
        picture.Shape1 = {double(step % kUnits), 3, double(step % kUnits + 20), 4, Qt::white, true};
        picture.UpdateOverlays();
        picture.repaint();
    }
    if (renders < 1) state.SkipWithError("the picture was never painted");
    if (picture.RenderCount() != renders) state.SkipWithError("moving a line redrew the bars");
    state.counters["bar redraws"] = picture.RenderCount() - renders;
}
BENCHMARK(BM_MoveCursorLine)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RedrawAndRepaint(benchmark::State& state) {
    zarn::SummaryPicture& picture = Shown().picture;
    const int renders = picture.RenderCount();
    for (auto _ : state) {
        picture.Redraw();
        picture.repaint();
    }
    if (picture.RenderCount() - renders != int(state.iterations())) state.SkipWithError("no redraw");
}
BENCHMARK(BM_RedrawAndRepaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Hover on a row of 1000 clips: the clip under the pointer and the readout texts.
struct HoverRow {
    HoverRow() {
        table.ClipCount = 1000;
        table.ClipLine.Reset(1000);
        for (int i = 1; i <= 1000; ++i) {
            const int x1 = (i * 2) % kUnits;
            row.push_back({i, x1, x1 + 3});
            table.ClipLine.Set(i, "AB" + std::to_string(i) +
                                      ".WAV,1,0145.0125,01/01/06 00:10:00,01/01/06 00:10:04,-87.5,3");
        }
    }
    zarn::ClipTable table;
    std::vector<zarn::ClipTriple> row;
};

const HoverRow& TheRow() {
    static const HoverRow r;
    return r;
}

void BM_Hover(benchmark::State& state) {
    const HoverRow& r = TheRow();
    double x = 1000.25;
    for (auto _ : state) {
        const int row = zarn::RowOfY(1.5, kRows);
        const std::string chnl = zarn::RowText(zarn::CollectionType::Spectral, row, false);
        const std::string time = zarn::TimeText("T:  ", zarn::TimeOfX(x, 38718.0, 1));
        const int clip = zarn::HoverClipOf(r.row, x, kScaleWidth);
        std::string freq, level;
        if (clip > 0) {
            freq = zarn::FreqText(std::stod(std::string(r.table.ClipLine.Field(clip, zarn::ClipFieldId::Frequency))));
            level = zarn::HoverLevelText(r.table.ClipLine.Field(clip, zarn::ClipFieldId::Level));
        }
        benchmark::DoNotOptimize(chnl.data());
        benchmark::DoNotOptimize(time.data());
        benchmark::DoNotOptimize(freq.data());
        benchmark::DoNotOptimize(level.data());
        x = x > 1900 ? 10.25 : x + 7;
    }
}
BENCHMARK(BM_Hover)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Floor: a plain loop over the row's triples.
void BM_PlainTripleLoop(benchmark::State& state) {
    const HoverRow& r = TheRow();
    double x = 1000.25;
    for (auto _ : state) {
        int last = 0;
        for (const zarn::ClipTriple& t : r.row)
            if (t.x1 - 4 <= x && x <= t.x2 + 4) last = t.clip;
        benchmark::DoNotOptimize(last);
        x = x > 1900 ? 10.25 : x + 7;
    }
}
BENCHMARK(BM_PlainTripleLoop)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using zarn::bench::Measure;
    using zarn::bench::Target;
    return zarn::bench::RunWithRatios(argc, argv, [](const zarn::bench::RatioReporter& r) {
        r.Time("RenderBars (32767 bars, 1999 rows, 1600x900) (CPU)", "BM_RenderBars", Measure::Cpu, "ms",
               Target::Below(10));
        r.Ratio("RenderBars / one image.fill (CPU)", "BM_RenderBars", "BM_FillImage");
        r.Ratio("RenderBars / 32767 fillRects of one small rect (CPU)", "BM_RenderBars",
                "BM_FixedSmallFillRects");
        // The benchmark fails when moving a line redraws the bars.
        r.Counter("Bar redraws while moving a cursor line and Shape1", "BM_MoveCursorLine", "bar redraws", "",
                  Target::AtMost(0));
        r.Ratio("Moving a cursor line and Shape1 / redrawing the bars and repainting (CPU)",
                "BM_MoveCursorLine", "BM_RedrawAndRepaint");
        r.Time("Hover on a row of 1000 clips (CPU)", "BM_Hover", Measure::Cpu, "us", Target::Below(50));
        r.Ratio("Hover on a row of 1000 clips / plain loop over its triples (CPU)", "BM_Hover",
                "BM_PlainTripleLoop");
    });
}
