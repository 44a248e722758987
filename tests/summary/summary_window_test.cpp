// The summary picture window as the operator meets it: captions by collection type, layout limits,
// hover readouts, the four click behaviours, the play options and their lists, and loading real
// event files.
#include "summary_window.h"

#include "dates.h"
#include "eventline.h"
#include "fake_prompter.h"
#include "find_control.h"
#include "model_set.h"
#include "formats.h"
#include "latin1.h"
#include "segscan.h"
#include "signal_list_window.h"
#include "temp_dir.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempDir;

const double kSegStart = *ToDate("01/02/06 10:00:00");

double At(double seconds) {
    return kSegStart + seconds / 86400.0;
}

// A signal record at `freq` with IF bandwidth `bw` (both as the record writes them).
std::string Record(const char* freq, const char* bw, const char* comment = "") {
    return std::string(freq) + ",[   " + bw + "    20    FM    ]{2}(9)/ \\" + comment + "\r\n";
}

struct TestClip {
    int row;
    double mhz;
    int start, stop; // seconds after the segment start (one second per unit)
    const char* level;
};

// A table as the build leaves it, one second per unit, 1000 units wide.
ClipTable MakeTable(CollectionType type, long rows, const std::vector<TestClip>& clips) {
    ClipTable t;
    t.Type = type;
    t.RowCount = rows;
    t.ClipCount = static_cast<int>(clips.size());
    t.ClipLine.Reset(t.ClipCount);
    t.Place.assign(clips.size() + 1, {});
    t.RowClips.assign(static_cast<std::size_t>(rows) + 1, {});
    t.RowLabel.assign(static_cast<std::size_t>(rows) + 1, "");
    t.RowMode.assign(static_cast<std::size_t>(rows) + 1, ", 010KHz, AM ");
    t.SecondsPerUnit = 1;
    t.SegWidthUnits = 1000;
    t.ScaleWidth = 1000 + 1000 / 501;
    for (std::size_t i = 0; i < clips.size(); ++i) {
        const TestClip& c = clips[i];
        const int n = static_cast<int>(i) + 1;
        t.ClipLine.Set(n, ClipFileName("ABCD", n) + "," + std::to_string(c.row) + "," +
                              FormatNumber(c.mhz, "0000.0000") + "," + FormatDateTime(At(c.start)) + "," +
                              FormatDateTime(At(c.stop)) + "," + c.level + ",1");
        t.Place[static_cast<std::size_t>(n)] = {c.row, c.start, c.stop};
        t.RowClips[static_cast<std::size_t>(c.row)].push_back({n, c.start, c.stop});
    }
    return t;
}

class SummaryWindowTest : public ::testing::Test {
protected:
    SummaryWindowTest() {
        ms.settings.Load(dir.path());
        ms.recording.SetEventFile(dir.file("ABCD0102.EVA"), dir.path() + "/");
        ms.recording.SetSelectedSegment(1);
        SegmentTable segments;
        segments.segCount = 1;
        segments.start = {0, kSegStart};
        segments.stop = {0, At(1000)};
        segments.clipCount = {0, 0};
        segments.maxNumber = {0, 0};
        ms.recording.SetSegments(segments);
    }

    SummaryWindow& Make() {
        window = std::make_unique<SummaryWindow>(
            ms.Get(), prompts, [this]() -> SignalListPort* { return SignalList(); }, nullptr);
        QObject::connect(window.get(), &SummaryWindow::playerUnloadRequested, [this] {
            ++playerUnloads;
            ms.play.SetPlayerLoaded(false);
        });
        QObject::connect(window.get(), &SummaryWindow::playRequested, [this] { ++playerShows; });
        QObject::connect(window.get(), &SummaryWindow::loadDone, [this] { ++progressDone; });
        return *window;
    }

