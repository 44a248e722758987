// The edit/add panel as the operator drives it: typed field values, the three ways of accepting,
// the collision questions, the comment chooser, and the list file on disk after each change.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "latin1.h"
#include "temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
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

// One record of a list file, built the way the window writes them.
std::string Record(const char* freq, const char* ifbw, bool lockout = false, const char* comment = "") {
    return FormatSignalRecord(
               MakeEntryLine(freq, ifbw, "20", "FM ", SignalClass::Unknown, "9", lockout, comment)) +
           "\r\n";
}

class PanelTest : public ::testing::Test {
protected:
    // A control of the window, found by its name.
    template <typename T> T* Find(const char* name) const {
        T* control = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
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

    // Types into a text field as the operator does: focus, the whole text selected, the keys.
    static void Type(QWidget* field, const char* keys) {
        field->setFocus();
        if (auto* e = qobject_cast<QLineEdit*>(field)) e->selectAll();
        QTest::keyClicks(field, QLatin1String(keys));
    }
    static void Enter(QWidget* field) { QTest::keyClick(field, Qt::Key_Return); }
    void TypeEnter(QWidget* field, const char* keys) {
        Type(field, keys);
        Enter(field);
    }

    std::vector<std::string> Lines() const { return window->List().Lines(); }
    std::string FileText() const { return TempDir::read(dir.file("~FREQ.SIG")); }
    void Select(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
        window->SetCurrent(*rows.begin());
    }

    TempDir dir;
    FakePrompter prompts;
    std::unique_ptr<SignalListWindow> window;
};

TEST_F(PanelTest, AddOpensThePanelAndEscapeClosesItWithoutChange) {
    Start(Record("00010.00000", "00.100"));
    const std::string before = FileText();
    window->Add();
    EXPECT_TRUE(window->PanelOpen());
    EXPECT_EQ(Find<QLabel>("PE")->text(), QStringLiteral("Add Panel..."));
    EXPECT_FALSE(Find<QListView>("L_Freq")->isEnabled());
    EXPECT_FALSE(Find<QMenu>("Tools")->menuAction()->isVisible());
    EXPECT_TRUE(Find<QPushButton>("L_Add")->isHidden());
    EXPECT_EQ(Find<QLineEdit>("P_Freq")->text(), QStringLiteral("00020.00000"));
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentText(), QStringLiteral("FM "));
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_2")->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("P_Freq"));
    EXPECT_EQ(Find<QLineEdit>("P_Freq")->selectedText(), Find<QLineEdit>("P_Freq")->text());
    // The list is shorter while the panel is open and regains its height when it closes.
    const int openHeight = Find<QListView>("L_Freq")->height();

    TypeEnter(Find<QLineEdit>("P_Freq"), "12.5");
    QTest::keyClick(Find<QLineEdit>("P_Ifbw"), Qt::Key_Escape);
    EXPECT_FALSE(window->PanelOpen());
    EXPECT_TRUE(Find<QListView>("L_Freq")->isEnabled());
    EXPECT_TRUE(Find<QMenu>("Tools")->menuAction()->isVisible());
    EXPECT_FALSE(Find<QPushButton>("L_Add")->isHidden());
    EXPECT_GT(Find<QListView>("L_Freq")->height(), openHeight);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_EQ(FileText(), before);
}

// Each typed value, Enter, and what the field then holds and where the focus is.
struct FieldCase {
    const char* field;
    const char* typed;
    const char* shown;
    const char* focus; // the field itself when the value was rejected
};

TEST_F(PanelTest, FieldRulesOnEnter) {
    const FieldCase cases[] = {
        {"P_Freq", "12.5", "00012.50000", "P_Ifbw"},
        {"P_Freq", "100000", "00020.00000", "P_Freq"},
        {"P_Freq", "0", "00000.00000", "P_Ifbw"},
        {"P_Ifbw", "0.01", "00.010", "P_Cor"},
        {"P_Ifbw", "99.9995", "00.010", "P_Ifbw"},
        {"P_Cor", "-7", "-1", "P_Det"},
        {"P_Cor", "120", "20", "P_Cor"},
        {"P_Cor", "7", "07", "P_Det"},
        {"P_Priority", "3", "3", "P_Comment"},
        {"P_Priority", "10", "9", "P_Priority"},
    };
    Start("");
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.typed);
        window->Add();
        auto* field = window->findChild<QLineEdit*>(QLatin1String(c.field));
        ASSERT_NE(field, nullptr);
        TypeEnter(field, c.typed);
        EXPECT_EQ(field->text().toStdString(), c.shown);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.focus);
        if (QApplication::focusWidget() == field) {
            EXPECT_EQ(field->selectedText(), field->text()); // reselected for retyping
        }
        window->ClosePanel();
    }
}

