// The signal list in memory and in its .SIG file. Entries are entry lines; the list keeps each
// entry's frequency and bandwidth as numbers beside its line, so the placement rule and the row
// matching of other windows do not re-read the columns on every look-up.
#pragma once

#include "entry_line.h"
#include "textfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

struct SignalLoadResult;
class RecordMerge;

// Where a new frequency goes and which entry, if any, it collides with.
struct SignalSlot {
    int slot = 0;                // index the new entry takes
    std::optional<int> conflict; // the entry whose pass band holds the frequency
};

class SignalList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    bool Full() const { return Count() >= kMaxEntries; }
    const std::string& Line(int index) const { return entries_[static_cast<std::size_t>(index)].line; }
    double Frequency(int index) const { return entries_[static_cast<std::size_t>(index)].freq; }
    double Ifbw(int index) const { return entries_[static_cast<std::size_t>(index)].ifbw; }
    std::vector<std::string> Lines() const;

    void Clear();
    // Inserts at `index` (0..Count). False, and nothing changes, when the list is full or the index
    // is out of range.
    bool InsertAt(int index, std::string line);
    // Removes the entry at `index`; out-of-range indices are ignored.
    void RemoveAt(int index);
    void ReplaceAt(int index, std::string line);

    // The position a line takes by its first 12 characters: the first entry whose key is greater
    // than or equal to the line's, from the top. `replaces` tells whether that entry has the same key.
    struct SortedPosition {
        int index = 0;
        bool replaces = false;
    };
    SortedPosition FindSortedPosition(std::string_view line) const;

    // Inserts at the sorted position, replacing an entry with the same key. The index the line
    // took, or no value when the list is full and nothing is replaced.
    std::optional<int> InsertSorted(std::string line);

    // The placement and collision rule for a new frequency in MHz: the first entry, from the top,
    // whose upper band edge (f + w/2) is at or above it gives the slot; it is a conflict when its
    // lower edge (f - w/2) is at or below it too. No entry: the end, no conflict.
    SignalSlot FindSignalSlot(double mhz) const;

    static constexpr int kMaxEntries = kMaxSignalEntries;

private:
    friend SignalLoadResult MergeSignalRecords(std::string_view text, SignalList& list);
    friend class RecordMerge;

    struct Entry {
        std::string line;
        double freq = 0;
        double ifbw = 0;
    };
    static Entry MakeEntry(std::string line);
    static Entry MakeEntry(std::string line, double freq); // frequency already read from the line
    bool InOrderAt(int index) const; // the entry at `index` keeps key order with its neighbours

    std::vector<Entry> entries_;
    // True while every key is in ascending order, so the sorted position can be found by halving.
    // Lines pasted as they stand or placed by the collision rule can break the order; the search
    // then walks from the top, entry by entry.
    bool sorted_ = true;
};

// What a load did: the file could not be read (nothing merged), or how many records were merged,
// refused (a frequency field that is not a usable frequency) and left out because the list was full.
struct SignalLoadResult {
    FileResult file;
    int merged = 0;
    int refused = 0;
    int overflow = 0;
};

// Reads every record of the file and merges it into the list; the record read last wins for a
// frequency text. The list is not cleared first.
SignalLoadResult LoadSignalFile(const std::string& path, SignalList& list);

// Merges the records of a text already in memory; used by LoadSignalFile.
SignalLoadResult MergeSignalRecords(std::string_view text, SignalList& list);

// The whole file text for the list: one record per entry, in list order, each ended by CR LF.
std::string SignalFileText(const SignalList& list);

// Writes the list to the file so that a crash or a full disk at any point leaves either the old
// file or the new one whole. On failure the file on disk is unchanged and the reason is returned.
FileResult SaveSignalFile(const std::string& path, const SignalList& list);

} // namespace zarn
