// The File menu's list of the event files opened last, most recent first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zarn {

constexpr std::size_t kRecentFilesMax = 8;

// `path` at the top; an earlier entry of the same path goes, and the list keeps kRecentFilesMax
// entries at most. Empty paths are not listed.
std::vector<std::string> AddRecentFile(std::vector<std::string> list, const std::string& path);

// The list without `path`.
std::vector<std::string> RemoveRecentFile(std::vector<std::string> list, const std::string& path);

// The list as read back from storage: empty and repeated entries dropped, cut to kRecentFilesMax.
std::vector<std::string> CleanRecentFiles(const std::vector<std::string>& stored);

// The menu caption of entry `index` (0 = most recent): "&1 /path/FILE.EVA". An "&" of the path is
// doubled so that it shows and does not become the access key.
std::string RecentFileCaption(std::size_t index, const std::string& path);

} // namespace zarn
