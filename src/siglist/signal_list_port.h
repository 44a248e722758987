// What the other windows of Zarn_zed32 may ask of the signal list window: its list, edits through
// its model, which entries it marks, and writing the list through. They hold this, never the window.
#pragma once

#include "signal_list.h"

namespace zarn {

class SignalListModel;

class SignalListPort {
public:
    virtual ~SignalListPort() = default;

    virtual const SignalList& List() const = 0;
    virtual SignalListModel& Model() = 0;

    // The current entry (-1 = none) and the highlighted entries.
    virtual void SetCurrent(int index) = 0;
    virtual void SetHighlighted(int index, bool on) = 0;
    virtual void UnhighlightAll() = 0;

    // Refuses an addition to a full list with a warning; `command` is "ADD", "IMPORT" or "PASTE".
    virtual void WarnListFull(const char* command) = 0;
    // Writes the list through to its file. On failure the operator is warned and the list is kept
    // in memory; false is returned.
    virtual bool SaveList() = 0;
};

} // namespace zarn
