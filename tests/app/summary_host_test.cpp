// The summary picture as one of Zarn_zed32's windows: Open shows it and offers Export, Close and its
// close box take it down, minimising the bar hides it, the split question decides the file and the
// picture, and a new default bandwidth rebuilds it from the event file.
#include "zarn_app.h"
#include "main_bar.h"

#include "app_fixture.h"
#include "find_control.h"
#include "bandwidth_dialog.h"
#include "summary_window.h"
#include "segment_answer.h"
#include "segscan.h"
#include "temp_dir.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace zarn {
namespace {

using test::Control;
using test::SegmentAnswer;

constexpr const char* kOpenTitle = "Open... Audio File";
constexpr const char* kTooManyTitle = "Too many frequencies";
constexpr const char* kTooManyText =
    "The selected segment includes too many signal frequencies to be presented as a single segment.  Can "
    "it be broken into smaller segments, the first of which will be presented?";

// A NETORA recording (no AUD file): three clips 10 kHz apart in one segment.
constexpr const char* kNetora = "Ver, Created by the recorder\r\n"
                                "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                "WAV,NT0002.WAV,1,145.0100,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                "WAV,NT0003.WAV,1,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

// One segment with 2002 frequencies a megahertz apart: more rows than one picture holds.
std::string Crowded() {
    std::string text = "Ver, Created by the recorder\r\nSTARTBYTRIGGER,01/02/05 10:00:00,CR0001.WAV\r\n";
    char line[120];
    for (int i = 1; i <= 2002; ++i) {
        std::snprintf(line, sizeof line,
                      "WAV,CR%04d.WAV,1,%d.0000,01/02/05 10:%02d:%02d,01/02/05 10:%02d:%02d,-80,0\r\n", i,
                      100 + i, (i / 60) % 60, i % 60, (i / 60) % 60, i % 60);
        text += line;
    }
    return text;
}

class SummaryHostTest : public test::AppTest {
protected:
    void SetUp() override { Start(); }

    MainBar* Main() const { return app->MainWindow(); }
    QAction* Item(const char* name) const { return Control<QAction>(Main(), name); }
    bool ExportOffered() const { return Item("Export")->isEnabled(); }

    // Opens `path` through File, Open... and its first segment; `answerSplit` queues the answer to
    // the split question, when one is due.
    void Open(const std::string& path, std::optional<MsgAnswer> answerSplit = std::nullopt) {
        prompter.ExpectOpenFile(kOpenTitle, path);
        if (answerSplit)
            prompter.ExpectMessage(kTooManyTitle, kTooManyText, MsgIcon::Question, MsgButtons::OkCancel,
                                   *answerSplit);
        SegmentAnswer answer = SegmentAnswer::Ok();
        Item("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        QTest::qWait(20);
    }
};

TEST_F(SummaryHostTest, OpenShowsThePictureAndOffersExportCloseAndItsCloseBoxTakeItDown) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "File, Close");
        Open(tmp.write("NETA0102.EVA", kNetora));
        SummaryWindow* summary = app->Summary();
        ASSERT_NE(summary, nullptr);
        EXPECT_TRUE(summary->isVisible());
        EXPECT_TRUE(M().recording.SummaryLoaded());
        EXPECT_TRUE(ExportOffered());
        EXPECT_EQ(summary->windowTitle(), QStringLiteral("NETORA Audio Clips Summary Picture, <Segment_01>"));
        EXPECT_EQ(M().recording.Table().RowCount, 2); // 145.00 and 145.01 share a 25 kHz window
        // Minimising the bar hides the picture; restoring it shows it again.
        Main()->setWindowState(Qt::WindowMinimized);
        QTest::qWait(20);
        EXPECT_FALSE(summary->isVisible());
        Main()->setWindowState(Qt::WindowNoState);
        QTest::qWait(20);
        EXPECT_TRUE(summary->isVisible());

