// The signal list window as the operator meets it: the list it opens, its file commands and their
// questions, the files they leave behind, its texts and keys; its clipboard and bulk tools; and the
// edit/add panel with its typed values, collision questions and comment chooser.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "find_control.h"
#include "list_exchange.h"
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
#include <QMenu>
#include <QMenuBar>
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

using Lines = std::vector<std::string>;
using test::TempDir;

// A signal record at `freq`, the entry line it loads as, and the question a frequency met again asks.
std::string Record(const char* freq, const char* comment = "", const char* ifbw = "00.010",
                   bool lockout = false) {
    return std::string(freq) + ",[   " + ifbw + "    20    FM    ]{2}(9)/" + (lockout ? "x" : " ") + "\\" +
           comment + "\r\n";
}
std::string Line(const char* freq, const char* comment = "") {
    return std::string(" ") + freq + "   00.010   20   FM    ?s     9        " + comment;
}
std::string Question(const std::string& freq) {
    return "Freq = " + freq +
           " MHz is already available in the Signal List.  Do you want to replace it with new data?";
}
// Entries n = from..to at n MHz, 0.100 MHz wide: no two pass bands overlap.
Lines Entries(int from, int to, const char* ifbw = "00.100") {
    Lines lines;
    for (int n = from; n <= to; ++n) {
        char freq[24];
        std::snprintf(freq, sizeof freq, "%05d.00000", n);
        lines.push_back(MakeEntryLine(freq, ifbw, "20", "AM ", SignalClass::Soi, "3", n % 2 == 0,
                                      "net " + std::to_string(n)));
    }
    return lines;
}
std::string Records(const Lines& lines) {
    std::string text;
    for (const auto& l : lines)
        text += FormatSignalRecord(l) + "\r\n";
    return text;
}
// The clipboard text that Copy makes of `lines`.
std::string Clip(const Lines& lines) {
    std::string text = "[SIGNAL LIST DATA FORMAT]\r\n";
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}
std::string Clipboard() {
    return QGuiApplication::clipboard()->text().toStdString();
}
void SetClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

const std::string kTwoRecords = Record("00020.00000") + Record("00030.00000");
constexpr const char* kReprocess =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";
constexpr const char* kDeleteAll = "Are you sure, you want to delete ALL data from Signal List?";
constexpr const char* kDeleteSome = "Are you sure, you want to delete highlighted data from Signal List?";
constexpr const char* kSelectFirst = "Please select data field(s) from Signal List before EDITING.";
constexpr const char* kHighlightFirst = "Please highlight data field(s) from Signal List before DELETING.";
constexpr const char* kIncompatible =
    "Incompatible data format detected, data cannot be pasted into Signal List!";

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
    // Loads on a list file holding `records`; shown and active so that focus and hover move for real.
    void Start(const std::string& records, bool show = false, bool standalone = false) {
        dir.write("~FREQ.SIG", records);
        Loaded(standalone);
        if (!show) return;
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override { EXPECT_TRUE(prompts.AllMet()) << prompts.Report(); }

    // Queues a message box; its icon and buttons follow from the kind of title.
    void Expect(const std::string& title, std::string text, MsgAnswer answer) {
        const bool warning = title.find("WARNING") != std::string::npos;
        const bool reprocess = title == "Default sig BW change";
        const bool threeWay = title.rfind("PASTE", 0) == 0 || title.rfind("IMPORT", 0) == 0;
        prompts.ExpectMessage(title, std::move(text),
                              warning     ? MsgIcon::Exclamation
                              : reprocess ? MsgIcon::None
                                          : MsgIcon::Question,
                              warning    ? MsgButtons::Ok
                              : threeWay ? MsgButtons::YesNoCancel
                                         : MsgButtons::YesNo,
                              answer);
    }
    void ExpectPasteQuestion(const std::string& line, MsgAnswer answer) {
        Expect("PASTE Signal... CONFIRMATION:", Question(std::string(EntryFreqText(line))), answer);
    }

    // The current file as the window, the pointer file and the caption tell it.
    std::string Current() const {
        return window->SigListFileName() + "|" + shared + "|" + TempDir::read(dir.file("~FREQ.~IG")) + "|" +
               window->windowTitle().toStdString();
    }
    std::string CurrentIs(const std::string& name, const char* lower) const {
        return dir.file(name) + "|" + dir.file(name) + "|" + dir.file(name) + "\r\n|SIGNAL LIST - [" + lower +
               "]";
    }
    Lines List() const { return window->List().Lines(); }
    std::string FileText() const { return TempDir::read(dir.file("~FREQ.SIG")); }
    // The highlighted rows, the current row, and whether the file holds the list as it stands.
    std::string State() const {
        std::string rows;
        for (int r : window->HighlightedRows())
            rows += std::to_string(r) + " ";
        return rows + "current " + std::to_string(window->CurrentIndex()) +
               (FileText() == Records(List()) ? " saved" : " unsaved");
    }
    void Select(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
        window->SetCurrent(*rows.begin());
    }

    template <typename T> T* Find(const char* name) const { return test::Control<T>(window.get(), name); }
    std::string Focus() const { return QApplication::focusWidget()->objectName().toStdString(); }
    std::string Help() const { return Find<QLabel>("P_Help")->text().toStdString(); }
    // Types into a field as the operator does: focus, the whole text selected, the keys, Enter.
    static void Type(QWidget* field, const char* keys, bool enter = true) {
        field->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
        QTest::keyClicks(field, QLatin1String(keys));
        if (enter) QTest::keyClick(field, Qt::Key_Return);
    }

    TempDir dir;
    test::FakePrompter prompts;
    bool summaryLoaded = false;
    int reprocessed = 0;
    std::string shared;
    std::unique_ptr<SignalListWindow> window;
};

