#include "config.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zarn {
namespace {

TEST(ParseConfig, ReadsTheDisplaySwitchAndTheBandwidth) {
    const struct {
        const char* text;
        double ifbw;
        bool wavOn;
    } cases[] = {
        {"[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n", 0.025, true},
        {"[WAV Display]\r\nOFF\r\n[IFBW]\r\n50\r\n", 0.050, false},
        // The reading stops once a bandwidth is read: a display section after it is never seen.
        {"[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n", 0.0125, false},
        // Names and the switch are compared exactly.
        {"[WAV Display]\r\non\r\n[IFBW]\r\n25\r\n", 0.025, false},
        {"[ifbw]\r\n50\r\n[WAV Display] \r\nON\r\n", 0.025, false},
        // Without a bandwidth the station default stands in; -1 would make every clip its own row.
        {"[WAV Display]\r\nON\r\n", 0.025, true},
        {"[IFBW]\r\n-5\r\n", 0.025, false},
        {"[WAV Display]\r\nON\r\n[IFBW]", 0.025, true},
        // Not a number reads as 0, which is a bandwidth, and ends the reading.
        {"[IFBW]\r\nwide\r\n[WAV Display]\r\nON\r\n", 0.0, false},
        {"[IFBW]\r\n 1 5 KHz\r\n", 0.015, false},
        {"[WAV Display]\nON\n[IFBW]\n30\n", 0.030, true},
        {"", 0.025, false},
    };
    for (const auto& c : cases) {
        const Settings s = ParseConfig(c.text);
        EXPECT_DOUBLE_EQ(s.DefaultIfbw, c.ifbw) << c.text;
        EXPECT_EQ(s.WavDisplayOn, c.wavOn) << c.text;
    }
}

TEST(ConfigFile, MissingGivesDefaultsAndWrittenReadsBack) {
    test::TempDir dir;
    EXPECT_DOUBLE_EQ(ReadConfig(dir.path()).DefaultIfbw, 0.025);
    EXPECT_TRUE(ReadConfig(dir.path()).WavDisplayOn);
    ASSERT_TRUE(WriteConfig(dir.path(), false, "12.5"));
    EXPECT_EQ(test::TempDir::read(dir.file("Zarn_Aud.Ini")), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n12.5\r\n");
    EXPECT_DOUBLE_EQ(ReadConfig(dir.path()).DefaultIfbw, 0.0125);
    EXPECT_FALSE(ReadConfig(dir.path()).WavDisplayOn);
}

TEST(ProgramFolder, PathsAreJoinedWithoutDoubledSeparator) {
    EXPECT_EQ(ProgramFolderFrom("/home/op/station/"), "/home/op/station");
    EXPECT_EQ(ProgramFolderFrom("/home/op/station"), "/home/op/station");
    EXPECT_EQ(ProgramFolderFrom("/"), ""); // the root, like a drive's root, leaves an empty name
    EXPECT_EQ(ConfigFilePath(""), "/Zarn_Aud.Ini");
    EXPECT_EQ(HelpFilePath("/st/"), "/st/Zarn_aud.HLP");
    EXPECT_EQ(HelpFilePath("/st"), "/st/Zarn_aud.HLP");
}

TEST(WaitMs, RaisesShortWaitsTo50AndBlocks) {
    for (const auto& [asked, waited] : {std::pair{10, 50}, std::pair{80, 80}}) {
        int ms = asked;
        const auto t0 = std::chrono::steady_clock::now();
        WaitMs(ms);
        EXPECT_EQ(ms, waited);
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(waited));
    }
}

} // namespace
} // namespace zarn
