// The demo station must be a valid recording the programs open: every collection type, several
// segments, clips that exist as well-formed WAV files (a few missing on purpose), a configuration and
// a signal list the editor reads whole, and a recording to look at in the spectrogram; and, with
// --large, the benchmark inputs.
#include "audfile.h"
#include "config.h"
#include "eventline.h"
#include "paths.h"
#include "segscan.h"
#include "siglist_files.h"
#include "signal_list.h"
#include "spectrogram.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

// Runs the tool into `dir` with `options` before the folder.
void MakeStation(const TempDir& dir, const char* options) {
    const std::string cmd = std::string(DEMO_STATION_TOOL) + options + dir.path() + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
}
// Calls `clip` with the fields of each clip line of an event file's text.
template <typename F> void ForEachClip(const std::string& text, F clip) {
    LineCursor lines(text);
    for (std::string_view line; lines.Next(line);)
        if (IsClipLine(line)) clip(SplitFields(line));
}

TEST(DemoStation, EventFilesConfigurationSignalListAndTheLookRecording) {
    TempDir dir;
    MakeStation(dir, " ");
    int missing = 0, clips = 0;
    for (const auto& [eva, type] : {std::pair{"PRIA0612.EVA", CollectionType::Priority},
                                    std::pair{"SPEC0613.EVA", CollectionType::Spectral},
                                    std::pair{"NET.EVA", CollectionType::Netora}}) {
        SCOPED_TRACE(eva);
        const std::string path = dir.file(eva), aud = AudFileName(path), text = TempDir::read(path);
        EXPECT_EQ((FileExists(aud) ? ClassifyAud(TempDir::read(aud)) : ClassifyNoAud()).type, type);
        const SegmentTable t = ScanSegments(text);
        ASSERT_GE(t.segCount, 3);
        for (int s = 1; s <= t.segCount; ++s) {
            EXPECT_GE(t.clipCount[s], 1) << "segment " << s;
            EXPECT_GT(t.stop[s], t.start[s]) << "segment " << s;
        }
        ForEachClip(text, [&](const LineFields& f) {
            const std::string clip(f[1]);
            ++clips;
            EXPECT_TRUE(IsClipFileOfPrefix(ClipPrefix(path), clip)) << clip;
            if (!FileExists(dir.file(clip))) {
                ++missing;
                return;
            }
            const std::string wav = TempDir::read(dir.file(clip));
            // A PCM header whose data size matches the file.
            std::uint32_t dataSize = 0;
            ASSERT_GT(wav.size(), 44u) << clip;
            std::memcpy(&dataSize, wav.data() + 40, 4);
            EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8), "RIFFWAVEfmt ") << clip;
            EXPECT_EQ(dataSize, wav.size() - 44) << clip;
        });
    }
    EXPECT_GT(clips, 200);
    EXPECT_GE(missing, 1);
    EXPECT_LE(missing, 5);

    const Settings s = ReadConfig(dir.path());
    EXPECT_DOUBLE_EQ(s.DefaultIfbw, 0.025);
    EXPECT_TRUE(s.WavDisplayOn);
    // A list the editor reads whole and writes back byte for byte.
    SignalList list;
    const SignalLoadResult loaded = LoadSignalFile(dir.file("~FREQ.SIG"), list);
    ASSERT_TRUE(loaded.file) << loaded.file.error;
    EXPECT_EQ(loaded.refused, 0);
    EXPECT_GE(list.Count(), 10);
    EXPECT_EQ(SignalFileText(list), TempDir::read(dir.file("~FREQ.SIG")));
    EXPECT_EQ(ReadPointerFile(dir.file("~FREQ.~IG")), dir.file("~FREQ.SIG"));
    EXPECT_EQ(ReadCommentFile(dir.file("~Freq.Cmt")).size(), 20u);

    // The recording to look at: one clip holding a steady tone, a rising sweep and data bursts, each
    // where the clip's description puts it.
    const SegmentTable look = ScanSegments(TempDir::read(dir.file("LOOK.EVA")));
    ASSERT_EQ(look.segCount, 1);
    EXPECT_EQ(look.clipCount[1], 1);

    // Eight seconds at 11025 Hz, a column of a tenth of a second each.
    constexpr int kRows = 101;
    const SpectrogramImage picture = ReadSpectrogram(dir.file("LOOK0001.WAV"), {80, 11025 / 10.0, kRows});
    ASSERT_EQ(picture.state, WavFileState::Playable);
    const auto brightest = [&](int column) {
        int best = 0;
        std::uint32_t bestColour = 0;
        for (int y = 0; y < picture.height; ++y) {
            // Along the colour map, green grows from the floor to the top.
            const std::uint32_t c = picture.pixels[static_cast<std::size_t>(y * picture.width + column)];
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

// LARGE.EVA again as PRIORITY.EVA, with a companion of 1999 channels whose frequencies are those of
// the clips filed on them.
TEST(DemoStation, LargePriorityCollection) {
    TempDir dir;
    MakeStation(dir, " --large ");
    const std::string text = TempDir::read(dir.file("PRIORITY.EVA")),
                      aud = TempDir::read(dir.file("PRIORITY.AUD"));
    EXPECT_EQ(text, TempDir::read(dir.file("LARGE.EVA")));
    EXPECT_EQ(ClassifyAud(TempDir::read(dir.file("LARGE.AUD"))).type, CollectionType::Spectral);
    EXPECT_EQ(ClassifyAud(aud).type, CollectionType::Priority);
    const std::vector<RowAttributes> rows = ReadRowAttributes(aud);
    ASSERT_EQ(rows.size(), 1999u);
    const SegmentTable t = ScanSegments(text);
    ASSERT_EQ(t.segCount, 1);
    EXPECT_EQ(t.clipCount[1], 32767);
    int clips = 0, wrong = 0;
    ForEachClip(text, [&](const LineFields& f) {
        ++clips;
        const int channel = std::stoi(std::string(f[2]));
        ASSERT_TRUE(channel >= 1 && channel <= 1999) << f[2];
        const std::string& label = rows[static_cast<std::size_t>(channel - 1)].label;
        wrong += std::abs(std::stod(label.substr(0, 11)) - std::stod(std::string(f[3]))) > 1e-6;
    });
    EXPECT_EQ(clips, 32767);
    EXPECT_EQ(wrong, 0);
}

} // namespace
} // namespace zarn
