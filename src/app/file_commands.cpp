#include "file_commands.h"

#include "eventline.h"
#include "paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zarn {

bool HasEventFileName(const std::string& path) {
    const std::string name = FileNameOf(path);
    return name.size() >= 4 && ToUpperAscii(std::string_view(name).substr(name.size() - 4)) == ".EVA";
}

bool IsOpenableEventFile(const std::string& path) {
    return FileExists(path) && HasEventFileName(path);
}

std::vector<std::string> ClipFilesOfEventFile(const std::string& eventFilePath) {
    std::vector<std::string> out;
    const std::string prefix = ClipPrefix(eventFilePath);
    std::string folder = FolderOf(eventFilePath);
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsClipFileOfPrefix(prefix, name) && FileExists(folder + name)) out.push_back(folder + name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool DeleteEventFileAndClips(const std::string& eventFilePath) {
    const std::vector<std::string> clips = ClipFilesOfEventFile(eventFilePath);
    if (std::remove(eventFilePath.c_str()) != 0) return false;
    for (const std::string& clip : clips)
        if (std::remove(clip.c_str()) != 0) return false;
    return true;
}

} // namespace zarn
