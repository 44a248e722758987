#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

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

TEST(LeadingNumber, OverflowIsInfiniteNotGarbage) {
    EXPECT_EQ(LeadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("0.0000001e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("1e99999999999999999999"), std::numeric_limits<double>::infinity());
}

TEST(LeadingNumber, LongTextIsReadWhole) {
    // Longer than the small stack buffer: must not be cut short.
    std::string text(100, '1');
    EXPECT_DOUBLE_EQ(LeadingNumber(text), 1.1111111111111111e99);
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

} // namespace
} // namespace zarn
