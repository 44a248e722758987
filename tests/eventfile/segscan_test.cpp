#include "segscan.h"

#include "dates.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace zarn {
namespace {

// 12/01/26 08:mm:ss as a date, and as text.
double At(int minute, int second) {
    return SerialFromParts({2026, 12, 1, 8, minute, second});
}
std::string Clock(int minute, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "12/01/26 08:%02d:%02d", minute, second);
    return text;
}
std::string Start(int minute) {
    return "STARTBYTRIGGER," + Clock(minute, 0) + ",ABCD0001.WAV";
}
std::string Clip(std::string_view number, const std::string& stop, std::string_view level = "-87") {
    return "WAV,ABCD0001.WAV," + std::string(number) + ",0145.5250," + Clock(0, 0) + "," + stop + "," +
           std::string(level) + ",1";
}
std::string Lines(const std::vector<std::string>& lines, std::string_view end = "\r\n") {
    std::string text;
    for (const auto& line : lines)
        (text += line) += end;
    return text;
}

TEST(ScanSegments, SegmentsTheirClipsAndBounds) {
    const SegmentTable t = ScanSegments(Lines({
        Clip("9", Clock(0, 2)),
        Start(0),
        Clip("3", Clock(0, 10)),
        Clip("7", Clock(0, 20)),
        Clip("5", Clock(0, 30)),
        "STOPBYTRIGGER,12/01/26 08:00:30,ABCD0003.WAV",
        Start(10),
        Clip("2", Clock(10, 5)),
    }));
    EXPECT_EQ(t.segCount, 2);
    EXPECT_EQ(t.lineCount, 8);
    EXPECT_EQ(t.start, (std::vector<double>{0, At(0, 0), At(10, 0)}));
    EXPECT_EQ(t.stop, (std::vector<double>{At(0, 2), At(0, 30), At(10, 5)}));
    EXPECT_EQ(t.clipCount, (std::vector<int>{1, 3, 1}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{9, 7, 2}));
    EXPECT_EQ(t.StartOf(2), At(10, 0));
    EXPECT_EQ(t.StopOf(2), At(10, 5));
    EXPECT_EQ(t.StopOf(0), At(0, 2));
    for (int outside : {-1, 3, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_EQ(t.StartOf(outside), 0.0) << outside;
        EXPECT_EQ(t.StopOf(outside), 0.0) << outside;
    }
    EXPECT_EQ(SegmentTable{}.StopOf(0), 0.0);
    EXPECT_TRUE(t.Holds(1) && t.Holds(2));
    EXPECT_FALSE(t.Holds(0) || t.Holds(3) || t.Holds(-1) || SegmentTable{}.Holds(1));
    SegmentTable shortArrays = t;
    shortArrays.maxNumber.resize(2); // a table whose arrays disagree with segCount
    EXPECT_FALSE(shortArrays.Holds(2));
}

TEST(ScanSegments, ProgressRisesToOneHundredAndNotWithoutSegments) {
    for (int lineCount : {0, 1, 3, 100, 101, 1234}) {
        SCOPED_TRACE(lineCount);
        std::vector<std::string> lines;
        if (lineCount > 0) lines.push_back(lineCount == 3 ? "start,12/01/26 08:00:00" : Start(0));
        while (static_cast<int>(lines.size()) < lineCount)
            lines.push_back(Clip("1", Clock(0, 1)));
        std::vector<int> seen;
        const SegmentTable t = ScanSegments(Lines(lines), [&](int percent) { seen.push_back(percent); });
        EXPECT_EQ(t.lineCount, lineCount);
        if (lineCount == 0 || lineCount == 3) { // no START line: nothing counted, no progress
            EXPECT_EQ(t.segCount, 0);
            EXPECT_TRUE(t.start.empty() && t.stop.empty() && t.clipCount.empty() && t.maxNumber.empty());
            EXPECT_TRUE(seen.empty());
            continue;
        }
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), 100);
        EXPECT_GE(seen.front(), 0);
        for (std::size_t i = 1; i < seen.size(); ++i) {
            EXPECT_LT(seen[i - 1], seen[i]);
            EXPECT_TRUE(lineCount < 100 || seen[i] == seen[i - 1] + 1) << i; // none skipped
        }
    }
}

// Only START lines with a time open a segment (all are counted); a clip is a WAV line with a level,
// whose number rounds and pins to 16 bits and whose readable stop time becomes the segment's stop.
TEST(ScanSegments, WhatCountsAndWhatIsRead) {
    const std::string text = Lines(
        {
            Start(0),
            "WAV,X.WAV,2.5,0145,x," + Clock(0, 1) + ",-80",
            "WAV,X.WAV,3.5,0145,x,bad,-80",
            "WAV,X.WAV,40000,0145,x," + Clock(0, 9) + ",",
            "wav,X.WAV,7,0145,x," + Clock(0, 5) + ",-80",
            "WAVE,X.WAV,1,0145,x," + Clock(0, 3) + ",-80",
            "STARTBYTRIGGER,,X",
            "WAV,X.WAV,1E300,0145,x,12/01/2026 9:00,-80",
            "START,13/45/26 08:00:00",
            "WAV,X.WAV,-4,0145,x," + Clock(59, 59) + ",-80",
        },
        "\n");
    const SegmentTable t = ScanSegments(text.substr(0, text.size() - 1));
    EXPECT_EQ(t.segCount, 3);
    EXPECT_EQ(t.lineCount, 10);
    EXPECT_EQ(t.start, (std::vector<double>{0, At(0, 0), 0, 0}));
    EXPECT_EQ(t.stop, (std::vector<double>{0, SerialFromParts({2026, 12, 1, 9, 0, 0}), At(59, 59), 0}));
    EXPECT_EQ(t.clipCount, (std::vector<int>{0, 4, 1, 0}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{0, 32767, 0, 0}));
}

} // namespace
} // namespace zarn
