// Lenient number reading and 16-bit rounding, as the station files need them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarn {

// The leading number of a text: blanks (space, tab, CR, LF) are ignored wherever they stand,
// an optional sign, digits with at most one decimal point and an optional exponent (E or D);
// reading stops at the first character that cannot belong to the number. A text without a
// number reads as 0, one too large for a double as infinity. "&H1F" and "&O17" read as
// hexadecimal and octal integers.
double LeadingNumber(std::string_view text);

// The value of a plain decimal text: an optional sign, then 1 to 15 digits with at most one decimal
// point, nothing else (no blanks). Such digits make an exact integer and one division by an exact
// power of ten rounds once, so the value is the very double LeadingNumber gives; this is its fast
// path. No value for any other text.
std::optional<double> PlainDecimalValue(std::string_view text);

// The same for a text of exactly IntDigits digits, a point and Decimals digits ("00000.00000"), the
// fixed columns of the list files, read without a loop's branches. No value for any other text.
template <std::size_t IntDigits, std::size_t Decimals>
[[gnu::always_inline]] inline std::optional<double> FixedDecimalValue(std::string_view text) {
    static_assert(IntDigits + Decimals >= 1 && IntDigits + Decimals <= 15, "exact in a double");
    constexpr std::size_t kLength = IntDigits + 1 + Decimals;
    if (text.size() != kLength || text[IntDigits] != '.') return std::nullopt;
    // The whole and the decimal digits are two independent chains, so they are read side by side.
    std::uint64_t whole = 0, fraction = 0;
    bool bad = false;
    for (std::size_t i = 0; i < IntDigits; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        bad |= digit > 9;
        whole = whole * 10 + digit;
    }
    for (std::size_t i = IntDigits + 1; i < kLength; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        bad |= digit > 9;
        fraction = fraction * 10 + digit;
    }
    if (bad) return std::nullopt;
    constexpr std::uint64_t kScale = [] {
        std::uint64_t scale = 1;
        for (std::size_t i = 0; i < Decimals; ++i)
            scale *= 10;
        return scale;
    }();
    return static_cast<double>(whole * kScale + fraction) / static_cast<double>(kScale);
}

// True when the whole text, less leading and trailing blanks, is one decimal number
// (sign, digits, point, exponent). An empty or blank text is not numeric.
bool IsNumericText(std::string_view text);

// Rounds half to even to a whole number, whatever the floating-point rounding mode.
double RoundHalfEven(double value);

// Rounds half to even into a 16-bit signed integer; no value when the result does not fit
// (or the value is not finite).
inline std::optional<std::int16_t> RoundToInt16(double value) {
    // Every clip's times come through here, so this is inline and without the library's floor and
    // fmod: within the range the value fits a long, and its fraction is as good as random, so the
    // steps are sums of comparisons rather than branches. The same halves to even and the same
    // range as RoundHalfEven.
    if (!(value > -32769.0 && value < 32768.0)) return std::nullopt; // also NaN and infinities
    const auto whole = static_cast<long>(value);                     // towards zero
    const long low = whole - static_cast<long>(static_cast<double>(whole) > value);
    const double diff = value - static_cast<double>(low);
    const long r = low + static_cast<long>(diff > 0.5) + static_cast<long>(diff == 0.5 && (low & 1) != 0);
    if (r < -32768 || r > 32767) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

// The same, pinned to -32768..32767 when it does not fit; NaN gives 0.
std::int16_t RoundToInt16Clamped(double value);

} // namespace zarn
