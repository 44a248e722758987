// The player's keys, pressed in the player window with a scripted WAV control.
#include "player_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace zarn {
namespace {

using test::Control;
using Started = test::FakeWaveControl::Started;

// The first clip's signal is listed, so its comment box shows.
constexpr const char* kList = "00145.00000,[   00.010    20    FM    ]{2}(9)/ \\tower\r\n";

class PlayerKeysTest : public test::PlayerAppTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", kList);
        OpenEventFile(test::kTwoClips);
    }

    // Shown and active, so that keys reach it.
    void ShowActivePlayer(std::vector<int> clips) {
        ShowPlayer(std::move(clips));
        Player().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Player()));
    }

    const TransportLooks& Looks() const { return Player().Transport_().Looks; }
    std::string Clip() const { return Control<QLabel>(&Player(), "P_FileName")->text().toStdString(); }
    // A key as the operator presses it: to whichever control has the focus.
    void Press(Qt::Key key) const {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &Player(), key);
    }
};

// The button left red by a key, or none when nothing is red.
ButtonColour TransportLooks::*RedButton(const TransportLooks& l) {
    for (ButtonColour TransportLooks::*b :
         {&TransportLooks::Cmd_Loop, &TransportLooks::Cmd_PlayClip, &TransportLooks::Cmd_Play,
          &TransportLooks::Cmd_Pause, &TransportLooks::Cmd_Stop, &TransportLooks::Cmd_Prev,
          &TransportLooks::Cmd_Next})
        if (l.*b == ButtonColour::Red) return b;
    return nullptr;
}

// Each key acts as a click on its button would in the state the rows before left, and does nothing
// where that click would do nothing. The first clip is playing when the window opens.
TEST_F(PlayerKeysTest, EachKeyActsAsAClickOnItsButton) {
    ShowActivePlayer({1, 2});
    const std::string one = tmp.file("NT0001.WAV");
    const struct {
        const char* what;
        std::function<void()> before;
        Qt::Key key;
        std::string clip;
        ButtonColour TransportLooks::*red;
        bool playing;
        std::optional<Started> started; // the play the key started, if any
    } rows[] = {
        // clang-format off
        {"Space while the list plays pauses", [&] { wave->Advance(500); }, Qt::Key_Space, "NT0001.WAV",
         &TransportLooks::Cmd_Pause, false, std::nullopt},
        {"Space when paused plays on from the cursor", [&] { Player().Timer1_Timer(); }, Qt::Key_Space,
         "NT0001.WAV", &TransportLooks::Cmd_Play, true, Started{one, 500, 2000, false}},
        {"L without marks: Loop is grey", {}, Qt::Key_L, "NT0001.WAV", &TransportLooks::Cmd_Play, true,
         std::nullopt},
        {"Home while the list plays starts the clip again", [&] { wave->Advance(300); }, Qt::Key_Home,
         "NT0001.WAV", &TransportLooks::Cmd_Play, true, Started{one, 0, 2000, false}},
        {"Escape stops", {}, Qt::Key_Escape, "NT0001.WAV", &TransportLooks::Cmd_Stop, false, std::nullopt},
        {"Page Down goes to the next clip", {}, Qt::Key_PageDown, "NT0003.WAV", &TransportLooks::Cmd_Stop, false,
         std::nullopt},
        {"Page Up goes to the previous clip", {}, Qt::Key_PageUp, "NT0001.WAV", &TransportLooks::Cmd_Stop, false,
         std::nullopt},
        {"L loops the marked range",
         [&] {
             const double w = Control<WavePicture>(&Player(), "O_WAV")->ScaleWidth();
             Player().PressWave(Qt::LeftButton, w / 4);
             Player().PressWave(Qt::RightButton, w / 2);
         },
         Qt::Key_L, "NT0001.WAV", &TransportLooks::Cmd_Loop, true, Started{one, 500, 1000, true}},
        {"Space while looping pauses", {}, Qt::Key_Space, "NT0001.WAV", &TransportLooks::Cmd_Pause, false,
         std::nullopt},
        {"Home when paused stops at the clip's start", {}, Qt::Key_Home, "NT0001.WAV", &TransportLooks::Cmd_Stop,
         false, std::nullopt},
        {"Space when stopped plays from the start", {}, Qt::Key_Space, "NT0001.WAV", &TransportLooks::Cmd_Play,
         true, Started{one, 0, 2000, false}},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.before) r.before();
        const std::size_t plays = wave->started.size();
        Press(r.key);
        EXPECT_EQ(Clip(), r.clip);
        EXPECT_EQ(RedButton(Looks()), r.red);
        EXPECT_EQ(wave->Playing(), r.playing);
        if (r.started) {
            ASSERT_EQ(wave->started.size(), plays + 1);
            EXPECT_EQ(wave->started.back(), *r.started);
        } else {
            EXPECT_EQ(wave->started.size(), plays);
        }
    }
    EXPECT_FALSE(Control<QLabel>(&Player(), "L_PlotFile")->isVisible());
}

// In the comment box the keys type, and Escape brings back the listed comment; nothing plays or stops.
TEST_F(PlayerKeysTest, TheCommentBoxKeepsItsKeys) {
    ShowActivePlayer({1, 2});
    Press(Qt::Key_Escape);
    ASSERT_EQ(Looks().Cmd_Stop, ButtonColour::Red);
    ASSERT_FALSE(Comment()->isHidden());
    Comment()->setFocus();
    const std::size_t writes = wave->writes.size();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_L, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_X})
        Press(key);
    EXPECT_EQ(Comment()->text(), QStringLiteral("xtower l")); // Home moved the caret to the start
    EXPECT_EQ(Clip(), "NT0001.WAV");
    Press(Qt::Key_Escape);
    EXPECT_EQ(Comment()->text(), QStringLiteral("tower"));
    EXPECT_EQ(wave->writes.size(), writes);
    EXPECT_EQ(Looks().Cmd_Stop, ButtonColour::Red);

    // Focus elsewhere, the keys are the player's again.
    Control<QPushButton>(&Player(), "Cmd_Refresh")->setFocus();
    Press(Qt::Key_Space);
    EXPECT_TRUE(wave->Playing());
}

// With an empty list every button is grey: no key does anything, and a press on the picture marks
// no clip that is not there.
TEST_F(PlayerKeysTest, AnEmptyListIgnoresEveryKeyAndPress) {
    ShowActivePlayer({});
    for (Qt::Key key :
         {Qt::Key_Space, Qt::Key_L, Qt::Key_Home, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Escape})
        Press(key);
    Player().PressWave(Qt::LeftButton, 10);
    EXPECT_TRUE(wave->writes.empty());
    EXPECT_EQ(RedButton(Looks()), nullptr);
    EXPECT_FALSE(Control<WavePicture>(&Player(), "O_WAV")->box.visible);
    EXPECT_EQ(Clip(), "");
}

} // namespace
} // namespace zarn
