// The operator's own choices (recent files, the player's spectrogram and speed) live in the user's
// configuration folder, apart from the station's Zarn_Aud.Ini, whose bytes they never touch.
#pragma once

#include <QSettings>
#include <QString>

namespace zarn {

inline QSettings UserPreferences() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ZARN"), QStringLiteral("Zarn_zed32"));
}

} // namespace zarn
