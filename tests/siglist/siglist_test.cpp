// The signal list's rules: its entry lines and records, clipboard texts, panel checks, the list and its
// placement rules, the band index, and its companion files.
#include "clip_text.h"
#include "entry_line.h"
#include "panel_rules.h"
#include "record_layout.h"
#include "siglist_files.h"
#include "signal_bands.h"
#include "signal_list.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;
using test::TempDir;

// Each record, the entry line it loads as, and whether writing the line gives the record back.
TEST(ParseSignalRecord, LoadsAsItsEntryLine) {
    const struct {
        std::string record, line;
        bool roundTrips;
    } cases[] = {
        {"00020.00000,[   00.010    20    FM    ]{2}(9)/ \\",
         " 00020.00000   00.010   20   FM    ?s     9        ", true},
        {"00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4",
         " 00020.00000   00.010   20   PLS   soi    3    x   Net 4", true},
        {"00145.50000,[   12.500    -1    USB   ]{1}(0)/ \\x",
         " 00145.50000   12.500   -1   USB   ids    0        x", true},
        {"00145.50000,hello", " 00145.50000   00.030   20   AM    ?s     9        hello", false},
        {"00145.50000", " 00145.50000   00.030   20   AM    ?s     9        ", false},
        // Only the first "/" and "\" make the lockout group; the rest belongs to the comment.
        {"00007.25000,[   00.005    05    CW    ]{2}(5)/ \\a/b\\c\\",
         " 00007.25000   00.005   05   CW    ?s     5        a/b\\c\\", true},
        {"00007.25000,[   00.005    05    CW    ]{2}(5)/x\\[see](1){2}",
         " 00007.25000   00.005   05   CW    ?s     5    x   [see](1){2}", true},
        // A bracket group of 25 or 27 characters takes its defaults; the other groups are still read.
        {"00020.00000,[   00.010    20    FM   ]{1}(4)/x\\c",
         " 00020.00000   00.030   20   AM    ids    4    x   c", false},
        {"00020.00000,[   00.010    20    FM     ]{0}(2)/ \\c",
         " 00020.00000   00.030   20   AM    soi    2        c", false},
        // Missing groups take their defaults; the comment follows the last group recognised.
        {"00001.00000,{1}rest", " 00001.00000   00.030   20   AM    ids    9        rest", false},
        {"00001.00000,/x\\rest", " 00001.00000   00.030   20   AM    ?s     9    x   rest", false},
        {"00001.00000,{7}", " 00001.00000   00.030   20   AM    ?s     9        ", false},
        // The frequency field is read as a number and brought to its width.
        {" 20 ,x", " 00020.00000   00.030   20   AM    ?s     9        x", false},
        {"1.234567,", " 00001.23457   00.030   20   AM    ?s     9        ", false},
        {"1E2,", " 00100.00000   00.030   20   AM    ?s     9        ", false},
        {"99999.99999,", " 99999.99999   00.030   20   AM    ?s     9        ", false},
        {"-0,", " 00000.00000   00.030   20   AM    ?s     9        ", false},
        {"00003.00000,[   00.010    20    FM    ]{2}(9)/ \\\xe9\xff\t;",
         " 00003.00000   00.010   20   FM    ?s     9        \xe9\xff\t;", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSignalRecordLine(c.record).value_or("refused"), c.line) << c.record;
        if (c.roundTrips) {
            EXPECT_EQ(FormatSignalRecord(c.line), c.record);
        }
    }
    for (const std::string record : {"", "   ", "abc,[   00.010    20    FM    ]{2}(9)/ \\",
                                     "[SIGNAL LIST DATA FORMAT]", "12abc,x", "100000,x", "99999.999999,x", "-1,x",
                                     "-0.000001,x", "1e5,x", ",x", "1 2,x"})
        EXPECT_FALSE(ParseSignalRecordLine(record)) << '"' << record << '"';
    // A pasted line shorter than the layout still writes a record whose groups are found again.
    const std::string record = FormatSignalRecord(" 00010.50000   00.020");
    EXPECT_EQ(record, "00010.50000,[   00.020" + std::string(16, ' ') + "]{2}( )/ \\");
    const std::string line = ParseSignalRecordLine(record).value_or("");
    EXPECT_EQ(EntryKey(line), " 00010.50000");
    EXPECT_EQ(EntryIfbwText(line), "00.020");
    EXPECT_EQ(line.size(), kEntryLineLength);
}

