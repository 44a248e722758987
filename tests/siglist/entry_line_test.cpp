#include "entry_line.h"
#include "numbers.h"
#include "record_layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zarn {
namespace {

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
    EXPECT_EQ(ClassFromText("ids"), SignalClass::Ids);
    EXPECT_EQ(ClassFromText("soi"), SignalClass::Soi);
    EXPECT_EQ(ClassFromText("?s "), SignalClass::Unknown);
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

} // namespace
} // namespace zarn
