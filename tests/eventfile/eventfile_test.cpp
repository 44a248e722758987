// The event file's lines, its companion .AUD file and the segment scan.
#include "audfile.h"
#include "dates.h"
#include "eventline.h"
#include "formats.h"
#include "numbers.h"
#include "segscan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <numeric>
#include <random>
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

// The block-wise split finds the very fields of the plain one, views into the same places, for lines
// of every length around the block size and commas anywhere, up to past the eighth.
TEST(SplitFields, BlockwiseAgreesWithThePlainSplit) {
    std::mt19937 rng(2718);
    const std::string_view alphabet = ",,,ab9./: -";
    for (int round = 0; round < 20000; ++round) {
        std::string line(std::uniform_int_distribution<std::size_t>(0, 90)(rng), ' ');
        for (char& c : line)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        const LineFields plain = SplitFields(line), blocks = SplitFieldsByBlocks(line);
        ASSERT_EQ(blocks.count, plain.count) << '"' << line << '"';
        for (int i = 0; i < plain.count; ++i) {
            ASSERT_EQ(blocks[i], plain[i]) << '"' << line << "\" field " << i;
            ASSERT_EQ(blocks[i].data(), plain[i].data()) << '"' << line << "\" field " << i;
        }
    }
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

// An SMD line of sixteen fields with the given bandwidth field (3), mode field (5) and the two
// frequency fields (12, 13).
std::string SmdLine(std::string_view bandwidth, std::string_view mode, std::string_view f12 = "0145.5250",
                    std::string_view f13 = "0146.0000", std::string_view keyword = "SMD") {
    return std::string(keyword) + ",1,0," + std::string(bandwidth) + ",0," + std::string(mode) +
           ",0,0,0,0,0,0," + std::string(f12) + "," + std::string(f13) + ",0,0";
}

// `times` SMD lines, all the same except line `odd` (1-based; 0 for none).
std::string Smd(int times, int odd = 0, std::string_view end = "\r\n") {
    std::string text;
    for (int i = 1; i <= times; ++i)
        (text += i == odd ? SmdLine("2", "2", "0150.0000") : SmdLine("2", "2")) += end;
    return text;
}

// Exactly 100 identical SMD lines make a spectral collection, as does an SPE line anywhere.
TEST(ClassifyAud, CollectionType) {
    const struct {
        std::string text;
        CollectionType type;
        int smdLines;
    } cases[] = {
        {"", CollectionType::Priority, 0},
        {"HEADER\r\nOTHER,1\r\n", CollectionType::Priority, 0},
        {"smd,1\r\nSmD,2\r\nSM,3\r\n", CollectionType::Priority, 2},
        {"SPE,1\r\n" + Smd(2), CollectionType::Spectral, 2},
        {Smd(4) + "SPE,1", CollectionType::Spectral, 4},
        {"header\nspectral setup\n", CollectionType::Spectral, 0},
        {Smd(100), CollectionType::Spectral, 100},
        {Smd(100, 0, "\n"), CollectionType::Spectral, 100},
        {Smd(100, 11), CollectionType::Priority, 100},
        {Smd(100, 100), CollectionType::Priority, 100},
        {Smd(100, 50), CollectionType::Spectral, 100}, // only the first ten and the last are compared
        {Smd(99), CollectionType::Priority, 99},
        {Smd(101), CollectionType::Priority, 101},
        // Other lines in between do not count.
        {"Header\r\n" + Smd(100, 0, "\r\nComment\r\n"), CollectionType::Spectral, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(ClassifyAud(c.text).type, c.type);
        EXPECT_EQ(ClassifyAud(c.text).smdLines, c.smdLines);
    }
    EXPECT_EQ(ClassifyNoAud().type, CollectionType::Netora);
}

// One row per SMD line in file order, whatever the lines around them; short lines still make a row.
TEST(ReadRowAttributes, ModeAndLabelOfEachRow) {
    const struct {
        std::string line;
        const char* mode;
        const char* label;
    } rows[] = {
        {SmdLine("1", "1"), ", 010KHz, AM ", "00145.52500, 00146.00000"},
        {SmdLine("2", "2", "30", "1200.123456"), ", 030KHz, FM ", "00030.00000, 01200.12346"},
        {SmdLine("3", "3", " 12.5 MHz", "abc"), ", 100KHz, CW ", "00012.50000, 00000.00000"},
        {SmdLine("0", "4", "", "123456.5"), ", 300KHz, PLS", "00000.00000, 123456.50000"},
        {SmdLine("4", "5", "200", "201", "smd"), ", 300KHz, USB", "00200.00000, 00201.00000"},
        {SmdLine("9", "6"), ", 300KHz, LSB", "00145.52500, 00146.00000"},
        {SmdLine("", "7"), ", 300KHz, ISB", "00145.52500, 00146.00000"},
        {SmdLine("1", "9"), ", 010KHz, IFT", "00145.52500, 00146.00000"},
        {SmdLine("2", "0"), ", 030KHz, IFT", "00145.52500, 00146.00000"},
        {SmdLine("12", "21"), ", 030KHz, AM ", "00145.52500, 00146.00000"}, // the last character is the code
        {SmdLine("2 ", "2 "), ", 300KHz, IFT", "00145.52500, 00146.00000"}, // fields are not trimmed
        {"SMD", ", 300KHz, IFT", "00000.00000, 00000.00000"},
        {"SMD,1,0,2", ", 030KHz, IFT", "00000.00000, 00000.00000"},
        {"SMD,1,0,2,0,1,0,0,0,0,0,0,145.5", ", 030KHz, AM ", "00145.50000, 00000.00000"},
        // Fourteen fields, no comma after field 13: it runs to the end of the line.
        {"SMD,1,0,2,0,1,0,0,0,0,0,0,145.5,146.5", ", 030KHz, AM ", "00145.50000, 00146.50000"},
    };
    std::string text = "Header line\r\n", expected;
    for (const auto& r : rows) {
        text += r.line + "\r\nSPE,1\r\nSMX,1\r\n";
        expected += std::string(r.mode) + " / " + r.label + "\n";
    }
    std::string got;
    for (const auto& row : ReadRowAttributes(text))
        got += row.mode + " / " + row.label + "\n";
    EXPECT_EQ(got, expected);
}

// A row's label is each frequency field's value in the form "00000.00000", whatever the field holds:
// plain digits are written straight into that form, so they are checked against the formatting.
TEST(ReadRowAttributes, LabelsAgreeWithTheFormattedValue) {
    std::mt19937 rng(31416);
    const std::string_view alphabet = "0000123456789...";
    const auto randomField = [&] {
        std::string field(std::uniform_int_distribution<std::size_t>(0, 13)(rng), '0');
        for (char& c : field)
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
        switch (std::uniform_int_distribution<int>(0, 9)(rng)) {
        case 0: return "-" + field;
        case 1: return field + "E2";
        case 2: return " " + field;
        default: return field;
        }
    };
    for (int round = 0; round < 5000; ++round) {
        const std::string f12 = randomField(), f13 = randomField();
        const std::vector<RowAttributes> rows = ReadRowAttributes("SMD,1,0,2,0,1,0,0,0,0,0,0," + f12 + "," + f13);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].label, FormatNumber(LeadingNumber(f12), "00000.00000") + ", " +
                                     FormatNumber(LeadingNumber(f13), "00000.00000"))
            << '"' << f12 << "\" \"" << f13 << '"';
    }
}

