#include "main_bar.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "find_control.h"
#include "help_window.h"
#include "paths.h"
#include "qt_prompter.h"
#include "segment_answer.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
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
    }
    // The open file as the models and the bar show it, and whether Export is offered.
    void ExpectOpen(const std::string& path, int segment) const {
        EXPECT_EQ(M().recording.EventFileName(), path);
        EXPECT_EQ(M().recording.EventFolder(), path.substr(0, path.rfind('/') + 1));
        EXPECT_EQ(Control<QLabel>(Main(), "P_FileName")->text(), Qs(path));
        if (segment >= 0) { // Close leaves it
            EXPECT_EQ(M().recording.SelectedSegment(), segment);
        }
        EXPECT_EQ(Item("Export")->isEnabled(), !path.empty());
        EXPECT_EQ(app->Loading(), nullptr);
    }
    void ExpectRefusal(const char* command, const std::string& path) {
        prompter.ExpectOpenFile(std::string(command) + "... Audio File", path);
        prompter.ExpectMessage(std::string("Warning message from: ") + command + "... Audio File",
                               "Can not find " + path, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    }
};

// The menus ("!" a disabled item, "-" a separator), the configuration, stale temporaries cleared;
// then Open through the dialogs and by name, and Close (also while Open is busy or during an Open).
TEST_F(MainWindowTest, StartUpOpenAndClose) {
    tmp.write("Zarn_Aud.Ini", "[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n");
    const utimbuf old{std::time(nullptr) - 120, std::time(nullptr) - 120};
    for (const char* name : {".Zarn_Aud.Ini.Ab12Cd", ".~FREQ.SIG.x9y8z7", ".notes.txt.Ab12Cd"})
        ::utime(tmp.write(name, "half").c_str(), &old);
    tmp.write(".Zarn_Aud.Ini.NEW123", "another copy writing now");
    app = std::make_unique<ZarnApp>(prompter, tmp.path() + "/");
    app->StartUp();
    EXPECT_EQ(Main()->objectName() + "|" + Main()->windowTitle(), QStringLiteral("Zarn_Aud|ZARN Audio Playback32"));
    QStringList menus;
    for (const QAction* m : Main()->menuBar()->actions()) {
        QString line = m->text() + ":";
        for (const QAction* a : m->menu()->actions())
            line += QStringLiteral(" ") + (a->isEnabled() ? "" : "!") + (a->isSeparator() ? "-" : a->text());
        menus << line;
    }
    EXPECT_EQ(menus, QStringList({"&File: &Open... &Close &Delete... - !&Export... - E&xit", "&List: &Signal",
                                  "&Config: &Default sig BW...", "&Help: Help &Contents &About"}));
    ExpectOpen("", 0);
    EXPECT_FALSE(M().recording.OpenBusy() || M().recording.SummaryLoaded() || M().play.PlayerLoaded());
    EXPECT_EQ(M().settings.ProgramFolder(), tmp.path());
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.0125);
    EXPECT_FALSE(M().settings.WavDisplayOn());
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
        if (e.path().filename().string().front() == '.') left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{".notes.txt.Ab12Cd", ".Zarn_Aud.Ini.NEW123"}));

    const std::string path = Recording("AB.EVA");
    prompter.ExpectOpenFile("Open... Audio File", path);
    SegmentAnswer answer([this](QDialog& d) {
        // Below the bar; the progress window is down while the operator chooses.
        const QRect bar = d.parentWidget()->window()->frameGeometry();
        EXPECT_EQ(d.pos(), QPoint(bar.left() + Px(1980), bar.top() + bar.height() - Px(15)));
        EXPECT_EQ(app->Loading(), nullptr);
        const auto shown = [&] {
            return Control<QLabel>(&d, "P_Segment")->text() + "/" + Control<QLabel>(&d, "P_TotalSeg")->text() +
                   ":" + Control<QLabel>(&d, "P_TotalWav")->text();
        };
        EXPECT_EQ(shown(), QStringLiteral("1/3:2"));
        Control<QScrollBar>(&d, "HScroll1")->setValue(2);
        EXPECT_EQ(shown(), QStringLiteral("2/3:1"));
        return SegmentAnswer::Action::Ok;
    });
    Item("F_Open")->trigger();
    ASSERT_TRUE(answer.Seen());
    const FileDialogRequest& request = prompter.dialogs.at(0).request;
    EXPECT_EQ(request.filter + (prompter.dialogs[0].save ? " save" : " open"), "*.EVA|*.EVA open");
    ExpectOpen(path, 2);

    // By name (a lower-case extension too): no file dialog.
    const std::string lower = Recording("x.eva");
    SegmentAnswer again = SegmentAnswer::OkOn(2);
    Main()->OpenEventFile(lower);
    ASSERT_TRUE(again.Seen());
    EXPECT_EQ(prompter.dialogs.size(), 1u);
    ExpectOpen(lower, 2);

    M().recording.SetOpenBusy(true);
    Item("F_Close")->trigger();
    ExpectOpen(lower, 2);
    M().recording.SetOpenBusy(false);
    QTest::mouseClick(Control<QPushButton>(Main(), "B_Close"), Qt::LeftButton);
    ExpectOpen("", -1);

    // A Close that arrives while Open lets events run does not undo the Open.
    prompter.ExpectOpenFile("Open... Audio File", path);
    bool closeRan = false;
    QTimer::singleShot(0, Main(), [&] {
        closeRan = M().recording.OpenBusy();
        Item("F_Close")->trigger();
    });
    SegmentAnswer third = SegmentAnswer::Ok();
    Item("F_Open")->trigger();
    EXPECT_TRUE(closeRan && third.Seen());
    ExpectOpen(path, 1);
}

