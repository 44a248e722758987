// File, Export...: a new one-segment event file holding the chosen clips, with renumbered copies
// of their WAV files beside it.
#pragma once

#include "textfile.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

struct ExportNames {
    std::string targetFile;   // the chosen path, its title from its first "." on replaced by ".EVA"
    std::string base;         // the chosen file title up to its first ".", at most four characters
    std::string targetFolder; // the chosen path up to and including its last "/"
    bool ok = false;          // false when the title gives no base (nothing to name the clips by)
};
ExportNames ExportNamesOf(std::string_view chosenPath);

// base + k formatted "0000" + ".WAV".
std::string ExportClipName(std::string_view base, int k);

struct ExportInput {
    double segStart = 0, segStop = 0; // dates of the selected segment
    std::vector<std::string> lines;   // ClipLine of each play-list clip, in play-list order
    std::string eventFileName;        // the open event file (its clips are the sources)
    std::string eventFolder;          // ending in "/"
};

// The six kinds of lines: creator, START with the segment start and first clip's name, one WAV
// line per clip (new name + the clip line from its first comma), STOP with the segment stop and
// last clip's name. CR LF ended.
std::string ExportText(const ExportNames& names, const ExportInput& input);

// True when writing the new clips would replace clip files of the open event file: the target
// folder is the event file's folder and a new clip name equals one of its clip files' names
// (without regard to case).
bool ExportWouldOverwriteSource(const ExportNames& names, const ExportInput& input);

// Copies the clips (each to a temporary name beside its target, then renamed over it) and then
// writes the event file the same way, so a complete-looking event file exists only when every
// clip was copied. On failure the event file is not written and the reason is returned.
FileResult WriteExport(const ExportNames& names, const ExportInput& input);

} // namespace zarn