    SignalListWindow* SignalList() {
        if (!signalList) {
            SignalListSetup setup;
            setup.folder = dir.path();
            signalList = std::make_unique<SignalListWindow>(prompts, std::move(setup));
            signalList->Load();
        }
        return signalList.get();
    }

    // The window on a hand-made table.
    SummaryWindow& Shown(ClipTable table) {
        ms.recording.SetClipCount(1, table.ClipCount);
        Make().Present(std::move(table));
        window->resize(Px(10335), Px(5460));
        return *window;
    }

    // Three PRIORITY rows: two clips on row 1, one on row 3, none on row 2.
    SummaryWindow& Priority() {
        return Shown(MakeTable(CollectionType::Priority, 3,
                               {{1, 145.0100, 100, 112, "-85"},
                                {3, 150.5000, 200, 260, " -62 "},
                                {1, 145.0200, 300, 330, "-101"}}));
    }

    // The window's controls, by name.
    template <class T> T* Get(const char* name) const { return test::Control<T>(window.get(), name); }
    QCheckBox* Check(const char* name) const { return Get<QCheckBox>(name); }
    QRadioButton* Opt(int i) const { return test::Control<QRadioButton>(window.get(), "Play_Opt", i); }
    SummaryPicture& Picture() const { return *Get<SummaryPicture>("O_Picture"); }
    bool Hidden(const char* name) const { return Get<QWidget>(name)->isHidden(); }
    std::string Text(const char* name) const { return Bytes(Get<QLabel>(name)->text()); }
    // The readouts named, as the operator reads them, joined by "|".
    std::string Texts(std::initializer_list<const char*> names) const {
        std::string all;
        for (const char* name : names)
            all += (all.empty() ? "" : "|") + Text(name);
        return all;
    }
    std::vector<int> List() const {
        return std::vector<int>(ms.play.PlayList().begin() + 1, ms.play.PlayList().end());
    }
    void Option(int i) { Opt(i)->click(); }
    void PressPlay() { Get<QPushButton>("Play")->click(); }
    void ClickAt(double x, double y, int button = 1) {
        window->Hover(x, y);
        window->Click(button, x, y);
    }

    TempDir dir;
    test::ModelSet ms;
    FakePrompter prompts;
    std::unique_ptr<SignalListWindow> signalList;
    std::unique_ptr<SummaryWindow> window;
    int playerUnloads = 0, playerShows = 0, progressDone = 0;
};

struct TypeCase {
    CollectionType type;
    const char* caption;
    const char* rowOption;
    bool signalOption;
    const char* continueCaption;
    bool ifbw;
    const char* hoverRow;
};

class SummaryCaptions : public SummaryWindowTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(SummaryCaptions, FollowTheCollectionType) {
    const TypeCase& c = GetParam();
    ms.recording.SetSelectedSegment(1);
    SummaryWindow& w = Shown(MakeTable(c.type, 2, {{1, 145.0, 10, 20, "-80"}}));
    EXPECT_EQ(Bytes(w.windowTitle()), c.caption);
    EXPECT_EQ(Bytes(Opt(2)->text()), c.rowOption);
    EXPECT_EQ(!Opt(3)->isHidden(), c.signalOption);
    EXPECT_EQ(Bytes(Check("Chk_Continue")->text()), c.continueCaption);
    EXPECT_EQ(!Hidden("S_IFBW"), c.ifbw);

    // Right after loading: Single Clip set, clip 1 selected, Continue unusable, limits at the ends.
    EXPECT_TRUE(Opt(0)->isChecked());
    EXPECT_EQ(ms.selection.SelectedClip(), 1);
    EXPECT_FALSE(Check("Chk_Continue")->isEnabled());
    EXPECT_TRUE(ms.recording.SummaryLoaded());
    EXPECT_EQ(w.T1(), 0);
    EXPECT_DOUBLE_EQ(w.T2(), 1001.0 - 1001.0 / 501);
    EXPECT_EQ(Text("S_Freq"), "F:  0145.0000 M");
    EXPECT_TRUE(Hidden("L_Notice"));
    w.Hover(15, 0.5);
    EXPECT_EQ(Text("C_Chnl"), c.hoverRow);

