#include "config.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zarn {
namespace {

struct ConfigCase {
    const char* name;
    const char* text;
    double ifbw;
    bool wavOn;
};

class ParseConfigTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ParseConfigTest, ReadsSettings) {
    const ConfigCase& c = GetParam();
    const Settings s = ParseConfig(c.text);
    EXPECT_DOUBLE_EQ(s.DefaultIfbw, c.ifbw) << c.name;
    EXPECT_EQ(s.WavDisplayOn, c.wavOn) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseConfigTest,
    ::testing::Values(
        ConfigCase{"as written", "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n", 0.025, true},
        ConfigCase{"display off", "[WAV Display]\r\nOFF\r\n[IFBW]\r\n25\r\n", 0.025, false},
        // The reading stops once a bandwidth is read: a display section after it is never seen.
        ConfigCase{"bandwidth first stops", "[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n", 0.0125, false},
        // The switch is compared exactly.
        ConfigCase{"lower-case on", "[WAV Display]\r\non\r\n[IFBW]\r\n25\r\n", 0.025, false},
        ConfigCase{"section names are exact", "[ifbw]\r\n50\r\n[WAV Display] \r\nON\r\n", 0.025, false},
        // Without a bandwidth the station default stands in; -1 would make every clip its own row.
        ConfigCase{"no bandwidth section", "[WAV Display]\r\nON\r\n", 0.025, true},
        ConfigCase{"negative bandwidth", "[IFBW]\r\n-5\r\n", 0.025, false},
        ConfigCase{"section on the last line", "[WAV Display]\r\nON\r\n[IFBW]", 0.025, true},
        // Not a number reads as 0, which is a bandwidth, and ends the reading.
        ConfigCase{"bandwidth not a number", "[IFBW]\r\nwide\r\n[WAV Display]\r\nON\r\n", 0.0, false},
        ConfigCase{"lenient number", "[IFBW]\r\n 1 5 KHz\r\n", 0.015, false},
        ConfigCase{"LF line ends", "[WAV Display]\nON\n[IFBW]\n30\n", 0.030, true},
        ConfigCase{"empty file", "", 0.025, false}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(ConfigFile, MissingFileGivesDefaults) {
    test::TempDir dir;
    const Settings s = ReadConfig(dir.path());
    EXPECT_DOUBLE_EQ(s.DefaultIfbw, 0.025);
    EXPECT_TRUE(s.WavDisplayOn);
}

TEST(ConfigFile, WrittenFileReadsBack) {
    test::TempDir dir;
    ASSERT_TRUE(WriteConfig(dir.path(), false, "12.5"));
    EXPECT_EQ(test::TempDir::read(dir.file("Zarn_Aud.Ini")), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n12.5\r\n");
    const Settings s = ReadConfig(dir.path());
    EXPECT_DOUBLE_EQ(s.DefaultIfbw, 0.0125);
    EXPECT_FALSE(s.WavDisplayOn);
    EXPECT_FALSE(WriteConfig(dir.file("no/such"), true, "25"));
}

TEST(ProgramFolder, PathsAreJoinedWithoutDoubledSeparator) {
    EXPECT_EQ(ProgramFolderFrom("/home/op/station/"), "/home/op/station");
    EXPECT_EQ(ProgramFolderFrom("/home/op/station"), "/home/op/station");
    // The root folder, like a drive's root, leaves an empty folder name.
    EXPECT_EQ(ProgramFolderFrom("/"), "");
    EXPECT_EQ(ConfigFilePath(""), "/Zarn_Aud.Ini");
    EXPECT_EQ(ConfigFilePath("/st"), "/st/Zarn_Aud.Ini");
    EXPECT_EQ(HelpFilePath("/st/"), "/st/Zarn_aud.HLP");
    EXPECT_EQ(HelpFilePath("/st"), "/st/Zarn_aud.HLP");
}

TEST(WaitMs, RaisesShortWaitsTo50AndBlocks) {
    using clock = std::chrono::steady_clock;
    int ms = 10;
    const auto t0 = clock::now();
    WaitMs(ms);
    EXPECT_EQ(ms, 50);
    EXPECT_GE(clock::now() - t0, std::chrono::milliseconds(50));

    ms = 80;
    const auto t1 = clock::now();
    WaitMs(ms);
    EXPECT_EQ(ms, 80);
    EXPECT_GE(clock::now() - t1, std::chrono::milliseconds(80));
}

} // namespace
} // namespace zarn