// Refusals keep the open file; a Cancel anywhere or a file without segments ends with no file open;
// Delete refuses the open file and asks before deleting another.
TEST_F(MainWindowTest, RefusalsCancelsAndDelete) {
    Start();
    const std::string path = Recording("AB.EVA"), clip = Recording("AB0001.WAV", "RIFF");
    OpenSegment(path, 1);
    for (const char* command : {"Open", "Delete"}) {
        ExpectRefusal(command, Recording("NOTES.TXT"));
        SegmentAnswer refused = SegmentAnswer::CancelIt(); // gone before the next dialog
        Item(command == std::string("Open") ? "F_Open" : "F_Delete")->trigger();
        EXPECT_FALSE(refused.Seen());
        EXPECT_TRUE(FileExists(tmp.file("rec/NOTES.TXT")));
        ExpectOpen(path, 1);
    }
    prompter.ExpectOpenFile("Delete... Audio File", path);
    prompter.ExpectMessage("Warning message from: Delete... Audio File",
                           "Can not delete the file that is currently in used.  Please close this file "
                           "before executing a DELETE command.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item("F_Delete")->trigger();
    ExpectOpen(path, 1);

    for (SegmentAnswer::Action action : {SegmentAnswer::Action::Cancel, SegmentAnswer::Action::Escape}) {
        prompter.ExpectOpenFile("Open... Audio File", Recording("CD.EVA"));
        SegmentAnswer answer([action](QDialog&) { return action; });
        Item("F_Open")->trigger();
        EXPECT_TRUE(answer.Seen());
        ExpectOpen("", 0);
    }
    prompter.ExpectOpenFile("Open... Audio File", std::nullopt);
    prompter.ExpectOpenFile("Open... Audio File",
                            Recording("NOSEG.EVA", "Ver, x\r\nWAV,AB0001.WAV,1,123.4500,"
                                                   "01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"));
    prompter.ExpectOpenFile("Delete... Audio File", std::nullopt); // Cancel: no message
    for (const char* command : {"F_Open", "F_Open", "B_Delete"}) {
        SegmentAnswer answer = SegmentAnswer::CancelIt();
        if (command[0] == 'B')
            QTest::mouseClick(Control<QPushButton>(Main(), command), Qt::LeftButton);
        else
            Item(command)->trigger();
        EXPECT_FALSE(answer.Seen());
        ExpectOpen("", 0);
    }
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        prompter.ExpectOpenFile("Delete... Audio File", path);
        prompter.ExpectMessage("Confirmation from: Delete... Audio File",
                               path + " and its associated audio data files will be deleted.  Are you sure?",
                               MsgIcon::Question, MsgButtons::YesNo, answer);
        Item("F_Delete")->trigger();
        EXPECT_EQ(FileExists(path) && FileExists(clip), answer == MsgAnswer::No);
    }
    EXPECT_FALSE(FileExists(path) || FileExists(clip));
    EXPECT_EQ(prompter.messages.size(), 5u);
}

// The file dialogs list each pattern in lower case too, so run1.eva shows beside RUN2.EVA; a pattern
// without its description pair is left out.
TEST(QtFileFilter, EachPairIsOneFilterWithItsLowerCaseNames) {
    EXPECT_EQ(QtFileFilter("*.EVA|*.EVA"), QStringLiteral("*.EVA (*.EVA *.eva)"));
    EXPECT_EQ(QtFileFilter("File (*.SIG)|*.SIG;*.~IG|All|*.*|Odd"),
              QStringLiteral("File (*.SIG) (*.SIG *.sig *.~IG *.~ig);;All (*.*)"));
}

// Help once, About an information box, and Exit (menu or button) closes every window.
TEST_F(MainWindowTest, HelpAboutAndExit) {
    for (const bool button : {false, true}) {
        SCOPED_TRACE(button ? "button" : "menu");
        Start();
        Item("H_Info")->trigger();
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
        EXPECT_NE(prompter.messages[0].text.find("ZARN"), std::string::npos);
        prompter.failures.clear(); // the box's wording is free; it was not scripted
        Item("H_Contents")->trigger();
        HelpWindow* help = app->Help();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_TRUE(
            Control<QTextBrowser>(help, "HelpView")->toPlainText().contains("segment", Qt::CaseInsensitive));
        Item("H_Contents")->trigger();
        EXPECT_EQ(app->Help(), help);
        app->HelpQuit();
        EXPECT_EQ(app->Help(), nullptr);
        EXPECT_TRUE(Main()->isVisible());

        OpenSegment(Recording("AB.EVA"), 1);
        Item("H_Contents")->trigger();
        if (button)
            QTest::mouseClick(Control<QPushButton>(Main(), "B_Exit"), Qt::LeftButton);
        else
            Item("F_Exit")->trigger();
        EXPECT_TRUE(app->Exiting());
        for (QWidget* top : QApplication::topLevelWidgets())
            EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
        app.reset();
        Flush();
        prompter.messages.clear();
    }
}

} // namespace
} // namespace zarn
