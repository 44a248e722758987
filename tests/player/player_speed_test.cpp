// The player's speed box, driven through a scripted WAV control.
#include "player_window.h"

#include "player_fixture.h"
#include "fake_wave_control.h"
#include "find_control.h"
#include "main_bar.h"
#include "segment_answer.h"
#include "wav_bytes.h"
#include "zarn_app.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace zarn {
namespace {

using test::Control;
using Started = test::FakeWaveControl::Started;

class PlayerSpeedTest : public test::PlayerAppTest {
protected:
    void SetUp() override { OpenEventFile(test::kTwoClips); }
    QComboBox* Speed() const { return Control<QComboBox>(app->Player(), "SpeedCombo"); }
};

// 1.5x chosen reaches the control, plays the next clip too, and is where the next player starts,
// its first clip already at 1.5x.
TEST_F(PlayerSpeedTest, AChosenSpeedReachesTheControlAndOutlastsClipAndWindow) {
    ShowPlayer({1, 2});
    QStringList captions;
    for (int i = 0; i < Speed()->count(); ++i)
        captions << Speed()->itemText(i);
    EXPECT_EQ(captions, QStringList({"0.5×", "0.75×", "1×", "1.25×", "1.5×", "2×"}));
    EXPECT_EQ(Speed()->currentText(), "1×");
    EXPECT_EQ(wave->started.at(0).speed, 1.0);
    // In Panel2's free corner, clear of the class options and the comment box.
    const QWidget* panel2 = Control<QWidget>(app->Player(), "Panel2");
    EXPECT_EQ(Speed()->parentWidget(), panel2);
    EXPECT_TRUE(panel2->rect().contains(Speed()->geometry()));
    for (const QWidget* other :
         {static_cast<const QWidget*>(Control<QRadioButton>(app->Player(), "Clip_Status_2")),
          static_cast<const QWidget*>(Control<QLineEdit>(app->Player(), "P_Comment"))})
        EXPECT_FALSE(Speed()->geometry().intersects(other->geometry())) << other->objectName().toStdString();

    Speed()->setCurrentIndex(Speed()->findText("1.5×"));
    EXPECT_EQ(wave->PlaySpeed(), 1.5);
    EXPECT_EQ(wave->writes.back(), "PlaySpeed=1.5");
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    Button("Cmd_Play")->click();
    EXPECT_EQ(wave->started.back(), (Started{tmp.file("NT0003.WAV"), 0, 500, false, 1.5}));

    app->UnloadPlayer();
    Flush();
    ShowPlayer({1});
    EXPECT_EQ(Speed()->currentText(), "1.5×");
    ASSERT_FALSE(wave->started.empty());
    EXPECT_EQ(wave->started.at(0), (Started{tmp.file("NT0001.WAV"), 0, 2000, false, 1.5}));
}

} // namespace
} // namespace zarn
