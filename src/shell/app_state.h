// The state every window of Zarn_zed32 shares. It lives for the whole run in the application object.
// Arrays used from 1 keep element 0 unused, as the tables of the station files number from 1.
#pragma once

#include "audfile.h"
#include "clip_table.h"
#include "segscan.h"

#include <string>
#include <vector>

namespace zarn {

struct AppState {
    // Open file and segment choice
    std::string EventFileName; // full path of the open event file; "" when none
    std::string EventFolder;   // its folder, ending in "/"
    std::string ProgramFolder; // current folder at start-up, no trailing "/"; holds the configuration
    int SelectedSegment = 0;   // from 1; 0 = none chosen
    zarn::CollectionType CollectionType = zarn::CollectionType::Netora;
    bool OpenBusy = false; // Open is letting window events run; Close waits for it
    std::string SigListFileName;

    // Segment table of the open file (until the next Open)
    SegmentTable Segments;

    // Clip table of the loaded summary picture (ClipLine, RowClips, RowLabel, RowMode, RowCount,
    // SecondsPerUnit and the collection's rows)
    ClipTable Table;

    // Settings from the configuration file
    double DefaultIfbw = 0.025; // MHz
    bool WavDisplayOn = true;

    // Window flags and window state
    bool SummaryLoaded = false;
    bool PlayerLoaded = false;
    bool SigRollShown = false;
    int PlayerLeft = -1, PlayerTop = -1; // twips; -1 = none yet
    int SelectedClip = 0;
    std::vector<int> PlayList{0};
    int PlayListCount = 0;
    bool PlayListOnly = false;
    bool StopAfterClip = false;
    int WavUnitWidth = 1;

    // Help
    std::string HelpFile;
};

} // namespace zarn
