// The player window in Zarn_zed32, driven through a scripted WAV control.
#include "player_fixture.h"
#include "signal_list_window.h"
#include "summary_window.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using test::Control;
using test::Wav8;
using Started = test::FakeWaveControl::Started;

// A NETORA recording: three clips; the second one's file is missing.
constexpr const char* kNetora = "Ver, Created by the recorder\r\n"
                                "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                "WAV,NT0002.WAV,2,145.0300,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                "WAV,NT0003.WAV,3,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

// The signal at 145.03 MHz, 10 kHz wide: it holds the second clip only.
constexpr const char* kList = "00145.03000,[   00.010    20    FM    ]{2}(9)/ \\tower\r\n";

class PlayerWindowTest : public test::PlayerAppTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", kList);
        OpenEventFile(kNetora);
    }

    SummaryWindow& Summary() const { return *app->Summary(); }
    std::string Text(const char* name) const { return Control<QLabel>(&Player(), name)->text().toStdString(); }
    std::string ListFile() const { return tmp.read(tmp.file("~FREQ.SIG")); }
    WavePicture& Wave() const { return *Control<WavePicture>(&Player(), "O_WAV"); }
    ButtonColour Looks(ButtonColour TransportLooks::*button) const {
        return Player().Transport_().Looks.*button;
    }
    bool SummaryPlays() const { return Control<QPushButton>(&Summary(), "Play")->isEnabled(); }
    bool OthersLocked() const {
        return !SummaryPlays() && !Control<QRadioButton>(&Summary(), "Play_Opt", 0)->isEnabled() &&
               Control<QPushButton>(app->MainWindow(), "B_Open")->isHidden() &&
               !Control<QAction>(app->MainWindow(), "F_Close")->isEnabled() &&
               !Control<QCheckBox>(&Summary(), "Chk_time")->isEnabled();
    }
};

// What the operator sees of each clip, stepped through with Next and Prev while stopped. A NETORA
// clip's track is its row in the picture, by frequency.
TEST_F(PlayerWindowTest, EachClipShowsItsCaptionsAndWhetherItsFileIsThere) {
    ShowPlayer({1, 2, 3});
    tmp.write("NT0001.WAV", "not a wave file"); // there, but no WAV
    wave->SetFile(tmp.file("NT0001.WAV"), 0);
    Button("Cmd_Next")->click(); // grey while playing
    EXPECT_EQ(Text("P_FileName"), "NT0001.WAV");
    Button("Cmd_Stop")->click();
    EXPECT_FALSE(OthersLocked());
    EXPECT_EQ(Player().windowTitle(), QStringLiteral("Play_Audio Clip"));
    EXPECT_EQ(Text("L_Chnl"), "Track#");
    const struct {
        const char *file, *chnl, *freq, *start, *stop, *level, *plot;
        bool copy;
    } clips[] = {
        {"NT0002.WAV", "003", "0145.0300 M", "01/02/05 10:01:00", "01/02/05 10:01:09", "-75 dBm",
         "File Not Found", false},
        {"NT0003.WAV", "002", "0145.0200 M", "01/02/05 10:02:00", "01/02/05 10:02:30", "-60 dBm", "", true},
        {"NT0002.WAV", "003", "0145.0300 M", "01/02/05 10:01:00", "01/02/05 10:01:09", "-75 dBm",
         "File Not Found", false},
        {"NT0001.WAV", "001", "0145.0000 M", "01/02/05 10:00:10", "01/02/05 10:00:20", "-80 dBm",
         "File Not Playable", false},
    };
    const char* steps[] = {"Cmd_Next", "Cmd_Next", "Cmd_Prev", "Cmd_Prev"};
    const std::size_t plays = wave->started.size();
    for (std::size_t i = 0; i < std::size(clips); ++i) {
        SCOPED_TRACE(steps[i]);
        Button(steps[i])->click();
        const auto& c = clips[i];
        QLabel* plot = Control<QLabel>(&Player(), "L_PlotFile");
        const std::vector<std::string> shown{Text("P_FileName"), Text("P_Chnl"),     Text("P_Freq"),
                                             Text("P_StartTime"), Text("P_StopTime"), Text("P_Level"),
                                             plot->isHidden() ? "" : plot->text().toStdString()};
        EXPECT_EQ(shown, (std::vector<std::string>{c.file, c.chnl, c.freq, c.start, c.stop, c.level, c.plot}));
        EXPECT_EQ(Button("Copy")->isEnabled(), c.copy);
    }
    EXPECT_EQ(wave->started.size(), plays); // stepping never plays
}

