#include "signal_list.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

std::string Line(double mhz, const char* ifbw = "00.010", const std::string& comment = "") {
    char freq[32];
    std::snprintf(freq, sizeof freq, "%011.5f", mhz);
    return MakeEntryLine(freq, ifbw, "20", "FM ", SignalClass::Unknown, "9", false, comment);
}

std::string Record(double mhz, const std::string& comment = "") {
    return FormatSignalRecord(Line(mhz, "00.010", comment));
}

// Record by record insertion exactly as the loading rule reads, on plain lines.
struct NaiveLoad {
    Lines lines;
    int merged = 0, refused = 0, overflow = 0;

    std::size_t FirstAtOrAbove(std::string_view key) const {
        std::size_t i = 0;
        while (i < lines.size() && EntryKey(lines[i]) < key)
            ++i;
        return i;
    }
    void Merge(std::string_view text) {
        LineCursor cursor(text);
        for (std::string_view record; cursor.Next(record);) {
            const auto line = ParseSignalRecordLine(record);
            if (!line) {
                ++refused;
                continue;
            }
            std::size_t i = FirstAtOrAbove(EntryKey(*line));
            if (i < lines.size() && EntryKey(lines[i]) == EntryKey(*line)) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
                i = FirstAtOrAbove(EntryKey(*line));
            } else if (lines.size() >= static_cast<std::size_t>(kMaxSignalEntries)) {
                ++overflow;
                continue;
            }
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), *line);
            ++merged;
        }
    }
};

struct SlotCase {
    double mhz;
    int slot;
    std::optional<int> conflict;
};

TEST(FindSignalSlot, PassBandOfTheFirstEntryThatStopsTheScan) {
    EXPECT_EQ(SignalList().FindSignalSlot(10).slot, 0);
    EXPECT_FALSE(SignalList().FindSignalSlot(10).conflict);
    SignalList one;
    ASSERT_TRUE(one.InsertSorted(Line(10, "00.100")));
    for (const SlotCase& c : {SlotCase{9.96, 0, 0}, SlotCase{10.04, 0, 0}, SlotCase{10, 0, 0},
                              SlotCase{9.94, 0, std::nullopt}, SlotCase{10.06, 1, std::nullopt}}) {
        const SignalSlot s = one.FindSignalSlot(c.mhz);
        EXPECT_EQ(s.slot, c.slot) << c.mhz;
        EXPECT_EQ(s.conflict, c.conflict) << c.mhz;
    }

    // Only the entry that stops the scan is tested: a wide band further down is not looked at.
    SignalList two;
    two.InsertSorted(Line(10, "00.100"));
    two.InsertSorted(Line(10.2, "01.000"));
    const SignalSlot s = two.FindSignalSlot(9.8);
    EXPECT_EQ(s.slot, 0);
    EXPECT_FALSE(s.conflict);
    EXPECT_EQ(two.FindSignalSlot(10.3).conflict, 1);
    EXPECT_EQ(two.FindSignalSlot(10.8).slot, 2);
}

