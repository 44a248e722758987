#include "clip_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zarn {

void ClipLineTable::Reset(int count) {
    count_ = std::max(count, 0);
    buffer_.assign((static_cast<std::size_t>(count_) + 1) * kStride, ' ');
    length_.assign(static_cast<std::size_t>(count_) + 1, 0);
}

void ClipLineTable::Set(int i, std::string_view line) {
    const std::size_t n = std::min<std::size_t>(line.size(), kClipLineLength);
    char* at = buffer_.data() + Offset(i);
    std::copy_n(line.data(), n, at);
    std::fill(at + n, at + kClipLineLength, ' ');
    length_[static_cast<std::size_t>(i)] = kClipLineLength;
}

void ClipLineTable::ReplaceNumberField(int i, long number) {
    const std::string_view line = (*this)[i];
    const std::size_t first = line.find(',');
    if (first == std::string_view::npos) return;
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos) return;
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    (void)ec;
    const std::size_t numberLength = static_cast<std::size_t>(end - digits);
    // The tail after the field moves to its new place; whatever does not fit the stride is cut.
    std::string tail(line.substr(second));
    std::size_t length = first + 1 + numberLength + tail.size();
    if (length > kStride) {
        tail.resize(tail.size() - (length - kStride));
        length = kStride;
    }
    char* at = buffer_.data() + Offset(i);
    std::copy_n(digits, numberLength, at + first + 1);
    std::copy_n(tail.data(), tail.size(), at + first + 1 + numberLength);
    length_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length);
}

void ClipLineTable::Truncate(int count) {
    if (count < 0 || count >= count_) return;
    count_ = count;
    buffer_.resize((static_cast<std::size_t>(count_) + 1) * kStride);
    length_.resize(static_cast<std::size_t>(count_) + 1);
}

TimeScale ComputeTimeScale(double seconds) {
    // Rounded to a long (halves to even), then halved with the same rounding while 2001 or more.
    auto roundLong = [](double v) { return static_cast<long>(std::nearbyint(v)); };
    TimeScale scale;
    long u = roundLong(seconds);
    while (u >= 2001) {
        u = roundLong(static_cast<double>(u) / 2.0);
        scale.secondsPerUnit *= 2;
    }
    scale.widthUnits = u;
    return scale;
}

} // namespace zarn

// PENDING: placeholders until the table build is written.
namespace zarn {
ClipTable BuildClipTable(const ClipTableInput&, const ClipTableHooks&) {
    return {};
}
RowMatcher::RowMatcher(const SignalBands* signalBands, double defaultIfbw)
    : signals_(signalBands), defaultIfbw_(defaultIfbw) {}
RowMatcher::Match RowMatcher::MatchClipRow(double) {
    return {};
}
} // namespace zarn
