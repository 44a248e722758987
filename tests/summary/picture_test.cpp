#include "picture.h"

#include "entry_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

namespace zarn {
namespace {

constexpr std::uint32_t kBlue = 0x000080, kCyan = 0x008080, kLightCyan = 0x00FFFF, kBrown = 0x808000,
                        kLightYellow = 0xFFFF00, kRed = 0x800000, kLightRed = 0xFF0000,
                        kLightMagenta = 0xFF00FF;

TEST(LevelColour, ClosedRangesAndGaps) {
    const std::pair<double, std::uint32_t> cases[] = {
        {-175, kLightMagenta}, {-174, kBlue},       {-100, kBlue},          {-99.5, kLightMagenta},
        {-99, kCyan},          {-90, kCyan},        {-89.5, kLightMagenta}, {-89, kLightCyan},
        {-80, kLightCyan},     {-79, kBrown},       {-70, kBrown},          {-69, kLightYellow},
        {-60, kLightYellow},   {-59, kRed},         {-50, kRed},            {-49, kLightRed},
        {-40, kLightRed},      {-39.99, kLightMagenta}, {-39, kLightMagenta}, {0, kLightMagenta},
        {std::numeric_limits<double>::quiet_NaN(), kLightMagenta}};
    for (const auto& [level, rgb] : cases)
        EXPECT_EQ(LevelColour(level), rgb) << level;
}

// A table of clips as the loader leaves it: lines without "WAV," and their places.
ClipTable MakeTable(const std::vector<std::pair<std::string, ClipPlace>>& clips) {
    ClipTable t;
    t.ClipCount = static_cast<int>(clips.size());
    t.ClipLine.Reset(t.ClipCount);
    t.Place.resize(clips.size() + 1);
    for (std::size_t i = 0; i < clips.size(); ++i) {
        t.ClipLine.Set(static_cast<int>(i + 1), clips[i].first);
        t.Place[i + 1] = clips[i].second;
    }
    return t;
}

TEST(BarsOf, PlacedClipsInOrderWithWidthAndLevelColour) {
    const ClipTable t = MakeTable({
        {"A0001.WAV,2,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {2, 10, 20}},
        {"A0002.WAV,,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {0, 10, 20}},  // no place
        {"A0003.WAV,1,145.0100,01/01/06 00:00:05,01/01/06 00:00:05, -45 ,7", {1, 5, 5}}, // stop = start
        {"A0004.WAV,3,145.0100,12/31/05 23:59:57,01/01/06 00:00:04,,7", {3, -3, 4}},     // before the start
        {"A0005.WAV,3,145.0100,01/01/06 00:00:09,01/01/06 00:00:08,-100dBm", {3, 9, 8}}, // stop before start
    });
    const std::vector<Bar> bars = BarsOf(t);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0].x1, 10);
    EXPECT_EQ(bars[0].x2, 20);
    EXPECT_EQ(bars[0].row, 2);
    EXPECT_EQ(bars[0].rgb, kCyan);
    EXPECT_EQ(bars[1].x1, 5);
    EXPECT_EQ(bars[1].x2, 6); // one unit wide
    EXPECT_EQ(bars[1].rgb, kLightRed);
    EXPECT_EQ(bars[2].x1, -3); // negative x is kept; the drawing clips it
    EXPECT_EQ(bars[2].x2, 4);
    EXPECT_EQ(bars[2].rgb, kLightMagenta); // empty level reads 0
    EXPECT_EQ(bars[3].x2, 10);
    EXPECT_EQ(bars[3].rgb, kBlue); // leading number of "-100dBm"
}

TEST(BarsOf, PlaceShorterThanClipCountIsNotOverrun) {
    ClipTable t = MakeTable({{"A.WAV,1,1,a,b,-50", {1, 0, 3}}, {"B.WAV,1,1,a,b,-50", {1, 3, 4}}});
    t.Place.resize(2);
    EXPECT_EQ(BarsOf(t).size(), 1u);
}

TEST(ClipLineTableField, NamedFieldsOfClipsInTheTableOnly) {
    const ClipTable t = MakeTable({{"A0001.WAV,12,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {}}});
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::FileName), "A0001.WAV");
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::StopTime), "01/01/06 00:00:20");
    // The table pads its lines to 80 characters: the last field carries the blanks.
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::Value).substr(0, 2), "7 ");
    EXPECT_EQ(t.ClipLine.Field(0, ClipFieldId::FileName), "");
    EXPECT_EQ(t.ClipLine.Field(2, ClipFieldId::FileName), "");
    EXPECT_EQ(t.ClipLine.Field(-1, ClipFieldId::Level), "");
}

