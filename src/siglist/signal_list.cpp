#include "signal_list.h"

#include "numbers.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace zarn {

std::vector<std::string> SignalList::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(entries_.size());
    for (const Entry& e : entries_)
        lines.push_back(e.line);
    return lines;
}

SignalList::Entry SignalList::MakeEntry(std::string line) {
    Entry e;
    e.freq = EntryFrequency(line);
    e.ifbw = EntryIfbw(line);
    e.line = std::move(line);
    return e;
}

namespace {

// EntryIfbw, with the bandwidth column of a whole entry line (as every parsed record is) read in
// place: a file load reads one per record.
double IfbwOfLine(std::string_view line) {
    if (line.size() >= kEntryLineLength)
        if (const auto v = FixedDecimalValue<2, 3>(line.substr(15, 6))) return *v;
    return EntryIfbw(line);
}

} // namespace

SignalList::Entry SignalList::MakeEntry(std::string line, double freq) {
    Entry e;
    e.freq = freq;
    e.ifbw = IfbwOfLine(line);
    e.line = std::move(line);
    return e;
}

bool SignalList::InOrderAt(int index) const {
    const std::size_t i = static_cast<std::size_t>(index);
    const std::string_view key = EntryKey(entries_[i].line);
    if (i > 0 && EntryKey(entries_[i - 1].line) > key) return false;
    if (i + 1 < entries_.size() && key > EntryKey(entries_[i + 1].line)) return false;
    return true;
}

void SignalList::Clear() {
    entries_.clear();
    sorted_ = true;
}

bool SignalList::InsertAt(int index, std::string line) {
    if (index < 0 || index > Count() || Full()) return false;
    entries_.insert(entries_.begin() + index, MakeEntry(std::move(line)));
    if (sorted_ && !InOrderAt(index)) sorted_ = false;
    return true;
}

void SignalList::RemoveAt(int index) {
    if (index < 0 || index >= Count()) return;
    entries_.erase(entries_.begin() + index);
}

void SignalList::ReplaceAt(int index, std::string line) {
    if (index < 0 || index >= Count()) return;
    entries_[static_cast<std::size_t>(index)] = MakeEntry(std::move(line));
    if (sorted_ && !InOrderAt(index)) sorted_ = false;
}

SignalList::SortedPosition SignalList::FindSortedPosition(std::string_view line) const {
    const std::string_view key = EntryKey(line);
    std::size_t i = 0;
    if (sorted_) {
        i = static_cast<std::size_t>(
            std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const Entry& e, std::string_view k) { return EntryKey(e.line) < k; }) -
            entries_.begin());
    } else {
        while (i < entries_.size() && EntryKey(entries_[i].line) < key)
            ++i;
    }
    return {static_cast<int>(i), i < entries_.size() && EntryKey(entries_[i].line) == key};
}

std::optional<int> SignalList::InsertSorted(std::string line) {
    const SortedPosition pos = FindSortedPosition(line);
    if (!pos.replaces) {
        if (!InsertAt(pos.index, std::move(line))) return std::nullopt;
        return pos.index;
    }
    if (sorted_) {
        // Same key, so the order holds and the line takes the replaced entry's place.
        entries_[static_cast<std::size_t>(pos.index)] = MakeEntry(std::move(line));
        return pos.index;
    }
    // Out of order the rule is remove, then look again: everything above the removed entry is
    // still below the key, so the walk goes on from there.
    entries_.erase(entries_.begin() + pos.index);
    const std::string_view key = EntryKey(line);
    std::size_t i = static_cast<std::size_t>(pos.index);
    while (i < entries_.size() && EntryKey(entries_[i].line) < key)
        ++i;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(i), MakeEntry(std::move(line)));
    return static_cast<int>(i);
}

SignalSlot SignalList::FindSignalSlot(double mhz) const {
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const Entry& e = entries_[static_cast<std::size_t>(i)];
        const double half = e.ifbw / 2;
        if (mhz <= e.freq + half) {
            SignalSlot slot{i, std::nullopt};
            if (mhz >= e.freq - half) slot.conflict = i;
            return slot;
        }
    }
    return {n, std::nullopt};
}

