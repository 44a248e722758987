// The signal list window as the operator meets it: which list it opens, its file commands and their
// questions, the files they leave behind, its menus, help line and keys; its clipboard and bulk tools;
// and the edit/add panel with its typed values, collision questions and comment chooser.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "find_control.h"
#include "latin1.h"
#include "temp_dir.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::Control;
using test::FakePrompter;
using test::TempDir;

// A signal record at `freq`, and the entry line it loads as; the question a frequency met again asks.
std::string Record(const char* freq, const char* comment = "", const char* ifbw = "00.010", bool lockout = false) {
    return std::string(freq) + ",[   " + ifbw + "    20    FM    ]{2}(9)/" + (lockout ? "x" : " ") + "\\" +
           comment + "\r\n";
}
std::string Line(const char* freq, const char* comment = "") {
    return std::string(" ") + freq + "   00.010   20   FM    ?s     9        " + comment;
}
std::string Question(const std::string& freq) {
    return "Freq = " + freq + " MHz is already available in the Signal List.  Do you want to replace it with new data?";
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
    std::vector<std::string> Entries() const { return window->List().Lines(); }

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
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), kTwoRecords);
    prompts.ExpectMessage("New Signal List... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::Yes);
    window->New();
    EXPECT_TRUE(Entries().empty());
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
    EXPECT_EQ(Entries(), (std::vector<std::string>{Line("00010.00000"), Line("00030.00000", "new")}));
    EXPECT_EQ(Current(), CurrentIs("Net.SIG", "net.sig"));
    EXPECT_EQ(prompts.dialogs.back().request.filter, "File (*.SIG)|*.SIG");
    EXPECT_TRUE(prompts.dialogs.back().request.mustExist);

    // Import asks about each conflict, keeps the current file, and highlights what it took.
    const std::string from = dir.write("In.SIG", Record("00010.00000", "A") + "not a record\r\n" +
                                                     Record("00015.00000", "new") + Record("00030.00000", "C") +
                                                     Record("00040.00000", "late"));
    const auto ask = [&](const char* freq, MsgAnswer answer) {
        prompts.ExpectMessage("IMPORT Signal... CONFIRMATION:", Question(freq), MsgIcon::Question,
                              MsgButtons::YesNoCancel, answer);
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
    const std::string file = "Filename = " + QString::fromStdString(dir.path() + "/~freq.sig").toLower().toStdString();
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

// A folder without list files gets an empty default list. Open asks to reprocess only in Zarn_zed32
// with the picture loaded. Close hides the window in Zarn_zed32 (which unloads it only by the close
// box); SigRoll32 closes it.
TEST_F(SignalListWindowTest, DefaultListOpenAndCloseInBothPrograms) {
    for (bool standalone : {false, true}) {
        summaryLoaded = standalone;
        std::filesystem::remove(dir.file("~FREQ.~IG"));
        QPointer<SignalListWindow> w = &Loaded(standalone);
        EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
        EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
        prompts.ExpectOpenFile(standalone ? "Select... Signal List file to Open" : "Loading... Signal List File",
                               dir.write("Net.SIG", kTwoRecords));
        window->Open();
        EXPECT_EQ(Entries().size(), 2u);
        EXPECT_EQ(reprocessed, 0);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        window.release()->CloseWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w.isNull(), standalone);
        EXPECT_FALSE(w && w->isVisible());
        delete w.data();
    }
    EXPECT_TRUE(prompts.AllMet()) << prompts.Report();
}


using Lines = std::vector<std::string>;

constexpr const char* kHeader = "[SIGNAL LIST DATA FORMAT]\r\n";

// Entry n at n MHz, 0.100 MHz wide: no two pass bands overlap.
std::string Line(int n, const char* ifbw = "00.100") {
    char freq[24];
    std::snprintf(freq, sizeof freq, "%05d.00000", n);
    return MakeEntryLine(freq, ifbw, "20", "AM ", SignalClass::Soi, "3", n % 2 == 0, "net " + std::to_string(n));
}
Lines FirstLines(int from, int to, const char* ifbw = "00.100") {
    Lines lines;
    for (int n = from; n <= to; ++n)
        lines.push_back(Line(n, ifbw));
    return lines;
}
std::string Records(const Lines& lines) {
    std::string text;
    for (const auto& l : lines)
        text += FormatSignalRecord(l) + "\r\n";
    return text;
}
std::string Clipboard() {
    return QGuiApplication::clipboard()->text().toStdString();
}
void SetClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

class ToolsTest : public SignalListWindowTest {
protected:
    void Start(const Lines& lines) {
        dir.write("~FREQ.SIG", Records(lines));
        Loaded();
    }
    void TearDown() override { EXPECT_TRUE(prompts.AllMet()) << prompts.Report(); }
    void Highlight(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
    }
    void Expect(const char* title, std::string text, MsgAnswer answer) {
        const bool warning = std::string(title).find("WARNING") != std::string::npos;
        prompts.ExpectMessage(title, std::move(text), warning ? MsgIcon::Exclamation : MsgIcon::Question,
                              warning                                  ? MsgButtons::Ok
                              : std::string(title).rfind("PASTE", 0) == 0 ? MsgButtons::YesNoCancel
                                                                       : MsgButtons::YesNo,
                              answer);
    }
    void ExpectPasteQuestion(const std::string& line, MsgAnswer answer) {
        Expect("PASTE Signal... CONFIRMATION:", Question(std::string(EntryFreqText(line))), answer);
    }
    // The list, its highlighted rows and its current row, and whether the file holds the list.
    std::string State() const {
        std::string rows;
        for (int r : window->HighlightedRows())
            rows += std::to_string(r) + " ";
        return rows + "current " + std::to_string(window->CurrentIndex()) +
               (TempDir::read(dir.file("~FREQ.SIG")) == Records(window->List().Lines()) ? " saved" : " unsaved");
    }
};

// What Copy, Delete and Delete All ask or warn in each state (No keeps the list and its file), then the
// copied entries pasted back, first into the emptied list, then over themselves.
TEST_F(ToolsTest, CopyDeleteAndPasteBack) {
    Start({});
    Expect("DELETE Signal List... WARNING:", "Signal List is already empty.  There is no data to be DELETED.",
           MsgAnswer::Ok);
    window->Delete();
    const char* all = "Are you sure, you want to delete ALL data from Signal List?";
    Expect("DELETE Signal List... CONFIRMATION:", all, MsgAnswer::Yes); // asked even when empty
    window->DeleteAll();
    const Lines lines = FirstLines(1, 10);
    dir.write("~FREQ.SIG", Records(lines));
    window->Load();
    SetClipboard("old");
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), ""); // nothing highlighted
    Expect("DELETE Signal List... WARNING:", "Please highlight data field(s) from Signal List before DELETING.",
           MsgAnswer::Ok);
    window->Delete();
    Highlight({2, 4});
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), "00003.00000\r\n00005.00000\r\n");
    window->Copy();
    EXPECT_EQ(Clipboard(), kHeader + lines[2] + "\r\n" + lines[4] + "\r\n");
    dir.write("~FREQ.SIG", "untouched");
    const char* question = "Are you sure, you want to delete highlighted data from Signal List?";
    Expect("DELETE Signal List... CONFIRMATION:", question, MsgAnswer::No);
    window->Delete();
    Expect("DELETE Signal List... CONFIRMATION:", all, MsgAnswer::No);
    window->DeleteAll();
    EXPECT_EQ(window->List().Lines(), lines);
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "untouched");
    Expect("DELETE Signal List... CONFIRMATION:", question, MsgAnswer::Yes);
    window->Delete();
    Lines kept = lines;
    kept.erase(kept.begin() + 4);
    kept.erase(kept.begin() + 2);
    EXPECT_EQ(window->List().Lines(), kept);
    // The entry in front of the last one removed is current: entry 4 of the ten.
    EXPECT_EQ(State(), "current 2 saved");
    EXPECT_EQ(window->List().Line(2), lines[3]);

    Expect("DELETE Signal List... CONFIRMATION:", all, MsgAnswer::Yes);
    window->DeleteAll();
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    window->Paste();
    EXPECT_EQ(window->List().Lines(), (Lines{lines[2], lines[4]}));
    EXPECT_EQ(State(), "0 1 current 1 saved");
    // Pasting the same entries asks for each; Yes replaces them.
    for (const auto& l : {lines[2], lines[4]})
        ExpectPasteQuestion(l, MsgAnswer::Yes);
    window->Paste();
    EXPECT_EQ(window->List().Lines(), (Lines{lines[2], lines[4]}));
    EXPECT_EQ(State(), "0 1 current 1 saved");
}

