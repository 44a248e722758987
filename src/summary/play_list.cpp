#include "play_list.h"

#include "indexed.h"
#include "eventline.h"
#include "numbers.h"

#include <algorithm>
#include <cstddef>

namespace zarn {

namespace {

bool Overlaps(int x1, int x2, const PlayChoice& c) {
    return x2 >= c.t1 && x1 <= c.t2;
}

// Clips the table can speak for: ClipCount, but never beyond the lines or places it holds.
int UsableClips(const ClipTable& table) {
    const int places = static_cast<int>(table.Place.size()) - 1;
    return std::max(0, std::min({table.ClipCount, table.ClipLine.Count(), places}));
}

const ClipPlace* PlaceOf(const ClipTable& table, int clip) {
    const ClipPlace& p = At(table.Place, clip);
    // A clip without a row was never drawn, so no choice in the picture can mean it.
    return p.row > 0 ? &p : nullptr;
}

std::vector<int> ByTimeLimits(const ClipTable& table, const PlayChoice& c) {
    std::vector<int> list;
    const int clips = UsableClips(table);
    for (int i = 1; i <= clips; ++i) {
        const ClipPlace* p = PlaceOf(table, i);
        if (!p) continue;
        if (p->x1 > c.t2) break; // clips are in time order
        if (Overlaps(p->x1, p->x2, c)) list.push_back(i);
    }
    return list;
}

std::vector<int> ByRow(const ClipTable& table, const PlayChoice& c) {
    std::vector<int> list;
    const int clips = UsableClips(table);
    const long lastRow = std::min<long>(table.RowCount, static_cast<long>(table.RowClips.size()) - 1);
    if (c.selectedRow < 1 || c.selectedRow > lastRow) return list;
    const long rowsTo = c.continueRows ? lastRow : c.selectedRow;
    for (long r = c.selectedRow; r <= rowsTo; ++r) {
        for (const ClipTriple& t : At(table.RowClips, r)) {
            if (t.clip < 1 || t.clip > clips) continue;
            if (c.timeLimit) {
                if (t.x1 > c.t2) break; // ends this row only; the next row is scanned
                if (!Overlaps(t.x1, t.x2, c)) continue;
            }
            list.push_back(t.clip);
        }
    }
    return list;
}

std::vector<int> BySignal(const ClipTable& table, const PlayChoice& c) {
    std::vector<int> list;
    const int clips = UsableClips(table);
    for (int i = 1; i <= clips; ++i) {
        const ClipPlace* p = PlaceOf(table, i);
        if (!p) continue;
        const double f = LeadingNumber(ClipFieldOf(table.ClipLine[i], ClipFieldId::Frequency));
        if (f < c.band.lo || f > c.band.hi) continue;
        if (c.timeLimit) {
            if (p->x1 > c.t2) break; // a clip of the signal past T2 ends the whole scan
            if (!Overlaps(p->x1, p->x2, c)) continue;
        }
        list.push_back(i);
    }
    return list;
}

} // namespace

std::vector<int> BuildPlayList(const ClipTable& table, const PlayChoice& choice) {
    switch (choice.option) {
    case kSingleClip:
        // A selection outside the table plays nothing rather than a line that is not there.
        if (choice.selectedClip >= 1 && choice.selectedClip <= UsableClips(table))
            return {choice.selectedClip};
        return {};
    case kTimeLimits:
        return ByTimeLimits(table, choice);
    case kRow:
        return ByRow(table, choice);
    case kSignal:
        return BySignal(table, choice);
    default:
        return {};
    }
}

} // namespace zarn
