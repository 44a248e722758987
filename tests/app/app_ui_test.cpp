#include "main_bar.h"
#include "recent_files.h"
#include "zarn_app.h"
#include "app_fixture.h"
#include "find_control.h"
#include "help_window.h"
#include "paths.h"
#include "qt_prompter.h"
#include "segment_answer.h"
#include "export.h"
#include "dates.h"
#include "segscan.h"
#include "summary_window.h"
#include "bandwidth_dialog.h"
#include "signal_list_window.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <utime.h>

namespace zarn {
namespace {

using test::Control;
using test::SegmentAnswer;
using Names = std::vector<std::string>;
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

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

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
    // A menu as the operator reads it: "!" before a disabled item, "-" a separator.
    static QString MenuText(const QMenu* menu) {
        QString line;
        for (const QAction* a : menu->actions())
            line += QStringLiteral(" ") + (a->isEnabled() ? "" : "!") + (a->isSeparator() ? "-" : a->text());
        return line.trimmed();
    }
    std::string FileMenu() const { return MenuText(Control<QMenu>(Main(), "File")).toStdString(); }
    // The items every File menu has, with Export enabled as a picture stands or not.
    static std::string Existing(bool exportOn = true) {
        return std::string("&Open... &Close &Delete... - ") + (exportOn ? "" : "!") + "&Export... - E&xit";
    }
    // Drops `urls` on the bar; true when the bar took them.
    bool Drop(const QList<QUrl>& urls) const {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QCoreApplication::sendEvent(Main(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.ignore();
        QCoreApplication::sendEvent(Main(), &drop);
        EXPECT_EQ(enter.isAccepted(), drop.isAccepted());
        return drop.isAccepted();
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
    for (const QAction* m : Main()->menuBar()->actions())
        menus << m->text() + ": " + MenuText(m->menu());
    EXPECT_EQ(menus, QStringList({"&File: &Open... &Close &Delete... - !&Export... - E&xit", "&List: &Signal",
                                  "&Config: &Default sig BW...", "&Help: Help &Contents &About"}));
    ExpectOpen("", 0);
    EXPECT_FALSE(M().recording.OpenBusy() || M().recording.SummaryLoaded() || M().play.PlayerLoaded());
    EXPECT_EQ(M().settings.ProgramFolder(), tmp.path());
    EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), 0.0125);
    EXPECT_FALSE(M().settings.WavDisplayOn());
    std::set<std::string> left = FilesIn(tmp.path());
    std::erase_if(left, [](const std::string& name) { return name.front() != '.'; });
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
        const std::string title = std::string(command) + "... Audio File", notes = Recording("NOTES.TXT");
        prompter.ExpectOpenFile(title, notes);
        prompter.ExpectMessage("Warning message from: " + title, "Can not find " + notes, MsgIcon::Exclamation,
                               MsgButtons::Ok, MsgAnswer::Ok);
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

// Opened files are listed below every item of the File menu, latest first, and are there again in
// the next session; they are kept in the user's configuration folder, not the station's.
TEST_F(MainWindowTest, OpenedFilesAreListedBelowTheFileMenuAndKeptForTheNextSession) {
    Start();
    EXPECT_EQ(FileMenu(), Existing(false));
    const std::string a = Recording("AAAA0102.EVA"), b = Recording("BBBB0102.EVA");
    OpenSegment(a, 1);
    OpenSegment(b, 1);
    OpenSegment(a, 1);
    EXPECT_EQ(FileMenu(), "&Open... &Close &Delete... - &Export... - E&xit - &1 " + a + " &2 " + b);
    const std::string listed = Existing(false) + " - &1 " + a + " &2 " + b;

    // A cancelled segment choice opens nothing, so it lists nothing.
    const std::string c = Recording("CCCC0102.EVA");
    prompter.ExpectOpenFile("Open... Audio File", c);
    SegmentAnswer cancel = SegmentAnswer::CancelIt();
    Control<QAction>(Main(), "F_Open")->trigger();
    ASSERT_TRUE(cancel.Seen());
    EXPECT_EQ(FileMenu(), listed);

    EXPECT_TRUE(std::filesystem::exists(preferences.file("ZARN/Zarn_zed32.ini")));
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")).find("AAAA"), std::string::npos);
    app.reset();
    Start();
    EXPECT_EQ(FileMenu(), listed);
}

// A listed file, or one local event file dropped on the bar (once the drop is over), goes through the
// Open steps; one that is gone is refused as Open refuses it and leaves the list; anything else
// dropped is not taken. While the player plays, the list and drops are held as Open is.
TEST_F(MainWindowTest, ListedAndDroppedFilesOpenAsOpenWould) {
    Start();
    const std::string a = Recording("AAAA0102.EVA"), b = Recording("BBBB0102.EVA");
    const std::string lower = Recording("dddd0102.eva");
    const QUrl urlA = QUrl::fromLocalFile(Qs(a)), urlLower = QUrl::fromLocalFile(Qs(lower));
    for (const QList<QUrl>& urls : {QList<QUrl>{QUrl::fromLocalFile(Qs(tmp.write("rec/AAAA0001.WAV", "RIFF")))},
                                    {urlA, urlLower}, {QUrl(QStringLiteral("https://example.org/AAAA0102.EVA"))},
                                    {}})
        EXPECT_FALSE(Drop(urls)) << urls.size();
    QTest::qWait(20);
    EXPECT_EQ(M().recording.EventFileName(), "");
    SegmentAnswer dropped = SegmentAnswer::Ok();
    ASSERT_TRUE(Drop({urlLower}));
    EXPECT_EQ(M().recording.EventFileName(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dropped.Seen(); }, 5000));
    ExpectOpen(lower, 1);
    EXPECT_NE(app->Summary(), nullptr);
    OpenSegment(b, 1);
    {
        SegmentAnswer answer = SegmentAnswer::Ok();
        Item("F_Recent_2")->trigger();
        ASSERT_TRUE(answer.Seen());
    }
    ExpectOpen(lower, 1);
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + lower + " &2 " + b);

