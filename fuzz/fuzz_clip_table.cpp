// The clip table of a segment, built from a whole event file, its AUD text and a signal list, as
// the summary window's load does it. The input holds the event file, then optionally the AUD text
// ("-" for none) and the signal list, separated by the part separator line.
#include "clip_table.h"
#include "fuzz_support.h"
#include "segscan.h"
#include "signal_bands.h"
#include "signal_list.h"

using namespace zarn;

namespace {

void CheckTable(const ClipTable& t) {
    Require(t.RowCount >= 0 && t.RowCount <= kMaxRows);
    Require(t.ClipCount >= 0 && t.ClipLine.Count() >= t.ClipCount);
    Require(t.Place.size() >= static_cast<std::size_t>(t.ClipCount) + 1);
    // The picture and the readouts index these by row.
    const auto rows = static_cast<std::size_t>(t.RowCount);
    Require(t.RowClips.size() > rows && t.RowLabel.size() > rows && t.RowMode.size() > rows);
    for (int i = 1; i <= t.ClipCount; ++i) {
        const ClipPlace& p = t.Place[static_cast<std::size_t>(i)];
        Require(p.row >= 0 && p.row <= t.RowCount);
        (void)t.ClipLine[i].size();
    }
    for (std::size_t r = 1; r <= rows; ++r)
        for (const ClipTriple& c : t.RowClips[r])
            Require(c.clip >= 1 && c.clip <= t.ClipCount);
    Require(t.SecondsPerUnit >= 1);
}

} // namespace

ZARN_FUZZ_TARGET(text) {
    const std::vector<std::string_view> parts = SplitParts(text);
    const std::string_view eventText = parts[0];
    const bool audExists = parts.size() > 1 && parts[1] != "-";
    const std::string_view audText = audExists ? parts[1] : std::string_view{};

    SignalList list;
    if (parts.size() > 2) MergeSignalRecords(parts[2], list);
    const SignalBands bands(list);

    const SegmentTable segs = ScanSegments(eventText);
    // The last two segments, and one past the end as an unknown segment is passed.
    const int first = segs.segCount > 2 ? segs.segCount - 1 : 1;
    for (int seg = first; seg <= segs.segCount + 1; ++seg) {
        ClipTableInput in;
        in.audExists = audExists;
        in.audText = audText;
        in.eventText = eventText;
        in.selectedSegment = seg;
        in.signalBands = &bands;
        if (seg <= segs.segCount) {
            const auto k = static_cast<std::size_t>(seg);
            in.segStart = segs.start[k];
            in.segStop = segs.stop[k];
            in.segClipCount = segs.clipCount[k];
            in.segMaxNumber = segs.maxNumber[k];
        }
        ClipTableHooks hooks;
        int lastPercent = -1;
        hooks.progress = [&](int percent) {
            Require(percent != lastPercent);
            lastPercent = percent;
        };
        int asked = 0;
        hooks.tooMany = [&](int clip) {
            Require(++asked == 1 && clip >= 0);
            return seg % 2 ? TooManyAnswer::Split : TooManyAnswer::Decline;
        };
        if (const ClipTable table = BuildClipTable(in, hooks); !table.Declined) CheckTable(table);
    }
}
