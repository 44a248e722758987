// The clip table of one segment: the collection's rows, every clip's line, and per row its clips
// with their extent in picture units. Built when the summary picture is loaded; the picture, the
// readouts, the play lists, the player and the export all work on it.
#pragma once

#include "audfile.h"
#include "eventline.h"
#include "signal_bands.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

inline constexpr int kClipLineLength = 80;
inline constexpr long kMaxRows = 32767;
inline constexpr int kMaxFrequencyRows = 1999;
inline constexpr long kMaxTripleText = 65000;

// A clip of a row: its number and its start and stop in picture units.
struct ClipTriple {
    int clip = 0;
    int x1 = 0, x2 = 0;
};

// Every clip's line without its "WAV,", cut or padded with blanks to 80 characters. The lines sit
// in one buffer at a fixed stride, so 32767 of them cost one allocation. Renumbering a row may make
// a line a few characters shorter or longer than 80; it keeps its own length.
class ClipLineTable {
public:
    // Room for clips 1..count, all empty.
    void Reset(int count);
    int Count() const { return count_; }
    // Clip i, 1..Count().
    std::string_view operator[](int i) const {
        return {buffer_.data() + Offset(i), length_[static_cast<std::size_t>(i)]};
    }
    // A field of clip i's line; "" when there is no clip i.
    std::string_view Field(int i, ClipFieldId id) const {
        return i >= 1 && i <= count_ ? ClipFieldOf((*this)[i], id) : std::string_view();
    }
    // Stores the line cut or padded to 80 characters.
    void Set(int i, std::string_view lineWithoutKeyword);
    // Replaces the text between the line's first and second comma by `number` in plain decimal.
    // A line without two commas is left as it is.
    void ReplaceNumberField(int i, long number);
    // Drops the clips after `count`.
    void Truncate(int count);

private:
    static constexpr std::size_t kStride = 96; // 80 + room for a longer number field
    std::size_t Offset(int i) const { return static_cast<std::size_t>(i) * kStride; }

    // Leaves new characters uninitialised: Set writes a line's whole slot anyway, so the 3 MB need
    // no filling first.
    template <class T> struct UninitAllocator : std::allocator<T> {
        template <class U> struct rebind { using other = UninitAllocator<U>; };
        UninitAllocator() = default;
        template <class U> UninitAllocator(const UninitAllocator<U>&) noexcept {}
        template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
        template <class U, class... Args> void construct(U* p, Args&&... args) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };
    std::vector<char, UninitAllocator<char>> buffer_;
    std::vector<std::uint8_t> length_;
    int count_ = 0;
};

// The picture place of clip i: its row (0 = the clip has no place and is not drawn) and its
// start and stop units, as the row's triple holds them.
struct ClipPlace {
    int row = 0;
    int x1 = 0, x2 = 0;
};

struct ClipTable {
    CollectionType Type = CollectionType::Netora;
    long RowCount = 0;
    bool RowsCapped = false; // the AUD file asked for more than 32767 rows

    ClipLineTable ClipLine;                        // 1..ClipCount
    std::vector<ClipPlace> Place;                  // 0..ClipCount
    std::vector<std::vector<ClipTriple>> RowClips; // 0..RowCount, used from 1, clip order within a row
    std::vector<std::string> RowLabel, RowMode;    // 0..max(RowCount, 1), used from 1
    int ClipCount = 0;                             // clips in the table (the segment's, or cut by a split)

    int SecondsPerUnit = 1;
    long SegWidthUnits = 0;
    double ScaleWidth = 0; // SegWidthUnits + SegWidthUnits / 501

    // SPECTRAL and NETORA: position j describes row j + 1 (frequency ascending). PRIORITY: the
    // frequency windows met while loading, which nothing else reads.
    std::vector<double> RowFrequency; // MHz
    std::vector<double> RowBandwidth; // MHz

    int Skipped = 0;       // clips left out: no row, a date that does not convert, a time beyond 16 bits
    bool Declined = false; // the operator declined the split: the window closes
    bool Split = false;    // the event file was split after clip ClipCount
};

// What happens when a segment holds too many frequency rows or too long row lists at clip i.
enum class TooManyAnswer { Split, Decline };

