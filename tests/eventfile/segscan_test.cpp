#include "segscan.h"

#include "dates.h"
#include "eventline.h"
#include "numbers.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
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
            if (lineCount >= 100) EXPECT_EQ(seen[i], seen[i - 1] + 1); // none skipped
        }
    }
}

// The scan reads dates lazily; it must give what reading every line in order gives.
SegmentTable Straightforward(std::string_view text) {
    SegmentTable t;
    LineCursor pass1(text);
    std::string_view line;
    while (pass1.Next(line)) {
        ++t.lineCount;
        if (line.substr(0, 5) == "START") ++t.segCount;
    }
    if (t.segCount < 1) return t;
    const auto n = static_cast<std::size_t>(t.segCount) + 1;
    t.start.assign(n, 0);
    t.stop.assign(n, 0);
    t.clipCount.assign(n, 0);
    t.maxNumber.assign(n, 0);
    std::size_t s = 0;
    LineCursor pass2(text);
    while (pass2.Next(line)) {
        const LineFields f = SplitFields(line);
        if (line.substr(0, 5) == "START" && !f[1].empty()) t.start[++s] = ToDate(f[1]).value_or(0);
        if (line.substr(0, 3) == "WAV" && !f[6].empty()) {
            t.maxNumber[s] = std::max(t.maxNumber[s], RoundToInt16Clamped(LeadingNumber(f[2])));
            if (auto d = ToDate(f[5])) t.stop[s] = *d;
            ++t.clipCount[s];
        }
    }
    return t;
}

// Random files of starts with and without readable times, stops and clip lines of every shape:
// without a level, a level that ends the line, WAVE and lower-case lines, numbers that round or pin,
// stop times that do not read, CR LF or LF ends, the last end missing.
TEST(ScanSegments, SameAsReadingEveryLineInOrder) {
    std::mt19937 random(20261201);
    const auto any = [&random](const std::vector<std::string>& v) { return v[random() % v.size()]; };
    const std::vector<std::string> stops{Clock(0, 1), Clock(59, 59), "bad", "", "12/01/2026 9:00"};
    const std::vector<std::string> starts{Start(0), "STARTBYTRIGGER,,X", "START,nope", "START",
                                          "START,13/45/26 08:00:00", "STOPBYTRIGGER," + Clock(1, 1)};
    const std::vector<std::string> numbers{"2.5",   "3.5",   "12abc", " 1 5",   "-4",
                                           "40000", "1E300", "",      "32767.4"};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> lines;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) {
            const std::string number = random() % 3 ? std::to_string(random() % 200) : any(numbers);
            const std::string clip = "," + number + ",0145,x," + any(stops) + ",";
            switch (random() % 6) {
            case 0:
                lines.push_back(any(starts));
                break;
            case 1:
                lines.push_back("WAV,X.WAV" + clip); // the level ends the line
                break;
            case 2:
                lines.push_back(std::string(random() % 2 ? "WAVE" : "wav") + ",X.WAV" + clip + "-90");
                break;
            default:
                lines.push_back(Clip(number, any(stops), random() % 5 ? "-80" : ""));
            }
        }
        std::string text = Lines(lines, random() % 2 ? "\r\n" : "\n");
        if (random() % 4 == 0 && !text.empty()) text.erase(text.find_last_not_of("\r\n") + 1);
        const SegmentTable want = Straightforward(text), got = ScanSegments(text);
        ASSERT_EQ(std::tie(got.segCount, got.lineCount, got.start, got.stop, got.clipCount, got.maxNumber),
                  std::tie(want.segCount, want.lineCount, want.start, want.stop, want.clipCount,
                           want.maxNumber))
            << text;
    }
}

} // namespace
} // namespace zarn
