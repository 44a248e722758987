#include "clip_table.h"
#include "dates.h"
#include "formats.h"
#include "numbers.h"
#include "segment_split.h"
#include "segscan.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace zarn {

bool operator==(const ClipTriple& a, const ClipTriple& b) {
    return a.clip == b.clip && a.x1 == b.x1 && a.x2 == b.x2;
}

namespace {

const double kSegStart = SerialFromParts({2024, 3, 1, 20, 0, 0});

std::string At(int seconds) {
    return FormatDateTime(kSegStart + seconds / 86400.0);
}

// "WAV,ABCD<clip>.WAV,<number>,<mhz>,<start>,<stop>,<level>,1"; an empty level when level is "".
std::string Wav(int clip, int number, double mhz, int start, int stop, const std::string& level = "-70") {
    char text[160];
    std::snprintf(text, sizeof text, "WAV,ABCD%04d.WAV,%d,%09.4f,%s,%s,%s,1", clip, number, mhz,
                  At(start).c_str(), At(stop).c_str(), level.c_str());
    return text;
}

std::string Start(int seconds = 0) {
    return "STARTBYTRIGGER," + At(seconds) + ",ABCD0001.WAV";
}

std::string Text(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
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
    double defaultIfbw = 0.025;

    ClipTable Build(const ClipTableHooks& hooks = {}) const {
        const SegmentTable seg = ScanSegments(event);
        ClipTableInput in;
        in.audExists = audExists;
        in.audText = aud;
        in.eventText = event;
        in.selectedSegment = segment;
        const auto s = static_cast<std::size_t>(segment);
        in.segStart = seg.start.at(s);
        in.segStop = seg.stop.at(s);
        in.segClipCount = seg.clipCount.at(s);
        in.segMaxNumber = seg.maxNumber.at(s);
        in.defaultIfbw = defaultIfbw;
        in.signalBands = bands;
        return BuildClipTable(in, hooks);
    }
};

std::string NumberField(const ClipTable& t, int clip) {
    const std::string_view line = t.ClipLine[clip];
    const std::size_t a = line.find(','), b = line.find(',', a + 1);
    return std::string(line.substr(a + 1, b - a - 1));
}

TEST(TimeScale, HalvesTheResolutionUntilFewerThan2001Units) {
    struct Case {
        double seconds;
        int secondsPerUnit;
        long units;
    };
    for (const Case c : {Case{1800, 1, 1800}, Case{3600, 2, 1800}, Case{10800, 8, 1350}, Case{2001, 2, 1000},
                         Case{2000, 1, 2000}, Case{0, 1, 0}}) {
        const TimeScale s = ComputeTimeScale(c.seconds);
        EXPECT_EQ(s.secondsPerUnit, c.secondsPerUnit) << c.seconds;
        EXPECT_EQ(s.widthUnits, c.units) << c.seconds;
    }
}

TEST(ClipTable, TheTableTakesTheSegmentsTimeScale) {
    Load load;
    load.aud = SmdLines(2);
    load.event = Text({Start(), Wav(1, 1, 145, 0, 10), Wav(2, 1, 145, 3590, 3600)});
    const ClipTable t = load.Build();
    EXPECT_EQ(t.SecondsPerUnit, 2);
    EXPECT_EQ(t.SegWidthUnits, 1800);
    EXPECT_DOUBLE_EQ(t.ScaleWidth, 1800 + 1800 / 501.0);
    EXPECT_EQ(t.RowClips[1].back(), (ClipTriple{2, 1795, 1800}));
}

TEST(ClipTable, PriorityClipGoesToItsChannelRow) {
    Load load;
    load.aud = "HDR,PRIORITY\r\n" + SmdLines(3);
    std::vector<std::string> lines = {Start()};
    for (int clip = 1; clip <= 4; ++clip)
        lines.push_back(Wav(clip, 1, 30, clip, clip + 1));
    lines.push_back(Wav(5, 3, 145.01, 100, 112));
    lines.push_back(Wav(6, 1, 30, 1799, 1800));
    load.event = Text(lines);

    const ClipTable t = load.Build();
    EXPECT_EQ(t.Type, CollectionType::Priority);
    EXPECT_EQ(t.RowCount, 3);
    EXPECT_EQ(t.SecondsPerUnit, 1);
    ASSERT_EQ(t.RowClips[3].size(), 1u);
    EXPECT_EQ(t.RowClips[3][0], (ClipTriple{5, 100, 112}));
    EXPECT_EQ(t.RowClips[1].size(), 5u);
    EXPECT_EQ(t.Place[5].row, 3);
    EXPECT_EQ(NumberField(t, 5), "3"); // PRIORITY lines keep their channel number
    EXPECT_EQ(t.RowMode[3], ", 030KHz, FM ");
    EXPECT_EQ(t.RowLabel[3], "00103.00000, 00000.00000");
    EXPECT_EQ(t.ClipLine[5].size(), 80u);
    EXPECT_EQ(t.ClipLine[5].substr(0, 18), "ABCD0005.WAV,3,014");
}

TEST(ClipTable, CollectionTypeAndRowsFromTheAudFile) {
    const std::string event = Text({Start(), Wav(1, 7, 145, 0, 10)});
    struct Case {
        const char* name;
        bool exists;
        std::string aud;
        CollectionType type;
    };
    // Exactly 100 SMD lines whose 11th and 100th are equal: SPECTRAL; else PRIORITY with 100 rows.
    std::string same;
    for (int k = 0; k < 100; ++k)
        same += "SMD,0,0,2,0,2,0,0,0,0,0,0,145,0,0\r\n";
    for (const Case& c :
         {Case{"NoAudFile", false, "", CollectionType::Netora},
          Case{"SpeLine", true, "HDR\r\nspe,1\r\n" + SmdLines(3), CollectionType::Spectral},
          Case{"HundredIdentical", true, same, CollectionType::Spectral},
          Case{"HundredDiffering", true, SmdLines(100), CollectionType::Priority},
          Case{"NinetyNineIdentical", true, same.substr(same.find('\n') + 1), CollectionType::Priority}}) {
        Load load;
        load.event = event;
        load.aud = c.aud;
        load.audExists = c.exists;
        const ClipTable t = load.Build();
        EXPECT_EQ(t.Type, c.type) << c.name;
        if (c.type == CollectionType::Priority) {
            EXPECT_EQ(t.RowCount, std::string_view(c.name) == "HundredDiffering" ? 100 : 99) << c.name;
        } else {
            EXPECT_EQ(t.RowCount, 1) << c.name; // one frequency row after renumbering
            EXPECT_EQ(NumberField(t, 1), "1") << c.name;
        }
    }
    Load netora;
    netora.event = event;
    netora.audExists = false;
    EXPECT_EQ(netora.Build().RowMode[1], ", 025KHz, FM ");
}

// SPECTRAL rows: clips are grouped by frequency window and rows numbered from the lowest frequency.
TEST(ClipTable, SpectralRowsGroupAndRenumber) {
    Load load;
    load.aud = "SPE,1\r\n";
    load.event = Text({Start(), Wav(1, 9, 145.0, 0, 5), Wav(2, 9, 145.01, 6, 9), Wav(3, 9, 145.02, 10, 12),
                       Wav(4, 9, 30.0, 20, 22), Wav(5, 9, 145.0125, 30, 31)});
    const ClipTable t = load.Build();
    EXPECT_EQ(t.Type, CollectionType::Spectral);
    EXPECT_EQ(t.RowCount, 3);
    // 30 MHz made its row last but is the lowest: row 1. 145.0125 is the top edge of 145.0's window.
    const std::vector<std::string> numbers = {"2", "2", "3", "1", "2"};
    for (int clip = 1; clip <= 5; ++clip)
        EXPECT_EQ(NumberField(t, clip), numbers[static_cast<std::size_t>(clip - 1)]) << clip;
    EXPECT_EQ(t.RowClips[2], (std::vector<ClipTriple>{{1, 0, 5}, {2, 6, 9}, {5, 30, 31}}));
    EXPECT_EQ(t.RowClips[1], (std::vector<ClipTriple>{{4, 20, 22}}));
    EXPECT_EQ(t.Place[3].row, 3);
    EXPECT_EQ(t.RowFrequency, (std::vector<double>{30.0, 145.0, 145.02}));
    // The rest of the line is kept after the new number.
    EXPECT_EQ(t.ClipLine[4].substr(0, 26), "ABCD0004.WAV,1,0030.0000,0");
    EXPECT_EQ(t.ClipLine[4].size(), 80u);
}

TEST(ClipTable, SignalListEntryGivesTheRowItsWindow) {
    const SignalBands bands({145.0}, {0.030});
    Load load;
    load.audExists = false;
    load.bands = &bands;
    load.event =
        Text({Start(), Wav(1, 9, 145.01, 0, 5), Wav(2, 9, 144.986, 6, 9), Wav(3, 9, 145.02, 10, 12)});
    const ClipTable t = load.Build();
    EXPECT_EQ(t.Type, CollectionType::Netora);
    ASSERT_EQ(t.RowCount, 2);
    EXPECT_EQ(t.RowFrequency, (std::vector<double>{145.0, 145.02}));
    EXPECT_EQ(t.RowBandwidth, (std::vector<double>{0.030, 0.025}));
    EXPECT_EQ(NumberField(t, 1), "1");
    EXPECT_EQ(NumberField(t, 2), "1");
    EXPECT_EQ(NumberField(t, 3), "2");
}

// A clip line without a level is not one of the segment's clips: the segment's last real clip
// must still be in the table.
TEST(ClipTable, LevellessLinesAreNotClips) {
    Load load;
    load.aud = SmdLines(2);
    load.event = Text({"WAV,ABCD0000.WAV,1,145,03/01/24 19:00:00,03/01/24 19:00:01,-70,1", Start(),
                       Wav(1, 1, 145, 0, 5), Wav(2, 2, 145, 6, 9, ""), "STOPBYTRIGGER,x,y",
                       Wav(3, 2, 146, 10, 12), Start(100), Wav(4, 1, 145, 100, 105)});
    const ClipTable t = load.Build();
    ASSERT_EQ(t.ClipCount, 2);
    EXPECT_EQ(t.ClipLine[1].substr(0, 12), "ABCD0001.WAV");
    EXPECT_EQ(t.ClipLine[2].substr(0, 12), "ABCD0003.WAV");
    EXPECT_EQ(t.RowClips[2], (std::vector<ClipTriple>{{2, 10, 12}}));
}

// Segments are numbered as the segment table numbers them: a START line without a time opens none.
TEST(ClipTable, SegmentsCountedAsTheSegmentTableCountsThem) {
    Load load;
    load.aud = SmdLines(2);
    load.event = Text({Start(), Wav(1, 1, 145, 0, 5), "STARTBYTRIGGER,,ABCD0002.WAV", Wav(2, 1, 145, 6, 9),
                       Start(50), Wav(3, 2, 145, 50, 55)});
    const ClipTable first = load.Build();
    EXPECT_EQ(first.ClipCount, 2);
    load.segment = 2;
    const ClipTable second = load.Build();
    ASSERT_EQ(second.ClipCount, 1);
    EXPECT_EQ(second.ClipLine[1].substr(0, 12), "ABCD0003.WAV");
    EXPECT_EQ(second.RowClips[2], (std::vector<ClipTriple>{{1, 0, 5}}));
}

TEST(ClipTable, ClipsWithoutAPlaceAreSkippedAndCounted) {
    Load load;
    load.aud = SmdLines(3);
    std::string badDate = Wav(4, 1, 145, 20, 21);
    badDate.replace(badDate.find("03/01/24"), 8, "13/45/24");
    load.event = Text({Start(), Wav(1, 1, 145, 0, 5), Wav(2, 0, 145, 6, 9), Wav(3, 4, 145, 10, 12), badDate,
                       Wav(5, 2, 145, 30, 40),
                       // 1800 s segment at one second per unit; 40000 s is far past 16 bits.
                       Wav(6, 2, 145, -40000, 41), Wav(7, 3, 145, 1790, 1800)});
    const ClipTable t = load.Build();
    EXPECT_EQ(t.ClipCount, 7);
    EXPECT_EQ(t.Skipped, 4);
    for (int clip : {2, 3, 4, 6})
        EXPECT_EQ(t.Place[static_cast<std::size_t>(clip)].row, 0) << clip;
    EXPECT_EQ(t.RowClips[1], (std::vector<ClipTriple>{{1, 0, 5}}));
    EXPECT_EQ(t.RowClips[2], (std::vector<ClipTriple>{{5, 30, 40}}));
    EXPECT_EQ(t.RowClips[3], (std::vector<ClipTriple>{{7, 1790, 1800}}));
    EXPECT_EQ(t.RowFrequency.size(), 1u); // skipped clips are not matched
}

// Hooks that answer the too-many question with `answer` and note at which clip it came.
ClipTableHooks AnswerTooMany(TooManyAnswer answer, int& askedAt, int* asked = nullptr) {
    ClipTableHooks hooks;
    hooks.tooMany = [answer, &askedAt, asked](int clip) {
        askedAt = clip;
        if (asked) ++*asked;
        return answer;
    };
    return hooks;
}

// 2001 frequencies 1 MHz apart: the question comes at clip 2000 (2000 rows, more clips to come).
std::string ManyFrequencies(int clips) {
    std::vector<std::string> lines = {Start()};
    for (int i = 1; i <= clips; ++i)
        lines.push_back(Wav(i, 1, 30.0 + i, i % 1800, i % 1800 + 1));
    lines.push_back(Wav(clips + 1, 1, 30.0, 1799, 1800));
    return Text(lines);
}

TEST(ClipTable, TooManyRowsSplitsAfterTheClipThatCrossedTheLimit) {
    Load load;
    load.audExists = false;
    load.event = ManyFrequencies(2001);
    int asked = 0, askedAt = 0;
    const ClipTable t = load.Build(AnswerTooMany(TooManyAnswer::Split, askedAt, &asked));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedAt, 2000);
    EXPECT_TRUE(t.Split);
    EXPECT_FALSE(t.Declined);
    EXPECT_EQ(t.ClipCount, 2000);
    EXPECT_EQ(t.ClipLine.Count(), 2000);
    EXPECT_EQ(t.RowCount, 2000);
    EXPECT_EQ(t.SegWidthUnits, 201);                   // the stop of clip 2000: 2000 % 1800 + 1
    EXPECT_DOUBLE_EQ(t.ScaleWidth, 201 + 201 / 501.0); // the picture spans the part kept
    EXPECT_EQ(NumberField(t, 2000), "2000");
}

