// The main window driven as the operator drives it: menus, buttons, the Open road through the
// modal segment dialog, Close, Delete, help and exit.
#include "zarn_app.h"
#include "main_bar.h"

#include "fake_prompter.h"
#include "find_control.h"
#include "help_window.h"
#include "latin1.h"
#include "paths.h"
#include "segment_answer.h"
#include "temp_dir.h"

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
#include <functional>
#include <memory>
#include <set>

#include <utime.h>

namespace zarn {
namespace {

using test::Control;
using test::FakePrompter;
using test::SegmentAnswer;
using test::TempDir;

constexpr const char* kOpenTitle = "Open... Audio File";
constexpr const char* kOpenWarning = "Warning message from: Open... Audio File";
constexpr const char* kDeleteTitle = "Delete... Audio File";
constexpr const char* kDeleteWarning = "Warning message from: Delete... Audio File";
constexpr const char* kDeleteConfirm = "Confirmation from: Delete... Audio File";
constexpr const char* kInUse =
    "Can not delete the file that is currently in used.  Please close this file before "
    "executing a DELETE command.";

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

constexpr const char* kNoStart = "Ver, Created by the recorder\r\n"
                                 "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n";

// Lets queued window events (geometry changes of the offscreen platform) arrive.
void Settle() {
    QTest::qWait(20);
}

class MainWindowTest : public ::testing::Test {
protected:
    void Start() { Start(tmp.path()); }
    void Start(const std::string& folder) {
        app = std::make_unique<ZarnApp>(prompter, folder);
        app->StartUp();
        Settle();
    }

    void TearDown() override {
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        app.reset();
    }

    MainBar* Main() const { return app->MainWindow(); }
    // The bar's controls and menu items, by name.
    template <class T> T* Bar(const char* name) const { return Control<T>(Main(), name); }
    QAction* Item(const char* name) const { return Bar<QAction>(name); }
    QString FileShown() const { return Bar<QLabel>("P_FileName")->text(); }
    bool ExportOffered() const { return Item("Export")->isEnabled(); }
    zarn::Models M() const { return app->Models(); }

    // An event file in a recording folder apart from the program folder.
    std::string Recording(const std::string& name, const std::string& bytes = kThreeSegments) {
        std::filesystem::create_directories(tmp.file("rec"));
        return tmp.write("rec/" + name, bytes);
    }

    // Opens `path` through File, Open... and picks segment `s`.
    void OpenSegment(const std::string& path, int s) {
        prompter.ExpectOpenFile(kOpenTitle, path);
        SegmentAnswer answer = SegmentAnswer::OkOn(s);
        Item("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        ASSERT_EQ(M().recording.EventFileName(), path);
    }

    void ExpectNoFileOpen() const {
        EXPECT_EQ(M().recording.EventFileName(), "");
        EXPECT_EQ(M().recording.EventFolder(), "");
        EXPECT_EQ(FileShown(), QString());
        EXPECT_EQ(M().recording.SelectedSegment(), 0);
    }

    TempDir tmp;
    FakePrompter prompter;
    std::unique_ptr<ZarnApp> app;
};

// ---- Start-up -------------------------------------------------------------------------------

struct ItemDef {
    const char* name;
    const char* caption; // "-" for a separator
    bool enabled;
};

struct MenuDef {
    const char* name;
    const char* title;
    std::vector<ItemDef> items;
};

TEST_F(MainWindowTest, StartUpBuildsTheBarWithItsMenusAndItems) {
    Start();
    MainBar* w = Main();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("Zarn_Aud"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ZARN Audio Playback32"));
    EXPECT_TRUE(w->isVisible());

    const std::vector<MenuDef> menus = {
        {"File",
         "&File",
         {{"F_Open", "&Open...", true},
          {"F_Close", "&Close", true},
          {"F_Delete", "&Delete...", true},
          {"Spacer1", "-", true},
          {"Export", "&Export...", false},
          {"Spacer2", "-", true},
          {"F_Exit", "E&xit", true}}},
        {"List", "&List", {{"F_List", "&Signal", true}}},
        {"IFBW", "&Config", {{"IFBW_Default", "&Default sig BW...", true}}},
        {"Help", "&Help", {{"H_Contents", "Help &Contents", true}, {"H_Info", "&About", true}}},
    };
    const QList<QAction*> bar = w->menuBar()->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        const MenuDef& def = menus[m];
        SCOPED_TRACE(def.name);
        auto* menu = Bar<QMenu>(def.name);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(bar[static_cast<qsizetype>(m)]->menu(), menu) << "menus in bar order";
        EXPECT_EQ(menu->title(), QLatin1String(def.title));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(def.items.size()));
        for (std::size_t i = 0; i < def.items.size(); ++i) {
            const ItemDef& item = def.items[i];
            const QAction* a = items[static_cast<qsizetype>(i)];
            SCOPED_TRACE(item.name);
            EXPECT_EQ(a->objectName(), QLatin1String(item.name));
            if (std::string_view(item.caption) == "-") {
                EXPECT_TRUE(a->isSeparator());
            } else {
                EXPECT_FALSE(a->isSeparator());
                EXPECT_EQ(a->text(), QLatin1String(item.caption));
            }
            EXPECT_EQ(a->isEnabled(), item.enabled);
        }
    }

