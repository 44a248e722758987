#include "eventline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

TEST(ClassifyLine, KindsByLeadingCharacters) {
    const struct {
        std::string_view line;
        LineKind kind;
    } cases[] = {
        {"STARTBYTRIGGER,12/01/26 08:00:00,ABCD0001.WAV", LineKind::SegmentStart},
        {"START", LineKind::SegmentStart},
        {"STARTX,whatever", LineKind::SegmentStart},
        {"start,12/01/26 08:00:00", LineKind::Other},
        {"STAR,12/01/26 08:00:00", LineKind::Other},
        {"WAV,ABCD0001.WAV,1,0145.5250,a,b,-87,1", LineKind::Clip},
        {"WAVE,ABCD0001.WAV", LineKind::Clip},
        {"WAV", LineKind::Clip},
        {"wav,ABCD0001.WAV", LineKind::Other},
        {" WAV,ABCD0001.WAV", LineKind::Other},
        {"STOPBYTRIGGER,12/01/26 09:00:00,ABCD0002.WAV", LineKind::StopByTrigger},
        {"STOPBYTRIGGER", LineKind::Other},
        {"Ver, Created by Zarn_Aud Export Utility", LineKind::Creator},
        {"VER,1", LineKind::Other},
        {"SMD,1,2,3", LineKind::Other},
        {"", LineKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyLine(c.line), c.kind) << '"' << c.line << '"';
}

TEST(SplitFields, FieldsBetweenCommas) {
    const struct {
        std::string_view line;
        int count;
        std::vector<std::string_view> fields; // the first `count` fields
    } cases[] = {
        {"", 1, {""}},
        {"WAV", 1, {"WAV"}},
        {"a,,b", 3, {"a", "", "b"}},
        {"a,", 2, {"a", ""}},
        {",", 2, {"", ""}},
        {" a , b ", 2, {" a ", " b "}},
        {"0,1,2,3,4,5,6,7", 8, {"0", "1", "2", "3", "4", "5", "6", "7"}},
        {"0,1,2,3,4,5,6,", 8, {"0", "1", "2", "3", "4", "5", "6", ""}},
        // The eighth comma ends field 7; what follows is not read.
        {"0,1,2,3,4,5,6,7,", 8, {"0", "1", "2", "3", "4", "5", "6", "7"}},
        {"0,1,2,3,4,5,6,7,8,9,10", 8, {"0", "1", "2", "3", "4", "5", "6", "7"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line));
        const LineFields f = SplitFields(c.line);
        ASSERT_EQ(f.count, c.count);
        for (int i = 0; i < kMaxFields; ++i) {
            const std::string_view expected = i < c.count ? c.fields[static_cast<std::size_t>(i)] : "";
            EXPECT_EQ(f[i], expected) << "field " << i;
        }
    }
}

TEST(SplitFields, ViewsPointIntoTheLine) {
    const std::string line = "WAV,ABCD0001.WAV,17";
    const LineFields f = SplitFields(line);
    EXPECT_EQ(f[1].data(), line.data() + 4);
    EXPECT_EQ(f[2].data(), line.data() + 17);
}

TEST(OpensSegment, OnlyStartLinesWithAStartTime) {
    EXPECT_TRUE(OpensSegment("STARTBYTRIGGER,12/01/26 08:00:00,ABCD0001.WAV"));
    EXPECT_TRUE(OpensSegment("START, "));
    EXPECT_FALSE(OpensSegment("STARTBYTRIGGER,,ABCD0001.WAV"));
    EXPECT_FALSE(OpensSegment("STARTBYTRIGGER"));
    EXPECT_FALSE(OpensSegment("WAV,12/01/26 08:00:00"));
}

// The event file's line and the clip table's line (the same without "WAV,") give the same field
// for the same name.
TEST(ClipLineFields, EventAndTableLinesAgree) {
    const std::string_view event =
        "WAV,A0001.WAV,12,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7,extra";
    const std::string_view table = event.substr(4);
    const struct {
        ClipFieldId id;
        std::string_view text;
    } cases[] = {
        {ClipFieldId::FileName, "A0001.WAV"},
        {ClipFieldId::Number, "12"},
        {ClipFieldId::Frequency, "145.0100"},
        {ClipFieldId::StartTime, "01/01/06 00:00:10"},
        {ClipFieldId::StopTime, "01/01/06 00:00:20"},
        {ClipFieldId::Level, "-95"},
        {ClipFieldId::Value, "7"},
    };
    const ClipLineFields ofEvent = ClipLineFields::OfEventLine(event);
    const ClipLineFields ofTable = ClipLineFields::OfTableLine(table);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        EXPECT_EQ(ofEvent[c.id], c.text);
        EXPECT_EQ(ofTable[c.id], c.text);
        EXPECT_EQ(ClipFieldOf(table, c.id), c.text);
    }
}

