// The segment table of an event file: both passes of the segment count over the file's text.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace zarn {

// Arrays sized 0..segCount and used from 1; element 0 gathers the clip lines before the first
// START line and is never shown.
struct SegmentTable {
    int segCount = 0;                    // lines beginning "START" (also those with an empty field 1)
    long long lineCount = 0;             // all lines of the file
    std::vector<double> start;           // field 1 of the segment's START line (date)
    std::vector<double> stop;            // field 5 of its last counted clip line (date)
    std::vector<int> clipCount;          // clip lines with a non-empty level (field 6)
    std::vector<std::int16_t> maxNumber; // largest field 2 of those lines, rounded half to even

    // True for a segment 1..segCount that every array holds.
    bool Holds(int segment) const {
        const auto k = static_cast<std::size_t>(segment);
        return segment >= 1 && segment <= segCount && k < start.size() && k < stop.size() &&
               k < clipCount.size() && k < maxNumber.size();
    }

    // The start and stop of segment `segment`, 0.0 for a number outside 0..segCount (also any
    // number before the file is scanned). Segment 0 has start 0.0 and the stop of the clip lines
    // before the first START line.
    double StartOf(int segment) const { return At(start, segment); }
    double StopOf(int segment) const { return At(stop, segment); }

private:
    static double At(const std::vector<double>& dates, int segment) {
        return segment >= 0 && static_cast<std::size_t>(segment) < dates.size()
                   ? dates[static_cast<std::size_t>(segment)]
                   : 0.0;
    }
};

// Called during the second pass with the percentage done, 100 * lines read / all lines
// truncated (0..100), whenever it changes; the last call is 100.
using ProgressFn = std::function<void(int percent)>;

// A START line with a non-empty field 1 opens the next segment; its date is ToDate(field 1), and
// date zero when that cannot be read. A clip line with a non-empty level is counted in the current
// segment: its field 2 may raise maxNumber (pinned to 16 bits), and ToDate(field 5) becomes the
// segment's stop -- a stop that cannot be read leaves the previous stop in place. Lines end at
// LF or CR LF. Without START lines the table has segCount 0, empty arrays and no second pass.
SegmentTable ScanSegments(std::string_view text, const ProgressFn& progress = {});

} // namespace zarn
