#include "paths.h"

#include <dirent.h>
#include <sys/stat.h>

namespace zarn {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

bool StatOk(const std::string& path, struct stat& st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return StatOk(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return StatOk(path, st) && S_ISDIR(st.st_mode);
}

std::optional<std::string> FindFileNoCase(const std::string& folder, const std::string& name) {
    if (name.empty()) return std::nullopt;
    const std::string exact = JoinPath(folder, name);
    struct stat st {};
    if (::lstat(exact.c_str(), &st) == 0) return exact;

    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (EqualsNoCase(entryName, name) && (!best || entryName < *best)) best = std::string(entryName);
    }
    ::closedir(dir);
    if (!best) return std::nullopt;
    return JoinPath(folder, *best);
}

std::optional<std::string> FindPathNoCase(const std::string& path) {
    return FindFileNoCase(FolderOf(path), FileNameOf(path));
}

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string out(folder);
    const bool folderSlash = out.back() == '/';
    const bool nameSlash = !name.empty() && name.front() == '/';
    if (folderSlash && nameSlash)
        name.remove_prefix(1);
    else if (!folderSlash && !nameSlash)
        out += '/';
    out += name;
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

} // namespace zarn
