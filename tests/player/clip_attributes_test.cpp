#include "clip_attributes.h"

#include "formats.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

// An entry line as the edit panel makes it.
std::string Entry(const char* freq, const char* ifbw, SignalClass cls, std::string_view comment = "",
                  const char* det = "FM ") {
    return MakeEntryLine(freq, ifbw, "20", det, cls, "3", false, comment);
}

SignalList ListOf(const std::vector<std::string>& lines) {
    SignalList list;
    for (const std::string& line : lines)
        EXPECT_TRUE(list.InsertAt(list.Count(), line));
    return list;
}

// ---- Readouts ----

TEST(ClipReadouts, CaptionsOfAClipLine) {
    struct Case {
        const char *line, *file, *chnl, *freq, *start, *stop, *level;
    };
    const Case cases[] = {
        {"CLIP0001.WAV,3,145.01,01/05/05 13:04:05,01/05/05 13:04:09, -85 ,12          ", "CLIP0001.WAV",
         "003", "0145.0100 M", "01/05/05 13:04:05", "01/05/05 13:04:09",
         " -85  dBm"}, // the level field as it stands
        // Short or damaged lines show what there is.
        {"A.WAV,7", "A.WAV", "007", "0000.0000 M", "", "", " dBm"},
        {"B.WAV,1,30,13/45/05 10:00:00,garbage,-70", "B.WAV", "001", "0030.0000 M", "13/45/05 10:00:00",
         "garbage", "-70 dBm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ClipReadouts r = MakeClipReadouts(c.line);
        EXPECT_EQ(r.FileName, c.file);
        EXPECT_EQ(r.Chnl, c.chnl);
        EXPECT_EQ(r.Freq, c.freq);
        EXPECT_EQ(r.StartTime, c.start);
        EXPECT_EQ(r.StopTime, c.stop);
        EXPECT_EQ(r.Level, c.level);
    }
}

// ---- ShowSignalMatch ----

ClipTable TableOf(CollectionType type) {
    ClipTable t;
    t.Type = type;
    t.RowCount = 3;
    t.RowLabel = {"", "00010.00000, 00010.05000", "00020.00000, 00020.05000", "00030.00000, 00030.05000"};
    t.RowMode = {"", ", 010KHz, AM ", ", 020KHz, USB", ", 030KHz, CW "};
    return t;
}

TEST(ShowSignalMatch, FirstEntryWhoseBandHoldsTheFrequency) {
    // 10.000 +- 0.050, then 10.040 +- 0.500 overlapping it, then 20.000 +- 0.005.
    const SignalList list = ListOf({Entry("00010.00000", "00.100", SignalClass::Soi, "first"),
                                    Entry("00010.04000", "01.000", SignalClass::Ids, "second"),
                                    Entry("00020.00000", "00.010", SignalClass::Unknown)});
    const SignalBands bands(list);
    const ClipTable table = TableOf(CollectionType::Netora);
    struct Case {
        const char* freq;
        std::optional<int> entry;
        SignalClass cls;
        const char* comment;
        const char* ifbw;
    };
    const Case cases[] = {
        {"0010.0000 M", 0, SignalClass::Soi, "first", "IFBW: 100KHz, AM "},
        {"0010.0500 M", 0, SignalClass::Soi, "first", "IFBW: 100KHz, AM "},   // upper edge included
        {"0009.9500 M", 0, SignalClass::Soi, "first", "IFBW: 100KHz, AM "},   // lower edge included
        {"0010.0501 M", 1, SignalClass::Ids, "second", "IFBW: 1000KHz, AM "}, // only the wide band
        {"0020.0050 M", 2, SignalClass::Unknown, "", "IFBW: 010KHz, AM "},
        {"0020.0051 M", std::nullopt, SignalClass::Unknown, "", "IFBW: 025KHz, AM "}, // default bandwidth
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freq);
        const SignalMatch m = ShowSignalMatch({c.freq, "001", &table, 0.025}, list, bands);
        EXPECT_EQ(m.entry, c.entry);
        EXPECT_EQ(m.cls, c.cls);
        EXPECT_EQ(m.comment, c.comment);
        EXPECT_EQ(m.ifbwText, c.ifbw);
    }
}

