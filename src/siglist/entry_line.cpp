#include "entry_line.h"

#include "formats.h"
#include "numbers.h"
#include "record_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first place of each group mark in a record's rest, found in one pass: the groups are read by
// the first "[", "]", "{", "}", "(", ")", "/" and "\\" of the rest, wherever they stand.
enum Mark {
    kBracketOpen,
    kBracketClose,
    kClassOpen,
    kClassClose,
    kPriOpen,
    kPriClose,
    kLockOpen,
    kLockClose
};
constexpr int kMarkCount = kRecordMarkCount;

struct MarkTable {
    signed char index[256];
    constexpr MarkTable() : index{} {
        for (signed char& i : index)
            i = -1;
        for (int m = 0; m < kMarkCount; ++m)
            index[static_cast<unsigned char>(kRecordMarks[m])] = static_cast<signed char>(m);
    }
};
constexpr MarkTable kMarks;

// Per position of the standard layout, the mark that stands there, or -1.
struct StandardLayout {
    signed char mark[kRecordLayoutLength];
    constexpr StandardLayout() : mark{} {
        for (signed char& m : mark)
            m = -1;
        for (int m = 0; m < kMarkCount; ++m)
            mark[kRecordLayoutPlaces[m]] = static_cast<signed char>(m);
    }
};
constexpr StandardLayout kLayout;

#if defined(__SSE2__)
// Bit i set when p[i] is a group mark, for the 16 characters from p. Inlined at every optimisation
// level: three of these settle nearly every record.
[[gnu::always_inline]] inline unsigned MarkBits16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto is = [&v](char mark) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(mark)); };
    const __m128i brackets = _mm_or_si128(is('['), is(']'));
    const __m128i braces = _mm_or_si128(is('{'), is('}'));
    const __m128i parentheses = _mm_or_si128(is('('), is(')'));
    const __m128i slashes = _mm_or_si128(is('/'), is('\\'));
    const __m128i any = _mm_or_si128(_mm_or_si128(brackets, braces), _mm_or_si128(parentheses, slashes));
    return static_cast<unsigned>(_mm_movemask_epi8(any));
}

// The standard layout's mark places as bits.
constexpr std::uint64_t kLayoutBits = [] {
    std::uint64_t bits = 0;
    for (const std::size_t place : kRecordLayoutPlaces)
        bits |= std::uint64_t{1} << place;
    return bits;
}();
#endif

// The class of a class group's code. The code is read as a number like every number in the files,
// so "{x}" reads as 0.
SignalClass ClassOfCode(char digit) {
    const int code = digit >= '0' && digit <= '9' ? digit - '0' : 0;
    return code == 0 ? SignalClass::Soi : code == 1 ? SignalClass::Ids : SignalClass::Unknown;
}

struct MarkPlaces {
    std::size_t at[kMarkCount];
    bool standard = false; // the marks stand where this program writes them
    explicit MarkPlaces(std::string_view rest) {
        // Nearly every record has the standard layout: one check of its 36 characters settles all
        // eight marks.
        if (HasStandardRecordLayout(rest)) {
            std::copy(std::begin(kRecordLayoutPlaces), std::end(kRecordLayoutPlaces), at);
            standard = true;
            return;
        }
        for (std::size_t& a : at)
            a = std::string_view::npos;
        int missing = kMarkCount;
        for (std::size_t i = 0; i < rest.size() && missing > 0; ++i) {
            const int m = kMarks.index[static_cast<unsigned char>(rest[i])];
            if (m >= 0 && at[m] == std::string_view::npos) {
                at[m] = i;
                --missing;
            }
        }
    }
    // Opening and closing marks of a group, both found and exactly one character apart.
    std::optional<std::size_t> Group(Mark open, Mark close) const {
        const std::size_t a = at[open], b = at[close];
        if (a == std::string_view::npos || b == std::string_view::npos || b < a || b - a != 2)
            return std::nullopt;
        return a;
    }
};

// A column of a line that may be shorter than the layout, padded with spaces so that what follows it
// in a record keeps its place.
void AppendPadded(std::string& out, std::string_view column, std::size_t width) {
    out += column;
    if (column.size() < width) out.append(width - column.size(), ' ');
}

} // namespace

bool HasStandardRecordLayoutPlain(std::string_view rest) {
    if (rest.size() < kRecordLayoutLength) return false;
    int differ = 0;
    for (std::size_t i = 0; i < kRecordLayoutLength; ++i)
        differ |= kMarks.index[static_cast<unsigned char>(rest[i])] ^ kLayout.mark[i];
    return differ == 0;
}

