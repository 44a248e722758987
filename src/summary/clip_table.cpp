#include "clip_table.h"

#include "dates.h"
#include "eventline.h"
#include "numbers.h"
#include "textfile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace zarn {

void ClipLineTable::Reset(int count) {
    count_ = std::max(count, 0);
    buffer_.clear();
    buffer_.resize((static_cast<std::size_t>(count_) + 1) * kStride);
    std::fill_n(buffer_.data(), kStride, ' '); // slot 0 is never a line
    length_.assign(static_cast<std::size_t>(count_) + 1, 0);
}

void ClipLineTable::Set(int i, std::string_view line) {
    const std::size_t n = std::min<std::size_t>(line.size(), kClipLineLength);
    char* at = buffer_.data() + Offset(i);
    std::copy_n(line.data(), n, at);
    std::fill(at + n, at + kStride, ' ');
    length_[static_cast<std::size_t>(i)] = kClipLineLength;
}

void ClipLineTable::ReplaceNumberField(int i, long number) {
    const std::string_view line = (*this)[i];
    const std::size_t first = line.find(',');
    if (first == std::string_view::npos) return;
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos) return;
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    (void)ec;
    const std::size_t numberLength = static_cast<std::size_t>(end - digits);
    // The tail after the field moves to its new place within the line's own slot (no allocation:
    // every clip of a frequency segment is renumbered); whatever does not fit the stride is cut.
    std::size_t tailLength = line.size() - second;
    std::size_t length = first + 1 + numberLength + tailLength;
    if (length > kStride) {
        tailLength -= length - kStride;
        length = kStride;
    }
    char* at = buffer_.data() + Offset(i);
    std::memmove(at + first + 1 + numberLength, at + second, tailLength);
    std::copy_n(digits, numberLength, at + first + 1);
    length_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length);
}

void ClipLineTable::Truncate(int count) {
    if (count < 0 || count >= count_) return;
    count_ = count;
    buffer_.resize((static_cast<std::size_t>(count_) + 1) * kStride);
    length_.resize(static_cast<std::size_t>(count_) + 1);
}

TimeScale ComputeTimeScale(double seconds) {
    // Rounded to a long (halves to even), then halved with the same rounding while 2001 or more.
    auto roundLong = [](double v) { return static_cast<long>(RoundHalfEven(v)); };
    TimeScale scale;
    long u = roundLong(seconds);
    while (u >= 2001) {
        u = roundLong(static_cast<double>(u) / 2.0);
        scale.secondsPerUnit *= 2;
    }
    scale.widthUnits = u;
    return scale;
}

namespace {

bool BeginsNoCase(std::string_view line, std::string_view keyword) {
    if (line.size() < keyword.size()) return false;
    for (std::size_t k = 0; k < keyword.size(); ++k) {
        const char c = line[k] >= 'a' && line[k] <= 'z' ? static_cast<char>(line[k] - 32) : line[k];
        if (c != keyword[k]) return false;
    }
    return true;
}

// The reading for the collection type stops at the first "SPE" line; only whether there is one
// matters here, ClassifyAud tells the rest.
bool HasSpectralLine(std::string_view audText) {
    LineCursor cursor(audText);
    for (std::string_view line; cursor.Next(line);)
        if (BeginsNoCase(line, "SPE")) return true;
    return false;
}

// Characters of a number in plain decimal form, sign included.
long DecimalLength(long v) {
    long n = v < 0 ? 2 : 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10)
        ++n;
    return n;
}

// The length of the triple text "clip,x1,x2," that the row lists used to be made of.
long TripleTextLength(int clip, int x1, int x2) {
    return DecimalLength(clip) + DecimalLength(x1) + DecimalLength(x2) + 3;
}

// What the filing needs of one clip line: its place (row for PRIORITY, start and stop unit), its
// frequency and its stop date.
struct ClipFields {
    bool placed = false; // the times (and a PRIORITY channel) have a place in the picture
    std::int16_t x1 = 0, x2 = 0, row = 0;
    double frequency = 0;
    double stop = 0;
};

