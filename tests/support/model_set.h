// The models the windows share, owned by a test in place of the application object.
#pragma once

#include "models.h"

namespace zarn::test {

struct ModelSet {
    SettingsModel settings;
    RecordingModel recording;
    SelectionModel selection;
    PlayModel play;
    Models Get() { return {settings, recording, selection, play}; }
};

} // namespace zarn::test
