// The player window in Zarn_zed32, driven through a scripted WAV control.
#include "player_window.h"

#include "app_fixture.h"
#include "fake_wave_control.h"
#include "find_control.h"
#include "latin1.h"
#include "summary_window.h"
#include "segment_answer.h"
#include "signal_list_window.h"
#include "wav_bytes.h"
#include "zarn_app.h"
#include "main_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace zarn {
namespace {

using test::Control;
using test::Wav8;

// A NETORA recording: three clips; the second one's file is missing.
constexpr const char* kNetora = "Ver, Created by the recorder\r\n"
                                "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                "WAV,NT0002.WAV,2,145.0300,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                "WAV,NT0003.WAV,3,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

// The signal at 145.03 MHz, 10 kHz wide: it holds the second clip only.
constexpr const char* kList = "00145.03000,[   00.010    20    FM    ]{2}(9)/ \\tower\r\n";

class PlayerWindowTest : public test::AppTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", kList);
        Start();
        app->MakeWaveControl = [this] {
            auto w = std::make_unique<test::FakeWaveControl>();
            w->SetFile(tmp.write("NT0001.WAV", Wav8(2000)), 2000);
            w->SetFile(tmp.write("NT0003.WAV", Wav8(500)), 500);
            if (std::filesystem::exists(tmp.file("NT0002.WAV"))) w->SetFile(tmp.file("NT0002.WAV"), 300);
            wave = w.get();
            return w;
        };
        app->PlayerWaitMs = [](int) {};
        prompter.ExpectOpenFile("Open... Audio File", tmp.write("NETA0102.EVA", kNetora));
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        Control<QAction>(Main(), "F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_NE(app->Summary(), nullptr);
    }

    MainBar* Main() const { return app->MainWindow(); }
    SummaryWindow& Summary() const { return *app->Summary(); }
    SignalListWindow& List() const { return *app->SignalListIfLoaded(); }
    PlayerWindow& Player() const { return *app->Player(); }
    // The player's controls, by name.
    template <class T> T* Get(const char* name) const { return Control<T>(&Player(), name); }
    QPushButton* Button(const char* name) const { return Get<QPushButton>(name); }
    QLineEdit* Comment() const { return Get<QLineEdit>("P_Comment"); }
    QRadioButton* ClassOption(int i) const { return Control<QRadioButton>(&Player(), "Clip_Status", i); }
    WavePicture& Wave() const { return *Get<WavePicture>("O_WAV"); }
    std::string Text(const char* name) const { return Get<QLabel>(name)->text().toStdString(); }
    SummaryPicture& Picture() const { return *Control<SummaryPicture>(&Summary(), "O_Picture"); }
    bool SummaryChecks() const { return Control<QCheckBox>(&Summary(), "Chk_time")->isEnabled(); }
    bool SummaryPlays() const { return Control<QPushButton>(&Summary(), "Play")->isEnabled(); }
    ButtonColour Looks(ButtonColour TransportLooks::*button) const {
        return Player().Transport_().Looks.*button;
    }

    // Plays `clips` (picture clip numbers) as a new play list.
    void PlayList(std::vector<int> clips) {
        M().play.SetPlayList(clips);
        app->ShowPlayer();
        ASSERT_NE(app->Player(), nullptr);
    }

    bool OthersLocked() const {
        return !SummaryPlays() && !Control<QRadioButton>(&Summary(), "Play_Opt", 0)->isEnabled() &&
               Control<QPushButton>(Main(), "B_Open")->isHidden() &&
               !Control<QAction>(Main(), "F_Close")->isEnabled();
    }

    test::FakeWaveControl* wave = nullptr;
};

