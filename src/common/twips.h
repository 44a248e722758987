// Window geometry is kept in twips (1440 per logical inch) and turned into pixels here only.
#pragma once

#include <cmath>

namespace zarn {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr double kDefaultDpi = 96.0;

// Rounded to the nearest pixel.
inline int TwipsToPixels(int twips, double dpi = kDefaultDpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}
inline int PixelsToTwips(int pixels, double dpi = kDefaultDpi) {
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi));
}

} // namespace zarn