ClipFields ReadClipFields(std::string_view number, std::string_view frequency, std::string_view start,
                          std::string_view stop, DateReader (&dates)[2], double segStart, int secondsPerUnit,
                          bool byFrequency, long rowCount) {
    ClipFields out;
    const auto startDate = dates[0].Read(start), stopDate = dates[1].Read(stop);
    if (!startDate || !stopDate) return out;
    const auto x1 = RoundToInt16(UnitOf(*startDate, segStart, secondsPerUnit));
    const auto x2 = RoundToInt16(UnitOf(*stopDate, segStart, secondsPerUnit));
    if (!x1 || !x2) return out;
    if (!byFrequency) {
        const auto row = RoundToInt16(LeadingNumber(number));
        if (!row || *row < 1 || *row > rowCount) return out;
        out.row = *row;
    }
    out.placed = true;
    out.x1 = *x1;
    out.x2 = *x2;
    out.frequency = LeadingNumber(frequency);
    out.stop = *stopDate;
    return out;
}

// A segment-opening START line: one with a start time. Lines with an empty field 1 open no
// segment, as the segment table counts them.
bool OpensSegment(std::string_view line) {
    return IsSegmentStartLine(line) && !SplitFields(line)[1].empty();
}

// The gauge shows 100 * done / total, truncated; the hook hears only changes.
class Gauge {
public:
    explicit Gauge(const std::function<void(int)>& fn) : fn_(fn) {}
    void Show(long done, long total) {
        if (!fn_ || total <= 0) return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent == last_) return;
        last_ = percent;
        fn_(percent);
    }

private:
    const std::function<void(int)>& fn_;
    int last_ = -1;
};

// The first position in [from, edges.size()) whose edge is at or above f, for ascending edges.
// Rows tend to be spread evenly over the band, so the search starts where f would lie if they
// were, and widens from there in doubling steps.
std::size_t FirstAtOrAbove(const std::vector<double>& edges, std::size_t from, double f) {
    const std::size_t m = edges.size();
    if (from >= m) return m;
    std::size_t lo = from, hi = m; // the answer lies in [lo, hi]
    const double low = edges[from], high = edges[m - 1];
    if (!(f > low)) return from;
    if (!(f <= high)) return m;
    if (high > low) {
        double guess =
            static_cast<double>(from) + (f - low) / (high - low) * static_cast<double>(m - 1 - from);
        if (!(guess >= static_cast<double>(from))) guess = static_cast<double>(from); // also NaN
        const std::size_t g =
            std::min(m - 1, static_cast<std::size_t>(std::min(guess, static_cast<double>(m - 1))));
        std::size_t last = g, step = 1;
        if (edges[g] < f) {
            // Above g: probe g + 1, g + 2, g + 4, ... up to the first edge at or above f.
            for (;; step *= 2) {
                if (g + step >= m) {
                    lo = last + 1, hi = m;
                    break;
                }
                if (!(edges[g + step] < f)) {
                    lo = last + 1, hi = g + step;
                    break;
                }
                last = g + step;
            }
        } else {
            // At or below g: probe g - 1, g - 2, g - 4, ... down to the first edge below f.
            for (;; step *= 2) {
                if (g < from + step) {
                    lo = from, hi = last;
                    break;
                }
                if (edges[g - step] < f) {
                    lo = g - step + 1, hi = last;
                    break;
                }
                last = g - step;
            }
        }
    }
    return static_cast<std::size_t>(std::lower_bound(edges.begin() + static_cast<std::ptrdiff_t>(lo),
                                                     edges.begin() + static_cast<std::ptrdiff_t>(hi), f) -
                                    edges.begin());
}

} // namespace

RowMatcher::RowMatcher(const SignalBands* signalBands, double defaultIfbw)
    : signals_(signalBands), defaultIfbw_(defaultIfbw) {}

RowMatcher::Memo& RowMatcher::MemoOf(double f) {
    // Open addressing over a few neighbouring places; when they are all taken by other frequencies
    // the first one is given up. Keys are compared by their bits, so NaN and -0 are keys like any.
    constexpr int kBits = 12;
    constexpr std::size_t kProbes = 4;
    if (memo_.empty()) memo_.resize((std::size_t{1} << kBits) + kProbes);
    std::uint64_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    const std::size_t home = static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
    for (std::size_t k = home; k < home + kProbes; ++k) {
        Memo& m = memo_[k];
        if (m.used && std::memcmp(&m.f, &f, sizeof f) == 0) return m;
        if (!m.used) return m = Memo{f, 0, 0, -1, false};
    }
    return memo_[home] = Memo{f, 0, 0, -1, false};
}