TEST(RowOfY, RoundsUpWithinTheRows) {
    const std::tuple<double, long, int> cases[] = {{3.0, 50, 3},  {3.01, 50, 4}, {0, 50, 1},         {0.001, 50, 1},
                                                   {-4, 50, 1},   {50, 50, 50},  {50.5, 50, 50},     {1e12, 32767, 32767},
                                                   {std::nan(""), 50, 1},        {2.5, 0, 1}};
    for (const auto& [y, rows, row] : cases)
        EXPECT_EQ(RowOfY(y, rows), row) << y;
}

// The last clip of the row within scale width / 500 of the pointer.
TEST(HoverClipOf, LastMatchWithinTolerance) {
    struct Case {
        const char* name;
        std::vector<ClipTriple> row;
        double x, scaleWidth;
        int clip;
    };
    const Case cases[] = {{"LowEdge", {{7, 100, 101}}, 97.996, 1002, 7},
                          {"HighEdge", {{7, 100, 101}}, 103.004, 1002, 7},
                          {"JustLeft", {{7, 100, 101}}, 97.995, 1002, 0},
                          {"JustRight", {{7, 100, 101}}, 103.005, 1002, 0},
                          {"Inside", {{7, 100, 101}}, 100.5, 1002, 7},
                          {"LaterOverlapWins", {{3, 10, 40}, {9, 20, 30}}, 25, 1002, 9},
                          {"EarlierWhenLaterMisses", {{3, 10, 40}, {9, 20, 30}}, 35, 1002, 3},
                          {"NegativeStart", {{4, -20, 5}}, 0, 2004, 4},
                          {"EmptyRow", {}, 5, 1002, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(HoverClipOf(c.row, c.x, c.scaleWidth), c.clip) << c.name;
}

TEST(Readouts, RowTexts) {
    EXPECT_EQ(RowText(CollectionType::Priority, 3, false), "Chnl# 003");
    EXPECT_EQ(RowText(CollectionType::Priority, 3, true), "Chnl#  003");
    EXPECT_EQ(RowText(CollectionType::Spectral, 1999, false), "Track# 1999");
    EXPECT_EQ(RowText(CollectionType::Netora, 12, true), "Track#  012");
}

TEST(Readouts, TimeOfXAndItsText) {
    const double segStart = 38718.0; // 01/01/06 00:00:00
    EXPECT_EQ(TimeText("T:  ", TimeOfX(0, segStart, 1)), "T:  01/01/06 00:00:00");
    EXPECT_EQ(TimeText("T1:  ", TimeOfX(1800, segStart, 2)), "T1:  01/01/06 01:00:00");
    EXPECT_EQ(TimeText("T2:  ", TimeOfX(1350, segStart, 8)), "T2:  01/01/06 03:00:00");
    EXPECT_EQ(TimeText("T:  ", TimeOfX(-30, segStart, 1)), "T:  12/31/05 23:59:30");
}

TEST(Readouts, FrequencyLevelAndBandwidth) {
    EXPECT_EQ(FreqText(145.01), "F:  0145.0100 M");
    EXPECT_EQ(FreqText(12345.6), "F:  12345.6000 M");
    EXPECT_EQ(HoverLevelText(" -87.5"), " -87.5 dBm");
    EXPECT_EQ(SelectedLevelText("  -87.5  "), "-87.5 dBm");
    EXPECT_EQ(SelectedLevelText(""), " dBm");
    EXPECT_EQ(IfbwText(0.025, ", 025KHz, FM "), "IFBW: 025KHz, FM ");
    EXPECT_EQ(IfbwText(0.03, ", 030KHz, AM "), "IFBW: 030KHz, AM ");
    EXPECT_EQ(IfbwText(1.5, ", IFT"), "IFBW: 1500KHz, IFT");
    EXPECT_EQ(IfbwText(0.01, "AM"), "IFBW: 010KHzAM");
}

TEST(Readouts, StatusFromTheEntryLine) {
    const std::string line =
        MakeEntryLine("00145.50000", "12.500", "-1", "USB", SignalClass::Ids, "7", true, "Net 4 relay");
    EXPECT_EQ(StatusText(line), "   <ids>,    7    x   Net 4 relay");
    EXPECT_EQ(StatusText(""), "   < . . . >");
    EXPECT_EQ(StatusText(line.substr(0, 40)), "   <ids>,   "); // a cut line gives what it has
}

} // namespace
} // namespace zarn
