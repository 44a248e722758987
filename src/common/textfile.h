// 8-bit text files: read whole into bytes, split into lines, written with CR LF, replaced atomically.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Outcome of a file operation: ok, or the reason in words for the operator and the log.
struct FileResult {
    bool ok = true;
    std::string error;
    static FileResult Success() { return {}; }
    static FileResult Failure(std::string why) { return {false, std::move(why)}; }
    explicit operator bool() const { return ok; }
};

// Reads the whole file into `bytes`. Fails for a missing or unreadable file or a folder.
FileResult ReadFileBytes(const std::string& path, std::string& bytes);

// Walks the lines of a text: a line ends at LF or CR LF; a last line without an end is a line;
// an empty text has no lines. The views point into `text`.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& line);

private:
    std::string_view rest_;
};

std::vector<std::string> SplitLines(std::string_view text);

// How many lines a LineCursor finds in the text.
std::size_t LineCount(std::string_view text);

// Reads a text file's lines (LF or CR LF ends).
FileResult ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Joins lines, each followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

// Replaces (or creates) `path` with `bytes` so that a crash or a full disk at any moment
// leaves either the complete old content or the complete new content: the bytes go to a
// temporary file in the same folder, are flushed to disk, and the temporary file is renamed
// over `path`. On failure the temporary file is removed and the old file is untouched.
FileResult ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// ReplaceFileAtomically of the lines joined with CR LF.
FileResult WriteTextLinesAtomically(const std::string& path, const std::vector<std::string>& lines);

// Removes what replacements killed half way left in `folder`: regular files named ".NAME.XXXXXX"
// (six letters or digits, as the replacement makes them) whose NAME ends in one of `extensions`
// (".SIG", compared without regard to case), and that nothing has touched for `minAgeSeconds`, so
// that another running copy's replacement in progress is never hit. Returns how many went.
int RemoveStaleTemporaries(const std::string& folder, const std::vector<std::string>& extensions,
                           long minAgeSeconds = 60);

} // namespace zarn
