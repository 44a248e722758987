#include "formats.h"

#include "dates.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zarn {

namespace {

// A value as 15 significant decimal digits: value = 0.d0d1d2... * 10^(exponent + 1), d0 != 0.
// Rounding the decimal text rather than the binary double is what makes 0.125 -> "0.13" and
// 9.99995 -> "10.0000" come out as the operator expects.
struct Decimal15 {
    char digits[15];
    int exponent;
};

Decimal15 ToDecimal15(double magnitude) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    // buf holds "d.dddddddddddddde+XX".
    Decimal15 d{};
    d.digits[0] = buf[0];
    for (int i = 1; i < 15; ++i)
        d.digits[i] = buf[i + 1];
    std::from_chars(buf + 17 + (buf[17] == '+'), res.ptr, d.exponent);
    return d;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NaN";
    return value < 0 ? "-Inf" : "Inf";
}

} // namespace

std::string FormatNumber(double value, std::string_view picture) {
    if (!std::isfinite(value)) return NonFinite(value);

    std::size_t blanks = 0;
    while (blanks < picture.size() && picture[blanks] == ' ')
        ++blanks;
    int intZeros = 0, decimals = 0;
    bool point = false;
    for (char c : picture.substr(blanks)) {
        if (c == '.')
            point = true;
        else if (c == '0')
            ++(point ? decimals : intZeros);
    }

    // The value scaled by 10^decimals and rounded half away from zero, as decimal digits.
    std::string units;
    if (value != 0) {
        Decimal15 d = ToDecimal15(std::fabs(value));
        const int keep = d.exponent + 1 + decimals; // digits at or above the last shown place
        if (keep >= 15) {
            units.assign(d.digits, 15);
            units.append(static_cast<std::size_t>(keep - 15), '0');
        } else if (keep >= 0) {
            units.assign(d.digits, static_cast<std::size_t>(keep));
            if (d.digits[keep] >= '5') {
                int i = keep - 1;
                for (; i >= 0 && units[i] == '9'; --i)
                    units[i] = '0';
                if (i >= 0)
                    ++units[i];
                else
                    units.insert(units.begin(), '1');
            }
        }
        const auto firstNonZero = units.find_first_not_of('0');
        units.erase(0, firstNonZero == std::string::npos ? units.size() : firstNonZero);
    }

    const std::size_t dec = static_cast<std::size_t>(decimals);
    if (units.size() < dec + static_cast<std::size_t>(intZeros))
        units.insert(0, dec + static_cast<std::size_t>(intZeros) - units.size(), '0');

    std::string out(picture.substr(0, blanks));
    const bool roundsToZero = units.find_first_not_of('0') == std::string::npos;
    if (value < 0 && !roundsToZero) out += '-';
    out.append(units, 0, units.size() - dec);
    if (point) {
        out += '.';
        out.append(units, units.size() - dec, dec);
    }
    return out;
}

std::string FormatGeneral(double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0) return "0";

    const Decimal15 d = ToDecimal15(std::fabs(value));
    int count = 15;
    while (count > 1 && d.digits[count - 1] == '0')
        --count;
    const std::string_view digits(d.digits, static_cast<std::size_t>(count));

    std::string out = value < 0 ? "-" : "";
    const int e = d.exponent;
    if (e >= 15 || e < -4) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out += digits.substr(1);
        }
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
        out += exp;
    } else if (e >= 0) {
        const std::size_t intDigits = static_cast<std::size_t>(e) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, intDigits);
            out += '.';
            out += digits.substr(intDigits);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-e - 1), '0');
        out += digits;
    }
    return out;
}

std::string FormatDateTime(double date) {
    const DateParts p = PartsFromSerial(date);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", p.month, p.day, p.year % 100, p.hour,
                  p.minute, p.second);
    return buf;
}

std::string FormatDateTimeAmPm(double date) {
    const DateParts p = PartsFromSerial(date);
    const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d/%d/%02d %d:%02d:%02d %s", p.month, p.day, p.year % 100, hour12,
                  p.minute, p.second, p.hour < 12 ? "AM" : "PM");
    return buf;
}

} // namespace zarn