TEST_F(PlayerWindowTest, SummaryPlayGoesThroughTheListClosingFreesTheOtherWindowsAndMarksPlayARange) {
    Control<QRadioButton>(&Summary(), "Play_Opt", 1)->click(); // Time 1 - 2: the whole segment
    Control<QPushButton>(&Summary(), "Play")->click();
    ASSERT_EQ(M().play.PlayListCount(), 3);
    ASSERT_NE(app->Player(), nullptr);
    PlayerWindow& p = Player();
    SummaryPicture& picture = *Control<SummaryPicture>(&Summary(), "O_Picture");
    EXPECT_TRUE(p.isVisible());
    EXPECT_EQ(Text("P_FileName"), "NT0001.WAV");
    EXPECT_EQ(M().selection.SelectedClip(), 1);
    EXPECT_TRUE(OthersLocked());
    EXPECT_TRUE(picture.Shape1.visible);
    EXPECT_DOUBLE_EQ(picture.Shape1.y1, 0); // row 1
    EXPECT_TRUE(Control<QTimer>(&p, "Timer1")->isActive());
    EXPECT_EQ(Button("Cmd_Play")->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_TRUE(Control<QLabel>(&p, "L_PlotFile")->isHidden()); // the waveform is drawn

    // The missing second clip is passed over; the third plays whole.
    wave->Finish();
    EXPECT_EQ(Text("P_FileName"), "NT0003.WAV");
    EXPECT_EQ(M().selection.SelectedClip(), 3);
    EXPECT_EQ(wave->started.back(), (Started{tmp.file("NT0003.WAV"), 0, 500, false}));
    EXPECT_TRUE(OthersLocked());

    // The end of the list: stopped on the last clip, the other windows free again.
    wave->Finish();
    EXPECT_FALSE(OthersLocked());
    EXPECT_FALSE(Control<QTimer>(&p, "Timer1")->isActive());

    // Closing it frees everything and remembers where it stood.
    p.move(200, 150);
    p.close();
    Flush();
    EXPECT_TRUE(app->Player() == nullptr && !M().play.PlayerLoaded() && !picture.Shape1.visible && SummaryPlays());
    const int left = M().play.PlayerLeft(), top = M().play.PlayerTop();
    EXPECT_GE(left, 0);
    ShowPlayer({1});
    EXPECT_EQ(std::pair(Tw(Player().frameGeometry().x()), Tw(Player().frameGeometry().y())), std::pair(left, top));

    // Marks play a range; the wave display switch is stored.
    Button("Cmd_Stop")->click();
    const double w = Wave().ScaleWidth();
    Player().PressWave(Qt::LeftButton, w / 4);
    Player().PressWave(Qt::RightButton, w / 2);
    EXPECT_EQ(Looks(&TransportLooks::Cmd_PlayClip), ButtonColour::Black);
    EXPECT_TRUE(Wave().box.visible);
    Button("Cmd_PlayClip")->click();
    EXPECT_EQ(wave->started.back(), (Started{tmp.file("NT0001.WAV"), 500, 1000, false}));
    wave->Finish();
    Button("Cmd_Refresh")->click();
    EXPECT_TRUE(!Wave().box.visible && Looks(&TransportLooks::Cmd_Loop) == ButtonColour::Grey);

    QAction* display = Control<QAction>(&Player(), "WAV_Display_On");
    ASSERT_TRUE(display->isChecked());
    display->trigger();
    EXPECT_FALSE(display->isChecked());
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n25\r\n");
    display->trigger();
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")), "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n");
    EXPECT_TRUE(Control<QLabel>(&Player(), "L_PlotFile")->isHidden());
}

// Comments sends (asking before it replaces); Enter in the comment and a class click replace without asking.
TEST_F(PlayerWindowTest, SendingPutsTheSignalIntoTheListWindowAndItsFile) {
    tmp.write("NT0002.WAV", Wav8(300));
    ShowPlayer({1, 2});
    // 145.00 is not listed: no class tools; the send adds "?s" with COR 10 and priority 9.
    EXPECT_TRUE(Comment()->isHidden());
    Button("Comments")->click();
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Pause), ButtonColour::Red); // the send paused play
    EXPECT_TRUE(app->SignalListIfLoaded()->IsHighlighted(0));
    EXPECT_EQ(Control<QLabel>(&Summary(), "C_Status")->text().toStdString(), "   <?s >,   ");
    EXPECT_EQ(ListFile(), "00145.00000,[   00.025    10    FM    ]{2}(9)/ \\\r\n" + std::string(kList));

    Button("Cut")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "ORVANE AUDIO PLAYBACK APPLICATION, Version 02.00.00:\r\n\n"
              "Collection Type:   NETORA\r\n"
              "Wave Filename:   NT0001.WAV\r\n"
              "Setup:   Track# 001, 0145.0000 MHz\r\n"
              "Signal Level:   -80 dBm\r\n"
              "Start Time:   01/02/05 10:00:10\r\n"
              "Stop Time:   01/02/05 10:00:20\r\n"
              "Comments:   \r\n");

    // The second clip's signal is listed: its class and comment show, and sending again asks.
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    EXPECT_FALSE(Comment()->isHidden());
    EXPECT_EQ(Comment()->text(), QStringLiteral("tower"));
    EXPECT_TRUE(Control<QRadioButton>(&Player(), "Clip_Status", 2)->isChecked());
    EXPECT_EQ(Comment()->palette().color(QPalette::Base), QColor(255, 255, 0));
    prompter.ExpectMessage(
        "EDIT Signal... CONFIRMATION:",
        "Freq = 0145.0300 MHz is already available in the Signal List.  Do you want to replace it "
        "with new data?",
        MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    const std::string before = ListFile();
    Button("Comments")->click();
    EXPECT_EQ(ListFile(), before);

    Button("Cmd_Play")->click();
    Comment()->setFocus();
    QTest::keyClicks(Comment(), ",x");
    EXPECT_EQ(Comment()->text(), QStringLiteral("tower;x"));
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Pause), ButtonColour::Red); // typing paused play
    EXPECT_EQ(Comment()->palette().color(QPalette::Base), QColor(255, 255, 255));
    QTest::keyClick(Comment(), Qt::Key_Escape);
    EXPECT_EQ(Comment()->text(), QStringLiteral("tower"));
    EXPECT_EQ(Comment()->palette().color(QPalette::Base), QColor(255, 255, 0));

    QTest::keyClicks(Comment(), " 2");
    QTest::keyClick(Comment(), Qt::Key_Return);
    const std::string sent = "00145.00000,[   00.025    10    FM    ]{2}(9)/ \\\r\n";
    EXPECT_EQ(ListFile(), sent + "00145.03000,[   00.010    10    FM    ]{2}(9)/ \\tower 2\r\n");
    Control<QRadioButton>(&Player(), "Clip_Status", 0)->click();
    EXPECT_EQ(ListFile(), sent + "00145.03000,[   00.010    10    FM    ]{0}(9)/ \\tower 2\r\n");
}

