// The File menu's recent files and event files dropped on the main bar.
#include "main_bar.h"
#include "recent_files.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "find_control.h"
#include "latin1.h"
#include "segment_answer.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::Control;
using test::SegmentAnswer;
using List = std::vector<std::string>;

TEST(RecentFiles, TheLatestComesFirstOnceAndTheListKeepsEight) {
    const struct {
        const char* what;
        List list;
        std::string added;
        List expected;
    } rows[] = {
        {"first", {}, "/a.EVA", {"/a.EVA"}},
        {"on top", {"/a.EVA", "/b.EVA"}, "/c.EVA", {"/c.EVA", "/a.EVA", "/b.EVA"}},
        {"a repeat moves up", {"/a.EVA", "/b.EVA", "/c.EVA"}, "/c.EVA", {"/c.EVA", "/a.EVA", "/b.EVA"}},
        {"already on top", {"/a.EVA", "/b.EVA"}, "/a.EVA", {"/a.EVA", "/b.EVA"}},
        {"names differ by case", {"/a.EVA"}, "/A.EVA", {"/A.EVA", "/a.EVA"}},
        {"the ninth pushes out the oldest",
         {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"},
         "/9",
         {"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}},
        {"a repeat in a full list loses nothing",
         {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"},
         "/8",
         {"/8", "/1", "/2", "/3", "/4", "/5", "/6", "/7"}},
        {"no empty path", {"/a.EVA"}, "", {"/a.EVA"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(AddRecentFile(r.list, r.added), r.expected);
    }
    EXPECT_EQ(RemoveRecentFile({"/a", "/b", "/c"}, "/b"), (List{"/a", "/c"}));
    // A hand-edited store: blanks and repeats go, the first eight stay.
    EXPECT_EQ(CleanRecentFiles({"/a", "", "/b", "/a", "/3", "/4", "/5", "/6", "/7", "/8", "/9"}),
              (List{"/a", "/b", "/3", "/4", "/5", "/6", "/7", "/8"}));
    EXPECT_EQ(RecentFileCaption(0, "/st/A&B.EVA"), "&1 /st/A&&B.EVA");
    EXPECT_EQ(RecentFileCaption(7, "/x.eva"), "&8 /x.eva");
}

constexpr const char* kOneSegment = "Ver, Created by the recorder\r\n"
                                    "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
                                    "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n";

class RecentFilesTest : public test::AppTest {
protected:
    void SetUp() override { Start(); }
    MainBar* Main() const { return app->MainWindow(); }

    std::string Recording(const std::string& name) {
        std::filesystem::create_directories(tmp.file("rec"));
        return tmp.write("rec/" + name, kOneSegment);
    }
    void Open(const std::string& path) {
        prompter.ExpectOpenFile("Open... Audio File", path);
        SegmentAnswer answer = SegmentAnswer::Ok();
        Control<QAction>(Main(), "F_Open")->trigger();
        ASSERT_TRUE(answer.Seen());
    }
    // The File menu as the operator reads it ("-" a separator, "!" a disabled item).
    std::string FileMenu() const {
        QString line;
        for (const QAction* a : Control<QMenu>(Main(), "File")->actions())
            line += QStringLiteral(" ") + (a->isEnabled() ? "" : "!") + (a->isSeparator() ? "-" : a->text());
        return line.trimmed().toStdString();
    }
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

// Opened files are listed below every item of the File menu, latest first, and are there again in
// the next session; they are kept in the user's configuration folder, not the station's.
TEST_F(RecentFilesTest, OpenedFilesAreListedBelowTheFileMenuAndKeptForTheNextSession) {
    EXPECT_EQ(FileMenu(), Existing(false));
    const std::string a = Recording("AAAA0102.EVA"), b = Recording("BBBB0102.EVA");
    Open(a);
    Open(b);
    Open(a);
    EXPECT_EQ(FileMenu(), "&Open... &Close &Delete... - &Export... - E&xit - &1 " + a + " &2 " + b);
    const std::string listed = Existing(false) + " - &1 " + a + " &2 " + b;
    EXPECT_EQ(Control<QAction>(Main(), "F_Recent_1")->text(), QStringLiteral("&1 ") + Qs(a));

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

// A listed file opens through the Open steps; one that is gone is refused as Open refuses it and
// leaves the list. While the player plays, the list is held as Open is.
TEST_F(RecentFilesTest, ChoosingAListedFileOpensItOrDropsItWhenItIsGone) {
    const std::string a = Recording("AAAA0102.EVA"), b = Recording("BBBB0102.EVA");
    Open(a);
    Open(b);
    {
        SegmentAnswer answer = SegmentAnswer::Ok();
        Control<QAction>(Main(), "F_Recent_2")->trigger();
        ASSERT_TRUE(answer.Seen());
    }
    EXPECT_EQ(M().recording.EventFileName(), a);
    EXPECT_EQ(Control<QLabel>(Main(), "P_FileName")->text(), Qs(a));
    EXPECT_NE(app->Summary(), nullptr);
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + a + " &2 " + b);

    std::filesystem::remove(b);
    prompter.ExpectMessage("Warning message from: Open... Audio File", "Can not find " + b,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Control<QAction>(Main(), "F_Recent_2")->trigger();
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + a);
    EXPECT_EQ(M().recording.EventFileName(), a); // nothing changed

    M().play.SetLocked(true);
    EXPECT_EQ(FileMenu(), "!&Open... !&Close &Delete... - &Export... - E&xit - !&1 " + a);
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(Qs(a))}));
    M().play.SetLocked(false);
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + a);
}

// One local event file dropped on the bar goes through the Open steps; anything else is not taken.
TEST_F(RecentFilesTest, ADroppedEventFileOpensAsOpenWouldOpenIt) {
    const std::string a = Recording("AAAA0102.EVA");
    const std::string lower = Recording("dddd0102.eva");
    const std::string clip = tmp.write("rec/AAAA0001.WAV", "RIFF");
    const struct {
        const char* what;
        QList<QUrl> urls;
    } refused[] = {
        {"not an event file", {QUrl::fromLocalFile(Qs(clip))}},
        {"two event files", {QUrl::fromLocalFile(Qs(a)), QUrl::fromLocalFile(Qs(lower))}},
        {"not a local file", {QUrl(QStringLiteral("https://example.org/AAAA0102.EVA"))}},
        {"no file", {}},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        EXPECT_FALSE(Drop(r.urls));
    }
    QTest::qWait(20);
    EXPECT_EQ(M().recording.EventFileName(), "");

    SegmentAnswer answer = SegmentAnswer::Ok();
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(Qs(lower))}));
    // The Open steps run once the drop is over.
    EXPECT_EQ(M().recording.EventFileName(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Seen(); }, 5000));
    EXPECT_EQ(M().recording.EventFileName(), lower);
    EXPECT_NE(app->Summary(), nullptr);
    EXPECT_TRUE(Control<QAction>(Main(), "Export")->isEnabled());
    EXPECT_EQ(FileMenu(), Existing() + " - &1 " + lower);

    // A dropped file that is gone by the time the Open steps run is refused as Open refuses it.
    std::filesystem::remove(a);
    prompter.ExpectMessage("Warning message from: Open... Audio File", "Can not find " + a,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    ASSERT_TRUE(Drop({QUrl::fromLocalFile(Qs(a))}));
    QTest::qWait(20);
    EXPECT_EQ(M().recording.EventFileName(), lower);
}

} // namespace
} // namespace zarn