namespace {

// A parsed record's 12-character key packed so that integer order is byte order, with its place in
// the file: sorting these orders by key and keeps file order within a key.
struct RecordKey {
    std::uint64_t high;
    std::uint32_t low;
    std::uint32_t seq;
    bool SameKey(const RecordKey& o) const { return high == o.high && low == o.low; }
    bool KeyBelow(const RecordKey& o) const { return high < o.high || (high == o.high && low < o.low); }
    bool operator<(const RecordKey& o) const {
        if (high != o.high) return high < o.high;
        if (low != o.low) return low < o.low;
        return seq < o.seq;
    }
};

RecordKey PackKey(std::string_view key, std::uint32_t seq) {
    // Big-endian reads of the 12 bytes, so that integer order is byte order. A parsed line always
    // has its 12 key characters.
    std::uint64_t high = 0;
    std::uint32_t low = 0;
    std::memcpy(&high, key.data(), 8);
    std::memcpy(&low, key.data() + 8, 4);
    if constexpr (std::endian::native == std::endian::little) {
        high = __builtin_bswap64(high);
        low = __builtin_bswap32(low);
    }
    return RecordKey{high, low, seq};
}

// One key of the text: its records are keys[first, end); the last of them is what the list gets.
struct KeyGroup {
    std::size_t first = 0, end = 0;
    bool listed = false;   // the list already has an entry with this key
    bool admitted = false; // the group goes into the list
};

} // namespace

// The steps of MergeSignalRecords; a friend of the list, so that they work on its entries directly.
class RecordMerge {
public:
    using Entry = SignalList::Entry;

    // Out of order, the position of each record depends on the ones before it.
    static SignalLoadResult OneByOne(LineCursor& cursor, SignalList& list) {
        SignalLoadResult result;
        for (std::string_view record; cursor.Next(record);) {
            std::optional<std::string> line = ParseSignalRecordLine(record);
            if (!line)
                ++result.refused;
            else if (list.InsertSorted(std::move(*line)))
                ++result.merged;
            else
                ++result.overflow;
        }
        return result;
    }

    // Every usable record of the text; refused records are counted in `result`. `ascending` tells
    // whether every record's key is greater than the one before it.
    static void Parse(std::string_view text, LineCursor& cursor, std::vector<Entry>& parsed, bool& ascending,
                      SignalLoadResult& result) {
        // One allocation for all records: count the lines first.
        parsed.reserve(LineCount(text));
        ascending = true;
        RecordKey last{};
        for (std::string_view record; cursor.Next(record);) {
            double freq = 0;
            std::optional<std::string> line = ParseSignalRecordLine(record, freq);
            if (!line) {
                ++result.refused;
                continue;
            }
            const RecordKey key = PackKey(EntryKey(*line), 0);
            if (!parsed.empty() && !last.KeyBelow(key)) ascending = false;
            last = key;
            parsed.push_back(SignalList::MakeEntry(std::move(*line), freq));
        }
    }

    // The records' keys, each with its place in the text. Made only when the records are not
    // already the list: a file as this program writes it, loaded into an empty list, needs none.
    static std::vector<RecordKey> Keys(const std::vector<Entry>& parsed) {
        std::vector<RecordKey> keys;
        keys.reserve(parsed.size());
        for (std::size_t i = 0; i < parsed.size(); ++i)
            keys.push_back(PackKey(EntryKey(parsed[i].line), static_cast<std::uint32_t>(i)));
        return keys;
    }

    // The keys (sorted) in groups of equal key, each marked as already listed or not; `newKeys`
    // gets the number of groups not listed.
    static std::vector<KeyGroup> Group(const std::vector<RecordKey>& keys, const std::vector<Entry>& parsed,
                                       const std::vector<Entry>& entries, std::size_t& newKeys) {
        std::vector<KeyGroup> groups;
        newKeys = 0;
        for (std::size_t i = 0, e = 0; i < keys.size();) {
            KeyGroup g;
            g.first = i;
            while (i < keys.size() && keys[i].SameKey(keys[g.first]))
                ++i;
            g.end = i;
            const std::string_view key = EntryKey(parsed[keys[g.first].seq].line);
            while (e < entries.size() && EntryKey(entries[e].line) < key)
                ++e;
            g.listed = e < entries.size() && EntryKey(entries[e].line) == key;
            if (!g.listed) ++newKeys;
            groups.push_back(g);
        }
        return groups;
    }

