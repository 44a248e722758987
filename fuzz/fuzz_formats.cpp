// The display formats, for any double, with every picture the programs use.
#include "formats.h"
#include "fuzz_support.h"
#include "numbers.h"

#include <cmath>

using namespace zarn;

namespace {

constexpr std::string_view kPictures[] = {"000",         "00",           "0",      "0000.0000",
                                          "00000.00000", " 00000.00000", "00.000", "00.00"};

void Check(double v) {
    for (std::string_view picture : kPictures) {
        const std::string s = FormatNumber(v, picture);
        Require(!s.empty());
        if (std::isfinite(v)) {
            // The integer part only grows, so the decimals stay where the picture puts them.
            const std::size_t point = picture.find('.');
            if (point != std::string_view::npos)
                Require(s.size() >= picture.size() && s[s.size() - (picture.size() - point)] == '.');
            Require(s.find_first_not_of(" -.0123456789") == std::string::npos);
        }
    }
    const std::string general = FormatGeneral(v);
    Require(!general.empty() && general.size() <= 24);
    // The general form reads back to the value within its 15 digits (near the largest double the
    // rounded digits may lie beyond it).
    if (std::isfinite(v) && v != 0 && std::fabs(v) < 1e308) {
        const double back = LeadingNumber(general);
        Require(std::fabs(back - v) <= std::fabs(v) * 1e-14);
    }
    Require(FormatDateTime(v).size() >= 17);
    (void)FormatDateTimeAmPm(v);
}

} // namespace

ZARN_FUZZ_TARGET(text) {
    ForEachDouble(text, Check);
    // Also the value a text gives, the way captions and fields are formatted after reading.
    Check(LeadingNumber(text));
}