// New, Open, Import and Save As in Zarn_zed32 with the picture loaded, one after the other.
TEST_F(SignalListWindowTest, FileCommandsJourney) {
    const std::string other = dir.write("Other.SIG", Record("00145.50000"));
    dir.write("~FREQ.~IG", other + "\r\n");
    Start(kTwoRecords);
    EXPECT_EQ(Current(), CurrentIs("Other.SIG", "other.sig")); // the list the pointer names
    const std::string question = "Signal List's temp_file, " + dir.file("~FREQ.SIG") +
                                 "\r\nwill be erased to make room for new data.\r\nDo you want to continue?";
    Expect("New Signal List... CONFIRMATION:", question, MsgAnswer::No);
    window->New();
    EXPECT_EQ(List().size(), 1u);
    EXPECT_EQ(FileText(), kTwoRecords);
    Expect("New Signal List... CONFIRMATION:", question, MsgAnswer::Yes);
    window->New();
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
    EXPECT_EQ(FileText(), "");
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
    Expect("Default sig BW change", kReprocess, MsgAnswer::Yes);
    window->Open();
    EXPECT_EQ(reprocessed, 1);
    EXPECT_EQ(List(), (Lines{Line("00010.00000"), Line("00030.00000", "new")}));
    EXPECT_EQ(Current(), CurrentIs("Net.SIG", "net.sig"));
    EXPECT_EQ(prompts.dialogs.back().request.filter, "File (*.SIG)|*.SIG");
    EXPECT_TRUE(prompts.dialogs.back().request.mustExist);

    // Import asks about each conflict, keeps the current file, and highlights what it took.
    const std::string from =
        dir.write("In.SIG", Record("00010.00000", "A") + "not a record\r\n" + Record("00015.00000", "new") +
                                Record("00030.00000", "C") + Record("00040.00000", "late"));
    prompts.ExpectOpenFile("Importing... Frequency List File", from);
    Expect("IMPORT Signal... CONFIRMATION:", Question("00010.00000"), MsgAnswer::Yes);
    Expect("IMPORT Signal... CONFIRMATION:", Question("00030.00000"), MsgAnswer::No);
    Expect("Default sig BW change", kReprocess, MsgAnswer::No);
    window->Import();
    EXPECT_EQ(reprocessed, 1);
    EXPECT_EQ(TempDir::read(dir.file("Net.SIG")), Record("00010.00000", "A") + Record("00015.00000", "new") +
                                                      Record("00030.00000", "new") +
                                                      Record("00040.00000", "late"));
    EXPECT_EQ(Current(), CurrentIs("Net.SIG", "net.sig"));
    EXPECT_EQ(window->CurrentIndex(), 3);                              // the last one taken
    EXPECT_EQ(window->HighlightedRows(), (std::vector<int>{0, 1, 3})); // not the one answered No

    summaryLoaded = false;
    // Save As forces the .SIG extension (the rule's cases are in the model test) and makes the file current.
    prompts.ExpectSaveFile("Saving... Signal List File", dir.file("a.b.c"));
    window->SaveAs();
    EXPECT_EQ(TempDir::read(dir.file("a.b.SIG")), TempDir::read(dir.file("Net.SIG")));
    EXPECT_EQ(Current(), CurrentIs("a.b.SIG", "a.b.sig"));
    EXPECT_TRUE(prompts.dialogs.back().request.confirmOverwrite);
}