TEST(ShowSignalMatch, RowModeByCollectionType) {
    const SignalList empty;
    const SignalBands bands(empty);
    struct Case {
        CollectionType type;
        const char* freq;
        const char* chnl;
        long row;
        const char* ifbw;
    };
    const Case cases[] = {
        {CollectionType::Priority, "0030.0100 M", "002", 2, "IFBW: 025KHz, USB"}, // the clip's channel
        {CollectionType::Priority, "0030.0100 M", "009", 9, "IFBW: 025KHz"},      // no such row: no mode
        {CollectionType::Spectral, "0020.0500 M", "001", 2, "IFBW: 025KHz, USB"}, // row band, edge included
        {CollectionType::Spectral, "0030.0000 M", "001", 3, "IFBW: 025KHz, CW "},
        {CollectionType::Spectral, "0025.0000 M", "003", 1, "IFBW: 025KHz, AM "}, // in no row: row 1
        {CollectionType::Netora, "0030.0000 M", "003", 1, "IFBW: 025KHz, AM "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.freq) + " " + c.chnl);
        const ClipTable table = TableOf(c.type);
        const SignalMatch m = ShowSignalMatch({c.freq, c.chnl, &table, 0.025}, empty, bands);
        EXPECT_EQ(m.row, c.row);
        EXPECT_EQ(m.ifbwText, c.ifbw);
        EXPECT_FALSE(m.entry);
    }
}

// ---- Class options and comment keys ----

TEST(ClassAndComment, OnlyTheOperatorsSelectionPausesAndSends) {
    EXPECT_FALSE(ClassChange(false, true, true).pause);
    EXPECT_FALSE(ClassChange(false, true, true).send);
    EXPECT_TRUE(ClassChange(true, true, true).pause);
    EXPECT_TRUE(ClassChange(true, true, true).send);
    EXPECT_FALSE(ClassChange(true, false, true).pause);
    EXPECT_FALSE(ClassChange(true, true, false).send); // options hidden: the signal is not listed
}

TEST(ClassAndComment, CommentKeys) {
    EXPECT_EQ(CommentKey(kKeyEnter, false).action, CommentKeyAction::Send);
    EXPECT_EQ(CommentKey(kKeyEscape, false).action, CommentKeyAction::Restore);
    const CommentKeySteps comma = CommentKey(',', true);
    EXPECT_EQ(comma.action, CommentKeyAction::Type);
    EXPECT_EQ(comma.typed, ';');
    EXPECT_TRUE(comma.pause);
    EXPECT_EQ(CommentKey('a', false).typed, 'a');
    EXPECT_EQ(CleanComment("net 4, daily\r\nsecond"), "net 4; daily  second");
}

// ---- The entry line a send builds ----

