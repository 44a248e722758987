// Paths of station files. The files come from Windows equipment: names may differ in case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

bool FileExists(const std::string& path); // a regular file (or a link to one)
bool FolderExists(const std::string& path);

// The path of `name` in `folder`: the exact name when it exists, else the single entry of the
// folder whose name equals it without regard to ASCII case (the first in name order when several
// do); no value when none does. `folder` may end in "/" or not; "" means the current folder.
std::optional<std::string> FindFileNoCase(const std::string& folder, const std::string& name);

// Same, for a full path: looks the last component up in its folder.
std::optional<std::string> FindPathNoCase(const std::string& path);

// Folder part of a path including its trailing "/" ("" when there is none).
std::string FolderOf(std::string_view path);
// File name part of a path (after the last "/").
std::string FileNameOf(std::string_view path);
// `folder` + "/" + `name` without a doubled "/".
std::string JoinPath(std::string_view folder, std::string_view name);

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);

} // namespace zarn
