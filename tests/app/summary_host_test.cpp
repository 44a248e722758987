#include "main_bar.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "bandwidth_dialog.h"
#include "find_control.h"
#include "segment_answer.h"
#include "segscan.h"
#include "signal_list_window.h"
#include "summary_window.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

namespace zarn {
namespace {

using test::Control;

// A NETORA recording (no AUD file): three clips 10 kHz apart in one segment.
constexpr const char* kNetora = "Ver, Created by the recorder\r\n"
                                "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                "WAV,NT0002.WAV,1,145.0100,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                "WAV,NT0003.WAV,1,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

constexpr const char* kReprocess =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

class HostTest : public test::AppTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", "00020.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                               "00145.50000,[   00.030    20    AM    ]{0}(3)/x\\Net 4\r\n");
        Start();
    }
    SignalListWindow* List() const { return app->SignalListIfLoaded(); }
    bool ListVisible() const { return List() && List()->isVisible(); }
    QAction* Item(const char* name) const { return Control<QAction>(app->MainWindow(), name); }
    // Whether the picture is up, loaded, and Export offered, as one word each.
    std::string Shown() const {
        return std::string(app->Summary() && app->Summary()->isVisible() ? "shown" : "-") +
               (M().recording.SummaryLoaded() ? " loaded" : " -") +
               (Item("Export")->isEnabled() ? " export" : " -");
    }
    // Opens `path` through File, Open... and its first segment, answering the split question if given.
    void Open(const std::string& path, std::optional<MsgAnswer> answerSplit = std::nullopt) {
        prompter.ExpectOpenFile("Open... Audio File", path);
        if (answerSplit)
            prompter.ExpectMessage(
                "Too many frequencies",
                "The selected segment includes too many signal frequencies to be presented as a "
                "single segment.  Can it be broken into smaller segments, the first of which will "
                "be presented?",
                MsgIcon::Question, MsgButtons::OkCancel, *answerSplit);
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        Item("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        QTest::qWait(20);
    }
    void SetBarState(Qt::WindowStates state) {
        app->MainWindow()->setWindowState(state);
        QTest::qWait(20);
    }
};

// Open shows the picture, minimising the bar hides it and the list, File Close and the close box
// take it down; a new default bandwidth the operator agrees to reprocess rebuilds it.
TEST_F(HostTest, OpenMinimiseBandwidthAndClose) {
    Item("F_List")->trigger();
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "File, Close");
        Open(tmp.write("NETA0102.EVA", kNetora));
        EXPECT_EQ(Shown(), "shown loaded export");
        EXPECT_EQ(M().recording.Table().RowCount, 2); // 145.00 and 145.01 share a 25 kHz window
        SetBarState(Qt::WindowMinimized);
        EXPECT_EQ(Shown(), "- loaded export");
        EXPECT_FALSE(ListVisible());
        SetBarState(Qt::WindowNoState);
        EXPECT_EQ(Shown(), "shown loaded export");
        EXPECT_TRUE(ListVisible());
        if (closeBox) {
            Item("IFBW_Default")->trigger();
            BandwidthDialog* d = app->DefaultBandwidth();
            ASSERT_NE(d, nullptr);
            Control<QLineEdit>(d, "Value")->setText(QStringLiteral("1")); // every frequency a row of its own
            prompter.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo,
                                   MsgAnswer::Yes);
            QTest::mouseClick(Control<QPushButton>(d, "Cmd_Done"), Qt::LeftButton);
            QTest::qWait(20);
            EXPECT_EQ(Shown(), "shown loaded export");
            EXPECT_EQ(M().recording.Table().RowCount, 3);
            app->Summary()->close();
        } else {
            Item("F_Close")->trigger();
        }
        QTest::qWait(20);
        EXPECT_EQ(app->Summary(), nullptr);
        EXPECT_EQ(Shown(), "- - -");
    }
}

// 2002 frequencies a megahertz apart: declined, no picture and the file whole; agreed, the file split
// after the clips shown.
TEST_F(HostTest, TheSplitAnswerDecidesTheFileAndThePicture) {
    std::string text = "Ver, Created by the recorder\r\nSTARTBYTRIGGER,01/02/05 10:00:00,CR0001.WAV\r\n";
    char line[120];
    for (int i = 1; i <= 2002; ++i) {
        std::snprintf(line, sizeof line,
                      "WAV,CR%04d.WAV,1,%d.0000,01/02/05 10:%02d:%02d,01/02/05 10:%02d:%02d,-80,0\r\n", i,
                      100 + i, (i / 60) % 60, i % 60, (i / 60) % 60, i % 60);
        text += line;
    }
    Open(tmp.write("CROW0102.EVA", text), MsgAnswer::Cancel);
    EXPECT_EQ(Shown(), "- - -");
    EXPECT_EQ(app->Summary(), nullptr);
    EXPECT_EQ(test::TempDir::read(tmp.file("CROW0102.EVA")), text);

    Open(tmp.file("CROW0102.EVA"), MsgAnswer::Ok);
    EXPECT_EQ(Shown(), "shown loaded export");
    const int kept = M().recording.Table().ClipCount;
    EXPECT_EQ(kept, 2000);
    EXPECT_EQ(M().recording.Segments().clipCount[1], kept);
    EXPECT_EQ(test::TempDir::read(tmp.file("CROW0102.SAV")), text);
    const SegmentTable now = ScanSegments(test::TempDir::read(tmp.file("CROW0102.EVA")));
    EXPECT_EQ(now.segCount, 2);
    EXPECT_EQ(now.clipCount[2], 2002 - kept);
}

// The list loaded hidden, shown, hidden by Close, unloaded by its close box; New asks the reprocess
// question only while a picture is loaded.
TEST_F(HostTest, SignalListShownHiddenUnloadedAndNew) {
    ASSERT_NE(List(), nullptr);
    EXPECT_FALSE(ListVisible());
    EXPECT_EQ(List()->List().Count(), 2);
    EXPECT_EQ(List()->windowTitle(), QStringLiteral("SIGNAL LIST - [~freq.sig]"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    Item("F_List")->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(ListVisible());
    Item("F_Close")->trigger();
    EXPECT_FALSE(ListVisible());
    EXPECT_NE(List(), nullptr); // hidden, not unloaded: the other windows still read its list

    app->ShowSignalList();
    List()->close();
    Flush();
    EXPECT_EQ(List(), nullptr);
    tmp.write("~FREQ.SIG", "00030.00000,one entry\r\n");
    Item("F_List")->trigger();
    EXPECT_TRUE(ListVisible());
    EXPECT_EQ(List()->List().Count(), 1);

    prompter.ExpectSaveFile("Saving... Signal List File", tmp.file("station.txt"));
    List()->SaveAs();
    EXPECT_EQ(app->SigListFileName(), tmp.file("station.SIG"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("station.SIG") + "\r\n");

    prompter.ExpectMessage("New Signal List... CONFIRMATION:",
                           "Signal List's temp_file, " + tmp.file("~FREQ.SIG") +
                               "\r\nwill be erased to make room for new data.\r\nDo you want to continue?",
                           MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    List()->New();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")) + tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    M().recording.SetSummaryLoaded(true);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        prompter.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo, answer);
        List()->New();
        EXPECT_EQ(M().recording.SummaryLoaded(), answer == MsgAnswer::No);
    }
    EXPECT_FALSE(M().play.PlayerLoaded());
}

} // namespace
} // namespace zarn
