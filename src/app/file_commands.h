// The file work behind the main window's Open and Delete commands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// A name that ends in ".EVA" without regard to case.
bool HasEventFileName(const std::string& path);

// An existing regular file whose name ends in ".EVA" without regard to case.
bool IsOpenableEventFile(const std::string& path);

// The clip files of an event file in its folder: prefix + digits + ".WAV", without regard to
// case, in name order. Files of other recordings that merely share the prefix are not included.
std::vector<std::string> ClipFilesOfEventFile(const std::string& eventFilePath);

// Deletes the event file, then its clip files. Stops at the first failure and returns false;
// what was deleted before stays deleted. The AUD and SAV files are left.
bool DeleteEventFileAndClips(const std::string& eventFilePath);

} // namespace zarn
