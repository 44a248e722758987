#include "dates.h"
#include "fake_prompter.h"
#include "find_control.h"
#include "formats.h"
#include "latin1.h"
#include "model_set.h"
#include "segscan.h"
#include "signal_list_window.h"
#include "summary_picture.h"
#include "summary_window.h"
#include "temp_dir.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace zarn {
namespace {

const double kSegStart = *ToDate("01/02/06 10:00:00");

double At(double seconds) {
    return kSegStart + seconds / 86400.0;
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
    t.SegWidthUnits = 1000;
    t.ScaleWidth = 1000 + 1000 / 501;
    for (int n = 1; n <= t.ClipCount; ++n) {
        const TestClip& c = clips[static_cast<std::size_t>(n - 1)];
        t.ClipLine.Set(n, ClipFileName("ABCD", n) + "," + std::to_string(c.row) + "," +
                              FormatNumber(c.mhz, "0000.0000") + "," + FormatDateTime(At(c.start)) + "," +
                              FormatDateTime(At(c.stop)) + "," + c.level + ",1");
        t.Place[static_cast<std::size_t>(n)] = {c.row, c.start, c.stop};
        t.RowClips[static_cast<std::size_t>(c.row)].push_back({n, c.start, c.stop});
    }
    return t;
}

// Three PRIORITY rows: row 1 holds clips 1 (100-112) and 3 (300-330), row 3 clip 2 (200-260) and
// clip 4 (600-610), row 2 none.
ClipTable Priority() {
    return MakeTable(CollectionType::Priority, 3,
                     {{1, 145.0100, 100, 112, "-85"},
                      {3, 150.5000, 200, 260, " -62 "},
                      {1, 145.0200, 300, 330, "-101"},
                      {3, 145.0150, 600, 610, "-70"}});
}

class SummaryWindowTest : public ::testing::Test {
protected:
    SummaryWindowTest() {
        ms.settings.Load(dir.path());
        ms.recording.SetEventFile(dir.file("ABCD0102.EVA"), dir.path() + "/");
        ms.recording.SetSelectedSegment(1);
        ms.recording.SetSegments(SegmentTable{1, 0, {0, kSegStart}, {0, At(1000)}, {0, 0}, {0, 0}});
    }

    SummaryWindow& Make() {
        window = std::make_unique<SummaryWindow>(
            ms.Get(), prompts,
            [this]() -> SignalListPort* {
                if (!signalList) {
                    SignalListSetup setup;
                    setup.folder = dir.path();
                    signalList = std::make_unique<SignalListWindow>(prompts, std::move(setup));
                    signalList->Load();
                }
                return signalList.get();
            },
            nullptr);
        QObject::connect(window.get(), &SummaryWindow::playerUnloadRequested, [this] {
            ++playerUnloads;
            ms.play.SetPlayerLoaded(false);
        });
        QObject::connect(window.get(), &SummaryWindow::playRequested, [this] { ++playerShows; });
        QObject::connect(window.get(), &SummaryWindow::loadDone, [this] { ++progressDone; });
        return *window;
    }

    SummaryWindow& Shown(ClipTable table) {
        ms.recording.SetClipCount(1, table.ClipCount);
        Make().Present(std::move(table));
        window->resize(Px(10335), Px(5460));
        return *window;
    }

    template <class T> T* Get(const char* name) const { return test::Control<T>(window.get(), name); }
    QCheckBox* Check(const char* name) const { return Get<QCheckBox>(name); }
    QRadioButton* Opt(int i) const { return test::Control<QRadioButton>(window.get(), "Play_Opt", i); }
    SummaryPicture& Picture() const { return *Get<SummaryPicture>("O_Picture"); }
    bool Hidden(const char* name) const { return Get<QWidget>(name)->isHidden(); }
    // The readouts named, as the operator reads them, joined by "|".
    std::string Texts(std::initializer_list<const char*> names) const {
        std::string all;
        for (const char* name : names)
            all += (all.empty() ? "" : "|") + Bytes(Get<QLabel>(name)->text());
        return all;
    }
    std::string Notice() const { return Hidden("L_Notice") ? "" : Bytes(Get<QLabel>("L_Notice")->toolTip()); }
    std::vector<int> List() const {
        return std::vector<int>(ms.play.PlayList().begin() + 1, ms.play.PlayList().end());
    }
    void PressPlay() { Get<QPushButton>("Play")->click(); }
    void ClickAt(double x, double y, int button = 1) {
        window->Hover(x, y);
        window->Click(button, x, y);
    }
    // The cursor lines T1|T2|row A|row B, "-" for hidden ones.
    std::string Lines() const {
        std::string all;
        const SummaryPicture& p = Picture();
        for (const PictureLine* l : {&p.L_T1, &p.L_T2, &p.L_ChnlA, &p.L_ChnlB})
            all += (all.empty() ? "" : "|") + (l->visible ? QString::number(l->at).toStdString() : "-");
        return all;
    }

