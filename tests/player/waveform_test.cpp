#include "waveform.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

std::string Header(std::uint32_t dataSize, const char* riff = "RIFF", const char* wave = "WAVE") {
    std::string h(44, '\0');
    h.replace(0, 4, riff);
    h.replace(8, 4, wave);
    h.replace(12, 4, "fmt ");
    h.replace(36, 4, "data");
    for (int i = 0; i < 4; ++i)
        h[40 + i] = static_cast<char>(dataSize >> (8 * i) & 0xFF);
    return h;
}

// Noise with quiet stretches and runs of one value, so that columns with max == min occur.
std::string Samples(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = std::min<std::size_t>(n - i, 1 + rng() % 3000);
        const int kind = static_cast<int>(rng() % 3);
        const int centre = static_cast<int>(rng() % 256), spread = 1 + static_cast<int>(rng() % 128);
        for (std::size_t k = 0; k < run; ++k, ++i) {
            int v = kind == 0   ? centre
                    : kind == 1 ? static_cast<int>(rng() % 256)
                                : centre + static_cast<int>(rng() % spread) - spread / 2;
            s[i] = static_cast<char>(std::clamp(v, 0, 255));
        }
    }
    return s;
}

// The reduction as the drawing loop reads: count each sample, keep max from 0 and min from 255,
// close the column when the count reaches bytesPerColumn, drop what is left over.
std::vector<WaveColumn> Reference(const std::string& samples, std::uint32_t bytesPerColumn,
                                  std::int64_t maxColumns) {
    std::vector<WaveColumn> out;
    int mx = 0, mn = 255;
    std::uint32_t count = 0;
    for (unsigned char c : samples) {
        ++count;
        mx = std::max<int>(mx, c);
        mn = std::min<int>(mn, c);
        if (count == bytesPerColumn) {
            if (static_cast<std::int64_t>(out.size()) < maxColumns)
                out.push_back({static_cast<std::uint8_t>(mn), static_cast<std::uint8_t>(mx)});
            mx = 0;
            mn = 255;
            count = 0;
        }
    }
    return out;
}

TEST(WaveLayout, WidthScrollBarAndUnitWidth) {
    struct Case {
        std::uint32_t dataSize;
        bool scrollBar;
        int height;
        std::int64_t columns;
        int unitWidth;
        double pictureWidth;
        std::uint32_t bytesPerColumn;
    };
    const Case cases[] = {
        // Thirty seconds exactly fill the panel; one byte more makes the picture wider and scrolled.
        {330750, false, 1455, 308, 1, 4620, 1074},
        {330751, true, 1200, 308, 1, 4620.0 * 330751 / 330750, 1074},
        // Up to 3.5 panel widths the picture keeps its width; beyond, it is halved.
        {1157625, true, 1200, 1078, 1, 16170, 1074},
        {1157626, true, 1200, 1078, 2, 8085.0 * 1157626 / 1157625, 1074},
        // The hour-long clip: 36960 columns on a picture of 577.5 pixels, 64 columns each.
        {39690000, true, 1200, 36960, 64, 8662.5, 1074},
        // Short clips: one sample per column rather than nothing drawn.
        {100, false, 1455, 308, 1, 4620, 1},
        {0, false, 1455, 308, 1, 4620, 1},
        {4294967295u, true, 1200, 3999546, 4096, 4620.0 * 4294967295.0 / 330750 / 4096, 1074},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataSize);
        const WaveLayout l = LayOutWaveform(c.dataSize);
        EXPECT_EQ(l.scrollBar, c.scrollBar);
        EXPECT_EQ(l.pictureHeight, c.height);
        EXPECT_EQ(l.columns, c.columns);
        EXPECT_EQ(l.unitWidth, c.unitWidth);
        EXPECT_DOUBLE_EQ(l.pictureWidth, c.pictureWidth);
        EXPECT_LE(l.pictureWidth, 3.5 * kWavPanelWidth);
        EXPECT_EQ(l.bytesPerColumn, c.bytesPerColumn);
        EXPECT_EQ(l.drawnColumns, std::min<std::int64_t>(l.columns, c.dataSize / l.bytesPerColumn));
        EXPECT_GT(l.largeChange, 0);
    }
    EXPECT_EQ(LayOutWaveform(330750).largeChange, 32767);
    const WaveLayout hour = LayOutWaveform(39690000);
    EXPECT_EQ(hour.largeChange, 17476); // 4620 * 32767 / 8662.5
    EXPECT_EQ(hour.smallChange, 1165);
    // At the right end of the bar the picture's last 30 twips stay beyond the panel.
    EXPECT_DOUBLE_EQ(PictureLeft(32767, hour), -(8662.5 - 4620 - 30));
    EXPECT_EQ(PictureLeft(0, hour), 0);
}