TEST(ClipTable, TheLimitsOfTheQuestion) {
    struct Case {
        const char* name;
        int clips;
        CollectionType type;
        int askedAt; // 0: not asked
    };
    for (const Case c : {// 2000 rows reached by the next to last clip: no clips to come after the next.
                         Case{"RowsAtTheEnd", 1999, CollectionType::Netora, 0},
                         Case{"PriorityRowsToo", 2001, CollectionType::Priority, 2000}}) {
        Load load;
        load.audExists = c.type != CollectionType::Netora;
        load.aud = SmdLines(3);
        load.event = ManyFrequencies(c.clips);
        int askedAt = 0;
        const ClipTable t = load.Build(AnswerTooMany(TooManyAnswer::Decline, askedAt));
        EXPECT_EQ(askedAt, c.askedAt) << c.name;
        EXPECT_EQ(t.Declined, c.askedAt != 0) << c.name;
    }

    // Row lists: a clip number of four digits and two three-digit units make 13 characters a triple;
    // the 5000th triple takes the total past 65000 (999 shorter triples before clip 1000).
    std::vector<std::string> lines = {Start()};
    for (int i = 1; i <= 6000; ++i)
        lines.push_back(Wav(i, 1, 145.0, 100 + i % 800, 101 + i % 800));
    lines.push_back(Wav(6001, 1, 145.0, 1799, 1800));
    Load load;
    load.audExists = false;
    load.event = Text(lines);
    long total = 0;
    int expected = 0;
    for (int i = 1; i <= 6001 && total <= 65000; ++i) {
        const int x1 = i == 6001 ? 1799 : 100 + i % 800;
        total += static_cast<long>(std::to_string(i).size() + std::to_string(x1).size() +
                                   std::to_string(x1 + 1).size() + 3);
        expected = i;
    }
    int askedAt = 0;
    const ClipTable t = load.Build(AnswerTooMany(TooManyAnswer::Split, askedAt));
    EXPECT_EQ(askedAt, expected);
    EXPECT_EQ(t.ClipCount, expected);
    EXPECT_EQ(t.RowCount, 1);
}

