#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

struct ValCase {
    const char* text;
    double expected;
};

class LeadingNumberTest : public ::testing::TestWithParam<ValCase> {};

TEST_P(LeadingNumberTest, ReadsLikeVal) {
    const ValCase& c = GetParam();
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << "text: \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeadingNumberTest,
    ::testing::Values(ValCase{"", 0}, ValCase{"   ", 0}, ValCase{"abc", 0}, ValCase{"12", 12},
                      ValCase{"  12  ", 12}, ValCase{"1 2 3", 123}, ValCase{"-5", -5}, ValCase{"+5", 5},
                      ValCase{" - 1 2 . 5", -12.5}, ValCase{"--5", 0}, ValCase{"+-5", 0},
                      ValCase{"12.5", 12.5}, ValCase{".5", 0.5}, ValCase{"-.5", -0.5}, ValCase{"5.", 5},
                      ValCase{".", 0}, ValCase{"1.2.3", 1.2}, ValCase{"12abc", 12}, ValCase{"1,234", 1},
                      ValCase{"146.025,WAV", 146.025}, ValCase{"1.5E3", 1500}, ValCase{"1.5e-3", 0.0015},
                      ValCase{"2D2", 200}, ValCase{"2d+2", 200}, ValCase{"1 E 2", 100}, ValCase{"1E", 1},
                      ValCase{"1E+", 1}, ValCase{"1Ex", 1}, ValCase{"1E2.5", 100}, ValCase{"\t7\r\n", 7},
                      ValCase{"-0", 0}, ValCase{"&H1F", 31}, ValCase{"&h1f", 31}, ValCase{"&HFFG", 255},
                      ValCase{"&O17", 15}, ValCase{"&O19", 1}, ValCase{"&H", 0}, ValCase{"&X1", 0},
                      ValCase{"1e-999", 0},
                      ValCase{"000000000000000000000000000000000000000000000000000000"
                              "000000000000000000000000000042.5",
                              42.5}));

TEST(LeadingNumber, OverflowIsInfiniteAndLongTextIsReadWhole) {
    EXPECT_DOUBLE_EQ(LeadingNumber(std::string(100, '1')), 1.1111111111111111e99); // past the stack buffer
    EXPECT_EQ(LeadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("0.0000001e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("1e99999999999999999999"), std::numeric_limits<double>::infinity());
}

struct NumericCase {
    const char* text;
    bool numeric;
};

class IsNumericTextTest : public ::testing::TestWithParam<NumericCase> {};

TEST_P(IsNumericTextTest, WholeTextIsOneNumber) {
    EXPECT_EQ(IsNumericText(GetParam().text), GetParam().numeric) << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsNumericTextTest,
    ::testing::Values(NumericCase{"12", true}, NumericCase{"  -12.5  ", true}, NumericCase{"+.5", true},
                      NumericCase{"5.", true}, NumericCase{"1E5", true}, NumericCase{"1.5e-3", true},
                      NumericCase{"2D2", true}, NumericCase{"", false}, NumericCase{"   ", false},
                      NumericCase{".", false}, NumericCase{"-", false}, NumericCase{"1 2", false},
                      NumericCase{"12a", false}, NumericCase{"1E", false}, NumericCase{"1E+", false},
                      NumericCase{"1.2.3", false}, NumericCase{"&H1F", false}, NumericCase{"1,5", false}));

struct RoundCase {
    double value;
    std::optional<std::int16_t> expected;
};

class RoundToInt16Test : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundToInt16Test, HalfToEven) {
    EXPECT_EQ(RoundToInt16(GetParam().value), GetParam().expected) << "value: " << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundToInt16Test,
    ::testing::Values(RoundCase{0, 0}, RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                      RoundCase{3.5, 4}, RoundCase{-0.5, 0}, RoundCase{-1.5, -2}, RoundCase{-2.5, -2},
                      RoundCase{2.4999, 2}, RoundCase{2.5001, 3}, RoundCase{-2.5001, -3},
                      RoundCase{32767, 32767}, RoundCase{32767.4, 32767}, RoundCase{32767.5, std::nullopt},
                      RoundCase{-32768, -32768}, RoundCase{-32768.5, -32768},
                      RoundCase{-32768.6, std::nullopt}, RoundCase{1e300, std::nullopt},
                      RoundCase{std::numeric_limits<double>::infinity(), std::nullopt},
                      RoundCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt}));

