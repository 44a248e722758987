// Zarn_zed32 with an event file open and the scripted WAV control in place of the real one, for
// the player window's tests.
#pragma once

#include "player_window.h"

#include "app_fixture.h"
#include "fake_wave_control.h"
#include "find_control.h"
#include "main_bar.h"
#include "segment_answer.h"
#include "wav_bytes.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <memory>

namespace zarn::test {

// A NETORA recording of two clips, both with files.
constexpr const char* kTwoClips = "Ver, Created by the recorder\r\n"
                                  "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                  "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                  "WAV,NT0003.WAV,3,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                  "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

class PlayerAppTest : public AppTest {
protected:
    // Opens `eventText` as NETA0102.EVA through File > Open, its segment answered OK. The scripted
    // control knows NT0001.WAV (2000 frames) and NT0003.WAV (500), and NT0002.WAV (300) when a test
    // has written it before the player loads.
    void OpenEventFile(const char* eventText) {
        Start();
        app->MakeWaveControl = [this] {
            auto w = std::make_unique<FakeWaveControl>();
            w->SetFile(tmp.write("NT0001.WAV", Wav8(2000)), 2000);
            w->SetFile(tmp.write("NT0003.WAV", Wav8(500)), 500);
            if (std::filesystem::exists(tmp.file("NT0002.WAV"))) w->SetFile(tmp.file("NT0002.WAV"), 300);
            wave = w.get();
            return w;
        };
        app->PlayerWaitMs = [](int) {};
        prompter.ExpectOpenFile("Open... Audio File", tmp.write("NETA0102.EVA", eventText));
        SegmentAnswer answer = SegmentAnswer::Ok();
        Control<QAction>(app->MainWindow(), "F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_NE(app->Summary(), nullptr);
    }
    void ShowPlayer(std::vector<int> clips) {
        M().play.SetPlayList(clips);
        app->ShowPlayer();
        ASSERT_NE(app->Player(), nullptr);
    }

    PlayerWindow& Player() const { return *app->Player(); }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(&Player(), name); }
    QLineEdit* Comment() const { return Control<QLineEdit>(&Player(), "P_Comment"); }

    FakeWaveControl* wave = nullptr;
};

} // namespace zarn::test