// In both programs, on a folder without list files (an empty default list is made): the menus and
// their enabled states, the colours and the header; Open, which asks to reprocess only in Zarn_zed32
// with the picture loaded; Close, which hides the window in Zarn_zed32 and closes it in SigRoll32.
TEST_F(SignalListWindowTest, BothPrograms) {
    // Each menu's title, then its items ("-" a separator), with " (off)" on those disabled.
    const std::string menus[] = {
        "&File: &New|&Open...|&Import...|Signal List &Filename...|-|&Close|-|Import Fro&m Other Format...|"
        "Expor&t To Other Format...|&Tools: &Add Data|&Edit Data              Enter|&Delete Data          "
        "Del|"
        "De&lete All Data|&Transfer Data (off)|-|&Copy                    Ctl+C|Copy &Freq|"
        "&Paste                   Ctl+V|",
        "&File: &New|&Open...|&Import...|Signal List &Filename...|-|E&xit|-|Import Fro&m Other Format...|"
        "Expor&t To Other Format...|&Tools: &Add Data|&Edit Data             Enter|&Delete Data         Del|"
        "De&lete All Data|&Transfer Data (off)|-|&Copy                   Ctl+C|Copy &Freq|"
        "&Paste                  Ctl+V|&Help: &About|",
    };
    for (bool standalone : {false, true}) {
        SCOPED_TRACE(standalone);
        summaryLoaded = standalone;
        std::filesystem::remove(dir.file("~FREQ.~IG"));
        QPointer<SignalListWindow> w = &Loaded(standalone);
        EXPECT_EQ(Current(), CurrentIs("~FREQ.SIG", "~freq.sig"));
        EXPECT_EQ(FileText(), "");
        std::string menu;
        for (const QAction* m : w->menuBar()->actions()) {
            menu += m->text().toStdString() + ": ";
            for (const QAction* a : m->menu()->actions())
                menu +=
                    (a->isSeparator() ? "-" : a->text().toStdString()) + (a->isEnabled() ? "|" : " (off)|");
        }
        EXPECT_EQ(menu, menus[standalone]);
        const QPalette pal = Find<QListView>("L_Freq")->palette();
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(pal.color(QPalette::Active, QPalette::Text),
                  standalone ? QColor(0, 255, 255) : QColor(0, 255, 0));
        EXPECT_EQ(pal.color(QPalette::Disabled, QPalette::Base), QColor(128, 128, 128));
        EXPECT_EQ(Find<QLabel>("PL")->text().toStdString(),
                  "  Freq                IFBw   Cor  Det  Typ Pri  Lk Comments");
        if (standalone) {
            prompts.ExpectMessage(
                "About SigRoll32",
                "SigRoll32\r\n\r\nKeeps the station's signal list: frequencies with their IF "
                "bandwidth, COR threshold, detection mode, class, hand-off priority, lockout "
                "and comment.",
                MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
            Find<QAction>("Help_About")->trigger();
        }

        prompts.ExpectOpenFile(standalone ? "Select... Signal List file to Open"
                                          : "Loading... Signal List File",
                               dir.write("Net.SIG", kTwoRecords));
        window->Open();
        EXPECT_EQ(List().size(), 2u);
        EXPECT_EQ(reprocessed, 0);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        window.release()->CloseWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w.isNull(), standalone);
        EXPECT_FALSE(w && w->isVisible());
        delete w.data();
    }
}

