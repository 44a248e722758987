#include "eventline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

TEST(ClassifyLine, KindsByLeadingCharacters) {
    const std::pair<std::string_view, LineKind> cases[] = {
        {"STARTBYTRIGGER,12/01/26 08:00:00,A.WAV", LineKind::SegmentStart}, {"START", LineKind::SegmentStart},
        {"start,12/01/26 08:00:00", LineKind::Other}, {"STAR,12/01/26 08:00:00", LineKind::Other},
        {"WAVE,ABCD0001.WAV", LineKind::Clip}, {"WAV", LineKind::Clip}, {"wav,ABCD0001.WAV", LineKind::Other},
        {" WAV,ABCD0001.WAV", LineKind::Other}, {"STOPBYTRIGGER,12/01/26 09:00:00", LineKind::StopByTrigger},
        {"STOPBYTRIGGER", LineKind::Other}, {"Ver, Created by Zarn_Aud Export Utility", LineKind::Creator},
        {"VER,1", LineKind::Other}, {"", LineKind::Other}};
    for (const auto& [line, kind] : cases)
        EXPECT_EQ(ClassifyLine(line), kind) << '"' << line << '"';
    EXPECT_TRUE(OpensSegment("STARTBYTRIGGER,12/01/26 08:00:00,ABCD0001.WAV"));
    EXPECT_TRUE(OpensSegment("START, "));
    EXPECT_FALSE(OpensSegment("STARTBYTRIGGER,,ABCD0001.WAV"));
    EXPECT_FALSE(OpensSegment("STARTBYTRIGGER"));
    EXPECT_FALSE(OpensSegment("WAV,12/01/26 08:00:00"));
}

// Fields between commas, joined back with "|"; the eighth comma ends field 7 and the rest is not read.
TEST(SplitFields, FieldsBetweenCommas) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"", "|||||||/1"}, {"WAV", "WAV|||||||/1"}, {"a,,b", "a||b|||||/3"}, {",", "|||||||/2"},
        {" a , b ", " a | b ||||||/2"}, {"0,1,2,3,4,5,6,", "0|1|2|3|4|5|6|/8"},
        {"0,1,2,3,4,5,6,7,", "0|1|2|3|4|5|6|7/8"}, {"0,1,2,3,4,5,6,7,8,9", "0|1|2|3|4|5|6|7/8"}};
    for (const auto& [line, fields] : cases) {
        const LineFields f = SplitFields(line);
        std::string joined;
        for (int i = 0; i < kMaxFields; ++i)
            joined += std::string(f[i]) + (i + 1 < kMaxFields ? "|" : "/" + std::to_string(f.count));
        EXPECT_EQ(joined, fields) << '"' << line << '"';
    }
    const std::string line = "WAV,ABCD0001.WAV,17"; // views point into the line
    EXPECT_EQ(SplitFields(line)[2].data(), line.data() + 17);
}

// The event file's line and the clip table's line (the same without "WAV,") give the same field
// for the same name; short lines give empty fields and blanks stay.
TEST(ClipLineFields, EventAndTableLinesAgree) {
    const std::string_view event =
        "WAV,A0001.WAV,12,145.0100,01/01/06 00:00:10,01/01/06 00:00:20,-95,7,extra";
    const std::pair<ClipFieldId, std::string_view> cases[] = {
        {ClipFieldId::FileName, "A0001.WAV"}, {ClipFieldId::Number, "12"},
        {ClipFieldId::Frequency, "145.0100"},
        {ClipFieldId::StartTime, "01/01/06 00:00:10"}, {ClipFieldId::StopTime, "01/01/06 00:00:20"},
        {ClipFieldId::Level, "-95"}, {ClipFieldId::Value, "7"}};
    for (const auto& [id, text] : cases) {
        EXPECT_EQ(ClipLineFields::OfEventLine(event)[id], text);
        EXPECT_EQ(ClipLineFields::OfTableLine(event.substr(4))[id], text);
        EXPECT_EQ(ClipFieldOf(event.substr(4), id), text);
    }
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::Frequency), "");
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::StartTime), "d");
    EXPECT_EQ(ClipFieldOf("a,b,,d", ClipFieldId::StopTime), "");
    EXPECT_EQ(ClipFieldOf("A.WAV   ", ClipFieldId::FileName), "A.WAV   ");
    EXPECT_EQ(ClipFieldOf("A.WAV,1,2,3,4, -85 ,12    ", ClipFieldId::Value), "12    ");
    EXPECT_EQ(ClipLineFields::OfEventLine("WAV")[ClipFieldId::FileName], "");
    EXPECT_EQ(ClipLineFields::OfEventLine("WAV,A.WAV,1,2,3,4,")[ClipFieldId::Level], "");
}

TEST(ClipNames, PrefixFileNamesAndCompanions) {
    const std::pair<std::string_view, std::string_view> prefixes[] = {
        {"AB.EVA", "AB"}, {"ABCD.EVA", "ABCD"}, {"ABCDE.EVA", "ABCD"}, {"abcdefgh.eva", "abcd"},
        {"/data/station 7/runs/AB.EVA", "AB"}, {"/data/XY/", ""}, {"", ""}};
    for (const auto& [path, prefix] : prefixes)
        EXPECT_EQ(ClipPrefix(path), prefix) << path;
    EXPECT_EQ(ClipFileName("ABCD", 1), "ABCD0001.WAV");
    EXPECT_EQ(ClipFileName("AB", 9999), "AB9999.WAV");
    EXPECT_EQ(ClipFileName("ABCD", 32767), "ABCD32767.WAV");
    EXPECT_EQ(AudFileName("/data/run/abcd.eva"), "/data/run/abcd.AUD");
    EXPECT_EQ(SavFileName("/data/run/ABCDEFGH.EVA"), "/data/run/ABCDEFGH.SAV");
    EXPECT_EQ(SavFileName("ev"), "SAV");
    EXPECT_EQ(SplitWorkFileName("/home/op"), "/home/op/temp.eva");
    EXPECT_EQ(SplitWorkFileName("/home/op/"), "/home/op/temp.eva");
}

TEST(ClipNames, ClipFilesOfPrefix) {
    const struct {
        const char *prefix, *name;
        bool owned;
    } cases[] = {
        {"ABCD", "abcd0001.wav", true},  {"abcd", "ABCD0001.Wav", true},   {"ABCD", "ABCD1.WAV", true},
        {"ABCD", "ABCD123456.WAV", true}, {"AB", "AB0001.WAV", true},      {"ABCD", "ABCDX001.WAV", false},
        {"ABCD", "ABCD.WAV", false},     {"ABCD", "ABCD0001.WAVE", false}, {"ABCD", "ABCD0001.EVA", false},
        {"ABCD", "ABCD0001WAV", false},  {"ABCD", "ABCE0001.WAV", false},  {"ABCD", "XABCD0001.WAV", false},
        {"ABCD", "ABCD 001.WAV", false}, {"AB", "ABCD0001.WAV", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsClipFileOfPrefix(c.prefix, c.name), c.owned) << c.prefix << " / " << c.name;
}

} // namespace
} // namespace zarn
