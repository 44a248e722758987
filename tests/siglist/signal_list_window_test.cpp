// The signal list window as the operator meets it: which list it opens, its file commands and their
// questions, the files they leave behind, its menus, layout, help line and keys.
#include "signal_list_window.h"

#include "fake_prompter.h"
#include "latin1.h"
#include "temp_dir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
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

using test::FakePrompter;
using test::TempDir;
namespace fs = std::filesystem;

// A signal record at `freq` with bandwidth 0.010 MHz, and the entry line it loads as.
std::string Record(const char* freq, const char* comment = "") {
    return std::string(freq) + ",[   00.010    20    FM    ]{2}(9)/ \\" + comment + "\r\n";
}
std::string Line(const char* freq, const char* comment = "") {
    return std::string(" ") + freq + "   00.010   20   FM    ?s     9        " + comment;
}

std::string Lower(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

class SignalListWindowTest : public ::testing::Test {
protected:
    // A control of the window, found by its name.
    template <typename T> T* Find(const char* name) const {
        T* control = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    SignalListWindow& Make(bool standalone = false) {
        SignalListSetup setup;
        setup.standalone = standalone;
        setup.folder = dir.path();
        setup.summaryLoaded = [this] { return summaryLoaded; };
        setup.reprocess = [this] { ++reprocessed; };
        setup.listFileChanged = [this](const std::string& path) { shared = path; };
        window = std::make_unique<SignalListWindow>(prompts, std::move(setup));
        return *window;
    }
    SignalListWindow& Loaded(bool standalone = false) {
        Make(standalone).Load();
        return *window;
    }
    std::string Caption() const { return window->windowTitle().toStdString(); }
    std::vector<std::string> Lines() const { return window->List().Lines(); }
    std::string Pointer() const { return TempDir::read(dir.file("~FREQ.~IG")); }

    TempDir dir;
    FakePrompter prompts;
    bool summaryLoaded = false;
    int reprocessed = 0;
    std::string shared;
    std::unique_ptr<SignalListWindow> window;
};

// Which list a load makes current, and what it does to the files.
struct LoadCase {
    const char* name;
    const char* pointer;     // pointer file content; nullptr = no pointer file; "@" = the other list
    const char* defaultList; // ~FREQ.SIG content; nullptr = none
    bool otherList;          // other.SIG exists with one entry
    const char* current;     // file name expected current
    std::size_t entries;
    const char* defaultAfter; // ~FREQ.SIG content afterwards
};

class SignalListLoad : public SignalListWindowTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SignalListLoad, ChoosesTheListFile) {
    const LoadCase& c = GetParam();
    const std::string other = dir.file("Other.SIG");
    if (c.otherList) dir.write("Other.SIG", Record("00145.50000"));
    if (c.defaultList) dir.write("~FREQ.SIG", c.defaultList);
    if (c.pointer) dir.write("~FREQ.~IG", std::string(c.pointer) == "@" ? other + "\r\n" : c.pointer);

    Loaded();
    const std::string current = dir.file(c.current);
    EXPECT_EQ(window->SigListFileName(), current);
    EXPECT_EQ(shared, current);
    EXPECT_EQ(Lines().size(), c.entries);
    EXPECT_EQ(Pointer(), current + "\r\n");
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), c.defaultAfter);
    EXPECT_EQ(Caption(), "SIGNAL LIST - [" + Lower(c.current) + "]");
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

const std::string kTwoRecords = Record("00020.00000") + Record("00030.00000");