// No skips an entry, Cancel stops the paste; the questioned entries are unhighlighted again and the
// file is rewritten from the list; the header alone pastes nothing but rewrites the file too.
TEST_F(ToolsTest, PasteAnsweredNoOrCancelAndForeignTexts) {
    const Lines lines = FirstLines(1, 3);
    Start(lines);
    std::string one = lines[0], two = lines[1];
    one[42] = two[42] = '0';
    for (const std::string& clip : {kHeader + one + "\r\n" + two + "\r\n" + Line(7) + "\r\n", std::string(kHeader)}) {
        dir.write("~FREQ.SIG", "stale\r\n");
        SetClipboard(clip);
        if (clip != kHeader) {
            ExpectPasteQuestion(one, MsgAnswer::No);
            ExpectPasteQuestion(two, MsgAnswer::Cancel);
        }
        window->Paste();
        EXPECT_EQ(window->List().Lines(), lines);
        EXPECT_EQ(State(), "current -1 saved");
    }
    SetClipboard("00001.00000\r\n"); // which texts are foreign is the clipboard text test's table
    Expect("PASTE Signal List... WARNING:",
           "Incompatible data format detected, data cannot be pasted into Signal List!", MsgAnswer::Ok);
    window->Paste();
    EXPECT_EQ(window->List().Lines(), lines);
}

