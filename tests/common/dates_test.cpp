#include "dates.h"
#include "formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace zarn {
namespace {

double Serial(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SerialFromParts({y, mo, d, h, mi, s});
}

// Serials are compared to the second: the fraction is a binary approximation.
void ExpectSameSecond(std::optional<double> actual, double expected, const std::string& text) {
    ASSERT_TRUE(actual.has_value()) << "text: \"" << text << "\"";
    EXPECT_NEAR(*actual, expected, 0.1 / 86400) << "text: \"" << text << "\"";
}

TEST(Serial, KnownDays) {
    EXPECT_EQ(Serial(1899, 12, 30), 0);
    EXPECT_EQ(Serial(1900, 1, 1), 2);
    EXPECT_EQ(Serial(2000, 1, 1), 36526);
    EXPECT_EQ(Serial(1899, 12, 29), -1);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 30, 12), 0.5);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 29, 18), -0.25); // days plus fraction, no sign trick
}

TEST(Serial, PartsRoundTripAcrossTheRange) {
    for (double day = -657434; day <= 2958465; day += 997.3) {
        const DateParts p = PartsFromSerial(day);
        EXPECT_NEAR(SerialFromParts(p), day, 0.5 / 86400) << day;
    }
    const DateParts leap = PartsFromSerial(Serial(2000, 2, 29, 13, 14, 15));
    EXPECT_EQ(leap.year, 2000);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.hour, 13);
    EXPECT_EQ(leap.minute, 14);
    EXPECT_EQ(leap.second, 15);
}

TEST(Serial, OutlandishSerialsAreClampedNotUndefined) {
    EXPECT_EQ(PartsFromSerial(1e300).year, 9999);
    EXPECT_EQ(PartsFromSerial(-1e300).year, 100);
    EXPECT_EQ(PartsFromSerial(std::nan("")).year, 1899);
}

struct DateCase {
    const char* text;
    int y, mo, d, h, mi, s;
};

class ToDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ToDateTest, Reads) {
    const DateCase& c = GetParam();
    ExpectSameSecond(ToDate(c.text), Serial(c.y, c.mo, c.d, c.h, c.mi, c.s), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToDateTest,
    ::testing::Values(DateCase{"12/31/05 23:59:58", 2005, 12, 31, 23, 59, 58},
                      DateCase{"12/31/95 23:59:58", 1995, 12, 31, 23, 59, 58},
                      DateCase{"12/31/89 23:59:58", 2089, 12, 31, 23, 59, 58},
                      DateCase{"01/01/90 00:00:00", 1990, 1, 1, 0, 0, 0},
                      DateCase{"12/31/2005 23:59:58", 2005, 12, 31, 23, 59, 58},
                      DateCase{"02/29/04 12:00:00", 2004, 2, 29, 12, 0, 0},
                      // Only the last 17 characters count when they have the event-file form.
                      DateCase{"START,146.025,12/31/05 23:59:58", 2005, 12, 31, 23, 59, 58},
                      DateCase{"  12/31/05 23:59:58", 2005, 12, 31, 23, 59, 58},
                      DateCase{"12/31/05 1:02:03", 2005, 12, 31, 1, 2, 3},
                      // Other forms go to the general reader.
                      DateCase{"1/5/05 3:04:05 PM", 2005, 1, 5, 15, 4, 5},
                      DateCase{"12/31/05 11:59:58 PM", 2005, 12, 31, 23, 59, 58},
                      DateCase{"12/31/95 12:00:01 AM", 1995, 12, 31, 0, 0, 1},
                      DateCase{" 1/5/2005 3:04 pm ", 2005, 1, 5, 15, 4, 0},
                      DateCase{"1/5/05 3:04:05PM", 2005, 1, 5, 15, 4, 5},
                      DateCase{"1/5/05", 2005, 1, 5, 0, 0, 0},
                      DateCase{"23:59:58", 1899, 12, 30, 23, 59, 58}));

class BadDateTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadDateTest, HasNoValue) {
    EXPECT_FALSE(ToDate(GetParam()).has_value()) << GetParam();
    EXPECT_FALSE(ParseDateText(GetParam()).has_value()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDateTest,
    ::testing::Values("", "   ", "garbage", "13/45/99 00:00:00", "13/01/05 00:00:00", "00/10/05 00:00:00",
                      "12/00/05 00:00:00", "02/30/05 00:00:00", "02/29/05 00:00:00", "04/31/05 12:00:00",
                      "12/31/05 24:00:00", "12/31/05 99:99:99", "12/31/05 23:60:00", "12/31/05 23:59:60",
                      "2/30/05", "1/5/05 13:04:05 PM", "1/5/05 0:04:05 AM", "1/5/05 3:04:05 XM",
                      "1/5/05 3:04:05 PM junk", "12/31/05x", "12/31/005", "12/31/20055", "12/31", "12//05",
                      "1/5/05 3", "1/5/05 3:", "12/31/ 5 23:59:58", "12/31/0a 23:59:58", "12/31/05 23-59-58",
                      "99:99:99", "25:00", ":", "/", "12/31/05 23:59:58:00",
                      "\xff\xfe/\x80\x81/\x90\x91 \xa0\xa1:\xb0\xb1:\xc0\xc1"));

TEST(ToDate, AmPmFormRoundTripsForTheWholeWindow) {
    for (int year = 1990; year <= 2089; ++year) {
        for (int hour : {0, 1, 11, 12, 13, 23}) {
            const double serial =
                Serial(year, year % 12 + 1, year % 28 + 1, hour, year % 60, (year * 7) % 60);
            const std::string text = FormatDateTimeAmPm(serial);
            ExpectSameSecond(ToDate(text), serial, text);
        }
    }
}

TEST(ToDate, EventFormRoundTrips) {
    for (double serial = Serial(1990, 1, 1); serial < Serial(2090, 1, 1); serial += 37.123456) {
        const std::string text = FormatDateTime(serial);
        ExpectSameSecond(ToDate(text), std::round(serial * 86400) / 86400, text);
    }
}

TEST(ToDate, ShortOrOddTextsAreSafe) {
    // Every length and every cut of a date: never a crash, a value only for whole dates.
    const std::string full = "12/31/05 23:59:58";
    for (std::size_t n = 0; n <= full.size(); ++n) {
        (void)ToDate(full.substr(0, n));
        (void)ToDate(full.substr(n));
    }
    EXPECT_FALSE(ToDate(std::string("12/31/05\0 23:59:58", 18)).has_value());
}

} // namespace
} // namespace zarn