TEST(EntryLine, ColumnsAreReadByPosition) {
    const std::string line =
        MakeEntryLine("00020.12345", "00.010", "-1", "PLS", SignalClass::Soi, "3", true, "Net 4");
    EXPECT_EQ(line, " 00020.12345   00.010   -1   PLS   soi    3    x   Net 4");
    EXPECT_EQ(MakeEntryLine("00020.00000", "00.010", "20", "FM ", SignalClass::Unknown, "9", false, "").size(),
              kEntryLineLength);
    EXPECT_EQ(std::string(EntryKey(line)) + "|" + std::string(EntryFreqText(line)) + "|" +
                  std::string(EntryIfbwText(line)) + "|" + std::string(EntryCorText(line)) + "|" +
                  std::string(EntryDetText(line)) + "|" + std::string(EntryClassText(line)) + "|" +
                  std::string(EntryPriorityText(line)) + "|" + std::string(EntryComment(line)),
              " 00020.12345|00020.12345|00.010|-1|PLS|soi|3|Net 4");
    EXPECT_TRUE(EntryLockedOut(line));
    EXPECT_DOUBLE_EQ(EntryFrequency(line), 20.12345);
    EXPECT_DOUBLE_EQ(EntryIfbw(line), 0.01);
    EXPECT_EQ((std::vector{ClassFromText("ids"), ClassFromText("soi"), ClassFromText("?s ")}),
              (std::vector{SignalClass::Ids, SignalClass::Soi, SignalClass::Unknown}));
    // A short line (pasted as it stood) gives what is there and nothing past its end.
    EXPECT_EQ(EntryFreqText(" 00010.5"), "00010.5");
    EXPECT_EQ(EntryIfbwText(" 00010.5"), "");
    EXPECT_EQ(EntryComment(std::string(51, ' ')), "");
    EXPECT_FALSE(EntryLockedOut(" 00010.5"));
    EXPECT_DOUBLE_EQ(EntryFrequency(" 00010.5"), 10.5);
    EXPECT_DOUBLE_EQ(EntryIfbw(""), 0);
    // Anything but the fixed forms goes to the lenient reader (the fuzz target compares the two).
    EXPECT_EQ(EntryFrequency(" 12.5"), 12.5);
    EXPECT_EQ(EntryFrequency(" 0001x.00000"), 1.0);
    double parsed = -1;
    ASSERT_TRUE(ParseSignalRecordLine("00145.02500,x", parsed));
    EXPECT_EQ(parsed, 145.025);
}

const std::string kA = " 00010.00000   00.010   20   FM    ?s     9        ";
const std::string kB = " 00020.00000   01.500   -1   PLS   soi    3    x   Net, 4";
const std::string kHeader = "[SIGNAL LIST DATA FORMAT]";

// The block-wise layout check against the character-by-character one, on records written by this
// program with characters swapped for marks, blanks, digits and bytes above 127 at random places.
TEST(RecordLayout, BlockCheckAgreesWithThePlainOne) {
    const std::string standard = "[   00.010    20    AM PLS]{0}(3)/x\\comment";
    const std::string alphabet = std::string("[]{}()/\\ 0x.~") + '\x80' + '\xdb' + '\xfb' + '\xaf';
    std::mt19937 rng(15);
    int standardSeen = 0, otherSeen = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        std::string rest = standard.substr(0, 30 + rng() % (standard.size() - 29));
        for (int swaps = static_cast<int>(rng() % 3); swaps > 0; --swaps)
            if (!rest.empty()) rest[rng() % rest.size()] = alphabet[rng() % alphabet.size()];
        const bool plain = HasStandardRecordLayoutPlain(rest);
        ASSERT_EQ(HasStandardRecordLayout(rest), plain) << rest;
        ++(plain ? standardSeen : otherSeen);
    }
    EXPECT_GT(standardSeen, 1000);
    EXPECT_GT(otherSeen, 1000);
}

