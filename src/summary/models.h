// The models the windows of Zarn_zed32 share. The application object owns them; a window holds
// this bundle and shows and changes their values, never another window's controls.
#pragma once

#include "play_model.h"
#include "recording_model.h"
#include "selection_model.h"
#include "settings_model.h"

namespace zarn {

struct Models {
    SettingsModel& settings;
    RecordingModel& recording;
    SelectionModel& selection;
    PlayModel& play;
};

} // namespace zarn
