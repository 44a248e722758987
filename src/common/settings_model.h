// The settings of Zarn_zed32: the program folder and what its configuration file holds. A setter
// of a stored setting writes the whole file atomically and reports a failed write; the new value
// applies either way until the program ends.
#pragma once

#include "config.h"
#include "textfile.h"

#include <QObject>

#include <string>

namespace zarn {

class SettingsModel final : public QObject {
    Q_OBJECT
public:
    explicit SettingsModel(QObject* parent = nullptr) : QObject(parent) {}

    // Sets the program folder and reads the configuration file there.
    void Load(const std::string& programFolder);

    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& HelpFile() const { return helpFile_; }
    double DefaultIfbw() const { return defaultIfbw_; } // MHz
    bool WavDisplayOn() const { return wavDisplayOn_; }

    // `kHzText` is the bandwidth as the operator typed it, in KHz; it is stored as typed.
    FileResult SetDefaultIfbw(double mhz, const std::string& kHzText);
    FileResult SetWavDisplayOn(bool on);

signals:
    void defaultIfbwChanged(double mhz);
    void wavDisplayOnChanged(bool on);

private:
    std::string programFolder_;
    std::string helpFile_;
    double defaultIfbw_ = kDefaultIfbwMHz;
    bool wavDisplayOn_ = true;
};

} // namespace zarn
