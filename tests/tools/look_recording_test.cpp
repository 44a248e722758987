// The demo station's recording to look at in the spectrogram: one clip holding a steady tone, a
// rising sweep and data bursts, each where the clip's description puts it.
#include "eventline.h"
#include "segscan.h"
#include "spectrogram.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace zarn {
namespace {

TEST(DemoStation, LookRecordingHoldsAToneASweepAndDataBursts) {
    test::TempDir dir;
    const std::string cmd = std::string(DEMO_STATION_TOOL) + " " + dir.path() + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string text = test::TempDir::read(dir.file("LOOK.EVA"));
    const SegmentTable t = ScanSegments(text);
    ASSERT_EQ(t.segCount, 1);
    EXPECT_EQ(t.clipCount[1], 1);

    // Eight seconds at 11025 Hz, a column of a tenth of a second each.
    constexpr int kRows = 101;
    const SpectrogramImage s = ReadSpectrogram(dir.file("LOOK0001.WAV"), {80, 11025 / 10.0, kRows});
    ASSERT_EQ(s.state, WavFileState::Playable);
    const auto brightest = [&](int column) {
        int best = 0;
        std::uint32_t bestColour = 0;
        for (int y = 0; y < s.height; ++y) {
            // Along the colour map, green grows from the floor to the top.
            const std::uint32_t c = s.pixels[static_cast<std::size_t>(y * s.width + column)];
            if (((c >> 8) & 0xFF) > ((bestColour >> 8) & 0xFF)) best = y, bestColour = c;
        }
        return 5512.5 * (kRows - 1 - best) / (kRows - 1); // in Hz
    };
    for (int c = 2; c < 18; ++c)
        EXPECT_NEAR(brightest(c), 1000, 60) << "column " << c;
    // The sweep rises from 300 Hz to 4500 Hz over three seconds.
    for (int c = 22; c < 48; c += 5)
        EXPECT_NEAR(brightest(c), 300 + 4200 * (c + 0.5 - 20) / 30, 200) << "column " << c;
    int mark = 0, space = 0;
    for (int c = 50; c < 80; ++c) {
        const double hz = brightest(c);
        mark += std::abs(hz - 1200) < 100;
        space += std::abs(hz - 2200) < 100;
    }
    EXPECT_GT(mark + space, 10);
}

} // namespace
} // namespace zarn
