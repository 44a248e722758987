#include "clip_text.h"

#include "entry_line.h"
#include "textfile.h"

namespace zarn {

std::string SignalListClipText(const std::vector<std::string_view>& lines) {
    std::string text(kSignalListHeader);
    text += "\r\n";
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string FrequencyClipText(const std::vector<std::string_view>& lines) {
    std::string text;
    text.reserve(lines.size() * 13);
    for (std::string_view line : lines) {
        text += EntryFreqText(line);
        text += "\r\n";
    }
    return text;
}

std::optional<std::vector<std::string>> PastedSignalLines(std::string_view text) {
    if (text.substr(0, kSignalListHeader.size()) != kSignalListHeader) return std::nullopt;
    std::vector<std::string> lines;
    // Entries start on the line after the header; anything else on the header's line is not an entry.
    const std::size_t end = text.find('\n', kSignalListHeader.size());
    if (end == std::string_view::npos) return lines;
    LineCursor cursor(text.substr(end + 1));
    for (std::string_view line; cursor.Next(line);)
        if (!line.empty()) lines.emplace_back(line);
    return lines;
}

} // namespace zarn