TEST(SignalList, SortedPositionAndReplacement) {
    SignalList list;
    EXPECT_EQ(list.InsertSorted(Line(30)), 0);
    EXPECT_EQ(list.InsertSorted(Line(10)), 0);
    EXPECT_EQ(list.InsertSorted(Line(20)), 1);
    EXPECT_EQ(list.InsertSorted(Line(20, "00.500", "new")), 1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(EntryComment(list.Line(1)), "new");
    EXPECT_DOUBLE_EQ(list.Ifbw(1), 0.5);
    EXPECT_DOUBLE_EQ(list.Frequency(2), 30);

    const auto pos = list.FindSortedPosition(Line(25));
    EXPECT_EQ(pos.index, 2);
    EXPECT_FALSE(pos.replaces);
    EXPECT_TRUE(list.FindSortedPosition(Line(30)).replaces);

    EXPECT_FALSE(list.InsertAt(4, Line(40)));
    EXPECT_FALSE(list.InsertAt(-1, Line(40)));
    list.RemoveAt(7);
    list.ReplaceAt(-1, Line(1));
    EXPECT_EQ(list.Count(), 3);
}

TEST(SignalList, OutOfOrderListIsWalkedFromTheTop) {
    // Entries placed by the collision rule can stand out of key order; the first entry at or
    // above the key from the top wins, as halving would not find.
    SignalList list;
    ASSERT_TRUE(list.InsertAt(0, Line(50)));
    ASSERT_TRUE(list.InsertAt(1, Line(10)));
    ASSERT_TRUE(list.InsertAt(2, Line(20)));
    ASSERT_TRUE(list.InsertAt(3, Line(60)));
    EXPECT_EQ(list.FindSortedPosition(Line(15)).index, 0);
    EXPECT_EQ(list.FindSortedPosition(Line(55)).index, 3);

    // Replacing in an out-of-order list removes and looks again.
    EXPECT_EQ(list.InsertSorted(Line(50, "00.010", "again")), 2);
    EXPECT_EQ(list.Lines(), (Lines{Line(10), Line(20), Line(50, "00.010", "again"), Line(60)}));

    // A replacement that breaks the order falls back to the walk too: halving would look at 30 first.
    SignalList replaced;
    for (double f : {10.0, 20.0, 30.0, 40.0})
        replaced.InsertSorted(Line(f));
    replaced.ReplaceAt(1, Line(35));
    EXPECT_EQ(replaced.FindSortedPosition(Line(32)).index, 1);

    // Clear makes the list ordered again.
    list.Clear();
    EXPECT_TRUE(list.Empty());
    list.InsertSorted(Line(20));
    list.InsertSorted(Line(10));
    EXPECT_EQ(list.Lines(), (Lines{Line(10), Line(20)}));
}

TEST(SignalList, FullListRefusesNewEntriesButReplaces) {
    std::string text;
    for (int i = 0; i < kMaxSignalEntries; ++i)
        text += Record(1 + i * 0.001) + "\r\n";
    SignalList list;
    const SignalLoadResult r = MergeSignalRecords(text, list);
    EXPECT_EQ(r.merged, kMaxSignalEntries);
    EXPECT_EQ(r.overflow, 0);
    ASSERT_TRUE(list.Full());

    EXPECT_FALSE(list.InsertAt(0, Line(0.5)));
    EXPECT_FALSE(list.InsertSorted(Line(0.5)));
    EXPECT_EQ(list.InsertSorted(Line(1.001, "00.010", "kept")), 1);
    EXPECT_EQ(list.Count(), kMaxSignalEntries);

    // A load into the full list replaces what it may and counts the rest; nothing listed is lost.
    const std::string more =
        Record(0.5) + "\r\n" + Record(1.002, "replaced") + "\r\n" + Record(99999) + "\r\n";
    const SignalLoadResult r2 = MergeSignalRecords(more, list);
    EXPECT_EQ(r2.merged, 1);
    EXPECT_EQ(r2.overflow, 2);
    EXPECT_EQ(list.Count(), kMaxSignalEntries);
    EXPECT_EQ(EntryComment(list.Line(1)), "kept");
    EXPECT_EQ(EntryComment(list.Line(2)), "replaced");
    EXPECT_EQ(list.Line(0), Line(1));
}

// Random texts of few keys (so duplicates abound), some refused lines, merged into lists that are
// sorted with duplicate keys, out of order, or nearly full: the bulk merge must match insertion
// one record at a time.
TEST(MergeSignalRecords, MatchesRecordByRecordInsertion) {
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    SignalList nearlyFull;
    std::string fill;
    for (int i = 0; i < kMaxSignalEntries - 5; ++i)
        fill += Record(1 + i * 0.001) + "\n";
    MergeSignalRecords(fill, nearlyFull);
    const Lines nearlyFullLines = nearlyFull.Lines();

    for (int round = 0; round < 300; ++round) {
        const int keys = 1 + pick(40);
        auto freq = [&] { return 100 + pick(keys) * 0.125; };

        SignalList list;
        NaiveLoad naive;
        const int shape = round % 10 == 9 ? 3 : round % 3;
        if (shape == 3) {
            // Nearly full, so some new keys overflow and the first ones met must win.
            list = nearlyFull;
            naive.lines = nearlyFullLines;
        } else {
            for (int i = pick(12); i > 0; --i) {
                std::string line = Line(freq(), "00.010", "old" + std::to_string(i));
                // shape 1: duplicate keys next to each other; shape 2: anywhere, out of order.
                const int at = shape == 2 ? pick(list.Count() + 1) : list.FindSortedPosition(line).index;
                if (shape == 0) {
                    list.InsertSorted(line);
                } else {
                    ASSERT_TRUE(list.InsertAt(at, line));
                }
            }
            naive.lines = list.Lines();
        }

        std::string text;
        for (int i = 20 + pick(60); i > 0; --i) {
            const int kind = pick(12);
            if (kind == 0)
                text += "\r\n";
            else if (kind == 1)
                text += "junk," + std::to_string(i) + "\r\n";
            else
                text += Record(freq(), "c" + std::to_string(i)) + (kind == 2 ? "\n" : "\r\n");
        }
        if (pick(2)) text += Record(freq(), "no line end");

        const SignalLoadResult r = MergeSignalRecords(text, list);
        naive.Merge(text);
        ASSERT_EQ(list.Lines(), naive.lines) << "round " << round;
        EXPECT_EQ(r.merged, naive.merged);
        EXPECT_EQ(r.refused, naive.refused);
        EXPECT_EQ(r.overflow, naive.overflow);
        for (int i = 0; i < list.Count(); ++i) {
            ASSERT_DOUBLE_EQ(list.Frequency(i), EntryFrequency(list.Line(i)));
            ASSERT_DOUBLE_EQ(list.Ifbw(i), EntryIfbw(list.Line(i)));
        }
    }
}

TEST(SignalFile, LoadThenSaveIsByteIdentical) {
    const std::string text = "00001.50000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                             "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4\r\n"
                             "00020.00001,[   99.999    -1    IFT   ]{1}(0)/ \\a/b\\c, d \r\n"
                             "00145.50000,[   00.030    07    LSB   ]{2}(5)/x\\\xe9t\xe9\r\n";
    test::TempDir dir;
    const std::string path = dir.write("LIST.SIG", text);
    SignalList list;
    const SignalLoadResult r = LoadSignalFile(path, list);
    EXPECT_TRUE(r.file);
    EXPECT_EQ(r.merged, 4);
    EXPECT_EQ(SignalFileText(list), text);

    const std::string copy = dir.file("COPY.SIG");
    ASSERT_TRUE(SaveSignalFile(copy, list));
    EXPECT_EQ(test::TempDir::read(copy), text);
}

TEST(SignalFile, LaterRecordWinsAndRefusedRecordsAreCounted) {
    test::TempDir dir;
    const std::string path = dir.write("LIST.SIG", Record(20, "first") + "\r\n\r\n" + Record(10) +
                                                       "\r\n[SIGNAL LIST DATA FORMAT]\r\n" +
                                                       Record(20, "second") + "\n100000.5,x");
    SignalList list;
    list.InsertSorted(Line(15));
    const SignalLoadResult r = LoadSignalFile(path, list);
    EXPECT_EQ(r.merged, 3);
    EXPECT_EQ(r.refused, 3);
    EXPECT_EQ(list.Lines(), (Lines{Line(10), Line(15), Line(20, "00.010", "second")}));
}

TEST(SignalFile, MissingFileMergesNothing) {
    test::TempDir dir;
    SignalList list;
    list.InsertSorted(Line(15));
    const SignalLoadResult r = LoadSignalFile(dir.file("NONE.SIG"), list);
    EXPECT_FALSE(r.file);
    EXPECT_FALSE(r.file.error.empty());
    EXPECT_EQ(list.Count(), 1);
}

} // namespace
} // namespace zarn
