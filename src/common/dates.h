// Dates as days since 30 December 1899 (the fraction is the time of day), and the event-file
// date reader.
#pragma once

#include <optional>
#include <string_view>

namespace zarn {

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Days since 30 December 1899 of a calendar date and time (no range check).
double SerialFromParts(const DateParts& parts);
// The calendar date and time of a serial, rounded to the nearest second. Serials outside the years
// 100 to 9999 are pinned to that range; NaN gives day zero.
DateParts PartsFromSerial(double serial);

// Reads a date/time text: month/day/year with a two- or four-digit year, optionally followed by
// h:mm or h:mm:ss and an optional AM/PM (then the hour is 1 to 12); or a time alone (then the
// date is day zero). A three-digit year is refused, a four-digit one must be 100 or later. Two-digit
// years below 90 are 20yy, 90 and above 19yy. Surrounding blanks are ignored. No value when the
// text is not such a date or names an impossible one (month 13, 31 April, 25:00, ...).
std::optional<double> ParseDateText(std::string_view text);

// The event-file conversion: takes the last 17 characters of the text; when they have the
// form mm/dd/yy hh:mm:ss and yy is below 90 the century "20" is inserted, otherwise the whole
// text is read unchanged by ParseDateText. No value when it cannot be read; callers decide.
std::optional<double> ToDate(std::string_view text);

} // namespace zarn