// In SigRoll32: the help line under hover and focus; the list's keys run the tools (their first prompt shows
// which); A opens the add panel, which takes the bottom of the window and shortens the list, also after a
// resize below the minimum size.
TEST_F(SignalListWindowTest, HelpLineKeysAndPanelLayout) {
    Start(kTwoRecords, true, true);
    const auto hover = [&](const char* name) {
        QWidget* w = Find<QWidget>(name);
        if (auto* view = qobject_cast<QListView*>(w)) w = view->viewport();
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        return Help();
    };
    const std::string file =
        "Filename = " + QString::fromStdString(dir.path() + "/~freq.sig").toLower().toStdString();
    EXPECT_EQ(hover("L_Add"), "ADD new data into Signal List");
    EXPECT_EQ(hover("L_Edit"), "EDIT selected data in the Signal List");
    EXPECT_EQ(hover("L_Delete"), "DELETE highlighted data from Signal List");
    EXPECT_EQ(hover("L_CrossHair"), "TRANSFER data into the RECEIVER CONTROL PANEL");
    EXPECT_EQ(hover("P_Help"), file);
    EXPECT_EQ(hover("P"), file);
    Find<QPushButton>("L_Add")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Help(), "ADD new data into Signal List");
    auto* list = Find<QListView>("L_Freq");
    list->setFocus(Qt::TabFocusReason); // no row made current by itself
    EXPECT_EQ(Help(), "Signal# 0000");
    EXPECT_EQ(window->CurrentIndex(), -1);

    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char *title, *text; // no title: Copy, seen on the clipboard
    } keys[] = {
        {Qt::Key_Return, Qt::NoModifier, "EDIT Signal List... WARNING:", kSelectFirst},
        {Qt::Key_E, Qt::NoModifier, "EDIT Signal List... WARNING:", kSelectFirst},
        {Qt::Key_Delete, Qt::NoModifier, "DELETE Signal List... WARNING:", kHighlightFirst},
        {Qt::Key_D, Qt::NoModifier, "DELETE Signal List... WARNING:", kHighlightFirst},
        {Qt::Key_V, Qt::ControlModifier, "PASTE Signal List... WARNING:", kIncompatible},
        {Qt::Key_Insert, Qt::ShiftModifier, "PASTE Signal List... WARNING:", kIncompatible},
        {Qt::Key_C, Qt::ControlModifier, nullptr, nullptr},
        {Qt::Key_Insert, Qt::ControlModifier, nullptr, nullptr},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(QKeySequence(k.key | k.mods).toString().toStdString());
        SetClipboard("not a signal list");
        if (k.title) Expect(k.title, k.text, MsgAnswer::Ok);
        QTest::keyClick(list, k.key, k.mods);
        EXPECT_EQ(Clipboard(), k.title ? "not a signal list" : Clip({}));
    }
    window->SetCurrent(1);
    EXPECT_EQ(hover("L_Freq"), "Signal# 0002");

    QTest::keyClick(list, Qt::Key_A);
    ASSERT_TRUE(window->PanelOpen());
    window->resize(50, 50);
    QTest::qWait(20);
    const auto height = [&](const char* name) { return Find<QWidget>(name)->height(); };
    EXPECT_EQ(window->centralWidget()->size(), QSize(Px(4640 - 120), Px(3300 - 690)));
    EXPECT_EQ(Find<QLabel>("PE")->geometry().bottom() + 1, height("P"));
    EXPECT_EQ(height("PL"), height("P") - height("PE") - Px(90));
    window->ClosePanel();
    EXPECT_EQ(height("PL"), height("P") - Px(420));
    EXPECT_EQ(Find<QPushButton>("L_Add")->y(), height("PL") + Px(45));
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