TEST_F(PanelTest, LeavingAFieldChecksItWithoutMovingTheFocus) {
    Start("");
    window->Add();
    Type(Find<QLineEdit>("P_Ifbw"), "abc");
    Find<QLineEdit>("P_Priority")->setFocus();
    EXPECT_EQ(Find<QLineEdit>("P_Ifbw")->text(), QStringLiteral("00.010"));
    Type(Find<QLineEdit>("P_Cor"), "5");
    Find<QLineEdit>("P_Freq")->setFocus();
    EXPECT_EQ(Find<QLineEdit>("P_Cor")->text(), QStringLiteral("05"));
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("P_Freq"));
}

TEST_F(PanelTest, CommaBecomesSemicolonAndEnterInTheCommentAccepts) {
    Start("");
    window->Add();
    TypeEnter(Find<QLineEdit>("P_Freq"), "145.5");
    Type(Find<QPlainTextEdit>("P_Comment"), "a,b");
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("a;b"));
    Enter(Find<QPlainTextEdit>("P_Comment"));
    EXPECT_FALSE(window->PanelOpen());
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(Lines()[0],
              MakeEntryLine("00145.50000", "00.010", "20", "FM ", SignalClass::Unknown, "9", false, "a;b"));
    EXPECT_EQ(FileText(), FormatSignalRecord(Lines()[0]) + "\r\n");
    EXPECT_TRUE(window->IsHighlighted(0));
    EXPECT_EQ(window->CurrentIndex(), 0);
}

TEST_F(PanelTest, PastedLineBreaksInTheCommentStayOnOneLine) {
    Start("");
    window->Add();
    Find<QPlainTextEdit>("P_Comment")->setPlainText(QStringLiteral("one\ntwo\nthree"));
    Find<QPushButton>("B_OK")->click();
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(EntryComment(Lines()[0]), "one two three");
    EXPECT_EQ(FileText().find('\n'), FileText().size() - 1);
}

