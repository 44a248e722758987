// The summary picture's arithmetic: level colours, the bars of a table, rows and times under the
// pointer, the hovered clip and the readout texts.
#pragma once

#include "clip_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// 0xRRGGBB of a level in dBm; the closed ranges -174..-100 blue, -99..-90 cyan, -89..-80 light
// cyan, -79..-70 brown, -69..-60 light yellow, -59..-50 red, -49..-40 light red; anything else
// (also the gaps between the ranges) light magenta.
std::uint32_t LevelColour(double level);

// One bar: clip from x1 to x2 (at least one unit wide) across row `row`, in its level colour.
struct Bar {
    int x1 = 0, x2 = 0;
    int row = 0;
    std::uint32_t rgb = 0;
};
// The bars of every placed clip in clip order (later clips are drawn over earlier ones).
std::vector<Bar> BarsOf(const ClipTable& table);

// Row under vertical position y (rows from 1): y rounded up, 1 when that gives 0 or less,
// RowCount when beyond the last row.
int RowOfY(double y, long rowCount);

// The date under horizontal position x.
double TimeOfX(double x, double segStart, int secondsPerUnit);

// The clip of `row` under x: the last triple with x1 - d <= x <= x2 + d, d = scaleWidth / 500,
// compared in single precision. 0 when none.
int HoverClipOf(const std::vector<ClipTriple>& row, double x, double scaleWidth);

// Readout texts.
// What a row counts: "Chnl#" for a PRIORITY collection, "Track#" for the others.
std::string NumberLabel(CollectionType type);
std::string RowText(CollectionType type, int row, bool selection); // "Chnl# 003" / "Track#  003"
std::string TimeText(std::string_view prefix, double date);        // prefix + "mm/dd/yy hh:mm:ss"
std::string FreqText(double mhz);                                  // "F:  0145.0100 M"
inline constexpr std::string_view kNoFreqText = "F:  ----.---- M";
std::string HoverLevelText(std::string_view levelField);    // field unchanged + " dBm"
std::string SelectedLevelText(std::string_view levelField); // field trimmed + " dBm"
// "IFBW: " + bandwidth in KHz as "000" + "KHz" + the last five characters of the row's mode text.
std::string IfbwText(double bandwidthMHz, std::string_view rowMode);
// "   <" + class + ">,   " + the entry line from column 42; kNoSignalStatus for an empty line (the
// signal is not in the list).
std::string StatusText(std::string_view entryLine);
inline constexpr std::string_view kNoSignalStatus = "   < . . . >";

} // namespace zarn
