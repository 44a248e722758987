#include "siglist_files.h"

#include "paths.h"

#include <climits>

namespace zarn {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

std::optional<std::string> ReadPointerFile(const std::string& pointerPath) {
    const std::optional<std::string> found = FindPathNoCase(pointerPath);
    if (!found) return std::nullopt;
    std::string bytes;
    if (!ReadFileBytes(*found, bytes)) return std::nullopt;
    std::string_view line;
    if (!LineCursor(bytes).Next(line)) return std::nullopt;
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    // A line longer than any path names no file; looking it up would only cost time.
    if (line.empty() || line.size() >= PATH_MAX) return std::nullopt;
    if (line.front() == '/') return std::string(line);
    return JoinPath(FolderOf(pointerPath), line);
}

FileResult WritePointerFile(const std::string& pointerPath, const std::string& listPath) {
    return ReplaceFileAtomically(pointerPath, listPath + "\r\n");
}

ListFileChoice ChooseListFile(const std::optional<std::string>& pointed, const std::string& defaultList) {
    if (pointed) {
        // The pointer may have been written with another case than the file has on disk.
        const std::optional<std::string> found = FindPathNoCase(*pointed);
        if (found && FileExists(*found)) return {*found, false};
    }
    return {defaultList, !FileExists(defaultList)};
}

std::vector<std::string> ReadCommentFile(const std::string& path) {
    std::vector<std::string> texts;
    std::vector<std::string> lines;
    if (const std::optional<std::string> found = FindPathNoCase(path);
        found && ReadTextLines(*found, lines)) {
        std::size_t i = 0;
        while (i < lines.size() && lines[i] != kCommentMarker)
            ++i;
        for (++i; i < lines.size(); ++i)
            texts.push_back(std::move(lines[i]));
    }
    while (texts.size() < static_cast<std::size_t>(kCommentSlots))
        texts.emplace_back(kUnusedComment);
    return texts;
}

FileResult WriteCommentFile(const std::string& path, const std::vector<std::string>& texts) {
    std::vector<std::string> lines;
    lines.reserve(texts.size() + 1);
    lines.emplace_back(kCommentMarker);
    lines.insert(lines.end(), texts.begin(), texts.end());
    // Rewrite the file that is there, whatever the case of its name.
    return WriteTextLinesAtomically(FindPathNoCase(path).value_or(path), lines);
}

int CommentStoreSlot(const std::vector<std::string>& texts, int clickedSlot) {
    if (clickedSlot >= 0 && clickedSlot < kCommentSlots) return clickedSlot;
    for (int i = 0; i < kCommentSlots && i < static_cast<int>(texts.size()); ++i)
        if (texts[static_cast<std::size_t>(i)] == kUnusedComment) return i;
    return kCommentSlots - 1;
}

std::string ForceSigExtension(std::string_view path) {
    const std::size_t at = path.find_last_of("./\\:");
    if (at == std::string_view::npos) return std::string(path);
    if (path[at] == '.') return std::string(path.substr(0, at + 1)) + "SIG";
    return std::string(path) + ".SIG";
}

std::string SignalListCaption(std::string_view listPath) {
    const std::size_t sep = listPath.find_last_of("/\\");
    return "SIGNAL LIST - [" +
           ToLowerAscii(sep == std::string_view::npos ? listPath : listPath.substr(sep + 1)) + "]";
}

} // namespace zarn
