// Display formats. Each format string the programs use has one function here; nobody formats inline.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Numeric picture formats made of '0' digits with an optional point and an optional leading blank:
// "000", "00", "0", "0000.0000", "00000.00000", " 00000.00000", "00.000". The value is rounded half
// away from zero to the number of decimals; the integer part is padded with zeros to the number of
// '0's before the point and grows when the value needs more digits. A negative value is preceded
// by "-" (after the leading blank, when the format has one); a value that rounds to zero shows no sign.
// Rounding works on the value's 15-significant-digit decimal form, so 0.125 gives "00.13" with
// "00.00" although the double is a hair off. NaN and infinities give "NaN", "Inf", "-Inf".
std::string FormatNumber(double value, std::string_view picture);

// General number form: up to 15 significant digits, no trailing zeros, no leading blank;
// "1E+20" style exponent for magnitudes of 1E15 and above or below 1E-4 (but not 0).
std::string FormatGeneral(double value);

// Dates are days since 30 December 1899, the fraction being the time of day.
// "mm/dd/yy hh:mm:ss", for example "12/31/05 23:59:58".
std::string FormatDateTime(double date);
// "m/d/yy h:mm:ss AM/PM", for example "1/5/05 3:04:05 PM".
std::string FormatDateTimeAmPm(double date);

} // namespace zarn