TEST_F(ToolsTest, PasteIntoAFullListWarnsOnceAndKeepsWhatFitted) {
    Start(FirstLines(10, 10 + kMaxSignalEntries - 2, "00.000"));
    ASSERT_EQ(window->List().Count(), kMaxSignalEntries - 1);
    SetClipboard(kHeader + Line(1) + "\r\n" + Line(2) + "\r\n" + Line(3) + "\r\n");
    Expect("PASTE Signal List... WARNING:", "Signal List is full (32767 entries).  No more data can be added.",
           MsgAnswer::Ok);
    window->Paste();
    EXPECT_EQ(window->List().Count(), kMaxSignalEntries);
    EXPECT_EQ(window->List().Line(0), Line(1));
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
}

class PanelTest : public SignalListWindowTest {
protected:
    template <typename T> T* Find(const char* name) const { return test::Control<T>(window.get(), name); }
    // Loads the window on a list file holding `records`, shown and active so focus moves for real.
    void Start(const std::string& records) {
        dir.write("~FREQ.SIG", records);
        Loaded();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override { EXPECT_TRUE(prompts.AllMet()) << prompts.Report(); }

    // Types into a field as the operator does: focus, the whole text selected, the keys, Enter.
    static void Type(QWidget* field, const char* keys, bool enter = true) {
        field->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
        QTest::keyClicks(field, QLatin1String(keys));
        if (enter) QTest::keyClick(field, Qt::Key_Return);
    }
    std::string Focus() const { return QApplication::focusWidget()->objectName().toStdString(); }
    std::string Help() const { return Find<QLabel>("P_Help")->text().toStdString(); }
    std::string FileText() const { return TempDir::read(dir.file("~FREQ.SIG")); }
    // Whether the list file holds the list as it stands.
    bool Saved() const { return FileText() == Records(Entries()); }
    void Select(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
        window->SetCurrent(*rows.begin());
    }
};

// Add: what the panel shows, each field's Enter (the next field on a good value, the same field
// reselected on a refused one), Escape without a change, then a typed entry accepted by Enter.
TEST_F(PanelTest, AddJourney) {
    Start(Record("00010.00000", "", "00.100"));
    window->Add();
    EXPECT_EQ(Find<QLabel>("PE")->text(), QStringLiteral("Add Panel..."));
    EXPECT_FALSE(Find<QListView>("L_Freq")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("L_Add")->isHidden());
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentText() + Find<QComboBox>("P_Det")->itemText(3), "FM PLS");
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_2")->isChecked());
    EXPECT_EQ(Focus(), "P_Freq");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Help(), "Add New Signal ...");
    const struct {
        const char *field, *typed, *shown, *focus;
    } cases[] = {
        {"P_Freq", "100000", "00020.00000", "P_Freq"}, {"P_Freq", "12.5", "00012.50000", "P_Ifbw"},
        {"P_Ifbw", "99.9995", "00.010", "P_Ifbw"},     {"P_Ifbw", "0.01", "00.010", "P_Cor"},
        {"P_Cor", "120", "20", "P_Cor"},               {"P_Cor", "-7", "-1", "P_Det"},
        {"P_Priority", "10", "9", "P_Priority"},       {"P_Priority", "3", "3", "P_Comment"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.typed);
        auto* field = Find<QLineEdit>(c.field);
        Type(field, c.typed);
        EXPECT_EQ(field->text().toStdString() + " " + Focus(), std::string(c.shown) + " " + c.focus);
        EXPECT_TRUE(Focus() != c.field || field->selectedText() == field->text()); // reselected
    }
    Find<QLineEdit>("P_Cor")->setFocus();
    EXPECT_EQ(Help(), "ENTER COR value in dB");
    // Leaving a field checks it without moving the focus.
    Type(Find<QLineEdit>("P_Cor"), "5", false);
    Find<QLineEdit>("P_Freq")->setFocus();
    EXPECT_EQ(Find<QLineEdit>("P_Cor")->text().toStdString() + " " + Focus(), "05 P_Freq");
    QTest::keyClick(Find<QLineEdit>("P_Freq"), Qt::Key_Escape);
    EXPECT_FALSE(window->PanelOpen());
    EXPECT_TRUE(Find<QListView>("L_Freq")->isEnabled());
    EXPECT_EQ(FileText(), Record("00010.00000", "", "00.100"));

    window->Add();
    Type(Find<QLineEdit>("P_Freq"), "145.5");
    Type(Find<QPlainTextEdit>("P_Comment"), "a,b", false);
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("a;b"));
    QTest::keyClick(Find<QPlainTextEdit>("P_Comment"), Qt::Key_Return);
    EXPECT_FALSE(window->PanelOpen());
    EXPECT_EQ(Entries().back(), " 00145.50000   00.010   20   FM    ?s     9        a;b");
    EXPECT_TRUE(Saved());
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{1});
    EXPECT_EQ(window->CurrentIndex(), 1);

    // Pasted line breaks in the comment stay on one line.
    window->Add();
    Find<QPlainTextEdit>("P_Comment")->setPlainText(QStringLiteral("one\ntwo\nthree"));
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryComment(Entries()[1]), "one two three");
    EXPECT_TRUE(Saved());
}