        if (closeBox)
            summary->close();
        else
            Item("F_Close")->trigger();
        QTest::qWait(20);
        EXPECT_EQ(app->Summary(), nullptr);
        EXPECT_FALSE(M().recording.SummaryLoaded());
        EXPECT_FALSE(ExportOffered());
    }
}

TEST_F(SummaryHostTest, ANewDefaultBandwidthRebuildsThePictureWhenTheOperatorSaysYes) {
    Open(tmp.write("NETA0102.EVA", kNetora));
    ASSERT_EQ(M().recording.Table().RowCount, 2);
    Item("IFBW_Default")->trigger();
    BandwidthDialog* d = app->DefaultBandwidth();
    ASSERT_NE(d, nullptr);
    Control<QLineEdit>(d, "Value")->setText(QStringLiteral("1")); // every frequency a row of its own
    prompter.ExpectMessage("Default sig BW change",
                           "The change made requires the file to be reprocessed to become affective.  Ok to "
                           "reprocess now?",
                           MsgIcon::None, MsgButtons::YesNo, MsgAnswer::Yes);
    QTest::mouseClick(Control<QPushButton>(d, "Cmd_Done"), Qt::LeftButton);
    QTest::qWait(20);
    ASSERT_NE(app->Summary(), nullptr);
    EXPECT_TRUE(app->Summary()->isVisible());
    EXPECT_EQ(M().recording.Table().RowCount, 3);
    EXPECT_TRUE(ExportOffered());
}

// The operator's answer to the split question, and an agreed split that cannot make its backup: the
// file is left whole then, a warning says so, and the first part is still shown.
TEST_F(SummaryHostTest, TheSplitAnswerDecidesTheFileAndWhetherThereIsAPictureToExport) {
    struct Case {
        const char* name;
        MsgAnswer answer;
        bool backupBlocked;
    };
    const std::string text = Crowded();
    const std::string sav = tmp.file("CROW0102.SAV");
    for (const Case c : {Case{"declined", MsgAnswer::Cancel, false}, Case{"agreed", MsgAnswer::Ok, false},
                         Case{"backup blocked", MsgAnswer::Ok, true}}) {
        SCOPED_TRACE(c.name);
        const bool agreed = c.answer == MsgAnswer::Ok;
        std::filesystem::remove_all(sav);
        if (c.backupBlocked) std::filesystem::create_directories(sav + "/inside");
        const std::size_t shown = prompter.messages.size();
        Open(tmp.write("CROW0102.EVA", text), c.answer);
        EXPECT_EQ(app->Summary() != nullptr, agreed);
        EXPECT_EQ(M().recording.SummaryLoaded(), agreed);
        EXPECT_EQ(ExportOffered(), agreed);
        EXPECT_EQ(M().recording.Segments().clipCount[1], agreed ? M().recording.Table().ClipCount : 2002);
        const std::string now = test::TempDir::read(tmp.file("CROW0102.EVA"));
        if (!agreed || c.backupBlocked) {
            EXPECT_EQ(now, text);
        } else {
            EXPECT_EQ(test::TempDir::read(sav), text);
            EXPECT_EQ(ScanSegments(now).segCount, 2);
            EXPECT_LT(M().recording.Table().ClipCount, 2002);
        }
        if (!c.backupBlocked) {
            EXPECT_EQ(prompter.messages.size(), shown + 1);
            continue;
        }
        ASSERT_EQ(prompter.messages.size(), shown + 2);
        const auto& warning = prompter.messages.back();
        EXPECT_EQ(warning.title, "Too many frequencies");
        EXPECT_EQ(warning.icon, MsgIcon::Exclamation);
        EXPECT_EQ(warning.buttons, MsgButtons::Ok);
        EXPECT_NE(warning.text.find("The audio event file is unchanged."), std::string::npos) << warning.text;
        // The warning's reason is the system's own; its frame is checked above.
        ASSERT_EQ(prompter.failures.size(), 1u);
        prompter.failures.clear();
    }
}

} // namespace
} // namespace zarn
