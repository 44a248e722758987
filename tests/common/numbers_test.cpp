#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace zarn {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Long texts are read past the stack buffer; overflow is infinite.
TEST(LeadingNumber, ReadsTheLeadingNumberLeniently) {
    const struct {
        std::string text;
        double value;
    } cases[] = {{"", 0},
                 {"   ", 0}, {"abc", 0}, {"  12  ", 12}, {"1 2 3", 123}, {"-5", -5}, {"+5", 5},
                 {" - 1 2 . 5", -12.5}, {"--5", 0}, {"+-5", 0}, {".5", 0.5}, {"-.5", -0.5}, {"5.", 5},
                 {".", 0}, {"1.2.3", 1.2}, {"1,234", 1}, {"146.025,WAV", 146.025}, {"1.5e-3", 0.0015},
                 {"2D2", 200}, {"2d+2", 200}, {"1 E 2", 100}, {"1E", 1}, {"1E+", 1}, {"1E2.5", 100},
                 {"\t7\r\n", 7}, {"&H1F", 31}, {"&h1f", 31}, {"&HFFG", 255}, {"&O17", 15}, {"&O19", 1},
                 {"&H", 0}, {"&X1", 0}, {"1e-999", 0}, {std::string(80, '0') + "42.5", 42.5},
                 {std::string(100, '1'), 1.1111111111111111e99}, {"1e999", kInf}, {"-1e999", -kInf},
                 {"0.0000001e400", kInf}, {"1e99999999999999999999", kInf}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(IsNumericText, WholeTextIsOneNumber) {
    for (const char* yes : {"12", "  -12.5  ", "+.5", "5.", "1E5", "1.5e-3", "2D2"})
        EXPECT_TRUE(IsNumericText(yes)) << yes;
    for (const char* no : {"", "   ", ".", "-", "1 2", "12a", "1E", "1E+", "1.2.3", "&H1F", "1,5"})
        EXPECT_FALSE(IsNumericText(no)) << no;
}

TEST(RoundToInt16, HalfToEvenWithinTheRange) {
    const struct {
        double value;
        std::optional<std::int16_t> exact;
        std::int16_t clamped;
    } cases[] = {{0.5, 0, 0},
                 {1.5, 2, 2}, {2.5, 2, 2}, {-0.5, 0, 0}, {-1.5, -2, -2}, {-3.5, -4, -4}, {2.5001, 3, 3},
                 {-2.5001, -3, -3}, {0.49999999999999994, 0, 0}, {32767.4, 32767, 32767},
                 {32767.5, std::nullopt, 32767}, {-32768.5, -32768, -32768}, {-32768.6, std::nullopt, -32768},
                 {40000, std::nullopt, 32767}, {-kInf, std::nullopt, -32768},
                 {std::numeric_limits<double>::quiet_NaN(), std::nullopt, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundToInt16(c.value), c.exact) << c.value;
        EXPECT_EQ(RoundToInt16Clamped(c.value), c.clamped) << c.value;
    }
    // Every half and its neighbours across the range and a little past it, against the plain rule.
    for (int k = -32780; k <= 32780; ++k) {
        for (double v : {k + 0.5, std::nextafter(k + 0.5, -1e9), std::nextafter(k + 0.5, 1e9)}) {
            const double r = RoundHalfEven(v);
            const auto plain = r < -32768.0 || r > 32767.0
                                   ? std::nullopt
                                   : std::optional<std::int16_t>(static_cast<std::int16_t>(r));
            ASSERT_EQ(RoundToInt16(v), plain) << std::hexfloat << v;
        }
    }
}

// The fast readers take only their own forms (the fuzz target checks the values they give).
TEST(FastDecimalReaders, TakeOnlyTheirForms) {
    EXPECT_TRUE(SameBits(*PlainDecimalValue("-0"), -0.0));
    EXPECT_EQ(*PlainDecimalValue("5."), 5.0);
    EXPECT_EQ(*PlainDecimalValue("+.5"), 0.5);
    EXPECT_EQ(*PlainDecimalValue("000000000000145"), 145.0);
    EXPECT_EQ(*PlainDecimalValue("123456789012345"), 123456789012345.0);
    EXPECT_EQ((*FixedDecimalValue<5, 5>("00145.02500")), 145.025);
    EXPECT_EQ((*FixedDecimalValue<2, 3>("99.999")), 99.999);
    for (const char* text :
         {"", "-", "+", ".", "-.", "..5", "1.2.3", " 12", "12 ", "1e5", "&H1F", "12a", "1,5", "--5", "+-5",
          "\x80", "1234567890123456", "0000000000000001", "123456789012345.6"})
        EXPECT_FALSE(PlainDecimalValue(text).has_value()) << text;
    for (const char* text : {"", "00145.0250", "00145.025000", "00145,02500", "0014 .02500", "00145.0250x",
                             "-0145.02500", "00145.0250 ", "0014.502500"})
        EXPECT_FALSE((FixedDecimalValue<5, 5>(text)).has_value()) << text;
    // Sixteen and more digits still read whole, by the lenient reader.
    EXPECT_TRUE(SameBits(LeadingNumber("0.1234567890123456789"), 0.1234567890123456789));
    // Against the correctly rounded reading of the C library, for digit strings of every length.
    std::mt19937 rng(2024);
    for (int k = 0; k < 20000; ++k) {
        std::string text = k % 3 ? "" : "-", fixed = "00000.00000";
        for (int d = static_cast<int>(rng() % 15); d >= 0; --d)
            text += static_cast<char>('0' + rng() % 10);
        text.insert(rng() % text.size() + (text[0] == '-'), ".");
        for (char& c : fixed)
            c = c == '.' ? c : static_cast<char>('0' + rng() % 10);
        ASSERT_TRUE(SameBits(PlainDecimalValue(text).value_or(-1), std::strtod(text.c_str(), nullptr))) << text;
        ASSERT_TRUE(SameBits(LeadingNumber(text), std::strtod(text.c_str(), nullptr))) << text;
        ASSERT_TRUE(SameBits((*FixedDecimalValue<5, 5>(fixed)), std::strtod(fixed.c_str(), nullptr))) << fixed;
    }
}

} // namespace
} // namespace zarn
