// Breaking an overfull segment in the event file itself: a new segment start is inserted after the
// last clip that stays, and the file as it was is kept as the ".SAV" backup.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

// The rewritten file text: every line of `eventText` unchanged (CR LF ended), with the inserted
// "STARTBYTRIGGER,<stop of clip n>,<clip name less its last four characters><number + 1 as 0000>"
// after the n-th clip line following the selectedSegment-th START line, both counted as the segment
// table counts them (START lines with a start time, clip lines with a level). `lastClipStop`
// receives field 5 of that clip line. Empty when the file holds fewer START or clip lines than
// asked for (the segment's clips end at the next START line with a start time).
struct SplitText {
    bool ok = false;
    std::string text;
    std::string lastClipStop;
};
SplitText SplitEventText(std::string_view eventText, int selectedSegment, int n);

// The inserted line for the n-th clip's fields 1 (file name) and 5 (stop).
std::string SplitStartLine(std::string_view clipFileField, std::string_view stopField);

struct SplitResult {
    bool ok = false;
    std::string error;      // why the split failed; the event file is then unchanged
    long segWidthUnits = 0; // the shortened segment's length in picture units
};

// Splits the event file: the backup (the event file's name ending in "SAV") is replaced by the
// file as it was, then the event file is replaced by the split text. Both replacements write a
// temporary file beside their target and rename it over the target, so at every moment the event
// file is readable under its own name, whichever folder is current.
SplitResult SplitSegment(const std::string& eventFileName, int selectedSegment, int n, double segStart,
                         int secondsPerUnit);

} // namespace zarn