TEST(RoundToInt16Clamped, PinsToRange) {
    EXPECT_EQ(RoundToInt16Clamped(2.5), 2);
    EXPECT_EQ(RoundToInt16Clamped(-3.5), -4);
    EXPECT_EQ(RoundToInt16Clamped(40000), 32767);
    EXPECT_EQ(RoundToInt16Clamped(32767.5), 32767);
    EXPECT_EQ(RoundToInt16Clamped(-40000), -32768);
    EXPECT_EQ(RoundToInt16Clamped(-std::numeric_limits<double>::infinity()), -32768);
    EXPECT_EQ(RoundToInt16Clamped(std::numeric_limits<double>::quiet_NaN()), 0);
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
double Exact(const std::string& text) { // correctly rounded, as the C library reads it
    return std::strtod(text.c_str(), nullptr);
}

// The fast readers give the correctly rounded double for every text they take, and leave the rest.
TEST(FastDecimalReaders, SameDoubleAsTheCorrectlyRoundedReading) {
    std::mt19937 rng(2024);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int k = 0; k < 100000; ++k) {
        const int digits = pick(1, 15), sign = pick(0, 5), point = pick(-1, digits); // -1: no point
        std::string text = sign == 0 ? "-" : sign == 1 ? "+" : "";
        for (int d = 0; d < digits; ++d)
            text +=
                std::string(d == point ? "." : "") + static_cast<char>('0' + (pick(0, 3) ? pick(0, 9) : 0));
        if (point == digits) text += '.';
        const auto fast = PlainDecimalValue(text);
        ASSERT_TRUE(fast && SameBits(*fast, Exact(text)) && SameBits(LeadingNumber(text), Exact(text)))
            << text;
        std::string freq = "00000.00000", ifbw = "00.000";
        for (std::string* t : {&freq, &ifbw})
            for (char& c : *t)
                if (c != '.') c = static_cast<char>('0' + pick(0, 9));
        ASSERT_TRUE(SameBits(*FixedDecimalValue<5, 5>(freq), Exact(freq))) << freq;
        ASSERT_TRUE(SameBits(*FixedDecimalValue<2, 3>(ifbw), Exact(ifbw))) << ifbw;
    }
    // Signs and points out of place, blanks, exponents, hex, other characters; sixteen digits.
    for (const char* text : {"", "-", "+", ".", "-.", "..5", "1.2.3", " 12", "12 ", "1e5", "1E5", "&H1F",
                             "12a", "1,5", "--5", "+-5", "\x80", "1234567890123456", "0000000000000001",
                             "123456789012345.6"})
        EXPECT_FALSE(PlainDecimalValue(text).has_value()) << text;
    for (const char* text : {"", "00145.0250", "00145.025000", "00145,02500", "0014 .02500", "00145.0250x",
                             "-0145.02500", "00145.0250 ", "0014.502500"})
        EXPECT_FALSE((FixedDecimalValue<5, 5>(text)).has_value()) << text;
    // Sixteen and more digits still read whole, by the lenient reader.
    EXPECT_TRUE(SameBits(LeadingNumber("1234567890123456"), 1234567890123456.0));
    EXPECT_TRUE(SameBits(LeadingNumber("0.1234567890123456789"), Exact("0.1234567890123456789")));
    EXPECT_TRUE(SameBits(*PlainDecimalValue("-0"), -0.0));
    EXPECT_EQ(*PlainDecimalValue("5."), 5.0);
    EXPECT_EQ(*PlainDecimalValue(".5"), 0.5);
    EXPECT_EQ(*PlainDecimalValue("000000000000145"), 145.0);
}

// Every half and its neighbours across the 16-bit range and a little beyond it round as the plain
// rule does: half to even on the whole double, then the range (the fuzz target covers the rest).
TEST(RoundToInt16, AgreesWithThePlainRuleAtEveryHalf) {
    for (int k = -32780; k <= 32780; ++k) {
        const double half = k + 0.5, whole = k;
        for (double v : {half, std::nextafter(half, -1e9), std::nextafter(half, 1e9), whole,
                         std::nextafter(whole, -1e9)}) {
            const double r = RoundHalfEven(v);
            const auto plain = r < -32768.0 || r > 32767.0
                                   ? std::nullopt
                                   : std::optional<std::int16_t>(static_cast<std::int16_t>(r));
            ASSERT_EQ(RoundToInt16(v), plain) << std::hexfloat << v;
        }
    }
    EXPECT_EQ(RoundToInt16(0.49999999999999994), 0);
    EXPECT_EQ(RoundToInt16(-0.49999999999999994), 0);
}

} // namespace
} // namespace zarn
