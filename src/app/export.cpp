#include "export.h"

#include "eventline.h"
#include "file_commands.h"
#include "formats.h"
#include "paths.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_set>

namespace zarn {

namespace {

constexpr std::size_t kBaseLength = 4;

// The clip file name of a clip table line. A line without a comma is a bare name followed by the
// table's padding, which is not part of the name.
std::string_view ClipFileField(std::string_view line) {
    const std::string_view name = ClipFieldOf(line, ClipFieldId::FileName);
    if (name.size() < line.size()) return name;
    const std::size_t end = name.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1);
}

// The part of a clip line from its first comma to its end, trailing blanks included.
std::string_view AfterClipFile(std::string_view line) {
    const std::size_t comma = line.find(',');
    return comma == std::string_view::npos ? std::string_view() : line.substr(comma);
}

std::filesystem::path Canonical(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path.empty() ? "." : path, ec);
    if (ec) p = std::filesystem::path(path).lexically_normal();
    // A folder given with its trailing "/" is the same folder as without it.
    if (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
    return p;
}

bool SameFolder(const std::string& a, const std::string& b) {
    return Canonical(a) == Canonical(b);
}

std::string SourceFolder(const ExportInput& input) {
    return input.eventFolder.empty() ? FolderOf(input.eventFileName) : input.eventFolder;
}

} // namespace

ExportNames ExportNamesOf(std::string_view chosenPath) {
    ExportNames names;
    names.targetFolder = FolderOf(chosenPath);
    const std::string title = FileNameOf(chosenPath);
    // The "." rule looks at the file title only: a folder with a "." in its name must not cut the
    // path. A title without one is taken whole and given the event file extension.
    const std::size_t dot = title.find('.');
    const std::string stem = title.substr(0, dot);
    names.targetFile = names.targetFolder + stem + ".EVA";
    names.base = stem.substr(0, kBaseLength);
    // Without a name there is nothing to number the clips by.
    names.ok = !names.base.empty();
    return names;
}

std::string ExportClipName(std::string_view base, int k) {
    return ClipFileName(base, k);
}

std::string ExportText(const ExportNames& names, const ExportInput& input) {
    const std::string_view first =
        input.lines.empty() ? std::string_view() : ClipFileField(input.lines.front());
    const std::string_view last =
        input.lines.empty() ? std::string_view() : ClipFileField(input.lines.back());
    std::string text;
    text.reserve(64 + input.lines.size() * 100);
    text += "Ver, Created by Zarn_Aud Export Utility\r\n";
    text += "STARTBYTRIGGER,";
    text += FormatDateTimeAmPm(input.segStart);
    text += ',';
    text += first;
    text += "\r\n";
    for (std::size_t k = 0; k < input.lines.size(); ++k) {
        text += "WAV,";
        text += ExportClipName(names.base, static_cast<int>(k) + 1);
        text += AfterClipFile(input.lines[k]);
        text += "\r\n";
    }
    text += "STOPBYTRIGGER,";
    text += FormatDateTimeAmPm(input.segStop);
    text += ',';
    text += last;
    text += "\r\n";
    return text;
}

bool ExportWouldOverwriteSource(const ExportNames& names, const ExportInput& input) {
    if (input.eventFileName.empty()) return false;
    if (Canonical(names.targetFile) == Canonical(input.eventFileName)) return true;
    if (!SameFolder(names.targetFolder, SourceFolder(input))) return false;

    // Names compared without regard to case, as the station's files are looked up.
    std::unordered_set<std::string> sources;
    for (const std::string& clip : ClipFilesOfEventFile(input.eventFileName))
        sources.insert(ToUpperAscii(FileNameOf(clip)));
    // The lines' own names too: a clip need not follow the event file's prefix.
    for (const std::string& line : input.lines)
        sources.insert(ToUpperAscii(ClipFileField(line)));
    for (std::size_t k = 1; k <= input.lines.size(); ++k)
        if (sources.count(ToUpperAscii(ExportClipName(names.base, static_cast<int>(k))))) return true;
    return false;
}

FileResult WriteExport(const ExportNames& names, const ExportInput& input) {
    if (!names.ok) return FileResult::Failure("No usable file name to export to");
    if (input.lines.empty()) return FileResult::Failure("No clips to export");
    if (ExportWouldOverwriteSource(names, input))
        return FileResult::Failure("The new clips would replace clips of the open audio file");

    // Every source is found before anything is written, so a missing clip leaves the target alone.
    const std::string sourceFolder = SourceFolder(input);
    std::vector<std::string> sources;
    sources.reserve(input.lines.size());
    for (const std::string& line : input.lines) {
        const std::string name(ClipFileField(line));
        const auto found = name.empty() ? std::nullopt : FindFileNoCase(sourceFolder, name);
        if (!found || !FileExists(*found))
            return FileResult::Failure("Cannot find clip file " + sourceFolder + name);
        sources.push_back(*found);
    }

    // An old event file of the target's name goes before its clips are replaced: left beside new
    // clips of the same names it would look whole while playing the wrong audio.
    std::error_code ec;
    if (std::filesystem::exists(names.targetFile, ec) && !std::filesystem::remove(names.targetFile, ec))
        return FileResult::Failure("Cannot replace " + names.targetFile + ": " + ec.message());

    std::string bytes;
    for (std::size_t k = 0; k < sources.size(); ++k) {
        if (FileResult r = ReadFileBytes(sources[k], bytes); !r) return r;
        const std::string target =
            JoinPath(names.targetFolder, ExportClipName(names.base, static_cast<int>(k) + 1));
        if (FileResult r = ReplaceFileAtomically(target, bytes); !r) return r;
    }
    // Written last, and whole or not at all: it exists only when every clip is in place.
    return ReplaceFileAtomically(names.targetFile, ExportText(names, input));
}

} // namespace zarn
