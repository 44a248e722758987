#include "entry_line.h"

#include "formats.h"
#include "numbers.h"

#include <cstdint>

namespace zarn {

namespace {

// Blocks of the entry line as the record parser builds them.
constexpr std::string_view kDefaultIfbwBlock = "   00.030   ";
constexpr std::string_view kDefaultCorBlock = "20   ";
constexpr std::string_view kDefaultDetBlock = "AM    ";
constexpr std::string_view kPlsRecordBlock = "AM PLS";
constexpr std::string_view kPlsLineBlock = "PLS   ";

std::string_view ClassBlock(SignalClass cls) {
    switch (cls) {
    case SignalClass::Soi:
        return "soi   ";
    case SignalClass::Ids:
        return "ids   ";
    case SignalClass::Unknown:
        break;
    }
    return "?s    ";
}

// Opening and closing marks of a group, both found and exactly one character apart.
std::optional<std::size_t> GroupAt(std::string_view rest, char open, char close) {
    const std::size_t a = rest.find(open);
    const std::size_t b = rest.find(close);
    if (a == std::string_view::npos || b == std::string_view::npos || b < a || b - a != 2)
        return std::nullopt;
    return a;
}

// A column of a line that may be shorter than the layout, padded with spaces so that what follows it
// in a record keeps its place.
void AppendPadded(std::string& out, std::string_view column, std::size_t width) {
    out += column;
    if (column.size() < width) out.append(width - column.size(), ' ');
}

// The value of a text that has exactly the digits of a fixed format ("00000.00000", "00.000"), which
// is how nearly every list file holds its numbers. The integer over a power of ten is rounded once,
// so it is the same double the lenient reader gives.
std::optional<double> FixedFormatValue(std::string_view text, std::size_t intDigits, std::size_t decimals) {
    if (text.size() != intDigits + 1 + decimals || text[intDigits] != '.') return std::nullopt;
    std::uint64_t units = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == intDigits) continue;
        const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
        if (digit > 9) return std::nullopt;
        units = units * 10 + digit;
    }
    double scale = 1;
    for (std::size_t i = 0; i < decimals; ++i)
        scale *= 10;
    return static_cast<double>(units) / scale;
}

} // namespace

std::string_view EntryColumns(std::string_view line, std::size_t first, std::size_t width) {
    if (first == 0 || first > line.size()) return {};
    return line.substr(first - 1, width);
}

std::string_view EntryKey(std::string_view line) {
    return EntryColumns(line, 1, 12);
}
std::string_view EntryFreqText(std::string_view line) {
    return EntryColumns(line, 2, 11);
}
std::string_view EntryIfbwText(std::string_view line) {
    return EntryColumns(line, 16, 6);
}
std::string_view EntryCorText(std::string_view line) {
    return EntryColumns(line, 25, 2);
}
std::string_view EntryDetText(std::string_view line) {
    return EntryColumns(line, 30, 3);
}
std::string_view EntryClassText(std::string_view line) {
    return EntryColumns(line, 36, 3);
}
std::string_view EntryPriorityText(std::string_view line) {
    return EntryColumns(line, 43, 1);
}
bool EntryLockedOut(std::string_view line) {
    return EntryColumns(line, 48, 1) == "x";
}

std::string_view EntryComment(std::string_view line) {
    return line.size() > kEntryLineLength ? line.substr(kEntryLineLength) : std::string_view{};
}

double EntryFrequency(std::string_view line) {
    const std::string_view text = EntryFreqText(line);
    if (const auto v = FixedFormatValue(text, 5, 5)) return *v;
    return LeadingNumber(text);
}

double EntryIfbw(std::string_view line) {
    const std::string_view text = EntryIfbwText(line);
    if (const auto v = FixedFormatValue(text, 2, 3)) return *v;
    return LeadingNumber(text);
}

SignalClass ClassFromText(std::string_view cls) {
    if (cls == "soi") return SignalClass::Soi;
    if (cls == "ids") return SignalClass::Ids;
    return SignalClass::Unknown;
}

