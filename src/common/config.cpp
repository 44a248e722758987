#include "config.h"

#include "numbers.h"

#include <chrono>
#include <thread>

namespace zarn {

namespace {

// The program folder has no trailing "/" (the root folder is ""), so a file in it is folder + "/" + name.
std::string InProgramFolder(std::string_view programFolder, std::string_view name) {
    std::string path(programFolder);
    if (path.empty() || path.back() != '/') path += '/';
    return path.append(name);
}

} // namespace

std::string ConfigFilePath(std::string_view programFolder) {
    return InProgramFolder(programFolder, "Zarn_Aud.Ini");
}

std::string HelpFilePath(std::string_view programFolder) {
    return InProgramFolder(programFolder, "Zarn_aud.HLP");
}

std::string ProgramFolderFrom(std::string_view currentFolder) {
    std::string f(currentFolder);
    if (!f.empty() && f.back() == '/') f.pop_back();
    return f;
}

Settings ParseConfig(std::string_view text) {
    Settings s;
    s.DefaultIfbw = -1;
    s.WavDisplayOn = false;
    LineCursor lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        // A section name takes the line after it as its value; a section name on the last line has none.
        if (line == "[IFBW]") {
            std::string_view value;
            if (!lines.Next(value)) break;
            s.DefaultIfbw = LeadingNumber(value) / 1000.0;
        } else if (line == "[WAV Display]") {
            std::string_view value;
            if (!lines.Next(value)) break;
            s.WavDisplayOn = (value == "ON");
        }
        if (s.DefaultIfbw >= 0) break;
    }
    // Without a usable bandwidth every clip would become a row of its own; use the station default.
    if (!(s.DefaultIfbw >= 0)) s.DefaultIfbw = kDefaultIfbwMHz;
    return s;
}

Settings ReadConfig(std::string_view programFolder) {
    std::string text;
    if (!ReadFileBytes(ConfigFilePath(programFolder), text)) return Settings{};
    return ParseConfig(text);
}

std::string ConfigText(bool wavDisplayOn, std::string_view bandwidthKHzText) {
    return JoinCrLf({"[WAV Display]", wavDisplayOn ? "ON" : "OFF", "[IFBW]", std::string(bandwidthKHzText)});
}

FileResult WriteConfig(std::string_view programFolder, bool wavDisplayOn, std::string_view bandwidthKHzText) {
    return ReplaceFileAtomically(ConfigFilePath(programFolder), ConfigText(wavDisplayOn, bandwidthKHzText));
}

void WaitMs(int& ms) {
    if (ms < 50) ms = 50;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // Sleeping instead of spinning: the thread is blocked all the same, without burning a core.
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

} // namespace zarn