TEST(ClipText, CopyCopyFreqAndPaste) {
    EXPECT_EQ(SignalListClipText({}), kHeader + "\r\n");
    EXPECT_EQ(SignalListClipText({kA, kB}), kHeader + "\r\n" + kA + "\r\n" + kB + "\r\n");
    EXPECT_EQ(FrequencyClipText({kA, kB, kA}), "00010.00000\r\n00020.00000\r\n00010.00000\r\n");
    EXPECT_EQ(FrequencyClipText({}), "");
    const std::pair<std::string, std::optional<Lines>> pastes[] = {
        {"", std::nullopt},
        {"00010.00000\r\n", std::nullopt},
        {"[SIGNAL LIST DATA FORMAT", std::nullopt},
        {"[signal list data format]\r\n" + kA, std::nullopt},
        {kHeader, Lines{}},
        {SignalListClipText({kA, kB}), Lines{kA, kB}},
        {kHeader + "\n" + kA + "\n" + kB + "\n", Lines{kA, kB}},
        {kHeader + "\r\n" + kA + "\r\n" + kB, Lines{kA, kB}},
        {kHeader + "\r\n\r\n" + kA + "\r\n\n\r\n" + kB + "\r\n\r\n", Lines{kA, kB}}, // empty lines skipped
        {kHeader + "\r\n" + kA + "\rx\r\r\n", Lines{kA + "\rx\r"}}, // only a CR before the LF ends a line
        {kHeader + " 3 entries\r\n" + kA, Lines{kA}},                 // the rest of the header line dropped
    };
    for (const auto& [text, lines] : pastes)
        EXPECT_EQ(PastedSignalLines(text), lines) << text;
}

