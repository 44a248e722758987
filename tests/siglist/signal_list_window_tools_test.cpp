// The clipboard and bulk tools of the signal list window: what goes on the clipboard, what a paste
// asks and adds, what Delete and Delete All remove, and the list file after each.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "temp_dir.h"

#include <QApplication>
#include <QClipboard>
#include <QListView>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempDir;

constexpr const char* kHeader = "[SIGNAL LIST DATA FORMAT]\r\n";

// Entry n (from 1) at n MHz, 0.100 MHz wide: no two pass bands overlap.
std::string Line(int n) {
    char freq[24];
    std::snprintf(freq, sizeof freq, "%05d.00000", n);
    return MakeEntryLine(freq, "00.100", "20", "AM ", SignalClass::Soi, "3", n % 2 == 0,
                         "net " + std::to_string(n));
}

std::string Records(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += FormatSignalRecord(l) + "\r\n";
    return text;
}

std::vector<std::string> FirstLines(int count) {
    std::vector<std::string> lines;
    for (int n = 1; n <= count; ++n)
        lines.push_back(Line(n));
    return lines;
}

std::string ClipboardText() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void SetClipboard(const std::string& text) {
    QGuiApplication::clipboard()->setText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

std::string PasteQuestion(const std::string& line) {
    return "Freq = " + std::string(EntryFreqText(line)) +
           " MHz is already available in the Signal List.  Do you want to replace it with new data?";
}

class ToolsTest : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& lines) {
        dir.write("~FREQ.SIG", Records(lines));
        SignalListSetup setup;
        setup.folder = dir.path();
        window = std::make_unique<SignalListWindow>(prompts, setup);
        window->Load();
    }
    void TearDown() override { EXPECT_TRUE(prompts.AllMet()) << prompts.Report(); }

    void Highlight(std::initializer_list<int> rows) {
        for (int r : rows)
            window->SetHighlighted(r, true);
    }
    std::vector<std::string> Lines() const { return window->List().Lines(); }
    std::string FileText() const { return TempDir::read(dir.file("~FREQ.SIG")); }
    void ExpectDeleteAll(MsgAnswer answer) {
        prompts.ExpectMessage("DELETE Signal List... CONFIRMATION:",
                              "Are you sure, you want to delete ALL data from Signal List?",
                              MsgIcon::Question, MsgButtons::YesNo, answer);
    }

    TempDir dir;
    FakePrompter prompts;
    std::unique_ptr<SignalListWindow> window;
};

