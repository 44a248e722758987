// The signal list window as the operator meets it: which list it opens, its file commands and their
// questions, the files they leave behind, its menus, help line and keys.
#include "signal_list_window.h"

#include "fake_prompter.h"
#include "find_control.h"
#include "latin1.h"
#include "temp_dir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::Control;
using test::FakePrompter;
using test::TempDir;

// A signal record at `freq` with bandwidth 0.010 MHz, and the entry line it loads as.
std::string Record(const char* freq, const char* comment = "") {
    return std::string(freq) + ",[   00.010    20    FM    ]{2}(9)/ \\" + comment + "\r\n";
}
std::string Line(const char* freq, const char* comment = "") {
    return std::string(" ") + freq + "   00.010   20   FM    ?s     9        " + comment;
}
const std::string kTwoRecords = Record("00020.00000") + Record("00030.00000");
const char* const kReprocess = "The change made requires the file to be reprocessed to become affective.  Ok to "
                               "reprocess now?";

class SignalListWindowTest : public ::testing::Test {
protected:
    SignalListWindow& Loaded(bool standalone = false) {
        SignalListSetup setup;
        setup.standalone = standalone;
        setup.folder = dir.path();
        setup.summaryLoaded = [this] { return summaryLoaded; };
        setup.reprocess = [this] { ++reprocessed; };
        setup.listFileChanged = [this](const std::string& path) { shared = path; };
        window = std::make_unique<SignalListWindow>(prompts, std::move(setup));
        window->Load();
        return *window;
    }
    // The current file as the window, the pointer file and the caption tell it.
    std::string Current() const {
        return window->SigListFileName() + "|" + shared + "|" + TempDir::read(dir.file("~FREQ.~IG")) + "|" +
               window->windowTitle().toStdString();
    }
    std::string CurrentIs(const std::string& name, const char* lower) const {
        return dir.file(name) + "|" + dir.file(name) + "|" + dir.file(name) + "\r\n|SIGNAL LIST - [" + lower + "]";
    }
    std::vector<std::string> Lines() const { return window->List().Lines(); }

    TempDir dir;
    FakePrompter prompts;
    bool summaryLoaded = false;
    int reprocessed = 0;
    std::string shared;
    std::unique_ptr<SignalListWindow> window;
};

