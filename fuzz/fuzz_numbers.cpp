// The lenient number reader, its fast paths and the 16-bit rounding.
#include "fuzz_support.h"
#include "numbers.h"

#include <cmath>

using namespace zarn;

namespace {

// The same double, bit for bit (NaN never comes out of a text here).
bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckRounding(double v) {
    const double even = RoundHalfEven(v);
    const std::optional<std::int16_t> r = RoundToInt16(v);
    const bool fits = std::isfinite(v) && even >= -32768 && even <= 32767;
    Require(r.has_value() == fits);
    if (r) Require(static_cast<double>(*r) == even);
    const std::int16_t clamped = RoundToInt16Clamped(v);
    if (r)
        Require(clamped == *r);
    else if (std::isnan(v))
        Require(clamped == 0);
    else
        Require(clamped == (v > 0 ? 32767 : -32768));
}

} // namespace

ZARN_FUZZ_TARGET(text) {
    const double lenient = LeadingNumber(text);
    Require(!std::isnan(lenient));
    // The fast paths give the very double the lenient reader gives, or leave the text to it.
    if (const std::optional<double> plain = PlainDecimalValue(text)) Require(Same(*plain, lenient));
    if (const std::optional<double> fixed = FixedDecimalValue<5, 5>(text)) Require(Same(*fixed, lenient));
    if (const std::optional<double> fixed = FixedDecimalValue<2, 3>(text)) Require(Same(*fixed, lenient));
    if (const std::optional<double> fixed = FixedDecimalValue<4, 4>(text)) Require(Same(*fixed, lenient));
    (void)IsNumericText(text);
    CheckRounding(lenient);
    ForEachDouble(text, CheckRounding);
}