struct ClipTableInput {
    bool audExists = false;
    std::string_view audText;   // the companion AUD file, when it exists
    std::string_view eventText; // the whole event file
    int selectedSegment = 1;
    double segStart = 0, segStop = 0; // dates (days)
    int segClipCount = 0;
    int segMaxNumber = 0;
    double defaultIfbw = 0.025;               // MHz
    const SignalBands* signalBands = nullptr; // the signal list's bands, may be empty
};

struct ClipTableHooks {
    std::function<void(const char* activity)> activity; // " Reading File...", " Processing..."
    std::function<void(int percent)> progress;          // called only when the percentage changes
    // Asked once at most. Split means the caller has split the event file after clip i (or tried
    // to and reported the failure); clips 1..i stay in the table either way.
    std::function<TooManyAnswer(int clip)> tooMany;
};

// Builds the table. Clips are the segment's clip lines with a level (the ones the segment table
// counted), in file order. A clip without a place is counted in Skipped and has row 0.
ClipTable BuildClipTable(const ClipTableInput& input, const ClipTableHooks& hooks = {});

// Seconds per picture unit and the segment's width in units for a segment of `seconds`.
struct TimeScale {
    int secondsPerUnit = 1;
    long widthUnits = 0;
};
TimeScale ComputeTimeScale(double seconds);

// Picture unit of a date, unrounded: (date - segStart) * 86400 / secondsPerUnit.
inline double UnitOf(double date, double segStart, int secondsPerUnit) {
    const double seconds = (date - segStart) * 86400.0;
    // The time scale is a power of two, whose reciprocal is exact: the product is then the very
    // double the quotient is, and every clip's times are spared a division's wait.
    if (secondsPerUnit > 0 && (secondsPerUnit & (secondsPerUnit - 1)) == 0)
        return seconds * (1.0 / secondsPerUnit);
    return seconds / secondsPerUnit;
}

// The rows of frequency windows, kept in ascending order of their centres, as the clips of a
// SPECTRAL or NETORA segment are filed into them.
class RowMatcher {
public:
    RowMatcher(const SignalBands* signalBands, double defaultIfbw);

    struct Match {
        bool found = false; // an existing row holds the frequency
        int slot = 0;       // the row's slot (see Slot)
    };
    // Files frequency f: the signal list entry that holds f gives the window (its frequency and
    // bandwidth), else f with the default bandwidth; then the first row from the middle or the top
    // whose window holds it, or a new row in ascending order.
    Match MatchClipRow(double f);

    int Rows() const { return static_cast<int>(slot_.size()); }
    double Centre(int p) const { return centreOf_[static_cast<std::size_t>(Slot(p))]; }
    double Bandwidth(int p) const { return bwOf_[static_cast<std::size_t>(Slot(p))]; }
    // The slot of the row at position p (slots count from 0 in the order rows were made).
    int Slot(int p) const { return slot_[static_cast<std::size_t>(p)]; }

private:
    const SignalBands* signals_;
    double defaultIfbw_;
    std::vector<double> centreOf_, bwOf_; // each row's window by its slot
    std::vector<int> before_;             // by slot: the slot of the row before it, -1 for the first
    std::vector<double> hi_;              // by position: centre + bandwidth / 2, for the halving
    std::vector<int> slot_;               // by position
    // What recently filed frequencies gave: a segment comes back to the same frequencies again and
    // again, and the list is large. Besides the signal list's window, the row found last time, which
    // is checked before it is trusted (rows made since may come before it).
    struct Memo {
        double f = 0, centre = 0, bw = 0;
        int slot = -1;
        bool used = false;
    };
    std::vector<Memo> memo_;
    double LoOf(int slot) const {
        return centreOf_[static_cast<std::size_t>(slot)] - bwOf_[static_cast<std::size_t>(slot)] / 2;
    }
    double HiOf(int slot) const {
        return centreOf_[static_cast<std::size_t>(slot)] + bwOf_[static_cast<std::size_t>(slot)] / 2;
    }
    Memo& MemoOf(double f);
    // While every window is a proper interval and the high edges never fall from one row to the
    // next, the scan's stop row can be found by halving; these count the rows and neighbours that
    // break that, and the scan walks as long as any do.
    int irregular_ = 0;
    int descents_ = 0;
};

} // namespace zarn
