// The signal list window as one of Zarn_zed32's windows: loaded hidden at start-up, shown from the
// List menu, hidden by Close and by minimising the bar, unloaded by its close box, and the question
// that rebuilds the summary picture after a change of list.
#include "main_bar.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "find_control.h"
#include "signal_list_window.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

namespace zarn {
namespace {

class SignalListHostTest : public test::AppTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", "00020.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                               "00145.50000,[   00.030    20    AM    ]{0}(3)/x\\Net 4\r\n");
        Start();
    }
    SignalListWindow* List() const { return app->SignalListIfLoaded(); }
    bool Visible() const { return List() && List()->isVisible(); }
    QAction* Item(const char* name) const { return test::Control<QAction>(app->MainWindow(), name); }
};

TEST_F(SignalListHostTest, LoadedHiddenShownHiddenAndUnloaded) {
    ASSERT_NE(List(), nullptr);
    EXPECT_FALSE(Visible());
    EXPECT_EQ(List()->List().Count(), 2);
    EXPECT_EQ(List()->windowTitle(), QStringLiteral("SIGNAL LIST - [~freq.sig]"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    Item("F_List")->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(Visible());
    app->MainWindow()->setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    EXPECT_FALSE(Visible());
    app->MainWindow()->setWindowState(Qt::WindowNoState);
    QTest::qWait(20);
    EXPECT_TRUE(Visible());
    Item("F_Close")->trigger();
    EXPECT_FALSE(Visible());
    EXPECT_NE(List(), nullptr); // hidden, not unloaded: the other windows still read its list

    // The close box unloads it; the next showing reads the list again.
    app->ShowSignalList();
    List()->close();
    Flush();
    EXPECT_EQ(List(), nullptr);
    tmp.write("~FREQ.SIG", "00030.00000,one entry\r\n");
    Item("F_List")->trigger();
    EXPECT_TRUE(Visible());
    EXPECT_EQ(List()->List().Count(), 1);

    // Save As keeps the shared file name and the pointer file in step.
    prompter.ExpectSaveFile("Saving... Signal List File", tmp.file("station.txt"));
    List()->SaveAs();
    EXPECT_EQ(app->SigListFileName(), tmp.file("station.SIG"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("station.SIG") + "\r\n");
}

// Without a picture New asks only its own question; with one, No keeps it and Yes unloads it.
TEST_F(SignalListHostTest, ReprocessQuestionOnlyWhileThePictureIsLoaded) {
    prompter.ExpectMessage("New Signal List... CONFIRMATION:",
                           "Signal List's temp_file, " + tmp.file("~FREQ.SIG") +
                               "\r\nwill be erased to make room for new data.\r\nDo you want to continue?",
                           MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    List()->New();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")), "");
    M().recording.SetSummaryLoaded(true);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        prompter.ExpectMessage(
            "Default sig BW change",
            "The change made requires the file to be reprocessed to become affective.  Ok to "
            "reprocess now?",
            MsgIcon::None, MsgButtons::YesNo, answer);
        List()->New();
        EXPECT_EQ(M().recording.SummaryLoaded(), answer == MsgAnswer::No);
    }
    EXPECT_FALSE(M().play.PlayerLoaded());
}

} // namespace
} // namespace zarn
