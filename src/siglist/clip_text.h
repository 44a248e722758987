// The clipboard texts of the signal list: entries in the list's own format, and bare frequencies.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

inline constexpr std::string_view kSignalListHeader = "[SIGNAL LIST DATA FORMAT]";

// The header line, then each entry line, every line ended by CR LF.
std::string SignalListClipText(const std::vector<std::string_view>& lines);
// Columns 2-12 of each entry line, each ended by CR LF; no header.
std::string FrequencyClipText(const std::vector<std::string_view>& lines);

// The entry lines of a clipboard text, in order, as they stand. No value when the text does not
// start with the header. Lines end in CR LF or LF; a last line without an end is taken whole;
// empty lines are skipped.
std::optional<std::vector<std::string>> PastedSignalLines(std::string_view text);

} // namespace zarn