std::string MakeEntryLine(std::string_view freq, std::string_view ifbw, std::string_view cor,
                          std::string_view det, SignalClass cls, std::string_view priority, bool lockout,
                          std::string_view comment) {
    std::string line;
    line.reserve(kEntryLineLength + comment.size());
    line += ' ';
    line += freq;
    line += "   ";
    line += ifbw;
    line += "   ";
    line += cor;
    line += "   ";
    line += det;
    line += "   ";
    line += ClassBlock(cls);
    line += ' ';
    line += priority;
    line += "   ";
    line += lockout ? " x   " : "     ";
    line += comment;
    return line;
}

std::optional<std::string> ParseSignalRecord(std::string_view freqField, std::string_view rest) {
    std::string line;
    if (FixedFormatValue(freqField, 5, 5)) {
        // Already in its column's form, as every record this program writes.
        line.reserve(kEntryLineLength + rest.size());
        line += ' ';
        line += freqField;
    } else {
        if (!IsNumericText(freqField)) return std::nullopt;
        const double freq = LeadingNumber(freqField);
        if (!(freq >= 0 && freq < 100000)) return std::nullopt;
        line = FormatNumber(freq, " 00000.00000");
        // 99999.999999 rounds up to 100000 and would push every column one place to the right.
        if (line.size() != 12) return std::nullopt;
    }

    std::size_t p = std::string_view::npos; // closing mark of the last group recognised
    std::string_view ifbw = kDefaultIfbwBlock, cor = kDefaultCorBlock, det = kDefaultDetBlock;
    const std::size_t a = rest.find('[');
    const std::size_t b = rest.find(']');
    if (a != std::string_view::npos && b != std::string_view::npos && b > a && b - a == 26) {
        ifbw = rest.substr(a + 1, 12);
        cor = rest.substr(a + 14, 5);
        det = rest.substr(a + 20, 6);
        if (det == kPlsRecordBlock) det = kPlsLineBlock;
        p = b;
    }

    SignalClass cls = SignalClass::Unknown;
    if (const auto c = GroupAt(rest, '{', '}')) {
        // The code inside is read as a number like every number in the files: "{x}" reads as 0.
        const char digit = rest[*c + 1];
        const int code = digit >= '0' && digit <= '9' ? digit - '0' : 0;
        cls = code == 0 ? SignalClass::Soi : code == 1 ? SignalClass::Ids : SignalClass::Unknown;
        p = *c + 2;
    }

    char priority = '9';
    if (const auto c = GroupAt(rest, '(', ')')) {
        priority = rest[*c + 1];
        p = *c + 2;
    }

    char lockout = ' ';
    if (const auto c = GroupAt(rest, '/', '\\')) {
        lockout = rest[*c + 1];
        p = *c + 2;
    }

    const std::string_view comment = p == std::string_view::npos ? rest : rest.substr(p + 1);
    line.reserve(kEntryLineLength + comment.size());
    line += ifbw;
    line += cor;
    line += det;
    line += ClassBlock(cls);
    line += ' ';
    line += priority;
    line += "   ";
    line += ' ';
    line += lockout;
    line += "   ";
    line += comment;
    return line;
}

std::optional<std::string> ParseSignalRecordLine(std::string_view record) {
    const std::size_t comma = record.find(',');
    if (comma == std::string_view::npos) return ParseSignalRecord(record, {});
    return ParseSignalRecord(record.substr(0, comma), record.substr(comma + 1));
}

void AppendSignalRecord(std::string& out, std::string_view line) {
    AppendPadded(out, EntryFreqText(line), 11);
    out += ",[   ";
    AppendPadded(out, EntryIfbwText(line), 6);
    out += "    ";
    AppendPadded(out, EntryCorText(line), 2);
    out += "    ";
    const std::string_view det = EntryColumns(line, 30, 6);
    if (det == kPlsLineBlock)
        out += kPlsRecordBlock;
    else
        AppendPadded(out, det, 6);
    out += ']';
    const std::string_view cls = EntryClassText(line);
    out += cls == "soi" ? "{0}" : cls == "ids" ? "{1}" : "{2}";
    out += '(';
    AppendPadded(out, EntryPriorityText(line), 1);
    out += ")/";
    AppendPadded(out, EntryColumns(line, 48, 1), 1);
    out += '\\';
    out += EntryComment(line);
}

std::string FormatSignalRecord(std::string_view line) {
    std::string record;
    record.reserve(48 + EntryComment(line).size());
    AppendSignalRecord(record, line);
    return record;
}

} // namespace zarn
