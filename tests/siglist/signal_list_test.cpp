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
    return FormatSignalRecord(Line(mhz, "00.010", comment)) + "\r\n";
}
// Records of `n` entries 0.001 MHz apart from 1 MHz.
std::string Filled(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += Record(1 + i * 0.001);
    return text;
}

// Only the entry that stops the scan is tested: a wide band further down is not looked at.
TEST(FindSignalSlot, PassBandOfTheFirstEntryThatStopsTheScan) {
    SignalList list;
    EXPECT_EQ(list.FindSignalSlot(10).slot, 0);
    list.InsertSorted(Line(10, "00.100"));
    list.InsertSorted(Line(10.2, "01.000"));
    const struct {
        double mhz;
        int slot;
        std::optional<int> conflict;
    } cases[] = {{9.94, 0, std::nullopt}, {9.96, 0, 0},  {10, 0, 0}, {10.04, 0, 0}, {10.06, 1, 1},
                 {10.8, 2, std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(list.FindSignalSlot(c.mhz).slot, c.slot) << c.mhz;
        EXPECT_EQ(list.FindSignalSlot(c.mhz).conflict, c.conflict) << c.mhz;
    }
}

TEST(SignalList, SortedPositionReplacementAndBounds) {
    SignalList list;
    EXPECT_EQ(list.InsertSorted(Line(30)), 0);
    EXPECT_EQ(list.InsertSorted(Line(10)), 0);
    EXPECT_EQ(list.InsertSorted(Line(20)), 1);
    EXPECT_EQ(list.InsertSorted(Line(20, "00.500", "new")), 1);
    EXPECT_EQ(list.Lines(), (Lines{Line(10), Line(20, "00.500", "new"), Line(30)}));
    EXPECT_DOUBLE_EQ(list.Ifbw(1), 0.5);
    EXPECT_DOUBLE_EQ(list.Frequency(2), 30);
    EXPECT_EQ(list.FindSortedPosition(Line(25)).index, 2);
    EXPECT_FALSE(list.FindSortedPosition(Line(25)).replaces);
    EXPECT_TRUE(list.FindSortedPosition(Line(30)).replaces);
    EXPECT_FALSE(list.InsertAt(4, Line(40)));
    EXPECT_FALSE(list.InsertAt(-1, Line(40)));
    list.RemoveAt(7);
    list.ReplaceAt(-1, Line(1));
    EXPECT_EQ(list.Count(), 3);

    // Entries placed by the collision rule can stand out of key order; the first entry at or above
    // the key from the top wins, as halving would not find, and a replacement removes and looks again.
    SignalList unordered;
    for (double f : {50.0, 10.0, 20.0, 60.0})
        ASSERT_TRUE(unordered.InsertAt(unordered.Count(), Line(f)));
    EXPECT_EQ(unordered.FindSortedPosition(Line(15)).index, 0);
    EXPECT_EQ(unordered.FindSortedPosition(Line(55)).index, 3);
    EXPECT_EQ(unordered.InsertSorted(Line(50, "00.010", "again")), 2);
    EXPECT_EQ(unordered.Lines(), (Lines{Line(10), Line(20), Line(50, "00.010", "again"), Line(60)}));
    list.ReplaceAt(1, Line(35)); // 10 35 30: halving would look at 30 first
    EXPECT_EQ(list.FindSortedPosition(Line(32)).index, 1);
    list.Clear(); // and the list is ordered again
    list.InsertSorted(Line(20));
    list.InsertSorted(Line(10));
    EXPECT_EQ(list.Lines(), (Lines{Line(10), Line(20)}));
}

TEST(SignalList, FullListRefusesNewEntriesButReplaces) {
    SignalList list;
    const SignalLoadResult r = MergeSignalRecords(Filled(kMaxSignalEntries), list);
    EXPECT_EQ(r.merged, kMaxSignalEntries);
    EXPECT_EQ(r.overflow, 0);
    ASSERT_TRUE(list.Full());
    EXPECT_FALSE(list.InsertAt(0, Line(0.5)));
    EXPECT_FALSE(list.InsertSorted(Line(0.5)));
    EXPECT_EQ(list.InsertSorted(Line(1.001, "00.010", "kept")), 1);
    // A load into the full list replaces what it may and counts the rest; nothing listed is lost.
    const SignalLoadResult r2 = MergeSignalRecords(Record(0.5) + Record(1.002, "replaced") + Record(99999), list);
    EXPECT_EQ(r2.merged, 1);
    EXPECT_EQ(r2.overflow, 2);
    EXPECT_EQ(list.Count(), kMaxSignalEntries);
    EXPECT_EQ(list.Line(0), Line(1));
    EXPECT_EQ(EntryComment(list.Line(1)), "kept");
    EXPECT_EQ(EntryComment(list.Line(2)), "replaced");
}

// Random texts of few keys (so duplicates abound) and refused lines, merged into lists that are
// sorted, out of order or nearly full: the bulk merge must match plain insertion record by record.
TEST(MergeSignalRecords, MatchesRecordByRecordInsertion) {
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    SignalList nearlyFull;
    MergeSignalRecords(Filled(kMaxSignalEntries - 5), nearlyFull);
    for (int round = 0; round < 200; ++round) {
        const int keys = 1 + pick(40);
        auto freq = [&] { return 100 + pick(keys) * 0.125; };
        SignalList list;
        if (round % 10 == 9) {
            list = nearlyFull; // new keys overflow: the first ones met must win
        } else {
            for (int i = pick(12); i > 0; --i) {
                // Sorted; duplicate keys next to each other; or anywhere, out of order.
                const std::string line = Line(freq(), "00.010", "old" + std::to_string(i));
                const int at = round % 3 == 2 ? pick(list.Count() + 1) : list.FindSortedPosition(line).index;
                ASSERT_TRUE(round % 3 == 0 ? list.InsertSorted(line).has_value() : list.InsertAt(at, line));
            }
        }
        std::string text;
        for (int i = 20 + pick(60); i > 0; --i)
            text += pick(8) == 0 ? "junk\r\n" : pick(3) ? Record(freq(), "c" + std::to_string(i)) : "\n";
        // The plain rule: the first line at or above the key from the top; the same key is replaced.
        Lines naive = list.Lines();
        int merged = 0, refused = 0, overflow = 0;
        LineCursor cursor(text);
        for (std::string_view record; cursor.Next(record);) {
            const auto line = ParseSignalRecordLine(record);
            if (!line) {
                ++refused;
                continue;
            }
            const auto atOrAbove = [&](const std::string& l) { return EntryKey(l) >= EntryKey(*line); };
            auto at = std::find_if(naive.begin(), naive.end(), atOrAbove);
            if (at != naive.end() && EntryKey(*at) == EntryKey(*line)) {
                naive.erase(at);
                at = std::find_if(naive.begin(), naive.end(), atOrAbove);
            } else if (naive.size() >= static_cast<std::size_t>(kMaxSignalEntries)) {
                ++overflow;
                continue;
            }
            naive.insert(at, *line);
            ++merged;
        }
        const SignalLoadResult r = MergeSignalRecords(text, list);
        ASSERT_EQ(list.Lines(), naive) << "round " << round;
        ASSERT_EQ(std::tie(r.merged, r.refused, r.overflow), std::tie(merged, refused, overflow));
        for (int i = 0; i < list.Count(); ++i)
            ASSERT_DOUBLE_EQ(list.Frequency(i), EntryFrequency(list.Line(i)));
    }
}

TEST(SignalFile, LoadSaveRoundTripAndMerge) {
    const std::string text = "00001.50000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                             "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4\r\n"
                             "00020.00001,[   99.999    -1    IFT   ]{1}(0)/ \\a/b\\c, d \r\n"
                             "00145.50000,[   00.030    07    LSB   ]{2}(5)/x\\\xe9t\xe9\r\n";
    test::TempDir dir;
    SignalList list;
    const SignalLoadResult r = LoadSignalFile(dir.write("LIST.SIG", text), list);
    EXPECT_TRUE(r.file);
    EXPECT_EQ(r.merged, 4);
    EXPECT_EQ(SignalFileText(list), text);
    ASSERT_TRUE(SaveSignalFile(dir.file("COPY.SIG"), list));
    EXPECT_EQ(test::TempDir::read(dir.file("COPY.SIG")), text);

    // A later record wins; refused records are counted; a missing file merges nothing.
    SignalList merged;
    merged.InsertSorted(Line(15));
    const std::string more = Record(20, "first") + "\r\n" + Record(10) + "[SIGNAL LIST DATA FORMAT]\r\n" +
                             Record(20, "second") + "100000.5,x";
    const SignalLoadResult r2 = LoadSignalFile(dir.write("MORE.SIG", more), merged);
    EXPECT_EQ(r2.merged, 3);
    EXPECT_EQ(r2.refused, 3);
    EXPECT_EQ(merged.Lines(), (Lines{Line(10), Line(15), Line(20, "00.010", "second")}));
    const SignalLoadResult missing = LoadSignalFile(dir.file("NONE.SIG"), merged);
    EXPECT_FALSE(missing.file);
    EXPECT_FALSE(missing.file.error.empty());
    EXPECT_EQ(merged.Count(), 3);
}

} // namespace
} // namespace zarn