    test::TempDir dir;
    test::ModelSet ms;
    test::FakePrompter prompts;
    std::unique_ptr<SignalListWindow> signalList;
    std::unique_ptr<SummaryWindow> window;
    int playerUnloads = 0, playerShows = 0, progressDone = 0;
};

// Right after loading, by collection type: caption, row option, signal option, Continue, bandwidth,
// the hovered row; Single Clip on clip 1 with the limits at the picture's ends.
TEST_F(SummaryWindowTest, CaptionsFollowTheCollectionType) {
    for (const auto& [type, seen] :
         {std::pair{CollectionType::Priority,
                    "PRIORITY Audio Clips Summary Picture, <Segment_01>|Channel#|signal|"
                    "Continue Playing by Channel#|IFBW|Chnl# 001"},
          std::pair{CollectionType::Spectral, "SPECTRAL Audio Clips Summary Picture, <Segment_01>|Signal||"
                                              "Continue Playing by Signal|IFBW|Track# 001"},
          std::pair{CollectionType::Netora, "NETORA Audio Clips Summary Picture, <Segment_01>|Signal||"
                                            "Continue Playing by Signal||Track# 001"}}) {
        SummaryWindow& w = Shown(MakeTable(type, 2, {{1, 145.0, 10, 20, "-80"}}));
        w.Hover(15, 0.5);
        EXPECT_EQ(Bytes(w.windowTitle()) + "|" + Bytes(Opt(2)->text()) + "|" +
                      (Opt(3)->isHidden() ? "" : "signal") + "|" + Bytes(Check("Chk_Continue")->text()) +
                      "|" + (Hidden("S_IFBW") ? "" : "IFBW") + "|" + Texts({"C_Chnl"}),
                  seen);
        EXPECT_EQ(std::tuple(Opt(0)->isChecked(), ms.selection.SelectedClip(),
                             Check("Chk_Continue")->isEnabled(), ms.recording.SummaryLoaded(), w.T1(),
                             Texts({"S_Freq"}), Notice()),
                  std::tuple(true, 1, false, true, 0.0, std::string("F:  0145.0000 M"), std::string()));
        EXPECT_DOUBLE_EQ(w.T2(), 1001.0 - 1001.0 / 501);
    }
}

TEST_F(SummaryWindowTest, TheWindowGrowsWithTheRowsAndScrollsPastFifty) {
    for (const auto& [rows, height] : {std::pair{0L, 1320}, {10L, 2220}, {50L, 5820}, {51L, 5820}})
        EXPECT_EQ(SummaryWindow::MinimumHeightTw(rows), height) << rows << " rows";
    Shown(MakeTable(CollectionType::Priority, 200, {{1, 145.0, 10, 20, "-80"}}));
    window->resize(Px(10335), Px(5820 - 390));
    window->LayoutAndDraw();
    auto* scroll = Get<QScrollBar>("Scrl_PBox"); // a viewport of 4500 twips: 50 rows in view
    EXPECT_FALSE(scroll->isHidden());
    EXPECT_EQ(std::pair(scroll->minimum(), scroll->maximum()), std::pair(0, 150));
    scroll->setValue(3);
    EXPECT_EQ(Picture().y(), -Px(270));
}

// Hover, then the four click behaviours, the time limit toggle and clicks off the table.
TEST_F(SummaryWindowTest, HoverAndClicks) {
    SummaryWindow& w = Shown(Priority());
    w.show();
    w.grab();
    const int renders = Picture().RenderCount();
    // x, y: the hovered clip, then C_Chnl|C_Time|C_Freq|C_Level.
    for (const auto& [x, y, seen] :
         {std::tuple{105.0, 0.5, "1 Chnl# 001|T:  01/02/06 10:01:45|F:  0145.0100 M|-85 dBm"},
          {250.0, 3.0, "2 Chnl# 003|T:  01/02/06 10:04:10|F:  0150.5000 M| -62  dBm"},
          {150.0, 2.0, "0 Chnl# 002|T:  01/02/06 10:02:30||"},
          {112 + 1001.0 / 500 - 0.001, 1.0, "1 Chnl# 001|T:  01/02/06 10:01:54|F:  0145.0100 M|-85 dBm"}}) {
        w.Hover(x, y);
        EXPECT_EQ(std::to_string(w.HoverClip()) + " " + Texts({"C_Chnl", "C_Time", "C_Freq", "C_Level"}),
                  seen);
    }

    // Single clip: the hovered clip is selected and an open player closes, on a clip or off one.
    ms.play.SetPlayerLoaded(true);
    ClickAt(220, 2.5);
    EXPECT_EQ(std::pair(ms.selection.SelectedClip(), w.SelectedRow()), std::pair(2, 3));
    EXPECT_EQ(Texts({"S_Chnl", "S_Freq", "S_Level", "S_T1", "S_T2"}),
              "Chnl#  003|F:  0150.5000 M|-62 dBm|T1:  01/02/06 10:03:20|T2:  01/02/06 10:04:20");
    EXPECT_EQ(Lines(), "200|260|2|3");
    ms.play.SetPlayerLoaded(true);
    ClickAt(800, 2.5);
    EXPECT_EQ(std::pair(playerUnloads, ms.selection.SelectedClip()), std::pair(2, 2));

    // Time 1 - 2: the buttons set the limits (T2 may lie left of T1) over the cached bars.
    Opt(1)->click();
    ClickAt(400, 1, 1);
    ClickAt(60, 2, 2);
    w.grab();
    EXPECT_EQ(Picture().RenderCount(), renders);
    EXPECT_EQ(std::pair(w.T1(), w.T2()), std::pair(400.0, 60.0));
    EXPECT_EQ(Texts({"S_T1", "S_T2"}), "T1:  01/02/06 10:06:40|T2:  01/02/06 10:01:00");
    EXPECT_EQ(Lines(), "400|60|-|-");
    EXPECT_TRUE(Hidden("S_Freq"));
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    ms.play.SetPlayList({42});
    PressPlay(); // nothing between a T1 after T2: a beep, and the last list kept
    EXPECT_EQ(List(), std::vector<int>{42});
    EXPECT_EQ(prompts.beeps, 1);
    w.SetLimits(111, 300);
    PressPlay();
    EXPECT_EQ(List(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(playerShows, 1);

    // Row: the segment's limits; a row's first clip, or the selected clip kept on an empty row.
    Opt(2)->click();
    EXPECT_TRUE(Check("Chk_Continue")->isEnabled());
    EXPECT_EQ(Texts({"S_T1", "S_T2"}), "T1:  01/02/06 10:00:00|T2:  01/02/06 10:16:40");
    ClickAt(700, 0.5);
    EXPECT_EQ(ms.selection.SelectedClip(), 1);
    ClickAt(700, 1.5);
    EXPECT_EQ(std::pair(w.SelectedRow(), ms.selection.SelectedClip()), std::pair(2, 1));
    EXPECT_EQ(Texts({"S_Freq", "S_Chnl"}), "F:  ----.---- M|Chnl#  002");
    EXPECT_EQ(Lines(), "-|-|1|2");
    Check("Chk_time")->click();
    EXPECT_TRUE(Picture().L_T1.visible);
    EXPECT_DOUBLE_EQ(Picture().L_T2.at, w.T2());
    Check("Chk_time")->click();
    EXPECT_FALSE(Picture().L_T1.visible);

    // Signal: the clip under the pointer or the row's first; with the limit on the lines stay put.
    Opt(3)->click();
    ClickAt(900, 2.5);
    EXPECT_EQ(ms.selection.SelectedClip(), 2);
    EXPECT_DOUBLE_EQ(Picture().L_T1.at, 200);
    Check("Chk_time")->click();
    w.SetLimits(5, 900);
    ClickAt(310, 0.5);
    EXPECT_EQ(ms.selection.SelectedClip(), 3);
    EXPECT_EQ(std::pair(Picture().L_T1.at, Picture().L_T2.at), std::pair(5.0, 900.0));
    EXPECT_EQ(Texts({"S_Level"}), "-101 dBm");
    ClickAt(900, 1.5); // a row without clips: nothing changes
    EXPECT_EQ(Texts({"S_Freq"}), "F:  0145.0200 M");

    // Back to Single Clip with the limit toggled: the lines come back to the selected clip.
    Opt(0)->click();
    Check("Chk_time")->click();
    EXPECT_TRUE(Picture().L_T1.visible);
    EXPECT_DOUBLE_EQ(Picture().L_T1.at, 300);

    // Off the table every option beeps and nothing plays.
    Shown(MakeTable(CollectionType::Priority, 2, {}));
    for (int option = 0; option < 4; ++option) {
        Opt(option)->click();
        ClickAt(-50, -3);
        ClickAt(5000, 99);
        window->DoubleClick();
    }
    EXPECT_EQ(prompts.beeps, 5);
    EXPECT_EQ(playerShows, 1);
}

// With a signal list: the bandwidth and status of the entry that holds the clip, its band for the
// Signal option; Play closes a loaded player and clears Stop-after-clip; the export only builds.
TEST_F(SummaryWindowTest, SignalListAndPlayHandOver) {
    dir.write("~FREQ.SIG", "00145.00000,[   00.030    20    FM    ]{2}(9)/ \\tower\r\n"
                           "00145.01000,[   00.002    20    FM    ]{2}(9)/ \\\r\n");
    SummaryWindow& w = Shown(Priority());
    ClickAt(105, 0.5);
    EXPECT_EQ(Texts({"S_IFBW", "C_Status"}), "IFBW: 030KHz, AM |   <?s >,    9        tower");
    EXPECT_EQ(std::pair(signalList->IsHighlighted(0), signalList->CurrentIndex()), std::pair(true, 0));
    Opt(3)->click();
    ClickAt(105, 0.5); // 145.01: the first entry's band 144.985-145.015 holds it, not the second's
    PressPlay();
    EXPECT_EQ(List(), (std::vector<int>{1, 4})); // 145.015 on the band's edge is in, 145.02 out

    ClickAt(210, 2.5); // 150.5 is in no entry: the default bandwidth, no status
    EXPECT_EQ(Texts({"S_IFBW", "C_Status"}), "IFBW: 025KHz, AM |   < . . . >");
    EXPECT_EQ(std::pair(signalList->IsHighlighted(0), signalList->CurrentIndex()), std::pair(false, -1));

    Opt(2)->click(); // Continue on the last row plays that row
    Check("Chk_Continue")->setChecked(true);
    ms.play.SetPlayerLoaded(true);
    ms.play.SetStopAfterClip(true);
    PressPlay();
    EXPECT_EQ(List(), (std::vector<int>{2, 4}));
    EXPECT_FALSE(ms.play.StopAfterClip());
    EXPECT_EQ(std::pair(playerUnloads, playerShows), std::pair(1, 2));
    ms.play.SetPlayerLoaded(true);
    Opt(0)->click();
    w.BuildPlayList(PlayListUse::Export);
    EXPECT_EQ(List(), std::vector<int>{2});
    EXPECT_EQ(std::pair(playerUnloads, playerShows), std::pair(2, 2));
    w.DoubleClick(); // plays what the press selected
    EXPECT_EQ(playerShows, 3);
}

// Loading from the files: a PRIORITY recording whose AUD file is found without regard to case, a
// clip without a row told above the picture; then a file gone since the segment dialog read it.
TEST_F(SummaryWindowTest, LoadsTheSegmentFromTheFiles) {
    const std::string event = "Ver, test\r\nSTARTBYTRIGGER,01/02/06 10:00:00,ABCD0001.WAV\r\n"
                              "WAV,ABCD0001.WAV,3,0150.5000,01/02/06 10:03:20,01/02/06 10:04:20,-62,1\r\n"
                              "WAV,ABCD0002.WAV,7,0150.5000,01/02/06 10:05:00,01/02/06 10:05:10,-62,1\r\n";
    dir.write("ABCD0102.EVA", event);
    dir.write("abcd0102.aud", "HDR,PRIORITY\r\n"
                              "SMD,1,RX,BW1,COR1,MD1,ATT0,AGCF,0,0,0,0,00145.00000,00000.00000,1\r\n"
                              "SMD,2,RX,BW2,COR1,MD2,ATT0,AGCF,0,0,0,0,00146.00000,00000.00000,1\r\n"
                              "SMD,3,RX,BW3,COR1,MD3,ATT0,AGCF,0,0,0,0,00150.00000,00000.00000,1\r\n");
    ms.recording.SetSegments(ScanSegments(event));
    ASSERT_TRUE(Make().Load());
    EXPECT_EQ(Bytes(window->windowTitle()), "PRIORITY Audio Clips Summary Picture, <Segment_01>");
    EXPECT_EQ(std::tuple(ms.recording.Table().RowCount, window->isVisible(), progressDone),
              std::tuple(3, true, 1));
    EXPECT_EQ(Notice(), "1 clip of this segment has no place in the picture and is not shown");
    ClickAt(230, 2.5);
    EXPECT_EQ(Texts({"C_Freq", "S_IFBW", "S_Chnl"}), "F:  0150.5000 M|IFBW: 025KHz, CW |Chnl#  003");

    std::filesystem::remove(dir.file("ABCD0102.EVA"));
    ASSERT_TRUE(Make().Load());
    EXPECT_EQ(ms.recording.Table().ClipCount, 0);
    EXPECT_EQ(Notice(), "The audio event file could not be read");
    PressPlay();
    EXPECT_EQ(prompts.beeps, 1);

    ClipTable skipped = Priority();
    skipped.Skipped = 12;
    Shown(std::move(skipped));
    EXPECT_EQ(Notice(), "12 clips of this segment have no place in the picture and are not shown");
    EXPECT_TRUE(prompts.AllMet() && prompts.messages.empty()) << prompts.Report();
}

// The image as text, a line a pixel row: '.' black, R red, B blue, G green, W white, other '?'.
std::string Map(const QImage& image) {
    std::string text;
    for (int y = 0; y < image.height(); ++y, text += '\n') {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            text += p == 0          ? '.'
                    : p == 0xFF0000 ? 'R'
                    : p == 0x0000FF ? 'B'
                    : p == 0x00FF00 ? 'G'
                    : p == 0xFFFFFF ? 'W'
                                    : '?';
        }
    }
    return text;
}

// Bars cover (x1, r - 1) to (x2, r), later bars over earlier ones, at least one pixel, clipped at the
// edges; `top` shows part of a tall picture.
TEST(RenderBars, PixelsOfTheBars) {
    const std::vector<Bar> bars = {{1, 3, 1, 0xFF0000},  {2, 4, 1, 0x0000FF},   {-3, 1, 2, 0x00FF00},
                                   {9, 15, 2, 0xFF0000}, {-5, -2, 3, 0xFFFFFF}, {5, 5, 3, 0x0000FF}};
    QImage image(20, 6, QImage::Format_ARGB32_Premultiplied);
    RenderBars(image, bars, {10, 3, 20, 6}, 0);
    EXPECT_EQ(Map(image), "..RRBBBB............\n..RRBBBB............\nGG................RR\n"
                          "GG................RR\n..........B.........\n..........B.........\n");
    QImage part(20, 3, QImage::Format_ARGB32_Premultiplied);
    RenderBars(part, bars, {10, 3, 20, 6}, 3);
    EXPECT_EQ(Map(part), "GG................RR\n..........B.........\n..........B.........\n");
    // 2000 units and 1999 rows into 400 x 300 pixels: a one-unit bar on the last row still shows.
    QImage small(400, 300, QImage::Format_ARGB32_Premultiplied);
    RenderBars(small, {{1000, 1001, 1999, 0x00FF00}}, {2000, 1999, 400, 300}, 0);
    EXPECT_EQ(small.pixel(200, 299), qRgb(0, 255, 0));
}

// The cursor lines and the outline move over the cached bars; new bars or a new size draw them
// again. The mouse reports picture units of the pixel's middle.
TEST(SummaryPicture, OverlaysMouseAndRedraws) {
    SummaryPicture picture;
    picture.resize(20, 10);
    picture.SetScale(10, 5);
    picture.SetBars({{2, 6, 3, 0xFF0000}});
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    picture.repaint();
    const auto screen = [&] {
        QImage image(picture.size(), QImage::Format_ARGB32_Premultiplied);
        picture.render(&image);
        return Map(image);
    };
    std::vector<std::tuple<int, double, double>> presses;
    int doubles = 0;
    picture.onPress = [&](int b, double x, double y) { presses.emplace_back(b, x, y); };
    picture.onDoubleClick = [&] { ++doubles; };
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(4, 6));
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(19, 9));
    QTest::mouseDClick(&picture, Qt::LeftButton, {}, QPoint(4, 6));
    // Button, x and row of each press: the top pixel line of row 4 is row 4.
    ASSERT_GE(presses.size(), 2u);
    const auto [b1, x1, y1] = presses[0];
    const auto [b2, x2, y2] = presses[1];
    EXPECT_EQ(std::tuple(b1, x1, RowOfY(y1, 5), b2, RowOfY(y2, 5), doubles), std::tuple(1, 2.25, 4, 2, 5, 1));

