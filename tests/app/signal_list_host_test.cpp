// The signal list window as one of Zarn_zed32's windows: loaded hidden at start-up, shown from the
// List menu, hidden by Close and by minimising the bar, unloaded by its close box, and the question
// that rebuilds the summary picture after a change of list.
#include "zarn_app.h"
#include "main_bar.h"

#include "app_fixture.h"
#include "find_control.h"
#include "signal_list_window.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

namespace zarn {
namespace {

constexpr const char* kTwoRecords = "00020.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                                    "00145.50000,[   00.030    20    AM    ]{0}(3)/x\\Net 4\r\n";

class SignalListHostTest : public test::AppTest {
protected:
    SignalListWindow* List() const { return app->SignalListIfLoaded(); }
    QAction* Item(const char* name) const { return test::Control<QAction>(app->MainWindow(), name); }
};

TEST_F(SignalListHostTest, LoadedHiddenAtStartUpShownByListHiddenByCloseAndMinimise) {
    tmp.write("~FREQ.SIG", kTwoRecords);
    Start();
    ASSERT_NE(List(), nullptr);
    EXPECT_FALSE(List()->isVisible());
    EXPECT_EQ(List()->List().Count(), 2);
    EXPECT_EQ(app->SigListFileName(), tmp.file("~FREQ.SIG"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    EXPECT_EQ(List()->windowTitle(), QStringLiteral("SIGNAL LIST - [~freq.sig]"));

    // The List menu shows it; minimising the bar and Close hide it.
    Item("F_List")->trigger();
    QTest::qWait(20);
    ASSERT_TRUE(List()->isVisible());

    app->MainWindow()->setWindowState(Qt::WindowMinimized);
    QTest::qWait(20);
    EXPECT_FALSE(List()->isVisible());
    app->MainWindow()->setWindowState(Qt::WindowNoState);
    QTest::qWait(20);
    EXPECT_TRUE(List()->isVisible());

    Item("F_Close")->trigger();
    EXPECT_FALSE(List()->isVisible());
    EXPECT_NE(List(), nullptr); // hidden, not unloaded: the other windows still read its list
}

TEST_F(SignalListHostTest, ItsCloseBoxUnloadsItAndTheNextShowLoadsTheListAgain) {
    tmp.write("~FREQ.SIG", kTwoRecords);
    Start();
    app->ShowSignalList();
    List()->close();
    Flush();
    EXPECT_EQ(List(), nullptr);

    tmp.write("~FREQ.SIG", "00030.00000,one entry\r\n");
    Item("F_List")->trigger();
    ASSERT_NE(List(), nullptr);
    EXPECT_TRUE(List()->isVisible());
    EXPECT_EQ(List()->List().Count(), 1);
}

TEST_F(SignalListHostTest, ReprocessQuestionOnlyWhileThePictureIsLoaded) {
    tmp.write("~FREQ.SIG", kTwoRecords);
    Start();
    const std::string newQuestion = "Signal List's temp_file, " + tmp.file("~FREQ.SIG") +
                                    "\r\nwill be erased to make room for new data.\r\nDo you want to continue?";
    const char* const reprocess =
        "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

    // No picture: New asks only its own question.
    prompter.ExpectMessage("New Signal List... CONFIRMATION:", newQuestion, MsgIcon::Question, MsgButtons::YesNo,
                           MsgAnswer::Yes);
    List()->New();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")), "");

    // With the picture loaded, No keeps it and Yes unloads it for the rebuild.
    M().recording.SetSummaryLoaded(true);
    prompter.ExpectMessage("Default sig BW change", reprocess, MsgIcon::None,
                           MsgButtons::YesNo, MsgAnswer::No);
    List()->New();
    EXPECT_TRUE(M().recording.SummaryLoaded());
    prompter.ExpectMessage("Default sig BW change", reprocess, MsgIcon::None,
                           MsgButtons::YesNo, MsgAnswer::Yes);
    List()->New();
    EXPECT_FALSE(M().recording.SummaryLoaded());
    EXPECT_FALSE(M().play.PlayerLoaded());
}

TEST_F(SignalListHostTest, SaveAsKeepsTheSharedFileNameInStep) {
    Start();
    prompter.ExpectSaveFile("Saving... Signal List File", tmp.file("station.txt"));
    List()->SaveAs();
    EXPECT_EQ(app->SigListFileName(), tmp.file("station.SIG"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("station.SIG") + "\r\n");
}

} // namespace
} // namespace zarn