// A split as the window carries it out rewrites the file so that the segment holds exactly the
// clips of the table.
TEST(ClipTable, SplitOnTheFileItself) {
    test::TempDir dir;
    // A level-less line among the kept clips must not shift the break.
    std::string text = ManyFrequencies(2001);
    text.insert(text.find("WAV,ABCD0005"), "WAV,ABCD0000.WAV,1,30,x,y,,1\r\n");
    const std::string path = dir.write("ABCD.EVA", text);
    Load load;
    load.audExists = false;
    load.event = text;
    ClipTableHooks hooks;
    hooks.tooMany = [&](int clip) {
        EXPECT_TRUE(SplitSegment(path, 1, clip, kSegStart, 1).ok);
        return TooManyAnswer::Split;
    };
    const ClipTable t = load.Build(hooks);
    EXPECT_TRUE(t.Split);
    const SegmentTable after = ScanSegments(test::TempDir::read(path));
    ASSERT_EQ(after.segCount, 2);
    EXPECT_EQ(after.clipCount[1], t.ClipCount);
    EXPECT_EQ(after.clipCount[2], 2002 - t.ClipCount);
}

// Every clip's numbers are read as the shared lenient reader and the shared rounding read them,
// whatever the form of the text and wherever the units fall between two whole numbers.
TEST(ClipTable, NumbersAndUnitsAsTheSharedReadersGiveThem) {
    std::mt19937 rng(4711);
    const char* const forms[] = {"%09.4f", "%.0f", " %.3f", "%.2e", "%.6f kHz", "-%.4f", "%.15f", "0%.1f"};
    for (const int seconds : {1800, 3601, 7300, 14000}) {
        std::vector<std::string> lines = {Start()};
        std::vector<std::string> freqTexts;
        std::vector<int> starts;
        for (int i = 1; i <= 400; ++i) {
            char freq[64];
            const double mhz = 30 + (i - 1) * 0.5 + std::uniform_real_distribution<double>(0, 0.1)(rng);
            std::snprintf(freq, sizeof freq, forms[i % 8], mhz);
            freqTexts.emplace_back(freq);
            const int start = std::uniform_int_distribution<int>(0, seconds - 1)(rng);
            starts.push_back(start);
            char line[200];
            std::snprintf(line, sizeof line, "WAV,A%04d.WAV,%d.5,%s,%s,%s,-70,1", i, 1 + i % 2, freq,
                          At(start).c_str(), At(start + 1).c_str());
            lines.emplace_back(line);
        }
        lines.push_back(Wav(401, 1, 10, seconds - 1, seconds));
        for (const bool priority : {false, true}) {
            Load load;
            load.audExists = priority;
            load.aud = SmdLines(3);
            load.event = Text(lines);
            const ClipTable t = load.Build();
            ASSERT_EQ(t.ClipCount, 401);
            std::vector<double> expected = {10.0};
            for (int i = 1; i <= 400; ++i) {
                const auto u = static_cast<std::size_t>(i - 1);
                expected.push_back(LeadingNumber(freqTexts[u]));
                const double start = *ToDate(At(starts[u]));
                const auto x1 = RoundToInt16(UnitOf(start, kSegStart, t.SecondsPerUnit));
                EXPECT_EQ(t.Place[static_cast<std::size_t>(i)].x1, *x1) << seconds << " clip " << i;
                if (priority) {
                    EXPECT_EQ(t.Place[static_cast<std::size_t>(i)].row, 2); // 1.5 and 2.5 both round to 2
                }
            }
            if (!priority) {
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(t.RowFrequency, expected) << seconds;
            }
        }
    }
}

