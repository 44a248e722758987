#include "clip_table.h"

#include "dates.h"
#include "eventline.h"
#include "indexed.h"
#include "numbers.h"
#include "textfile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

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
    At(length_, i) = kClipLineLength;
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
    At(length_, i) = static_cast<std::uint8_t>(length);
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
struct ClipToFile {
    bool placed = false; // the times (and a PRIORITY channel) have a place in the picture
    std::int16_t x1 = 0, x2 = 0, row = 0;
    double frequency = 0;
    double stop = 0;
};

// The clip times of a segment (starts and stops alike) read into dates and picture units. The
// equipment writes them as "mm/dd/yy hh:mm:ss", a segment's clips share the date, a start is mostly
// the one before it and a stop one of the last few seconds: so the texts of that form are kept
// with what they read as, in a small table by their time of day, and a text met again is not read
// again. What a text reads as depends on the text alone, so a kept reading is the very one a new
// reading would give.
class TimeReader {
public:
    TimeReader(double segStart, int secondsPerUnit) : segStart_(segStart), secondsPerUnit_(secondsPerUnit) {}

    // What a time reads as: a date, when it is one, and its unit, when that fits 16 bits.
    struct Time {
        double date = 0;
        std::int16_t unit = 0;
        bool hasDate = false, hasUnit = false;
    };

    Time Read(std::string_view text) {
        if (text.size() != kFormLength || text[8] != ' ') return ReadText(text);
        std::uint64_t day, time; // "mm/dd/yy" and "hh:mm:ss", the blank between them checked above
        std::memcpy(&day, text.data(), sizeof day);
        std::memcpy(&time, text.data() + 9, sizeof time);
        Kept& kept = kept_[static_cast<std::size_t>((time * 0x9E3779B97F4A7C15ull) >> (64 - kKeptBits))];
        if (kept.used && kept.time == time && kept.day == day) return kept.read;
        return Keep(kept, day, time, text);
    }

private:
    static constexpr std::size_t kFormLength = 17;
    static constexpr int kKeptBits = 8;

    struct Kept {
        std::uint64_t day = 0, time = 0;
        Time read;
        bool used = false;
    };

    // Out of the way of the kept texts' path, which most times take.
    [[gnu::noinline]] Time Keep(Kept& kept, std::uint64_t day, std::uint64_t time, std::string_view text) {
        kept = {day, time, ReadText(text), true};
        return kept.read;
    }

    Time ReadText(std::string_view text) {
        Time read;
        if (const std::optional<double> date = dates_.Read(text)) {
            read.date = *date;
            read.hasDate = true;
            if (const std::optional<std::int16_t> unit =
                    RoundToInt16(UnitOf(*date, segStart_, secondsPerUnit_))) {
                read.unit = *unit;
                read.hasUnit = true;
            }
        }
        return read;
    }

    DateReader dates_;
    double segStart_;
    int secondsPerUnit_;
    std::array<Kept, std::size_t{1} << kKeptBits> kept_{};
};

// A PRIORITY clip's channel, its number rounded half to even. The equipment writes a few plain
// digits, read here at once; anything else is read as any number is.
std::optional<std::int16_t> ChannelOf(std::string_view text) {
    if (!text.empty() && text.size() <= 4) {
        int value = 0;
        for (const char c : text) {
            const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
            if (digit > 9) return RoundToInt16(LeadingNumber(text));
            value = value * 10 + static_cast<int>(digit);
        }
        return static_cast<std::int16_t>(value);
    }
    return RoundToInt16(LeadingNumber(text));
}

// A clip's frequency in MHz. The equipment writes it as "0145.0250", read here without a loop;
// anything else is read as any number is (the value is the same for that form either way).
double FrequencyOf(std::string_view text) {
    if (const auto fixed = FixedDecimalValue<4, 4>(text)) return *fixed;
    return LeadingNumber(text);
}

