#include "recent_files.h"

#include <algorithm>

namespace zarn {

std::vector<std::string> RemoveRecentFile(std::vector<std::string> list, const std::string& path) {
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    return list;
}

std::vector<std::string> AddRecentFile(std::vector<std::string> list, const std::string& path) {
    if (path.empty()) return list;
    list = RemoveRecentFile(std::move(list), path);
    list.insert(list.begin(), path);
    if (list.size() > kRecentFilesMax) list.resize(kRecentFilesMax);
    return list;
}

std::vector<std::string> CleanRecentFiles(const std::vector<std::string>& stored) {
    std::vector<std::string> list;
    for (const std::string& path : stored) {
        if (list.size() == kRecentFilesMax) break;
        if (!path.empty() && std::find(list.begin(), list.end(), path) == list.end()) list.push_back(path);
    }
    return list;
}

std::string RecentFileCaption(std::size_t index, const std::string& path) {
    std::string caption = "&" + std::to_string(index + 1) + " ";
    for (char c : path) {
        caption += c;
        if (c == '&') caption += '&';
    }
    return caption;
}

} // namespace zarn
