#include "audfile.h"

#include "formats.h"
#include "numbers.h"
#include "textfile.h"

namespace zarn {

namespace {

// Whether the line begins with the keyword of three capitals, in either case. Every line of an AUD
// file of up to 32767 channels is tested, so this is written out: a letter and its capital differ
// in one bit only, and setting that bit makes no other character either of them.
bool BeginsNoCase(std::string_view line, const char (&keyword)[4]) {
    const auto lower = [](char c) { return static_cast<char>(c | 0x20); };
    return line.size() >= 3 && lower(line[0]) == lower(keyword[0]) && lower(line[1]) == lower(keyword[1]) &&
           lower(line[2]) == lower(keyword[2]);
}

bool IsSmdLine(std::string_view line) {
    return BeginsNoCase(line, "SMD");
}

// Fields 0..13 of an SMD line, each between its commas, the last one found running to the end of
// the line when no comma follows it; "" for a field beyond the line's commas. SMD lines carry more
// fields than event lines, so the eight-field split does not serve here. One walk along the line
// finds them all: an AUD file may describe up to 32767 channels.
struct SmdFields {
    static constexpr int kCount = 14;
    std::string_view field[kCount];
    explicit SmdFields(std::string_view line) {
        std::size_t begin = 0;
        int k = 0;
        for (std::size_t i = 0; i < line.size() && k < kCount; ++i) {
            if (line[i] != ',') continue;
            field[k++] = line.substr(begin, i - begin);
            begin = i + 1;
        }
        if (k < kCount) field[k] = line.substr(begin);
    }
};

char LastChar(std::string_view field) {
    return field.empty() ? '\0' : field.back();
}

// "00000.00000" straight from the digits of a plain field: no sign, at most 5 whole digits once
// leading zeros are left off, at most 5 decimals. The field's value has at most 10 significant
// digits, which the double keeps exactly enough for the formatting to give these digits back, so
// this is what FormatNumber makes of LeadingNumber's value; appended to out. False (and out
// unchanged) for any other field.
bool PlainFrequencyText(std::string_view field, std::string& out) {
    if (field.empty() || field.size() > 11) return false;
    std::size_t point = field.size();
    for (std::size_t k = 0; k < field.size(); ++k) {
        const char c = field[k];
        if (c == '.' && point == field.size())
            point = k;
        else if (c < '0' || c > '9')
            return false;
    }
    if (field.size() == 1 && point == 0) return false; // "." alone has no digits
    std::string_view whole = field.substr(0, point);
    const std::string_view decimals = point < field.size() ? field.substr(point + 1) : std::string_view{};
    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    if (whole.size() > 5 || decimals.size() > 5) return false;
    const std::size_t at = out.size();
    out += "00000.00000";
    whole.copy(out.data() + at + 5 - whole.size(), whole.size());
    decimals.copy(out.data() + at + 6, decimals.size());
    return true;
}

// The field's frequency as "00000.00000", appended to out.
void AppendFrequencyText(std::string_view field, std::string& out) {
    // An SMD line carries two of these for each of up to 32767 channels.
    if (!PlainFrequencyText(field, out)) out += FormatNumber(LeadingNumber(field), "00000.00000");
}

} // namespace

bool HasSpectralLine(std::string_view audText) {
    LineCursor cursor(audText);
    for (std::string_view line; cursor.Next(line);)
        if (BeginsNoCase(line, "SPE")) return true;
    return false;
}

AudClassification ClassifyAud(std::string_view audText) {
    constexpr int kSpectralSmdCount = 100;
    AudClassification result{CollectionType::Priority, 0};
    bool spectralLine = false;
    std::string_view line11, line100;
    LineCursor cursor(audText);
    std::string_view line;
    while (cursor.Next(line)) {
        if (!spectralLine && BeginsNoCase(line, "SPE")) spectralLine = true;
        if (!IsSmdLine(line)) continue;
        ++result.smdLines;
        if (result.smdLines == 11) line11 = line;
        if (result.smdLines == kSpectralSmdCount) line100 = line;
    }
    if (spectralLine || (result.smdLines == kSpectralSmdCount && line11 == line100))
        result.type = CollectionType::Spectral;
    return result;
}

std::vector<RowAttributes> ReadRowAttributes(std::string_view audText) {
    std::vector<RowAttributes> rows;
    LineCursor cursor(audText);
    std::string_view line;
    while (cursor.Next(line)) {
        if (!IsSmdLine(line)) continue;
        const SmdFields f(line);
        RowAttributes& row = rows.emplace_back();
        row.mode = BandwidthText(LastChar(f.field[3]));
        row.mode += ModeText(LastChar(f.field[5]));
        row.label.reserve(24); // "00000.00000, 00000.00000" in one allocation
        AppendFrequencyText(f.field[12], row.label);
        row.label += ", ";
        AppendFrequencyText(f.field[13], row.label);
    }
    return rows;
}

std::string_view BandwidthText(char code) {
    switch (code) {
    case '1':
        return ", 010KHz";
    case '2':
        return ", 030KHz";
    case '3':
        return ", 100KHz";
    default:
        return ", 300KHz";
    }
}

std::string_view ModeText(char code) {
    switch (code) {
    case '1':
        return ", AM ";
    case '2':
        return ", FM ";
    case '3':
        return ", CW ";
    case '4':
        return ", PLS";
    case '5':
        return ", USB";
    case '6':
        return ", LSB";
    case '7':
        return ", ISB";
    default:
        return ", IFT";
    }
}

} // namespace zarn
