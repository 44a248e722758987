// Lenient number reading and 16-bit rounding, as the station files need them.
#pragma once

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

// True when the whole text, less leading and trailing blanks, is one decimal number
// (sign, digits, point, exponent). An empty or blank text is not numeric.
bool IsNumericText(std::string_view text);

// Rounds half to even into a 16-bit signed integer; no value when the result does not fit
// (or the value is not finite).
std::optional<std::int16_t> RoundToInt16(double value);

// The same, pinned to -32768..32767 when it does not fit; NaN gives 0.
std::int16_t RoundToInt16Clamped(double value);

} // namespace zarn
