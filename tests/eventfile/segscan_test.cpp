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

// 12/01/26 08:mm:ss as a date.
double At(int minute, int second) {
    return SerialFromParts({2026, 12, 1, 8, minute, second});
}

std::string Clock(int minute, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "12/01/26 08:%02d:%02d", minute, second);
    return text;
}

std::string Start(int minute, int second) {
    return "STARTBYTRIGGER," + Clock(minute, second) + ",ABCD0001.WAV";
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

TEST(ScanSegments, SegmentsAndTheirClips) {
    const std::string text = Lines({
        "Ver, Created by Zarn_Aud Export Utility",
        Start(0, 0),
        Clip("3", Clock(0, 10)),
        Clip("7", Clock(0, 20)),
        Clip("5", Clock(0, 30)),
        "STOPBYTRIGGER,12/01/26 08:00:30,ABCD0003.WAV",
        Start(10, 0),
        Clip("2", Clock(10, 5)),
    });
    const SegmentTable t = ScanSegments(text);
    EXPECT_EQ(t.segCount, 2);
    EXPECT_EQ(t.lineCount, 8);
    ASSERT_EQ(t.start.size(), 3u);
    EXPECT_EQ(t.start[1], At(0, 0));
    EXPECT_EQ(t.stop[1], At(0, 30));
    EXPECT_EQ(t.clipCount[1], 3);
    EXPECT_EQ(t.maxNumber[1], 7);
    EXPECT_EQ(t.start[2], At(10, 0));
    EXPECT_EQ(t.stop[2], At(10, 5));
    EXPECT_EQ(t.clipCount[2], 1);
    EXPECT_EQ(t.maxNumber[2], 2);
    EXPECT_EQ(t.clipCount[0], 0);
}

TEST(ScanSegments, StartWithEmptyDateCountsButOpensNoSegment) {
    const SegmentTable t = ScanSegments(Lines({
        Start(0, 0),
        Clip("1", Clock(0, 5)),
        "STARTBYTRIGGER,,ABCD0002.WAV",
        Clip("4", Clock(0, 9)), // still segment 1
        "START",
        Start(20, 0),
        Clip("2", Clock(20, 1)),
    }));
    EXPECT_EQ(t.segCount, 4);
    ASSERT_EQ(t.clipCount.size(), 5u);
    EXPECT_EQ(t.clipCount[1], 2);
    EXPECT_EQ(t.maxNumber[1], 4);
    EXPECT_EQ(t.stop[1], At(0, 9));
    EXPECT_EQ(t.start[2], At(20, 0));
    EXPECT_EQ(t.clipCount[2], 1);
    // The trailing segments stay without data.
    for (std::size_t s : {3u, 4u}) {
        EXPECT_EQ(t.clipCount[s], 0);
        EXPECT_EQ(t.start[s], 0.0);
        EXPECT_EQ(t.stop[s], 0.0);
        EXPECT_EQ(t.maxNumber[s], 0);
    }
}

TEST(ScanSegments, ClipsWithoutLevelAreNotCounted) {
    const SegmentTable t = ScanSegments(Lines({
        Start(0, 0), Clip("3", Clock(0, 10)), Clip("99", Clock(0, 50), ""), // empty level
        "WAV,ABCD0003.WAV,98,0145.5250,a," + Clock(0, 55),                  // no level field at all
        "WAVE,ABCD0004.WAV,4,0145,x," + Clock(0, 20) + ",-90",              // counted: WAVE is a clip line
        "wav,ABCD0005.WAV,97,0145,x," + Clock(0, 58) + ",-90",              // not a clip line
    }));
    EXPECT_EQ(t.clipCount[1], 2);
    EXPECT_EQ(t.maxNumber[1], 4);
    EXPECT_EQ(t.stop[1], At(0, 20));
}

TEST(ScanSegments, StopIsThatOfTheLastCountedClip) {
    const SegmentTable t = ScanSegments(Lines({
        Start(0, 0),
        Clip("1", Clock(0, 50)), // stops latest but comes first
        Clip("1", Clock(0, 10)),
        Clip("1", Clock(0, 59), ""), // not counted
        Start(1, 0),
        Clip("1", Clock(1, 10)),
        Clip("1", Clock(1, 20)),
        Clip("1", "not a date"), // unreadable: the previous stop stays
        Clip("1", ""),
        Start(2, 0),
        Clip("1", "garbage"),
    }));
    EXPECT_EQ(t.stop[1], At(0, 10));
    EXPECT_EQ(t.stop[2], At(1, 20));
    EXPECT_EQ(t.clipCount[2], 4);
    EXPECT_EQ(t.stop[3], 0.0);
    EXPECT_EQ(t.clipCount[3], 1);
}

TEST(ScanSegments, ClipsBeforeFirstStartGoToElementZero) {
    const SegmentTable t = ScanSegments(Lines({
        Clip("9", Clock(0, 1)),
        Clip("8", Clock(0, 2)),
        Start(5, 0),
        Clip("1", Clock(5, 1)),
    }));
    EXPECT_EQ(t.segCount, 1);
    EXPECT_EQ(t.clipCount[0], 2);
    EXPECT_EQ(t.maxNumber[0], 9);
    EXPECT_EQ(t.stop[0], At(0, 2));
    EXPECT_EQ(t.clipCount[1], 1);
    EXPECT_EQ(t.maxNumber[1], 1);
}

TEST(SegmentTable, BoundsOfItsSegments) {
    const SegmentTable t = ScanSegments(Lines({
        Clip("9", Clock(0, 2)),
        Start(5, 0),
        Clip("1", Clock(5, 1)),
        Start(6, 0),
        Clip("1", Clock(6, 1)),
    }));
    EXPECT_EQ(t.StartOf(2), At(6, 0));
    EXPECT_EQ(t.StopOf(2), At(6, 1));
    EXPECT_EQ(t.StartOf(0), 0.0);
    EXPECT_EQ(t.StopOf(0), At(0, 2));
    for (int outside : {-1, 3, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_EQ(t.StartOf(outside), 0.0) << outside;
        EXPECT_EQ(t.StopOf(outside), 0.0) << outside;
    }
    EXPECT_EQ(SegmentTable{}.StartOf(1), 0.0);
    EXPECT_EQ(SegmentTable{}.StopOf(0), 0.0);

    EXPECT_TRUE(t.Holds(1) && t.Holds(2));
    EXPECT_FALSE(t.Holds(0) || t.Holds(3) || t.Holds(-1) || SegmentTable{}.Holds(1));
    SegmentTable shortArrays = t;
    shortArrays.maxNumber.resize(2); // a table whose arrays disagree with segCount
    EXPECT_FALSE(shortArrays.Holds(2));
}

TEST(ScanSegments, MaxNumberRoundsHalfToEvenAndIsPinned) {
    const struct {
        std::vector<std::string_view> numbers;
        std::int16_t max;
    } cases[] = {
        {{"2.5"}, 2},       {{"3.5"}, 4},         {{"1", "12abc", "3"}, 12},
        {{" 1 5"}, 15},     {{"-4", "-1"}, 0}, // 0 when nothing is larger
        {{""}, 0},          {{"40000"}, 32767},   {{"1E300", "7"}, 32767},
        {{"-99999999"}, 0}, {{"32767.4"}, 32767},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines{Start(0, 0)};
        for (auto n : c.numbers)
            lines.push_back(Clip(n, Clock(0, 1)));
        const SegmentTable t = ScanSegments(Lines(lines));
        EXPECT_EQ(t.maxNumber[1], c.max) << c.numbers.front();
    }
}

TEST(ScanSegments, UnreadableStartIsDateZero) {
    const SegmentTable t =
        ScanSegments(Lines({"START,yesterday", Clip("1", Clock(0, 3)), "START,13/45/26 08:00:00"}));
    EXPECT_EQ(t.segCount, 2);
    EXPECT_EQ(t.start[1], 0.0);
    EXPECT_EQ(t.stop[1], At(0, 3));
    EXPECT_EQ(t.start[2], 0.0);
}

TEST(ScanSegments, NoStartLinesGiveAnEmptyTable) {
    for (const std::string& text :
         {std::string(), Lines({Clip("1", Clock(0, 1)), "start,12/01/26 08:00:00", ""})}) {
        int calls = 0;
        const SegmentTable t = ScanSegments(text, [&](int) { ++calls; });
        EXPECT_EQ(t.segCount, 0);
        EXPECT_EQ(t.lineCount, text.empty() ? 0 : 3);
        EXPECT_TRUE(t.start.empty() && t.stop.empty() && t.clipCount.empty() && t.maxNumber.empty());
        EXPECT_EQ(calls, 0);
    }
}

TEST(ScanSegments, LineEnds) {
    // A level field that holds only the CR of a CR LF end is empty.
    const std::vector<std::string> lines{Start(0, 0), Clip("1", Clock(0, 5)),
                                         "WAV,ABCD0002.WAV,6,0145,x," + Clock(0, 9) + ",",
                                         Clip("2", Clock(0, 7))};
    const SegmentTable crlf = ScanSegments(Lines(lines, "\r\n"));
    const SegmentTable lf = ScanSegments(Lines(lines, "\n"));
    std::string noLastEnd = Lines(lines, "\r\n");
    noLastEnd.resize(noLastEnd.size() - 2);
    const SegmentTable last = ScanSegments(noLastEnd);
    for (const SegmentTable* t : {&crlf, &lf, &last}) {
        EXPECT_EQ(t->lineCount, 4);
        EXPECT_EQ(t->clipCount[1], 2);
        EXPECT_EQ(t->maxNumber[1], 2);
        EXPECT_EQ(t->stop[1], At(0, 7));
    }
}

TEST(ScanSegments, ProgressRisesToOneHundred) {
    for (int lineCount : {1, 3, 100, 101, 1234}) {
        std::vector<std::string> lines{Start(0, 0)};
        while (static_cast<int>(lines.size()) < lineCount)
            lines.push_back(Clip("1", Clock(0, 1)));
        std::vector<int> seen;
        ScanSegments(Lines(lines), [&](int percent) { seen.push_back(percent); });
        SCOPED_TRACE(lineCount);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), 100);
        EXPECT_GE(seen.front(), 0);
        for (std::size_t i = 1; i < seen.size(); ++i) {
            EXPECT_LT(seen[i - 1], seen[i]);
            // With at least 100 lines no percentage is skipped.
            if (lineCount >= 100) {
                EXPECT_EQ(seen[i], seen[i - 1] + 1);
            }
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

TEST(ScanSegments, SameAsReadingEveryLineInOrder) {
    std::mt19937 random(20261201);
    const std::vector<std::string> stops{Clock(0, 1), Clock(3, 0), Clock(59, 59),
                                         "bad",       "",          "12/01/2026 9:00"};
    const std::vector<std::string> starts{Start(0, 0), "STARTBYTRIGGER,,X", "START,nope", "START"};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            switch (random() % 4) {
            case 0:
                lines.push_back(starts[random() % starts.size()]);
                break;
            case 3:
                lines.push_back("STOPBYTRIGGER," + Clock(1, 1));
                break;
            default:
                lines.push_back(Clip(std::to_string(static_cast<int>(random() % 200) - 50),
                                     stops[random() % stops.size()], random() % 5 ? "-80" : ""));
            }
        }
        const std::string text = Lines(lines, random() % 2 ? "\r\n" : "\n");
        const SegmentTable want = Straightforward(text);
        const SegmentTable got = ScanSegments(text);
        SCOPED_TRACE(text);
        EXPECT_EQ(got.segCount, want.segCount);
        EXPECT_EQ(got.lineCount, want.lineCount);
        EXPECT_EQ(got.start, want.start);
        EXPECT_EQ(got.stop, want.stop);
        EXPECT_EQ(got.clipCount, want.clipCount);
        EXPECT_EQ(got.maxNumber, want.maxNumber);
    }
}

} // namespace
} // namespace zarn
