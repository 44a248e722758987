#include "segscan.h"

#include "dates.h"
#include "eventline.h"
#include "numbers.h"
#include "textfile.h"

namespace zarn {

namespace {

struct FirstPass {
    int segCount = 0;
    long long lineCount = 0;
};

FirstPass CountLines(std::string_view text) {
    FirstPass out;
    LineCursor walker(text);
    std::string_view line;
    while (walker.Next(line)) {
        ++out.lineCount;
        if (IsSegmentStartLine(line)) ++out.segCount;
    }
    return out;
}

// Reports 100 - 100 * (L - c) / L, truncated, only when it changes; the next change point is
// kept so that most lines cost one comparison.
class Progress {
public:
    Progress(const ProgressFn& fn, long long lineCount) : fn_(fn), lines_(lineCount) {}

    void Line(long long c) {
        if (!fn_ || c < next_) return;
        const int percent = static_cast<int>(c * 100 / lines_);
        if (percent != last_) {
            last_ = percent;
            fn_(percent);
        }
        // Smallest c giving percent + 1: ceil((percent + 1) * L / 100).
        next_ = ((percent + 1) * lines_ + 99) / 100;
    }

private:
    const ProgressFn& fn_;
    long long lines_;
    long long next_ = 0;
    int last_ = -1;
};

// The stop of a segment is the date of its last counted clip line whose stop can be read. Dates
// are read only once the segment is complete, from its last counted line backwards, which gives
// the same result as reading every stop in file order.
double ResolveStop(const std::vector<std::string_view>& stops, double previous) {
    for (auto it = stops.rbegin(); it != stops.rend(); ++it) {
        if (const auto date = ToDate(*it)) return *date;
    }
    return previous;
}

} // namespace

SegmentTable ScanSegments(std::string_view text, const ProgressFn& progress) {
    SegmentTable table;
    // Both passes walk the lines with the same cursor, so the second meets exactly the START
    // lines the first counted.
    const FirstPass counts = CountLines(text);
    table.segCount = counts.segCount;
    table.lineCount = counts.lineCount;
    if (table.segCount < 1) return table;

    const auto size = static_cast<std::size_t>(table.segCount) + 1;
    table.start.assign(size, 0.0);
    table.stop.assign(size, 0.0);
    table.clipCount.assign(size, 0);
    table.maxNumber.assign(size, 0);

    std::size_t s = 0;
    std::vector<std::string_view> stops; // field 5 of the counted lines of segment s
    Progress report(progress, table.lineCount);
    LineCursor walker(text);
    std::string_view line;
    long long c = 0;
    while (walker.Next(line)) {
        if (IsSegmentStartLine(line)) {
            const std::string_view field1 = SplitFields(line)[1];
            if (!field1.empty()) {
                // The first pass counted this line, so s stays within segCount.
                table.stop[s] = ResolveStop(stops, table.stop[s]);
                stops.clear();
                ++s;
                table.start[s] = ToDate(field1).value_or(0.0);
            }
        } else if (IsClipLine(line)) {
            const ClipLineFields f = ClipLineFields::OfEventLine(line);
            if (!f[ClipFieldId::Level].empty()) {
                const std::int16_t number = RoundToInt16Clamped(LeadingNumber(f[ClipFieldId::Number]));
                if (number > table.maxNumber[s]) table.maxNumber[s] = number;
                stops.push_back(f[ClipFieldId::StopTime]);
                ++table.clipCount[s];
            }
        }
        report.Line(++c);
    }
    table.stop[s] = ResolveStop(stops, table.stop[s]);
    return table;
}

} // namespace zarn