INSTANTIATE_TEST_SUITE_P(
    Files, SignalListLoad,
    ::testing::Values(
        LoadCase{"NothingThere", nullptr, nullptr, false, "~FREQ.SIG", 0, ""},
        LoadCase{"NoPointer", nullptr, kTwoRecords.c_str(), false, "~FREQ.SIG", 2, kTwoRecords.c_str()},
        LoadCase{"PointerToOther", "@", kTwoRecords.c_str(), true, "Other.SIG", 1, kTwoRecords.c_str()},
        // The default list is loaded, never emptied, when the pointer names a missing file.
        LoadCase{"PointerToMissing", "/no/such/list.SIG\r\n", kTwoRecords.c_str(), false, "~FREQ.SIG", 2,
                 kTwoRecords.c_str()},
        LoadCase{"PointerToMissingNoDefault", "@", nullptr, false, "~FREQ.SIG", 0, ""}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST_F(SignalListWindowTest, NewAsksOnlyWhenTheListHasEntries) {
    const std::string other = dir.write("Other.SIG", Record("00145.50000"));
    dir.write("~FREQ.~IG", other + "\r\n");
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded();
    const std::string question = "Signal List's temp_file, " + dir.file("~FREQ.SIG") +
                                 "\r\nwill be erased to make room for new data.\r\nDo you want to continue?";
    prompts.ExpectMessage("New Signal List... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::No);
    window->New();
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(window->SigListFileName(), other);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), kTwoRecords);

    prompts.ExpectMessage("New Signal List... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::Yes);
    window->New();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(window->SigListFileName(), dir.file("~FREQ.SIG"));
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    EXPECT_EQ(TempDir::read(other), Record("00145.50000")); // the list it left is untouched
    EXPECT_EQ(Caption(), "SIGNAL LIST - [~freq.sig]");
    EXPECT_EQ(Pointer(), dir.file("~FREQ.SIG") + "\r\n");

    window->New(); // empty: nothing asked
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

// Open, and the reprocess question after it: only in Zarn_zed32 and only with the picture loaded.
struct ReprocessCase {
    bool standalone;
    bool summaryLoaded;
    bool asked;
    MsgAnswer answer;
    int reprocessed;
};

class SignalListReprocess : public SignalListWindowTest,
                            public ::testing::WithParamInterface<ReprocessCase> {};

TEST_P(SignalListReprocess, OpenLoadsTheChosenList) {
    const ReprocessCase& c = GetParam();
    summaryLoaded = c.summaryLoaded;
    Loaded(c.standalone);
    const std::string chosen = dir.write("Net.SIG", Record("00030.00000", "old") + Record("00010.00000") +
                                                        Record("00030.00000", "new"));
    prompts.ExpectOpenFile(
        c.standalone ? "Select... Signal List file to Open" : "Loading... Signal List File", chosen);
    if (c.asked)
        prompts.ExpectMessage(
            "Default sig BW change",
            "The change made requires the file to be reprocessed to become affective.  Ok to "
            "reprocess now?",
            MsgIcon::None, MsgButtons::YesNo, c.answer);
    window->Open();
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
    EXPECT_EQ(reprocessed, c.reprocessed);
    EXPECT_EQ(Lines(), (std::vector<std::string>{Line("00010.00000"), Line("00030.00000", "new")}));
    EXPECT_EQ(Caption(), "SIGNAL LIST - [net.sig]");
    EXPECT_EQ(Pointer(), chosen + "\r\n");
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].request.filter, "File (*.SIG)|*.SIG");
    EXPECT_TRUE(prompts.dialogs[0].request.mustExist);
}

INSTANTIATE_TEST_SUITE_P(Programs, SignalListReprocess,
                         ::testing::Values(ReprocessCase{false, true, true, MsgAnswer::Yes, 1},
                                           ReprocessCase{false, true, true, MsgAnswer::No, 0},
                                           ReprocessCase{false, false, false, MsgAnswer::Yes, 0},
                                           ReprocessCase{true, true, false, MsgAnswer::Yes, 0}));

TEST_F(SignalListWindowTest, OpenCancelledOrUnreadableChangesNothing) {
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded();
    prompts.ExpectOpenFile("Loading... Signal List File", std::nullopt);
    window->Open();
    prompts.ExpectOpenFile("Loading... Signal List File", dir.path()); // a folder cannot be read
    window->Open();
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(window->SigListFileName(), dir.file("~FREQ.SIG"));
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

TEST_F(SignalListWindowTest, ImportAsksAboutEachConflict) {
    dir.write("~FREQ.SIG",
              Record("00010.00000", "a") + Record("00020.00000", "b") + Record("00030.00000", "c"));
    Loaded();
    summaryLoaded = true;
    const std::string from =
        dir.write("In.SIG", Record("00010.00000", "A") + "not a record\r\n" + Record("00015.00000", "new") +
                                Record("00020.00000", "B") + Record("00030.00000", "C") +
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
    ask("00020.00000", MsgAnswer::No);
    ask("00030.00000", MsgAnswer::Cancel);
    prompts.ExpectMessage(
        "Default sig BW change",
        "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?",
        MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    window->Import();
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();

    const std::vector<std::string> expected{Line("00010.00000", "A"), Line("00015.00000", "new"),
                                            Line("00020.00000", "b"), Line("00030.00000", "c")};
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")),
              Record("00010.00000", "A") + Record("00015.00000", "new") + Record("00020.00000", "b") +
                  Record("00030.00000", "c"));
    EXPECT_EQ(window->SigListFileName(), dir.file("~FREQ.SIG")); // Import keeps the current file
    EXPECT_EQ(window->CurrentIndex(), 1);
    EXPECT_TRUE(window->IsHighlighted(1));
    EXPECT_FALSE(window->IsHighlighted(2)); // answered No
}

// Save As forces the .SIG extension (the rule's cases are in the model test) and makes the file current.
TEST_F(SignalListWindowTest, SaveAsForcesTheSigExtension) {
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded(true);
    prompts.ExpectSaveFile("Select... Signal List Filename", dir.file("a.b.c"));
    window->SaveAs();
    const std::string stored = dir.file("a.b.SIG");
    EXPECT_EQ(TempDir::read(stored), kTwoRecords);
    EXPECT_EQ(window->SigListFileName(), stored);
    EXPECT_EQ(Caption(), "SIGNAL LIST - [a.b.sig]");
    EXPECT_EQ(Pointer(), stored + "\r\n");
    EXPECT_TRUE(prompts.dialogs.at(0).request.confirmOverwrite);
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}

// A list file that cannot be written is reported in full (the full-disk suite covers the rest).
TEST_F(SignalListWindowTest, UnwritableListFileWarnsAndKeepsTheList) {
    fs::create_directory(dir.file("sub"));
    const std::string list = dir.write("sub/Net.SIG", kTwoRecords);
    dir.write("~FREQ.~IG", list + "\r\n");
    Loaded();
    fs::remove_all(dir.file("sub"));
    const std::string from = dir.write("In.SIG", Record("00040.00000"));
    prompts.ExpectOpenFile("Importing... Frequency List File", from);
    window->Import();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "SAVE Signal List... WARNING:");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompts.messages[0].text.rfind("Signal List could not be written to " + list + "\r\n", 0), 0u);
    EXPECT_NE(prompts.messages[0].text.find("\r\nThe data is kept in the Signal List.  Use Signal List "
                                            "Filename... to write it to another file."),
              std::string::npos);
    EXPECT_EQ(Lines().size(), 3u);
    EXPECT_FALSE(window->SaveList());
}

TEST_F(SignalListWindowTest, MenusAndColoursOfBothPrograms) {
    struct Item {
        const char* name;
        const char* zarn;
        const char* alone;
    };
    const Item items[] = {
        {"F_New", "&New", "&New"},
        {"F_Open", "&Open...", "&Open..."},
        {"F_Import", "&Import...", "&Import..."},
        {"F_SaveAs", "Signal List &Filename...", "Signal List &Filename..."},
        {"F_Close", "&Close", "E&xit"},
        {"T_Add", "&Add Data", "&Add Data"},
        {"T_Edit", "&Edit Data              Enter", "&Edit Data             Enter"},
        {"T_Delete", "&Delete Data          Del", "&Delete Data         Del"},
        {"T_DeleteAll", "De&lete All Data", "De&lete All Data"},
        {"T_CrossHair", "&Transfer Data", "&Transfer Data"},
        {"T_Copy", "&Copy                    Ctl+C", "&Copy                   Ctl+C"},
        {"T_Copy_Freq", "Copy &Freq", "Copy &Freq"},
        {"T_Paste", "&Paste                   Ctl+V", "&Paste                  Ctl+V"},
    };
    for (bool standalone : {false, true}) {
        Make(standalone);
        for (const Item& i : items) {
            SCOPED_TRACE(std::string(i.name) + (standalone ? " SigRoll32" : " Zarn_zed32"));
            const auto* a = window->findChild<QAction*>(QLatin1String(i.name));
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text().toStdString(), standalone ? i.alone : i.zarn);
            EXPECT_EQ(a->isEnabled(), std::string(i.name) != "T_CrossHair");
        }
        const auto* help = window->findChild<QAction*>(QStringLiteral("Help_About"));
        EXPECT_EQ(help != nullptr, standalone);
        EXPECT_EQ(window->findChild<QMenu*>(QStringLiteral("Tools"))->title(), QStringLiteral("&Tools"));
        const QPalette pal = Find<QListView>("L_Freq")->palette();
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Text),
                  standalone ? QColor(0, 255, 255) : QColor(0, 255, 0));
        EXPECT_EQ(pal.color(QPalette::Disabled, QPalette::Base), QColor(128, 128, 128));
    }
    EXPECT_EQ(Find<QLabel>("PL")->text().toStdString(),
              "  Freq                IFBw   Cor  Det  Typ Pri  Lk Comments");
    Find<QAction>("Help_About")->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].title, "About SigRoll32");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
}