// A colliding frequency asks: No adds or changes nothing, Yes replaces the entry it met.
TEST_F(PanelTest, CollisionsOnAddAndEdit) {
    const std::string records = Record("00010.00000", "", "00.100") + Record("00020.00000", "net", "00.100", true) +
                                Record("00030.00000", "", "00.100");
    Start(records);
    window->SetCurrent(-1);
    prompts.ExpectMessage("EDIT Signal List... WARNING:",
                          "Please select data field(s) from Signal List before EDITING.",
                          MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->Edit();
    EXPECT_FALSE(window->PanelOpen());

    Select({1});
    window->Edit();
    EXPECT_EQ(Find<QLabel>("PE")->text(), QStringLiteral("Edit Panel..."));
    EXPECT_EQ(Focus(), "P_Ifbw");
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("net"));
    EXPECT_TRUE(Find<QCheckBox>("Chk_Lockout")->isChecked());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Help(), "Edit Signal# 0002");
    // Backspace brings back the start choice; Enter moves on; the help line follows the focus.
    Find<QComboBox>("P_Det")->setCurrentIndex(5);
    QTest::keyClick(Find<QComboBox>("P_Det"), Qt::Key_Backspace);
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentText(), QStringLiteral("FM "));
    QTest::keyClick(Find<QComboBox>("P_Det"), Qt::Key_Return);
    EXPECT_EQ(Focus(), "P_Sig_2");
    Find<QRadioButton>("P_Sig_0")->click();
    Find<QRadioButton>("P_Sig_0")->click(); // an option that is on stays on
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_0")->isChecked() && !Find<QRadioButton>("P_Sig_2")->isChecked());
    QTest::keyClick(Find<QRadioButton>("P_Sig_0"), Qt::Key_Backspace);
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_2")->isChecked() && !Find<QRadioButton>("P_Sig_0")->isChecked());
    QTest::keyClick(Find<QRadioButton>("P_Sig_2"), Qt::Key_Return);
    EXPECT_EQ(Focus(), "P_Priority");
    EXPECT_EQ(Help(), "ENTER Handoff Priority (0 = Highest, 9 = Lowest)");
    Type(Find<QLineEdit>("P_Freq"), "30.01");
    prompts.ExpectMessage("EDIT Signal... CONFIRMATION:", Question("00030.01000"), MsgIcon::Question,
                          MsgButtons::YesNo, MsgAnswer::No);
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(FileText(), records);
    EXPECT_EQ(window->CurrentIndex(), 1);

    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        window->Add(); // the lockout box stays as the last edit left it
        EXPECT_TRUE(Find<QCheckBox>("Chk_Lockout")->isChecked());
        Type(Find<QLineEdit>("P_Freq"), "10.04");
        prompts.ExpectMessage("ADD Signal... CONFIRMATION:", Question("00010.04000"), MsgIcon::Question,
                              MsgButtons::YesNo, answer);
        Find<QPushButton>("B_OK")->click();
        EXPECT_FALSE(window->PanelOpen());
    }
    EXPECT_EQ(Entries()[0], " 00010.04000   00.010   20   FM    ?s     9    x   ");
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
    EXPECT_TRUE(Saved());

    // An edit that collides with nothing moves the entry to its new place.
    Select({0});
    window->Edit();
    Type(Find<QLineEdit>("P_Freq"), "25");
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryFreqText(Entries()[1]), "00025.00000");
    EXPECT_EQ(window->CurrentIndex(), 1);
    EXPECT_TRUE(Saved());
}