// Each field's check on a typed text: the text it then shows, or "!" when refused.
TEST(PanelRules, FieldChecks) {
    using Check = std::optional<std::string> (*)(std::string_view);
    const Check freq = CheckFreqField, ifbw = CheckIfbwField, cor = CheckCorField, pri = CheckPriorityField;
    const struct {
        Check check;
        const char* text;
        const char* shown;
    } cases[] = {
        {freq, "12.5", "00012.50000"}, {freq, "100000", "!"}, {freq, "99999.999999", "!"},
        {freq, "-0", "00000.00000"}, {freq, "-1", "!"}, {freq, "  ", "!"}, {freq, "12.5MHz", "!"},
        {freq, " 7 ", "00007.00000"}, {ifbw, "0.01", "00.010"}, {ifbw, "99.999", "99.999"},
        {ifbw, "99.9995", "!"}, {ifbw, "-0.001", "!"}, {ifbw, "", "!"}, {cor, "-7", "-1"},
        {cor, "-0.5", "-1"}, {cor, "-0", "00"}, {cor, "7", "07"}, {cor, "98.7", "99"}, {cor, "99.2", "!"},
        {cor, "120", "!"}, {cor, "x", "!"}, {pri, "0", "0"}, {pri, "8.7", "9"}, {pri, "-0", "0"},
        {pri, "9.2", "!"}, {pri, "10", "!"}, {pri, "-1", "!"}, {pri, "", "!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text).value_or("!"), c.shown) << '"' << c.text << '"';
}

TEST(PanelRules, StartValuesAndDetectionIndex) {
    const PanelValues add = PanelStartForAdd();
    EXPECT_EQ(MakeEntryLine(add.freq, add.ifbw, add.cor, kDetectionModes[add.det - 1],
                            static_cast<SignalClass>(add.cls), add.priority, false, add.comment),
              " 00020.00000   00.010   20   FM    ?s     9        ");
    const PanelValues v = PanelStartFromLine(" 00145.50000   12.500   -1   ISB   ids    0    x   Net 4");
    const auto shown = [](const PanelValues& p) {
        return p.freq + "|" + p.ifbw + "|" + p.cor + "|" + std::to_string(p.det) + "|" + std::to_string(p.cls) +
               "|" + p.priority + "|" + p.comment;
    };
    EXPECT_EQ(shown(v), "00145.50000|12.500|-1|7|1|0|Net 4");
    EXPECT_EQ(shown(PanelStartEmpty()), "|||0|-1||");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(DetectionIndex(kDetectionModes[i]), i + 1);
    for (const char* other : {"FM", "", "xyz"})
        EXPECT_EQ(DetectionIndex(other), 1) << other;
}

// A multiple edit changes only the filled fields and the lockout column; short lines keep their columns.
TEST(PanelRules, ApplyMultiEdit) {
    const std::string line = " 00020.00000   01.500   15   PLS   soi    3    x   Net 4";
    const struct {
        MultiEdit edit;
        std::string line, result;
    } cases[] = {
        {{"", "", "", "5", true}, " 00030.00000   00.030   05   CW    ids    0        with, a comment ",
         " 00030.00000   00.030   05   CW    ids    5    x   with, a comment "},
        {{"", "", "", "5", false}, line, " 00020.00000   01.500   15   PLS   soi    5        Net 4"},
        {{"02.000", "-1", "USB", "", false}, line, " 00020.00000   02.000   -1   USB   soi    3        Net 4"},
        {MultiEdit{}, line, " 00020.00000   01.500   15   PLS   soi    3        Net 4"},
        {{"", "", "", "1", true}, " 00020.00000", " 00020.00000" + std::string(30, ' ') + "1    x   "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyMultiEdit(c.line, c.edit), c.result);
    EXPECT_EQ(ReplaceQuestion("00020.00000"), "Freq = 00020.00000 MHz is already available in the Signal "
                                              "List.  Do you want to replace it with new data?");
}

std::string Line(double mhz, const char* ifbw = "00.010", const std::string& comment = "") {
    char freq[32];
    std::snprintf(freq, sizeof freq, "%011.5f", mhz);
    return MakeEntryLine(freq, ifbw, "20", "FM ", SignalClass::Unknown, "9", false, comment);
}
std::string Record(double mhz, const std::string& comment = "") {
    return FormatSignalRecord(Line(mhz, "00.010", comment)) + "\r\n";
}
// What a load merged, refused and left out, when the file could be read.
std::string Counts(const SignalLoadResult& r) {
    return r.file ? std::to_string(r.merged) + " " + std::to_string(r.refused) + " " + std::to_string(r.overflow)
                  : "unread";
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
    EXPECT_EQ(Counts(MergeSignalRecords(Filled(kMaxSignalEntries), list)), "32767 0 0");
    ASSERT_TRUE(list.Full());
    EXPECT_FALSE(list.InsertAt(0, Line(0.5)));
    EXPECT_FALSE(list.InsertSorted(Line(0.5)));
    EXPECT_EQ(list.InsertSorted(Line(1.001, "00.010", "kept")), 1);
    // A load into the full list replaces what it may and counts the rest; nothing listed is lost.
    EXPECT_EQ(Counts(MergeSignalRecords(Record(0.5) + Record(1.002, "replaced") + Record(99999), list)), "1 0 2");
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
    TempDir dir;
    SignalList list;
    EXPECT_EQ(Counts(LoadSignalFile(dir.write("LIST.SIG", text), list)), "4 0 0");
    EXPECT_EQ(SignalFileText(list), text);
    ASSERT_TRUE(SaveSignalFile(dir.file("COPY.SIG"), list));
    EXPECT_EQ(TempDir::read(dir.file("COPY.SIG")), text);

    // A later record wins; refused records are counted; a missing file merges nothing.
    SignalList merged;
    merged.InsertSorted(Line(15));
    const std::string more = Record(20, "first") + "\r\n" + Record(10) + "[SIGNAL LIST DATA FORMAT]\r\n" +
                             Record(20, "second") + "100000.5,x";
    EXPECT_EQ(Counts(LoadSignalFile(dir.write("MORE.SIG", more), merged)), "3 3 0");
    EXPECT_EQ(merged.Lines(), (Lines{Line(10), Line(15), Line(20, "00.010", "second")}));
    const SignalLoadResult missing = LoadSignalFile(dir.file("NONE.SIG"), merged);
    EXPECT_FALSE(missing.file);
    EXPECT_FALSE(missing.file.error.empty());
    EXPECT_EQ(merged.Count(), 3);
}

TEST(SignalBands, ReadsAListAndFallsBackToTheDefaultBandwidth) {
    SignalList list;
    list.InsertSorted(Line(145, "00.030"));
    list.InsertSorted(Line(20));
    const SignalBands bands(list);
    ASSERT_EQ(bands.Count(), 2);
    EXPECT_EQ(bands.Find(145.01), 1);
    EXPECT_EQ(bands.Find(20.004), 0);
    EXPECT_DOUBLE_EQ(bands.Frequency(1), 145.0);
    EXPECT_DOUBLE_EQ(bands.Bandwidth(1), 0.030);
    EXPECT_EQ(SignalBands().Find(1.0), std::nullopt);
    const SignalBand held = SignalBandOf(145.01, bands, 0.025), free = SignalBandOf(146.0, bands, 0.025);
    EXPECT_DOUBLE_EQ(held.lo, 144.985);
    EXPECT_DOUBLE_EQ(held.hi, 145.015);
    EXPECT_DOUBLE_EQ(free.lo, 146.0 - 0.0125);
    EXPECT_DOUBLE_EQ(free.hi, 146.0 + 0.0125);
}

// The index must answer as the plain walk (the first entry from the top whose band holds f), for lists
// sorted or not, overlapping or not, with negative, zero and wide bandwidths, and at the band edges.
// Every sixth list is as a kept list is, in frequency order with a band on every entry, some of them
// repeated: the index then is the list itself.
TEST(SignalBands, AgreesWithTheWalkDownTheList) {
    std::mt19937 rng(12345);
    const auto real = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        const bool kept = round % 6 == 0;
        std::vector<double> freq, bw, asks;
        for (int i = std::uniform_int_distribution<int>(0, 300)(rng); i > 0; --i) {
            const int kind = kept ? 3 : std::uniform_int_distribution<int>(0, 9)(rng);
            const double f = round % 3 == 0 ? 30.0 + static_cast<double>(freq.size()) * 0.03 : real(30, 40);
            const double b = kind == 0 ? -0.02 : kind == 1 ? 0.0 : real(0.005, kind == 2 ? 5 : 0.05);
            const bool again = kept && i % 7 == 0 && !freq.empty();
            freq.push_back(again ? freq.back() : std::round(f * 1e5) / 1e5);
            bw.push_back(again ? bw.back() : std::round(b * 1e3) / 1e3);
            asks.insert(asks.end(), {freq.back() - bw.back() / 2, freq.back() + bw.back() / 2, freq.back()});
            asks.push_back(real(29, 41));
        }
        const SignalBands bands(freq, bw);
        for (double f : asks) {
            std::optional<int> walk;
            for (std::size_t i = 0; i < freq.size() && !walk; ++i)
                if (freq[i] - bw[i] / 2 <= f && f <= freq[i] + bw[i] / 2) walk = static_cast<int>(i);
            ASSERT_EQ(bands.Find(f), walk) << "round " << round << " f " << f;
        }
    }
}

Lines Padded(Lines texts) {
    texts.resize(std::max<std::size_t>(texts.size(), 20), "Unused");
    return texts;
}

// The comment file is found whatever the case of its name, read after its marker line (20 texts at
// least, more all kept), and written back in place.
TEST(CommentFile, ReadWriteAndStoreSlot) {
    TempDir dir;
    const std::string path = dir.file("~Freq.Cmt");
    Lines many;
    std::string text = "[Signal List Comments]\r\n";
    for (int i = 0; i < 25; ++i)
        text += (many.emplace_back("c" + std::to_string(i))) + "\r\n";
    const std::pair<std::string, Lines> cases[] = {
        {"Net 1\r\nNet 2\r\n", Padded({})}, // no marker line
        {"junk\r\n[Signal List Comments]\r\nNet 1\r\n\r\nNet, 3\n", Padded({"Net 1", "", "Net, 3"})},
        {text, many},
    };
    EXPECT_EQ(ReadCommentFile(path), Padded({}));
    for (const auto& [content, texts] : cases) {
        dir.write("~FREQ.CMT", content);
        EXPECT_EQ(ReadCommentFile(path), texts) << content;
    }
    const Lines written = Padded({"Net 1", "Net 2"});
    ASSERT_TRUE(WriteCommentFile(path, written));
    std::string expected = "[Signal List Comments]\r\n";
    for (const auto& t : written)
        expected += t + "\r\n";
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.CMT")), expected);

    Lines slots = Padded({"a", "b", "c"});
    EXPECT_EQ(CommentStoreSlot(slots, 7), 7);
    EXPECT_EQ(CommentStoreSlot(slots, 0), 0);
    EXPECT_EQ(CommentStoreSlot(slots, -1), 3);
    EXPECT_EQ(CommentStoreSlot(slots, 20), 3);
    slots.assign(20, "used");
    EXPECT_EQ(CommentStoreSlot(slots, -1), 19);
}

TEST(PointerFile, FirstLineTrimmedAndRelativeToItsFolder) {
    TempDir dir;
    const std::string pointer = dir.file("~FREQ.~IG");
    EXPECT_FALSE(ReadPointerFile(pointer));
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"", std::nullopt},
        {" \t\r\nsecond\r\n", std::nullopt},
        {"/data/lists/NET.SIG \t\r\nsecond line\r\n", "/data/lists/NET.SIG"},
        {"lists/NET.SIG", dir.path() + "/lists/NET.SIG"},
    };
    for (const auto& [content, path] : cases) {
        dir.write("~FREQ.~IG", content);
        EXPECT_EQ(ReadPointerFile(pointer), path) << content;
    }
    ASSERT_TRUE(WritePointerFile(pointer, "/data/My Lists/a.SIG"));
    EXPECT_EQ(TempDir::read(pointer), "/data/My Lists/a.SIG\r\n");
}