// What Copy, Delete and Delete All ask or warn in each state (No keeps the list and its file), then the
// copied entries pasted back, first into the emptied list, then over themselves.
TEST_F(SignalListWindowTest, CopyDeleteAndPasteBack) {
    Start("");
    Expect("DELETE Signal List... WARNING:", "Signal List is already empty.  There is no data to be DELETED.",
           MsgAnswer::Ok);
    window->Delete();
    Expect("DELETE Signal List... CONFIRMATION:", kDeleteAll, MsgAnswer::Yes); // asked even when empty
    window->DeleteAll();
    const Lines lines = Entries(1, 10);
    dir.write("~FREQ.SIG", Records(lines));
    window->Load();
    SetClipboard("old");
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), ""); // nothing highlighted
    Expect("DELETE Signal List... WARNING:", kHighlightFirst, MsgAnswer::Ok);
    window->Delete();
    window->SetHighlighted(2, true);
    window->SetHighlighted(4, true);
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), "00003.00000\r\n00005.00000\r\n");
    window->Copy();
    EXPECT_EQ(Clipboard(), Clip({lines[2], lines[4]}));
    dir.write("~FREQ.SIG", "untouched");
    Expect("DELETE Signal List... CONFIRMATION:", kDeleteSome, MsgAnswer::No);
    window->Delete();
    Expect("DELETE Signal List... CONFIRMATION:", kDeleteAll, MsgAnswer::No);
    window->DeleteAll();
    EXPECT_EQ(List(), lines);
    EXPECT_EQ(FileText(), "untouched");
    Expect("DELETE Signal List... CONFIRMATION:", kDeleteSome, MsgAnswer::Yes);
    window->Delete();
    EXPECT_EQ(List(),
              (Lines{lines[0], lines[1], lines[3], lines[5], lines[6], lines[7], lines[8], lines[9]}));
    EXPECT_EQ(State(), "current 2 saved"); // the entry in front of the last one removed

    Expect("DELETE Signal List... CONFIRMATION:", kDeleteAll, MsgAnswer::Yes);
    window->DeleteAll();
    EXPECT_EQ(FileText(), "");
    window->Paste();
    EXPECT_EQ(List(), (Lines{lines[2], lines[4]}));
    EXPECT_EQ(State(), "0 1 current 1 saved");
    // Pasting the same entries asks for each; Yes replaces them.
    ExpectPasteQuestion(lines[2], MsgAnswer::Yes);
    ExpectPasteQuestion(lines[4], MsgAnswer::Yes);
    window->Paste();
    EXPECT_EQ(List(), (Lines{lines[2], lines[4]}));
    EXPECT_EQ(State(), "0 1 current 1 saved");
}

// No skips an entry, Cancel stops the paste; the questioned entries are unhighlighted again and the
// file is rewritten from the list; the header alone pastes nothing but rewrites the file too.
TEST_F(SignalListWindowTest, PasteAnsweredNoOrCancelAndForeignTexts) {
    const Lines lines = Entries(1, 3);
    Start(Records(lines));
    std::string one = lines[0], two = lines[1];
    one[42] = two[42] = '0';
    for (const std::string& clip : {Clip({one, two, Entries(7, 7)[0]}), Clip({})}) {
        dir.write("~FREQ.SIG", "stale\r\n");
        SetClipboard(clip);
        if (clip != Clip({})) {
            ExpectPasteQuestion(one, MsgAnswer::No);
            ExpectPasteQuestion(two, MsgAnswer::Cancel);
        }
        window->Paste();
        EXPECT_EQ(List(), lines);
        EXPECT_EQ(State(), "current -1 saved");
    }
    SetClipboard("00001.00000\r\n"); // which texts are foreign is the clipboard text test's table
    Expect("PASTE Signal List... WARNING:", kIncompatible, MsgAnswer::Ok);
    window->Paste();
    EXPECT_EQ(List(), lines);

    // Into a full list: one warning, and what fitted is kept and highlighted.
    Start(Records(Entries(10, 10 + kMaxSignalEntries - 2, "00.000")));
    SetClipboard(Clip(Entries(1, 3)));
    Expect("PASTE Signal List... WARNING:",
           "Signal List is full (32767 entries).  No more data can be added.", MsgAnswer::Ok);
    window->Paste();
    EXPECT_EQ(window->List().Count(), kMaxSignalEntries);
    EXPECT_EQ(window->List().Line(0), Entries(1, 1)[0]);
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
}