    std::filesystem::remove(b);
    std::filesystem::remove(a);
    for (const std::string& gone : {b, a}) {
        prompter.ExpectMessage("Warning message from: Open... Audio File", "Can not find " + gone,
                               MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        if (gone == b)
            Item("F_Recent_2")->trigger();
        else
            ASSERT_TRUE(Drop({urlA}));
        QTest::qWait(20);
        ExpectOpen(lower, 1);
        EXPECT_EQ(FileMenu(), Existing() + " - &1 " + lower);
    }
    M().play.SetLocked(true);
    EXPECT_EQ(FileMenu(), "!&Open... !&Close &Delete... - &Export... - E&xit - !&1 " + lower);
    EXPECT_FALSE(Drop({urlLower}));
    M().play.SetLocked(false);
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + lower);
}

TEST(RecentFiles, TheLatestComesFirstOnceAndTheListKeepsEight) {
    const Names ab = {"/a", "/b"}, full = {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
    const std::tuple<Names, std::string, Names> rows[] = {
        {{}, "/a", {"/a"}},
        {ab, "/c", {"/c", "/a", "/b"}},
        {{"/a", "/b", "/c"}, "/c", {"/c", "/a", "/b"}}, // a repeat moves up
        {ab, "/a", ab},
        {{"/a"}, "/A", {"/A", "/a"}}, // names that differ by case are two files
        {full, "/9", {"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}},
        {full, "/8", {"/8", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}}, // a repeat in a full list loses nothing
        {{"/a"}, "", {"/a"}},
    };
    for (const auto& [list, added, expected] : rows)
        EXPECT_EQ(AddRecentFile(list, added), expected) << added;
    EXPECT_EQ(RemoveRecentFile({"/a", "/b", "/c"}, "/b"), (Names{"/a", "/c"}));
    // A hand-edited store: blanks and repeats go, the first eight stay.
    EXPECT_EQ(CleanRecentFiles({"/a", "", "/b", "/a", "/3", "/4", "/5", "/6", "/7", "/8", "/9"}),
              (Names{"/a", "/b", "/3", "/4", "/5", "/6", "/7", "/8"}));
    EXPECT_EQ(RecentFileCaption(0, "/st/A&B.EVA"), "&1 /st/A&&B.EVA");
    EXPECT_EQ(RecentFileCaption(7, "/x.eva"), "&8 /x.eva");
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

using test::TempDir;
using namespace std::string_literals;

// A clip line as the clip table holds it: without "WAV,", padded with blanks to 80 characters.
std::string TableLine(std::string text) {
    text.resize(80, ' ');
    return text;
}

const std::string kLine1 = TableLine("AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0");
const std::string kLine2 = TableLine("AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7");
const std::string kLine3 = TableLine("AB0003.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0");

constexpr const char* kExportTitle = "Export... Audio File Name";
constexpr const char* kExportWarning = "Warning message from: Export... Audio File Name";


TEST(ExportNames, FormedFromTheChosenPath) {
    struct Case {
        const char* chosen;
        const char* seen; // target file|base|folder|first clip; "" when refused
    };
    const Case cases[] = {
        {"/out/NEW.TXT", "/out/NEW.EVA|NEW|/out/|NEW0001.WAV"},
        {"/out/LONGNAME.EVA", "/out/LONGNAME.EVA|LONG|/out/|LONG0001.WAV"},
        {"/out/new.eva", "/out/new.EVA|new|/out/|new0001.WAV"},
        {"/out/a.b.c", "/out/a.EVA|a|/out/|a0001.WAV"},
        {"/rec.2005/out.v2/NEW.EVA", "/rec.2005/out.v2/NEW.EVA|NEW|/rec.2005/out.v2/|NEW0001.WAV"},
        {"/rec.2005/NOEXTENSION", "/rec.2005/NOEXTENSION.EVA|NOEX|/rec.2005/|NOEX0001.WAV"},
        {"NEW.EVA", "NEW.EVA|NEW||NEW0001.WAV"},
        {"/out/", ""},
        {"/out/.EVA", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        const ExportNames n = ExportNamesOf(c.chosen);
        EXPECT_EQ(n.ok ? n.targetFile + "|" + n.base + "|" + n.targetFolder + "|" + ExportClipName(n.base, 1)
                       : "",
                  c.seen);
    }
    EXPECT_EQ(ExportClipName("LONG", 12), "LONG0012.WAV");
    EXPECT_EQ(ExportClipName("NEW", 10000), "NEW10000.WAV");
}

// One NETORA segment of three clips, on three frequencies, in a recording folder with its clips.
constexpr const char* kRecording = "Ver, Created by the recorder\r\n"
                                   "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
                                   "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
                                   "WAV,AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                   "WAV,AB0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0\r\n";

class ExportTest : public test::AppTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(tmp.file("rec"));
        std::filesystem::create_directories(tmp.file("out"));
        event = tmp.write("rec/AB.EVA", kRecording);
        for (const char* clip : {"AB0001.WAV", "AB0002.WAV", "AB0003.WAV"})
            tmp.write(std::string("rec/") + clip, std::string("data of ") + clip);
        in = {SerialFromParts({2005, 1, 2, 9, 59, 58}), SerialFromParts({2005, 1, 2, 13, 5, 9}),
              {kLine3, TableLine("ab0001.wav,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0"), kLine2 + "XY"},
              event, tmp.file("rec/")};
    }
    QAction* Item() const { return test::Control<QAction>(app->MainWindow(), "Export"); }
    void Export(const std::optional<std::string>& chosen) {
        prompter.ExpectOpenFile(kExportTitle, chosen);
        Item()->trigger();
    }
    std::string event;
    ExportInput in;
};

// In play-list order, a line longer than 80 characters kept whole, a clip named in another case than
// on disk found, an old clip replaced; a missing source or nothing to export writes nothing.
TEST_F(ExportTest, CopiesTheClipsUnderTheirNewNamesOrWritesNothing) {
    tmp.write("out/NEW0002.WAV", "an older clip");
    const FileResult r = WriteExport(ExportNamesOf(tmp.file("out/NEW.TXT")), in);
    ASSERT_TRUE(r) << r.error;
    const std::string pad(17, ' ');
    const std::string text =
        "Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 9:59:58 AM,AB0003.WAV\r\n"s +
        "WAV,NEW0001.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0" + pad + "\r\n" +
        "WAV,NEW0002.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0" + pad + "\r\n" +
        "WAV,NEW0003.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7" + pad + "XY\r\n" +
        "STOPBYTRIGGER,1/2/05 1:05:09 PM,AB0002.WAV\r\n";
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW.EVA")), text);
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW0001.WAV")) + "|" + TempDir::read(tmp.file("out/NEW0002.WAV")) +
                  "|" + TempDir::read(tmp.file("out/NEW0003.WAV")),
              "data of AB0003.WAV|data of AB0001.WAV|data of AB0002.WAV");
    EXPECT_EQ(FilesIn(tmp.file("out")),
              (std::set<std::string>{"NEW.EVA", "NEW0001.WAV", "NEW0002.WAV", "NEW0003.WAV"}));
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")), "data of AB0001.WAV");

    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/NEW.EVA")), in));
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW.EVA")), text); // the old export stands whole
    in.lines.clear();
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/OTHER.EVA")), in));
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/.EVA")), ExportInput{}));
    EXPECT_EQ(FilesIn(tmp.file("out")).size(), 4u);
}

TEST_F(ExportTest, GuardAgainstReplacingTheOpenFilesClips) {
    std::filesystem::create_directory_symlink(tmp.file("rec"), tmp.file("link"));
    tmp.write("rec/ZZ0001.WAV", "a clip of another prefix");
    struct Case {
        std::string chosen;
        std::vector<std::string> lines;
        bool refused;
    };
    const std::vector<Case> cases = {
        {tmp.file("rec/AB.EVA"), {kLine1}, true},          // the open file itself
        {tmp.file("rec/ABCDEF.EVA"), {kLine1}, false},     // base ABCD: other names
        {tmp.file("rec/ab.new"), {kLine2}, true},          // ab0001.WAV, without regard to case
        {tmp.file("rec/../rec/AB.X"), {kLine1}, true},     // the same folder by another road
        {tmp.file("link/AB.X"), {kLine1}, true},           // ... or through a link
        {tmp.file("out/AB.EVA"), {kLine1, kLine2}, false}, // another folder
        {tmp.file("rec/ZZ.EVA"), {kLine1}, false},         // ZZ0001.WAV is no clip of AB.EVA ...
        {tmp.file("rec/ZZ.EVA"), {TableLine("ZZ0001.WAV,1,1,,,,0")}, true}, // ... unless a line names it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        in.lines = c.lines;
        const ExportNames names = ExportNamesOf(c.chosen);
        EXPECT_EQ(ExportWouldOverwriteSource(names, in), c.refused);
        if (c.refused) {
            EXPECT_FALSE(WriteExport(names, in));
        }
    }
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")) + TempDir::read(event),
              std::string("data of AB0001.WAV") + kRecording);
}

// The segment's start and stop in the file; the open file's clips refused even after the operator
// agreed to overwrite; an empty choice beeps and keeps the last list; a failure writes nothing.
TEST_F(ExportTest, TheCommandFromTheMenu) {
    Start();
    M().recording.SetEventFile(event, FolderOf(event));
    M().recording.SetSegments(ScanSegments(kRecording));
    M().recording.SetSelectedSegment(1);
    ASSERT_TRUE(app->ShowSummary());
    Item()->setEnabled(true);
    test::Control<QRadioButton>(app->Summary(), "Play_Opt", 1)->click();
    Export(tmp.file("out/AGAIN.TXT"));
    ASSERT_TRUE(prompter.AllMet()) << prompter.Report();
    const FileDialogRequest& r = prompter.dialogs.at(0).request;
    EXPECT_EQ(r.name + "|" + r.filter + (r.mustExist ? "|must exist" : ""), "CMDialog2|*.EVA|*.EVA");
    const std::string pad(17, ' ');
    EXPECT_EQ(TempDir::read(tmp.file("out/AGAIN.EVA")),
              "Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 10:00:00 AM,AB0001.WAV\r\n"s +
                  "WAV,AGAI0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0" + pad + "\r\n" +
                  "WAV,AGAI0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0" + pad + "\r\n" +
                  "WAV,AGAI0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0" + pad + "\r\n" +
                  "STOPBYTRIGGER,1/2/05 10:02:30 AM,AB0003.WAV\r\n");
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(TempDir::read(tmp.file("out/" + ClipFileName("AGAI", k))), "data of " + ClipFileName("AB", k));

    Export(std::nullopt);
    const std::string target = tmp.write("out/OLD.EVA", "an earlier export\r\n");
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
        prompter.ExpectOpenFile(kExportTitle, target);
        prompter.ExpectMessage(kExportTitle, "File " + target + " already exists, ok to overwrite?",
                               MsgIcon::Question, MsgButtons::OkCancel, answer);
        Item()->trigger();
        EXPECT_EQ(std::filesystem::exists(tmp.file("out/OLD0003.WAV")), answer == MsgAnswer::Ok);
    }
    prompter.ExpectOpenFile(kExportTitle, event);
    prompter.ExpectMessage(kExportTitle, "File " + event + " already exists, ok to overwrite?",
                           MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    prompter.ExpectMessage(kExportWarning,
                           "The new clips AB0001.WAV... in " + tmp.file("rec/") +
                               " would replace clips of the open file " + event +
                               ".  Nothing was written; choose another name or folder.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item()->trigger();
    EXPECT_EQ(TempDir::read(event), kRecording);
    EXPECT_EQ(prompter.beeps, 0);

    const std::string fresh = tmp.file("out/NEW.EVA");
    M().play.SetPlayList({2, 3});
    SummaryWindow* o = app->Summary();
    const double t1 = o->T1(), t2 = o->T2();
    o->SetLimits(t2 + 1, t2);
    Export(fresh);
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(M().play.PlayList(), (std::vector<int>{0, 2, 3}));
    o->SetLimits(t1, t2);

    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    prompter.ExpectOpenFile(kExportTitle, fresh);
    prompter.ExpectMessage(kExportWarning,
                           "The export to " + fresh + " failed: Cannot find clip file " + tmp.file("rec/") +
                               "AB0002.WAV.  No event file was written.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item()->trigger();
    EXPECT_EQ(prompter.beeps, 1);
    app->UnloadSummary();
    EXPECT_FALSE(Item()->isEnabled());
    prompter.ExpectOpenFile(kExportTitle, fresh);
    app->MainWindow()->Export_Click();
    EXPECT_EQ(FilesIn(tmp.file("out")).count("NEW.EVA") + FilesIn(tmp.file("out")).count("NEW0001.WAV"), 0u);
}

// A NETORA recording (no AUD file): three clips 10 kHz apart in one segment.
constexpr const char* kNetora = "Ver, Created by the recorder\r\n"
                                "STARTBYTRIGGER,01/02/05 10:00:00,NT0001.WAV\r\n"
                                "WAV,NT0001.WAV,1,145.0000,01/02/05 10:00:10,01/02/05 10:00:20,-80,0\r\n"
                                "WAV,NT0002.WAV,1,145.0100,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                "WAV,NT0003.WAV,1,145.0200,01/02/05 10:02:00,01/02/05 10:02:30,-60,0\r\n"
                                "STOPBYTRIGGER,01/02/05 10:30:00,NT0003.WAV\r\n";

constexpr const char* kReprocess =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

class HostTest : public MainWindowTest {
protected:
    void SetUp() override {
        tmp.write("~FREQ.SIG", "00020.00000,[   00.010    20    FM    ]{2}(9)/ \\\r\n"
                               "00145.50000,[   00.030    20    AM    ]{0}(3)/x\\Net 4\r\n");
        Start();
    }
    SignalListWindow* List() const { return app->SignalListIfLoaded(); }
    bool ListVisible() const { return List() && List()->isVisible(); }
    // Whether the picture is up, loaded, and Export offered, as one word each.
    std::string Shown() const {
        return std::string(app->Summary() && app->Summary()->isVisible() ? "shown" : "-") +
               (M().recording.SummaryLoaded() ? " loaded" : " -") +
               (Item("Export")->isEnabled() ? " export" : " -");
    }
    // Opens `path` through File, Open... and its first segment, answering the split question if given.
    void Open(const std::string& path, std::optional<MsgAnswer> answerSplit = std::nullopt) {
        prompter.ExpectOpenFile("Open... Audio File", path);
        if (answerSplit)
            prompter.ExpectMessage(
                "Too many frequencies",
                "The selected segment includes too many signal frequencies to be presented as a "
                "single segment.  Can it be broken into smaller segments, the first of which will "
                "be presented?",
                MsgIcon::Question, MsgButtons::OkCancel, *answerSplit);
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        Item("F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
        QTest::qWait(20);
    }
    void SetBarState(Qt::WindowStates state) {
        app->MainWindow()->setWindowState(state);
        QTest::qWait(20);
    }
};

// Open shows the picture, minimising the bar hides it and the list, File Close and the close box
// take it down; a new default bandwidth the operator agrees to reprocess rebuilds it.
TEST_F(HostTest, OpenMinimiseBandwidthAndClose) {
    Item("F_List")->trigger();
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "File, Close");
        Open(tmp.write("NETA0102.EVA", kNetora));
        EXPECT_EQ(Shown(), "shown loaded export");
        EXPECT_EQ(M().recording.Table().RowCount, 2); // 145.00 and 145.01 share a 25 kHz window
        SetBarState(Qt::WindowMinimized);
        EXPECT_EQ(Shown(), "- loaded export");
        EXPECT_FALSE(ListVisible());
        SetBarState(Qt::WindowNoState);
        EXPECT_EQ(Shown(), "shown loaded export");
        EXPECT_TRUE(ListVisible());
        if (closeBox) {
            Item("IFBW_Default")->trigger();
            BandwidthDialog* d = app->DefaultBandwidth();
            ASSERT_NE(d, nullptr);
            Control<QLineEdit>(d, "Value")->setText(QStringLiteral("1")); // every frequency a row of its own
            prompter.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo,
                                   MsgAnswer::Yes);
            QTest::mouseClick(Control<QPushButton>(d, "Cmd_Done"), Qt::LeftButton);
            QTest::qWait(20);
            EXPECT_EQ(Shown(), "shown loaded export");
            EXPECT_EQ(M().recording.Table().RowCount, 3);
            app->Summary()->close();
        } else {
            Item("F_Close")->trigger();
        }
        QTest::qWait(20);
        EXPECT_EQ(app->Summary(), nullptr);
        EXPECT_EQ(Shown(), "- - -");
    }
}

// 2002 frequencies a megahertz apart: declined, no picture and the file whole; agreed, the file split
// after the clips shown.
TEST_F(HostTest, TheSplitAnswerDecidesTheFileAndThePicture) {
    std::string text = "Ver, Created by the recorder\r\nSTARTBYTRIGGER,01/02/05 10:00:00,CR0001.WAV\r\n";
    char line[120];
    for (int i = 1; i <= 2002; ++i) {
        std::snprintf(line, sizeof line,
                      "WAV,CR%04d.WAV,1,%d.0000,01/02/05 10:%02d:%02d,01/02/05 10:%02d:%02d,-80,0\r\n", i,
                      100 + i, (i / 60) % 60, i % 60, (i / 60) % 60, i % 60);
        text += line;
    }
    Open(tmp.write("CROW0102.EVA", text), MsgAnswer::Cancel);
    EXPECT_EQ(Shown(), "- - -");
    EXPECT_EQ(app->Summary(), nullptr);
    EXPECT_EQ(test::TempDir::read(tmp.file("CROW0102.EVA")), text);

    Open(tmp.file("CROW0102.EVA"), MsgAnswer::Ok);
    EXPECT_EQ(Shown(), "shown loaded export");
    const int kept = M().recording.Table().ClipCount;
    EXPECT_EQ(kept, 2000);
    EXPECT_EQ(M().recording.Segments().clipCount[1], kept);
    EXPECT_EQ(test::TempDir::read(tmp.file("CROW0102.SAV")), text);
    const SegmentTable now = ScanSegments(test::TempDir::read(tmp.file("CROW0102.EVA")));
    EXPECT_EQ(now.segCount, 2);
    EXPECT_EQ(now.clipCount[2], 2002 - kept);
}

// The list loaded hidden, shown, hidden by Close, unloaded by its close box; New asks the reprocess
// question only while a picture is loaded.
TEST_F(HostTest, SignalListShownHiddenUnloadedAndNew) {
    ASSERT_NE(List(), nullptr);
    EXPECT_FALSE(ListVisible());
    EXPECT_EQ(List()->List().Count(), 2);
    EXPECT_EQ(List()->windowTitle(), QStringLiteral("SIGNAL LIST - [~freq.sig]"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    Item("F_List")->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(ListVisible());
    Item("F_Close")->trigger();
    EXPECT_FALSE(ListVisible());
    EXPECT_NE(List(), nullptr); // hidden, not unloaded: the other windows still read its list

    app->ShowSignalList();
    List()->close();
    Flush();
    EXPECT_EQ(List(), nullptr);
    tmp.write("~FREQ.SIG", "00030.00000,one entry\r\n");
    Item("F_List")->trigger();
    EXPECT_TRUE(ListVisible());
    EXPECT_EQ(List()->List().Count(), 1);

    prompter.ExpectSaveFile("Saving... Signal List File", tmp.file("station.txt"));
    List()->SaveAs();
    EXPECT_EQ(app->SigListFileName(), tmp.file("station.SIG"));
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.~IG")), tmp.file("station.SIG") + "\r\n");

    prompter.ExpectMessage("New Signal List... CONFIRMATION:",
                           "Signal List's temp_file, " + tmp.file("~FREQ.SIG") +
                               "\r\nwill be erased to make room for new data.\r\nDo you want to continue?",
                           MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    List()->New();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(tmp.read(tmp.file("~FREQ.SIG")) + tmp.read(tmp.file("~FREQ.~IG")), tmp.file("~FREQ.SIG") + "\r\n");
    M().recording.SetSummaryLoaded(true);
    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        prompter.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo, answer);
        List()->New();
        EXPECT_EQ(M().recording.SummaryLoaded(), answer == MsgAnswer::No);
    }
    EXPECT_FALSE(M().play.PlayerLoaded());
}

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

// Leaving the field undoes a word and keeps a number, the one a refused entry falls back to; with a
// picture the reprocess question, No keeping it.
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
    prompter.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    d = Open();
    Type(d, "15");
    QTest::keyClick(Value(d), Qt::Key_Return);
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n15\r\n");
    EXPECT_TRUE(M().recording.SummaryLoaded());
    ExpectClosed();

    // Enter refuses what is no positive number, Ok only what is no number; the text is stored as typed.
    // Escape and X change nothing.
    M().recording.SetSummaryLoaded(false);
    const std::tuple<const char*, const char*, const char*, double> cases[] = {
        {"99", "Escape", "25", 0.025}, {"99", "X", "25", 0.025},      {"12.5", "Ok", "12.5", 0.0125},
        {" 30 ", "Enter", " 30 ", 0.030}, {"abc", "Enter", "25", 0.025}, {"0", "Enter", "25", 0.025},
        {"", "Enter", "25", 0.025},     {"0", "Ok", "0", 0.0},         {"abc", "Ok", "25", 0.025}};
    for (const auto& [typed, key, stored, ifbw] : cases) {
        SCOPED_TRACE(std::string(key) + " " + typed);
        M().settings.SetDefaultIfbw(0.025, "25");
        d = Open();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Value(d)->text(), QStringLiteral("25"));
        Type(d, typed);
        const std::string k = key;
        if (k == "Enter" || k == "Escape")
            QTest::keyClick(Value(d), k == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
        else
            QTest::mouseClick(Button(d, k == "Ok" ? "Cmd_Done" : "Cmd_Cancel"), Qt::LeftButton);
        EXPECT_EQ(Config(), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n" + std::string(stored) + "\r\n");
        EXPECT_DOUBLE_EQ(M().settings.DefaultIfbw(), ifbw);
        ExpectClosed();
    }
}

} // namespace
} // namespace zarn