TEST_F(SignalListWindowTest, ResizeBelowMinimumSnapsBackAndKeepsButtonsCentred) {
    Loaded();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QSize minimum(Px(4640 - 120), Px(3300 - 690)); // the client area of a 4640 x 3300 window
    for (const QSize size : {QSize(50, 50), QSize(900, 700)}) {
        window->resize(size);
        QTest::qWait(20);
        const QWidget* client = window->centralWidget();
        EXPECT_EQ(client->size(), size.width() < 100 ? minimum : client->size().expandedTo(minimum));
        EXPECT_EQ(Find<QLabel>("P")->width(), client->width());
        const int left = Find<QPushButton>("L_Add")->x();
        const int right = Find<QLabel>("P")->width() -
                          (Find<QPushButton>("L_CrossHair")->x() + Find<QPushButton>("L_CrossHair")->width());
        EXPECT_LE(std::abs(left - right), 1);
        EXPECT_EQ(Find<QPushButton>("L_Edit")->x(), left + Find<QPushButton>("L_Add")->width());
        EXPECT_EQ(Find<QPushButton>("L_Add")->y(), Find<QLabel>("PL")->height() + Px(45));
        EXPECT_EQ(Find<QLabel>("P_Help")->y() + Find<QLabel>("P_Help")->height(), client->height());
    }
}

