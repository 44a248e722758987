#include "audfile.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

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

} // namespace
} // namespace zarn
