// The main window driven as the operator drives it: menus, the Open road through the modal segment
// dialog, Close, Delete, help and exit.
#include "zarn_app.h"
#include "main_bar.h"

#include "app_fixture.h"
#include "find_control.h"
#include "help_window.h"
#include "latin1.h"
#include "paths.h"
#include "segment_answer.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <utime.h>

namespace zarn {
namespace {

using test::Control;
using test::SegmentAnswer;

// Three segments: 2 clips, 1 clip, and one whose only clip line has no level.
constexpr const char* kThreeSegments =
    "Ver, Created by the recorder\r\n"
    "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
    "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
    "WAV,AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
    "STARTBYTRIGGER,01/02/05 11:00:00,AB0003.WAV\r\n"
    "WAV,AB0003.WAV,3,125.0000,01/02/05 11:00:00,01/02/05 11:00:30,-90,0\r\n"
    "STARTBYTRIGGER,01/02/05 12:00:00,AB0004.WAV\r\n"
    "WAV,AB0004.WAV,1,123.4500,01/02/05 12:00:00,01/02/05 12:00:05,,0\r\n";

class MainWindowTest : public test::AppTest {
protected:
    MainBar* Main() const { return app->MainWindow(); }
    QAction* Item(const char* name) const { return Control<QAction>(Main(), name); }
    QString FileShown() const { return Control<QLabel>(Main(), "P_FileName")->text(); }
    bool ExportOffered() const { return Item("Export")->isEnabled(); }

    // An event file in a recording folder apart from the program folder.
    std::string Recording(const std::string& name, const std::string& bytes = kThreeSegments) {
        std::filesystem::create_directories(tmp.file("rec"));
        return tmp.write("rec/" + name, bytes);
    }
    void OpenSegment(const std::string& path, int s) {
        prompter.ExpectOpenFile("Open... Audio File", path);
        SegmentAnswer answer = SegmentAnswer::OkOn(s);
        Item("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_EQ(M().recording.EventFileName(), path);
    }
    void ExpectOpen(const std::string& path, int segment) const {
        EXPECT_EQ(M().recording.EventFileName(), path);
        EXPECT_EQ(M().recording.EventFolder(), path.substr(0, path.rfind('/') + 1));
        EXPECT_EQ(FileShown(), Qs(path));
        if (segment >= 0) { // Close leaves it
            EXPECT_EQ(M().recording.SelectedSegment(), segment);
        }
        EXPECT_EQ(ExportOffered(), !path.empty());
        EXPECT_EQ(app->Loading(), nullptr);
    }
    void ExpectDeleteQuestion(const std::string& path, MsgAnswer answer) {
        prompter.ExpectOpenFile("Delete... Audio File", path);
        prompter.ExpectMessage("Confirmation from: Delete... Audio File",
                               path + " and its associated audio data files will be deleted.  Are you sure?",
                               MsgIcon::Question, MsgButtons::YesNo, answer);
    }
};

// ---- Start-up -------------------------------------------------------------------------------

// The bar's menus as the operator reads them: "!" marks a disabled item, "-" a separator.
TEST_F(MainWindowTest, StartUpShowsTheBarAcrossTheTopWithItsMenus) {
    Start();
    MainBar* w = Main();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ZARN Audio Playback32"));
    QStringList menus;
    for (const QAction* m : w->menuBar()->actions()) {
        QString line = m->text() + ":";
        for (const QAction* a : m->menu()->actions())
            line += QStringLiteral(" ") + (a->isEnabled() ? "" : "!") + (a->isSeparator() ? "-" : a->text());
        menus << line;
    }
    EXPECT_EQ(menus, QStringList({"&File: &Open... &Close &Delete... - !&Export... - E&xit", "&List: &Signal",
                                  "&Config: &Default sig BW...", "&Help: Help &Contents &About"}));
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_EQ(w->pos(), screen.topLeft());
    EXPECT_EQ(w->width(), screen.width());
    EXPECT_EQ(w->height(), Px(1080));
    EXPECT_EQ(w->objectName(), QStringLiteral("Zarn_Aud"));
    for (const char* name : {"B_Open", "B_Close", "B_Delete", "B_Exit"}) {
        const QPushButton* b = Control<QPushButton>(w, name);
        EXPECT_TRUE(b && !b->icon().isNull() && b->text().isEmpty() && b->isVisible()) << name;
    }
    ExpectOpen("", 0);
    EXPECT_FALSE(M().recording.OpenBusy() || M().recording.SummaryLoaded() || M().play.PlayerLoaded());
    EXPECT_EQ(std::pair(M().play.PlayerLeft(), M().play.PlayerTop()), std::pair(-1, -1));

    // Narrower than 4000 twips it will not go, and the file name takes the width left.
    for (const auto& [asked, width] : {std::pair{3000, 4000}, std::pair{8000, 8000}}) {
        w->resize(Px(asked), Px(500));
        QTest::qWait(20);
        EXPECT_EQ(w->width(), Px(width));
        EXPECT_EQ(w->height(), Px(1080));
        EXPECT_NEAR(Control<QLabel>(w, "P_FileName")->width(),
                    w->width() - Control<QFrame>(w, "Panel1")->width() - Px(420), 1);
    }
}

TEST_F(MainWindowTest, StartUpReadsTheConfigurationOfItsFolderOrTakesTheDefaults) {
    // The folder may be given with a trailing "/".
    app = std::make_unique<ZarnApp>(prompter, tmp.path() + "/");
    app->StartUp();
    EXPECT_EQ(M().settings.ProgramFolder(), tmp.path());
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.025);
    EXPECT_TRUE(M().settings.WavDisplayOn());
    app.reset();
    // Reading stops after the bandwidth: the display section after it is not read.
    tmp.write("Zarn_Aud.Ini", "[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n");
    Start();
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.0125);
    EXPECT_FALSE(M().settings.WavDisplayOn());
}

// Start-up clears the temporaries its own interrupted writes left, once a minute old, and nothing else.
TEST_F(MainWindowTest, StartUpClearsItsOwnStaleTemporaries) {
    const utimbuf old{std::time(nullptr) - 120, std::time(nullptr) - 120};
    for (const char* name : {".Zarn_Aud.Ini.Ab12Cd", ".~FREQ.SIG.x9y8z7", ".~FREQ.~IG.000000", ".~Freq.Cmt.q1q1q1",
                             ".notes.txt.Ab12Cd", ".Zarn_Aud.Ini.Ab12C"})
        ::utime(tmp.write(name, "half").c_str(), &old);
    tmp.write(".Zarn_Aud.Ini.NEW123", "another copy writing now");
    Start();
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
        if (e.path().filename().string().front() == '.') left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{".notes.txt.Ab12Cd", ".Zarn_Aud.Ini.Ab12C", ".Zarn_Aud.Ini.NEW123"}));
}