    for (const char* name : {"B_Open", "B_Close", "B_Delete", "B_Exit"}) {
        SCOPED_TRACE(name);
        auto* b = Bar<QPushButton>(name);
        ASSERT_NE(b, nullptr);
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_TRUE(b->text().isEmpty());
        EXPECT_TRUE(b->isVisible());
    }
    EXPECT_EQ(FileShown(), QString());
    EXPECT_NE(Bar<QFrame>("Panel1"), nullptr);

    // Across the top of the screen.
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_EQ(w->pos(), screen.topLeft());
    EXPECT_EQ(w->width(), screen.width());
    EXPECT_EQ(w->height(), Px(1080));

    EXPECT_EQ(M().settings.ProgramFolder(), tmp.path());
    EXPECT_EQ(M().recording.EventFileName(), "");
    EXPECT_FALSE(M().recording.OpenBusy());
    EXPECT_FALSE(M().recording.SummaryLoaded());
    EXPECT_FALSE(M().play.PlayerLoaded());
    EXPECT_EQ(M().play.PlayerLeft(), -1);
    EXPECT_EQ(M().play.PlayerTop(), -1);
    EXPECT_EQ(app->Loading(), nullptr);
}

TEST_F(MainWindowTest, StartUpWithoutConfigurationUsesTheDefaults) {
    // The folder the program starts in may be given with a trailing "/".
    Start(tmp.path() + "/");
    EXPECT_EQ(M().settings.ProgramFolder(), tmp.path());
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.025);
    EXPECT_TRUE(M().settings.WavDisplayOn());
}

TEST_F(MainWindowTest, StartUpReadsTheConfigurationOfItsFolder) {
    // Reading stops after the bandwidth: the display section after it is not read.
    tmp.write("Zarn_Aud.Ini", "[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n");
    Start(tmp.path() + "/");
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.0125);
    EXPECT_FALSE(M().settings.WavDisplayOn());
}

// Writes a crash cut short leave temporaries beside the configuration, the lists, the pointer and
// the comments; the start-up clears those it wrote itself, once they are a minute old, and nothing else.
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

// ---- Layout ---------------------------------------------------------------------------------

TEST_F(MainWindowTest, ResizeKeepsTheBarHeightAndAMinimumWidth) {
    Start();
    MainBar* w = Main();
    auto expectNameFills = [&] {
        const int expected = w->width() - Bar<QFrame>("Panel1")->width() - Px(420);
        EXPECT_NEAR(Bar<QLabel>("P_FileName")->width(), expected, 1);
    };

    w->resize(Px(3000), Px(3000));
    Settle();
    EXPECT_EQ(w->width(), Px(4000));
    EXPECT_EQ(w->height(), Px(1080));
    expectNameFills();

    w->resize(Px(8000), Px(500));
    Settle();
    EXPECT_EQ(w->width(), Px(8000));
    EXPECT_EQ(w->height(), Px(1080));
    expectNameFills();
}

// ---- Open -----------------------------------------------------------------------------------

