#include "dates.h"
#include "formats.h"

#include <gtest/gtest.h>

#include <limits>

namespace zarn {
namespace {

TEST(FormatNumber, MatchesThePicture) {
    const struct {
        double value;
        const char* picture;
        const char* text;
    } cases[] = {
        {7, "000", "007"}, {-87, "000", "-087"}, {1234, "000", "1234"}, {0, "0", "0"}, {0.5, "0", "1"},
        {2.5, "0", "3"}, {-2.5, "0", "-3"}, {0.4999, "0", "0"}, {-0.4, "0", "0"}, {99.5, "00", "100"},
        {-145.5, "0000.0000", "-0145.5000"}, {9.99995, "0000.0000", "0010.0000"},
        {9999.99995, "0000.0000", "10000.0000"}, {-0.00004, "0000.0000", "0000.0000"},
        {0.00005, "0000.0000", "0000.0001"}, {-0.00005, "0000.0000", "-0000.0001"}, {1.005, "0.00", "1.01"},
        {0.125, "00.00", "00.13"}, {12.3456, "00.000", "12.346"}, {123456.5, "00000.00000", "123456.50000"},
        {-146.125, " 00000.00000", " -00146.12500"}, {1e20, "000", "100000000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), "000", "NaN"},
        {-std::numeric_limits<double>::infinity(), "0.00", "-Inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.picture), c.text) << c.value << " with \"" << c.picture << "\"";
}

TEST(FormatGeneral, ShortestForm) {
    const std::pair<double, const char*> cases[] = {
        {-0.0, "0"}, {0.5, "0.5"}, {-3, "-3"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1.5e-7, "1.5E-07"},
        {-1.25e100, "-1.25E+100"}, {999999999999999, "999999999999999"}, {1e15, "1E+15"}, {0.1 + 0.2, "0.3"},
        {2.0 / 3, "0.666666666666667"}, {123456789.125, "123456789.125"}, {100, "100"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatGeneral(value), text) << value;
}

TEST(FormatDateTime, EventAndTwelveHourForms) {
    const double lastSecond = SerialFromParts({2005, 12, 31, 23, 59, 59});
    EXPECT_EQ(FormatDateTime(0), "12/30/99 00:00:00");
    EXPECT_EQ(FormatDateTime(SerialFromParts({2005, 1, 5, 3, 4, 5})), "01/05/05 03:04:05");
    // Rounds to the second, never showing 24 hours.
    EXPECT_EQ(FormatDateTime(lastSecond + 0.9999 / 86400), "01/01/06 00:00:00");
    EXPECT_EQ(FormatDateTime(lastSecond + 0.4 / 86400), "12/31/05 23:59:59");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 15, 4, 5})), "1/5/05 3:04:05 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 0, 0, 7})), "1/5/05 12:00:07 AM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 12, 30, 0})), "1/5/05 12:30:00 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({1999, 11, 25, 11, 59, 59})), "11/25/99 11:59:59 AM");
}

} // namespace
} // namespace zarn