TEST_F(SignalListWindowTest, HelpLineFollowsThePointer) {
    dir.write("~FREQ.SIG", kTwoRecords);
    Loaded(true);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const auto hover = [&](QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        return Find<QLabel>("P_Help")->text().toStdString();
    };
    EXPECT_EQ(hover(Find<QPushButton>("L_Add")), "ADD new data into Signal List");
    EXPECT_EQ(hover(Find<QPushButton>("L_Edit")), "EDIT selected data in the Signal List");
    EXPECT_EQ(hover(Find<QPushButton>("L_Delete")), "DELETE highlighted data from Signal List");
    EXPECT_EQ(hover(Find<QPushButton>("L_CrossHair")), "TRANSFER data into the RECEIVER CONTROL PANEL");
    const std::string lower = Lower(dir.path() + "/~freq.sig");
    EXPECT_EQ(hover(Find<QLabel>("P_Help")), "Filename = " + lower);
    EXPECT_EQ(hover(Find<QLabel>("P")), "Filename = " + lower);
    Find<QPushButton>("L_Add")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Find<QLabel>("P_Help")->text().toStdString(), "ADD new data into Signal List");
    Find<QListView>("L_Freq")->setFocus(Qt::TabFocusReason); // the view does not make a row current by itself
    EXPECT_EQ(Find<QLabel>("P_Help")->text().toStdString(), "Signal# 0000");
    EXPECT_EQ(window->CurrentIndex(), -1);
    window->SetCurrent(1);
    EXPECT_EQ(hover(Find<QListView>("L_Freq")->viewport()), "Signal# 0002");
}

// The list's keys run the tools; their first prompt shows which one ran.
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
    for (const auto& k : keys) {
        SCOPED_TRACE(QKeySequence(k.key | k.mods).toString().toStdString());
        QApplication::clipboard()->setText(QStringLiteral("not a signal list"));
        prompts.messages.clear();
        QTest::keyClick(Find<QListView>("L_Freq"), k.key, k.mods);
        if (k.title) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].title, k.title);
        } else {
            EXPECT_TRUE(prompts.messages.empty());
            EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("[SIGNAL LIST DATA FORMAT]\r\n"));
        }
    }

    // A opens the add panel, which takes the bottom of P and shortens the list, also after a resize.
    QTest::keyClick(Find<QListView>("L_Freq"), Qt::Key_A);
    ASSERT_TRUE(window->PanelOpen());
    window->resize(window->width() + 40, window->height() + 40);
    QTest::qWait(20);
    EXPECT_EQ(Find<QLabel>("PE")->y() + Find<QLabel>("PE")->height(), Find<QLabel>("P")->height());
    EXPECT_EQ(Find<QLabel>("PE")->width(), Find<QLabel>("P")->width());
    EXPECT_EQ(Find<QLabel>("PL")->height(),
              Find<QLabel>("P")->height() - Find<QLabel>("PE")->height() - Px(90));
    window->ClosePanel();
    EXPECT_EQ(Find<QLabel>("PL")->height(), Find<QLabel>("P")->height() - Px(420));
}

TEST_F(SignalListWindowTest, ModelTellsTheViewOfEveryChange) {
    SignalListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const std::string file = dir.write("Net.SIG", kTwoRecords);
    EXPECT_EQ(model.Load(file).merged, 2);
    EXPECT_EQ(model.InsertSorted(Line("00025.00000")), 1);
    EXPECT_EQ(model.InsertSorted(Line("00025.00000", "again")), 1); // same key replaces
    EXPECT_EQ(model.rowCount(), 3);
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
        if (w) {
            EXPECT_FALSE(w->isVisible());
        }
        delete w.data();
    }
}

} // namespace
} // namespace zarn