// New, Open, Import and Save As in Zarn_zed32 with the picture loaded, one after the other.
TEST_F(SignalListWindowTest, FileCommandsJourney) {
    const std::string other = dir.write("Other.SIG", Record("00145.50000"));
    dir.write("~FREQ.~IG", other + "\r\n");
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded();
    EXPECT_EQ(Current(), CurrentIs("Other.SIG", "other.sig")); // the list the pointer names
    const std::string question = "Signal List's temp_file, " + dir.file("~FREQ.SIG") +
                                 "\r\nwill be erased to make room for new data.\r\nDo you want to continue?";
    prompts.ExpectMessage("New Signal List... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::No);
    window->New();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), kTwoRecords);
    prompts.ExpectMessage("New Signal List... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::Yes);
    window->New();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    EXPECT_EQ(TempDir::read(other), Record("00145.50000")); // the list it left is untouched
    window->New();                                          // empty: nothing asked

    // Open: cancelled and unreadable change nothing; a chosen list loads with its later duplicate.
    prompts.ExpectOpenFile("Loading... Signal List File", std::nullopt);
    prompts.ExpectOpenFile("Loading... Signal List File", dir.path()); // a folder cannot be read
    window->Open();
    window->Open();
    EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
    dir.write("Net.SIG", Record("00030.00000", "old") + Record("00010.00000") + Record("00030.00000", "new"));
    prompts.ExpectOpenFile("Loading... Signal List File", dir.file("Net.SIG"));
    summaryLoaded = true;
    prompts.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::Yes);
    window->Open();
    EXPECT_EQ(reprocessed, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{Line("00010.00000"), Line("00030.00000", "new")}));
    EXPECT_EQ(Current(), CurrentIs("Net.SIG", "net.sig"));
    EXPECT_EQ(prompts.dialogs.back().request.filter, "File (*.SIG)|*.SIG");
    EXPECT_TRUE(prompts.dialogs.back().request.mustExist);

    // Import asks about each conflict, keeps the current file, and highlights what it took.
    const std::string from = dir.write("In.SIG", Record("00010.00000", "A") + "not a record\r\n" +
                                                     Record("00015.00000", "new") + Record("00030.00000", "C") +
                                                     Record("00040.00000", "late"));
    const auto ask = [&](const char* freq, MsgAnswer answer) {
        prompts.ExpectMessage("IMPORT Signal... CONFIRMATION:",
                              std::string("Freq = ") + freq +
                                  " MHz is already available in the Signal List.  Do you want to replace it "
                                  "with new data?",
                              MsgIcon::Question, MsgButtons::YesNoCancel, answer);
    };
    prompts.ExpectOpenFile("Importing... Frequency List File", from);
    ask("00010.00000", MsgAnswer::Yes);
    ask("00030.00000", MsgAnswer::No);
    prompts.ExpectMessage("Default sig BW change", kReprocess, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    window->Import();
    EXPECT_EQ(reprocessed, 1);
    EXPECT_EQ(TempDir::read(dir.file("Net.SIG")),
              Record("00010.00000", "A") + Record("00015.00000", "new") + Record("00030.00000", "new") +
                  Record("00040.00000", "late"));
    EXPECT_EQ(Current(), CurrentIs("Net.SIG", "net.sig"));
    EXPECT_EQ(window->CurrentIndex(), 3); // the last one taken
    EXPECT_EQ(window->HighlightedRows(), (std::vector<int>{0, 1, 3})); // not the one answered No

    summaryLoaded = false;
    // Save As forces the .SIG extension (the rule's cases are in the model test) and makes the file current.
    prompts.ExpectSaveFile("Saving... Signal List File", dir.file("a.b.c"));
    window->SaveAs();
    EXPECT_EQ(TempDir::read(dir.file("a.b.SIG")), TempDir::read(dir.file("Net.SIG")));
    EXPECT_EQ(Current(), CurrentIs("a.b.SIG", "a.b.sig"));
    EXPECT_TRUE(prompts.dialogs.back().request.confirmOverwrite);
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

// The reprocess question comes only in Zarn_zed32 and only with the picture loaded. A folder without
// list files gets an empty default list.
TEST_F(SignalListWindowTest, OpenAsksToReprocessOnlyInZarnWithThePictureLoaded) {
    for (const bool standalone : {false, true}) {
        summaryLoaded = standalone;
        std::filesystem::remove(dir.file("~FREQ.~IG"));
        Loaded(standalone);
        EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
        EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
        prompts.ExpectOpenFile(standalone ? "Select... Signal List file to Open" : "Loading... Signal List File",
                               dir.write("Net.SIG", kTwoRecords));
        window->Open();
        EXPECT_EQ(Lines().size(), 2u);
        EXPECT_EQ(reprocessed, 0);
    }
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

// What the operator reads in both programs: menus, their enabled states, colours, header and help line.
TEST_F(SignalListWindowTest, TextsOfBothPrograms) {
    const char* const names[] = {"F_New",    "F_Open",   "F_Import",    "F_SaveAs",    "F_Close",
                                 "T_Add",    "T_Edit",   "T_Delete",    "T_DeleteAll", "T_CrossHair",
                                 "T_Copy",   "T_Copy_Freq", "T_Paste"};
    const std::string menus[] = {
        "&New|&Open...|&Import...|Signal List &Filename...|&Close|&Add Data|&Edit Data              Enter|"
        "&Delete Data          Del|De&lete All Data|&Transfer Data (off)|&Copy                    Ctl+C|"
        "Copy &Freq|&Paste                   Ctl+V|",
        "&New|&Open...|&Import...|Signal List &Filename...|E&xit|&Add Data|&Edit Data             Enter|"
        "&Delete Data         Del|De&lete All Data|&Transfer Data (off)|&Copy                   Ctl+C|"
        "Copy &Freq|&Paste                  Ctl+V|",
    };
    dir.write("~FREQ.SIG", kTwoRecords);
    for (bool standalone : {false, true}) {
        Loaded(standalone);
        std::string menu;
        for (const char* name : names) {
            const auto* a = Control<QAction>(window.get(), name);
            ASSERT_NE(a, nullptr);
            menu += a->text().toStdString() + (a->isEnabled() ? "|" : " (off)|");
        }
        EXPECT_EQ(menu, menus[standalone]);
        EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("Help_About")) != nullptr, standalone);
        const QPalette pal = Control<QListView>(window.get(), "L_Freq")->palette();
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Text), standalone ? QColor(0, 255, 255) : QColor(0, 255, 0));
        EXPECT_EQ(pal.color(QPalette::Disabled, QPalette::Base), QColor(128, 128, 128));
    }
    EXPECT_EQ(Control<QLabel>(window.get(), "PL")->text().toStdString(),
              "  Freq                IFBw   Cor  Det  Typ Pri  Lk Comments");
    Control<QAction>(window.get(), "Help_About")->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "About SigRoll32");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);

    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* help = Control<QLabel>(window.get(), "P_Help");
    const auto hover = [&](const char* name) {
        QWidget* w = Control<QWidget>(window.get(), name);
        if (auto* view = qobject_cast<QListView*>(w)) w = view->viewport();
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        return help->text().toStdString();
    };
    std::string file = dir.path() + "/~freq.sig";
    for (char& ch : file)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    file = "Filename = " + file;
    EXPECT_EQ(hover("L_Add"), "ADD new data into Signal List");
    EXPECT_EQ(hover("L_Edit"), "EDIT selected data in the Signal List");
    EXPECT_EQ(hover("L_Delete"), "DELETE highlighted data from Signal List");
    EXPECT_EQ(hover("L_CrossHair"), "TRANSFER data into the RECEIVER CONTROL PANEL");
    EXPECT_EQ(hover("P_Help"), file);
    EXPECT_EQ(hover("P"), file);
    Control<QPushButton>(window.get(), "L_Add")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(help->text().toStdString(), "ADD new data into Signal List");
    Control<QListView>(window.get(), "L_Freq")->setFocus(Qt::TabFocusReason); // no row made current by itself
    EXPECT_EQ(help->text().toStdString(), "Signal# 0000");
    EXPECT_EQ(window->CurrentIndex(), -1);
    window->SetCurrent(1);
    EXPECT_EQ(hover("L_Freq"), "Signal# 0002");
}

