#include "dates.h"
#include "formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace zarn {
namespace {

double Serial(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SerialFromParts({y, mo, d, h, mi, s});
}

TEST(Serial, DaysFromTheEpochAndBack) {
    EXPECT_EQ(Serial(1899, 12, 30), 0);
    EXPECT_EQ(Serial(1900, 1, 1), 2);
    EXPECT_EQ(Serial(2000, 1, 1), 36526);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 30, 12), 0.5);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 29, 18), -0.25); // days plus fraction, no sign trick
    for (double day = -657434; day <= 2958465; day += 997.3)
        EXPECT_NEAR(SerialFromParts(PartsFromSerial(day)), day, 0.5 / 86400) << day;
    const DateParts p = PartsFromSerial(Serial(2000, 2, 29, 13, 14, 15));
    EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
              (std::vector<int>{2000, 2, 29, 13, 14, 15}));
    // Outlandish serials are clamped, not undefined.
    EXPECT_EQ(PartsFromSerial(1e300).year, 9999);
    EXPECT_EQ(PartsFromSerial(-1e300).year, 100);
    EXPECT_EQ(PartsFromSerial(std::nan("")).year, 1899);
}

TEST(ToDate, ReadsTheEventFormAndTheGeneralForms) {
    const struct {
        const char* text;
        double serial;
    } cases[] = {
        {"12/31/05 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/89 23:59:58", Serial(2089, 12, 31, 23, 59, 58)}, // two-digit years: 1990 to 2089
        {"01/01/90 00:00:00", Serial(1990, 1, 1)},
        {"12/31/2005 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"02/29/04 12:00:00", Serial(2004, 2, 29, 12)},
        // Only the last 17 characters count when they have the event-file form.
        {"START,146.025,12/31/05 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/05 1:02:03", Serial(2005, 12, 31, 1, 2, 3)},
        {"12/31/05 11:59:58 PM", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/95 12:00:01 AM", Serial(1995, 12, 31, 0, 0, 1)},
        {"1/5/05 12:30:00 PM", Serial(2005, 1, 5, 12, 30)},
        {" 1/5/2005 3:04 pm ", Serial(2005, 1, 5, 15, 4)},
        {"1/5/05 3:04:05PM", Serial(2005, 1, 5, 15, 4, 5)},
        {"1/5/05", Serial(2005, 1, 5)},
        {"23:59:58", Serial(1899, 12, 30, 23, 59, 58)},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ToDate(c.text).has_value()) << c.text;
        EXPECT_NEAR(*ToDate(c.text), c.serial, 0.1 / 86400) << c.text;
    }
    const std::string bad[] = {"", "   ", "garbage", "13/01/05 00:00:00", "00/10/05 00:00:00",
                               "12/00/05 00:00:00", "02/29/05 00:00:00", "04/31/05 12:00:00",
                               "12/31/05 24:00:00", "12/31/05 23:60:00", "12/31/05 23:59:60", "2/30/05",
                               "1/5/05 13:04:05 PM", "1/5/05 0:04:05 AM", "1/5/05 3:04:05 XM",
                               "1/5/05 3:04:05 PM junk", "12/31/05x", "12/31/005", "12/31/199",
                               "12/31/20055", "12/31", "12//05", "1/5/05 3", "1/5/05 3:", "12/31/ 5 23:59:58",
                               "12/31/0a 23:59:58", "12/31/05 23-59-58", "25:00", ":", "/", "12/31/05 23:59:58:00",
                               std::string("12/31/05\0 23:59:58", 18)};
    for (const std::string& text : bad) {
        EXPECT_FALSE(ToDate(text).has_value()) << text;
        EXPECT_FALSE(ParseDateText(text).has_value()) << text;
    }
}

// The remembering reader against the general one, on runs of one date with rising times, repeats
// and impossible dates and times; a refused text must leave nothing remembered.
TEST(DateReader, SameValueAsToDateForEveryText) {
    std::mt19937 rng(1);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    DateReader reader;
    const auto same = [&](const std::string& text) {
        const auto a = reader.Read(text), b = ToDate(text);
        return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
    };
    for (const char* text :
         {"03/01/24 20:00:03", "03/01/24 20:0x:03", "03/01/24 1:02:03 ", "02/30/24 20:00:03",
          "02/30/24 20:00:04", "03/01/24 20:00:03", "03/01/24 24:00:00", "03/01/24 23:59:59"})
        ASSERT_TRUE(same(text)) << text;
    for (int run = 0; run < 1500; ++run) {
        const int month = pick(0, 13), day = pick(0, 32), year = pick(0, 9) < 7 ? pick(85, 94) : pick(0, 99);
        for (int k = pick(1, 20); k > 0; --k) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", month, day, year,
                          pick(0, 20) ? pick(0, 23) : pick(24, 99), pick(0, 20) ? pick(0, 59) : 60,
                          pick(0, 20) ? pick(0, 59) : pick(60, 99));
            std::string t = buf;
            if (pick(0, 20) == 0) t[static_cast<std::size_t>(pick(0, 16))] = " 0/:a.\x7f\xff"[pick(0, 8)];
            ASSERT_TRUE(same(t)) << t;
            ASSERT_TRUE(same(t)) << t;
        }
    }
}

} // namespace
} // namespace zarn