TEST(WaveLayout, OtherScreenResolutions) {
    // 120 dpi: 12 twips per pixel, 385 columns across the panel.
    const WaveLayout l = LayOutWaveform(330750, 120);
    EXPECT_EQ(l.columns, 385);
    EXPECT_EQ(l.bytesPerColumn, 859u); // 859.09
}

TEST(ColumnReducer, MatchesTheReferenceWhateverTheBlocks) {
    std::mt19937 rng(42);
    const std::uint32_t sizes[] = {1, 63, 64, 65, 127, 5000, 330750, 330751, 1157626};
    for (std::uint32_t size : sizes) {
        const std::string samples = Samples(size, size);
        const WaveLayout l = LayOutWaveform(size);
        const std::vector<WaveColumn> expected = Reference(samples, l.bytesPerColumn, l.drawnColumns);
        ASSERT_EQ(static_cast<std::int64_t>(expected.size()), l.drawnColumns) << size;
        for (int split = 0; split < 4; ++split) {
            SCOPED_TRACE(testing::Message() << size << " split " << split);
            ColumnReducer reducer(l.bytesPerColumn, l.drawnColumns);
            for (std::size_t at = 0; at < samples.size();) {
                // Whole at once, byte by byte, and random blocks.
                const std::size_t n = split == 0 ? samples.size() : split == 1 ? 1 : 1 + rng() % 70000;
                const std::size_t take = std::min(n, samples.size() - at);
                reducer.Feed(std::string_view(samples).substr(at, take));
                at += take;
                if (split == 1 && at > 20000) break; // byte by byte is slow; the prefix is enough
            }
            if (split == 1) {
                const auto& got = reducer.columns();
                ASSERT_LE(got.size(), expected.size());
                EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin()));
            } else {
                EXPECT_EQ(reducer.columns(), expected);
            }
        }
    }
}

TEST(ColumnReducer, ManyWidthsAndExtremes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::uint32_t perColumn = 1 + rng() % 700;
        std::string samples = Samples(rng() % 40000, rng());
        // An extreme value alone in a column, at any place in its lanes.
        if (!samples.empty()) samples[rng() % samples.size()] = static_cast<char>(rng() % 2 ? 0 : 255);
        const std::int64_t cap = rng() % 4 == 0 ? static_cast<std::int64_t>(rng() % 50) : 1 << 30;
        ColumnReducer reducer(perColumn, cap);
        reducer.Feed(samples);
        ASSERT_EQ(reducer.columns(), Reference(samples, perColumn, cap)) << round;
    }
}

TEST(MergeColumns, OnePairPerScreenPixel) {
    const std::vector<WaveColumn> columns = {{10, 20}, {5, 15}, {30, 40}, {0, 1}, {100, 100}};
    EXPECT_EQ(MergeColumns(columns, 1), columns);
    EXPECT_EQ(MergeColumns(columns, 2), (std::vector<WaveColumn>{{5, 20}, {0, 40}, {100, 100}}));
    EXPECT_EQ(MergeColumns(columns, 8), (std::vector<WaveColumn>{{0, 100}}));
}

