// The demo station must be what the programs and the README promise: every collection type,
// several segments, clips that exist and play, a few missing on purpose.
#include "audfile.h"
#include "config.h"
#include "eventline.h"
#include "paths.h"
#include "segscan.h"
#include "signal_list.h"
#include "siglist_files.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zarn {
namespace {

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
    return bytes;
}

// The little-endian number of `bytes` bytes at `at`.
std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

class DemoStation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::TempDir;
        const std::string cmd = std::string(DEMO_STATION_TOOL) + " " + dir_->path() + " > /dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    static void TearDownTestSuite() { delete dir_; }
    static test::TempDir* dir_;
};
test::TempDir* DemoStation::dir_ = nullptr;

TEST_F(DemoStation, OneEventFileOfEachCollectionType) {
    struct Expect {
        const char* eva;
        CollectionType type;
    };
    for (const Expect& e :
         {Expect{"PRIA0612.EVA", CollectionType::Priority}, Expect{"SPEC0613.EVA", CollectionType::Spectral},
          Expect{"NET.EVA", CollectionType::Netora}}) {
        const std::string eva = dir_->file(e.eva);
        ASSERT_TRUE(FileExists(eva)) << e.eva;
        const std::string aud = AudFileName(eva);
        const AudClassification c = FileExists(aud) ? ClassifyAud(Read(aud)) : ClassifyNoAud();
        EXPECT_EQ(c.type, e.type) << e.eva;
        if (e.type == CollectionType::Priority) {
            EXPECT_GE(c.smdLines, 2);
            EXPECT_EQ(ReadRowAttributes(Read(aud)).size(), static_cast<std::size_t>(c.smdLines));
        }
    }
}

TEST_F(DemoStation, SegmentsHaveClipsAndTheClipsMostlyExist) {
    int missing = 0, clips = 0;
    for (const char* name : {"PRIA0612.EVA", "SPEC0613.EVA", "NET.EVA"}) {
        const std::string eva = dir_->file(name);
        const std::string text = Read(eva);
        EXPECT_NE(text.find("\r\n"), std::string::npos) << "CR LF line ends";
        const SegmentTable t = ScanSegments(text);
        ASSERT_GE(t.segCount, 3) << name;
        for (int s = 1; s <= t.segCount; ++s) {
            EXPECT_GE(t.clipCount[s], 1) << name << " segment " << s;
            EXPECT_GT(t.stop[s], t.start[s]) << name << " segment " << s;
        }
        const std::string prefix = ClipPrefix(eva);
        LineCursor lines(text);
        std::string_view line;
        while (lines.Next(line)) {
            if (!IsClipLine(line)) continue;
            const std::string clip(SplitFields(line)[1]);
            ++clips;
            EXPECT_TRUE(IsClipFileOfPrefix(prefix, clip)) << clip;
            if (!FileExists(dir_->file(clip))) {
                ++missing;
                continue;
            }
            // A canonical PCM header whose data size matches the file.
            const std::string wav = Read(dir_->file(clip));
            ASSERT_GE(wav.size(), 44u) << clip;
            EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0) << clip;
            EXPECT_EQ(wav.compare(8, 8, "WAVEfmt "), 0) << clip;
            EXPECT_EQ(Le(wav, 24, 4), 11025u) << clip;
            EXPECT_EQ(Le(wav, 40, 4), wav.size() - 44) << clip;
        }
    }
    EXPECT_GT(clips, 200);
    EXPECT_GE(missing, 1);
    EXPECT_LE(missing, 5);
}

// The clips sound like a scanner's recordings: transmissions from blips to several seconds, some
// with the squelch shut (digital silence) between overs, none driven into the rails. 8-bit clips,
// every ninth from the fourth 16-bit.
TEST_F(DemoStation, ClipsAreTransmissionsOfVariedLength) {
    constexpr double kRate = 11025.0;
    int clips = 0, withGap = 0;
    double shortest = 1e9, longest = 0.0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_->path())) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".WAV")) continue;
        ++clips;
        const int number = std::stoi(name.substr(name.size() - 8, 4));
        const std::string wav = Read(entry.path().string());
        ASSERT_GT(wav.size(), 44u) << name;
        const int bits = number % 9 == 4 ? 16 : 8;
        EXPECT_EQ(Le(wav, 34, 2), bits) << name;
        EXPECT_EQ(Le(wav, 32, 2), bits / 8) << name;
        EXPECT_EQ((wav.size() - 44) % 2, 0u) << name << ": no pad byte";

        std::vector<int> samples;
        for (std::size_t at = 44; at + bits / 8 <= wav.size(); at += bits / 8)
            samples.push_back(bits == 8 ? static_cast<unsigned char>(wav[at]) - 128
                                        : static_cast<std::int16_t>(Le(wav, at, 2)));
        const double seconds = static_cast<double>(samples.size()) / kRate;
        shortest = std::min(shortest, seconds);
        longest = std::max(longest, seconds);

        const int rail = bits == 8 ? 127 : 32767;
        std::size_t zeros = 0, atRail = 0;
        bool gap = false;
        for (int v : samples) {
            atRail += v <= -rail || v >= rail ? 1 : 0;
            if (v != 0) {
                gap = gap || zeros >= static_cast<std::size_t>(0.1 * kRate);
                zeros = 0;
            } else {
                ++zeros;
            }
        }
        EXPECT_EQ(atRail, 0u) << name;
        withGap += gap ? 1 : 0;
    }
    EXPECT_GT(clips, 200);
    EXPECT_LT(shortest, 0.5);
    EXPECT_GT(longest, 4.0);
    EXPECT_GE(withGap, clips / 10) << "clips with 100 ms of digital silence and sound after it";
}

TEST_F(DemoStation, ConfigurationAndSignalList) {
    const Settings s = ReadConfig(dir_->path());
    EXPECT_DOUBLE_EQ(s.DefaultIfbw, 0.025);
    EXPECT_TRUE(s.WavDisplayOn);
    // The demo's list is one the editor reads whole and writes back byte for byte.
    SignalList list;
    const SignalLoadResult loaded = LoadSignalFile(dir_->file("~FREQ.SIG"), list);
    ASSERT_TRUE(loaded.file) << loaded.file.error;
    EXPECT_EQ(loaded.refused, 0);
    EXPECT_GE(list.Count(), 10);
    EXPECT_EQ(SignalFileText(list), test::TempDir::read(dir_->file("~FREQ.SIG")));
    EXPECT_EQ(ReadPointerFile(dir_->file("~FREQ.~IG")), dir_->file("~FREQ.SIG"));
    EXPECT_EQ(ReadCommentFile(dir_->file("~Freq.Cmt")).size(), 20u);
}

} // namespace
} // namespace zarn
