// The edit/add panel's field rules and the entries it builds, apart from the widgets.
#pragma once

#include "entry_line.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// The values a panel opened with; a rejected field entry falls back to these.
struct PanelValues {
    std::string freq, ifbw, cor, priority, comment;
    int det = 0;  // 1-8 in chooser order; 0 = no item chosen
    int cls = -1; // 0 soi, 1 ids, 2 unknown; -1 = no option on
};

PanelValues PanelStartForAdd();                        // 20 MHz, 0.010, COR 20, FM, unknown, priority 9
PanelValues PanelStartFromLine(std::string_view line); // edit of the current entry
PanelValues PanelStartEmpty();                         // edit of several entries: every field empty

// Chooser position (1-8) of a 3-character mode; anything unknown is 1, "AM ".
int DetectionIndex(std::string_view det);

// Field checks: the formatted text of an accepted value, or no value when the field falls back to
// its start value. The whole text must be numeric.
std::optional<std::string> CheckFreqField(std::string_view text);     // 0 <= f < 100000, "00000.00000"
std::optional<std::string> CheckIfbwField(std::string_view text);     // 0 <= b <= 99.999, "00.000"
std::optional<std::string> CheckCorField(std::string_view text);      // 0..99 as "00"; below 0 is "-1"
std::optional<std::string> CheckPriorityField(std::string_view text); // 0..9, a whole number

// The fields an edit of several entries changes; an empty text leaves that field as it was.
struct MultiEdit {
    std::string ifbw, cor, det, priority;
    bool lockout = false; // always applied
};
// The entry line after an edit of several entries: frequency, class and comment are kept.
std::string ApplyMultiEdit(std::string_view old, const MultiEdit& edit);

// The question when a new or edited frequency collides with an entry.
std::string ReplaceQuestion(std::string_view freqText);

} // namespace zarn
