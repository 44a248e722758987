#include "audfile.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

// An SMD line of sixteen fields with the given bandwidth field (3), mode field (5) and the two
// frequency fields (12, 13).
std::string SmdLine(std::string_view bandwidth, std::string_view mode, std::string_view f12 = "0145.5250",
                    std::string_view f13 = "0146.0000", std::string_view keyword = "SMD") {
    std::string line(keyword);
    line += ",1,0,";
    line += bandwidth;
    line += ",0,";
    line += mode;
    line += ",0,0,0,0,0,0,";
    line += f12;
    line += ",";
    line += f13;
    line += ",0,0";
    return line;
}

std::string Repeat(const std::string& line, int times, std::string_view end = "\r\n") {
    std::string text;
    for (int i = 0; i < times; ++i)
        (text += line) += end;
    return text;
}

// 100 SMD lines, all the same except line `odd` (1-based; 0 for none).
std::string HundredSmd(int odd) {
    std::string text;
    for (int i = 1; i <= 100; ++i)
        text += (i == odd ? SmdLine("2", "2", "0150.0000") : SmdLine("2", "2")) + "\r\n";
    return text;
}

TEST(ClassifyAud, CollectionType) {
    const struct {
        const char* name;
        std::string text;
        CollectionType type;
        int smdLines;
    } cases[] = {
        {"empty file", "", CollectionType::Priority, 0},
        {"no SMD", "HEADER\r\nOTHER,1\r\n", CollectionType::Priority, 0},
        {"three SMD", Repeat(SmdLine("1", "1"), 3), CollectionType::Priority, 3},
        {"lower-case smd", "smd,1\r\nSmD,2\r\nSM,3\r\n", CollectionType::Priority, 2},
        {"SPE first", "SPE,1\r\n" + Repeat(SmdLine("1", "1"), 2), CollectionType::Spectral, 2},
        {"SPE last", Repeat(SmdLine("1", "1"), 4) + "SPE,1", CollectionType::Spectral, 4},
        {"lower-case spe", "header\nspectral setup\n", CollectionType::Spectral, 0},
        {"100 identical", Repeat(SmdLine("2", "2"), 100), CollectionType::Spectral, 100},
        {"100, LF ends", Repeat(SmdLine("2", "2"), 100, "\n"), CollectionType::Spectral, 100},
        {"100, 11th differs", HundredSmd(11), CollectionType::Priority, 100},
        {"100, 100th differs", HundredSmd(100), CollectionType::Priority, 100},
        {"100, others differ", HundredSmd(50), CollectionType::Spectral, 100},
        {"99 identical", Repeat(SmdLine("2", "2"), 99), CollectionType::Priority, 99},
        {"101 identical", Repeat(SmdLine("2", "2"), 101), CollectionType::Priority, 101},
        // The rule compares the SMD lines, not the file's lines: other lines in between do not count.
        {"100 among others", "Header\r\n" + Repeat(SmdLine("2", "2") + "\r\nComment", 100),
         CollectionType::Spectral, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AudClassification got = ClassifyAud(c.text);
        EXPECT_EQ(got.type, c.type);
        EXPECT_EQ(got.smdLines, c.smdLines);
    }
    EXPECT_EQ(ClassifyNoAud().type, CollectionType::Netora);
}

TEST(ReadRowAttributes, CodeTables) {
    const struct {
        std::string_view bandwidthField, modeField, mode;
    } cases[] = {
        {"1", "1", ", 010KHz, AM "},   {"2", "2", ", 030KHz, FM "},   {"3", "3", ", 100KHz, CW "},
        {"0", "4", ", 300KHz, PLS"},   {"4", "5", ", 300KHz, USB"},   {"9", "6", ", 300KHz, LSB"},
        {"", "7", ", 300KHz, ISB"},    {"1", "9", ", 010KHz, IFT"},   {"2", "0", ", 030KHz, IFT"},
        {"2", "", ", 030KHz, IFT"},    {"12", "21", ", 030KHz, AM "}, // the last character is the code
        {"2 ", "2 ", ", 300KHz, IFT"},                                // fields are not trimmed
    };
    std::string text;
    for (const auto& c : cases)
        text += SmdLine(c.bandwidthField, c.modeField) + "\r\n";
    const auto rows = ReadRowAttributes(text);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].mode, cases[i].mode) << "row " << i + 1;
}

TEST(ReadRowAttributes, LabelFormatsBothFrequencies) {
    const struct {
        std::string_view f12, f13, label;
    } cases[] = {
        {"0145.5250", "0146.0000", "00145.52500, 00146.00000"},
        {"30", "1200.123456", "00030.00000, 01200.12346"},
        {" 12.5 MHz", "abc", "00012.50000, 00000.00000"},
        {"", "123456.5", "00000.00000, 123456.50000"},
    };
    for (const auto& c : cases) {
        const auto rows = ReadRowAttributes(SmdLine("1", "1", c.f12, c.f13));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].label, c.label);
    }
}

TEST(ReadRowAttributes, OneRowPerSmdLineInFileOrder) {
    const std::string text = "Header line\r\n" + SmdLine("1", "1", "100") + "\r\nSPE,1\r\n" +
                             SmdLine("3", "5", "200", "201", "smd") + "\r\nSMX,1\r\n" +
                             SmdLine("2", "2", "300");
    const auto rows = ReadRowAttributes(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].label, "00100.00000, 00146.00000");
    EXPECT_EQ(rows[1].label, "00200.00000, 00201.00000");
    EXPECT_EQ(rows[1].mode, ", 100KHz, USB");
    EXPECT_EQ(rows[2].mode, ", 030KHz, FM ");
}

TEST(ReadRowAttributes, ShortSmdLineStillMakesItsRow) {
    const struct {
        std::string_view line, mode, label;
    } cases[] = {
        {"SMD", ", 300KHz, IFT", "00000.00000, 00000.00000"},
        {"SMD,1,0,2", ", 030KHz, IFT", "00000.00000, 00000.00000"},
        {"SMD,1,0,2,0,1,0,0,0,0,0,0,145.5", ", 030KHz, AM ", "00145.50000, 00000.00000"},
        // Fourteen fields, no comma after field 13: it runs to the end of the line.
        {"SMD,1,0,2,0,1,0,0,0,0,0,0,145.5,146.5", ", 030KHz, AM ", "00145.50000, 00146.50000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line));
        const auto rows = ReadRowAttributes(std::string(c.line) + "\r\n");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].mode, c.mode);
        EXPECT_EQ(rows[0].label, c.label);
    }
}

} // namespace
} // namespace zarn