ClipToFile ReadClipToFile(const ClipLineFields& f, TimeReader& times, bool byFrequency, long rowCount) {
    ClipToFile out;
    const TimeReader::Time start = times.Read(f[ClipFieldId::StartTime]);
    const TimeReader::Time stop = times.Read(f[ClipFieldId::StopTime]);
    if (!start.hasDate || !stop.hasDate || !start.hasUnit || !stop.hasUnit) return out;
    if (!byFrequency) {
        const auto row = ChannelOf(f[ClipFieldId::Number]);
        if (!row || *row < 1 || *row > rowCount) return out;
        out.row = *row;
    }
    out.placed = true;
    out.x1 = start.unit;
    out.x2 = stop.unit;
    out.frequency = FrequencyOf(f[ClipFieldId::Frequency]);
    out.stop = stop.date;
    return out;
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

    auto lo = [this](std::size_t p) { return LoOf(slot_[p]); };
    const std::size_t m = slot_.size();
    // The middle row: m / 2 rounded half to even.
    const std::size_t h = m / 2 + (m % 2 == 1 && (m / 2) % 2 == 1 ? 1 : 0);
    const double middle = m == 0 ? 0.0 : Centre(static_cast<int>(h));
    std::size_t p = f <= middle ? 0 : h;

    if (irregular_ == 0 && descents_ == 0 && f == f) {
        // Every window is an interval, so the scan stops at the first row whose high edge is at or
        // above f; those edges ascend, so that row is found by halving, or is the row of last time
        // when that row still is the first from p whose high edge reaches f. Rows keep their
        // windows, so the row of last time still holds f, and it is still the first when the row
        // before it ends below f and it is at p or after it: it is the middle row, or its high edge
        // passes the middle row's.
        if (const int s = memo.slot; s >= 0) {
            const int before = before_[static_cast<std::size_t>(s)];
            const bool fromP = p == 0 || s == slot_[h] || HiOf(s) > hi_[h];
            if (fromP && (s == slot_[p] || (before >= 0 && HiOf(before) < f))) return {true, s};
        }
        p = FirstAtOrAbove(hi_, p, f);
        if (p < m && lo(p) <= f) {
            memo.slot = slot_[p];
            return {true, slot_[p]};
        }
    } else {
        for (; p < m; ++p) {
            if (lo(p) <= f && f <= hi_[p]) return {true, slot_[p]};
            if (f < lo(p)) break;
        }
    }

    // A new row at p. Keep the counts of what the halving needs in step with the rows.
    auto descent = [&](std::size_t a, std::size_t c) { return !(hi_[a] <= hi_[c]) ? 1 : 0; };
    if (p > 0 && p < m) descents_ -= descent(p - 1, p);
    const auto at = static_cast<std::ptrdiff_t>(p);
    const int slot = static_cast<int>(m);
    // Only the high edges and the slots are kept in row order: a row's place moves with every row
    // made below it, its window does not.
    centreOf_.push_back(f);
    bwOf_.push_back(b);
    before_.push_back(p > 0 ? slot_[p - 1] : -1);
    if (p < m) before_[static_cast<std::size_t>(slot_[p])] = slot;
    hi_.insert(hi_.begin() + at, f + b / 2);
    slot_.insert(slot_.begin() + at, slot);
    if (!(lo(p) <= hi_[p])) ++irregular_;
    if (p > 0) descents_ += descent(p - 1, p);
    if (p < m) descents_ += descent(p, p + 1);
    memo.slot = slot;
    return {false, slot};
}