    const int renders = picture.RenderCount();
    ASSERT_GE(renders, 1);
    for (PictureLine* line : {&picture.L_T1, &picture.L_T2, &picture.L_ChnlA, &picture.L_ChnlB})
        line->visible = true;
    picture.L_T1.at = 1;
    picture.L_T2.at = 8;
    picture.L_ChnlA.at = 1;
    picture.L_ChnlB.at = 5; // the bottom edge of the last row stays in view
    picture.Shape1 = {2, 3, 6, 4, Qt::white, true};
    picture.UpdateOverlays();
    picture.repaint();
    // T1 at x 2, T2 at 16, row line 1 at y 2, row line 5 kept at the bottom, the outline over x 4-12, y 6-8.
    EXPECT_EQ(screen(),
              "..B.............R...\n..B.............R...\nWWWWWWWWWWWWWWWWWWWW\n..B.............R...\n"
              "..B.RRRRRRRR....R...\n..B.RRRRRRRR....R...\n..B.WWWWWWWWW...R...\n..B.W.......W...R...\n"
              "..B.WWWWWWWWW...R...\nWWWWWWWWWWWWWWWWWWWW\n");
    EXPECT_EQ(picture.RenderCount(), renders);
    picture.SetBars({{2, 6, 1, 0x00FF00}});
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    picture.resize(30, 10);
    picture.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 2);
}

