#include "numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zarn {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the text with the blanks taken out, one character at a time.
class BlankSkipper {
public:
    explicit BlankSkipper(std::string_view text) : text_(text) { Skip(); }
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    void Advance() {
        ++pos_;
        Skip();
    }

private:
    void Skip() {
        while (pos_ < text_.size() && IsBlank(text_[pos_]))
            ++pos_;
    }
    std::string_view text_;
    std::size_t pos_ = 0;
};

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

double RadixNumber(BlankSkipper& in, int radix) {
    double value = 0;
    for (int d; !in.AtEnd() && (d = DigitValue(in.Peek())) < radix; in.Advance())
        value = value * radix + d;
    return value;
}

// A buffer that stays on the stack for the usual short fields and grows for absurd ones.
class CharBuffer {
public:
    void Push(char c) {
        if (heap_.empty() && size_ < sizeof(small_)) {
            small_[size_++] = c;
            return;
        }
        if (heap_.empty()) heap_.assign(small_, size_);
        heap_.push_back(c);
        ++size_;
    }
    const char* data() const { return heap_.empty() ? small_ : heap_.data(); }
    std::size_t size() const { return size_; }

private:
    char small_[64];
    std::size_t size_ = 0;
    std::string heap_;
};

} // namespace

std::optional<double> PlainDecimalValue(std::string_view text) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    if (end - p > 16) return std::nullopt; // more than 15 digits and a point
    // The whole digits, then after a point the decimals, each in a loop of its own that tests only
    // for a digit; whatever stops the second one (a second point, any other character) refuses the text.
    std::uint64_t digits = 0;
    const char* c = p;
    for (unsigned digit; c != end && (digit = static_cast<unsigned char>(*c) - unsigned{'0'}) <= 9; ++c)
        digits = digits * 10 + digit;
    const char* point = nullptr;
    if (c != end && *c == '.') {
        point = c++;
        for (unsigned digit; c != end && (digit = static_cast<unsigned char>(*c) - unsigned{'0'}) <= 9; ++c)
            digits = digits * 10 + digit;
    }
    if (c != end) return std::nullopt;
    const auto count = (end - p) - (point ? 1 : 0);
    if (count == 0 || count > 15) return std::nullopt;
    double value = static_cast<double>(digits);
    if (point && point + 1 != end) value /= kPowers[end - point - 1];
    return negative ? -value : value;
}

double LeadingNumber(std::string_view text) {
    // Nearly every number in the station files is plain decimal.
    if (const auto plain = PlainDecimalValue(text)) return *plain;
    BlankSkipper in(text);
    if (in.Peek() == '&') {
        in.Advance();
        const char kind = in.Peek();
        if (kind == 'H' || kind == 'h') {
            in.Advance();
            return RadixNumber(in, 16);
        }
        if (kind == 'O' || kind == 'o') {
            in.Advance();
            return RadixNumber(in, 8);
        }
        return 0;
    }

    // Collect the number without blanks, then convert it in one locale-free step.
    CharBuffer buf;
    bool negative = false;
    if (in.Peek() == '+' || in.Peek() == '-') {
        negative = in.Peek() == '-';
        in.Advance();
    }
    int digits = 0;
    long magnitude = 0; // rough power of ten of the number, to tell overflow from underflow
    bool seenNonZero = false;
    while (IsDigit(in.Peek())) {
        seenNonZero = seenNonZero || in.Peek() != '0';
        if (seenNonZero) ++magnitude;
        buf.Push(in.Peek());
        ++digits;
        in.Advance();
    }
    if (in.Peek() == '.') {
        buf.Push('.');
        in.Advance();
        while (IsDigit(in.Peek())) {
            if (!seenNonZero && in.Peek() == '0') --magnitude;
            seenNonZero = seenNonZero || in.Peek() != '0';
            buf.Push(in.Peek());
            ++digits;
            in.Advance();
        }
    }
    if (digits == 0) return 0;

    const char e = in.Peek();
    if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
        // Only an exponent with at least one digit belongs to the number; reading stops here anyway.
        in.Advance();
        bool expNegative = false;
        if (in.Peek() == '+' || in.Peek() == '-') {
            expNegative = in.Peek() == '-';
            in.Advance();
        }
        if (IsDigit(in.Peek())) {
            buf.Push('e');
            if (expNegative) buf.Push('-');
            long expValue = 0;
            while (IsDigit(in.Peek())) {
                if (expValue < 100000) expValue = expValue * 10 + (in.Peek() - '0');
                buf.Push(in.Peek());
                in.Advance();
            }
            magnitude += expNegative ? -expValue : expValue;
        }
    }

    double value = 0;
    const auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range)
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    else if (ec != std::errc())
        value = 0;
    return negative ? -value : value;
}

bool IsNumericText(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
    int digits = 0;
    while (i < e && IsDigit(text[i]))
        ++i, ++digits;
    if (i < e && text[i] == '.') {
        ++i;
        while (i < e && IsDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < e && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-')) ++i;
        int expDigits = 0;
        while (i < e && IsDigit(text[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == e;
}

double RoundHalfEven(double value) {
    const double low = std::floor(value);
    const double diff = value - low;
    if (diff < 0.5) return low;
    if (diff > 0.5) return low + 1;
    return std::fmod(low, 2.0) == 0 ? low : low + 1;
}

std::int16_t RoundToInt16Clamped(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 32767.0) return 32767;
    if (value <= -32768.0) return -32768;
    return static_cast<std::int16_t>(RoundHalfEven(value));
}

} // namespace zarn