// ---- Open -----------------------------------------------------------------------------------

TEST_F(MainWindowTest, OpenPicksASegmentAndShowsTheFile) {
    Start();
    const std::string path = Recording("AB.EVA");
    prompter.ExpectOpenFile("Open... Audio File", path);
    SegmentAnswer answer([this](QDialog& d) {
        // Below the bar, by its left part; the progress window is down while the operator chooses.
        const QRect bar = d.parentWidget()->window()->frameGeometry();
        EXPECT_EQ(d.pos(), QPoint(bar.left() + Px(1980), bar.top() + bar.height() - Px(15)));
        EXPECT_EQ(Control<QLabel>(&d, "P_TotalSeg")->text(), QStringLiteral("3"));
        EXPECT_EQ(Control<QLabel>(&d, "P_TotalWav")->text(), QStringLiteral("2"));
        EXPECT_EQ(app->Loading(), nullptr);
        Control<QScrollBar>(&d, "HScroll1")->setValue(2);
        EXPECT_EQ(Control<QLabel>(&d, "P_Segment")->text(), QStringLiteral("2"));
        EXPECT_EQ(Control<QLabel>(&d, "P_TotalWav")->text(), QStringLiteral("1"));
        return SegmentAnswer::Action::Ok;
    });
    Item("F_Open")->trigger();
    ASSERT_TRUE(answer.Seen());
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_FALSE(prompter.dialogs[0].save);
    EXPECT_EQ(prompter.dialogs[0].request.filter, "*.EVA|*.EVA");
    ExpectOpen(path, 2);
    EXPECT_FALSE(M().recording.OpenBusy());
    const SegmentTable& t = M().recording.Segments();
    EXPECT_EQ(t.segCount, 3);
    EXPECT_EQ(t.clipCount, (std::vector<int>{0, 2, 1, 0}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{0, 2, 3, 0}));

    // Opened by name (a lower-case extension too): no file dialog; a missing file gets Open's refusal.
    const std::string lower = Recording("x.eva");
    SegmentAnswer again = SegmentAnswer::OkOn(2);
    Main()->OpenEventFile(lower);
    ASSERT_TRUE(again.Seen());
    EXPECT_EQ(prompter.dialogs.size(), 1u);
    ExpectOpen(lower, 2);
    const std::string missing = tmp.file("rec/GONE.EVA");
    prompter.ExpectMessage("Warning message from: Open... Audio File", "Can not find " + missing,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Main()->OpenEventFile(missing);
    ExpectOpen(lower, 2);
}

TEST_F(MainWindowTest, OpenRefusesWhatIsNotAnEventFileAndKeepsTheOpenFile) {
    Start();
    const std::string open = Recording("AB.EVA");
    OpenSegment(open, 1);
    std::filesystem::create_directories(tmp.file("rec/FOLDER.EVA"));
    for (const std::string& path : {tmp.file("rec/MISSING.EVA"), Recording("NOTES.TXT"), tmp.file("rec/FOLDER.EVA")}) {
        SCOPED_TRACE(path);
        prompter.ExpectOpenFile("Open... Audio File", path);
        prompter.ExpectMessage("Warning message from: Open... Audio File", "Can not find " + path,
                               MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        SegmentAnswer answer = SegmentAnswer::CancelIt();
        Item("F_Open")->trigger();
        EXPECT_FALSE(answer.Seen());
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        ExpectOpen(open, 1);
    }
}

// Cancel in the file dialog, a file without segments, and a segment dialog left by Cancel or Escape
// all end with no file open (an abandoned second file takes the first one's windows down too).
TEST_F(MainWindowTest, AnOpenNotCarriedThroughLeavesNoFileOpen) {
    Start();
    prompter.ExpectOpenFile("Open... Audio File", std::nullopt);
    prompter.ExpectOpenFile("Open... Audio File",
                            Recording("NOSEG.EVA", "Ver, x\r\nWAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,"
                                                   "01/02/05 10:00:05,-80,0\r\n"));
    for (int i = 0; i < 2; ++i) {
        SegmentAnswer answer = SegmentAnswer::CancelIt();
        Item("F_Open")->trigger();
        EXPECT_FALSE(answer.Seen());
        ExpectOpen("", 0);
    }
    EXPECT_TRUE(prompter.messages.empty());

    OpenSegment(Recording("AB.EVA"), 1);
    for (SegmentAnswer::Action action : {SegmentAnswer::Action::Cancel, SegmentAnswer::Action::Escape}) {
        prompter.ExpectOpenFile("Open... Audio File", Recording("CD.EVA"));
        SegmentAnswer answer([action](QDialog&) { return action; });
        Item("F_Open")->trigger();
        EXPECT_TRUE(answer.Seen());
        ExpectOpen("", 0);
    }
}

// ---- Close ----------------------------------------------------------------------------------

TEST_F(MainWindowTest, CloseForgetsTheOpenFileButNotWhileOpenIsBusy) {
    Start();
    const std::string path = Recording("AB.EVA");
    OpenSegment(path, 1);
    QTest::mouseClick(Control<QPushButton>(Main(), "B_Close"), Qt::LeftButton);
    ExpectOpen("", -1);

    OpenSegment(path, 1);
    M().recording.SetOpenBusy(true);
    Item("F_Close")->trigger();
    ExpectOpen(path, 1);
    M().recording.SetOpenBusy(false);

    // A Close that arrives while Open lets events run does not undo the Open.
    const std::string second = Recording("CD.EVA");
    prompter.ExpectOpenFile("Open... Audio File", second);
    bool closeRan = false;
    QTimer::singleShot(0, Main(), [&] {
        closeRan = true;
        EXPECT_TRUE(M().recording.OpenBusy());
        Item("F_Close")->trigger();
    });
    SegmentAnswer answer = SegmentAnswer::Ok();
    Item("F_Open")->trigger();
    EXPECT_TRUE(closeRan);
    EXPECT_TRUE(answer.Seen());
    ExpectOpen(second, 1);

    Item("F_Close")->trigger();
    ExpectOpen("", -1);
}

// ---- Delete (which files go is the file commands' own test) ---------------------------------

TEST_F(MainWindowTest, DeleteRefusesWhatIsNotAnEventFile) {
    Start();
    std::filesystem::create_directories(tmp.file("rec/FOLDER.EVA"));
    for (const std::string& path : {tmp.file("rec/MISSING.EVA"), Recording("NOTES.TXT"), tmp.file("rec/FOLDER.EVA")}) {
        SCOPED_TRACE(path);
        prompter.ExpectOpenFile("Delete... Audio File", path);
        prompter.ExpectMessage("Warning message from: Delete... Audio File", "Can not find " + path,
                               MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        Item("F_Delete")->trigger();
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    }
    EXPECT_TRUE(FileExists(tmp.file("rec/NOTES.TXT")));
    EXPECT_TRUE(FolderExists(tmp.file("rec/FOLDER.EVA")));
    prompter.ExpectOpenFile("Delete... Audio File", std::nullopt); // Cancel: no message
    QTest::mouseClick(Control<QPushButton>(Main(), "B_Delete"), Qt::LeftButton);
    EXPECT_EQ(prompter.messages.size(), 3u);
}

TEST_F(MainWindowTest, DeleteRefusesTheOpenFileAndAsksBeforeDeletingAnother) {
    Start();
    const std::string path = Recording("AB.EVA");
    const std::string clip = Recording("AB0001.WAV", "RIFF");
    OpenSegment(path, 1);
    prompter.ExpectOpenFile("Delete... Audio File", path);
    prompter.ExpectMessage("Warning message from: Delete... Audio File",
                           "Can not delete the file that is currently in used.  Please close this file "
                           "before executing a DELETE command.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item("F_Delete")->trigger();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_TRUE(FileExists(path));
    ExpectOpen(path, 1);

    Item("F_Close")->trigger();
    ExpectDeleteQuestion(path, MsgAnswer::No);
    Item("F_Delete")->trigger();
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(FileExists(clip));
    ExpectDeleteQuestion(path, MsgAnswer::Yes);
    Item("F_Delete")->trigger();
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(clip));
}

// ---- Help, About, Exit ----------------------------------------------------------------------

TEST_F(MainWindowTest, HelpShowsTheManualOnceAndGoesWithTheMainWindow) {
    Start();
    Item("H_Contents")->trigger();
    HelpWindow* help = app->Help();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    const QString text = Control<QTextBrowser>(help, "HelpView")->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("segment"), Qt::CaseInsensitive) &&
                text.contains(QStringLiteral("open"), Qt::CaseInsensitive)) << text.toStdString();
    Item("H_Contents")->trigger();
    EXPECT_EQ(app->Help(), help);
    app->HelpQuit();
    EXPECT_EQ(app->Help(), nullptr);
    EXPECT_TRUE(Main()->isVisible());

    Item("H_Contents")->trigger();
    ASSERT_NE(app->Help(), nullptr);
    Main()->close();
    EXPECT_FALSE(Main()->isVisible());
    EXPECT_EQ(app->Help(), nullptr);
    EXPECT_TRUE(app->Exiting());
}

TEST_F(MainWindowTest, ExitClosesEveryWindow) {
    for (const bool button : {false, true}) {
        SCOPED_TRACE(button ? "button" : "menu");
        Start();
        OpenSegment(Recording("AB.EVA"), 1);
        Item("H_Contents")->trigger();
        if (button)
            QTest::mouseClick(Control<QPushButton>(Main(), "B_Exit"), Qt::LeftButton);
        else
            Item("F_Exit")->trigger();
        EXPECT_TRUE(app->Exiting());
        EXPECT_EQ(app->Loading(), nullptr);
        for (QWidget* top : QApplication::topLevelWidgets())
            EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
        app.reset();
        Flush();
    }
}

TEST_F(MainWindowTest, AboutIsAnInformationBox) {
    Start();
    Item("H_Info")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_NE(prompter.messages[0].text.find("ZARN"), std::string::npos);
    prompter.failures.clear(); // the box's wording is free; it was not scripted
}

} // namespace
} // namespace zarn
