// The edit/add panel as the operator drives it: typed field values, the ways of accepting, the
// collision questions, the comment chooser, and the list file on disk after each change.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "find_control.h"
#include "temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempDir;

std::string Record(const char* freq, const char* ifbw = "00.100", bool lockout = false, const char* comment = "") {
    return FormatSignalRecord(MakeEntryLine(freq, ifbw, "20", "FM ", SignalClass::Unknown, "9", lockout, comment)) +
           "\r\n";
}
std::string Question(const char* freq) {
    return std::string("Freq = ") + freq +
           " MHz is already available in the Signal List.  Do you want to replace it with new data?";
}

class PanelTest : public ::testing::Test {
protected:
    template <typename T> T* Find(const char* name) const { return test::Control<T>(window.get(), name); }
    // Loads the window on a list file holding `records`, shown and active so focus moves for real.
    void Start(const std::string& records) {
        dir.write("~FREQ.SIG", records);
        SignalListSetup setup;
        setup.folder = dir.path();
        window = std::make_unique<SignalListWindow>(prompts, setup);
        window->Load();
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
    std::vector<std::string> Lines() const { return window->List().Lines(); }
    std::string FileText() const { return TempDir::read(dir.file("~FREQ.SIG")); }
    // Whether the list file holds the list as it stands.
    bool Saved() const {
        std::string text;
        for (const auto& l : Lines())
            text += FormatSignalRecord(l) + "\r\n";
        return FileText() == text;
    }
    void Select(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
        window->SetCurrent(*rows.begin());
    }

    TempDir dir;
    FakePrompter prompts;
    std::unique_ptr<SignalListWindow> window;
};

// Add: what the panel shows, each field's Enter (the next field on a good value, the same field
// reselected on a refused one), Escape without a change, then a typed entry accepted by Enter.
TEST_F(PanelTest, AddJourney) {
    Start(Record("00010.00000"));
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
    EXPECT_EQ(FileText(), Record("00010.00000"));

    window->Add();
    Type(Find<QLineEdit>("P_Freq"), "145.5");
    Type(Find<QPlainTextEdit>("P_Comment"), "a,b", false);
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("a;b"));
    QTest::keyClick(Find<QPlainTextEdit>("P_Comment"), Qt::Key_Return);
    EXPECT_FALSE(window->PanelOpen());
    EXPECT_EQ(Lines().back(), " 00145.50000   00.010   20   FM    ?s     9        a;b");
    EXPECT_TRUE(Saved());
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{1});
    EXPECT_EQ(window->CurrentIndex(), 1);

    // Pasted line breaks in the comment stay on one line.
    window->Add();
    Find<QPlainTextEdit>("P_Comment")->setPlainText(QStringLiteral("one\ntwo\nthree"));
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryComment(Lines()[1]), "one two three");
    EXPECT_TRUE(Saved());
}

// A colliding frequency asks: No adds or changes nothing, Yes replaces the entry it met.
TEST_F(PanelTest, CollisionsOnAddAndEdit) {
    const std::string records = Record("00010.00000") + Record("00020.00000", "00.100", true, "net") +
                                Record("00030.00000");
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
    EXPECT_EQ(Lines()[0], " 00010.04000   00.010   20   FM    ?s     9    x   ");
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
    EXPECT_TRUE(Saved());

    // An edit that collides with nothing moves the entry to its new place.
    Select({0});
    window->Edit();
    Type(Find<QLineEdit>("P_Freq"), "25");
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(EntryFreqText(Lines()[1]), "00025.00000");
    EXPECT_EQ(window->CurrentIndex(), 1);
    EXPECT_TRUE(Saved());
}

TEST_F(PanelTest, EditingSeveralChangesOnlyTheFilledFieldsAndTheLockout) {
    Start(Record("00010.00000", "00.100", true, "a") + Record("00020.00000", "00.200") +
          Record("00030.00000", "00.300", false, "c") + Record("00040.00000", "00.400"));
    const auto before = Lines();
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
    EXPECT_EQ(Lines(), expected);
    EXPECT_TRUE(Saved());
}

// Backspace brings back the start choice; Enter moves on; the help line follows the focus.
TEST_F(PanelTest, BackspaceRestoresTheStartChoices) {
    Start(Record("00010.00000"));
    Select({0});
    window->Edit();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Help(), "Edit Signal# 0001");
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
}

// A typed comment goes to the first unused slot, or to the slot clicked last (once), or with every
// slot used to the last one; the chooser's texts are written to the comment file each time.
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
    for (int i = 0; i < 20; ++i)
        store(i, QStringLiteral("text %1").arg(i));
    store(-1, QStringLiteral("new"));
    EXPECT_EQ(chooser->itemText(18) + chooser->itemText(19), QStringLiteral("text 18new"));
    EXPECT_NE(TempDir::read(dir.file("~Freq.Cmt")).find("text 18\r\nnew\r\n"), std::string::npos);
}

} // namespace
} // namespace zarn