TEST(ClipTable, ProgressReportsOnlyChanges) {
    Load load;
    load.audExists = false;
    load.event = ManyFrequencies(300);
    std::vector<std::string> activities;
    std::vector<int> percents;
    ClipTableHooks hooks;
    hooks.activity = [&](const char* a) { activities.emplace_back(a); };
    hooks.progress = [&](int p) { percents.push_back(p); };
    load.Build(hooks);
    EXPECT_EQ(activities, (std::vector<std::string>{" Reading File...", " Processing..."}));
    ASSERT_FALSE(percents.empty());
    for (std::size_t k = 1; k < percents.size(); ++k)
        EXPECT_NE(percents[k], percents[k - 1]);
    for (int p : percents) {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 100);
    }
}

// The row scan as stated: from the middle or the top, stop at the row that holds f or lies above it.
struct WalkMatcher {
    const SignalBands* bands;
    double defaultIfbw;
    std::vector<double> centre, bw;

    RowMatcher::Match Match(double f) {
        double b = defaultIfbw;
        if (bands) {
            for (int i = 0; i < bands->Count(); ++i) {
                const double c = bands->Frequency(i), w = bands->Bandwidth(i);
                if (c - w / 2 <= f && f <= c + w / 2) {
                    f = c, b = w;
                    break;
                }
            }
        }
        const std::size_t m = centre.size();
        const auto h = static_cast<std::size_t>(std::nearbyint(m / 2.0));
        std::size_t p = f <= (m ? centre[h] : 0.0) ? 0 : h;
        for (; p < m; ++p) {
            if (centre[p] - bw[p] / 2 <= f && f <= centre[p] + bw[p] / 2) return {true, static_cast<int>(p)};
            if (f < centre[p] - bw[p] / 2) break;
        }
        centre.insert(centre.begin() + static_cast<std::ptrdiff_t>(p), f);
        bw.insert(bw.begin() + static_cast<std::ptrdiff_t>(p), b);
        return {false, static_cast<int>(p)};
    }
};

