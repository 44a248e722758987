// Clipboard paste: the lines of a pasted text go into a list the way the signal list window's
// Paste takes them (every replacement agreed to), and copying them out again gives the same lines.
#include "clip_text.h"
#include "entry_line.h"
#include "fuzz_support.h"
#include "signal_list.h"

ZARN_FUZZ_TARGET(text) {
    const std::optional<std::vector<std::string>> lines = PastedSignalLines(text);
    if (!lines) return;

    std::vector<std::string_view> views(lines->begin(), lines->end());
    Require(PastedSignalLines(SignalListClipText(views)) == lines);
    (void)FrequencyClipText(views);

    SignalList list;
    for (const std::string& line : *lines) {
        Require(!line.empty());
        const SignalSlot slot = list.FindSignalSlot(EntryFrequency(line));
        Require(slot.slot >= 0 && slot.slot <= list.Count());
        if (slot.conflict) {
            Require(*slot.conflict >= 0 && *slot.conflict < list.Count());
            list.RemoveAt(*slot.conflict);
        }
        const int before = list.Count();
        const std::optional<int> at = list.InsertSorted(line);
        if (!at) break;
        Require(*at >= 0 && *at < list.Count() && list.Count() <= before + 1);
        Require(list.Line(*at) == line);
        (void)EntryIfbw(line);
        (void)EntryComment(line);
        (void)EntryLockedOut(line);
        (void)ClassFromText(EntryClassText(line));
    }
    // Write-through: the pasted list goes to the file and can be read back.
    SignalList reloaded;
    MergeSignalRecords(SignalFileText(list), reloaded);
    Require(reloaded.Count() <= list.Count());
}
