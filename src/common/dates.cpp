#include "dates.h"

#include "numbers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zarn {

namespace {

constexpr long kSecondsPerDay = 86400;
// Days from 1 January 1970 to 30 December 1899.
constexpr long kEpochOffset = -25569;
// The serials of 1 January 100 and 31 December 9999, the range of dates the old files can hold.
constexpr double kFirstSerial = -657434.0;
constexpr double kLastSerial = 2958465.0 + 86399.0 / 86400.0;

// Days since 1 January 1970 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long DaysFromCivil(long y, long m, long d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long z, int& year, int& month, int& day) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool ValidParts(const DateParts& p) {
    return p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
           p.day <= DaysInMonth(p.year, p.month) && p.hour >= 0 && p.hour <= 23 && p.minute >= 0 &&
           p.minute <= 59 && p.second >= 0 && p.second <= 59;
}

int WindowYear(int twoDigits) {
    return twoDigits < 90 ? 2000 + twoDigits : 1900 + twoDigits;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A hand-written scanner: no allocation, no locale, so that the date of every clip line is cheap.
class Scanner {
public:
    explicit Scanner(std::string_view text) : t_(text) {}
    bool AtEnd() const { return i_ >= t_.size(); }
    char Peek() const { return AtEnd() ? '\0' : t_[i_]; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++i_;
        return true;
    }
    int SkipBlanks() {
        int n = 0;
        for (; !AtEnd() && IsBlank(t_[i_]); ++i_)
            ++n;
        return n;
    }
    // An unsigned number of minDigits..maxDigits digits; its digit count in `count`.
    bool Number(int minDigits, int maxDigits, int& value, int& count) {
        value = 0;
        count = 0;
        while (count < maxDigits && IsDigit(Peek())) {
            value = value * 10 + (t_[i_++] - '0');
            ++count;
        }
        return count >= minDigits && !IsDigit(Peek());
    }
    bool Number(int minDigits, int maxDigits, int& value) {
        int count;
        return Number(minDigits, maxDigits, value, count);
    }
    // "AM" or "PM" in any case: +1 for PM, -1 for AM, 0 for neither.
    int Meridiem() {
        if (t_.size() - i_ < 2) return 0;
        const char a = static_cast<char>(t_[i_] | 0x20), m = static_cast<char>(t_[i_ + 1] | 0x20);
        if (m != 'm' || (a != 'a' && a != 'p')) return 0;
        i_ += 2;
        return a == 'p' ? 1 : -1;
    }

private:
    std::string_view t_;
    std::size_t i_ = 0;
};

bool ParseTime(Scanner& s, DateParts& p) {
    if (!s.Number(1, 2, p.hour) || !s.Take(':') || !s.Number(1, 2, p.minute)) return false;
    if (s.Take(':') && !s.Number(1, 2, p.second)) return false;
    s.SkipBlanks();
    if (const int meridiem = s.Meridiem()) {
        if (p.hour < 1 || p.hour > 12) return false;
        p.hour = p.hour % 12 + (meridiem > 0 ? 12 : 0);
    }
    return true;
}

bool LooksLikeTime(std::string_view text) {
    for (char c : text) {
        if (c == ':') return true;
        if (c == '/') return false;
    }
    return false;
}

// Two decimal digits at text[i], i+1 (both known to be digits).
inline int Two(const char* t, int i) {
    return (t[i] - '0') * 10 + (t[i + 1] - '0');
}

// The shape of "mm/dd/yy hh:mm:ss": digits and separators in their places.
inline bool IsSeventeenForm(const char* t) {
    static constexpr int kDigitAt[] = {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, 16};
    // One test of all twelve digits rather than a branch each.
    bool bad = false;
    for (int i : kDigitAt)
        bad |= static_cast<unsigned char>(t[i]) - unsigned{'0'} > 9;
    return !bad && t[2] == '/' && t[5] == '/' && t[8] == ' ' && t[11] == ':' && t[14] == ':';
}

// Reads "mm/dd/yy hh:mm:ss" exactly, with the given century, into `result` (no value for an
// impossible date). False when the text has another shape: then the general reader decides.
bool FastSeventeen(std::string_view text, int century, std::optional<double>& result) {
    if (text.size() != 17 || !IsSeventeenForm(text.data())) return false;
    const char* t = text.data();
    DateParts p;
    p.month = Two(t, 0);
    p.day = Two(t, 3);
    p.year = century + Two(t, 6);
    p.hour = Two(t, 9);
    p.minute = Two(t, 12);
    p.second = Two(t, 15);
    result = ValidParts(p) ? std::optional<double>(SerialFromParts(p)) : std::nullopt;
    return true;
}

} // namespace