TEST(ReadWaveform, ReducesTheFileAsTheReference) {
    test::TempDir dir;
    const std::uint32_t sizes[] = {330750, 330751, 700001, 2000000};
    for (std::uint32_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string samples = Samples(size, size * 3);
        // Bytes after the data (a trailing chunk) are not samples.
        const std::string path =
            dir.write("CLIP.WAV", Header(size) + samples + "LIST" + std::string(5000, '\xFF'));
        const Waveform w = ReadWaveform(path);
        ASSERT_EQ(w.state, WavFileState::Playable);
        EXPECT_EQ(w.layout.scrollBar, size > kSamplesPerWidth);
        EXPECT_EQ(w.columns, Reference(samples, w.layout.bytesPerColumn, w.layout.drawnColumns));
    }
}

TEST(ReadWaveform, FilesThatCannotBeDrawn) {
    test::TempDir dir;
    const std::string ten(10, '\x80');
    struct Case {
        const char* what;
        std::string bytes;
        WavFileState state;
    };
    const Case cases[] = {
        {"empty", "", WavFileState::NotPlayable},
        {"header cut short", Header(10).substr(0, 43), WavFileState::NotPlayable},
        {"not RIFF", Header(10, "RIFX") + ten, WavFileState::NotPlayable},
        {"not WAVE", Header(10, "RIFF", "AVI ") + ten, WavFileState::NotPlayable},
        {"text file", std::string(200, 'x'), WavFileState::NotPlayable},
        {"claims more data than it holds", Header(11) + ten, WavFileState::NotPlayable},
        {"claims 4 GB", Header(0xFFFFFFFFu) + ten, WavFileState::NotPlayable},
        {"data to the last byte", Header(10) + ten, WavFileState::Playable},
        {"no samples", Header(0), WavFileState::Playable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.write("X.WAV", c.bytes);
        EXPECT_EQ(CheckWavFile(path).state, c.state);
        const Waveform w = ReadWaveform(path);
        EXPECT_EQ(w.state, c.state);
        if (c.state != WavFileState::Playable) {
            EXPECT_TRUE(w.columns.empty());
        }
    }
    EXPECT_EQ(ReadWaveform(dir.file("NONE.WAV")).state, WavFileState::Missing);
    EXPECT_EQ(CheckWavFile(dir.file("NONE.WAV")).state, WavFileState::Missing);
    EXPECT_EQ(CheckWavFile(dir.file("NONE/X.WAV")).state, WavFileState::Missing);
    // A folder exists but is no clip: not "File Not Found".
    EXPECT_EQ(ReadWaveform(dir.path()).state, WavFileState::NotPlayable);
    EXPECT_EQ(CheckWavFile(dir.write("TEN.WAV", Header(10) + ten)).dataSize, 10u);
}

// --- Marks

struct Press {
    MouseButton button;
    double x;
    bool playing = false;
};

struct MarkCase {
    const char* what;
    std::vector<Press> presses;
    int unitWidth;
    // After the last press:
    RangeButtons buttons;
    double start, stop;
    MarkBox box;
    double playStart, playEnd;
};

TEST(Marks, PressRules) {
    // A picture of 1000 units over a clip of 50000 positions: one unit is 50 positions.
    constexpr double kUnits = 1000;
    constexpr std::int64_t kLength = 50000;
    const MarkCase cases[] = {
        {"right click first marks from the left edge",
         {{MouseButton::Right, 300}},
         1,
         RangeButtons::Available,
         0,
         300,
         {true, 0, 300},
         0,
         15000},
        {"left then right",
         {{MouseButton::Left, 100}, {MouseButton::Right, 300}},
         1,
         RangeButtons::Available,
         100,
         300,
         {true, 100, 200},
         5000,
         15000},
        {"left click right of the stop mark: thin marker at the start",
         {{MouseButton::Right, 300}, {MouseButton::Left, 400}},
         2,
         RangeButtons::Unavailable,
         400,
         300,
         {true, 400, 6},
         0,
         15000},
        {"narrow range widened to 4 units",
         {{MouseButton::Left, 100}, {MouseButton::Right, 105}},
         4,
         RangeButtons::Available,
         100,
         116,
         {true, 100, 16},
         5000,
         5800},
        {"a range of exactly 4 units is kept",
         {{MouseButton::Left, 100}, {MouseButton::Right, 104}},
         1,
         RangeButtons::Available,
         100,
         104,
         {true, 100, 4},
         5000,
         5200},
        {"widened at the right edge ends at the clip's end",
         {{MouseButton::Left, 998}, {MouseButton::Right, 999}},
         4,
         RangeButtons::Available,
         998,
         1014,
         {true, 998, 16},
         49900,
         50000},
        {"start mark alone shows the thin marker",
         {{MouseButton::Left, 50}},
         1,
         RangeButtons::Unavailable,
         50,
         0,
         {true, 50, 3},
         0,
         0},
        {"start mark at the left edge alone shows nothing",
         {{MouseButton::Left, 0}},
         1,
         RangeButtons::Keep,
         0,
         0,
         {false, 0, 0},
         0,
         0},
        {"other buttons mark nothing",
         {{MouseButton::Other, 500}},
         1,
         RangeButtons::Keep,
         0,
         0,
         {false, 0, 0},
         0,
         0},
        {"a range marked during play leaves the buttons as they are",
         {{MouseButton::Left, 100}, {MouseButton::Right, 300, true}},
         1,
         RangeButtons::Keep,
         100,
         300,
         {true, 100, 200},
         5000,
         15000},
        {"a second range replaces the first",
         {{MouseButton::Left, 100}, {MouseButton::Right, 300}, {MouseButton::Left, 200}},
         1,
         RangeButtons::Available,
         200,
         300,
         {true, 200, 100},
         10000,
         15000},
        {"a broken range keeps the last range's positions",
         {{MouseButton::Left, 100}, {MouseButton::Right, 300}, {MouseButton::Right, 50}},
         1,
         RangeButtons::Unavailable,
         100,
         50,
         {true, 100, 3},
         5000,
         15000},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.what);
        Marks marks;
        RangeButtons buttons = RangeButtons::Keep;
        for (const Press& p : c.presses)
            buttons = PressMark(marks, p.button, p.x, {kUnits, c.unitWidth, kLength}, p.playing);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(marks.start, c.start);
        EXPECT_EQ(marks.stop, c.stop);
        EXPECT_EQ(marks.box.visible, c.box.visible);
        if (c.box.visible) {
            EXPECT_EQ(marks.box.left, c.box.left);
            EXPECT_EQ(marks.box.width, c.box.width);
        }
        EXPECT_DOUBLE_EQ(marks.playStart, c.playStart);
        EXPECT_DOUBLE_EQ(marks.playEnd, c.playEnd);
    }
}

