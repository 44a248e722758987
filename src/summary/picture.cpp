#include "picture.h"

#include "indexed.h"
#include "entry_line.h"
#include "eventline.h"
#include "formats.h"
#include "numbers.h"

#include <algorithm>
#include <cmath>

namespace zarn {

std::uint32_t LevelColour(double level) {
    struct Range {
        double low, high;
        std::uint32_t rgb;
    };
    static constexpr Range kRanges[] = {
        {-174, -100, 0x000080}, {-99, -90, 0x008080}, {-89, -80, 0x00FFFF}, {-79, -70, 0x808000},
        {-69, -60, 0xFFFF00},   {-59, -50, 0x800000}, {-49, -40, 0xFF0000},
    };
    for (const Range& r : kRanges)
        if (level >= r.low && level <= r.high) return r.rgb;
    return 0xFF00FF; // also NaN and the gaps between the ranges
}

std::vector<Bar> BarsOf(const ClipTable& table) {
    std::vector<Bar> bars;
    bars.reserve(static_cast<std::size_t>(std::max(table.ClipCount, 0)));
    const int last = std::min(table.ClipCount, static_cast<int>(table.Place.size()) - 1);
    for (int i = 1; i <= last; ++i) {
        const ClipPlace& p = At(table.Place, i);
        if (p.row < 1) continue; // no place in the picture
        Bar b;
        b.x1 = p.x1;
        b.x2 = p.x2 - p.x1 < 1 ? p.x1 + 1 : p.x2;
        b.row = p.row;
        b.rgb = LevelColour(LeadingNumber(table.ClipLine.Field(i, ClipFieldId::Level)));
        bars.push_back(b);
    }
    return bars;
}

int RowOfY(double y, long rowCount) {
    const long last = rowCount < 1 ? 1 : rowCount;
    if (!(y > 0)) return 1; // also NaN
    if (y >= static_cast<double>(last)) return static_cast<int>(last);
    const long r = static_cast<long>(std::ceil(y));
    return static_cast<int>(r < 1 ? 1 : r);
}

double TimeOfX(double x, double segStart, int secondsPerUnit) {
    return segStart + x * secondsPerUnit / 86400.0;
}

int HoverClipOf(const std::vector<ClipTriple>& row, double x, double scaleWidth) {
    // Single precision on purpose: the tolerance's edges (97.996 for x1 = 100 at width 1002)
    // then fall where the operator sees them, not a rounding error inside or outside.
    const float d = static_cast<float>(scaleWidth) / 500.0f;
    const float fx = static_cast<float>(x);
    int hovered = 0;
    for (const ClipTriple& t : row)
        if (static_cast<float>(t.x1) - d <= fx && fx <= static_cast<float>(t.x2) + d) hovered = t.clip;
    return hovered;
}

std::string NumberLabel(CollectionType type) {
    return type == CollectionType::Priority ? "Chnl#" : "Track#";
}

std::string RowText(CollectionType type, int row, bool selection) {
    std::string text = NumberLabel(type) + (selection ? "  " : " ");
    return text + FormatNumber(row, "000");
}

std::string TimeText(std::string_view prefix, double date) {
    return std::string(prefix) + FormatDateTime(date);
}

std::string FreqText(double mhz) {
    return "F:  " + FormatNumber(mhz, "0000.0000") + " M";
}

std::string HoverLevelText(std::string_view levelField) {
    return std::string(levelField) + " dBm";
}

std::string SelectedLevelText(std::string_view levelField) {
    const std::size_t first = levelField.find_first_not_of(' ');
    if (first == std::string_view::npos) return " dBm";
    const std::size_t last = levelField.find_last_not_of(' ');
    return std::string(levelField.substr(first, last - first + 1)) + " dBm";
}

std::string IfbwText(double bandwidthMHz, std::string_view rowMode) {
    const std::string_view tail = rowMode.size() > 5 ? rowMode.substr(rowMode.size() - 5) : rowMode;
    return "IFBW: " + FormatNumber(bandwidthMHz * 1000, "000") + "KHz" + std::string(tail);
}

std::string StatusText(std::string_view entryLine) {
    if (entryLine.empty()) return std::string(kNoSignalStatus);
    return "   <" + std::string(EntryClassText(entryLine)) + ">,   " +
           std::string(EntryColumns(entryLine, 42, std::string_view::npos));
}

} // namespace zarn