TEST_F(PanelTest, EditingSeveralChangesOnlyTheFilledFieldsAndTheLockout) {
    Start(Record("00010.00000", "a", "00.100", true) + Record("00020.00000", "", "00.200") +
          Record("00030.00000", "c", "00.300") + Record("00040.00000", "", "00.400"));
    const auto before = Entries();
    Select({0, 1, 3});
    window->Edit();
    EXPECT_TRUE(Find<QLineEdit>("P_Freq")->isHidden() && Find<QPlainTextEdit>("P_Comment")->isHidden() &&
                Find<QRadioButton>("P_Sig_0")->isHidden() && !Find<QCheckBox>("Chk_Lockout")->isChecked());
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentIndex(), -1);
    Type(Find<QLineEdit>("P_Ifbw"), ""); // an empty field stays empty: unchanged
    EXPECT_EQ(Find<QLineEdit>("P_Ifbw")->text(), QString());
    Type(Find<QLineEdit>("P_Priority"), "3");
    EXPECT_EQ(Focus(), "P_Priority"); // the comment is hidden
    Find<QCheckBox>("Chk_Lockout")->setChecked(true);
    Find<QPushButton>("B_OK")->click();
    auto expected = before;
    for (std::size_t row : {0, 1, 3})
        expected[row].replace(42, 6, "3    x");
    EXPECT_EQ(Entries(), expected);
    EXPECT_TRUE(Saved());
}

// A typed comment goes to the first unused slot, or to the slot clicked last (once); the chooser's
// texts are written to the comment file each time.
TEST_F(PanelTest, CommentChooserStoresAndWritesTheCommentFile) {
    Start("");
    window->Add();
    auto* chooser = Find<QComboBox>("Cmb_Comment");
    ASSERT_EQ(chooser->count(), 20);
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->palette().color(QPalette::Base), QColor(Qt::yellow));
    const auto store = [&](int clicked, const QString& text) {
        if (clicked >= 0) emit chooser->activated(clicked);
        chooser->setEditText(text);
        QTest::keyClick(chooser, Qt::Key_Return);
    };
    store(-1, QStringLiteral("Net 4"));
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("Net 4"));
    std::string expected = "[Signal List Comments]\r\nNet 4\r\n";
    for (int i = 1; i < 20; ++i)
        expected += "Unused\r\n";
    EXPECT_EQ(TempDir::read(dir.file("~Freq.Cmt")), expected);
    store(5, QStringLiteral("Beacon"));
    store(-1, QStringLiteral("Relay"));
    EXPECT_EQ(chooser->itemText(1) + chooser->itemText(5), QStringLiteral("RelayBeacon"));
    EXPECT_TRUE(window->PanelOpen());
    EXPECT_NE(TempDir::read(dir.file("~Freq.Cmt")).find("Net 4\r\nRelay\r\nUnused\r\nUnused\r\nUnused\r\nBeacon\r\n"),
              std::string::npos);
}

} // namespace
} // namespace zarn