TEST(Marks, ClearingKeepsTheLastRangeAndFallingBackPlaysTheWholeClip) {
    Marks marks;
    PressMark(marks, MouseButton::Left, 100, {1000, 1, 50000}, false);
    PressMark(marks, MouseButton::Right, 300, {1000, 1, 50000}, false);
    ClearMarks(marks);
    EXPECT_FALSE(marks.HasRange());
    EXPECT_FALSE(marks.box.visible);
    EXPECT_EQ(marks.playStart, 5000);
    EXPECT_EQ(marks.playEnd, 15000);
    PlayWholeClip(marks, 50000);
    EXPECT_EQ(marks.playStart, 0);
    EXPECT_EQ(marks.playEnd, 50000);
    EXPECT_EQ(marks.box.left, 0);
}

TEST(Marks, NoFileOrNoScaleGivesNoPositions) {
    EXPECT_FALSE(CursorX(100, 0, 1000).has_value());
    EXPECT_EQ(CursorX(12500, 50000, 1000), 250);
    EXPECT_EQ(UnitsToPosition(250, 50000, 0), 0);
    Marks marks;
    EXPECT_EQ(PressMark(marks, MouseButton::Right, 300, {1000, 1, 0}, false), RangeButtons::Available);
    EXPECT_EQ(marks.playEnd, 0);
}

} // namespace
} // namespace zarn