TEST_F(MainWindowTest, OpenPicksASegmentAndShowsTheFile) {
    Start();
    const std::string path = Recording("AB.EVA");
    prompter.ExpectOpenFile(kOpenTitle, path);
    SegmentAnswer answer([this](QDialog& d) {
        // The dialog is placed below the bar, by its left part.
        const QRect bar = d.parentWidget()->window()->frameGeometry();
        EXPECT_EQ(d.pos(), QPoint(bar.left() + Px(1980), bar.top() + bar.height() - Px(15)));
        EXPECT_EQ(Control<QLabel>(&d, "P_TotalSeg")->text(), QStringLiteral("3"));
        EXPECT_EQ(Control<QLabel>(&d, "P_TotalWav")->text(), QStringLiteral("2"));
        // The count is over: the progress window is down while the operator chooses.
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

    EXPECT_EQ(M().recording.SelectedSegment(), 2);
    EXPECT_EQ(M().recording.EventFileName(), path);
    EXPECT_EQ(M().recording.EventFolder(), tmp.file("rec/"));
    EXPECT_EQ(FileShown(), Qs(path));
    EXPECT_TRUE(ExportOffered());
    EXPECT_FALSE(M().recording.OpenBusy());
    EXPECT_EQ(app->Loading(), nullptr);

    const SegmentTable& t = M().recording.Segments();
    EXPECT_EQ(t.segCount, 3);
    EXPECT_EQ(t.clipCount, (std::vector<int>{0, 2, 1, 0}));
    EXPECT_EQ(t.maxNumber, (std::vector<std::int16_t>{0, 2, 3, 0}));
}

TEST_F(MainWindowTest, OpenAcceptsALowerCaseExtension) {
    Start();
    const std::string path = Recording("x.eva");
    OpenSegment(path, 1);
    EXPECT_EQ(M().recording.SelectedSegment(), 1);
    EXPECT_EQ(FileShown(), Qs(path));
}

TEST_F(MainWindowTest, OpenRefusesWhatIsNotAnEventFileAndKeepsTheOpenFile) {
    Start();
    const std::string open = Recording("AB.EVA");
    OpenSegment(open, 1);
    std::filesystem::create_directories(tmp.file("rec/FOLDER.EVA"));
    const std::string refused[] = {tmp.file("rec/MISSING.EVA"), Recording("NOTES.TXT"),
                                   tmp.file("rec/FOLDER.EVA")};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        prompter.ExpectOpenFile(kOpenTitle, path);
        prompter.ExpectMessage(kOpenWarning, "Can not find " + path, MsgIcon::Exclamation, MsgButtons::Ok,
                               MsgAnswer::Ok);
        SegmentAnswer answer = SegmentAnswer::CancelIt();
        Item("F_Open")->trigger();
        EXPECT_FALSE(answer.Seen());
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
        EXPECT_EQ(M().recording.EventFileName(), open);
        EXPECT_EQ(M().recording.SelectedSegment(), 1);
        EXPECT_EQ(FileShown(), Qs(open));
        EXPECT_TRUE(ExportOffered());
        EXPECT_EQ(app->Loading(), nullptr);
    }
}

TEST_F(MainWindowTest, CancelInTheFileDialogDoesNothing) {
    Start();
    prompter.ExpectOpenFile(kOpenTitle, std::nullopt);
    SegmentAnswer answer = SegmentAnswer::CancelIt();
    Item("F_Open")->trigger();
    EXPECT_FALSE(answer.Seen());
    EXPECT_TRUE(prompter.messages.empty());
    ExpectNoFileOpen();
    EXPECT_FALSE(ExportOffered());
}

TEST_F(MainWindowTest, OpenOfAFileWithoutSegmentsShowsNoDialog) {
    Start();
    prompter.ExpectOpenFile(kOpenTitle, Recording("NOSEG.EVA", kNoStart));
    SegmentAnswer answer = SegmentAnswer::CancelIt();
    Item("F_Open")->trigger();
    EXPECT_FALSE(answer.Seen());
    ExpectNoFileOpen();
    EXPECT_FALSE(ExportOffered());
    EXPECT_EQ(app->Loading(), nullptr);
}

TEST_F(MainWindowTest, CancelInTheSegmentDialogLeavesNoFileOpen) {
    Start();
    OpenSegment(Recording("AB.EVA"), 1);
    ASSERT_TRUE(ExportOffered());

    // A second file, abandoned in the segment dialog (by its X or by Escape): the first one's
    // windows are gone too, so nothing is open and there is nothing to export.
    for (SegmentAnswer::Action action : {SegmentAnswer::Action::Cancel, SegmentAnswer::Action::Escape}) {
        prompter.ExpectOpenFile(kOpenTitle, Recording("CD.EVA"));
        SegmentAnswer answer([action](QDialog&) { return action; });
        Item("F_Open")->trigger();
        EXPECT_TRUE(answer.Seen());
        ExpectNoFileOpen();
        EXPECT_FALSE(ExportOffered());
        EXPECT_EQ(app->Loading(), nullptr);
    }
}

TEST_F(MainWindowTest, OpenEventFileOpensWithoutTheFileDialog) {
    Start();
    const std::string path = Recording("AB.EVA");
    SegmentAnswer answer = SegmentAnswer::OkOn(2);
    Main()->OpenEventFile(path);
    ASSERT_TRUE(answer.Seen());
    EXPECT_TRUE(prompter.dialogs.empty());
    EXPECT_EQ(M().recording.SelectedSegment(), 2);
    EXPECT_EQ(M().recording.EventFileName(), path);
    EXPECT_EQ(M().recording.EventFolder(), tmp.file("rec/"));
    EXPECT_EQ(FileShown(), Qs(path));
    EXPECT_TRUE(ExportOffered());
    EXPECT_EQ(M().recording.Segments().segCount, 3);
    EXPECT_EQ(app->Loading(), nullptr);

    // A missing file gets Open's refusal.
    const std::string missing = tmp.file("rec/GONE.EVA");
    prompter.ExpectMessage(kOpenWarning, "Can not find " + missing, MsgIcon::Exclamation, MsgButtons::Ok,
                           MsgAnswer::Ok);
    Main()->OpenEventFile(missing);
    EXPECT_EQ(M().recording.EventFileName(), path);
}

// ---- Close ----------------------------------------------------------------------------------

TEST_F(MainWindowTest, CloseForgetsTheOpenFile) {
    Start();
    OpenSegment(Recording("AB.EVA"), 1);
    QTest::mouseClick(Bar<QPushButton>("B_Close"), Qt::LeftButton);
    EXPECT_EQ(M().recording.EventFileName(), "");
    EXPECT_EQ(M().recording.EventFolder(), "");
    EXPECT_EQ(FileShown(), QString());

    OpenSegment(Recording("AB.EVA"), 1);
    Item("F_Close")->trigger();
    EXPECT_EQ(M().recording.EventFileName(), "");
    EXPECT_EQ(FileShown(), QString());
}

TEST_F(MainWindowTest, CloseWaitsWhileOpenIsBusy) {
    Start();
    const std::string path = Recording("AB.EVA");
    OpenSegment(path, 1);
    M().recording.SetOpenBusy(true);
    Item("F_Close")->trigger();
    EXPECT_EQ(M().recording.EventFileName(), path);
    EXPECT_EQ(FileShown(), Qs(path));
    M().recording.SetOpenBusy(false);

    // A Close that arrives while Open lets events run does not undo the Open.
    const std::string second = Recording("CD.EVA");
    prompter.ExpectOpenFile(kOpenTitle, second);
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
    EXPECT_EQ(M().recording.EventFileName(), second);
    EXPECT_EQ(FileShown(), Qs(second));
    EXPECT_TRUE(ExportOffered());
}

// ---- Delete ---------------------------------------------------------------------------------

TEST_F(MainWindowTest, DeleteRefusesWhatIsNotAnEventFile) {
    Start();
    std::filesystem::create_directories(tmp.file("rec/FOLDER.EVA"));
    const std::string refused[] = {tmp.file("rec/MISSING.EVA"), Recording("NOTES.TXT"),
                                   tmp.file("rec/FOLDER.EVA")};
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        prompter.ExpectOpenFile(kDeleteTitle, path);
        prompter.ExpectMessage(kDeleteWarning, "Can not find " + path, MsgIcon::Exclamation, MsgButtons::Ok,
                               MsgAnswer::Ok);
        Item("F_Delete")->trigger();
        EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    }
    EXPECT_TRUE(FileExists(tmp.file("rec/NOTES.TXT")));
    EXPECT_TRUE(FolderExists(tmp.file("rec/FOLDER.EVA")));

    // Cancel in its file dialog: no message.
    prompter.ExpectOpenFile(kDeleteTitle, std::nullopt);
    QTest::mouseClick(Bar<QPushButton>("B_Delete"), Qt::LeftButton);
    EXPECT_EQ(prompter.messages.size(), 3u);
}

