#include "dates.h"
#include "formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

bool SameResult(std::optional<double> a, std::optional<double> b) {
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

// The fast reader against the general one, on texts as a segment's clip times come: runs of one
// date with rising times, repeats, impossible dates and times, other forms, characters out of place.
// The fixed list first: a refused text must leave nothing remembered.
TEST(DateReader, SameValueAsToDateForEveryText) {
    std::vector<std::string> texts = {"03/01/24 20:00:03", "03/01/24 20:0x:03", "03/01/24 1:02:03 ",
                                      "02/30/24 20:00:03", "02/30/24 20:00:04", "03/01/24 20:00:03",
                                      "03/01/24 24:00:00", "03/01/24 23:59:59"};
    std::mt19937 rng(1);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 6; ++round) {
        DateReader reader;
        for (const std::string& text : texts)
            ASSERT_TRUE(SameResult(reader.Read(text), ToDate(text))) << "text: \"" << text << "\"";
        texts.clear();
        for (int run = 0; run < 400; ++run) {
            // Months and days a little beyond their ranges, years mostly around the turn of 89/90.
            const int month = pick(0, 13), day = pick(0, 32),
                      year = pick(0, 9) < 7 ? pick(85, 94) : pick(0, 99);
            for (int k = pick(1, 60); k > 0; --k) {
                const int hour = pick(0, 20) ? pick(0, 23) : pick(24, 99),
                          minute = pick(0, 20) ? pick(0, 59) : 60,
                          second = pick(0, 20) ? pick(0, 59) : pick(60, 99);
                char buf[64];
                std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", month, day, year, hour,
                              minute, second);
                std::string t = buf;
                switch (pick(0, 30)) {
                case 0:
                    t[static_cast<std::size_t>(pick(0, 16))] = " 0/:a.\x7f\xff"[pick(0, 8)];
                    break;
                case 1:
                    t = std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year) + " " +
                        std::to_string(hour % 12 + 1) + ":05:06 PM";
                    break;
                case 2:
                    t = "  " + t;
                    break; // longer: the last 17 characters count
                case 3:
                    t.pop_back();
                    break;
                case 4:
                    t = t.substr(0, 8) + " 1:02:03 ";
                    break; // 17 characters, not the fixed form
                case 5:
                    t = t.substr(0, 6) + "20" + t.substr(6);
                    break;
                default:
                    break;
                }
                texts.push_back(t);
                if (pick(0, 3) == 0) texts.push_back(t);
            }
        }
    }
}

} // namespace
} // namespace zarn