// Runs `clips` through the matcher and the stated scan side by side: the same answers, the same
// row slots, the same rows at the end.
void ExpectSameRows(const SignalBands& bands, double defaultIfbw, const std::vector<double>& clips) {
    RowMatcher fast(&bands, defaultIfbw);
    WalkMatcher walk{&bands, defaultIfbw, {}, {}};
    int slots = 0;
    std::vector<int> slotOfWalkRow;
    for (std::size_t k = 0; k < clips.size(); ++k) {
        const RowMatcher::Match a = fast.MatchClipRow(clips[k]);
        const RowMatcher::Match b = walk.Match(clips[k]);
        ASSERT_EQ(a.found, b.found) << "clip " << k;
        ASSERT_EQ(a.index, b.index) << "clip " << k;
        if (b.found) {
            ASSERT_EQ(fast.Slot(a.index), slotOfWalkRow[static_cast<std::size_t>(b.index)]);
        } else {
            slotOfWalkRow.insert(slotOfWalkRow.begin() + b.index, slots);
            ASSERT_EQ(fast.Slot(a.index), slots++);
        }
    }
    ASSERT_EQ(fast.Rows(), static_cast<int>(walk.centre.size()));
    for (int p = 0; p < fast.Rows(); ++p) {
        ASSERT_EQ(fast.Centre(p), walk.centre[static_cast<std::size_t>(p)]);
        ASSERT_EQ(fast.Bandwidth(p), walk.bw[static_cast<std::size_t>(p)]);
    }
}