namespace {

// The collection type and the first row count: NETORA with 50 rows without an AUD file, SPECTRAL
// with the segment's largest clip number when the AUD file has a "SPE" line, else what its SMD
// lines tell. Capped at kMaxRows.
long ReadCollectionType(const ClipTableInput& input, ClipTable& t) {
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
    return rowCount;
}

// Labels and modes of rows 1..slots-1: the AUD file's, or the one NETORA mode on row 1.
void ReadRowTexts(const ClipTableInput& input, std::size_t slots, ClipTable& t) {
    t.RowLabel.assign(slots, {});
    t.RowMode.assign(slots, {});
    if (t.Type == CollectionType::Netora) {
        if (slots >= 2) t.RowMode[1] = kNetoraRowMode;
        return;
    }
    // An AUD file may describe more channels than the table has rows; those are not shown.
    std::vector<RowAttributes> rows = ReadRowAttributes(input.audText);
    for (std::size_t k = 1; k <= rows.size() && k < slots; ++k) {
        t.RowLabel[k] = std::move(rows[k - 1].label);
        t.RowMode[k] = std::move(rows[k - 1].mode);
    }
}

void SetTimeScale(const ClipTableInput& input, ClipTable& t) {
    const TimeScale scale = ComputeTimeScale((input.segStop - input.segStart) * 86400.0);
    t.SecondsPerUnit = scale.secondsPerUnit;
    t.SegWidthUnits = scale.widthUnits;
    t.ScaleWidth = static_cast<double>(scale.widthUnits) + static_cast<double>(scale.widthUnits) / 501.0;
}

// What reading and filing the clips share.
struct Loading {
    const ClipTableInput& input;
    Gauge& gauge;
    long rowCount = 0;        // rows the collection type gave (PRIORITY: the channels)
    bool byFrequency = false; // SPECTRAL and NETORA file clips by frequency, PRIORITY by channel
};

// Moves the cursor past the START line that opens `selected`. False when the text has fewer
// segments.
bool SkipToSegment(LineCursor& cursor, int selected) {
    std::string_view line;
    int segment = 0;
    while (segment < selected && cursor.Next(line))
        if (OpensSegment(line)) ++segment;
    return segment == selected && selected >= 1;
}

// The segment's clips: the clip lines the segment table counted, those with a level, from its
// START line up to the next one that opens a segment. Each clip's line goes into t.ClipLine and
// its fields are read once, into parsed[1..]. Returns the number of clips read.
int ReadSegmentClips(const Loading& ld, int segClipCount, ClipTable& t, std::vector<ClipToFile>& parsed) {
    t.ClipLine.Reset(segClipCount);
    // Grown clip by clip rather than filled first: 32767 clips are most of a megabyte.
    parsed.clear();
    parsed.reserve(static_cast<std::size_t>(segClipCount) + 1);
    parsed.emplace_back(); // element 0 is not a clip
    TimeReader times(ld.input.segStart, t.SecondsPerUnit);
    int clips = 0;
    LineCursor cursor(ld.input.eventText);
    if (!SkipToSegment(cursor, ld.input.selectedSegment)) return clips;
    std::string_view line;
    while (clips < segClipCount && cursor.Next(line)) {
        if (!IsClipLine(line)) {
            if (OpensSegment(line)) break;
            continue;
        }
        const ClipLineFields f = ClipLineFields::OfEventLine(line);
        if (f[ClipFieldId::Level].empty()) continue;
        t.ClipLine.Set(++clips, line.substr(std::min<std::size_t>(4, line.size())));
        // The table's line holds the same fields as the event file's line, unless it was cut at
        // 80 characters or the keyword is longer than "WAV": then the table's line is what counts.
        const bool sameFields = line.size() <= 4 + kClipLineLength && line[3] == ',';
        const auto read = [&](const ClipLineFields& fields) {
            return ReadClipToFile(fields, times, ld.byFrequency, ld.rowCount);
        };
        parsed.push_back(sameFields ? read(f) : read(ClipLineFields::OfTableLine(t.ClipLine[clips])));
        ld.gauge.Show(clips, segClipCount);
    }
    return clips;
}

// Asks what to do about a segment too full to show at clip i. A split ends the segment with that
// clip's stop, and the picture spans the part kept; without an answer the load is declined.
void AnswerTooMany(const Loading& ld, const ClipTableHooks& hooks, int i, const ClipToFile& clip,
                   ClipTable& t) {
    const TooManyAnswer answer = hooks.tooMany ? hooks.tooMany(i) : TooManyAnswer::Decline;
    if (answer != TooManyAnswer::Split) {
        t.Declined = true;
        return;
    }
    t.Split = true;
    const double units = RoundHalfEven(UnitOf(clip.stop, ld.input.segStart, t.SecondsPerUnit));
    if (std::abs(units) < 1e15 && units >= 1) {
        t.SegWidthUnits = static_cast<long>(units);
        t.ScaleWidth = units + units / 501.0;
    }
}

// Files clips 1..clips: their units go into t.Place, a PRIORITY clip's row too; a frequency clip's
// row slot goes into slotOf, since the rows are numbered only once all are made. Stops at the
// first clip that makes too many frequency rows or too long row lists. Returns the clips kept.
int FileClips(const Loading& ld, const ClipTableHooks& hooks, const std::vector<ClipToFile>& parsed,
              int clips, RowMatcher& matcher, std::vector<int>& slotOf, ClipTable& t) {
    t.Place.assign(static_cast<std::size_t>(clips) + 1, ClipPlace{});
    slotOf.assign(ld.byFrequency ? static_cast<std::size_t>(clips) + 1 : 0, -1);
    long tripleText = 0;
    for (int i = 1; i <= clips; ++i) {
        ld.gauge.Show(i, clips);
        const ClipToFile& clip = At(parsed, i);
        if (!clip.placed) {
            ++t.Skipped; // no place in the picture; the window tells the operator once
            continue;
        }

        const RowMatcher::Match match = matcher.MatchClipRow(clip.frequency);
        ClipPlace& place = At(t.Place, i);
        place.x1 = clip.x1;
        place.x2 = clip.x2;
        if (ld.byFrequency) {
            At(slotOf, i) = match.slot;
            tripleText += TripleTextLength(i, clip.x1, clip.x2);
        } else {
            place.row = clip.row;
        }

        if ((i + 1 < clips && matcher.Rows() > kMaxFrequencyRows) || tripleText > kMaxTripleText) {
            AnswerTooMany(ld, hooks, i, clip, t);
            return i;
        }
    }
    return clips;
}

// Gives each kept frequency clip its row: rows are numbered from the lowest frequency up.
void NumberFrequencyRows(const RowMatcher& matcher, const std::vector<int>& slotOf, int kept, ClipTable& t) {
    std::vector<int> rowOfSlot(static_cast<std::size_t>(matcher.Rows()), 0);
    for (int p = 0; p < matcher.Rows(); ++p)
        At(rowOfSlot, matcher.Slot(p)) = p + 1;
    for (int i = 1; i <= kept; ++i) {
        const int slot = At(slotOf, i);
        if (slot >= 0) At(t.Place, i).row = At(rowOfSlot, slot);
    }
}

// The kept clips grouped by row, rows 1..rows in order and each row's clips in clip order: the
// clips of row r are byRow[first[r] .. first[r + 1] - 1].
struct ClipsByRow {
    std::vector<int> first;
    std::vector<int> byRow;
};

ClipsByRow GroupClipsByRow(const ClipTable& t, int kept, long rows) {
    std::vector<int> perRow(static_cast<std::size_t>(rows) + 2, 0);
    for (int i = 1; i <= kept; ++i)
        ++perRow[static_cast<std::size_t>(At(t.Place, i).row)];
    ClipsByRow g;
    g.first.assign(static_cast<std::size_t>(rows) + 2, 0);
    for (long r = 1; r <= rows; ++r)
        g.first[static_cast<std::size_t>(r) + 1] = At(g.first, r) + At(perRow, r);
    g.byRow.resize(static_cast<std::size_t>(g.first[static_cast<std::size_t>(rows) + 1]));
    std::vector<int> next(g.first.begin(), g.first.end());
    for (int i = 1; i <= kept; ++i) {
        const int r = At(t.Place, i).row;
        if (r > 0) g.byRow[static_cast<std::size_t>(At(next, r)++)] = i;
    }
    return g;
}

// Each row's triples, in clip order. A frequency clip's line takes its row as its number.
void BuildRowTriples(const ClipsByRow& g, long rows, bool byFrequency, Gauge& gauge, ClipTable& t) {
    for (long r = 1; r <= rows; ++r) {
        if (byFrequency) gauge.Show(r - 1, rows);
        const auto from = static_cast<std::size_t>(At(g.first, r));
        const auto to = static_cast<std::size_t>(g.first[static_cast<std::size_t>(r) + 1]);
        std::vector<ClipTriple>& list = At(t.RowClips, r);
        list.reserve(to - from);
        for (std::size_t k = from; k < to; ++k) {
            const int i = g.byRow[k];
            const ClipPlace& place = At(t.Place, i);
            list.push_back({i, place.x1, place.x2});
            if (byFrequency) t.ClipLine.ReplaceNumberField(i, r);
        }
    }
}

} // namespace