TEST_F(PlayerWindowTest, SummaryPlayOpensThePlayerWhichPlaysThroughTheListSkippingMissingFiles) {
    Control<QRadioButton>(&Summary(), "Play_Opt", 1)->click(); // Time 1 - 2: the whole segment
    Control<QPushButton>(&Summary(), "Play")->click();
    ASSERT_EQ(M().play.PlayListCount(), 3);
    ASSERT_NE(app->Player(), nullptr);
    PlayerWindow& p = Player();
    EXPECT_TRUE(p.isVisible());
    EXPECT_EQ(p.windowTitle(), QStringLiteral("Play_Audio Clip"));
    EXPECT_EQ(Text("L_Chnl"), "Track#");
    EXPECT_EQ(Text("P_FileName"), "NT0001.WAV");
    EXPECT_EQ(Text("P_Chnl"), "001");
    EXPECT_EQ(Text("P_Freq"), "0145.0000 M");
    EXPECT_EQ(Text("P_StartTime"), "01/02/05 10:00:10");
    EXPECT_EQ(Text("P_Level"), "-80 dBm");
    EXPECT_TRUE(M().play.PlayerLoaded());
    EXPECT_EQ(M().selection.SelectedClip(), 1);
    EXPECT_TRUE(OthersLocked());
    EXPECT_FALSE(SummaryChecks());
    EXPECT_TRUE(Picture().Shape1.visible);
    EXPECT_DOUBLE_EQ(Picture().Shape1.y1, 0); // row 1
    EXPECT_TRUE(Control<QTimer>(&p, "Timer1")->isActive());
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Play), ButtonColour::Red);
    EXPECT_EQ(Button("Cmd_Play")->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_TRUE(Get<QLabel>("L_PlotFile")->isHidden()); // the waveform is drawn
    ASSERT_EQ(wave->started.size(), 1u);

    // The missing second clip is passed over; the third plays whole.
    wave->Finish();
    EXPECT_EQ(Text("P_FileName"), "NT0003.WAV");
    EXPECT_EQ(M().selection.SelectedClip(), 3);
    ASSERT_EQ(wave->started.size(), 2u);
    EXPECT_EQ(wave->started.back(), (test::FakeWaveControl::Started{tmp.file("NT0003.WAV"), 0, 500, false}));
    EXPECT_TRUE(OthersLocked());

    // The end of the list: stopped on the last clip, the other windows free again.
    wave->Finish();
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Stop), ButtonColour::Red);
    EXPECT_EQ(Text("P_FileName"), "NT0003.WAV");
    EXPECT_FALSE(OthersLocked());
    EXPECT_FALSE(Control<QTimer>(&p, "Timer1")->isActive());

    // Closing it frees everything and remembers where it stood.
    p.move(200, 150);
    p.close();
    Flush();
    EXPECT_EQ(app->Player(), nullptr);
    EXPECT_FALSE(M().play.PlayerLoaded());
    EXPECT_FALSE(Picture().Shape1.visible);
    EXPECT_TRUE(SummaryChecks());
    EXPECT_TRUE(SummaryPlays());
    EXPECT_GE(M().play.PlayerLeft(), 0);
    const int left = M().play.PlayerLeft(), top = M().play.PlayerTop();
    PlayList({1});
    EXPECT_EQ(Tw(Player().frameGeometry().x()), left);
    EXPECT_EQ(Tw(Player().frameGeometry().y()), top);
}

TEST_F(PlayerWindowTest, NextAndPrevStepStoppedAndAClipWithoutAFileSaysSo) {
    PlayList({1, 2, 3});
    Button("Cmd_Next")->click(); // grey while playing
    EXPECT_EQ(Text("P_FileName"), "NT0001.WAV");
    Button("Cmd_Stop")->click();
    EXPECT_FALSE(OthersLocked());
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Next), ButtonColour::Black);

    Button("Cmd_Next")->click();
    EXPECT_EQ(Text("P_FileName"), "NT0002.WAV");
    EXPECT_EQ(Get<QLabel>("L_PlotFile")->text(), QStringLiteral("File Not Found"));
    EXPECT_FALSE(Button("Copy")->isEnabled());
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Stop), ButtonColour::Red);
    EXPECT_FALSE(Wave().cursorVisible);
    const std::size_t plays = wave->started.size();

    Button("Cmd_Next")->click();
    Button("Cmd_Next")->click(); // already on the last clip: only the looks change
    EXPECT_EQ(Text("P_FileName"), "NT0003.WAV");
    EXPECT_TRUE(Button("Copy")->isEnabled());
    EXPECT_EQ(wave->started.size(), plays); // stepping never plays

    // A file that is there but no WAV is not "not found".
    tmp.write("NT0001.WAV", "not a wave file");
    wave->SetFile(tmp.file("NT0001.WAV"), 0);
    Button("Cmd_Prev")->click();
    Button("Cmd_Prev")->click();
    EXPECT_EQ(Text("P_FileName"), "NT0001.WAV");
    EXPECT_EQ(Get<QLabel>("L_PlotFile")->text(), QStringLiteral("File Not Playable"));
    EXPECT_FALSE(Button("Copy")->isEnabled());
}

TEST_F(PlayerWindowTest, MarksPlayARangeAndHideHighlightClearsThem) {
    PlayList({1});
    PlayerWindow& p = Player();
    Button("Cmd_Stop")->click();
    const double w = Wave().ScaleWidth();
    p.PressWave(Qt::LeftButton, w / 4);
    p.PressWave(Qt::RightButton, w / 2);
    EXPECT_EQ(Looks(&TransportLooks::Cmd_PlayClip), ButtonColour::Black);
    EXPECT_TRUE(Wave().box.visible);
    Button("Cmd_PlayClip")->click();
    ASSERT_FALSE(wave->started.empty());
    EXPECT_EQ(wave->started.back(),
              (test::FakeWaveControl::Started{tmp.file("NT0001.WAV"), 500, 1000, false}));
    wave->Finish();
    // The end of a range looks paused there.
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Pause), ButtonColour::Red);

    Button("Cmd_Refresh")->click();
    EXPECT_FALSE(Wave().box.visible);
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Loop), ButtonColour::Grey);
}