TEST_F(PanelTest, AddCollisionAsksAndYesReplacesNoAddsNothing) {
    const std::string records = Record("00010.00000", "00.100") + Record("00020.00000", "00.100");
    const std::string question = "Freq = 00010.04000 MHz is already available in the Signal List.  Do you "
                                 "want to replace it with new data?";
    Start(records);
    window->Add();
    TypeEnter(Find<QLineEdit>("P_Freq"), "10.04");
    prompts.ExpectMessage("ADD Signal... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::No);
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(FileText(), records);
    EXPECT_FALSE(window->PanelOpen());

    window->Add();
    TypeEnter(Find<QLineEdit>("P_Freq"), "10.04");
    prompts.ExpectMessage("ADD Signal... CONFIRMATION:", question, MsgIcon::Question, MsgButtons::YesNo,
                          MsgAnswer::Yes);
    Find<QPushButton>("B_OK")->click();
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(EntryFreqText(Lines()[0]), "00010.04000");
    EXPECT_EQ(window->CurrentIndex(), 0);
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
    EXPECT_EQ(FileText(), FormatSignalRecord(Lines()[0]) + "\r\n" + Record("00020.00000", "00.100"));
}

// Edit without a current entry warns; an edit whose new frequency collides, answered No, changes nothing.
TEST_F(PanelTest, EditOneEntryAnsweredNoLeavesTheListAsItWas) {
    const std::string records = Record("00010.00000", "00.100") +
                                Record("00020.00000", "00.100", true, "net") +
                                Record("00030.00000", "00.100");
    Start(records);
    window->SetCurrent(-1);
    prompts.ExpectMessage(
        "EDIT Signal List... WARNING:", "Please select data field(s) from Signal List before EDITING.",
        MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->Edit();
    EXPECT_FALSE(window->PanelOpen());
    const auto before = Lines();
    Select({1});
    window->Edit();
    EXPECT_EQ(Find<QLabel>("PE")->text(), QStringLiteral("Edit Panel..."));
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("P_Ifbw"));
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("net"));
    EXPECT_TRUE(Find<QCheckBox>("Chk_Lockout")->isChecked());
    TypeEnter(Find<QLineEdit>("P_Freq"), "30.01");
    prompts.ExpectMessage("EDIT Signal... CONFIRMATION:",
                          "Freq = 00030.01000 MHz is already available in the Signal List.  Do you want to "
                          "replace it with new data?",
                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    Find<QPushButton>("B_OK")->click();
    EXPECT_EQ(Lines(), before);
    EXPECT_EQ(FileText(), records);
    EXPECT_EQ(window->CurrentIndex(), 1);
}

TEST_F(PanelTest, EditOneEntryMovesItToItsNewPlace) {
    Start(Record("00010.00000", "00.100") + Record("00020.00000", "00.100"));
    Select({0});
    window->Edit();
    TypeEnter(Find<QLineEdit>("P_Freq"), "25");
    TypeEnter(Find<QLineEdit>("P_Cor"), "-3");
    Find<QPushButton>("B_OK")->click();
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(EntryFreqText(Lines()[1]), "00025.00000");
    EXPECT_EQ(EntryCorText(Lines()[1]), "-1");
    EXPECT_EQ(window->CurrentIndex(), 1);
    EXPECT_TRUE(window->IsHighlighted(1));
    EXPECT_EQ(FileText(), Record("00020.00000", "00.100") + FormatSignalRecord(Lines()[1]) + "\r\n");
}

TEST_F(PanelTest, EditingSeveralChangesOnlyTheFilledFieldsAndTheLockout) {
    Start(Record("00010.00000", "00.100", true, "a") + Record("00020.00000", "00.200") +
          Record("00030.00000", "00.300", false, "c") + Record("00040.00000", "00.400"));
    const auto before = Lines();
    Select({0, 1, 3});
    window->Edit();
    EXPECT_FALSE(Find<QCheckBox>("Chk_Lockout")->isChecked());
    EXPECT_TRUE(Find<QLineEdit>("P_Freq")->isHidden());
    EXPECT_TRUE(Find<QPlainTextEdit>("P_Comment")->isHidden());
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_0")->isHidden());
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentIndex(), -1);
    EXPECT_EQ(Find<QLineEdit>("P_Ifbw")->text(), QString());
    TypeEnter(Find<QLineEdit>("P_Ifbw"), ""); // an empty field stays empty: unchanged
    EXPECT_EQ(Find<QLineEdit>("P_Ifbw")->text(), QString());
    TypeEnter(Find<QLineEdit>("P_Priority"), "3");
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("P_Priority")); // the comment is hidden
    Find<QCheckBox>("Chk_Lockout")->setChecked(true);
    Find<QPushButton>("B_OK")->click();

    const auto after = Lines();
    ASSERT_EQ(after.size(), before.size());
    for (int row : {0, 1, 3}) {
        SCOPED_TRACE(row);
        std::string expected = before[static_cast<std::size_t>(row)];
        expected[42] = '3';
        expected[47] = 'x';
        EXPECT_EQ(after[static_cast<std::size_t>(row)], expected);
    }
    EXPECT_EQ(after[2], before[2]);
    std::string file;
    for (const auto& l : after)
        file += FormatSignalRecord(l) + "\r\n";
    EXPECT_EQ(FileText(), file);
}

TEST_F(PanelTest, AddKeepsTheLockoutBoxFromTheLastEdit) {
    Start(Record("00010.00000", "00.100", true));
    Select({0});
    window->Edit();
    Find<QPushButton>("B_Cancel")->click();
    window->Add();
    EXPECT_TRUE(Find<QCheckBox>("Chk_Lockout")->isChecked());
    Find<QPushButton>("B_OK")->click();
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_TRUE(EntryLockedOut(Lines()[1]));
}

