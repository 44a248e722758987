#include "dates.h"
#include "formats.h"

#include <gtest/gtest.h>

#include <limits>

namespace zarn {
namespace {

struct PictureCase {
    double value;
    const char* picture;
    const char* expected;
};

class FormatNumberTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(FormatNumberTest, MatchesPicture) {
    const PictureCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.picture), c.expected) << c.value << " with \"" << c.picture << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatNumberTest,
    ::testing::Values(
        // Integer pictures, padding and growth.
        PictureCase{7, "000", "007"}, PictureCase{-87, "000", "-087"}, PictureCase{1234, "000", "1234"},
        PictureCase{0, "000", "000"}, PictureCase{5, "00", "05"}, PictureCase{25, "0", "25"},
        PictureCase{0, "0", "0"}, PictureCase{0.5, "0", "1"}, PictureCase{1.5, "0", "2"},
        PictureCase{2.5, "0", "3"}, PictureCase{-2.5, "0", "-3"}, PictureCase{0.4999, "0", "0"},
        PictureCase{-0.4, "0", "0"}, PictureCase{99.5, "00", "100"},
        // Decimal pictures.
        PictureCase{145.5, "0000.0000", "0145.5000"}, PictureCase{-145.5, "0000.0000", "-0145.5000"},
        PictureCase{9.99995, "0000.0000", "0010.0000"}, PictureCase{9999.99995, "0000.0000", "10000.0000"},
        PictureCase{0.00004, "0000.0000", "0000.0000"}, PictureCase{-0.00004, "0000.0000", "0000.0000"},
        PictureCase{0.00005, "0000.0000", "0000.0001"}, PictureCase{-0.00005, "0000.0000", "-0000.0001"},
        PictureCase{146.025, "0000.0000", "0146.0250"}, PictureCase{1.005, "0.00", "1.01"},
        PictureCase{0.125, "00.00", "00.13"}, PictureCase{0.025, "00.000", "00.025"},
        PictureCase{12.3456, "00.000", "12.346"}, PictureCase{-0.0005, "00.000", "-00.001"},
        PictureCase{123456.5, "00000.00000", "123456.50000"}, PictureCase{0.1, "00000.00000", "00000.10000"},
        PictureCase{146.125, " 00000.00000", " 00146.12500"},
        PictureCase{-146.125, " 00000.00000", " -00146.12500"},
        PictureCase{1e20, "000", "100000000000000000000"}));

TEST(FormatNumber, NonFiniteDoesNotCrash) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), "000"), "NaN");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::infinity(), "0.00"), "-Inf");
}

struct GeneralCase {
    double value;
    const char* expected;
};

class FormatGeneralTest : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(FormatGeneralTest, ShortestForm) {
    EXPECT_EQ(FormatGeneral(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatGeneralTest,
    ::testing::Values(GeneralCase{0, "0"}, GeneralCase{-0.0, "0"}, GeneralCase{0.5, "0.5"},
                      GeneralCase{25, "25"}, GeneralCase{-3, "-3"}, GeneralCase{0.0125, "0.0125"},
                      GeneralCase{0.0001, "0.0001"}, GeneralCase{0.00001, "1E-05"},
                      GeneralCase{1.5e-7, "1.5E-07"}, GeneralCase{1e20, "1E+20"},
                      GeneralCase{-1.25e100, "-1.25E+100"}, GeneralCase{999999999999999, "999999999999999"},
                      GeneralCase{1e15, "1E+15"}, GeneralCase{146.025, "146.025"},
                      GeneralCase{0.1 + 0.2, "0.3"}, GeneralCase{1.0 / 3, "0.333333333333333"},
                      GeneralCase{2.0 / 3, "0.666666666666667"}, GeneralCase{123456789.125, "123456789.125"},
                      GeneralCase{100, "100"}));

TEST(FormatDateTime, TwoDigitFields) {
    EXPECT_EQ(FormatDateTime(0), "12/30/99 00:00:00");
    EXPECT_EQ(FormatDateTime(SerialFromParts({2005, 12, 31, 23, 59, 58})), "12/31/05 23:59:58");
    EXPECT_EQ(FormatDateTime(SerialFromParts({2005, 1, 5, 3, 4, 5})), "01/05/05 03:04:05");
}

TEST(FormatDateTime, RoundsToTheSecondWithoutShowing24Hours) {
    const double almostMidnight = SerialFromParts({2005, 12, 31, 23, 59, 59}) + 0.9999 / 86400;
    EXPECT_EQ(FormatDateTime(almostMidnight), "01/01/06 00:00:00");
    EXPECT_EQ(FormatDateTime(SerialFromParts({2005, 12, 31, 23, 59, 59}) + 0.4 / 86400), "12/31/05 23:59:59");
}

TEST(FormatDateTimeAmPm, TwelveHourClock) {
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 15, 4, 5})), "1/5/05 3:04:05 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 0, 0, 7})), "1/5/05 12:00:07 AM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 12, 30, 0})), "1/5/05 12:30:00 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({1999, 11, 25, 11, 59, 59})), "11/25/99 11:59:59 AM");
}

} // namespace
} // namespace zarn
