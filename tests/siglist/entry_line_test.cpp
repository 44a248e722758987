#include "entry_line.h"
#include "numbers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zarn {
namespace {

// A record, the entry line it loads as, and whether writing the line gives the record back.
struct RecordCase {
    const char* name;
    std::string record;
    std::string line;
    bool roundTrips;
};

class RecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, LoadsAsLine) {
    const RecordCase& c = GetParam();
    const auto line = ParseSignalRecordLine(c.record);
    ASSERT_TRUE(line) << c.record;
    EXPECT_EQ(*line, c.line);
    if (c.roundTrips) {
        EXPECT_EQ(FormatSignalRecord(*line), c.record);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordTest,
    ::testing::Values(
        RecordCase{"Example48", "00020.00000,[   00.010    20    FM    ]{2}(9)/ \\",
                   " 00020.00000   00.010   20   FM    ?s     9        ", true},
        RecordCase{"AmPlsAllGroups", "00020.00000,[   00.010    20    AM PLS]{0}(3)/x\\Net 4",
                   " 00020.00000   00.010   20   PLS   soi    3    x   Net 4", true},
        RecordCase{"IdsAndCor", "00145.50000,[   12.500    -1    USB   ]{1}(0)/ \\x",
                   " 00145.50000   12.500   -1   USB   ids    0        x", true},
        RecordCase{"OnlyACommentText", "00145.50000,hello",
                   " 00145.50000   00.030   20   AM    ?s     9        hello", false},
        RecordCase{"NoComma", "00145.50000", " 00145.50000   00.030   20   AM    ?s     9        ", false},
        // Only the first "/" and "\" make the lockout group; the rest belongs to the comment.
        RecordCase{"SlashesInComment", "00007.25000,[   00.005    05    CW    ]{2}(5)/ \\a/b\\c\\",
                   " 00007.25000   00.005   05   CW    ?s     5        a/b\\c\\", true},
        RecordCase{"BracketsInComment", "00007.25000,[   00.005    05    CW    ]{2}(5)/x\\[see](1){2}",
                   " 00007.25000   00.005   05   CW    ?s     5    x   [see](1){2}", true},
        // 25 and 27 apart: the bracket group takes its defaults, the other groups are still read.
        RecordCase{"Bracket25", "00020.00000,[   00.010    20    FM   ]{1}(4)/x\\c",
                   " 00020.00000   00.030   20   AM    ids    4    x   c", false},
        RecordCase{"Bracket27", "00020.00000,[   00.010    20    FM     ]{0}(2)/ \\c",
                   " 00020.00000   00.030   20   AM    soi    2        c", false},
        // Missing groups take their defaults; the comment follows the last group recognised.
        RecordCase{"OnlyClassGroup", "00001.00000,{1}rest",
                   " 00001.00000   00.030   20   AM    ids    9        rest", false},
        RecordCase{"OnlyLockoutGroup", "00001.00000,/x\\rest",
                   " 00001.00000   00.030   20   AM    ?s     9    x   rest", false},
        RecordCase{"ClassCodeOther", "00001.00000,{7}", " 00001.00000   00.030   20   AM    ?s     9        ",
                   false},
        // The frequency field is read as a number and brought to its width.
        RecordCase{"ShortFrequency", " 20 ,x", " 00020.00000   00.030   20   AM    ?s     9        x", false},
        RecordCase{"RoundedFrequency", "1.234567,", " 00001.23457   00.030   20   AM    ?s     9        ",
                   false},
        RecordCase{"Exponent", "1E2,", " 00100.00000   00.030   20   AM    ?s     9        ", false},
        RecordCase{"LargestFrequency", "99999.99999,", " 99999.99999   00.030   20   AM    ?s     9        ",
                   false},
        RecordCase{"HighBytes", std::string("00003.00000,[   00.010    20    FM    ]{2}(9)/ \\\xe9\xff\t;"),
                   std::string(" 00003.00000   00.010   20   FM    ?s     9        \xe9\xff\t;"), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseSignalRecord, RefusesRecordsWithoutAUsableFrequency) {
    for (const std::string record :
         {"", "   ", "\t", "abc,[   00.010    20    FM    ]{2}(9)/ \\", "[SIGNAL LIST DATA FORMAT]",
          "12abc,x", "100000,x", "99999.999999,x", "-1,x", "-0.000001,x", "1e5,x", ",x", "1 2,x"}) {
        EXPECT_FALSE(ParseSignalRecordLine(record)) << '"' << record << '"';
    }
    // A sign of zero is no negative frequency.
    EXPECT_EQ(ParseSignalRecordLine("-0,").value_or("").substr(0, 12), " 00000.00000");
}

TEST(EntryLine, ColumnsAreReadByPosition) {
    const std::string line = " 00020.12345   00.010   -1   PLS   soi    3    x   Net 4";
    EXPECT_EQ(EntryKey(line), " 00020.12345");
    EXPECT_EQ(EntryFreqText(line), "00020.12345");
    EXPECT_EQ(EntryIfbwText(line), "00.010");
    EXPECT_EQ(EntryCorText(line), "-1");
    EXPECT_EQ(EntryDetText(line), "PLS");
    EXPECT_EQ(EntryClassText(line), "soi");
    EXPECT_EQ(EntryPriorityText(line), "3");
    EXPECT_TRUE(EntryLockedOut(line));
    EXPECT_EQ(EntryComment(line), "Net 4");
    EXPECT_DOUBLE_EQ(EntryFrequency(line), 20.12345);
    EXPECT_DOUBLE_EQ(EntryIfbw(line), 0.01);

    // A short line (pasted as it stood) gives what is there and nothing past its end.
    EXPECT_EQ(EntryFreqText(" 00010.5"), "00010.5");
    EXPECT_EQ(EntryIfbwText(" 00010.5"), "");
    EXPECT_EQ(EntryComment(std::string(51, ' ')), "");
    EXPECT_FALSE(EntryLockedOut(" 00010.5"));
    EXPECT_DOUBLE_EQ(EntryFrequency(" 00010.5"), 10.5);
    EXPECT_DOUBLE_EQ(EntryIfbw(""), 0);
}

TEST(EntryLine, MakeEntryLinePutsEachFieldInItsColumns) {
    const std::string line =
        MakeEntryLine("00020.00000", "00.010", "20", "FM ", SignalClass::Unknown, "9", false, "");
    EXPECT_EQ(line, *ParseSignalRecordLine("00020.00000,[   00.010    20    FM    ]{2}(9)/ \\"));
    EXPECT_EQ(line.size(), kEntryLineLength);

    const std::string full =
        MakeEntryLine("00145.50000", "12.500", "-1", "PLS", SignalClass::Ids, "0", true, "a;b");
    EXPECT_EQ(full, " 00145.50000   12.500   -1   PLS   ids    0    x   a;b");
    EXPECT_EQ(ClassFromText(EntryClassText(full)), SignalClass::Ids);
    EXPECT_EQ(ClassFromText("soi"), SignalClass::Soi);
    EXPECT_EQ(ClassFromText("?s "), SignalClass::Unknown);
}

TEST(FormatSignalRecord, ShortLineKeepsTheRecordLayout) {
    // A pasted line shorter than the layout still writes a record whose groups are found again.
    const std::string record = FormatSignalRecord(" 00010.50000   00.020");
    EXPECT_EQ(record, "00010.50000,[   00.020" + std::string(16, ' ') + "]{2}( )/ \\");
    const auto line = ParseSignalRecordLine(record);
    ASSERT_TRUE(line);
    EXPECT_EQ(EntryKey(*line), " 00010.50000");
    EXPECT_EQ(EntryIfbwText(*line), "00.020");
    EXPECT_EQ(line->size(), kEntryLineLength);
}

} // namespace
} // namespace zarn

namespace zarn {
namespace {

// The columns are read by a fast path for the usual fixed forms; it must give the very double the
// lenient reader gives, for every digit pattern.
TEST(EntryNumbers, FixedFormsReadExactlyAsTheLenientReader) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int n = 0; n < 20000; ++n) {
        std::string freq = "00000.00000", ifbw = "00.000";
        for (char& c : freq)
            if (c != '.') c = static_cast<char>('0' + digit(random));
        for (char& c : ifbw)
            if (c != '.') c = static_cast<char>('0' + digit(random));
        const std::string line = MakeEntryLine(freq, ifbw, "20", "FM ", SignalClass::Unknown, "9", false, "");
        ASSERT_EQ(EntryFrequency(line), LeadingNumber(freq)) << freq;
        ASSERT_EQ(EntryIfbw(line), LeadingNumber(ifbw)) << ifbw;
        double parsed = -1;
        ASSERT_TRUE(ParseSignalRecordLine(freq + ",x", parsed));
        ASSERT_EQ(parsed, LeadingNumber(freq)) << freq;
    }
    // Anything else in the columns goes to the lenient reader.
    EXPECT_EQ(EntryFrequency(" 12.5"), 12.5);
    EXPECT_EQ(EntryFrequency(" 0001x.00000"), 1.0);
}

} // namespace
} // namespace zarn