TEST_F(ToolsTest, CopyFreqCopyTwoThenPasteIntoAnEmptyList) {
    const auto lines = FirstLines(3);
    Start(lines);
    Highlight({0, 2});
    window->CopyFreq(); // bare frequencies
    EXPECT_EQ(ClipboardText(), "00001.00000\r\n00003.00000\r\n");
    window->Copy();
    EXPECT_EQ(ClipboardText(), kHeader + lines[0] + "\r\n" + lines[2] + "\r\n");

    ExpectDeleteAll(MsgAnswer::Yes);
    window->DeleteAll();
    EXPECT_TRUE(window->List().Empty());
    EXPECT_EQ(FileText(), "");

    window->Paste();
    EXPECT_EQ(Lines(), (std::vector<std::string>{lines[0], lines[2]}));
    EXPECT_EQ(window->HighlightedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(FileText(), Records({lines[0], lines[2]}));
}

TEST_F(ToolsTest, CopyFreqOfNothingEmptiesTheClipboard) {
    Start(FirstLines(2));
    SetClipboard("old");
    window->CopyFreq();
    EXPECT_EQ(ClipboardText(), "");
}

TEST_F(ToolsTest, PasteRefusesAForeignTextAndTakesTheHeaderAlone) {
    const auto lines = FirstLines(2);
    Start(lines);
    for (const char* text :
         {"00001.00000\r\n", "", "[SIGNAL LIST DATA FORMAT", "[signal list data format]\r\n"}) {
        SCOPED_TRACE(text);
        SetClipboard(text);
        prompts.ExpectMessage("PASTE Signal List... WARNING:",
                              "Incompatible data format detected, data cannot be pasted into Signal List!",
                              MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
        window->Paste();
        EXPECT_EQ(Lines(), lines);
    }
    // The header alone pastes nothing, yet the file is rewritten from the list.
    dir.write("~FREQ.SIG", "stale\r\n");
    Highlight({1});
    SetClipboard(kHeader);
    window->Paste();
    EXPECT_EQ(Lines(), lines);
    EXPECT_TRUE(window->HighlightedRows().empty());
    EXPECT_EQ(FileText(), Records(lines));
}

TEST_F(ToolsTest, PastingTheSameListAsksForEveryLine) {
    const auto lines = FirstLines(3);
    Start(lines);
    Highlight({0, 1, 2});
    window->Copy();
    for (const auto& l : lines)
        prompts.ExpectMessage("PASTE Signal... CONFIRMATION:", PasteQuestion(l), MsgIcon::Question,
                              MsgButtons::YesNoCancel, MsgAnswer::Yes);
    window->Paste();
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(window->HighlightedRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(window->CurrentIndex(), 2);
    EXPECT_EQ(FileText(), Records(lines));
}

TEST_F(ToolsTest, PasteNoSkipsAndCancelStopsButWrites) {
    auto lines = FirstLines(3);
    Start(lines);
    dir.write("~FREQ.SIG", "stale\r\n");
    // Changed copies of entries 1 and 2, and a new entry 7 that Cancel never reaches.
    std::string one = lines[0], two = lines[1];
    one[42] = '0';
    two[42] = '0';
    SetClipboard(kHeader + one + "\r\n" + two + "\r\n" + Line(7) + "\r\n");
    prompts.ExpectMessage("PASTE Signal... CONFIRMATION:", PasteQuestion(one), MsgIcon::Question,
                          MsgButtons::YesNoCancel, MsgAnswer::No);
    prompts.ExpectMessage("PASTE Signal... CONFIRMATION:", PasteQuestion(two), MsgIcon::Question,
                          MsgButtons::YesNoCancel, MsgAnswer::Cancel);
    window->Paste();
    EXPECT_EQ(Lines(), lines);
    EXPECT_TRUE(window->HighlightedRows().empty()); // the questioned entries are unhighlighted again
    EXPECT_EQ(FileText(), Records(lines));
}

TEST_F(ToolsTest, PasteIntoAFullListWarnsOnceAndKeepsWhatFitted) {
    std::vector<std::string> lines;
    char freq[24];
    for (int n = 0; n < kMaxSignalEntries - 1; ++n) {
        std::snprintf(freq, sizeof freq, "%05d.00000", 10 + n);
        lines.push_back(MakeEntryLine(freq, "00.000", "20", "AM ", SignalClass::Unknown, "9", false, ""));
    }
    Start(lines);
    ASSERT_EQ(window->List().Count(), kMaxSignalEntries - 1);
    SetClipboard(kHeader + Line(1) + "\r\n" + Line(2) + "\r\n" + Line(3) + "\r\n");
    prompts.ExpectMessage(
        "PASTE Signal List... WARNING:", "Signal List is full (32767 entries).  No more data can be added.",
        MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->Paste();
    EXPECT_EQ(window->List().Count(), kMaxSignalEntries);
    EXPECT_EQ(window->List().Line(0), Line(1));
    EXPECT_EQ(window->HighlightedRows(), std::vector<int>{0});
}

TEST_F(ToolsTest, DeleteRemovesTheHighlightedEntries) {
    const auto lines = FirstLines(10);
    Start(lines);
    Highlight({2, 4});
    prompts.ExpectMessage("DELETE Signal List... CONFIRMATION:",
                          "Are you sure, you want to delete highlighted data from Signal List?",
                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    window->Delete();
    auto kept = lines;
    kept.erase(kept.begin() + 4);
    kept.erase(kept.begin() + 2);
    EXPECT_EQ(Lines(), kept);
    EXPECT_EQ(FileText(), Records(kept));
    // The entry in front of the last one removed is current: entry 4 of the ten.
    EXPECT_EQ(window->CurrentIndex(), 2);
    EXPECT_EQ(window->List().Line(2), lines[3]);
}

// What Delete and Delete All ask or warn in each state, and that No keeps the list and its file.
TEST_F(ToolsTest, DeleteQuestionsAndWarnings) {
    const char* kWarn = "DELETE Signal List... WARNING:";
    Start({});
    prompts.ExpectMessage(kWarn, "Signal List is already empty.  There is no data to be DELETED.",
                          MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->Delete();
    ExpectDeleteAll(MsgAnswer::Yes); // asked even when empty
    window->DeleteAll();
    EXPECT_EQ(FileText(), "");

    const auto lines = FirstLines(3);
    dir.write("~FREQ.SIG", Records(lines));
    window->Load();
    prompts.ExpectMessage(kWarn, "Please highlight data field(s) from Signal List before DELETING.",
                          MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    window->Delete();
    dir.write("~FREQ.SIG", "untouched");
    Highlight({1});
    prompts.ExpectMessage("DELETE Signal List... CONFIRMATION:",
                          "Are you sure, you want to delete highlighted data from Signal List?",
                          MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No);
    window->Delete();
    ExpectDeleteAll(MsgAnswer::No);
    window->DeleteAll();
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(FileText(), "untouched");
}

} // namespace
} // namespace zarn