    // Every play control has the room its caption needs and none runs into the next.
    std::vector<QWidget*> row;
    for (int i = 0; i < 4; ++i)
        if (!Opt(i)->isHidden()) row.push_back(Opt(i));
    row.push_back(Check("Chk_time"));
    row.push_back(Check("Chk_Continue"));
    for (std::size_t i = 0; i < row.size(); ++i) {
        SCOPED_TRACE(Bytes(static_cast<QAbstractButton*>(row[i])->text()));
        EXPECT_GE(row[i]->width(), row[i]->sizeHint().width());
        if (i + 1 < row.size()) {
            EXPECT_LT(row[i]->geometry().right(), row[i + 1]->geometry().left());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, SummaryCaptions,
    ::testing::Values(TypeCase{CollectionType::Priority, "PRIORITY Audio Clips Summary Picture, <Segment_01>",
                               "Channel#", true, "Continue Playing by Channel#", true, "Chnl# 001"},
                      TypeCase{CollectionType::Spectral, "SPECTRAL Audio Clips Summary Picture, <Segment_01>",
                               "Signal", false, "Continue Playing by Signal", true, "Track# 001"},
                      TypeCase{CollectionType::Netora, "NETORA Audio Clips Summary Picture, <Segment_01>",
                               "Signal", false, "Continue Playing by Signal", false, "Track# 001"}));

TEST_F(SummaryWindowTest, ClipsWithoutPlaceAreToldOnceWithoutABox) {
    ClipTable t = MakeTable(CollectionType::Priority, 2, {{1, 145.0, 10, 20, "-80"}});
    t.Skipped = 12;
    Shown(std::move(t));
    EXPECT_FALSE(Hidden("L_Notice"));
    EXPECT_EQ(Bytes(Get<QLabel>("L_Notice")->toolTip()),
              "12 clips of this segment have no place in the picture and are not shown");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SummaryWindowTest, MinimumHeightFollowsTheRows) {
    const std::vector<std::pair<long, int>> cases = {
        {10, 2220}, {50, 5820}, {51, 5820}, {400, 5820}, {0, 1320}};
    for (const auto& [rows, height] : cases)
        EXPECT_EQ(SummaryWindow::MinimumHeightTw(rows), height) << rows << " rows";

    Shown(MakeTable(CollectionType::Priority, 10, {{1, 145.0, 10, 20, "-80"}}));
    window->resize(10, 10);
    // The client area of a 7770 x 2220 window: less 120 twips of frame and 390 of caption.
    EXPECT_GE(window->width(), Px(7770 - 120));
    EXPECT_GE(window->height(), Px(2220 - 390));
}

TEST_F(SummaryWindowTest, ScrollBarOnlyWhenTheRowsDoNotFit) {
    Shown(MakeTable(CollectionType::Priority, 20, {{1, 145.0, 10, 20, "-80"}}));
    window->LayoutAndDraw();
    auto* scroll = Get<QScrollBar>("Scrl_PBox");
    EXPECT_TRUE(scroll->isHidden());
    EXPECT_EQ(Picture().height(), Get<QFrame>("P_PBox")->height()); // rows stretch to fill

    Shown(MakeTable(CollectionType::Priority, 200, {{1, 145.0, 10, 20, "-80"}}));
    window->resize(Px(10335), Px(5820 - 390));
    window->LayoutAndDraw();
    // Panel1 is 5820 - 720 high, the viewport 600 less: 4500 twips, 50 rows.
    scroll = Get<QScrollBar>("Scrl_PBox");
    EXPECT_FALSE(scroll->isHidden());
    EXPECT_EQ(scroll->minimum(), 0);
    EXPECT_EQ(scroll->maximum(), 150);
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_GT(Picture().height(), Get<QFrame>("P_PBox")->height());
    scroll->setValue(3);
    EXPECT_EQ(Picture().y(), -Px(270));
}

TEST_F(SummaryWindowTest, HoverReadouts) {
    SummaryWindow& w = Priority();
    struct Case {
        double x, y;
        int clip;
        const char* readouts; // C_Chnl|C_Time|C_Freq|C_Level
    };
    for (const Case c : {Case{105, 0.5, 1, "Chnl# 001|T:  01/02/06 10:01:45|F:  0145.0100 M|-85 dBm"},
                         Case{250, 3.0, 2, "Chnl# 003|T:  01/02/06 10:04:10|F:  0150.5000 M| -62  dBm"},
                         Case{150, 2.0, 0, "Chnl# 002|T:  01/02/06 10:02:30||"}}) {
        w.Hover(c.x, c.y);
        EXPECT_EQ(w.HoverClip(), c.clip) << c.x;
        EXPECT_EQ(Texts({"C_Chnl", "C_Time", "C_Freq", "C_Level"}), c.readouts);
    }
    // Tolerance: scale width / 500 on each side.
    w.Hover(112 + 1001.0 / 500 - 0.001, 1.0);
    EXPECT_EQ(w.HoverClip(), 1);
}

TEST_F(SummaryWindowTest, SingleClipClickSelectsTheHoveredClip) {
    SummaryWindow& w = Priority();
    ms.play.SetPlayerLoaded(true);
    ClickAt(220, 2.5);
    EXPECT_EQ(playerUnloads, 1);
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    EXPECT_EQ(w.SelectedRow(), 3);
    EXPECT_EQ(Texts({"S_Chnl", "S_Freq", "S_Level", "S_T1", "S_T2"}),
              "Chnl#  003|F:  0150.5000 M|-62 dBm|T1:  01/02/06 10:03:20|T2:  01/02/06 10:04:20");
    const SummaryPicture& p = Picture();
    EXPECT_EQ(std::vector<double>({p.L_T1.at, p.L_T2.at, p.L_ChnlA.at, p.L_ChnlB.at}),
              std::vector<double>({200, 260, 2, 3}));

    // Off any clip nothing changes, but an open player still closes.
    ms.play.SetPlayerLoaded(true);
    ClickAt(600, 2.5);
    EXPECT_EQ(playerUnloads, 2);
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    EXPECT_EQ(Text("S_Freq"), "F:  0150.5000 M");
}

// The cursor lines move over the cached bars: no click redraws them.
TEST_F(SummaryWindowTest, TimeClicksSetTheLimits) {
    SummaryWindow& w = Priority();
    w.show();
    w.grab();
    const int renders = Picture().RenderCount();
    ClickAt(200, 2.5); // selects clip 2
    Option(1);
    ClickAt(400, 1, 1);
    ClickAt(60, 2, 2); // T2 may lie left of T1
    w.grab();
    EXPECT_EQ(Picture().RenderCount(), renders);
    EXPECT_DOUBLE_EQ(w.T1(), 400);
    EXPECT_DOUBLE_EQ(w.T2(), 60);
    EXPECT_EQ(Texts({"S_T1", "S_T2"}), "T1:  01/02/06 10:06:40|T2:  01/02/06 10:01:00");
    EXPECT_TRUE(Picture().L_T1.visible);
    EXPECT_FALSE(Picture().L_ChnlA.visible);
    EXPECT_TRUE(Hidden("S_Freq"));
    EXPECT_EQ(ms.selection.SelectedClip(), 2); // time clicks leave the selected clip
}

TEST_F(SummaryWindowTest, RowClicks) {
    SummaryWindow& w = Priority();
    Option(2);
    EXPECT_TRUE(Check("Chk_Continue")->isEnabled());
    // The segment's start and stop.
    EXPECT_EQ(Texts({"S_T1", "S_T2"}), "T1:  01/02/06 10:00:00|T2:  01/02/06 10:16:40");
    ClickAt(700, 2.5);
    EXPECT_EQ(w.SelectedRow(), 3);
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    EXPECT_EQ(Text("S_Freq"), "F:  0150.5000 M");

    ClickAt(700, 1.5); // no clips in row 2: the selected clip stays
    EXPECT_EQ(w.SelectedRow(), 2);
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    EXPECT_EQ(Texts({"S_Freq", "S_Chnl"}), "F:  ----.---- M|Chnl#  002");
    EXPECT_DOUBLE_EQ(Picture().L_ChnlA.at, 1);
    EXPECT_DOUBLE_EQ(Picture().L_ChnlB.at, 2);
}

TEST_F(SummaryWindowTest, SignalClicks) {
    SummaryWindow& w = Priority();
    Option(3);
    ClickAt(900, 0.5); // away from a clip: the row's first clip
    EXPECT_EQ(ms.selection.SelectedClip(), 1);
    EXPECT_DOUBLE_EQ(Picture().L_T1.at, 100);

    Check("Chk_time")->click(); // the time limit on
    w.SetLimits(5, 900);
    ClickAt(310, 0.5); // with the limit on the lines stay at T1 and T2
    EXPECT_EQ(ms.selection.SelectedClip(), 3);
    EXPECT_DOUBLE_EQ(Picture().L_T1.at, 5);
    EXPECT_DOUBLE_EQ(Picture().L_T2.at, 900);
    EXPECT_EQ(Text("S_Level"), "-101 dBm");

    ClickAt(900, 1.5); // a row without clips: nothing to take, nothing changes
    EXPECT_EQ(ms.selection.SelectedClip(), 3);
    EXPECT_EQ(Text("S_Freq"), "F:  0145.0200 M");
}

TEST_F(SummaryWindowTest, ClicksOutsideTheTableDoNotFail) {
    SummaryWindow& w = Shown(MakeTable(CollectionType::Priority, 2, {}));
    for (int option = 0; option < 4; ++option) {
        Option(option);
        ClickAt(-50, -3);
        ClickAt(5000, 99);
        w.DoubleClick();
    }
    EXPECT_EQ(prompts.beeps, 4);
    EXPECT_EQ(playerShows, 0);
}

TEST_F(SummaryWindowTest, TimeLimitToggle) {
    SummaryWindow& w = Priority();
    Option(2);
    EXPECT_FALSE(Picture().L_T1.visible);
    Check("Chk_time")->click();
    EXPECT_TRUE(Picture().L_T1.visible);
    EXPECT_DOUBLE_EQ(Picture().L_T2.at, w.T2());
    Check("Chk_time")->click();
    EXPECT_FALSE(Picture().L_T1.visible);

    // With Single Clip the lines come back to the selected clip.
    Option(0);
    Check("Chk_time")->click();
    Check("Chk_time")->click();
    EXPECT_TRUE(Picture().L_T1.visible);
    EXPECT_DOUBLE_EQ(Picture().L_T1.at, 100);
}

TEST_F(SummaryWindowTest, SignalAttributesFromTheList) {
    dir.write("~FREQ.SIG", Record("00145.00000", "00.030", "tower") + Record("00150.00000", "00.010"));
    Priority();
    ClickAt(105, 0.5);
    EXPECT_EQ(Text("S_IFBW"), "IFBW: 030KHz, AM ");
    const std::string line = signalList->List().Line(0);
    EXPECT_EQ(Text("C_Status"), "   <" + line.substr(35, 3) + ">,   " + line.substr(41));
    EXPECT_TRUE(signalList->IsHighlighted(0));
    EXPECT_EQ(signalList->CurrentIndex(), 0);

    ClickAt(210, 2.5); // 150.5 is in no entry: the default bandwidth, no status
    EXPECT_EQ(Text("S_IFBW"), "IFBW: 025KHz, AM ");
    EXPECT_EQ(Text("C_Status"), "   < . . . >");
    EXPECT_FALSE(signalList->IsHighlighted(0));
    EXPECT_EQ(signalList->CurrentIndex(), -1);
}

// Rows: 1 holds clips 1 (100-112) and 3 (300-330); 3 holds clip 2 (200-260) and 4 (600-610). An
// empty list is a beep that keeps the last list.
TEST_F(SummaryWindowTest, PlayBuildsTheListOfTheOptions) {
    struct Case {
        const char* name;
        int option;
        bool timeLimit, continueRows;
        double t1, t2;
        std::vector<int> expected;
    };
    const Case cases[] = {{"Single", 0, true, false, 500, 1000, {1}},
                          {"TimeWindow", 1, false, false, 111, 300, {1, 2, 3}},
                          {"TimeReversed", 1, false, false, 500, 100, {}},
                          {"RowAndBelowLimited", 2, true, true, 250, 605, {3, 2, 4}},
                          // 145.0100 +- 0.0125 (no list): clips 1, 3 and 4, not 150.5
                          {"SignalLimited", 3, true, false, 250, 1000, {3, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SummaryWindow& w = Shown(MakeTable(CollectionType::Priority, 3,
                                           {{1, 145.0100, 100, 112, "-85"},
                                            {3, 150.5000, 200, 260, "-62"},
                                            {1, 145.0200, 300, 330, "-101"},
                                            {3, 145.0150, 600, 610, "-70"}}));
        ms.play.SetPlayList({42});
        const int beeps = prompts.beeps, shows = playerShows;
        ClickAt(105, 0.5); // clip 1, row 1
        Option(c.option);
        Check("Chk_time")->setChecked(c.timeLimit);
        Check("Chk_Continue")->setChecked(c.continueRows);
        w.SetLimits(c.t1, c.t2);
        PressPlay();
        EXPECT_EQ(List(), c.expected.empty() ? std::vector<int>{42} : c.expected);
        EXPECT_EQ(prompts.beeps - beeps, c.expected.empty() ? 1 : 0);
        EXPECT_EQ(playerShows - shows, c.expected.empty() ? 0 : 1);
    }
}

// Continue on the last row plays that row; the signal's band is the list entry that holds the clip.
TEST_F(SummaryWindowTest, ContinueOnTheLastRowAndTheSignalBandOfTheList) {
    dir.write("~FREQ.SIG", Record("00145.00000", "00.030") + Record("00145.01000", "00.002"));
    Priority();
    Option(2);
    ClickAt(700, 2.5);
    Check("Chk_Continue")->setChecked(true);
    PressPlay();
    EXPECT_EQ(List(), std::vector<int>{2});
    Option(3);
    ClickAt(105, 0.5); // 145.01: the first entry's band 144.985-145.015 holds it, not the second's
    PressPlay();
    EXPECT_EQ(List(), (std::vector<int>{1}));
}

TEST_F(SummaryWindowTest, PlayHandsOver) {
    SummaryWindow& w = Priority();
    ms.play.SetPlayerLoaded(true);
    ms.play.SetStopAfterClip(true);
    PressPlay();
    EXPECT_EQ(List(), std::vector<int>{1});
    EXPECT_FALSE(ms.play.StopAfterClip());
    EXPECT_EQ(playerUnloads, 1);
    EXPECT_EQ(playerShows, 1);

    // The export's call: the list only, a loaded player closed, none opened.
    ms.play.SetPlayerLoaded(true);
    w.BuildPlayList(PlayListUse::Export);
    EXPECT_EQ(playerUnloads, 2);
    EXPECT_EQ(playerShows, 1);

    // A double-click plays what its press selected.
    ClickAt(210, 2.5);
    w.DoubleClick();
    EXPECT_EQ(List(), std::vector<int>{2});
    EXPECT_EQ(playerShows, 2);
}

class SummaryLoad : public SummaryWindowTest {
protected:
    // Writes the event file (and the AUD file when given) and scans its segments.
    void Files(const std::string& event, const char* aud) {
        dir.write("ABCD0102.EVA", event);
        if (aud) dir.write("abcd0102.aud", aud); // found without regard to case
        ms.recording.SetSegments(ScanSegments(event));
        ms.recording.SetSelectedSegment(1);
    }
    static std::string Wav(int n, int number, const char* mhz, int start, int stop, const char* level) {
        return "WAV," + ClipFileName("ABCD", n) + "," + std::to_string(number) + "," + mhz + "," +
               FormatDateTime(At(start)) + "," + FormatDateTime(At(stop)) + "," + level + ",1\r\n";
    }
    static std::string Head() {
        return "Ver, test\r\nSTARTBYTRIGGER," + FormatDateTime(kSegStart) + ",ABCD0001.WAV\r\n";
    }
    static std::string Smd(int n, char bw, char mode, const char* lo, const char* hi) {
        return "SMD," + std::to_string(n) + ",RX,BW" + bw + ",COR1,MD" + mode + ",ATT0,AGCF,0,0,0,0," + lo +
               "," + hi + ",1\r\n";
    }
};

TEST_F(SummaryLoad, Priority) {
    Files(Head() + Wav(1, 1, "0145.0100", 100, 112, "-85") + Wav(2, 3, "0150.5000", 200, 260, "-62") +
              Wav(3, 7, "0150.5000", 300, 310, "-62") + Wav(4, 2, "0146.0000", 900, 1000, "-90"),
          ("HDR,PRIORITY\r\n" + Smd(1, '1', '1', "00145.00000", "00145.10000") +
           Smd(2, '2', '2', "00146.00000", "00146.10000") + Smd(3, '3', '3', "00150.00000", "00151.00000"))
              .c_str());
    ASSERT_TRUE(Make().Load());
    EXPECT_EQ(Bytes(window->windowTitle()), "PRIORITY Audio Clips Summary Picture, <Segment_01>");
    EXPECT_EQ(ms.recording.Table().RowCount, 3);
    EXPECT_EQ(ms.recording.Type(), CollectionType::Priority);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(progressDone, 1);
    // Channel 7 has no row: told above the picture, no box.
    EXPECT_FALSE(Hidden("L_Notice"));
    EXPECT_EQ(Bytes(Get<QLabel>("L_Notice")->toolTip()),
              "1 clip of this segment has no place in the picture and is not shown");
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();

    window->Hover(230, 2.5);
    EXPECT_EQ(Text("C_Freq"), "F:  0150.5000 M");
    window->Click(1, 230, 2.5);
    EXPECT_EQ(Text("S_IFBW"), "IFBW: 025KHz, CW ");
    EXPECT_EQ(Text("S_Chnl"), "Chnl#  003");
}

TEST_F(SummaryLoad, NetoraAndAnUnreadableFile) {
    Files(Head() + Wav(1, 1, "0145.0000", 10, 20, "-85"), nullptr);
    ASSERT_TRUE(Make().Load());
    EXPECT_EQ(Bytes(window->windowTitle()), "NETORA Audio Clips Summary Picture, <Segment_01>");
    EXPECT_TRUE(Hidden("S_IFBW"));
    EXPECT_TRUE(Hidden("L_Notice"));

    // The file went away after the segment dialog read it: an empty picture and a word why.
    std::filesystem::remove(dir.file("ABCD0102.EVA"));
    ASSERT_TRUE(Make().Load());
    EXPECT_EQ(ms.recording.Table().ClipCount, 0);
    EXPECT_EQ(Bytes(Get<QLabel>("L_Notice")->toolTip()), "The audio event file could not be read");
    PressPlay();
    EXPECT_EQ(prompts.beeps, 1);
}

} // namespace
} // namespace zarn
