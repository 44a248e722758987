#include "bandwidth_dialog.h"
#include "main_bar.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "find_control.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using test::Control;

class BandwidthDialogTest : public test::AppTest {
protected:
    std::string Config() const { return test::TempDir::read(tmp.file("Zarn_Aud.Ini")); }
    BandwidthDialog* Open() {
        Control<QAction>(app->MainWindow(), "IFBW_Default")->trigger();
        QTest::qWait(10);
        return app->DefaultBandwidth();
    }
    static QLineEdit* Value(BandwidthDialog* d) { return Control<QLineEdit>(d, "Value"); }
    static QPushButton* Button(BandwidthDialog* d, const char* name) { return Control<QPushButton>(d, name); }
    // Types `text` over the value, as after the field took the focus.
    static void Type(BandwidthDialog* d, const char* text) {
        Value(d)->selectAll();
        QTest::keyClicks(Value(d), QString::fromLatin1(text));
    }
    void ExpectClosed() {
        Flush();
        EXPECT_EQ(app->DefaultBandwidth(), nullptr);
    }
};

// Escape and X change nothing; leaving the field undoes a word and keeps a number, the one a refused
// entry falls back to; with a picture the reprocess question, No keeping it.
TEST_F(BandwidthDialogTest, Journey) {
    tmp.write("Zarn_Aud.Ini", "[WAV Display]\r\nOFF\r\n[IFBW]\r\n12.5\r\n");
    Start();
    BandwidthDialog* d = Open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle() + "|" + Value(d)->text() + "|" + Button(d, "Cmd_Done")->text() + "|" +
                  Button(d, "Cmd_Cancel")->text(),
              QStringLiteral("Default sig BW|13|Ok|X"));
    const QRect bar = app->MainWindow()->frameGeometry(), me = d->frameGeometry();
    EXPECT_EQ(me.topLeft(), QPoint(bar.left() + (bar.width() - me.width()) / 2, bar.top() + bar.height()));
    EXPECT_EQ(Open(), d);
    for (bool escape : {true, false}) {
        d = Open();
        Type(d, "99");
        if (escape)
            QTest::keyClick(Value(d), Qt::Key_Escape);
        else
            QTest::mouseClick(Button(d, "Cmd_Cancel"), Qt::LeftButton);
        ExpectClosed();
        EXPECT_EQ(Config() + std::to_string(M().settings.DefaultIfbw()),
                  "[WAV Display]\r\nOFF\r\n[IFBW]\r\n12.5\r\n0.012500");
    }
    d = Open();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    for (const auto& [typed, left] : {std::pair{"abc", "13"}, std::pair{"40", "40"}}) {
        Value(d)->setFocus(Qt::TabFocusReason);
        Type(d, typed);
        Button(d, "Cmd_Cancel")->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Value(d)->text(), QString::fromLatin1(left));
    }
    Value(d)->setFocus(Qt::TabFocusReason);
    Type(d, "x");
    QTest::keyClick(Value(d), Qt::Key_Enter);
    EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n40\r\n");
    ExpectClosed();

    M().recording.SetSummaryLoaded(true);
    prompter.ExpectMessage("Default sig BW change",
                           "The change made requires the file to be reprocessed to become affective.  Ok to "
                           "reprocess now?",
                           MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    d = Open();
    Type(d, "15");
    QTest::keyClick(Value(d), Qt::Key_Return);
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n15\r\n");
    EXPECT_TRUE(M().recording.SummaryLoaded());
    ExpectClosed();

    // Enter refuses what is no positive number, Ok only what is no number; the text is stored as typed.
    M().recording.SetSummaryLoaded(false);
    struct Case {
        const char* typed;
        bool enter; // else the Ok button
        const char* stored;
        double ifbw;
    };
    const Case cases[] = {
        {"12.5", false, "12.5", 0.0125}, {" 30 ", true, " 30 ", 0.030}, {"abc", true, "25", 0.025},
        {"0", true, "25", 0.025},        {"", true, "25", 0.025},         {"0", false, "0", 0.0},
        {"abc", false, "25", 0.025},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.enter ? "Enter " : "Ok ") + c.typed);
        M().settings.SetDefaultIfbw(0.025, "25");
        d = Open();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Value(d)->text(), QStringLiteral("25"));
        Type(d, c.typed);
        if (c.enter)
            QTest::keyClick(Value(d), Qt::Key_Return);
        else
            QTest::mouseClick(Button(d, "Cmd_Done"), Qt::LeftButton);
        EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n" + std::string(c.stored) + "\r\n");
        EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), c.ifbw);
        ExpectClosed();
    }
}

} // namespace
} // namespace zarn