// Add: what the panel shows, each field's Enter (the next field on a good value, the same field
// reselected on a refused one), Escape without a change, then a typed entry accepted by Enter; the
// comment chooser stores a typed comment in the first unused slot, or in the slot clicked last (once),
// and writes the comment file each time.
TEST_F(SignalListWindowTest, AddJourney) {
    Start(Record("00010.00000", "", "00.100"), true);
    window->Add();
    EXPECT_EQ(Find<QLabel>("PE")->text(), QStringLiteral("Add Panel..."));
    EXPECT_FALSE(Find<QListView>("L_Freq")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("L_Add")->isHidden());
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentText() + Find<QComboBox>("P_Det")->itemText(3), "FM PLS");
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_2")->isChecked());
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->palette().color(QPalette::Base), QColor(Qt::yellow));
    EXPECT_EQ(Focus(), "P_Freq");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Help(), "Add New Signal ...");
    const struct {
        const char *field, *typed, *shown, *focus;
    } cases[] = {
        {"P_Freq", "100000", "00020.00000", "P_Freq"},
        {"P_Freq", "12.5", "00012.50000", "P_Ifbw"},
        {"P_Ifbw", "99.9995", "00.010", "P_Ifbw"},
        {"P_Ifbw", "0.01", "00.010", "P_Cor"},
        {"P_Cor", "120", "20", "P_Cor"},
        {"P_Cor", "-7", "-1", "P_Det"},
        {"P_Priority", "10", "9", "P_Priority"},
        {"P_Priority", "3", "3", "P_Comment"},
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
    EXPECT_EQ(List().back(), " 00145.50000   00.010   20   FM    ?s     9        a;b");
    EXPECT_EQ(State(), "1 current 1 saved");

    // Pasted line breaks in the comment stay on one line.
    window->Add();
    Find<QPlainTextEdit>("P_Comment")->setPlainText(QStringLiteral("one\ntwo\nthree"));
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryComment(List()[1]), "one two three");
    EXPECT_EQ(State(), "1 current 1 saved");

    window->Add();
    auto* chooser = Find<QComboBox>("Cmb_Comment");
    ASSERT_EQ(chooser->count(), 20);
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
    EXPECT_NE(TempDir::read(dir.file("~Freq.Cmt"))
                  .find("Net 4\r\nRelay\r\nUnused\r\nUnused\r\nUnused\r\nBeacon\r\n"),
              std::string::npos);
}

// Edit: a colliding frequency asks (No adds or changes nothing, Yes replaces the entry it met), an
// edit that collides with nothing moves the entry, and several entries edited at once change only the
// filled fields and the lockout.
TEST_F(SignalListWindowTest, EditJourney) {
    const std::string records = Record("00010.00000", "", "00.100") +
                                Record("00020.00000", "net", "00.100", true) +
                                Record("00030.00000", "", "00.100");
    Start(records, true);
    Expect("EDIT Signal List... WARNING:", kSelectFirst, MsgAnswer::Ok);
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
    Expect("EDIT Signal... CONFIRMATION:", Question("00030.01000"), MsgAnswer::No);
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(FileText(), records);
    EXPECT_EQ(window->CurrentIndex(), 1);

    for (const MsgAnswer answer : {MsgAnswer::No, MsgAnswer::Yes}) {
        window->Add(); // the lockout box stays as the last edit left it
        EXPECT_TRUE(Find<QCheckBox>("Chk_Lockout")->isChecked());
        Type(Find<QLineEdit>("P_Freq"), "10.04");
        Expect("ADD Signal... CONFIRMATION:", Question("00010.04000"), answer);
        Find<QPushButton>("B_OK")->click();
        EXPECT_FALSE(window->PanelOpen());
    }
    EXPECT_EQ(List()[0], " 00010.04000   00.010   20   FM    ?s     9    x   ");
    EXPECT_EQ(State(), "0 current 0 saved");

    Select({0});
    window->Edit();
    Type(Find<QLineEdit>("P_Freq"), "25");
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryFreqText(List()[1]), "00025.00000");
    EXPECT_EQ(window->CurrentIndex(), 1);
    EXPECT_EQ(FileText(), Records(List()));

    Start(Record("00010.00000", "a", "00.100", true) + Record("00020.00000", "", "00.200") +
              Record("00030.00000", "c", "00.300") + Record("00040.00000", "", "00.400"),
          true);
    Lines expected = List();
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
    for (std::size_t row : {0, 1, 3})
        expected[row].replace(42, 6, "3    x");
    EXPECT_EQ(List(), expected);
    EXPECT_EQ(FileText(), Records(List()));
}