TEST_F(PlayerWindowTest, TheWaveDisplaySwitchClearsThePictureAndRewritesTheConfiguration) {
    PlayList({1});
    QAction* display = Get<QAction>("WAV_Display_On");
    ASSERT_TRUE(display->isChecked());
    display->trigger();
    EXPECT_FALSE(display->isChecked());
    EXPECT_FALSE(M().settings.WavDisplayOn());
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n25\r\n");
    display->trigger();
    EXPECT_TRUE(M().settings.WavDisplayOn());
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")), "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n");
    EXPECT_TRUE(Get<QLabel>("L_PlotFile")->isHidden());
}

TEST_F(PlayerWindowTest, SendingPutsTheSignalIntoTheListWindowAndItsFile) {
    PlayList({1, 2});
    // 145.00 is not listed: no class tools; the send adds "?s" with COR 10 and priority 9.
    EXPECT_TRUE(Comment()->isHidden());
    Button("Comments")->click();
    EXPECT_EQ(Looks(&TransportLooks::Cmd_Pause), ButtonColour::Red); // the send paused play
    ASSERT_EQ(List().List().Count(), 2);
    const std::string added = List().List().Line(0);
    EXPECT_EQ(added.substr(0, 26), " 00145.00000   00.025   10");
    EXPECT_EQ(added.substr(35, 3), "?s ");
    EXPECT_TRUE(List().IsHighlighted(0));
    EXPECT_EQ(Control<QLabel>(&Summary(), "C_Status")->text().toStdString(), "   <?s >,   ");
    EXPECT_NE(tmp.read(tmp.file("~FREQ.SIG")).find("00145.00000,"), std::string::npos);

    // The clip report of a NETORA clip.
    Button("Cut")->click();
    const std::string report = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_NE(report.find("Collection Type:   NETORA\r\nWave Filename:   NT0001.WAV\r\n"), std::string::npos);
    EXPECT_NE(report.find("Setup:   Track# 001, 0145.0000 MHz\r\n"), std::string::npos);

    // The second clip's signal is listed: its class and comment show, and sending again asks.
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    EXPECT_FALSE(Comment()->isHidden());
    EXPECT_EQ(Comment()->text(), QStringLiteral("tower"));
    EXPECT_TRUE(ClassOption(2)->isChecked());
    EXPECT_EQ(Comment()->palette().color(QPalette::Base), QColor(255, 255, 0));
    prompter.ExpectMessage(
        "EDIT Signal... CONFIRMATION:",
        "Freq = 0145.0300 MHz is already available in the Signal List.  Do you want to replace it "
        "with new data?",
        MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    const std::string before = tmp.read(tmp.file("~FREQ.SIG"));
    Button("Comments")->click();
    EXPECT_EQ(List().List().Count(), 2);
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")), before);
}

TEST_F(PlayerWindowTest, CommentKeysAndClassClicksReplaceTheEntryWithoutAsking) {
    tmp.write("NT0002.WAV", Wav8(300));
    PlayList({2});
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
    ASSERT_EQ(List().List().Count(), 1);
    EXPECT_NE(tmp.read(tmp.file("~FREQ.SIG")).find("tower 2"), std::string::npos);

    ClassOption(0)->click();
    EXPECT_EQ(List().List().Line(0).substr(35, 3), "soi");
    EXPECT_NE(tmp.read(tmp.file("~FREQ.SIG")).find("{0}"), std::string::npos);
}

TEST_F(PlayerWindowTest, AListFileThatCannotBeWrittenIsReportedAndTheEntryStays) {
    PlayList({1});
    std::filesystem::remove(tmp.file("~FREQ.SIG"));
    std::filesystem::create_directory(tmp.file("~FREQ.SIG"));
    Button("Comments")->click();
    ASSERT_EQ(prompter.failures.size(), 1u);
    EXPECT_EQ(prompter.failures[0].rfind("unexpected message: [SAVE Signal List... WARNING:]", 0), 0u);
    prompter.failures.clear();
    EXPECT_EQ(List().List().Count(), 2);
    EXPECT_TRUE(M().play.PlayerLoaded());
}

TEST_F(PlayerWindowTest, AnEmptyPlayListOpensAGreyPlayerThatDoesNothing) {
    PlayList({});
    PlayerWindow& p = Player();
    for (ButtonColour TransportLooks::*b : {&TransportLooks::Cmd_Play, &TransportLooks::Cmd_Stop,
                                            &TransportLooks::Cmd_Next, &TransportLooks::Cmd_Loop})
        EXPECT_EQ(Looks(b), ButtonColour::Grey);
    Button("Cmd_Play")->click();
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    p.PressWave(Qt::LeftButton, 10);
    EXPECT_TRUE(wave->started.empty());
    EXPECT_EQ(Text("P_FileName"), "");
    p.close();
    Flush();
    EXPECT_FALSE(M().play.PlayerLoaded());
}

// Stop lets events run; an unload that arrives then must wait for the handler to finish.
TEST_F(PlayerWindowTest, AnUnloadWhileAHandlerLetsEventsRunWaitsForIt) {
    PlayList({1, 3});
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