TEST_F(PanelTest, BackspaceRestoresTheStartChoices) {
    Start(Record("00010.00000", "00.100"));
    Select({0});
    window->Edit();
    Find<QComboBox>("P_Det")->setCurrentIndex(5);
    QTest::keyClick(Find<QComboBox>("P_Det"), Qt::Key_Backspace);
    EXPECT_EQ(Find<QComboBox>("P_Det")->currentText(), QStringLiteral("FM "));
    Enter(Find<QComboBox>("P_Det"));
    EXPECT_EQ(QApplication::focusWidget(), Find<QRadioButton>("P_Sig_2"));
    Find<QRadioButton>("P_Sig_0")->click();
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_0")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("P_Sig_2")->isChecked());
    Find<QRadioButton>("P_Sig_0")->click(); // an option that is on stays on
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_0")->isChecked());
    QTest::keyClick(Find<QRadioButton>("P_Sig_0"), Qt::Key_Backspace);
    EXPECT_TRUE(Find<QRadioButton>("P_Sig_2")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("P_Sig_0")->isChecked());
    Enter(Find<QRadioButton>("P_Sig_2"));
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("P_Priority"));
    EXPECT_EQ(Find<QLabel>("P_Help")->text(),
              QStringLiteral("ENTER Handoff Priority (0 = Highest, 9 = Lowest)"));
}

TEST_F(PanelTest, CommentChooserStoresAndWritesTheCommentFile) {
    Start("");
    const std::string cmt = dir.file("~Freq.Cmt");
    window->Add();
    ASSERT_EQ(Find<QComboBox>("Cmb_Comment")->count(), 20);
    Find<QComboBox>("Cmb_Comment")->setEditText(QStringLiteral("Net 4"));
    Enter(Find<QComboBox>("Cmb_Comment"));
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->toPlainText(), QStringLiteral("Net 4"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(0), QStringLiteral("Net 4"));
    std::string expected = "[Signal List Comments]\r\nNet 4\r\n";
    for (int i = 1; i < 20; ++i)
        expected += "Unused\r\n";
    EXPECT_EQ(TempDir::read(cmt), expected);

    // A clicked slot takes the next text.
    emit Find<QComboBox>("Cmb_Comment")->activated(5);
    Find<QComboBox>("Cmb_Comment")->setEditText(QStringLiteral("Beacon"));
    Enter(Find<QComboBox>("Cmb_Comment"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(5), QStringLiteral("Beacon"));
    // The click counts once: the next text goes to the first unused slot again.
    Find<QComboBox>("Cmb_Comment")->setEditText(QStringLiteral("Relay"));
    Enter(Find<QComboBox>("Cmb_Comment"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(1), QStringLiteral("Relay"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(5), QStringLiteral("Beacon"));
    EXPECT_TRUE(window->PanelOpen());

    // With every slot used, a new text overwrites the last one.
    for (int i = 0; i < 20; ++i) {
        emit Find<QComboBox>("Cmb_Comment")->activated(i);
        Find<QComboBox>("Cmb_Comment")->setEditText(QStringLiteral("text %1").arg(i));
        Enter(Find<QComboBox>("Cmb_Comment"));
    }
    Find<QComboBox>("Cmb_Comment")->setEditText(QStringLiteral("new"));
    Enter(Find<QComboBox>("Cmb_Comment"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(19), QStringLiteral("new"));
    EXPECT_EQ(Find<QComboBox>("Cmb_Comment")->itemText(18), QStringLiteral("text 18"));
    EXPECT_NE(TempDir::read(cmt).find("text 18\r\nnew\r\n"), std::string::npos);
}

TEST_F(PanelTest, DetectionChoicesCommentColourAndHelpTexts) {
    Start(Record("00010.00000", "00.100"));
    EXPECT_EQ(Find<QComboBox>("P_Det")->count(), 8);
    EXPECT_EQ(Find<QComboBox>("P_Det")->itemText(3), QStringLiteral("PLS"));
    EXPECT_EQ(Find<QPlainTextEdit>("P_Comment")->palette().color(QPalette::Base), QColor(Qt::yellow));
    Select({0});
    window->Edit();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Find<QLabel>("P_Help")->text(), QStringLiteral("Edit Signal# 0001"));
    Find<QLineEdit>("P_Cor")->setFocus();
    EXPECT_EQ(Find<QLabel>("P_Help")->text(), QStringLiteral("ENTER COR value in dB"));
    window->ClosePanel();
    window->Add();
    QApplication::sendEvent(Find<QLabel>("PE"), &enter);
    EXPECT_EQ(Find<QLabel>("P_Help")->text(), QStringLiteral("Add New Signal ..."));
}

} // namespace
} // namespace zarn
