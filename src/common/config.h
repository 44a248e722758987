// The configuration file "Zarn_Aud.Ini" in the program folder: the waveform switch and the
// default signal bandwidth.
#pragma once

#include "textfile.h"

#include <string>
#include <string_view>

namespace zarn {

inline constexpr double kDefaultIfbwMHz = 0.025;

struct Settings {
    double DefaultIfbw = kDefaultIfbwMHz; // MHz
    bool WavDisplayOn = true;
};

// `folder` + "/Zarn_Aud.Ini", without a doubled "/" ("" or "/" gives "/Zarn_Aud.Ini").
std::string ConfigFilePath(std::string_view programFolder);

// Reads the text of an existing configuration file. "[IFBW]" makes the next line the bandwidth in
// KHz (its leading number / 1000); "[WAV Display]" makes the next line the switch ("ON", exactly).
// Section names are compared exactly. Reading stops as soon as a bandwidth of 0 or more has been
// read. A file that gives no usable bandwidth (no "[IFBW]" section, or a negative value) falls
// back to 0.025 MHz; a file without "[WAV Display]" before the stop leaves the display off.
Settings ParseConfig(std::string_view text);

// The settings at start-up: the defaults when the file is missing or cannot be read.
Settings ReadConfig(std::string_view programFolder);

// The four lines, CR LF ended: "[WAV Display]", "ON"/"OFF", "[IFBW]", the bandwidth text in KHz.
std::string ConfigText(bool wavDisplayOn, std::string_view bandwidthKHzText);

// Replaces the file atomically; a failure is returned, the old file is kept whole.
FileResult WriteConfig(std::string_view programFolder, bool wavDisplayOn, std::string_view bandwidthKHzText);

// The program folder from the current folder: one trailing "/" removed ("/" gives "").
std::string ProgramFolderFrom(std::string_view currentFolder);

// The help file's place: the program folder followed by "/Zarn_aud.HLP", no doubled "/".
std::string HelpFilePath(std::string_view programFolder);

// Blocks the calling thread for at least `ms` milliseconds, without letting window events run.
// Below 50 the time is raised to 50 and the raised value is written back to the caller.
void WaitMs(int& ms);

} // namespace zarn