// 1999 rows of 6 pixels in a 120-pixel viewport: only the part in view is drawn, again only when the
// view moves.
TEST(SummaryPicture, CachesOnlyTheVisiblePart) {
    QWidget viewport;
    viewport.resize(100, 120);
    SummaryPicture picture(&viewport);
    picture.setGeometry(0, 0, 100, 1999 * 6);
    picture.SetScale(100, 1999);
    std::vector<Bar> bars;
    for (int r = 1; r <= 1999; ++r)
        bars.push_back({0, 100, r, r % 2 ? 0xFF0000u : 0x0000FFu});
    picture.SetBars(std::move(bars));
    viewport.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewport));
    viewport.repaint();
    const int renders = picture.RenderCount();
    picture.move(0, -6 * 1000); // row 1001 at the top
    viewport.repaint();
    EXPECT_EQ(picture.RenderCount(), renders + 1);
    EXPECT_LE(picture.Cache().height(), 120);
    QImage shown(viewport.size(), QImage::Format_ARGB32_Premultiplied);
    viewport.render(&shown);
    EXPECT_EQ(shown.pixel(50, 0), qRgb(255, 0, 0));   // row 1001, odd
    EXPECT_EQ(shown.pixel(50, 6), qRgb(0, 0, 255));   // row 1002
    EXPECT_EQ(shown.pixel(50, 119), qRgb(0, 0, 255)); // row 1020
}

} // namespace
} // namespace zarn
