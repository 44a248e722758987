#include "clip_table.h"
#include "dates.h"
#include "formats.h"
#include "numbers.h"
#include "segscan.h"
#include "segment_split.h"
#include "temp_dir.h"
#include "textfile.h"
#include "picture.h"
#include "entry_line.h"
#include "play_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace zarn {

bool operator==(const ClipTriple& a, const ClipTriple& b) {
    return a.clip == b.clip && a.x1 == b.x1 && a.x2 == b.x2;
}

bool operator==(const Bar& a, const Bar& b) {
    return a.x1 == b.x1 && a.x2 == b.x2 && a.row == b.row && a.rgb == b.rgb;
}

namespace {

const double kSegStart = SerialFromParts({2024, 3, 1, 20, 0, 0});

std::string At(int seconds) {
    return FormatDateTime(kSegStart + seconds / 86400.0);
}

// "WAV,ABCD<clip>.WAV,<number>,<mhz>,<start>,<stop>,<level>,1"
std::string Wav(int clip, int number, double mhz, int start, int stop, const std::string& level = "-70") {
    char text[160];
    std::snprintf(text, sizeof text, "WAV,ABCD%04d.WAV,%d,%09.4f,%s,%s,%s,1", clip, number, mhz,
                  At(start).c_str(), At(stop).c_str(), level.c_str());
    return text;
}

std::string Text(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::string Start(int seconds = 0) {
    return "STARTBYTRIGGER," + At(seconds) + ",ABCD0001.WAV";
}

std::string SmdLines(int count) {
    std::string text;
    for (int k = 1; k <= count; ++k)
        text += "SMD,0,0,2,0,2,0,0,0,0,0,0," + std::to_string(100 + k) + ",0,0\r\n";
    return text;
}

// The table of one segment, its numbers taken from the segment table as the segment dialog does.
struct Load {
    std::string event;
    std::string aud;
    bool audExists = true;
    int segment = 1;
    const SignalBands* bands = nullptr;

    ClipTable Build(const ClipTableHooks& hooks = {}) const {
        const SegmentTable seg = ScanSegments(event);
        const auto s = static_cast<std::size_t>(segment);
        const ClipTableInput in{audExists, aud, event, segment, seg.start.at(s), seg.stop.at(s),
                                seg.clipCount.at(s), seg.maxNumber.at(s), 0.025, bands};
        // Every build reports its two activities and its progress only when the percentage changes.
        std::vector<std::string> activities;
        std::vector<int> percents = {-1};
        ClipTableHooks all = hooks;
        all.activity = [&](const char* a) { activities.emplace_back(a); };
        all.progress = [&](int p) {
            EXPECT_TRUE(p != percents.back() && p >= 0 && p <= 100) << p << " after " << percents.back();
            percents.push_back(p);
        };
        ClipTable t = BuildClipTable(in, all);
        EXPECT_EQ(activities, (std::vector<std::string>{" Reading File...", " Processing..."}));
        EXPECT_GT(percents.size(), 1u);
        return t;
    }
};

TEST(TimeScale, HalvesTheResolutionUntilFewerThan2001Units) {
    for (const auto& [seconds, perUnit, units] : {std::tuple{0.0, 1, 0L}, {2000.0, 1, 2000L}, {2001.0, 2, 1000L},
                                                  {3600.0, 2, 1800L}, {10800.0, 8, 1350L}}) {
        const TimeScale s = ComputeTimeScale(seconds);
        EXPECT_EQ(std::pair(s.secondsPerUnit, s.widthUnits), std::pair(perUnit, units)) << seconds;
    }
}

// A date's unit multiplies by the reciprocal of a power-of-two scale: the same double as the plain
// quotient, bit for bit, over ordinary, huge, tiny and subnormal spans; other scales still divide.
TEST(TimeScale, UnitOfIsThePlainQuotient) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> day(0, 60000);
    std::vector<std::pair<double, double>> dates = {
        {45000.5, 45000.5}, {45000.25, 45000.75}, {1e300, -1e300},       {5e-324, 0},
        {1e-310, -1e-310},  {-0.0, 0.0},          {std::nan(""), 45000}, {1e308, 1e308 / 86400 * -1}};
    for (int k = 0; k < 2000; ++k)
        dates.emplace_back(day(rng), day(rng));
    const auto bits = [](double v) {
        std::uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    for (const int perUnit : {1, 2, 4, 8, 64, 1024, 1 << 20, 1 << 30, 3, 6, 1000})
        for (const auto& [date, start] : dates) {
            const double quotient = (date - start) * 86400.0 / perUnit;
            EXPECT_EQ(bits(UnitOf(date, start, perUnit)), bits(quotient))
                << date << " " << start << " " << perUnit;
        }
}

// The table as one line: type, rows, then each row with clips as "row: clip@x1-x2#number ...", the
// clips without a place as "-: clip ...".
std::string Describe(const ClipTable& t) {
    const char* const types[] = {"PRIORITY", "SPECTRAL", "NETORA"};
    std::string text = std::string(types[static_cast<int>(t.Type)]) + " " + std::to_string(t.RowCount);
    for (std::size_t r = 1; r < t.RowClips.size(); ++r) {
        if (!t.RowClips[r].empty()) text += " " + std::to_string(r) + ":";
        for (const ClipTriple& c : t.RowClips[r])
            text += " " + std::to_string(c.clip) + "@" + std::to_string(c.x1) + "-" + std::to_string(c.x2) +
                    "#" + std::string(t.ClipLine.Field(c.clip, ClipFieldId::Number));
    }
    text += " -:";
    for (int clip = 1; clip <= t.ClipCount; ++clip)
        if (t.Place[static_cast<std::size_t>(clip)].row == 0) text += " " + std::to_string(clip);
    EXPECT_EQ(static_cast<int>(text.size() - text.rfind(" -:") - 3) / 2, t.Skipped) << text;
    return text;
}

// The collection type from the AUD file (exactly 100 SMD lines whose 11th and 100th are equal, or an
// SPE line: SPECTRAL; other SMD lines: PRIORITY, a row a line; none: NETORA). PRIORITY files clips by
// channel (rounded half to even); the others group them by frequency window, number the rows from the
// lowest frequency, and take a signal list entry's window for the clips it holds. The clips are the
// selected segment's lines with a level; those without a place (no row, a bad date, a time beyond
// 16 bits) are counted as skipped.
TEST(ClipTable, RowsOfEachCollectionType) {
    std::string same;
    for (int k = 0; k < 100; ++k)
        same += "SMD,0,0,2,0,2,0,0,0,0,0,0,145,0,0\r\n";
    std::string badDate = Wav(7, 1, 145, 20, 21);
    badDate.replace(badDate.find("03/01/24"), 8, "13/45/24");
    const SignalBands bands({145.0}, {0.030});
    const std::vector<std::string> one = {Start(), Wav(1, 7, 145, 0, 10)};
    struct Case {
        const char* name;
        std::optional<std::string> aud;
        std::vector<std::string> event;
        const char* seen;
        int segment = 1;
        const SignalBands* bands = nullptr;
    };
    const Case cases[] = {
        {"no AUD file", std::nullopt, one, "NETORA 1 1: 1@0-10#1 -:"},
        {"SPE line", "HDR\r\nspe,1\r\n" + SmdLines(3), one, "SPECTRAL 1 1: 1@0-10#1 -:"},
        {"100 identical", same, one, "SPECTRAL 1 1: 1@0-10#1 -:"},
        {"100 differing", SmdLines(100), one, "PRIORITY 100 7: 1@0-10#7 -:"},
        {"99 identical", same.substr(same.find('\n') + 1), one, "PRIORITY 99 7: 1@0-10#7 -:"},
        {"spectral rows",
         "SPE,1\r\n",
         {Start(), Wav(1, 9, 145.0, 0, 5), Wav(2, 9, 145.01, 6, 9), Wav(3, 9, 145.02, 10, 12),
          Wav(4, 9, 30.0, 20, 22), Wav(5, 9, 145.0125, 30, 31)},
         "SPECTRAL 3 1: 4@20-22#1 2: 1@0-5#2 2@6-9#2 5@30-31#2 3: 3@10-12#3 -:"},
        {"signal list window",
         std::nullopt,
         {Start(), Wav(1, 9, 145.01, 0, 5), Wav(2, 9, 144.986, 6, 9), Wav(3, 9, 145.02, 10, 12)},
         "NETORA 2 1: 1@0-5#1 2@6-9#1 2: 3@10-12#2 -:",
         1,
         &bands},
        {"priority channels",
         "HDR,PRIORITY\r\n" + SmdLines(3),
         {Start(), Wav(1, 1, 30, 0, 10), Wav(2, 3, 145.01, 100, 112),
          "WAV,ABCD0003.WAV,2.5,145 kHz," + At(100) + "," + At(106) + ",-70,1", Wav(4, 1, 30, 3590, 3600)},
         "PRIORITY 3 1: 1@0-5#1 4@1795-1800#1 2: 3@50-53#2.5 3: 2@50-56#3 -:"},
        {"which lines are clips",
         SmdLines(3),
         {"WAV,ABCD0000.WAV,1,145,03/01/24 19:00:00,03/01/24 19:00:01,-70,1", Start(), Wav(1, 1, 145, 0, 5),
          "STARTBYTRIGGER,,ABCD0002.WAV", Wav(2, 2, 145, 6, 9, ""), "STOPBYTRIGGER,x,y", Wav(3, 0, 145, 6, 9),
          Wav(4, 4, 145, 10, 12), badDate, Wav(5, 2, 145, -40000, 41), Wav(6, 3, 145, 1790, 1800),
          Start(2000), Wav(9, 2, 145, 2000, 2005)},
         "PRIORITY 3 1: 1@0-5#1 3: 6@1790-1800#3 -: 2 3 4 5"},
        {"second segment", SmdLines(3), {}, "PRIORITY 3 2: 1@0-5#2 -:", 2}, // of the file above
        {"channels of several digits",
         SmdLines(100),
         {Start(), Wav(1, 57, 145, 0, 10), Wav(2, 100, 145, 12, 14), Wav(3, 101, 145, 16, 18),
          "WAV,ABCD0004.WAV,0012,145," + At(20) + "," + At(22) + ",-70,1",
          "WAV,ABCD0005.WAV,12.5,145," + At(20) + "," + At(22) + ",-70,1"},
         "PRIORITY 100 12: 4@20-22#0012 5@20-22#12.5 57: 1@0-10#57 100: 2@12-14#100 -: 3"},
        {"the same times of day a day apart", // 64 s a unit
         SmdLines(3),
         {Start(), Wav(1, 1, 145, 0, 10), Wav(2, 2, 145, 86400, 86410), Wav(3, 3, 145, 10, 86400)},
         "PRIORITY 3 1: 1@0-0#1 2: 2@1350-1350#2 3: 3@0-1350#3 -:"},
    };
    for (const Case& c : cases) {
        const Load load{Text(c.event.empty() ? cases[8].event : c.event), c.aud.value_or(""), c.aud.has_value(),
                        c.segment, c.bands};
        EXPECT_EQ(Describe(load.Build()), c.seen) << c.name;
    }
}

// What the rows and lines hold besides: the picture's scale, row attributes, lines of 80 characters.
TEST(ClipTable, ScaleRowAttributesAndLines) {
    Load load{Text({Start(), Wav(1, 1, 30, 0, 10), Wav(2, 3, 145.01, 100, 112), Wav(3, 1, 30, 3590, 3600)}),
              "HDR,PRIORITY\r\n" + SmdLines(3)};
    ClipTable t = load.Build();
    EXPECT_EQ(t.SecondsPerUnit, 2); // 3600 s; the width and scale are the split row's
    EXPECT_EQ(t.RowMode[3], ", 030KHz, FM ");
    EXPECT_EQ(t.RowLabel[3], "00103.00000, 00000.00000");
    EXPECT_EQ(t.ClipLine[2].size(), 80u);
    EXPECT_EQ(t.ClipLine[2].substr(0, 18), "ABCD0002.WAV,3,014");

    load.aud = "SPE,1\r\n";
    load.event = Text({Start(), Wav(1, 9, 145.0, 0, 5), Wav(2, 9, 30.0, 20, 22), Wav(3, 9, 145.02, 10, 12)});
    t = load.Build();
    EXPECT_EQ(t.RowFrequency, (std::vector<double>{30.0, 145.0, 145.02}));
    EXPECT_EQ(t.ClipLine[2].substr(0, 26), "ABCD0002.WAV,1,0030.0000,0"); // the rest of the line is kept
    EXPECT_EQ(t.ClipLine[2].size(), 80u);
    const SignalBands bands({145.0}, {0.030});
    load.audExists = false;
    load.bands = &bands;
    EXPECT_EQ(load.Build().RowBandwidth, (std::vector<double>{0.025, 0.030, 0.025}));
    EXPECT_EQ(load.Build().RowMode[1], ", 025KHz, FM ");
}

// Hooks that answer the too-many question with `answer` and note at which clip it came.
ClipTableHooks AnswerTooMany(TooManyAnswer answer, int& askedAt) {
    ClipTableHooks hooks;
    hooks.tooMany = [answer, &askedAt](int clip) {
        EXPECT_EQ(askedAt, 0) << "asked twice";
        askedAt = clip;
        return answer;
    };
    return hooks;
}

// `clips` frequencies 1 MHz apart, then one more on the first row that ends the segment.
std::string ManyFrequencies(int clips) {
    std::vector<std::string> lines = {Start()};
    for (int i = 1; i <= clips; ++i)
        lines.push_back(Wav(i, 1, 30.0 + i, i % 1800, i % 1800 + 1));
    lines.push_back(Wav(clips + 1, 1, 30.0, 1799, 1800));
    return Text(lines);
}

// 2000 rows with more clips to come after the next ask the question at clip 2000.
TEST(ClipTable, TooManyRowsAskOnceAtTheLimit) {
    // Clips, PRIORITY (else NETORA), the answer, the clip asked at (0: not asked).
    for (const auto& [clips, priority, answer, asked] : {std::tuple{1999, false, TooManyAnswer::Decline, 0},
                                                         {2001, true, TooManyAnswer::Decline, 2000},
                                                         {2001, false, TooManyAnswer::Split, 2000}}) {
        SCOPED_TRACE(priority);
        int askedAt = 0;
        const Load load{ManyFrequencies(clips), SmdLines(3), priority};
        const ClipTable t = load.Build(AnswerTooMany(answer, askedAt));
        EXPECT_EQ(askedAt, asked);
        EXPECT_EQ(t.Declined, asked != 0 && answer == TooManyAnswer::Decline);
        EXPECT_EQ(t.Split, asked != 0 && answer == TooManyAnswer::Split);
        if (!t.Split) continue;
        EXPECT_EQ(std::tuple(t.ClipCount, t.ClipLine.Count(), t.RowCount, t.SegWidthUnits),
                  std::tuple(2000, 2000, 2000L, 201L)); // the stop of clip 2000: 2000 % 1800 + 1
        EXPECT_DOUBLE_EQ(t.ScaleWidth, 201 + 201 / 501.0); // the picture spans the part kept
        EXPECT_EQ(t.ClipLine.Field(2000, ClipFieldId::Number), "2000");
    }
}

// A row's list of "clip,x1,x2," triples may not pass 65000 characters: the clip that crosses asks.
// With three-digit places clips 1-999 take 11880 characters and each later one 13: 64998 after clip
// 5085, 65011 after clip 5086.
TEST(ClipTable, TooLongRowListAsksAtTheClipThatCrossesTheLimit) {
    std::vector<std::string> lines = {Start()};
    for (int i = 1; i <= 6000; ++i)
        lines.push_back(Wav(i, 1, 145.0, 100 + i % 800, 101 + i % 800));
    lines.push_back(Wav(6001, 1, 145.0, 1799, 1800));
    int askedAt = 0;
    const ClipTable t = Load{Text(lines), "", false}.Build(AnswerTooMany(TooManyAnswer::Split, askedAt));
    EXPECT_EQ(std::tuple(askedAt, t.ClipCount, t.RowCount), std::tuple(5086, 5086, 1L));
}

// The row scan as stated: from the middle or the top, stop at the row that holds f or lies above it.
// `slot` holds, for each row, the order in which it was made; the answer is the row's slot.
struct WalkMatcher {
    const SignalBands& bands;
    double defaultIfbw;
    std::vector<double> centre, bw;
    std::vector<int> slot;

    RowMatcher::Match Match(double f) {
        double b = defaultIfbw;
        for (int i = 0; i < bands.Count(); ++i) {
            const double c = bands.Frequency(i), w = bands.Bandwidth(i);
            if (c - w / 2 <= f && f <= c + w / 2) {
                f = c, b = w;
                break;
            }
        }
        const std::size_t m = centre.size();
        const auto h = static_cast<std::size_t>(std::nearbyint(m / 2.0));
        std::size_t p = f <= (m ? centre[h] : 0.0) ? 0 : h;
        for (; p < m; ++p) {
            if (centre[p] - bw[p] / 2 <= f && f <= centre[p] + bw[p] / 2) return {true, slot[p]};
            if (f < centre[p] - bw[p] / 2) break;
        }
        const auto at = static_cast<std::ptrdiff_t>(p);
        centre.insert(centre.begin() + at, f);
        bw.insert(bw.begin() + at, b);
        slot.insert(slot.begin() + at, static_cast<int>(m));
        return {false, static_cast<int>(m)};
    }
};

// The matcher and the stated scan side by side: the same answers, row slots and rows. Most rounds: a
// coarse grid, wide overlapping windows, the same frequencies again and again, so a remembered row is
// often moved by new rows or stops being the scan's answer and must not be trusted. Every 400th: a
// long segment of fine frequencies, more than the memory holds, a signal list with negative and
// uneven bandwidths, and infinities.
TEST(RowMatcher, AgreesWithTheStatedScan) {
    std::mt19937 rng(99);
    const auto digit = [&] { return static_cast<int>(rng() % 10); };
    const auto grid = [&] { return digit() + digit() * 0.1; };
    const auto fine = [&] { return 30 + static_cast<double>(rng() % 20000) / 1e4; };
    for (int round = 0; round < 40000; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool wide = round % 400 == 0;
        std::vector<double> freq, bw, pool;
        for (int i = wide ? static_cast<int>(rng() % 200) : digit(); i > 0; --i) {
            freq.push_back(wide ? fine() : grid());
            bw.push_back(wide ? 0.001 * (static_cast<int>(rng() % 40) - 5) : digit() * 0.5 * digit());
        }
        for (int i = 2 + digit(); i > 0; --i)
            pool.push_back(grid());
        const SignalBands bands(freq, bw);
        const double defaultIfbw = wide ? 0.025 : 0.2 * (1 + digit()) - 0.2;
        RowMatcher fast(&bands, defaultIfbw);
        WalkMatcher walk{bands, defaultIfbw, {}, {}, {}};
        for (int k = 0; k < (wide ? 6000 : 60); ++k) {
            const double f = !wide                        ? (digit() < 5 ? pool[rng() % pool.size()] : grid())
                             : k % 401 == 400             ? (k % 2 ? HUGE_VAL : -HUGE_VAL)
                             : k % 7 == 0 && !freq.empty() ? freq[static_cast<std::size_t>(k) % freq.size()]
                                                           : fine();
            const RowMatcher::Match a = fast.MatchClipRow(f), b = walk.Match(f);
            ASSERT_EQ(std::pair(a.found, a.slot), std::pair(b.found, b.slot)) << "clip " << k;
        }
        ASSERT_EQ(fast.Rows(), static_cast<int>(walk.centre.size()));
        for (int p = 0; p < fast.Rows(); ++p)
            ASSERT_EQ(std::pair(fast.Centre(p), fast.Bandwidth(p)),
                      std::pair(walk.centre[static_cast<std::size_t>(p)], walk.bw[static_cast<std::size_t>(p)]));
    }
}

using Lines = std::vector<std::string>;

const Lines kEvent = {
    "Ver, 02.00.00, Audio Collection Recorder",
    "STARTBYTRIGGER,03/01/24 19:00:00,ABCD0001.WAV",
    "WAV,ABCD0001.WAV,1,0145.0000,03/01/24 19:00:01,03/01/24 19:00:02,-70,1",
    "STARTBYTRIGGER,,ABCD0000.WAV", // no time: opens no segment
    "STARTBYTRIGGER,03/01/24 20:00:00,ABCD0002.WAV",
    "WAV,ABCD0002.WAV,1,0145.0000,03/01/24 20:00:01,03/01/24 20:00:05,-70,1",
    "STOPBYTRIGGER,03/01/24 20:00:05,ABCD0002.WAV",
    "WAV,ABCD0003.WAV,1,0145.0000,03/01/24 20:00:06,03/01/24 20:00:07,,1", // no level: not a clip
    "WAV,ABCD0012.WAV,2,0146.0000,03/01/24 20:01:00,03/01/24 20:01:40,-60,1",
    "WAV,ABCD9999,3,0147.0000,03/01/24 20:02:00,03/01/24 20:02:10,-60,1",
    "WAV,ABCD0014.WAV,3,0147.0000,03/01/24 20:03:00,03/01/24 20:03:10,-60,1",
};

TEST(SplitStartLine, NameLessFourCharactersAndTheirNumberPlusOne) {
    for (const auto& [file, expected] : {std::pair{"ABCD0041", "ABCD0042"}, {"AB", "0001"}, {"", "0001"}})
        EXPECT_EQ(SplitStartLine(file, "T"), std::string("STARTBYTRIGGER,T,") + expected) << file;
}

// The new start goes after the nth clip of the segment; lines that are not clips are copied in place
// and not counted; a segment or clip the file does not hold is refused.
TEST(SplitEventText, InsertsTheNewStartAfterTheNthClipOfTheSegment) {
    struct Case {
        int segment, clip;
        int at; // the line the new start becomes; 0: refused
        const char* start;
    };
    for (const Case c : {Case{2, 1, 6, "STARTBYTRIGGER,03/01/24 20:00:05,ABCD00020001"},
                         Case{2, 2, 9, "STARTBYTRIGGER,03/01/24 20:01:40,ABCD00120001"},
                         Case{2, 3, 10, "STARTBYTRIGGER,03/01/24 20:02:10,ABCD10000"},
                         Case{2, 4, 11, "STARTBYTRIGGER,03/01/24 20:03:10,ABCD00140001"},
                         Case{1, 1, 3, "STARTBYTRIGGER,03/01/24 19:00:02,ABCD00010001"}, Case{1, 2, 0, ""},
                         Case{2, 5, 0, ""}, Case{3, 1, 0, ""}, Case{0, 1, 0, ""}, Case{2, 0, 0, ""}}) {
        SCOPED_TRACE(std::to_string(c.segment) + " " + std::to_string(c.clip));
        const SplitText split = SplitEventText(JoinCrLf(kEvent), c.segment, c.clip);
        ASSERT_EQ(split.ok, c.at != 0);
        if (!split.ok) continue;
        Lines expected = kEvent;
        expected.insert(expected.begin() + c.at, c.start);
        EXPECT_EQ(split.text, JoinCrLf(expected));
        EXPECT_EQ(split.lastClipStop, std::string(c.start).substr(15, 17));
    }
}

TEST(SplitEventText, WritesCrLfAndKeepsEveryOtherByte) {
    const std::string text = "STARTBYTRIGGER,03/01/24 20:00:00,A\nWAV,A0001.WAV,1,145,03/01/24 20:00:01,"
                             "03/01/24 20:00:02,-70,\xE9t\xE9\r\nodd \r line\nWAV,A0002.WAV,1,145,x,y,-1,1";
    const SplitText split = SplitEventText(text, 1, 1);
    ASSERT_TRUE(split.ok);
    EXPECT_EQ(split.text, "STARTBYTRIGGER,03/01/24 20:00:00,A\r\nWAV,A0001.WAV,1,145,03/01/24 20:00:01,"
                          "03/01/24 20:00:02,-70,\xE9t\xE9\r\nSTARTBYTRIGGER,03/01/24 20:00:02,A00010001\r\n"
                          "odd \r line\r\nWAV,A0002.WAV,1,145,x,y,-1,1\r\n");
}

// The backup holds the old file and the event file the split one; nothing else is written, not even
// to the current folder. What cannot be split writes nothing at all.
TEST(SplitSegment, BackupAndSplitFileOrNothing) {
    test::TempDir dir;
    const std::string event = dir.file("ABCD.EVA"), sav = dir.file("ABCD.SAV");
    const double segStart = *ToDate("03/01/24 20:00:00");
    EXPECT_FALSE(SplitSegment(event, 2, 2, segStart, 1).error.empty()); // no such file
    const std::string before = JoinCrLf(kEvent);
    dir.write("ABCD.EVA", before);
    const SplitResult fewer = SplitSegment(event, 2, 9, segStart, 1);
    EXPECT_FALSE(fewer.ok);
    EXPECT_FALSE(fewer.error.empty());
    EXPECT_FALSE(std::filesystem::exists(sav));

    dir.write("ABCD.SAV", "an older backup\r\n");
    test::TempDir elsewhere;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    const SplitResult r = SplitSegment(event, 2, 2, segStart, 2);
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.segWidthUnits, 50); // 100 s at two seconds a unit
    EXPECT_EQ(test::TempDir::read(sav), before);
    EXPECT_EQ(test::TempDir::read(event), SplitEventText(before, 2, 2).text);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

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

// A table of clips as the loader leaves it: lines without "WAV," and their places, listed in the
// rows 1..`rows` they name.
ClipTable MakeTable(const std::vector<std::pair<std::string, ClipPlace>>& clips, int rows = 0) {
    ClipTable t;
    t.ClipCount = static_cast<int>(clips.size());
    t.ClipLine.Reset(t.ClipCount);
    t.Place.resize(clips.size() + 1);
    t.RowClips.resize(static_cast<std::size_t>(rows) + 1);
    for (int i = 1; i <= t.ClipCount; ++i) {
        const auto& [line, place] = clips[static_cast<std::size_t>(i - 1)];
        t.ClipLine.Set(i, line);
        t.Place[static_cast<std::size_t>(i)] = place;
        if (place.row > 0 && place.row <= rows)
            t.RowClips[static_cast<std::size_t>(place.row)].push_back({i, place.x1, place.x2});
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
    // The named fields of clips in the table only; the line is padded to 80 characters.
    const auto field = [&t](int i, ClipFieldId id) { return std::string(t.ClipLine.Field(i, id)) + "|"; };
    EXPECT_EQ(field(1, ClipFieldId::FileName) + field(1, ClipFieldId::StopTime) + field(5, ClipFieldId::Number) +
                  field(1, ClipFieldId::Value).substr(0, 2) + field(0, ClipFieldId::FileName) +
                  field(6, ClipFieldId::FileName) + field(-1, ClipFieldId::FileName),
              "A0001.WAV|01/01/06 00:00:20|3|7 |||");
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
    const std::vector<ClipTriple> one = {{7, 100, 101}}, two = {{3, 10, 40}, {9, 20, 30}};
    const std::tuple<std::vector<ClipTriple>, double, double, int> cases[] = {
        {one, 97.996, 1002, 7}, {one, 103.004, 1002, 7}, {one, 97.995, 1002, 0}, {one, 103.005, 1002, 0},
        {two, 25, 1002, 9},     {two, 35, 1002, 3},      {{{4, -20, 5}}, 0, 2004, 4}, {{}, 5, 1002, 0}};
    for (const auto& [row, x, scaleWidth, clip] : cases)
        EXPECT_EQ(HoverClipOf(row, x, scaleWidth), clip) << x;
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

// Clips 1..8 in file order. Clip 6 has no place; clip 8 sits out of time order, after clip 7, so
// it shows where a scan stops at a clip that starts after T2.
//   row 1: 1 (0-10), 3 (30-40), 7 (90-100)     row 2: 2 (5-20), 5 (70-80)
//   row 3: 4 (50-60), 8 (20-25)                row 4: no clips
ClipTable PlayTable() {
    const std::tuple<int, int, int, const char*> clips[] = {
        {1, 0, 10, "145.0000"},  {2, 5, 20, "145.0125"}, {1, 30, 40, "146.0000"},  {3, 50, 60, "144.9875"},
        {2, 70, 80, "145.0126"}, {0, 0, 0, "145.0000"},  {1, 90, 100, "145.0000"}, {3, 20, 25, " 145.000"}};
    std::vector<std::pair<std::string, ClipPlace>> lines;
    for (const auto& [row, x1, x2, freq] : clips)
        lines.push_back({"AB000" + std::to_string(lines.size() + 1) + ".WAV," + std::to_string(row) + "," +
                             freq + ",01/02/05 10:00:00,01/02/05 10:00:05,-80,0",
                         {row, x1, x2}});
    ClipTable t = MakeTable(lines, 4);
    t.RowCount = 40; // the rows stop at the lists the table holds, whatever RowCount says
    return t;
}

struct PlayCase {
    const char* name;
    PlayChoice choice; // option, time limit, continue, clip, row, T1, T2, band
    std::vector<int> expected;
};

constexpr SignalBand kNone{};
constexpr SignalBand k145{144.9875, 145.0125};

const PlayCase kCases[] = {
    // Single clip: the selected clip as it is, nothing for a selection outside the table.
    {"single first", kSingleClip, false, false, 1, 1, 0, 0, kNone, {1}},
    {"single last, time limit ignored", kSingleClip, true, false, 8, 1, 200, 300, kNone, {8}},
    {"single without a place", kSingleClip, false, false, 6, 1, 0, 0, kNone, {6}},
    {"single none picked", kSingleClip, false, false, 0, 1, 0, 0, kNone, {}},
    {"single beyond the table", kSingleClip, false, false, 9, 1, 0, 0, kNone, {}},

    // Time 1 - 2: overlap with both ends included; the first clip past T2 ends the scan.
    {"time whole segment", kTimeLimits, false, false, 1, 1, 0, 100, kNone, {1, 2, 3, 4, 5, 7, 8}},
    {"time touching ends", kTimeLimits, false, false, 1, 1, 10, 30, kNone, {1, 2, 3}},
    {"time stops at a clip past T2", kTimeLimits, false, false, 1, 1, 0, 25, kNone, {1, 2}},
    {"time gap between clips", kTimeLimits, false, false, 1, 1, 41, 49, kNone, {}},
    {"time T1 after T2", kTimeLimits, false, false, 1, 1, 45, 42, kNone, {}},

    // Row: one row, or it and every row below with Continue; row by row, clip order within a row.
    {"row alone", kRow, false, false, 1, 1, 0, 0, kNone, {1, 3, 7}},
    {"row continue on the last row", kRow, false, true, 1, 4, 0, 0, kNone, {}},
    {"row continue from row 3", kRow, false, true, 1, 3, 0, 0, kNone, {4, 8}},
    {"row continue from row 1", kRow, false, true, 1, 1, 0, 0, kNone, {1, 3, 7, 2, 5, 4, 8}},
    {"row 0", kRow, false, true, 1, 0, 0, 0, kNone, {}},
    {"row beyond the rows", kRow, false, true, 1, 5, 0, 0, kNone, {}},
    // With the time limit a clip past T2 ends its own row only.
    {"row time limit", kRow, true, false, 1, 2, 0, 55, kNone, {2}},
    {"row time limit continue", kRow, true, true, 1, 2, 0, 55, kNone, {2, 4, 8}},
    {"row time limit stops each row", kRow, true, true, 1, 1, 0, 25, kNone, {1, 2}},
    {"row time limit keeps nothing", kRow, true, false, 1, 3, 30, 45, kNone, {}},

    // Signal: the frequency in the band, both ends included; clips without a place are not taken.
    {"signal band", kSignal, false, false, 1, 1, 0, 0, k145, {1, 2, 4, 7, 8}},
    {"signal single frequency, continue ignored", kSignal, false, true, 1, 1, 0, 0, {146, 146}, {3}},
    {"signal nothing in the band", kSignal, false, false, 1, 1, 0, 0, {150, 151}, {}},
    // With the time limit a clip of the signal past T2 ends the whole scan: 8 is never reached.
    {"signal time limit", kSignal, true, false, 1, 1, 0, 25, k145, {1, 2}},
    {"signal time limit later", kSignal, true, false, 1, 1, 55, 95, k145, {4, 7}},

    {"unknown option", 4, false, false, 1, 1, 0, 100, kNone, {}},
};

TEST(PlayList, BuildsTheClipsInPlayingOrder) {
    const ClipTable table = PlayTable();
    for (const PlayCase& c : kCases) {
        EXPECT_EQ(BuildPlayList(table, c.choice), c.expected) << c.name;
        // An empty table gives nothing for any option.
        EXPECT_TRUE(BuildPlayList(ClipTable{}, c.choice).empty()) << c.name;
    }
}

} // namespace
} // namespace zarn