bool HasStandardRecordLayout(std::string_view rest) {
#if defined(__SSE2__)
    if (rest.size() < kRecordLayoutLength) return false;
    // Where the marks are, from three overlapping blocks of 16 (0-15, 16-31, 20-35); then whether
    // each place holds its own mark.
    const char* p = rest.data();
    const std::uint64_t marks = MarkBits16(p) | std::uint64_t{MarkBits16(p + 16)} << 16 |
                                std::uint64_t{MarkBits16(p + 20)} << 20;
    if (marks != kLayoutBits) return false;
    // The eight places written out, so that each is one comparison with a constant at -O2 as well.
    const auto differs = [p](int m) {
        return static_cast<unsigned char>(p[kRecordLayoutPlaces[m]]) ^ static_cast<unsigned char>(kRecordMarks[m]);
    };
    const unsigned differ = differs(0) | differs(1) | differs(2) | differs(3) | differs(4) | differs(5) |
                            differs(6) | differs(7);
    return differ == 0;
#else
    return HasStandardRecordLayoutPlain(rest);
#endif
}

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
    if (const auto v = FixedDecimalValue<5, 5>(text)) return *v;
    return LeadingNumber(text);
}

double EntryIfbw(std::string_view line) {
    const std::string_view text = EntryIfbwText(line);
    if (const auto v = FixedDecimalValue<2, 3>(text)) return *v;
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

namespace {

// The first 12 columns of the entry line from a record's frequency field, into `key`; false when the
// field is not a usable frequency. `freq` gets the frequency as EntryFrequency reads it from the line.
bool FrequencyColumns(std::string_view freqField, char (&key)[12], double& freq) {
    if (const auto fixed = FixedDecimalValue<5, 5>(freqField)) {
        freq = *fixed;
        // Already in its column's form, as every record this program writes.
        key[0] = ' ';
        std::memcpy(key + 1, freqField.data(), 11);
        return true;
    }
    if (!IsNumericText(freqField)) return false;
    const double value = LeadingNumber(freqField);
    if (!(value >= 0 && value < 100000)) return false;
    const std::string text = FormatNumber(value, " 00000.00000");
    // 99999.999999 rounds up to 100000 and would push every column one place to the right.
    if (text.size() != 12) return false;
    freq = EntryFrequency(text);
    std::memcpy(key, text.data(), 12);
    return true;
}

// The groups of a record after its frequency field, defaulted where a group is missing.
struct RecordGroups {
    std::string_view ifbw = kDefaultIfbwBlock, cor = kDefaultCorBlock, det = kDefaultDetBlock;
    SignalClass cls = SignalClass::Unknown;
    char priority = '9';
    char lockout = ' ';
    std::size_t end = std::string_view::npos; // closing mark of the last group recognised
    bool standard = false; // every mark where this program writes it, and no other mark among them
};

RecordGroups ReadRecordGroups(std::string_view rest) {
    RecordGroups g;
    const MarkPlaces marks(rest);
    if (marks.standard) {
        // Every group where this program writes it: the blocks lie at fixed places.
        g.ifbw = rest.substr(1, 12);
        g.cor = rest.substr(14, 5);
        g.det = rest.substr(20, 6);
        g.cls = ClassOfCode(rest[28]);
        g.priority = rest[31];
        g.lockout = rest[34];
        g.end = 35;
        g.standard = true;
    } else {
        const std::size_t a = marks.at[kBracketOpen];
        const std::size_t b = marks.at[kBracketClose];
        if (a != std::string_view::npos && b != std::string_view::npos && b > a && b - a == 26) {
            g.ifbw = rest.substr(a + 1, 12);
            g.cor = rest.substr(a + 14, 5);
            g.det = rest.substr(a + 20, 6);
            g.end = b;
        }
        if (const auto c = marks.Group(kClassOpen, kClassClose)) {
            g.cls = ClassOfCode(rest[*c + 1]);
            g.end = *c + 2;
        }
        if (const auto c = marks.Group(kPriOpen, kPriClose)) {
            g.priority = rest[*c + 1];
            g.end = *c + 2;
        }
        if (const auto c = marks.Group(kLockOpen, kLockClose)) {
            g.lockout = rest[*c + 1];
            g.end = *c + 2;
        }
    }
    if (g.det == kPlsRecordBlock) g.det = kPlsLineBlock;
    return g;
}

// Copies a block of `Width` characters to `t` and moves past it. Every block of the line has its
// fixed width: the defaults, the class texts, and the record's own blocks, which are cut from a rest
// long enough to hold them.
template <std::size_t Width> void PutBlock(char*& t, std::string_view block) {
    std::memcpy(t, block.data(), Width);
    t += Width;
}

// Writes columns 13-51 of the entry line, built from the record's groups, to `tail`.
void PutFixedColumns(char* tail, const RecordGroups& g) {
    char* t = tail;
    PutBlock<12>(t, g.ifbw);
    PutBlock<5>(t, g.cor);
    PutBlock<6>(t, g.det);
    PutBlock<6>(t, ClassBlock(g.cls));
    *t++ = ' ';
    *t++ = g.priority;
    PutBlock<4>(t, "    ");
    *t++ = g.lockout;
    PutBlock<3>(t, "   ");
    // A foreign record's block may hold more than a record can carry back. Of the bracket's blocks
    // only the bandwidth (columns 16-21) and the COR (25-26) are written, so stray characters beside
    // them are blanked; and a group mark in a field would, once written, hide the groups after it
    // from the next load, whose comment would then grow by them on every save and load.
    std::memset(tail, ' ', 3);
    std::memset(tail + 9, ' ', 3);
    std::memset(tail + 14, ' ', 3);
    // In the standard layout the blocks were checked to hold no mark, so there is nothing to blank.
    if (g.standard) return;
    for (char* c = tail; c != t; ++c)
        if (kMarks.index[static_cast<unsigned char>(*c)] >= 0) *c = ' ';
    // Blanking a mark can leave the record form of PLS ("AM(PLS" becomes "AM PLS"); a save writes
    // the line form back as that, so it must read as PLS already now.
    if (char* mode = tail + 17; std::string_view(mode, 6) == kPlsRecordBlock)
        std::memcpy(mode, kPlsLineBlock.data(), kPlsLineBlock.size());
}

// The record parser; `freq` gets the entry's frequency as EntryFrequency reads it from the line.
std::optional<std::string> ParseRecord(std::string_view freqField, std::string_view rest, double& freq) {
    char key[12];
    if (!FrequencyColumns(freqField, key, freq)) return std::nullopt;
    const RecordGroups groups = ReadRecordGroups(rest);
    const std::string_view comment =
        groups.end == std::string_view::npos ? rest : rest.substr(groups.end + 1);
    // The line is made at its final size once, and every column written in place.
    std::optional<std::string> line(std::in_place, kEntryLineLength + comment.size(), ' ');
    char* out = line->data();
    std::memcpy(out, key, sizeof key);
    PutFixedColumns(out + 12, groups);
    if (!comment.empty()) std::memcpy(out + kEntryLineLength, comment.data(), comment.size());
    return line;
}

} // namespace

std::optional<std::string> ParseSignalRecord(std::string_view freqField, std::string_view rest) {
    double freq = 0;
    return ParseRecord(freqField, rest, freq);
}

std::optional<std::string> ParseSignalRecordLine(std::string_view record, double& freq) {
    const std::size_t comma = record.find(',');
    if (comma == std::string_view::npos) return ParseRecord(record, {}, freq);
    return ParseRecord(record.substr(0, comma), record.substr(comma + 1), freq);
}

std::optional<std::string> ParseSignalRecordLine(std::string_view record) {
    double freq = 0;
    return ParseSignalRecordLine(record, freq);
}

void AppendSignalRecord(std::string& out, std::string_view line) {
    if (line.size() >= kEntryLineLength) {
        // A whole entry line: the 48 characters of the record's fixed part are put in place at once.
        const std::string_view comment = line.substr(kEntryLineLength);
        const std::size_t start = out.size();
        out.resize(start + 48 + comment.size());
        char* o = out.data() + start;
        const char* l = line.data();
        const std::string_view det = line.substr(29, 6);
        const std::string_view cls = line.substr(35, 3);
        std::memcpy(o, l + 1, 11);
        std::memcpy(o + 11, ",[   ", 5);
        std::memcpy(o + 16, l + 15, 6);
        std::memcpy(o + 22, "    ", 4);
        std::memcpy(o + 26, l + 24, 2);
        std::memcpy(o + 28, "    ", 4);
        std::memcpy(o + 32, det == kPlsLineBlock ? kPlsRecordBlock.data() : det.data(), 6);
        std::memcpy(o + 38, "]{", 2);
        o[40] = cls == "soi" ? '0' : cls == "ids" ? '1' : '2';
        std::memcpy(o + 41, "}(", 2);
        o[43] = l[42];
        std::memcpy(o + 44, ")/", 2);
        o[46] = l[47];
        o[47] = '\\';
        if (!comment.empty()) std::memcpy(o + 48, comment.data(), comment.size());
        return;
    }
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