TEST_F(MainWindowTest, DeleteRefusesTheOpenFileUntilItIsClosed) {
    Start();
    const std::string path = Recording("AB.EVA");
    const std::string clip = Recording("AB0001.WAV", "RIFF");
    OpenSegment(path, 1);

    prompter.ExpectOpenFile(kDeleteTitle, path);
    prompter.ExpectMessage(kDeleteWarning, kInUse, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item("F_Delete")->trigger();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(FileExists(clip));
    EXPECT_EQ(M().recording.EventFileName(), path);

    Item("F_Close")->trigger();
    prompter.ExpectOpenFile(kDeleteTitle, path);
    prompter.ExpectMessage(kDeleteConfirm,
                           path + " and its associated audio data files will be deleted.  Are you sure?",
                           MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    Item("F_Delete")->trigger();
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(clip));
}

TEST_F(MainWindowTest, DeleteRemovesTheEventFileAndItsClipsOnYes) {
    Start();
    const char* names[] = {"AB.EVA",   "AB0001.WAV", "ab0002.wav", "ABCD0001.WAV",
                           "ABCD.EVA", "AB.AUD",     "AB.SAV",     "ABX.WAV"};
    for (const char* name : names)
        Recording(name, "data");
    const std::string path = tmp.file("rec/AB.EVA");
    const std::string question =
        path + " and its associated audio data files will be deleted.  Are you sure?";

    // No keeps everything.
    prompter.ExpectOpenFile(kDeleteTitle, path);
    prompter.ExpectMessage(kDeleteConfirm, question, MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    Item("F_Delete")->trigger();
    for (const char* name : names)
        EXPECT_TRUE(FileExists(tmp.file(std::string("rec/") + name))) << name;

    prompter.ExpectOpenFile(kDeleteTitle, path);
    prompter.ExpectMessage(kDeleteConfirm, question, MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    Item("F_Delete")->trigger();
    for (const char* name : {"AB.EVA", "AB0001.WAV", "ab0002.wav"})
        EXPECT_FALSE(FileExists(tmp.file(std::string("rec/") + name))) << name;
    // Another recording's clips, the companion files and other WAV files stay.
    for (const char* name : {"ABCD0001.WAV", "ABCD.EVA", "AB.AUD", "AB.SAV", "ABX.WAV"})
        EXPECT_TRUE(FileExists(tmp.file(std::string("rec/") + name))) << name;
}

// ---- Help, About, Exit ----------------------------------------------------------------------

TEST_F(MainWindowTest, HelpContentsShowsTheManualAndHelpQuitClosesIt) {
    Start();
    Item("H_Contents")->trigger();
    HelpWindow* help = app->Help();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->objectName(), QStringLiteral("HelpWindow"));
    EXPECT_TRUE(help->isVisible());
    const QString text = Control<QTextBrowser>(help, "HelpView")->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("open"), Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("segment"), Qt::CaseInsensitive)) << text.toStdString();

    // Asked again, the same window comes up.
    Item("H_Contents")->trigger();
    EXPECT_EQ(app->Help(), help);

    app->HelpQuit();
    EXPECT_EQ(app->Help(), nullptr);
    EXPECT_TRUE(Main()->isVisible());
}

