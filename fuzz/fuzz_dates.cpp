// Dates: the date text reader, the event-file conversion and its remembering reader, and the
// calendar arithmetic for any serial.
#include "dates.h"
#include "fuzz_support.h"
#include "textfile.h"

#include <cmath>

using namespace zarn;

namespace {

bool SameValue(const std::optional<double>& a, const std::optional<double>& b) {
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

void CheckParts(const DateParts& p) {
    Require(p.year >= 100 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 && p.day <= 31);
    Require(p.hour >= 0 && p.hour <= 23 && p.minute >= 0 && p.minute <= 59 && p.second >= 0 &&
            p.second <= 59);
}

} // namespace

ZARN_FUZZ_TARGET(text) {
    // Each line is one date text, as the clip lines give them one after another.
    DateReader reader;
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        const std::optional<double> date = ToDate(line);
        Require(SameValue(reader.Read(line), date));
        if (const std::optional<double> parsed = ParseDateText(line)) {
            Require(std::isfinite(*parsed));
            CheckParts(PartsFromSerial(*parsed));
        }
        if (date) Require(std::isfinite(*date));
    }
    ForEachDouble(text, [](double v) {
        const DateParts p = PartsFromSerial(v);
        CheckParts(p);
        (void)SerialFromParts(p);
    });
}