    // Marks the groups that get into the list: every listed key, and of the new keys those met first
    // in the file while there is room. Returns how many groups were admitted.
    static std::size_t Admit(std::vector<KeyGroup>& groups, const std::vector<RecordKey>& keys,
                             std::size_t newKeys, std::size_t listed, SignalLoadResult& result) {
        const std::size_t room =
            static_cast<std::size_t>(std::max(0, SignalList::kMaxEntries - static_cast<int>(listed)));
        std::vector<std::uint32_t> firstSeqs;
        if (newKeys > room) {
            // Only the new keys met first in the file find room; the rest overflow.
            for (const KeyGroup& g : groups)
                if (!g.listed) firstSeqs.push_back(keys[g.first].seq);
            std::nth_element(firstSeqs.begin(), firstSeqs.begin() + static_cast<std::ptrdiff_t>(room),
                             firstSeqs.end());
        }
        const std::uint32_t firstRefused = newKeys > room ? firstSeqs[room] : UINT32_MAX;
        std::size_t admitted = 0;
        for (KeyGroup& g : groups) {
            g.admitted = g.listed || keys[g.first].seq < firstRefused;
            const int records = static_cast<int>(g.end - g.first);
            if (g.admitted) {
                result.merged += records;
                ++admitted;
            } else {
                result.overflow += records;
            }
        }
        return admitted;
    }

    // The list with the last record of every admitted group in its place.
    static void Weave(const std::vector<KeyGroup>& groups, const std::vector<RecordKey>& keys,
                      std::vector<Entry>& parsed, std::size_t admitted, std::vector<Entry>& entries) {
        std::vector<Entry> merged;
        merged.reserve(entries.size() + admitted);
        std::size_t e = 0;
        for (const KeyGroup& g : groups) {
            if (!g.admitted) continue;
            Entry& record = parsed[keys[g.end - 1].seq];
            const std::string_view key = EntryKey(record.line);
            while (e < entries.size() && EntryKey(entries[e].line) < key)
                merged.push_back(std::move(entries[e++]));
            if (g.listed) ++e; // the first entry with the key is replaced
            merged.push_back(std::move(record));
        }
        while (e < entries.size())
            merged.push_back(std::move(entries[e++]));
        entries = std::move(merged);
    }

    static SignalLoadResult Merge(std::string_view text, SignalList& list) {
        LineCursor cursor(text);
        if (!list.sorted_) return OneByOne(cursor, list);

        // Record by record insertion into a sorted list comes to this: every key of the text keeps its
        // last record, and a key not yet listed gets in when the list still had room at its first
        // record.
        SignalLoadResult result;
        std::vector<Entry> parsed;
        bool ascending = true;
        Parse(text, cursor, parsed, ascending, result);
        std::vector<Entry>& entries = list.entries_;
        if (entries.empty() && parsed.size() <= static_cast<std::size_t>(SignalList::kMaxEntries) && ascending) {
            // A file as this program writes it, into an empty list: one record per key, in order, so
            // the records are the list.
            result.merged = static_cast<int>(parsed.size());
            entries = std::move(parsed);
            return result;
        }
        std::vector<RecordKey> keys = Keys(parsed);
        const bool inFileOrder = std::is_sorted(keys.begin(), keys.end());
        if (!inFileOrder) std::sort(keys.begin(), keys.end());

        std::size_t newKeys = 0;
        std::vector<KeyGroup> groups = Group(keys, parsed, entries, newKeys);
        const std::size_t admitted = Admit(groups, keys, newKeys, entries.size(), result);
        if (entries.empty() && inFileOrder && admitted == parsed.size()) {
            // A file as this program writes it, into an empty list: the records are the list.
            entries = std::move(parsed);
            return result;
        }
        Weave(groups, keys, parsed, admitted, entries);
        return result;
    }
};

SignalLoadResult MergeSignalRecords(std::string_view text, SignalList& list) {
    return RecordMerge::Merge(text, list);
}

SignalLoadResult LoadSignalFile(const std::string& path, SignalList& list) {
    std::string bytes;
    FileResult file = ReadFileBytes(path, bytes);
    if (!file) {
        SignalLoadResult result;
        result.file = std::move(file);
        return result;
    }
    return MergeSignalRecords(bytes, list);
}

std::string SignalFileText(const SignalList& list) {
    std::size_t size = 0;
    for (int i = 0; i < list.Count(); ++i)
        size += list.Line(i).size() + 2;
    std::string text;
    text.reserve(size);
    for (int i = 0; i < list.Count(); ++i) {
        AppendSignalRecord(text, list.Line(i));
        text += "\r\n";
    }
    return text;
}

FileResult SaveSignalFile(const std::string& path, const SignalList& list) {
    return ReplaceFileAtomically(path, SignalFileText(list));
}

} // namespace zarn
