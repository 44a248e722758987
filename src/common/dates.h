// Dates as days since 30 December 1899 (the fraction is the time of day), and the event-file
// date reader.
#pragma once

#include <cstddef>
#include <cstring>
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

// ToDate for a run of texts, such as the start times of a segment's clips, which mostly share their
// date and often repeat: the last text of the fixed 17-character form "mm/dd/yy hh:mm:ss" is
// remembered with its value, and its "mm/dd/yy" with its day number, so a repeated text costs a
// comparison and one with the same date only has its time read. Every value is the very one ToDate
// gives; any other text is left to ToDate.
class DateReader {
public:
    std::optional<double> Read(std::string_view text) {
        // Inline for the common cases.
        if (text.size() == kLength && known_) {
            const char* t = text.data();
            if (std::memcmp(last_, t, kLength) == 0) return value_;
            if (std::memcmp(last_, t, 8) == 0) {
                // Written out rather than looped: a loop over the six places is not unrolled at -O2.
                const auto notDigit = [t](int i) {
                    return static_cast<unsigned>(static_cast<unsigned char>(t[i]) - unsigned{'0'} > 9);
                };
                const auto notMark = [t](int i, char mark) { return static_cast<unsigned>(t[i] != mark); };
                const unsigned bad = notMark(8, ' ') | notMark(11, ':') | notMark(14, ':') | notDigit(9) |
                                     notDigit(10) | notDigit(12) | notDigit(13) | notDigit(15) | notDigit(16);
                if (bad == 0) return Remember(t);
            }
        }
        return ReadNewDate(text);
    }

private:
    static constexpr std::size_t kLength = 17;
    std::optional<double> ReadNewDate(std::string_view text);
    // The time of a text of the form whose date is the remembered one.
    std::optional<double> Remember(const char* t) {
        std::memcpy(last_ + 8, t + 8, kLength - 8);
        const int hour = (t[9] - '0') * 10 + (t[10] - '0');
        const int minute = (t[12] - '0') * 10 + (t[13] - '0');
        const int second = (t[15] - '0') * 10 + (t[16] - '0');
        if (!dateValid_ || hour > 23 || minute > 59 || second > 59) {
            value_ = std::nullopt;
        } else {
            // The arithmetic of SerialFromParts, so the double is the same to the last bit.
            const long seconds = hour * 3600L + minute * 60L + second;
            value_ = static_cast<double>(days_) + static_cast<double>(seconds) / 86400L;
        }
        return value_;
    }

    char last_[kLength] = {}; // the last text of the form
    bool known_ = false;      // last_ holds one
    std::optional<double> value_;
    bool dateValid_ = false; // its date names a real day, days_
    long days_ = 0;
};

} // namespace zarn