double SerialFromParts(const DateParts& parts) {
    const long days = DaysFromCivil(parts.year, parts.month, parts.day) - kEpochOffset;
    const long seconds = parts.hour * 3600L + parts.minute * 60L + parts.second;
    return static_cast<double>(days) + static_cast<double>(seconds) / kSecondsPerDay;
}

DateParts PartsFromSerial(double serial) {
    if (std::isnan(serial)) return DateParts{};
    serial = std::clamp(serial, kFirstSerial, kLastSerial);
    // Whole seconds first, so 23:59:59.9999 becomes midnight of the next day, not 24:00:00.
    const long long total = std::llround(serial * kSecondsPerDay);
    long long days = total / kSecondsPerDay;
    long long secs = total % kSecondsPerDay;
    if (secs < 0) {
        secs += kSecondsPerDay;
        --days;
    }
    DateParts p;
    CivilFromDays(static_cast<long>(days + kEpochOffset), p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    return p;
}

std::optional<double> ParseDateText(std::string_view text) {
    Scanner s(text);
    s.SkipBlanks();
    DateParts p; // a time alone keeps day zero, 30 December 1899
    if (LooksLikeTime(text)) {
        if (!ParseTime(s, p)) return std::nullopt;
    } else {
        int yearDigits = 0;
        if (!s.Number(1, 2, p.month) || !s.Take('/') || !s.Number(1, 2, p.day) || !s.Take('/') ||
            !s.Number(1, 4, p.year, yearDigits) || yearDigits == 3)
            return std::nullopt;
        if (yearDigits <= 2) p.year = WindowYear(p.year);
        if (s.SkipBlanks() > 0 && IsDigit(s.Peek()) && !ParseTime(s, p)) return std::nullopt;
    }
    s.SkipBlanks();
    if (!s.AtEnd() || !ValidParts(p)) return std::nullopt;
    return SerialFromParts(p);
}

std::optional<double> DateReader::ReadNewDate(std::string_view text) {
    // ToDate reads a 17-character text of this form with the century 20 below year 90, else 19.
    if (text.size() != kLength || !IsSeventeenForm(text.data())) return ToDate(text);
    const char* t = text.data();
    std::memcpy(last_, t, 8);
    known_ = true;
    const int yy = Two(t, 6);
    DateParts p;
    p.year = yy < 90 ? 2000 + yy : 1900 + yy;
    p.month = Two(t, 0);
    p.day = Two(t, 3);
    dateValid_ = ValidParts(p);
    days_ = dateValid_ ? DaysFromCivil(p.year, p.month, p.day) - kEpochOffset : 0;
    return Remember(t);
}

std::optional<double> ToDate(std::string_view text) {
    const std::string_view last = text.size() > 17 ? text.substr(text.size() - 17) : text;
    if (last.size() >= 9 && last[2] == '/' && last[5] == '/' && last[8] == ' ') {
        const bool twoDigits = IsDigit(last[6]) && IsDigit(last[7]);
        const double yy = twoDigits ? Two(last.data(), 6) : LeadingNumber(last.substr(6, 2));
        if (yy < 90) {
            std::optional<double> result;
            if (twoDigits && FastSeventeen(last, 2000, result)) return result;
            char withCentury[19];
            std::copy_n(last.data(), 6, withCentury);
            withCentury[6] = '2', withCentury[7] = '0';
            std::copy_n(last.data() + 6, last.size() - 6, withCentury + 8);
            return ParseDateText(std::string_view(withCentury, last.size() + 2));
        }
        // Read unchanged; for the plain 17-character form the general reader would give 19yy too.
        std::optional<double> result;
        if (FastSeventeen(text, 1900, result)) return result;
    }
    return ParseDateText(text);
}

} // namespace zarn
