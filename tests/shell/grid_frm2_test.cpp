// The default bandwidth dialog GridFrm2 as the operator drives it (Enter, Escape, Ok, X, the stored
// configuration, the reprocess question), and the main window's File, Export... command.
#include "grid_frm2.h"
#include "zarn_app.h"
#include "zarn_aud.h"

#include "config.h"
#include "fake_prompter.h"
#include "file_size_limit.h"
#include "latin1.h"
#include "overall.h"
#include "paths.h"
#include "segscan.h"
#include "temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempDir;

constexpr const char* kBwTitle = "Default sig BW change";
constexpr const char* kReprocess =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

class AppTest : public ::testing::Test {
protected:
    void Start() {
        app = std::make_unique<ZarnApp>(prompter, tmp.path());
        app->StartUp();
        QTest::qWait(20);
    }
    void TearDown() override {
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        app.reset();
    }
    AppState& State() const { return app->State(); }
    std::string Config() const { return TempDir::read(tmp.file("Zarn_Aud.Ini")); }
    // Deferred deletes of closed windows.
    static void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TempDir tmp;
    FakePrompter prompter;
    std::unique_ptr<ZarnApp> app;
};

// ---- GridFrm2 ---------------------------------------------------------------------------------

class GridFrm2Test : public AppTest {
protected:
    GridFrm2* Open() {
        app->MainWindow()->IFBW_Default->trigger();
        GridFrm2* d = app->DefaultBandwidth();
        EXPECT_NE(d, nullptr);
        QTest::qWait(10);
        return d;
    }
    // Types `text` over the value, as after the field took the focus.
    static void Type(GridFrm2* d, const char* text) {
        d->Value->selectAll();
        QTest::keyClicks(d->Value, QString::fromLatin1(text));
    }
    void ExpectClosed() {
        Flush();
        EXPECT_EQ(app->DefaultBandwidth(), nullptr);
    }
    static std::string Stored(const char* kHz) {
        return std::string("[WAV Display]\r\nON\r\n[IFBW]\r\n") + kHz + "\r\n";
    }
};

TEST_F(GridFrm2Test, ShowsTheBandwidthInKHzBelowTheMainWindow) {
    Start();
    GridFrm2* d = Open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->objectName(), QStringLiteral("GridFrm2"));
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Default sig BW"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->Value->text(), QStringLiteral("25"));
    EXPECT_EQ(d->Value->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(d->findChild<QFrame*>(QStringLiteral("P_1")), d->P_1);
    EXPECT_EQ(d->findChild<QLineEdit*>(QStringLiteral("Value")), d->Value);
    EXPECT_EQ(d->findChild<QPushButton*>(QStringLiteral("Cmd_Done"))->text(), QStringLiteral("Ok"));
    EXPECT_EQ(d->findChild<QPushButton*>(QStringLiteral("Cmd_Cancel"))->text(), QStringLiteral("X"));

    const QRect bar = app->MainWindow()->frameGeometry();
    const QRect me = d->frameGeometry();
    EXPECT_EQ(me.top(), bar.top() + bar.height());
    EXPECT_EQ(me.left(), bar.left() + (bar.width() - me.width()) / 2);

    // One dialog at a time; each showing starts from the bandwidth in use (whole KHz).
    EXPECT_EQ(Open(), d);
    d->Cancel();
    ExpectClosed();
    State().DefaultIfbw = 0.0125;
    EXPECT_EQ(Open()->Value->text(), QStringLiteral("13"));
}

TEST_F(GridFrm2Test, EnterAndOkStoreTheValue) {
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
        State().DefaultIfbw = 0.025;
        GridFrm2* d = Open();
        ASSERT_NE(d, nullptr);
        Type(d, c.typed);
        if (c.enter)
            QTest::keyClick(d->Value, Qt::Key_Return);
        else
            QTest::mouseClick(d->Cmd_Done, Qt::LeftButton);
        EXPECT_EQ(Config(), Stored(c.stored));
        EXPECT_DOUBLE_EQ(State().DefaultIfbw, c.ifbw);
        ExpectClosed();
    }
}