// Lists of other programs: a gqrx file whose entry collides with one listed comes in through the
// paste rules, and an SDR++ file with two lists asks which to take.
TEST_F(SignalListWindowTest, ExchangeWithOtherProgramsJourney) {
    Start(Record("00030.00000", "keep") + Record("00145.50000", "old"));
    const std::string gqrx =
        dir.write("bookmarks.csv",
                  "# Tag name          ;  color\nUntagged            ; #c0c0c0\n\n"
                  "# Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags\n"
                  "   145502000; \xC5\x81\xC3\xB3"
                  "d\xC5\xBA przemiennik        ; Narrow FM           ;      10000; Untagged\n"
                  "   118100000; Krak\xC3\xB3w Wie\xC5\xBC"
                  "a              ; AM                  ;       8000; Untagged\n"
                  "  not a freq; broken                   ; AM                  ;      10000; Untagged\n"
                  "     7074000;                          ; USB                 ;       2800; Untagged\n");
    summaryLoaded = true;
    prompts.ExpectOpenFile("Importing... List From Other Format", gqrx);
    Expect("IMPORT Signal... CONFIRMATION:", Question("00145.50200"), MsgAnswer::Yes);
    prompts.ExpectMessage(
        "IMPORT Other Format... RESULT:",
        "3 entries came in from bookmarks.csv (gqrx bookmarks).\r\n"
        "1 of them replaced an entry already listed.\r\n"
        "1 line could not be read and was skipped (line 7).\r\n"
        "2 names held letters outside Latin-1; they were changed to the nearest letter or \"?\".",
        MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    Expect("Default sig BW change", kReprocess, MsgAnswer::No);
    Find<QAction>("F_ImportOther")->trigger();
    const Lines imported = {
        MakeEntryLine("00007.07400", "00.003", "20", "USB", SignalClass::Unknown, "9", false, ""),
        Line("00030.00000", "keep"),
        MakeEntryLine("00118.10000", "00.008", "20", "AM ", SignalClass::Unknown, "9", false,
                      "Krak\xF3w Wieza"),
        Line("00145.50200", "L\xF3"
                            "dz przemiennik")};
    EXPECT_EQ(List(), imported);
    EXPECT_EQ(State(), "0 2 3 current 0 saved"); // what came in is highlighted, the file written
    EXPECT_TRUE(prompts.dialogs.back().request.mustExist);

    // The same file again: its first entry collides with itself, and Cancel leaves the list as it was.
    summaryLoaded = false;
    prompts.ExpectOpenFile("Importing... List From Other Format", gqrx);
    Expect("IMPORT Signal... CONFIRMATION:", Question("00145.50200"), MsgAnswer::Cancel);
    prompts.ExpectMessage(
        "IMPORT Other Format... RESULT:",
        "0 entries came in from bookmarks.csv (gqrx bookmarks).\r\n"
        "3 were not taken: the import was cancelled.\r\n"
        "1 line could not be read and was skipped (line 7).\r\n"
        "2 names held letters outside Latin-1; they were changed to the nearest letter or \"?\".",
        MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    window->ImportOtherFormat();
    EXPECT_EQ(List(), imported);
    EXPECT_EQ(State(), "current 0 saved");

    // Only the list answered Yes is read; its one bookmark collides and is declined.
    const std::string sdrpp = dir.write(
        "sdrpp.json",
        R"({"lists": {"General": {"bookmarks": {"Dup": {"bandwidth": 10000.0, "frequency": 30002000.0,
                         "mode": 0}}}, "Marine": {"bookmarks": {"Ch 16": {"bandwidth": 12500.0,
                         "frequency": 156800000.0, "mode": 0}}}}, "selectedList": "General"})");
    prompts.ExpectOpenFile("Importing... List From Other Format", sdrpp);
    Expect("IMPORT Other Format... CONFIRMATION:", "The file holds 2 lists.  Import the list \"General\"?",
           MsgAnswer::Yes);
    Expect("IMPORT Other Format... CONFIRMATION:", "The file holds 2 lists.  Import the list \"Marine\"?",
           MsgAnswer::No);
    Expect("IMPORT Signal... CONFIRMATION:", Question("00030.00200"), MsgAnswer::No);
    prompts.ExpectMessage("IMPORT Other Format... RESULT:",
                          "0 entries came in from sdrpp.json (SDR++ frequency manager).\r\n"
                          "1 was skipped: the entries already listed there were kept.",
                          MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    window->ImportOtherFormat();
    EXPECT_EQ(List(), imported);

    // A file of no known format is refused and changes nothing.
    prompts.ExpectOpenFile("Importing... List From Other Format", dir.write("notes.txt", "hello\n"));
    prompts.ExpectMessage(
        "IMPORT Other Format... RESULT:",
        "The file is not a list in a format the Signal List knows: gqrx bookmarks, SDR++ frequency "
        "manager, CHIRP CSV or scanner channel CSV.",
        MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->ImportOtherFormat();
    EXPECT_EQ(List(), imported);
}

// Export: the filter left chosen picks the format written, a name without extension gets the
// format's, and the report names both; the list stays as it was. A file the extension makes that
// exists already is replaced only when the operator agrees.
TEST_F(SignalListWindowTest, EachExportFilterWritesItsFormat) {
    const Lines list = Entries(1, 5);
    Start(Records(list), false, true);
    const struct {
        const char *filter, *name, *file;
        ExchangeFormat format;
    } formats[] = {{"gqrx bookmarks", "gqrx", "gqrx.csv", ExchangeFormat::Gqrx},
                   {"SDR++ frequency manager", "sdrpp", "sdrpp.json", ExchangeFormat::SdrPlusPlus},
                   {"CHIRP CSV", "chirp", "chirp.csv", ExchangeFormat::Chirp},
                   {"Scanner channel CSV", "scanner", "scanner.csv", ExchangeFormat::Scanner}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.filter);
        prompts.ExpectSaveFile("Exporting... List To Other Format", dir.file(f.name), f.filter);
        prompts.ExpectMessage("EXPORT Other Format... RESULT:",
                              "5 entries were written to " + dir.file(f.file) + " as " + f.filter + ".",
                              MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        Find<QAction>("F_ExportOther")->trigger();
        EXPECT_TRUE(prompts.dialogs.back().request.confirmOverwrite);
        // The writer's own test has the texts.
        EXPECT_EQ(TempDir::read(dir.file(f.file)), WriteExchange(f.format, list));
    }
    EXPECT_EQ(List(), list);

    const std::string chirp = TempDir::read(dir.file("chirp.csv"));
    prompts.ExpectSaveFile("Exporting... List To Other Format", dir.file("chirp"), "gqrx bookmarks");
    Expect("EXPORT Other Format... CONFIRMATION:",
           dir.file("chirp.csv") + " already exists.  Do you want to replace it?", MsgAnswer::No);
    window->ExportOtherFormat();
    EXPECT_EQ(TempDir::read(dir.file("chirp.csv")), chirp);
}

} // namespace
} // namespace zarn