// The list's keys run the tools (their first prompt shows which); A opens the add panel, which takes
// the bottom of the window and shortens the list, also after a resize below the minimum size.
TEST_F(SignalListWindowTest, ListKeysRunTheirCommands) {
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* title; // nullptr: Copy, seen on the clipboard
    } keys[] = {
        {Qt::Key_Return, Qt::NoModifier, "EDIT Signal List... WARNING:"},
        {Qt::Key_E, Qt::NoModifier, "EDIT Signal List... WARNING:"},
        {Qt::Key_Delete, Qt::NoModifier, "DELETE Signal List... WARNING:"},
        {Qt::Key_D, Qt::NoModifier, "DELETE Signal List... WARNING:"},
        {Qt::Key_V, Qt::ControlModifier, "PASTE Signal List... WARNING:"},
        {Qt::Key_Insert, Qt::ShiftModifier, "PASTE Signal List... WARNING:"},
        {Qt::Key_C, Qt::ControlModifier, nullptr},
        {Qt::Key_Insert, Qt::ControlModifier, nullptr},
    };
    auto* list = Control<QListView>(window.get(), "L_Freq");
    for (const auto& k : keys) {
        SCOPED_TRACE(QKeySequence(k.key | k.mods).toString().toStdString());
        QApplication::clipboard()->setText(QStringLiteral("not a signal list"));
        prompts.messages.clear();
        QTest::keyClick(list, k.key, k.mods);
        EXPECT_EQ(prompts.messages.empty() ? "" : prompts.messages[0].title, k.title ? k.title : "");
        if (!k.title) {
            EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("[SIGNAL LIST DATA FORMAT]\r\n"));
        }
    }
    QTest::keyClick(list, Qt::Key_A);
    ASSERT_TRUE(window->PanelOpen());
    window->resize(50, 50);
    QTest::qWait(20);
    const auto height = [&](const char* name) { return Control<QWidget>(window.get(), name)->height(); };
    EXPECT_EQ(window->centralWidget()->size(), QSize(Px(4640 - 120), Px(3300 - 690)));
    EXPECT_EQ(Control<QLabel>(window.get(), "PE")->geometry().bottom() + 1, height("P"));
    EXPECT_EQ(height("PL"), height("P") - height("PE") - Px(90));
    window->ClosePanel();
    EXPECT_EQ(height("PL"), height("P") - Px(420));
    EXPECT_EQ(Control<QPushButton>(window.get(), "L_Add")->y(), height("PL") + Px(45));
}

TEST_F(SignalListWindowTest, ModelTellsTheViewOfEveryChange) {
    SignalListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.Load(dir.write("Net.SIG", kTwoRecords)).merged, 2);
    EXPECT_EQ(model.InsertSorted(Line("00025.00000")), 1);
    EXPECT_EQ(model.InsertSorted(Line("00025.00000", "again")), 1); // same key replaces
    EXPECT_EQ(model.data(model.index(1)).toString().toStdString(), Line("00025.00000", "again"));
    EXPECT_FALSE(model.InsertAt(9, Line("00099.00000")));
    model.RemoveAt(0);
    model.RemoveAt(7);
    EXPECT_EQ(model.rowCount(), 2);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

// Close hides the window in Zarn_zed32 (which unloads it only by the close box); SigRoll32 closes it.
TEST_F(SignalListWindowTest, CloseHidesInZarnAndEndsSigRoll32) {
    for (bool standalone : {false, true}) {
        QPointer<SignalListWindow> w = &Loaded(standalone);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        window.release()->CloseWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w.isNull(), standalone);
        EXPECT_FALSE(w && w->isVisible());
        delete w.data();
    }
}

} // namespace
} // namespace zarn