// 12/01/26 08:mm:ss as a date, and as text.
double At(int minute, int second) {
    return SerialFromParts({2026, 12, 1, 8, minute, second});
}
std::string Clock(int minute, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "12/01/26 08:%02d:%02d", minute, second);
    return text;
}
std::string Start(int minute) {
    return "STARTBYTRIGGER," + Clock(minute, 0) + ",ABCD0001.WAV";
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

TEST(ScanSegments, SegmentsTheirClipsAndBounds) {
    const SegmentTable t = ScanSegments(Lines({
        Clip("9", Clock(0, 2)),
        Start(0),
        Clip("3", Clock(0, 10)),
        Clip("7", Clock(0, 20)),
        Clip("5", Clock(0, 30)),
        "STOPBYTRIGGER,12/01/26 08:00:30,ABCD0003.WAV",
        Start(10),
        Clip("2", Clock(10, 5)),
    }));
    EXPECT_EQ(t.segCount, 2);
    EXPECT_EQ(t.lineCount, 8);
    EXPECT_EQ(t.start, (std::vector<double>{0, At(0, 0), At(10, 0)}));
    EXPECT_EQ(t.stop, (std::vector<double>{At(0, 2), At(0, 30), At(10, 5)}));
    EXPECT_EQ(t.clipCount, (std::vector<int>{1, 3, 1}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{9, 7, 2}));
    EXPECT_EQ(t.StartOf(2), At(10, 0));
    EXPECT_EQ(t.StopOf(2), At(10, 5));
    EXPECT_EQ(t.StopOf(0), At(0, 2));
    for (int outside : {-1, 3, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_EQ(t.StartOf(outside), 0.0) << outside;
        EXPECT_EQ(t.StopOf(outside), 0.0) << outside;
    }
    EXPECT_EQ(SegmentTable{}.StopOf(0), 0.0);
    EXPECT_TRUE(t.Holds(1) && t.Holds(2));
    EXPECT_FALSE(t.Holds(0) || t.Holds(3) || t.Holds(-1) || SegmentTable{}.Holds(1));
    SegmentTable shortArrays = t;
    shortArrays.maxNumber.resize(2); // a table whose arrays disagree with segCount
    EXPECT_FALSE(shortArrays.Holds(2));
}

// The percent after each line, reported when it changes: none skipped on long files, none without a
// START line.
TEST(ScanSegments, ProgressRisesToOneHundred) {
    const auto seen = [](int lineCount, const std::string& first) {
        std::vector<std::string> lines(static_cast<std::size_t>(lineCount), Clip("1", Clock(0, 1)));
        if (lineCount > 0) lines[0] = first;
        std::vector<int> percents;
        const SegmentTable t = ScanSegments(Lines(lines), [&](int percent) { percents.push_back(percent); });
        EXPECT_EQ(t.lineCount, lineCount);
        EXPECT_EQ(t.clipCount.size(), t.segCount > 0 ? t.segCount + 1u : 0u);
        return percents;
    };
    std::vector<int> all(101);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(seen(0, Start(0)), std::vector<int>{});
    EXPECT_EQ(seen(3, "start,12/01/26 08:00:00"), std::vector<int>{});
    EXPECT_EQ(seen(1, Start(0)), std::vector<int>{100});
    EXPECT_EQ(seen(3, Start(0)), (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(seen(100, Start(0)), std::vector<int>(all.begin() + 1, all.end()));
    EXPECT_EQ(seen(101, Start(0)), all);
    EXPECT_EQ(seen(1234, Start(0)), all);
}

// Only START lines with a time open a segment (all are counted); a clip is a WAV line with a level,
// whose number rounds and pins to 16 bits and whose readable stop time becomes the segment's stop.
TEST(ScanSegments, WhatCountsAndWhatIsRead) {
    const std::string text = Lines(
        {
            Start(0),
            "WAV,X.WAV,2.5,0145,x," + Clock(0, 1) + ",-80",
            "WAV,X.WAV,3.5,0145,x,bad,-80",
            "WAV,X.WAV,40000,0145,x," + Clock(0, 9) + ",",
            "wav,X.WAV,7,0145,x," + Clock(0, 5) + ",-80",
            "WAVE,X.WAV,1,0145,x," + Clock(0, 3) + ",-80",
            "STARTBYTRIGGER,,X",
            "WAV,X.WAV,1E300,0145,x,12/01/2026 9:00,-80",
            "START,13/45/26 08:00:00",
            "WAV,X.WAV,-4,0145,x," + Clock(59, 59) + ",-80",
        },
        "\n");
    const SegmentTable t = ScanSegments(text.substr(0, text.size() - 1));
    EXPECT_EQ(t.segCount, 3);
    EXPECT_EQ(t.lineCount, 10);
    EXPECT_EQ(t.start, (std::vector<double>{0, At(0, 0), 0, 0}));
    EXPECT_EQ(t.stop, (std::vector<double>{0, SerialFromParts({2026, 12, 1, 9, 0, 0}), At(59, 59), 0}));
    EXPECT_EQ(t.clipCount, (std::vector<int>{0, 4, 1, 0}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{0, 32767, 0, 0}));
}

} // namespace
} // namespace zarn