ClipTable BuildClipTable(const ClipTableInput& input, const ClipTableHooks& hooks) {
    ClipTable t;
    Gauge gauge(hooks.progress);
    const long rowCount = ReadCollectionType(input, t);
    const int segClipCount = std::max(input.segClipCount, 0);
    SetTimeScale(input, t);
    const Loading ld{input, gauge, rowCount, t.Type != CollectionType::Priority};

    if (hooks.activity) hooks.activity(" Reading File...");
    std::vector<ClipToFile> parsed;
    const int clips = ReadSegmentClips(ld, segClipCount, t, parsed);
    t.ClipLine.Truncate(clips);

    if (hooks.activity) hooks.activity(" Processing...");
    RowMatcher matcher(input.signalBands, input.defaultIfbw);
    std::vector<int> slotOf;
    const int kept = FileClips(ld, hooks, parsed, clips, matcher, slotOf, t);
    t.ClipCount = kept;
    t.ClipLine.Truncate(kept);
    t.Place.resize(static_cast<std::size_t>(kept) + 1);

    const long rows = ld.byFrequency ? matcher.Rows() : rowCount;
    // Every reader stops at RowCount (and at row 1 for the NETORA mode), so the row texts and lists
    // need no room past it: a frequency segment sized for a row per clip cost megabytes.
    ReadRowTexts(input, static_cast<std::size_t>(std::max(rows, 1L)) + 1, t);
    t.RowClips.assign(static_cast<std::size_t>(rows) + 1, {});
    if (ld.byFrequency) NumberFrequencyRows(matcher, slotOf, kept, t);
    BuildRowTriples(GroupClipsByRow(t, kept, rows), rows, ld.byFrequency, gauge, t);
    t.RowCount = rows;

    t.RowFrequency.resize(static_cast<std::size_t>(matcher.Rows()));
    t.RowBandwidth.resize(static_cast<std::size_t>(matcher.Rows()));
    for (int p = 0; p < matcher.Rows(); ++p) {
        At(t.RowFrequency, p) = matcher.Centre(p);
        At(t.RowBandwidth, p) = matcher.Bandwidth(p);
    }
    return t;
}

} // namespace zarn