TEST_F(GridFrm2Test, EscapeAndXLeaveEverythingAsItWas) {
    tmp.write("Zarn_Aud.Ini", "[WAV Display]\r\nOFF\r\n[IFBW]\r\n20\r\n");
    Start();
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "X");
        GridFrm2* d = Open();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->Value->text(), QStringLiteral("20"));
        Type(d, "99");
        if (escape) {
            QTest::keyClick(d->Value, Qt::Key_Escape);
            EXPECT_EQ(d->Value->text(), QStringLiteral("20")); // restored before the dialog goes
        } else {
            QTest::mouseClick(d->Cmd_Cancel, Qt::LeftButton);
        }
        ExpectClosed();
        EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n20\r\n");
        EXPECT_DOUBLE_EQ(State().DefaultIfbw, 0.020);
    }
}

TEST_F(GridFrm2Test, LeavingTheFieldUndoesAWordAndKeepsANumber) {
    Start();
    GridFrm2* d = Open();
    ASSERT_NE(d, nullptr);
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    d->Value->setFocus(Qt::TabFocusReason);
    Type(d, "abc");
    d->Cmd_Cancel->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(d->Value->text(), QStringLiteral("25"));
    d->Value->setFocus(Qt::TabFocusReason);
    Type(d, "40");
    d->Cmd_Done->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(d->Value->text(), QStringLiteral("40"));
    // The number now is the one a later refused entry falls back to.
    d->Value->setFocus(Qt::TabFocusReason);
    Type(d, "x");
    QTest::keyClick(d->Value, Qt::Key_Enter);
    EXPECT_EQ(Config(), Stored("40"));
    ExpectClosed();
}

TEST_F(GridFrm2Test, WithAPictureLoadedItOffersToReprocess) {
    Start();
    // Without a picture: stored, and nothing asked.
    GridFrm2* d = Open();
    Type(d, "50");
    QTest::mouseClick(d->Cmd_Done, Qt::LeftButton);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(Config(), Stored("50"));
    ExpectClosed();

    // No keeps the picture as it is; Yes unloads it for the rebuild (no file is open here, so
    // nothing is shown again).
    for (MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        State().SummaryLoaded = true;
        prompter.ExpectMessage(kBwTitle, kReprocess, MsgIcon::None, MsgButtons::YesNo, answer);
        d = Open();
        Type(d, "15");
        QTest::keyClick(d->Value, Qt::Key_Return);
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        EXPECT_EQ(Config(), Stored("15"));
        EXPECT_EQ(State().SummaryLoaded, answer == MsgAnswer::No);
        ExpectClosed();
    }
}

