#include "settings_model.h"

#include "formats.h"

namespace zarn {

void SettingsModel::Load(const std::string& programFolder) {
    programFolder_ = programFolder;
    helpFile_ = HelpFilePath(programFolder);
    const Settings s = ReadConfig(programFolder);
    defaultIfbw_ = s.DefaultIfbw;
    wavDisplayOn_ = s.WavDisplayOn;
}

FileResult SettingsModel::SetDefaultIfbw(double mhz, const std::string& kHzText) {
    defaultIfbw_ = mhz;
    emit defaultIfbwChanged(mhz);
    return WriteConfig(programFolder_, wavDisplayOn_, kHzText);
}

FileResult SettingsModel::SetWavDisplayOn(bool on) {
    wavDisplayOn_ = on;
    emit wavDisplayOnChanged(on);
    return WriteConfig(programFolder_, wavDisplayOn_, FormatNumber(defaultIfbw_ * 1000.0, "0"));
}

} // namespace zarn