TEST(RowMatcher, AgreesWithTheStatedScan) {
    std::mt19937 rng(99);
    const auto mhz = [&](double lo, double hi) {
        return std::round(std::uniform_real_distribution<double>(lo, hi)(rng) * 1e4) / 1e4;
    };
    for (int round = 0; round < 120; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Signal lists with mixed and negative bandwidths make the rows' high edges uneven.
        std::vector<double> freq, bw, pool, clips;
        const int entries = round % 4 == 0 ? 0 : std::uniform_int_distribution<int>(1, 200)(rng);
        for (int i = 0; i < entries; ++i) {
            freq.push_back(mhz(30, 32));
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            bw.push_back(kind == 0   ? -0.01
                         : kind == 1 ? 0.2
                                     : 0.001 * std::uniform_int_distribution<int>(0, 30)(rng));
        }
        // Half the rounds come back to a few hundred frequencies again and again while new rows keep
        // moving the old ones, as a segment's clips do.
        if (round % 2 == 1)
            for (int i = std::uniform_int_distribution<int>(2, 400)(rng); i > 0; --i)
                pool.push_back(mhz(29.9, 32.1));
        for (int k = 0; k < 1500; ++k) {
            double f = mhz(29.9, 32.1);
            if (!pool.empty()) f = pool[static_cast<std::size_t>(k * 7919 + k * k / 3) % pool.size()];
            if (k % 7 == 0 && !freq.empty()) f = freq[static_cast<std::size_t>(k) % freq.size()];
            if (k % 401 == 400) f = k % 2 ? HUGE_VAL : -HUGE_VAL; // "1e999" reads as infinity
            clips.push_back(f);
        }
        const double defaults[] = {0.025, 0.0, -0.01, 0.3};
        ExpectSameRows(SignalBands(freq, bw), defaults[round % 4], clips);
        if (HasFatalFailure()) return;
    }
    // Few frequencies on a coarse grid, wide and overlapping windows, the same frequencies again and
    // again: a row remembered for a frequency is often moved by new rows or stops being the scan's
    // answer when the middle row changes, and must then not be trusted.
    std::uniform_int_distribution<int> digit(0, 9);
    const auto grid = [&] { return digit(rng) + digit(rng) * 0.1; };
    for (int round = 0; round < 40000; ++round) {
        SCOPED_TRACE("grid round " + std::to_string(round));
        std::vector<double> freq, bw, pool, clips;
        for (int i = digit(rng); i > 0; --i) {
            freq.push_back(grid());
            bw.push_back(digit(rng) * 0.5 * digit(rng));
        }
        for (int i = 2 + digit(rng); i > 0; --i)
            pool.push_back(grid());
        for (int k = 0; k < 60; ++k)
            clips.push_back(digit(rng) < 5 ? pool[rng() % pool.size()] : grid());
        ExpectSameRows(SignalBands(freq, bw), 0.2 * (1 + digit(rng)), clips);
        if (HasFatalFailure()) return;
    }
}

} // namespace
} // namespace zarn