RowMatcher::Match RowMatcher::MatchClipRow(double f) {
    Memo& memo = MemoOf(f);
    if (!memo.used) {
        memo.used = true;
        memo.centre = f;
        memo.bw = defaultIfbw_;
        if (signals_ && signals_->Count() > 0) {
            if (const auto entry = signals_->Find(f)) {
                memo.centre = signals_->Frequency(*entry);
                memo.bw = signals_->Bandwidth(*entry);
            }
        }
    }
    f = memo.centre;
    const double b = memo.bw;

    auto lo = [this](std::size_t p) { return centre_[p] - bw_[p] / 2; };
    const std::size_t m = centre_.size();
    // The middle row: m / 2 rounded half to even.
    const std::size_t h = m / 2 + (m % 2 == 1 && (m / 2) % 2 == 1 ? 1 : 0);
    const double middle = m == 0 ? 0.0 : centre_[h];
    std::size_t p = f <= middle ? 0 : h;

    if (irregular_ == 0 && descents_ == 0 && f == f) {
        // Every window is an interval, so the scan stops at the first row whose high edge is at or
        // above f; those edges ascend, so that row is found by halving, or is the row of last time
        // when that row still is the first from the start whose high edge reaches f. New rows below
        // it only move it up: when its edge is below f, so are all edges from the start to it.
        const auto last = static_cast<std::size_t>(memo.row);
        const bool remembered = memo.row >= 0 && last >= p && last < m;
        if (remembered && f <= hi_[last] && (last == p || hi_[last - 1] < f))
            p = last;
        else if (remembered && hi_[last] < f)
            p = FirstAtOrAbove(hi_, last + 1, f);
        else
            p = FirstAtOrAbove(hi_, p, f);
        if (p < m && lo(p) <= f) {
            memo.row = static_cast<int>(p);
            return {true, static_cast<int>(p)};
        }
    } else {
        for (; p < m; ++p) {
            if (lo(p) <= f && f <= hi_[p]) return {true, static_cast<int>(p)};
            if (f < lo(p)) break;
        }
    }

    // A new row at p. Keep the counts of what the halving needs in step with the rows.
    auto descent = [&](std::size_t a, std::size_t c) { return !(hi_[a] <= hi_[c]) ? 1 : 0; };
    if (p > 0 && p < m) descents_ -= descent(p - 1, p);
    const auto at = static_cast<std::ptrdiff_t>(p);
    centre_.insert(centre_.begin() + at, f);
    bw_.insert(bw_.begin() + at, b);
    hi_.insert(hi_.begin() + at, f + b / 2);
    slot_.insert(slot_.begin() + at, static_cast<int>(m));
    if (!(lo(p) <= hi_[p])) ++irregular_;
    if (p > 0) descents_ += descent(p - 1, p);
    if (p < m) descents_ += descent(p, p + 1);
    memo.row = static_cast<int>(p);
    return {false, static_cast<int>(p)};
}