TEST(ClipLineFields, ShortLinesGiveEmptyFieldsAndBlanksStay) {
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::Frequency), "");
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::StartTime), "d");
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::StopTime), "");
    EXPECT_EQ(ClipFieldOf("", ClipFieldId::FileName), "");
    EXPECT_EQ(ClipFieldOf("A.WAV   ", ClipFieldId::FileName), "A.WAV   ");
    EXPECT_EQ(ClipFieldOf("A.WAV,1,2,3,4, -85 ,12    ", ClipFieldId::Value), "12    ");
    EXPECT_EQ(ClipLineFields::OfEventLine("WAV")[ClipFieldId::FileName], "");
    EXPECT_EQ(ClipLineFields::OfEventLine("WAV,A.WAV,1,2,3,4,")[ClipFieldId::Level], "");
}

TEST(ClipNames, PrefixOfEventFile) {
    const struct {
        std::string_view path;
        std::string_view prefix;
    } cases[] = {
        {"AB.EVA", "AB"},
        {"ABCD.EVA", "ABCD"},
        {"ABCDE.EVA", "ABCD"},
        {"ABCDEFGH.EVA", "ABCD"},
        {"abcdefgh.eva", "abcd"},
        {"ab.eva", "ab"},
        // Only the file name counts, not the folders before it.
        {"/data/station 7/runs/AB.EVA", "AB"},
        {"/data/station 7/ABCDEFGH.EVA", "ABCD"},
        {"/data/XY/", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClipPrefix(c.path), c.prefix) << c.path;
}

TEST(ClipNames, ClipFileName) {
    EXPECT_EQ(ClipFileName("ABCD", 1), "ABCD0001.WAV");
    EXPECT_EQ(ClipFileName("AB", 9999), "AB9999.WAV");
    EXPECT_EQ(ClipFileName("ABCD", 32767), "ABCD32767.WAV");
}

TEST(ClipNames, ClipFilesOfPrefix) {
    const struct {
        std::string_view prefix, name;
        bool owned;
    } cases[] = {
        {"ABCD", "ABCD0001.WAV", true},  {"ABCD", "abcd0001.wav", true},   {"abcd", "ABCD0001.Wav", true},
        {"ABCD", "ABCD1.WAV", true},     {"ABCD", "ABCD123456.WAV", true}, {"ABCD", "ABCDX001.WAV", false},
        {"ABCD", "ABCD.WAV", false},     {"ABCD", "ABCD0001.WAVE", false}, {"ABCD", "ABCD0001.EVA", false},
        {"ABCD", "ABCD0001WAV", false},  {"ABCD", "ABCE0001.WAV", false},  {"ABCD", "XABCD0001.WAV", false},
        {"ABCD", "ABCD 001.WAV", false}, {"AB", "ABCD0001.WAV", false},    {"AB", "AB0001.WAV", true},
        {"AB", "ab0001.wav", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsClipFileOfPrefix(c.prefix, c.name), c.owned) << c.prefix << " / " << c.name;
}

TEST(CompanionNames, LastThreeCharactersReplaced) {
    EXPECT_EQ(AudFileName("/data/run/ABCD.EVA"), "/data/run/ABCD.AUD");
    EXPECT_EQ(AudFileName("/data/run/abcd.eva"), "/data/run/abcd.AUD");
    EXPECT_EQ(SavFileName("/data/run/ABCDEFGH.EVA"), "/data/run/ABCDEFGH.SAV");
    EXPECT_EQ(SavFileName("ev"), "SAV");
}

TEST(CompanionNames, SplitWorkFileInCurrentFolder) {
    EXPECT_EQ(SplitWorkFileName("/home/op"), "/home/op/temp.eva");
    EXPECT_EQ(SplitWorkFileName("/home/op/"), "/home/op/temp.eva");
}

} // namespace
} // namespace zarn
