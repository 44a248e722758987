// Turning the operator's choice in the summary picture into the list of clips to play.
#pragma once

#include "clip_table.h"
#include "signal_bands.h"

#include <vector>

namespace zarn {

enum PlayOptionIndex { kSingleClip = 0, kTimeLimits = 1, kRow = 2, kSignal = 3 };

struct PlayChoice {
    int option = kSingleClip;
    bool timeLimit = false;    // "Enable Time 1 - 2  Limit" (options 2 and 3)
    bool continueRows = false; // "Continue Playing by ..." (option 2)
    int selectedClip = 1;
    int selectedRow = 1;
    double t1 = 0, t2 = 0; // picture units
    SignalBand band;       // option 3: the signal band of the selected clip
};

// The clip numbers to play in playing order. Empty means nothing to play (the caller beeps).
// A clip overlaps [t1, t2] when x2 >= t1 and x1 <= t2; clips are in time order, so a clip that
// starts after t2 ends the scan (of its row for option 2, of the whole list for options 1 and 3).
std::vector<int> BuildPlayList(const ClipTable& table, const PlayChoice& choice);

} // namespace zarn