// The pointed file if it is there (in any case), else the default, which is made only when missing.
TEST(ChooseListFile, PointedFileElseTheDefaultWhichIsNeverEmptied) {
    TempDir dir;
    const std::string def = dir.file("~FREQ.SIG"), net = dir.write("NET.SIG", "x");
    std::filesystem::create_directory(dir.file("DIR.SIG"));
    const auto choice = [&](std::optional<std::string> pointed) {
        const ListFileChoice c = ChooseListFile(pointed, def);
        return c.path + (c.createDefault ? " +" : "");
    };
    EXPECT_EQ(choice(net), net);
    EXPECT_EQ(choice(dir.file("net.sig")), net);
    EXPECT_EQ(choice(dir.file("GONE.SIG")), def + " +");
    EXPECT_EQ(choice(std::nullopt), def + " +");
    EXPECT_EQ(choice(dir.file("DIR.SIG")), def + " +"); // a folder is no list file
    dir.write("~FREQ.SIG", "kept");
    EXPECT_EQ(choice(dir.file("GONE.SIG")), def);
}

TEST(SignalListNames, SigExtensionAndCaption) {
    const std::pair<const char*, const char*> cases[] = {
        {"list.txt", "list.SIG"},   {"C:\\data\\net", "C:\\data\\net.SIG"}, {"a.b.c", "a.b.SIG"},
        {"/home/op/data.d/net", "/home/op/data.d/net.SIG"},  {"/home/op/net.", "/home/op/net.SIG"},
        {"C:net", "C:net.SIG"},     {"net", "net"},                            {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ForceSigExtension(in), out) << in;
    EXPECT_EQ(SignalListCaption("/home/op/Lists/NET 4.SIG"), "SIGNAL LIST - [net 4.sig]");
    EXPECT_EQ(SignalListCaption("C:\\DATA\\~FREQ.SIG"), "SIGNAL LIST - [~freq.sig]");
    EXPECT_EQ(SignalListCaption("\xc9T\xc9.SIG"), "SIGNAL LIST - [\xc9t\xc9.sig]");
}

} // namespace
} // namespace zarn