TEST_F(MainWindowTest, ClosingTheMainWindowClosesHelp) {
    Start();
    Item("H_Contents")->trigger();
    ASSERT_NE(app->Help(), nullptr);
    Main()->close();
    EXPECT_FALSE(Main()->isVisible());
    EXPECT_EQ(app->Help(), nullptr);
    EXPECT_TRUE(app->Exiting());
}

TEST_F(MainWindowTest, ExitClosesEveryWindow) {
    Start();
    OpenSegment(Recording("AB.EVA"), 1);
    Item("H_Contents")->trigger();
    ASSERT_NE(app->Help(), nullptr);
    Item("F_Exit")->trigger();
    EXPECT_TRUE(app->Exiting());
    EXPECT_FALSE(Main()->isVisible());
    EXPECT_TRUE(app->Help() == nullptr || !app->Help()->isVisible());
    EXPECT_EQ(app->Loading(), nullptr);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
}

TEST_F(MainWindowTest, ExitButtonEndsTheProgram) {
    Start();
    QTest::mouseClick(Bar<QPushButton>("B_Exit"), Qt::LeftButton);
    EXPECT_TRUE(app->Exiting());
    EXPECT_FALSE(Main()->isVisible());
}

TEST_F(MainWindowTest, AboutIsAnInformationBox) {
    Start();
    Item("H_Info")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_NE(prompter.messages[0].text.find("ZARN"), std::string::npos);
    // The box's wording is free; it was not scripted.
    prompter.failures.clear();
}

} // namespace
} // namespace zarn
