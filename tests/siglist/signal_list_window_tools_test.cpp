// The clipboard and bulk tools of the signal list window: what goes on the clipboard, what a paste
// asks and adds, what Delete and Delete All remove, and the list file after each.
#include "signal_list_window.h"

#include "entry_line.h"
#include "fake_prompter.h"
#include "temp_dir.h"

#include <QApplication>
#include <QClipboard>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempDir;
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

class ToolsTest : public ::testing::Test {
protected:
    void Start(const Lines& lines) {
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
    void Expect(const char* title, std::string text, MsgAnswer answer) {
        const bool warning = std::string(title).find("WARNING") != std::string::npos;
        prompts.ExpectMessage(title, std::move(text), warning ? MsgIcon::Exclamation : MsgIcon::Question,
                              warning                                  ? MsgButtons::Ok
                              : std::string(title).rfind("PASTE", 0) == 0 ? MsgButtons::YesNoCancel
                                                                       : MsgButtons::YesNo,
                              answer);
    }
    void ExpectPasteQuestion(const std::string& line, MsgAnswer answer) {
        Expect("PASTE Signal... CONFIRMATION:",
               "Freq = " + std::string(EntryFreqText(line)) +
                   " MHz is already available in the Signal List.  Do you want to replace it with new data?",
               answer);
    }
    // The list, its highlighted rows and its current row, and whether the file holds the list.
    std::string State() const {
        std::string rows;
        for (int r : window->HighlightedRows())
            rows += std::to_string(r) + " ";
        return rows + "current " + std::to_string(window->CurrentIndex()) +
               (TempDir::read(dir.file("~FREQ.SIG")) == Records(window->List().Lines()) ? " saved" : " unsaved");
    }

    TempDir dir;
    FakePrompter prompts;
    std::unique_ptr<SignalListWindow> window;
};

TEST_F(ToolsTest, CopyDeleteAllAndPasteBack) {
    const Lines lines = FirstLines(1, 3);
    Start(lines);
    SetClipboard("old");
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), ""); // nothing highlighted
    Highlight({0, 2});
    window->CopyFreq();
    EXPECT_EQ(Clipboard(), "00001.00000\r\n00003.00000\r\n");
    window->Copy();
    EXPECT_EQ(Clipboard(), kHeader + lines[0] + "\r\n" + lines[2] + "\r\n");
    Expect("DELETE Signal List... CONFIRMATION:", "Are you sure, you want to delete ALL data from Signal List?",
           MsgAnswer::Yes);
    window->DeleteAll();
    EXPECT_EQ(TempDir::read(dir.file("~FREQ.SIG")), "");
    window->Paste();
    EXPECT_EQ(window->List().Lines(), (Lines{lines[0], lines[2]}));
    EXPECT_EQ(State(), "0 1 current 1 saved");

    // Pasting the same entries asks for each; Yes replaces them.
    for (const auto& l : {lines[0], lines[2]})
        ExpectPasteQuestion(l, MsgAnswer::Yes);
    window->Paste();
    EXPECT_EQ(window->List().Lines(), (Lines{lines[0], lines[2]}));
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
    for (const char* text : {"00001.00000\r\n", "", "[SIGNAL LIST DATA FORMAT", "[signal list data format]\r\n"}) {
        SetClipboard(text);
        Expect("PASTE Signal List... WARNING:",
               "Incompatible data format detected, data cannot be pasted into Signal List!", MsgAnswer::Ok);
        window->Paste();
        EXPECT_EQ(window->List().Lines(), lines);
    }
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

// What Delete and Delete All ask or warn in each state; No keeps the list and its file.
TEST_F(ToolsTest, DeleteQuestionsWarningsAndWhatGoes) {
    Start({});
    Expect("DELETE Signal List... WARNING:", "Signal List is already empty.  There is no data to be DELETED.",
           MsgAnswer::Ok);
    window->Delete();
    Expect("DELETE Signal List... CONFIRMATION:", "Are you sure, you want to delete ALL data from Signal List?",
           MsgAnswer::Yes); // asked even when empty
    window->DeleteAll();
    const Lines lines = FirstLines(1, 10);
    dir.write("~FREQ.SIG", Records(lines));
    window->Load();
    Expect("DELETE Signal List... WARNING:", "Please highlight data field(s) from Signal List before DELETING.",
           MsgAnswer::Ok);
    window->Delete();
    dir.write("~FREQ.SIG", "untouched");
    Highlight({2, 4});
    const char* question = "Are you sure, you want to delete highlighted data from Signal List?";
    Expect("DELETE Signal List... CONFIRMATION:", question, MsgAnswer::No);
    window->Delete();
    Expect("DELETE Signal List... CONFIRMATION:", "Are you sure, you want to delete ALL data from Signal List?",
           MsgAnswer::No);
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
}

} // namespace
} // namespace zarn
