#include "picture.h"

#include "entry_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

namespace zarn {

bool operator==(const Bar& a, const Bar& b) {
    return a.x1 == b.x1 && a.x2 == b.x2 && a.row == b.row && a.rgb == b.rgb;
}

namespace {

constexpr std::uint32_t kBlue = 0x000080, kCyan = 0x008080, kLightRed = 0xFF0000, kLightMagenta = 0xFF00FF;

// Closed ranges of whole dBm; everything between and outside them light magenta.
TEST(LevelColour, ClosedRangesAndGaps) {
    for (const auto& [lo, hi, rgb] :
         {std::tuple{-174, -100, kBlue}, {-99, -90, kCyan}, {-89, -80, 0x00FFFFu}, {-79, -70, 0x808000u},
          {-69, -60, 0xFFFF00u}, {-59, -50, 0x800000u}, {-49, -40, kLightRed}}) {
        EXPECT_EQ(std::tuple(LevelColour(lo), LevelColour(hi), LevelColour(lo - 0.01), LevelColour(hi + 0.01)),
                  std::tuple(rgb, rgb, kLightMagenta, kLightMagenta))
            << lo;
    }
    EXPECT_EQ(LevelColour(0), kLightMagenta);
    EXPECT_EQ(LevelColour(std::numeric_limits<double>::quiet_NaN()), kLightMagenta);
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
    ClipTable t = MakeTable({
        {"A0001.WAV,2,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {2, 10, 20}},
        {"A0002.WAV,,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {0, 10, 20}},  // no place
        {"A0003.WAV,1,145.0100,01/01/06 00:00:05,01/01/06 00:00:05, -45 ,7", {1, 5, 5}}, // stop = start
        {"A0004.WAV,3,145.0100,12/31/05 23:59:57,01/01/06 00:00:04,,7", {3, -3, 4}},     // before the start
        {"A0005.WAV,3,145.0100,01/01/06 00:00:09,01/01/06 00:00:08,-100dBm", {3, 9, 8}}, // stop before start
    });
    // A bar is at least one unit wide; an empty level reads 0; negative x is left to the drawing.
    EXPECT_EQ(BarsOf(t),
              (std::vector<Bar>{
                  {10, 20, 2, kCyan}, {5, 6, 1, kLightRed}, {-3, 4, 3, kLightMagenta}, {9, 10, 3, kBlue}}));
    t.Place.resize(3); // a place list shorter than the clips is not overrun
    EXPECT_EQ(BarsOf(t).size(), 1u);
}

TEST(ClipLineTableField, NamedFieldsOfClipsInTheTableOnly) {
    const ClipTable t = MakeTable({{"A0001.WAV,12,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7", {}}});
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::FileName), "A0001.WAV");
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::StopTime), "01/01/06 00:00:20");
    EXPECT_EQ(t.ClipLine.Field(1, ClipFieldId::Value).substr(0, 2), "7 "); // padded to 80 characters
    for (int outside : {0, 2, -1})
        EXPECT_EQ(t.ClipLine.Field(outside, ClipFieldId::FileName), "") << outside;
}

TEST(RowOfY, RoundsUpWithinTheRows) {
    const std::tuple<double, long, int> cases[] = {
        {3.0, 50, 3},   {3.01, 50, 4},        {0, 50, 1},           {0.001, 50, 1}, {50, 50, 50},
        {50.5, 50, 50}, {1e12, 32767, 32767}, {std::nan(""), 50, 1}, {2.5, 0, 1}};
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
                          {"LaterOverlapWins", {{3, 10, 40}, {9, 20, 30}}, 25, 1002, 9},
                          {"EarlierWhenLaterMisses", {{3, 10, 40}, {9, 20, 30}}, 35, 1002, 3},
                          {"NegativeStart", {{4, -20, 5}}, 0, 2004, 4},
                          {"EmptyRow", {}, 5, 1002, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(HoverClipOf(c.row, c.x, c.scaleWidth), c.clip) << c.name;
}

TEST(Readouts, TextsAsTheOperatorReadsThem) {
    const double segStart = 38718.0; // 01/01/06 00:00:00
    const std::string line =
        MakeEntryLine("00145.50000", "12.500", "-1", "USB", SignalClass::Ids, "7", true, "Net 4 relay");
    const std::pair<std::string, const char*> cases[] = {
        {RowText(CollectionType::Spectral, 1999, false), "Track# 1999"},
        {RowText(CollectionType::Netora, 12, true), "Track#  012"},
        {TimeText("T1:  ", TimeOfX(1800, segStart, 2)), "T1:  01/01/06 01:00:00"},
        {TimeText("T2:  ", TimeOfX(1350, segStart, 8)), "T2:  01/01/06 03:00:00"},
        {TimeText("T:  ", TimeOfX(-30, segStart, 1)), "T:  12/31/05 23:59:30"},
        {FreqText(12345.6), "F:  12345.6000 M"},
        {SelectedLevelText("  -87.5  "), "-87.5 dBm"},
        {SelectedLevelText(""), " dBm"},
        {IfbwText(1.5, ", IFT"), "IFBW: 1500KHz, IFT"},
        {IfbwText(0.01, "AM"), "IFBW: 010KHzAM"},
        {StatusText(line), "   <ids>,    7    x   Net 4 relay"},
        {StatusText(line.substr(0, 40)), "   <ids>,   "}, // a cut line gives what it has
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);
}

} // namespace
} // namespace zarn