ClipTable BuildClipTable(const ClipTableInput& input, const ClipTableHooks& hooks) {
    ClipTable t;
    Gauge gauge(hooks.progress);

    // Collection type and the first row count.
    long rowCount = 0;
    if (!input.audExists) {
        t.Type = CollectionType::Netora;
        rowCount = 50;
    } else if (HasSpectralLine(input.audText)) {
        t.Type = CollectionType::Spectral;
        rowCount = std::max(input.segMaxNumber, 0);
    } else {
        const AudClassification c = ClassifyAud(input.audText);
        t.Type = c.type;
        rowCount = c.smdLines;
    }
    if (rowCount > kMaxRows) {
        rowCount = kMaxRows;
        t.RowsCapped = true;
    }
    const int segClipCount = std::max(input.segClipCount, 0);
    const long n = std::max(rowCount, static_cast<long>(segClipCount));
    const auto slots = static_cast<std::size_t>(n) + 1;

    t.RowLabel.assign(slots, {});
    t.RowMode.assign(slots, {});
    if (t.Type == CollectionType::Netora) {
        if (n >= 1) t.RowMode[1] = kNetoraRowMode;
    } else {
        // An AUD file may describe more channels than the table has rows; those are not shown.
        std::vector<RowAttributes> rows = ReadRowAttributes(input.audText);
        for (std::size_t k = 1; k <= rows.size() && k < slots; ++k) {
            t.RowLabel[k] = std::move(rows[k - 1].label);
            t.RowMode[k] = std::move(rows[k - 1].mode);
        }
    }

    const TimeScale scale = ComputeTimeScale((input.segStop - input.segStart) * 86400.0);
    t.SecondsPerUnit = scale.secondsPerUnit;
    t.SegWidthUnits = scale.widthUnits;
    t.ScaleWidth = static_cast<double>(scale.widthUnits) + static_cast<double>(scale.widthUnits) / 501.0;
    const bool byFrequency = t.Type != CollectionType::Priority;

    // The segment's clips: the clip lines the segment table counted, those with a level, from its
    // START line up to the next one that opens a segment. Each clip's fields are read once, here.
    if (hooks.activity) hooks.activity(" Reading File...");
    t.ClipLine.Reset(segClipCount);
    std::vector<ClipFields> parsed(static_cast<std::size_t>(segClipCount) + 1);
    DateReader dates[2]; // starts and stops: a segment's clips share their dates, starts repeat
    int clips = 0;
    {
        LineCursor cursor(input.eventText);
        std::string_view line;
        int segment = 0;
        while (segment < input.selectedSegment && cursor.Next(line))
            if (OpensSegment(line)) ++segment;
        if (segment == input.selectedSegment && input.selectedSegment >= 1) {
            while (clips < segClipCount && cursor.Next(line)) {
                if (!IsClipLine(line)) {
                    if (OpensSegment(line)) break;
                    continue;
                }
                const LineFields f = SplitFields(line);
                if (f[6].empty()) continue;
                t.ClipLine.Set(++clips, line.substr(std::min<std::size_t>(4, line.size())));
                // The table's line holds the line's fields from field 1 on, unless it was cut at 80
                // characters or the keyword is longer than "WAV".
                ClipFields& clip = parsed[static_cast<std::size_t>(clips)];
                if (line.size() <= 4 + kClipLineLength && line[3] == ',') {
                    clip = ReadClipFields(f[2], f[3], f[4], f[5], dates, input.segStart, t.SecondsPerUnit,
                                          byFrequency, rowCount);
                } else {
                    const LineFields g = SplitFields(t.ClipLine[clips]);
                    clip = ReadClipFields(g[1], g[2], g[3], g[4], dates, input.segStart, t.SecondsPerUnit,
                                          byFrequency, rowCount);
                }
                gauge.Show(clips, segClipCount);
            }
        }
    }
    t.ClipLine.Truncate(clips);

    // Filing the clips into rows.
    if (hooks.activity) hooks.activity(" Processing...");
    t.Place.assign(static_cast<std::size_t>(clips) + 1, ClipPlace{});
    std::vector<int> slotOf(byFrequency ? static_cast<std::size_t>(clips) + 1 : 0, -1);
    RowMatcher matcher(input.signalBands, input.defaultIfbw);
    long tripleText = 0;
    int kept = clips;
    for (int i = 1; i <= clips; ++i) {
        gauge.Show(i, clips);
        const ClipFields& clip = parsed[static_cast<std::size_t>(i)];
        if (!clip.placed) {
            ++t.Skipped; // no place in the picture; the window tells the operator once
            continue;
        }

        const RowMatcher::Match match = matcher.MatchClipRow(clip.frequency);
        ClipPlace& place = t.Place[static_cast<std::size_t>(i)];
        place.x1 = clip.x1;
        place.x2 = clip.x2;
        if (byFrequency) {
            slotOf[static_cast<std::size_t>(i)] = matcher.Slot(match.index);
            tripleText += TripleTextLength(i, clip.x1, clip.x2);
        } else {
            place.row = clip.row;
        }

        if ((i + 1 < clips && matcher.Rows() > kMaxFrequencyRows) || tripleText > kMaxTripleText) {
            const TooManyAnswer answer = hooks.tooMany ? hooks.tooMany(i) : TooManyAnswer::Decline;
            kept = i;
            if (answer == TooManyAnswer::Split) {
                t.Split = true;
                // The segment now ends with this clip's stop, and the picture spans the part kept.
                const double units = RoundHalfEven(UnitOf(clip.stop, input.segStart, t.SecondsPerUnit));
                if (std::abs(units) < 1e15 && units >= 1) {
                    t.SegWidthUnits = static_cast<long>(units);
                    t.ScaleWidth = units + units / 501.0;
                }
            } else {
                t.Declined = true;
            }
            break;
        }
    }
    t.ClipCount = kept;
    t.ClipLine.Truncate(kept);
    t.Place.resize(static_cast<std::size_t>(kept) + 1);

    // Rows, each with its clips in clip order; frequency rows are numbered from the lowest up.
    const long rows = byFrequency ? matcher.Rows() : rowCount;
    t.RowClips.assign(static_cast<std::size_t>(std::max(n, rows)) + 1, {});
    std::vector<int> perRow(static_cast<std::size_t>(rows) + 2, 0);
    if (byFrequency) {
        std::vector<int> rowOfSlot(static_cast<std::size_t>(rows), 0);
        for (int p = 0; p < rows; ++p)
            rowOfSlot[static_cast<std::size_t>(matcher.Slot(p))] = p + 1;
        for (int i = 1; i <= kept; ++i) {
            const int slot = slotOf[static_cast<std::size_t>(i)];
            if (slot >= 0)
                t.Place[static_cast<std::size_t>(i)].row = rowOfSlot[static_cast<std::size_t>(slot)];
        }
    }
    for (int i = 1; i <= kept; ++i)
        ++perRow[static_cast<std::size_t>(t.Place[static_cast<std::size_t>(i)].row)];
    // The clips of each row, row after row (offsets into one array), so the rows fill in order.
    std::vector<int> first(static_cast<std::size_t>(rows) + 2, 0);
    for (long r = 1; r <= rows; ++r)
        first[static_cast<std::size_t>(r) + 1] =
            first[static_cast<std::size_t>(r)] + perRow[static_cast<std::size_t>(r)];
    std::vector<int> byRow(static_cast<std::size_t>(first[static_cast<std::size_t>(rows) + 1]));
    {
        std::vector<int> next(first.begin(), first.end());
        for (int i = 1; i <= kept; ++i) {
            const int r = t.Place[static_cast<std::size_t>(i)].row;
            if (r > 0) byRow[static_cast<std::size_t>(next[static_cast<std::size_t>(r)]++)] = i;
        }
    }
    for (long r = 1; r <= rows; ++r) {
        if (byFrequency) gauge.Show(r - 1, rows);
        std::vector<ClipTriple>& list = t.RowClips[static_cast<std::size_t>(r)];
        list.reserve(static_cast<std::size_t>(perRow[static_cast<std::size_t>(r)]));
        for (int k = first[static_cast<std::size_t>(r)]; k < first[static_cast<std::size_t>(r) + 1]; ++k) {
            const int i = byRow[static_cast<std::size_t>(k)];
            const ClipPlace& place = t.Place[static_cast<std::size_t>(i)];
            list.push_back({i, place.x1, place.x2});
            if (byFrequency) t.ClipLine.ReplaceNumberField(i, r);
        }
    }
    t.RowCount = rows;

    t.RowFrequency.resize(static_cast<std::size_t>(matcher.Rows()));
    t.RowBandwidth.resize(static_cast<std::size_t>(matcher.Rows()));
    for (int p = 0; p < matcher.Rows(); ++p) {
        t.RowFrequency[static_cast<std::size_t>(p)] = matcher.Centre(p);
        t.RowBandwidth[static_cast<std::size_t>(p)] = matcher.Bandwidth(p);
    }
    return t;
}

} // namespace zarn
