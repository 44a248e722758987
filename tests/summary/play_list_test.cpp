#include "play_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

struct ClipDef {
    int row; // 0 = no place in the picture
    int x1, x2;
    const char* freq;
};

// Clips 1..8 in file order. Clip 6 has no place; clip 8 sits out of time order, after clip 7, so
// it shows where a scan stops at a clip that starts after T2.
//   row 1: 1 (0-10), 3 (30-40), 7 (90-100)     row 2: 2 (5-20), 5 (70-80)
//   row 3: 4 (50-60), 8 (20-25)                row 4: no clips
ClipTable MakeTable() {
    const std::vector<ClipDef> clips = {
        {1, 0, 10, "145.0000"},  {2, 5, 20, "145.0125"}, {1, 30, 40, "146.0000"},  {3, 50, 60, "144.9875"},
        {2, 70, 80, "145.0126"}, {0, 0, 0, "145.0000"},  {1, 90, 100, "145.0000"}, {3, 20, 25, " 145.000"},
    };
    ClipTable t;
    t.ClipCount = static_cast<int>(clips.size());
    t.RowCount = 40; // the rows stop at the lists the table holds, whatever RowCount says
    t.ClipLine.Reset(t.ClipCount);
    t.Place.assign(clips.size() + 1, {});
    t.RowClips.assign(5, {});
    for (int i = 1; i <= t.ClipCount; ++i) {
        const ClipDef& c = clips[static_cast<std::size_t>(i - 1)];
        t.ClipLine.Set(i, "AB000" + std::to_string(i) + ".WAV," + std::to_string(c.row) + "," + c.freq +
                              ",01/02/05 10:00:00,01/02/05 10:00:05,-80,0");
        if (c.row == 0) continue;
        t.Place[static_cast<std::size_t>(i)] = {c.row, c.x1, c.x2};
        t.RowClips[static_cast<std::size_t>(c.row)].push_back({i, c.x1, c.x2});
    }
    return t;
}

struct Case {
    const char* name;
    PlayChoice choice; // option, time limit, continue, clip, row, T1, T2, band
    std::vector<int> expected;
};

constexpr SignalBand kNone{};
constexpr SignalBand k145{144.9875, 145.0125};

const Case kCases[] = {
    // Single clip: the selected clip as it is, nothing for a selection outside the table.
    {"single first", kSingleClip, false, false, 1, 1, 0, 0, kNone, {1}},
    {"single last, time limit ignored", kSingleClip, true, false, 8, 1, 200, 300, kNone, {8}},
    {"single without a place", kSingleClip, false, false, 6, 1, 0, 0, kNone, {6}},
    {"single none picked", kSingleClip, false, false, 0, 1, 0, 0, kNone, {}},
    {"single beyond the table", kSingleClip, false, false, 9, 1, 0, 0, kNone, {}},

    // Time 1 - 2: overlap with both ends included; the first clip past T2 ends the scan.
    {"time whole segment", kTimeLimits, false, false, 1, 1, 0, 100, kNone, {1, 2, 3, 4, 5, 7, 8}},
    {"time touching ends", kTimeLimits, false, false, 1, 1, 10, 30, kNone, {1, 2, 3}},
    {"time stops at a clip past T2", kTimeLimits, false, false, 1, 1, 0, 25, kNone, {1, 2}},
    {"time gap between clips", kTimeLimits, false, false, 1, 1, 41, 49, kNone, {}},
    {"time T1 after T2", kTimeLimits, false, false, 1, 1, 45, 42, kNone, {}},

    // Row: one row, or it and every row below with Continue; row by row, clip order within a row.
    {"row alone", kRow, false, false, 1, 1, 0, 0, kNone, {1, 3, 7}},
    {"row continue on the last row", kRow, false, true, 1, 4, 0, 0, kNone, {}},
    {"row continue from row 3", kRow, false, true, 1, 3, 0, 0, kNone, {4, 8}},
    {"row continue from row 1", kRow, false, true, 1, 1, 0, 0, kNone, {1, 3, 7, 2, 5, 4, 8}},
    {"row 0", kRow, false, true, 1, 0, 0, 0, kNone, {}},
    {"row beyond the rows", kRow, false, true, 1, 5, 0, 0, kNone, {}},
    // With the time limit a clip past T2 ends its own row only.
    {"row time limit", kRow, true, false, 1, 2, 0, 55, kNone, {2}},
    {"row time limit continue", kRow, true, true, 1, 2, 0, 55, kNone, {2, 4, 8}},
    {"row time limit stops each row", kRow, true, true, 1, 1, 0, 25, kNone, {1, 2}},
    {"row time limit keeps nothing", kRow, true, false, 1, 3, 30, 45, kNone, {}},

    // Signal: the frequency in the band, both ends included; clips without a place are not taken.
    {"signal band", kSignal, false, false, 1, 1, 0, 0, k145, {1, 2, 4, 7, 8}},
    {"signal single frequency, continue ignored", kSignal, false, true, 1, 1, 0, 0, {146, 146}, {3}},
    {"signal nothing in the band", kSignal, false, false, 1, 1, 0, 0, {150, 151}, {}},
    // With the time limit a clip of the signal past T2 ends the whole scan: 8 is never reached.
    {"signal time limit", kSignal, true, false, 1, 1, 0, 25, k145, {1, 2}},
    {"signal time limit later", kSignal, true, false, 1, 1, 55, 95, k145, {4, 7}},

    {"unknown option", 4, false, false, 1, 1, 0, 100, kNone, {}},
};

TEST(PlayList, BuildsTheClipsInPlayingOrder) {
    const ClipTable table = MakeTable();
    for (const Case& c : kCases) {
        EXPECT_EQ(BuildPlayList(table, c.choice), c.expected) << c.name;
        // An empty table gives nothing for any option.
        EXPECT_TRUE(BuildPlayList(ClipTable{}, c.choice).empty()) << c.name;
    }
}

} // namespace
} // namespace zarn