// 1.5x chosen reaches the control, plays the next clip too, and is where the next player starts,
// its first clip already at 1.5x. The box sits in Panel2's free corner.
TEST_F(PlayerWindowTest, AChosenSpeedReachesTheControlAndOutlastsClipAndWindow) {
    ShowPlayer({1, 3});
    auto* speed = Control<QComboBox>(&Player(), "SpeedCombo");
    QStringList captions;
    for (int i = 0; i < speed->count(); ++i)
        captions << speed->itemText(i);
    EXPECT_EQ(captions, QStringList({"0.5×", "0.75×", "1×", "1.25×", "1.5×", "2×"}));
    EXPECT_EQ(speed->currentText(), "1×");
    EXPECT_EQ(wave->started.at(0).speed, 1.0);
    const QRect place = speed->geometry();
    EXPECT_TRUE(Control<QWidget>(&Player(), "Panel2")->rect().contains(place));
    EXPECT_FALSE(place.intersects(Control<QWidget>(&Player(), "Clip_Status_2")->geometry()) ||
                 place.intersects(Comment()->geometry()));

    speed->setCurrentIndex(speed->findText("1.5×"));
    EXPECT_EQ(wave->PlaySpeed(), 1.5);
    EXPECT_EQ(wave->writes.back(), "PlaySpeed=1.5");
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    Button("Cmd_Play")->click();
    EXPECT_EQ(wave->started.back(), (Started{tmp.file("NT0003.WAV"), 0, 500, false, 1.5}));

    app->UnloadPlayer();
    Flush();
    ShowPlayer({1});
    EXPECT_EQ(Control<QComboBox>(&Player(), "SpeedCombo")->currentText(), "1.5×");
    ASSERT_FALSE(wave->started.empty());
    EXPECT_EQ(wave->started.at(0), (Started{tmp.file("NT0001.WAV"), 0, 2000, false, 1.5}));
}

// Stop lets events run; an unload that arrives then must wait for the handler to finish.
TEST_F(PlayerWindowTest, AnUnloadWhileAHandlerLetsEventsRunWaitsForIt) {
    ShowPlayer({1, 3});
    QPointer<PlayerWindow> p = app->Player();
    bool survived = false;
    // The click arrives from the event loop, as the operator's would.
    QTimer::singleShot(0, p, [&] {
        QTimer::singleShot(0, app.get(), [this] { app->UnloadPlayer(); });
        Control<QPushButton>(p, "Cmd_Stop")->click();
        survived = !p.isNull() && !p->isVisible(); // unloaded, but here until its handler is done
    });
    QTest::qWait(50);
    EXPECT_TRUE(survived);
    EXPECT_FALSE(M().play.PlayerLoaded());
    EXPECT_FALSE(wave != nullptr && p && wave->Playing());
    EXPECT_TRUE(SummaryPlays());
    Flush();
    EXPECT_TRUE(p.isNull());
}

} // namespace
} // namespace zarn
