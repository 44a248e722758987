// The small companion files of the signal list editor, and the naming rules of its file commands.
#pragma once

#include "textfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

inline constexpr const char* kDefaultListName = "~FREQ.SIG"; // the default list file
inline constexpr const char* kPointerFileName = "~FREQ.~IG"; // names the current list file
inline constexpr const char* kCommentFileName = "~Freq.Cmt"; // the comment chooser's texts
inline constexpr const char* kCommentMarker = "[Signal List Comments]";
inline constexpr const char* kUnusedComment = "Unused";
inline constexpr int kCommentSlots = 20;

// The first line of the pointer file; no value when the file is missing, unreadable or empty.
// A relative path in it is taken relative to the pointer file's folder.
std::optional<std::string> ReadPointerFile(const std::string& pointerPath);
// Rewrites the pointer file with one line, the list file's full path, ended by CR LF.
FileResult WritePointerFile(const std::string& pointerPath, const std::string& listPath);

// Which list file is current after a window load, given the pointer file's line (if any).
// When the named file is missing the default list becomes current. `createDefault` tells the caller
// to create the default list empty because no file of that name exists; an existing default list is
// loaded, never emptied.
struct ListFileChoice {
    std::string path;
    bool createDefault = false;
};
ListFileChoice ChooseListFile(const std::optional<std::string>& pointed, const std::string& defaultList);

// The comment texts: the lines after the marker line, padded with "Unused" to 20. A missing file or
// one without the marker gives 20 "Unused" texts. The file is looked up case-insensitively.
std::vector<std::string> ReadCommentFile(const std::string& path);
FileResult WriteCommentFile(const std::string& path, const std::vector<std::string>& texts);

// Where Enter in the comment chooser stores its text: the clicked slot (0-19), else the first
// "Unused" slot, else slot 19.
int CommentStoreSlot(const std::vector<std::string>& texts, int clickedSlot);

// Save As forces the extension SIG: from the end of the path, a "." met first has everything after
// it replaced by "SIG"; a folder separator ("/", "\" or ":") met first gets ".SIG" appended; a path
// with none of these is used unchanged.
std::string ForceSigExtension(std::string_view path);

// The window caption for a list file: "SIGNAL LIST - [" + its file name in lower case + "]".
std::string SignalListCaption(std::string_view listPath);

} // namespace zarn