TEST_F(GridFrm2Test, AFailedWriteWarnsAndKeepsTheNewValueInUse) {
    Start();
    const std::string old = "[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n";
    tmp.write("Zarn_Aud.Ini", old);
    std::string reason;
    {
        test::FileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        reason = WriteConfig(tmp.path(), true, "12.5").error; // the reason the dialog will meet
        prompter.ExpectMessage(
            kBwTitle,
            "The default signal bandwidth could not be stored in the configuration file: " + reason +
                ".  It applies until the program ends.",
            MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        GridFrm2* d = Open();
        Type(d, "12.5");
        QTest::keyClick(d->Value, Qt::Key_Return);
    }
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(Config(), old);
    EXPECT_DOUBLE_EQ(State().DefaultIfbw, 0.0125);
    ExpectClosed();
}

// ---- File, Export... --------------------------------------------------------------------------

constexpr const char* kExportTitle = "Export... Audio File Name";
constexpr const char* kExportWarning = "Warning message from: Export... Audio File Name";

// One NETORA segment of three clips, on three frequencies.
constexpr const char* kRecording = "Ver, Created by the recorder\r\n"
                                   "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
                                   "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
                                   "WAV,AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                   "WAV,AB0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0\r\n";

class ExportCommandTest : public AppTest {
protected:
    // Starts with the recording open on its segment and its picture loaded.
    void StartOnRecording() {
        Start();
        std::filesystem::create_directories(tmp.file("rec"));
        std::filesystem::create_directories(tmp.file("out"));
        event = tmp.write("rec/AB.EVA", kRecording);
        for (const char* clip : {"AB0001.WAV", "AB0002.WAV", "AB0003.WAV"})
            tmp.write(std::string("rec/") + clip, std::string("data of ") + clip);
        State().EventFileName = event;
        State().EventFolder = FolderOf(event);
        State().Segments = ScanSegments(kRecording);
        State().SelectedSegment = 1;
        ASSERT_TRUE(app->ShowSummary());
        ASSERT_TRUE(State().SummaryLoaded);
        ASSERT_NE(app->Summary(), nullptr);
        app->MainWindow()->Export->setEnabled(true);
    }
    // Time 1 - 2 over the whole segment: every clip.
    void ChooseAllClips() {
        Overall* o = app->Summary();
        o->Play_Opt[1]->setChecked(true);
        o->Play_Opt_Click(1);
    }
    // The file dialog's answer is queued first; the prompts that follow it, after.
    void ExpectDialog(const std::string& chosen) { prompter.ExpectOpenFile(kExportTitle, chosen); }
    void Export() { app->MainWindow()->Export->trigger(); }
    void Export(const std::string& chosen) {
        ExpectDialog(chosen);
        Export();
    }

    std::string event;
};

TEST_F(ExportCommandTest, WritesTheChosenClipsAndTheirEventFile) {
    StartOnRecording();
    ChooseAllClips();
    Export(tmp.file("out/NEW.TXT"));
    ASSERT_TRUE(prompter.AllMet()) << prompter.Report();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    const FileDialogRequest& r = prompter.dialogs[0].request;
    EXPECT_EQ(r.name, "CMDialog2");
    EXPECT_EQ(r.filter, "*.EVA|*.EVA");
    EXPECT_FALSE(r.mustExist);

    const std::string text = TempDir::read(tmp.file("out/NEW.EVA"));
    const std::string wav2 = "WAV,NEW0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0";
    EXPECT_EQ(text.rfind("Ver, Created by Zarn_Aud Export Utility\r\n"
                         "STARTBYTRIGGER,1/2/05 10:00:00 AM,AB0001.WAV\r\n"
                         "WAV,NEW0001.WAV,1,123.4500,",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("\r\n" + wav2 + std::string(80 - 63, ' ') + "\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 47), "\r\nSTOPBYTRIGGER,1/2/05 10:02:30 AM,AB0003.WAV\r\n");
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW0001.WAV")), "data of AB0001.WAV");
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW0003.WAV")), "data of AB0003.WAV");
    EXPECT_FALSE(State().PlayListOnly);
    EXPECT_EQ(State().PlayListCount, 3);
    EXPECT_EQ(prompter.beeps, 0);
}

TEST_F(ExportCommandTest, CancelAndAnExistingTargetAskFirst) {
    StartOnRecording();
    ChooseAllClips();
    // Cancel in the file dialog ends the command silently.
    prompter.ExpectOpenFile(kExportTitle, std::nullopt);
    app->MainWindow()->Export_Click();

    const std::string target = tmp.write("out/OLD.EVA", "an earlier export\r\n");
    const std::string question = "File " + target + " already exists, ok to overwrite?";
    ExpectDialog(target);
    prompter.ExpectMessage(kExportTitle, question, MsgIcon::Question, MsgButtons::OkCancel,
                           MsgAnswer::Cancel);
    Export();
    EXPECT_EQ(TempDir::read(target), "an earlier export\r\n");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("out/OLD0001.WAV")));

    ExpectDialog(target);
    prompter.ExpectMessage(kExportTitle, question, MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    Export();
    EXPECT_EQ(TempDir::read(target).rfind("Ver, Created by Zarn_Aud Export Utility\r\n", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(tmp.file("out/OLD0003.WAV")));
}

TEST_F(ExportCommandTest, RefusesToReplaceTheOpenFilesClips) {
    StartOnRecording();
    ChooseAllClips();
    const std::string refused = ".  Nothing was written; choose another name or folder.";
    // Base "ab" in the recording's own folder: ab0001.WAV... are the open file's clips but for case.
    ExpectDialog(tmp.file("rec/ab.new"));
    prompter.ExpectMessage(kExportWarning,
                           "The new clips ab0001.WAV... in " + tmp.file("rec/") +
                               " would replace clips of the open file " + event + refused,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Export();
    // The open file itself: the operator agrees to overwrite it, and the guard still refuses.
    ExpectDialog(event);
    prompter.ExpectMessage(kExportTitle, "File " + event + " already exists, ok to overwrite?",
                           MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    prompter.ExpectMessage(kExportWarning,
                           "The new clips AB0001.WAV... in " + tmp.file("rec/") +
                               " would replace clips of the open file " + event + refused,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Export();
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")), "data of AB0001.WAV");
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0002.WAV")), "data of AB0002.WAV");
    EXPECT_EQ(TempDir::read(event), kRecording);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("rec/ab.EVA")));
}

TEST_F(ExportCommandTest, AMissingClipIsReportedAndNoEventFileWritten) {
    StartOnRecording();
    ChooseAllClips();
    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    const std::string target = tmp.file("out/NEW.EVA");
    ExpectDialog(target);
    prompter.ExpectMessage(kExportWarning,
                           "The export to " + target + " failed: Cannot find clip file " + tmp.file("rec/") +
                               "AB0002.WAV.  No event file was written.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Export();
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(ExportCommandTest, AnEmptyChoiceBeepsWritesNothingAndKeepsTheLastList) {
    StartOnRecording();
    State().PlayList = {0, 2, 3};
    State().PlayListCount = 2;
    // Time 1 - 2 with T1 after every clip: nothing to export.
    Overall* o = app->Summary();
    ChooseAllClips();
    o->T1 = o->T2 + 1;
    Export(tmp.file("out/NEW.EVA"));
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("out/NEW.EVA")));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("out")));
    EXPECT_EQ(State().PlayList, (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(State().PlayListCount, 2);
    EXPECT_FALSE(State().PlayListOnly);
}

TEST_F(ExportCommandTest, WithoutAPictureNothingIsExported) {
    StartOnRecording();
    app->UnloadSummary();
    EXPECT_FALSE(app->MainWindow()->Export->isEnabled());
    prompter.ExpectOpenFile(kExportTitle, tmp.file("out/NEW.EVA"));
    app->MainWindow()->Export_Click();
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("out")));
}

using ReprocessTest = ExportCommandTest;

TEST_F(ReprocessTest, YesRebuildsThePictureWithTheNewBandwidth) {
    StartOnRecording();
    ASSERT_EQ(State().Table.RowCount, 3); // 25 KHz: a row per frequency
    app->MainWindow()->IFBW_Default->trigger();
    GridFrm2* d = app->DefaultBandwidth();
    ASSERT_NE(d, nullptr);
    d->Value->setText(QStringLiteral("2000"));
    prompter.ExpectMessage(kBwTitle, kReprocess, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::Yes);
    QTest::mouseClick(d->Cmd_Done, Qt::LeftButton);
    Flush();
    // 2 MHz windows: 124.0000 falls into the row of 123.4500.
    ASSERT_NE(app->Summary(), nullptr);
    EXPECT_TRUE(State().SummaryLoaded);
    EXPECT_EQ(State().Table.RowCount, 2);
    EXPECT_TRUE(app->MainWindow()->Export->isEnabled());
}

} // namespace
} // namespace zarn
