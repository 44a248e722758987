#include "audfile.h"

#include "formats.h"
#include "numbers.h"
#include "paths.h"
#include "textfile.h"

namespace zarn {

namespace {

bool BeginsNoCase(std::string_view line, std::string_view keyword) {
    return line.size() >= keyword.size() && EqualsNoCase(line.substr(0, keyword.size()), keyword);
}

bool IsSmdLine(std::string_view line) {
    return BeginsNoCase(line, "SMD");
}

// Field k of an SMD line: between its k-th and (k+1)-th comma, or to the end of the line when
// no comma follows; "" when the line has fewer than k commas. SMD lines carry more fields than
// event lines, so the eight-field split does not serve here.
std::string_view NthField(std::string_view line, int k) {
    std::size_t begin = 0;
    for (int i = 0; i < k; ++i) {
        const std::size_t comma = line.find(',', begin);
        if (comma == std::string_view::npos) return {};
        begin = comma + 1;
    }
    const std::size_t end = line.find(',', begin);
    return line.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

char LastChar(std::string_view field) {
    return field.empty() ? '\0' : field.back();
}

std::string FrequencyText(std::string_view field) {
    return FormatNumber(LeadingNumber(field), "00000.00000");
}

} // namespace

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
        RowAttributes row;
        row.mode = BandwidthText(LastChar(NthField(line, 3)));
        row.mode += ModeText(LastChar(NthField(line, 5)));
        row.label = FrequencyText(NthField(line, 12));
        row.label += ", ";
        row.label += FrequencyText(NthField(line, 13));
        rows.push_back(std::move(row));
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
