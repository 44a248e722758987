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

#include <cstdlib>
#include <cstring>

namespace zarn {
namespace {

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
    return bytes;
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
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
            EXPECT_EQ(Le32(wav, 24), 11025u) << clip;
            EXPECT_EQ(Le32(wav, 40), wav.size() - 44) << clip;
        }
    }
    EXPECT_GT(clips, 200);
    EXPECT_GE(missing, 1);
    EXPECT_LE(missing, 5);
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
