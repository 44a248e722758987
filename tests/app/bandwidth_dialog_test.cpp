// The default bandwidth dialog as the operator drives it (Enter, Escape, Ok, X, the stored
// configuration, the reprocess question).
#include "bandwidth_dialog.h"
#include "zarn_app.h"
#include "main_bar.h"

#include "app_fixture.h"
#include "config.h"
#include "file_size_limit.h"
#include "find_control.h"
#include "temp_dir.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using test::AppTest;
using test::Control;
using test::TempDir;

constexpr const char* kBwTitle = "Default sig BW change";
constexpr const char* kReprocess =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

class BandwidthDialogTest : public AppTest {
protected:
    std::string Config() const { return TempDir::read(tmp.file("Zarn_Aud.Ini")); }
    BandwidthDialog* Open() {
        Control<QAction>(app->MainWindow(), "IFBW_Default")->trigger();
        BandwidthDialog* d = app->DefaultBandwidth();
        EXPECT_NE(d, nullptr);
        QTest::qWait(10);
        return d;
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
    static std::string Stored(const char* kHz) {
        return std::string("[WAV Display]\r\nON\r\n[IFBW]\r\n") + kHz + "\r\n";
    }
};

TEST_F(BandwidthDialogTest, ShowsTheBandwidthInKHzBelowTheMainWindow) {
    Start();
    BandwidthDialog* d = Open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Default sig BW"));
    EXPECT_EQ(Value(d)->text(), QStringLiteral("25"));
    EXPECT_EQ(Value(d)->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(Button(d, "Cmd_Done")->text(), QStringLiteral("Ok"));
    EXPECT_EQ(Button(d, "Cmd_Cancel")->text(), QStringLiteral("X"));
    const QRect bar = app->MainWindow()->frameGeometry(), me = d->frameGeometry();
    EXPECT_EQ(me.top(), bar.top() + bar.height());
    EXPECT_EQ(me.left(), bar.left() + (bar.width() - me.width()) / 2);
    // One dialog at a time; each showing starts from the bandwidth in use (whole KHz).
    EXPECT_EQ(Open(), d);
    Button(d, "Cmd_Cancel")->click();
    ExpectClosed();
    M().settings.SetDefaultIfbw(0.0125, "12.5");
    EXPECT_EQ(Value(Open())->text(), QStringLiteral("13"));
}

TEST_F(BandwidthDialogTest, EnterAndOkStoreTheValue) {
    struct Case {
        const char* name;
        const char* typed;
        bool enter; // else the Ok button
        const char* stored;
        double ifbw;
    };
    const Case cases[] = {
        {"Ok takes a number", "12.5", false, "12.5", 0.0125},
        {"Enter takes a number", "12.5", true, "12.5", 0.0125},
        {"Enter keeps the blanks as typed", " 30 ", true, " 30 ", 0.030},
        {"Enter refuses a word", "abc", true, "25", 0.025},
        {"Enter refuses 0", "0", true, "25", 0.025},
        {"Enter refuses a negative", "-5", true, "25", 0.025},
        {"Enter refuses an empty field", "", true, "25", 0.025},
        {"Ok takes 0 unchanged", "0", false, "0", 0.0},
        {"Ok takes a negative unchanged", "-5", false, "-5", -0.005},
        {"Ok refuses a word", "abc", false, "25", 0.025},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        M().settings.SetDefaultIfbw(0.025, "25");
        BandwidthDialog* d = Open();
        ASSERT_NE(d, nullptr);
        Type(d, c.typed);
        if (c.enter)
            QTest::keyClick(Value(d), Qt::Key_Return);
        else
            QTest::mouseClick(Button(d, "Cmd_Done"), Qt::LeftButton);
        EXPECT_EQ(Config(), Stored(c.stored));
        EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), c.ifbw);
        ExpectClosed();
    }
}

TEST_F(BandwidthDialogTest, EscapeAndXLeaveEverythingAsItWas) {
    tmp.write("Zarn_Aud.Ini", "[WAV Display]\r\nOFF\r\n[IFBW]\r\n20\r\n");
    Start();
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "X");
        BandwidthDialog* d = Open();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Value(d)->text(), QStringLiteral("20"));
        Type(d, "99");
        if (escape) {
            QTest::keyClick(Value(d), Qt::Key_Escape);
            EXPECT_EQ(Value(d)->text(), QStringLiteral("20")); // restored before the dialog goes
        } else {
            QTest::mouseClick(Button(d, "Cmd_Cancel"), Qt::LeftButton);
        }
        ExpectClosed();
        EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n20\r\n");
        EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.020);
    }
}

TEST_F(BandwidthDialogTest, LeavingTheFieldUndoesAWordAndKeepsANumber) {
    Start();
    BandwidthDialog* d = Open();
    ASSERT_NE(d, nullptr);
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    Value(d)->setFocus(Qt::TabFocusReason);
    Type(d, "abc");
    Button(d, "Cmd_Cancel")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Value(d)->text(), QStringLiteral("25"));
    Value(d)->setFocus(Qt::TabFocusReason);
    Type(d, "40");
    Button(d, "Cmd_Done")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Value(d)->text(), QStringLiteral("40"));
    // The number now is the one a later refused entry falls back to.
    Value(d)->setFocus(Qt::TabFocusReason);
    Type(d, "x");
    QTest::keyClick(Value(d), Qt::Key_Enter);
    EXPECT_EQ(Config(), Stored("40"));
    ExpectClosed();
}

// Without a picture the value is stored and nothing asked; with one, No keeps the picture (what Yes
// rebuilds is the summary host's test). A failed write warns and keeps the new value in use.
TEST_F(BandwidthDialogTest, ReprocessQuestionAndAFailedWrite) {
    Start();
    BandwidthDialog* d = Open();
    Type(d, "50");
    QTest::mouseClick(Button(d, "Cmd_Done"), Qt::LeftButton);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(Config(), Stored("50"));
    ExpectClosed();

    M().recording.SetSummaryLoaded(true);
    prompter.ExpectMessage(kBwTitle, kReprocess, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    d = Open();
    Type(d, "15");
    QTest::keyClick(Value(d), Qt::Key_Return);
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(Config(), Stored("15"));
    EXPECT_TRUE(M().recording.SummaryLoaded());
    ExpectClosed();

    M().recording.SetSummaryLoaded(false);
    std::string reason;
    {
        test::FileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        reason = WriteConfig(tmp.path(), true, "12.5").error; // the reason the dialog will meet
        prompter.ExpectMessage(kBwTitle,
                               "The default signal bandwidth could not be stored in the configuration file: " +
                                   reason + ".  It applies until the program ends.",
                               MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        d = Open();
        Type(d, "12.5");
        QTest::keyClick(Value(d), Qt::Key_Return);
    }
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(Config(), Stored("15"));
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.0125);
    ExpectClosed();
}

} // namespace
} // namespace zarn
