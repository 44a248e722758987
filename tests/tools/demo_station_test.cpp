// The demo station must be a valid recording the programs open: every collection type, several
// segments, clips that exist as well-formed WAV files (a few missing on purpose), a configuration and
// a signal list the editor reads whole.
#include "audfile.h"
#include "config.h"
#include "eventline.h"
#include "paths.h"
#include "segscan.h"
#include "siglist_files.h"
#include "signal_list.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace zarn {
namespace {

// The little-endian 32-bit number at `at`.
std::uint32_t Le(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
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
    static std::string Read(const std::string& name) { return test::TempDir::read(dir_->file(name)); }
    static test::TempDir* dir_;
};
test::TempDir* DemoStation::dir_ = nullptr;

TEST_F(DemoStation, EventFilesOfEachTypeWithSegmentsAndWellFormedClips) {
    struct Expect {
        const char* eva;
        CollectionType type;
    };
    int missing = 0, clips = 0;
    for (const Expect& e :
         {Expect{"PRIA0612.EVA", CollectionType::Priority}, Expect{"SPEC0613.EVA", CollectionType::Spectral},
          Expect{"NET.EVA", CollectionType::Netora}}) {
        SCOPED_TRACE(e.eva);
        const std::string eva = dir_->file(e.eva), aud = AudFileName(eva);
        ASSERT_TRUE(FileExists(eva));
        const AudClassification c = FileExists(aud) ? ClassifyAud(test::TempDir::read(aud)) : ClassifyNoAud();
        EXPECT_EQ(c.type, e.type);
        const std::string text = Read(e.eva);
        const SegmentTable t = ScanSegments(text);
        ASSERT_GE(t.segCount, 3);
        for (int s = 1; s <= t.segCount; ++s) {
            EXPECT_GE(t.clipCount[s], 1) << "segment " << s;
            EXPECT_GT(t.stop[s], t.start[s]) << "segment " << s;
        }
        LineCursor lines(text);
        std::string_view line;
        while (lines.Next(line)) {
            if (!IsClipLine(line)) continue;
            const std::string clip(SplitFields(line)[1]);
            ++clips;
            EXPECT_TRUE(IsClipFileOfPrefix(ClipPrefix(eva), clip)) << clip;
            if (!FileExists(dir_->file(clip))) {
                ++missing;
                continue;
            }
            // A PCM header whose data size matches the file.
            const std::string wav = Read(clip);
            ASSERT_GT(wav.size(), 44u) << clip;
            EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8), "RIFFWAVEfmt ") << clip;
            EXPECT_EQ(Le(wav, 40), wav.size() - 44) << clip;
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
    // A list the editor reads whole and writes back byte for byte.
    SignalList list;
    const SignalLoadResult loaded = LoadSignalFile(dir_->file("~FREQ.SIG"), list);
    ASSERT_TRUE(loaded.file) << loaded.file.error;
    EXPECT_EQ(loaded.refused, 0);
    EXPECT_GE(list.Count(), 10);
    EXPECT_EQ(SignalFileText(list), Read("~FREQ.SIG"));
    EXPECT_EQ(ReadPointerFile(dir_->file("~FREQ.~IG")), dir_->file("~FREQ.SIG"));
    EXPECT_EQ(ReadCommentFile(dir_->file("~Freq.Cmt")).size(), 20u);
}

// The benchmark inputs: LARGE.EVA again as PRIORITY.EVA, with a companion of 1999 channels whose
// frequencies are those of the clips filed on them.
TEST(DemoStationLarge, PriorityCollectionOfTheLargeEventFile) {
    test::TempDir dir;
    const std::string cmd = std::string(DEMO_STATION_TOOL) + " --large " + dir.path() + " > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string text = test::TempDir::read(dir.file("PRIORITY.EVA"));
    EXPECT_EQ(text, test::TempDir::read(dir.file("LARGE.EVA")));
    EXPECT_EQ(ClassifyAud(test::TempDir::read(dir.file("LARGE.AUD"))).type, CollectionType::Spectral);

    const std::string aud = test::TempDir::read(dir.file("PRIORITY.AUD"));
    const AudClassification c = ClassifyAud(aud);
    EXPECT_EQ(c.type, CollectionType::Priority);
    EXPECT_EQ(c.smdLines, 1999);
    const std::vector<RowAttributes> rows = ReadRowAttributes(aud);
    ASSERT_EQ(rows.size(), 1999u);

    const SegmentTable t = ScanSegments(text);
    ASSERT_EQ(t.segCount, 1);
    EXPECT_EQ(t.clipCount[1], 32767);
    LineCursor lines(text);
    std::string_view line;
    int clips = 0, wrong = 0;
    while (lines.Next(line)) {
        if (!IsClipLine(line)) continue;
        ++clips;
        const LineFields f = SplitFields(line);
        const int channel = std::stoi(std::string(f[2]));
        ASSERT_TRUE(channel >= 1 && channel <= 1999) << line;
        const std::string& label = rows[static_cast<std::size_t>(channel - 1)].label;
        if (std::abs(std::stod(label.substr(0, 11)) - std::stod(std::string(f[3]))) > 1e-6) ++wrong;
    }
    EXPECT_EQ(clips, 32767);
    EXPECT_EQ(wrong, 0);
}

} // namespace
} // namespace zarn