TEST(SendEntryLine, FieldsFromTheCaptions) {
    struct Case {
        const char* freq;
        const char* ifbw;
        SignalClass cls;
        const char* comment;
        const char* expected;
    };
    const Case cases[] = {
        {"0145.0100 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, "",
         " 00145.01000   00.025   10   FM    ?s     9        "}, // unlisted: COR 10, priority 9
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto line = SendEntryLine({c.freq, c.ifbw, c.cls, c.comment});
        EXPECT_EQ(line, std::optional<std::string>(c.expected));
        EXPECT_EQ(EntryPriorityText(line.value_or("")), "9");
        EXPECT_FALSE(EntryLockedOut(line.value_or("")));
    }
    EXPECT_EQ(SendEntryLine({"0145.0100 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, ""})->size(),
              kEntryLineLength);
}

TEST(SendEntryLine, FrequencyThatDoesNotFitTheColumnIsRefused) {
    EXPECT_FALSE(SendEntryLine({"123456.7000 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, ""}));
    EXPECT_FALSE(SendEntryLine({"-0012.5000 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, ""}));
    SignalList list;
    PlainSignalListEdits edits(list);
    const SendPlan plan =
        PlanSend(list, {"-0012.5000 M", "IFBW: 025KHz, FM ", SignalClass::Unknown, ""}, SendMode::Ask);
    EXPECT_TRUE(plan.refused);
    EXPECT_FALSE(ApplySend(edits, plan, true).added);
    EXPECT_TRUE(list.Empty());
}

// ---- Replace questions and applying the answer ----

constexpr const char* kTenMhz = " 00010.00000   00.100   20   FM    soi    3        old";

SendFields Fields(const char* freq, SignalClass cls = SignalClass::Unknown, const char* comment = "new") {
    return {freq, "IFBW: 025KHz, FM ", cls, comment};
}

TEST(SendToSignalList, AskModeAsksBeforeReplacing) {
    SignalList list = ListOf({kTenMhz});
    PlainSignalListEdits edits(list);
    const SendPlan plan = PlanSend(list, Fields("0010.0400 M"), SendMode::Ask);
    ASSERT_TRUE(plan.slot.conflict);
    EXPECT_EQ(*plan.slot.conflict, 0);
    ASSERT_TRUE(plan.question);
    EXPECT_EQ(plan.question->title, "EDIT Signal... CONFIRMATION:");
    EXPECT_EQ(plan.question->text, "Freq = 0010.0400 MHz is already available in the Signal List.  "
                                   "Do you want to replace it with new data?");

    // No: nothing stored, the listed entry stays.
    const SendOutcome no = ApplySend(edits, plan, false);
    EXPECT_FALSE(no.added);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Line(0), kTenMhz);

    // Yes: the entry is replaced in its place.
    const SendOutcome yes = ApplySend(edits, plan, true);
    EXPECT_TRUE(yes.added);
    EXPECT_EQ(yes.index, 0);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Line(0), " 00010.04000   00.025   10   FM    ?s     9        new");
    EXPECT_EQ(yes.statusText, "   <?s >,   new");
}

TEST(SendToSignalList, ReplaceModeAndUnlistedSignalsDoNotAsk) {
    struct Case {
        const char* freq;
        SendMode mode;
        int count; // entries afterwards
        int index; // the new entry's place
        bool conflict;
    };
    const Case cases[] = {
        {"0010.0400 M", SendMode::Replace, 1, 0, true}, // class change: replaced unasked
        {"0009.9600 M", SendMode::Replace, 1, 0, true},
        {"0009.9400 M", SendMode::Ask, 2, 0, false}, // below the band: slot 0
        {"0010.0600 M", SendMode::Ask, 2, 1, false}, // above it: the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freq);
        SignalList list = ListOf({kTenMhz});
        PlainSignalListEdits edits(list);
        const SendPlan plan = PlanSend(list, Fields(c.freq, SignalClass::Soi), c.mode);
        EXPECT_FALSE(plan.question);
        EXPECT_EQ(plan.slot.conflict.has_value(), c.conflict);
        const SendOutcome out = ApplySend(edits, plan, true);
        EXPECT_TRUE(out.added);
        EXPECT_EQ(list.Count(), c.count);
        EXPECT_EQ(out.index, c.index);
        EXPECT_EQ(list.Line(out.index), plan.line);
        EXPECT_EQ(out.statusText, "   <soi>,   new");
    }
}

TEST(SendToSignalList, NewEntryMadeCurrentIsTheOneAdded) {
    // The wide entry at 10 MHz covers 10.3 MHz, but the replacement sorts after the narrow 10.2 MHz
    // entry: the index given is where the new line stands, not the old slot.
    SignalList list = ListOf({" 00010.00000   01.000   20   AM    ids    3        wide",
                              " 00010.20000   00.010   20   AM    ids    3        narrow"});
    PlainSignalListEdits edits(list);
    const SendPlan plan = PlanSend(list, Fields("0010.3000 M"), SendMode::Replace);
    EXPECT_EQ(plan.slot.slot, 0);
    const SendOutcome out = ApplySend(edits, plan, true);
    ASSERT_TRUE(out.added);
    EXPECT_EQ(out.index, 1);
    EXPECT_EQ(list.Line(1), plan.line);
    EXPECT_EQ(EntryComment(list.Line(0)), "narrow");
}

TEST(SendToSignalList, FullListRefusesAnAdditionButMayReplace) {
    SignalList list;
    for (int i = 0; i < SignalList::kMaxEntries; ++i)
        list.InsertAt(i, MakeEntryLine(FormatNumber(100 + i * 0.001, "00000.00000"), "00.000", "20", "AM ",
                                       SignalClass::Unknown, "9", false, ""));
    PlainSignalListEdits edits(list);
    const SendOutcome added = ApplySend(edits, PlanSend(list, Fields("0050.0000 M"), SendMode::Ask), true);
    EXPECT_FALSE(added.added);
    EXPECT_TRUE(added.listFull);
    EXPECT_EQ(list.Count(), SignalList::kMaxEntries);

    const SendOutcome replaced =
        ApplySend(edits, PlanSend(list, Fields("0100.0000 M"), SendMode::Replace), true);
    EXPECT_TRUE(replaced.added);
    EXPECT_EQ(list.Count(), SignalList::kMaxEntries);
    EXPECT_EQ(EntryComment(list.Line(replaced.index)), "new");
}

TEST(SendToSignalList, UnwritableListFileKeepsTheEntry) {
    TempDir dir;
    const std::string good =
        dir.write("LIST.SIG", "00010.00000,[   00.100    20    FM    ]{0}(3)/ \\old\r\n");
    SignalList list;
    ASSERT_TRUE(LoadSignalFile(good, list).file);
    PlainSignalListEdits edits(list);
    const SendOutcome out = ApplySend(edits, PlanSend(list, Fields("0020.0000 M"), SendMode::Ask), true);
    ASSERT_TRUE(out.added);

    EXPECT_FALSE(SaveSignalFile(dir.file("no such folder/LIST.SIG"), list));
    ASSERT_EQ(list.Count(), 2); // still listed, and stored by the next write that succeeds
    ASSERT_TRUE(SaveSignalFile(good, list));
    EXPECT_EQ(TempDir::read(good), "00010.00000,[   00.100    20    FM    ]{0}(3)/ \\old\r\n"
                                   "00020.00000,[   00.025    10    FM    ]{2}(9)/ \\new\r\n");
}

// ---- The clip report ----

ClipReadouts SampleReadouts() {
    return MakeClipReadouts("CLIP0001.WAV,3,123.456,01/05/05 13:04:05,01/05/05 13:04:09,-85,12");
}

TEST(ClipReport, PriorityByteForByte) {
    EXPECT_EQ(ClipReport(CollectionType::Priority, SampleReadouts(), "IFBW: 025KHz, FM ", "net 4"),
              "ORVANE AUDIO PLAYBACK APPLICATION, Version 02.00.00:\r\n\n"
              "Collection Type:   PRIORITY\r\n"
              "Wave Filename:   CLIP0001.WAV\r\n"
              "Setup:   Channel# 003, 0123.4560 MHz, IFBW: 025KHz, FM \r\n"
              "Signal Level:   -85 dBm\r\n"
              "Start Time:   01/05/05 13:04:05\r\n"
              "Stop Time:   01/05/05 13:04:09\r\n"
              "Comments:   net 4\r\n");
}

TEST(ClipReport, SpectralAndNetoraSetupLines) {
    const std::string spectral =
        ClipReport(CollectionType::Spectral, SampleReadouts(), "IFBW: 025KHz, FM ", "");
    EXPECT_NE(spectral.find("Collection Type:   SPECTRAL\r\n"), std::string::npos);
    EXPECT_NE(spectral.find("\r\nSetup:   Track# 003, 0123.4560 MHz, IFBW: 025KHz, FM \r\n"),
              std::string::npos);
    EXPECT_NE(spectral.find("\r\nComments:   \r\n"), std::string::npos);

    const std::string netora = ClipReport(CollectionType::Netora, SampleReadouts(), "IFBW: 025KHz, FM ", "x");
    EXPECT_NE(netora.find("Collection Type:   NETORA\r\n"), std::string::npos);
    EXPECT_NE(netora.find("\r\nSetup:   Track# 003, 0123.4560 MHz\r\nSignal Level:   -85 dBm\r\n"),
              std::string::npos);
    EXPECT_EQ(netora.find("IFBW"), std::string::npos);
}

// ---- Copy Wave ----

TEST(CopyWave, DestinationNames) {
    struct Case {
        const char* chosen;
        const char* expected;
    };
    const Case cases[] = {
        {"/home/op/clip7", "/home/op/clip7.WAV"},
        {"/home/op/clip7.wav", "/home/op/clip7.WAV"},
        {"/home/op/clip7.mp3", "/home/op/clip7.WAV"},
        {"/home/op/clip7.", "/home/op/clip7.WAV"},
        {"/home/op/a.b.wav", "/home/op/a.WAV"},                     // cut at the name's first dot
        {"/home/op/run.2005/clip7", "/home/op/run.2005/clip7.WAV"}, // a dotted folder stays whole
        {"/home/op/run.2005/clip7.wav", "/home/op/run.2005/clip7.WAV"},
        {"clip7", "clip7.WAV"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CopyWaveDestination(c.chosen), c.expected) << c.chosen;
}

TEST(CopyWave, CopyReplacesAndNeverHarmsTheClip) {
    TempDir dir;
    const std::string clip = dir.write("CLIP0001.WAV", std::string("RIFF\0\1\2wave", 11));
    const std::string dest = dir.write("OUT.WAV", "older");

    ASSERT_TRUE(CopyClipFile(clip, dest));
    EXPECT_EQ(TempDir::read(dest), TempDir::read(clip));

    ASSERT_TRUE(CopyClipFile(clip, clip)); // onto itself: the clip stays whole
    EXPECT_EQ(TempDir::read(clip), std::string("RIFF\0\1\2wave", 11));

    dir.write("KEEP.WAV", "keep");
    EXPECT_FALSE(CopyClipFile(dir.file("MISSING.WAV"), dir.file("KEEP.WAV")));
    EXPECT_EQ(TempDir::read(dir.file("KEEP.WAV")), "keep");
    EXPECT_FALSE(CopyClipFile(clip, dir.file("no such folder/X.WAV")));
}

} // namespace
} // namespace zarn
