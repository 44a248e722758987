#include "clip_attributes.h"

#include "formats.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

SignalList ListOf(const std::vector<std::string>& lines) {
    SignalList list;
    for (const std::string& line : lines)
        EXPECT_TRUE(list.InsertAt(list.Count(), line));
    return list;
}

TEST(ClipReadouts, CaptionsOfAClipLine) {
    const struct {
        const char *line, *file, *chnl, *freq, *start, *stop, *level;
    } cases[] = {
        // The level field as it stands.
        {"CLIP0001.WAV,3,145.01,01/05/05 13:04:05,01/05/05 13:04:09, -85 ,12          ", "CLIP0001.WAV",
         "003", "0145.0100 M", "01/05/05 13:04:05", "01/05/05 13:04:09", " -85  dBm"},
        // Short or damaged lines show what there is.
        {"A.WAV,7", "A.WAV", "007", "0000.0000 M", "", "", " dBm"},
        {"B.WAV,1,30,13/45/05 10:00:00,garbage,-70", "B.WAV", "001", "0030.0000 M", "13/45/05 10:00:00",
         "garbage", "-70 dBm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const ClipReadouts r = MakeClipReadouts(c.line);
        const std::vector<std::string> got{r.FileName, r.Chnl, r.Freq, r.StartTime, r.StopTime, r.Level};
        EXPECT_EQ(got, (std::vector<std::string>{c.file, c.chnl, c.freq, c.start, c.stop, c.level}));
    }
}

// The first entry whose band holds the clip's frequency gives class, comment and bandwidth; the
// mode comes from the clip's picture row, found by collection type.
TEST(ShowSignalMatch, EntryAndRowOfAClip) {
    // 10.000 +- 0.050, then 10.040 +- 0.500 overlapping it, then 20.000 +- 0.005.
    const auto entry = [](const char* freq, const char* ifbw, SignalClass cls, std::string_view comment) {
        return MakeEntryLine(freq, ifbw, "20", "FM ", cls, "3", false, comment);
    };
    const SignalList list = ListOf({entry("00010.00000", "00.100", SignalClass::Soi, "first"),
                                    entry("00010.04000", "01.000", SignalClass::Ids, "second"),
                                    entry("00020.00000", "00.010", SignalClass::Unknown, "")});
    const SignalBands bands(list);
    ClipTable table;
    table.RowCount = 3;
    table.RowLabel = {"", "00010.00000, 00010.05000", "00020.00000, 00020.05000", "00030.00000, 00030.05000"};
    table.RowMode = {"", ", 010KHz, AM ", ", 020KHz, USB", ", 030KHz, CW "};
    const auto N = CollectionType::Netora, P = CollectionType::Priority, S = CollectionType::Spectral;
    const struct {
        CollectionType type;
        const char *freq, *chnl;
        std::optional<int> entry;
        SignalClass cls;
        const char* comment;
        long row;
        const char* ifbw;
    } cases[] = {
        {N, "0010.0000 M", "001", 0, SignalClass::Soi, "first", 1, "IFBW: 100KHz, AM "},
        {N, "0010.0500 M", "001", 0, SignalClass::Soi, "first", 1, "IFBW: 100KHz, AM "}, // upper edge in
        {N, "0009.9500 M", "001", 0, SignalClass::Soi, "first", 1, "IFBW: 100KHz, AM "}, // lower edge in
        {N, "0010.0501 M", "001", 1, SignalClass::Ids, "second", 1, "IFBW: 1000KHz, AM "}, // the wide band
        {N, "0020.0050 M", "001", 2, SignalClass::Unknown, "", 1, "IFBW: 010KHz, AM "},
        {N, "0020.0051 M", "003", std::nullopt, SignalClass::Unknown, "", 1, "IFBW: 025KHz, AM "},
        {P, "0030.0100 M", "002", std::nullopt, SignalClass::Unknown, "", 2, "IFBW: 025KHz, USB"}, // channel
        {P, "0030.0100 M", "009", std::nullopt, SignalClass::Unknown, "", 9, "IFBW: 025KHz"}, // no such row
        {S, "0020.0500 M", "001", std::nullopt, SignalClass::Unknown, "", 2, "IFBW: 025KHz, USB"}, // row edge
        {S, "0030.0000 M", "001", std::nullopt, SignalClass::Unknown, "", 3, "IFBW: 025KHz, CW "},
        {S, "0025.0000 M", "003", std::nullopt, SignalClass::Unknown, "", 1, "IFBW: 025KHz, AM "}, // no row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.freq) + " " + c.chnl);
        table.Type = c.type;
        const SignalMatch m = ShowSignalMatch({c.freq, c.chnl, &table, 0.025}, list, bands);
        EXPECT_EQ(std::tie(m.entry, m.cls, m.comment, m.row, m.ifbwText),
                  std::tuple(c.entry, c.cls, std::string(c.comment), c.row, std::string(c.ifbw)));
    }
}

TEST(ClassAndComment, OnlyTheOperatorsSelectionPausesAndSendsAndCommasBecomeSemicolons) {
    const auto steps = [](ClassChangeSteps s) { return std::pair(s.pause, s.send); };
    EXPECT_EQ(steps(ClassChange(false, true, true)), std::pair(false, false));
    EXPECT_EQ(steps(ClassChange(true, true, true)), std::pair(true, true));
    EXPECT_EQ(steps(ClassChange(true, false, true)), std::pair(false, true));
    EXPECT_EQ(steps(ClassChange(true, true, false)), std::pair(true, false)); // options hidden: not listed

    EXPECT_EQ(CommentKey(kKeyEnter, false).action, CommentKeyAction::Send);
    EXPECT_EQ(CommentKey(kKeyEscape, false).action, CommentKeyAction::Restore);
    const CommentKeySteps comma = CommentKey(',', true), a = CommentKey('a', false);
    EXPECT_EQ(std::tuple(comma.action, comma.typed, comma.pause), std::tuple(CommentKeyAction::Type, ';', true));
    EXPECT_EQ(std::pair(a.typed, a.pause), std::pair('a', false));
    EXPECT_EQ(CleanComment("net 4, daily\r\nsecond"), "net 4; daily  second");
}

TEST(SendEntryLine, FieldsFromTheCaptions) {
    const struct {
        const char *freq, *ifbw;
        SignalClass cls;
        const char *comment, *expected; // nullptr: refused
    } cases[] = {
        // Unlisted: COR 10, priority 9.
        {"0145.0100 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, "",
         " 00145.01000   00.025   10   FM    ?s     9        "},
        {"0030.1234 M", "IFBW: 100KHz, USB", SignalClass::Soi, "net 4",
         " 00030.12340   00.100   10   USB   soi    9        net 4"},
        // A listed bandwidth of 1000 kHz and more keeps all its digits.
        {"0030.1234 M", "IFBW: 1500KHz, AM ", SignalClass::Ids, "",
         " 00030.12340   01.500   10   AM    ids    9        "},
        // A row without a mode text: the list's default mode, not "KHz".
        {"0030.1234 M", "IFBW: 025KHz", SignalClass::Unknown, "",
         " 00030.12340   00.025   10   AM    ?s     9        "},
        // Commas cannot reach the list through the comment.
        {"9999.9999 M", "IFBW: 025KHz, CW ", SignalClass::Unknown, "a,b",
         " 09999.99990   00.025   10   CW    ?s     9        a;b"},
        // A frequency that does not fit the column.
        {"123456.7000 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, "", nullptr},
        {"-0012.5000 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.freq);
        const SendFields fields{c.freq, c.ifbw, c.cls, c.comment};
        EXPECT_EQ(SendEntryLine(fields), c.expected ? std::optional<std::string>(c.expected) : std::nullopt);
        SignalList list;
        PlainSignalListEdits edits(list);
        ApplySend(edits, PlanSend(list, fields, SendMode::Ask), true);
        EXPECT_EQ(list.Lines(), c.expected ? std::vector<std::string>{c.expected} : std::vector<std::string>{});
    }
}

constexpr const char* kTenMhz = " 00010.00000   00.100   20   FM    soi    3        old";

SendFields Fields(const char* freq, SignalClass cls = SignalClass::Unknown) {
    return {freq, "IFBW: 025KHz, FM ", cls, "new"};
}
std::string Soi(const char* freq) {
    return freq + std::string("   00.025   10   FM    soi    9        new");
}

// Ask mode asks before it replaces a listed entry (the question's text is the player window's
// check); Replace mode and unlisted signals do not ask.
TEST(SendToSignalList, AskReplaceAndAdd) {
    const std::string fresh = " 00010.04000   00.025   10   FM    ?s     9        new";
    const struct {
        const char* freq;
        SignalClass cls;
        SendMode mode;
        bool question, yes;
        std::vector<std::string> after;
        int index;
    } cases[] = {
        {"0010.0400 M", SignalClass::Unknown, SendMode::Ask, true, false, {kTenMhz}, -1}, // No: it stays
        {"0010.0400 M", SignalClass::Unknown, SendMode::Ask, true, true, {fresh}, 0},     // Yes: replaced
        {"0010.0400 M", SignalClass::Soi, SendMode::Replace, false, true, {Soi(" 00010.04000")}, 0},
        {"0009.9400 M", SignalClass::Soi, SendMode::Ask, false, true, {Soi(" 00009.94000"), kTenMhz}, 0},
        {"0010.0600 M", SignalClass::Soi, SendMode::Ask, false, true, {kTenMhz, Soi(" 00010.06000")}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.freq);
        SignalList list = ListOf({kTenMhz});
        PlainSignalListEdits edits(list);
        const SendPlan plan = PlanSend(list, Fields(c.freq, c.cls), c.mode);
        EXPECT_EQ(plan.question.has_value(), c.question);
        const SendOutcome out = ApplySend(edits, plan, c.yes);
        EXPECT_EQ(list.Lines(), c.after);
        EXPECT_EQ(std::tie(out.added, out.index), std::tuple(c.index >= 0, c.index));
        EXPECT_EQ(out.statusText, c.index < 0 ? "" : c.cls == SignalClass::Soi ? "   <soi>,   new" : "   <?s >,   new");
    }
    // The wide entry at 10 MHz covers 10.3 MHz, but the replacement sorts after the narrow 10.2 MHz
    // entry: the index given is where the new line stands, not the old slot.
    SignalList list = ListOf({" 00010.00000   01.000   20   AM    ids    3        wide",
                              " 00010.20000   00.010   20   AM    ids    3        narrow"});
    PlainSignalListEdits edits(list);
    const SendPlan plan = PlanSend(list, Fields("0010.3000 M"), SendMode::Replace);
    EXPECT_EQ(plan.slot.slot, 0);
    const SendOutcome out = ApplySend(edits, plan, true);
    EXPECT_EQ(out.index, 1);
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{" 00010.20000   00.010   20   AM    ids    3        narrow",
                                                      plan.line}));
}

TEST(SendToSignalList, FullListRefusesAnAdditionButMayReplace) {
    SignalList list;
    for (int i = 0; i < SignalList::kMaxEntries; ++i)
        list.InsertAt(i, MakeEntryLine(FormatNumber(100 + i * 0.001, "00000.00000"), "00.000", "20", "AM ",
                                       SignalClass::Unknown, "9", false, ""));
    PlainSignalListEdits edits(list);
    const SendOutcome added = ApplySend(edits, PlanSend(list, Fields("0050.0000 M"), SendMode::Ask), true);
    EXPECT_EQ(std::tuple(added.added, added.listFull, list.Count()), std::tuple(false, true, SignalList::kMaxEntries));
    const SendOutcome replaced = ApplySend(edits, PlanSend(list, Fields("0100.0000 M"), SendMode::Replace), true);
    EXPECT_EQ(std::tuple(replaced.added, list.Count(), EntryComment(list.Line(replaced.index))),
              std::tuple(true, SignalList::kMaxEntries, std::string("new")));
}

// The NETORA report, without a bandwidth, is the player window's clipboard check.
TEST(ClipReport, ChannelAndTrackReportsByteForByte) {
    const ClipReadouts r =
        MakeClipReadouts("CLIP0001.WAV,3,123.456,01/05/05 13:04:05,01/05/05 13:04:09,-85,12");
    const std::string head = "ORVANE AUDIO PLAYBACK APPLICATION, Version 02.00.00:\r\n\n";
    const std::string tail = "Signal Level:   -85 dBm\r\n"
                             "Start Time:   01/05/05 13:04:05\r\n"
                             "Stop Time:   01/05/05 13:04:09\r\n";
    EXPECT_EQ(ClipReport(CollectionType::Priority, r, "IFBW: 025KHz, FM ", "net 4"),
              head + "Collection Type:   PRIORITY\r\nWave Filename:   CLIP0001.WAV\r\n"
                     "Setup:   Channel# 003, 0123.4560 MHz, IFBW: 025KHz, FM \r\n" +
                  tail + "Comments:   net 4\r\n");
    EXPECT_EQ(ClipReport(CollectionType::Spectral, r, "IFBW: 025KHz, FM ", ""),
              head + "Collection Type:   SPECTRAL\r\nWave Filename:   CLIP0001.WAV\r\n"
                     "Setup:   Track# 003, 0123.4560 MHz, IFBW: 025KHz, FM \r\n" +
                  tail + "Comments:   \r\n");
}

TEST(CopyWave, DestinationNamesAndACopyThatNeverHarmsTheClip) {
    const struct {
        const char *chosen, *expected;
    } cases[] = {
        {"/home/op/clip7", "/home/op/clip7.WAV"},
        {"/home/op/clip7.", "/home/op/clip7.WAV"},
        {"/home/op/a.b.wav", "/home/op/a.WAV"},                     // cut at the name's first dot
        {"/home/op/run.2005/clip7", "/home/op/run.2005/clip7.WAV"}, // a dotted folder stays whole
        {"/home/op/run.2005/clip7.wav", "/home/op/run.2005/clip7.WAV"},
        {"clip7", "clip7.WAV"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CopyWaveDestination(c.chosen), c.expected) << c.chosen;

    TempDir dir;
    const std::string bytes("RIFF\0\1\2wave", 11);
    const std::string clip = dir.write("CLIP0001.WAV", bytes);
    const std::string dest = dir.write("OUT.WAV", "older");
    ASSERT_TRUE(CopyClipFile(clip, dest));
    EXPECT_EQ(TempDir::read(dest), bytes);
    ASSERT_TRUE(CopyClipFile(clip, clip)); // onto itself: the clip stays whole
    EXPECT_EQ(TempDir::read(clip), bytes);
    dir.write("KEEP.WAV", "keep");
    EXPECT_FALSE(CopyClipFile(dir.file("MISSING.WAV"), dir.file("KEEP.WAV")));
    EXPECT_EQ(TempDir::read(dir.file("KEEP.WAV")), "keep");
}

} // namespace
} // namespace zarn
