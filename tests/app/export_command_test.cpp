// The main window's File, Export... command: the file dialog, the overwrite question, the list the
// picture builds, the guard for the open file's own clips, failures, and an exported file that
// opens again with the same clips.
#include "zarn_app.h"
#include "main_bar.h"

#include "app_fixture.h"
#include "clip_table.h"
#include "eventline.h"
#include "find_control.h"
#include "summary_window.h"
#include "paths.h"
#include "segscan.h"
#include "temp_dir.h"

#include <QAction>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::AppTest;
using test::Control;
using test::TempDir;

constexpr const char* kExportTitle = "Export... Audio File Name";
constexpr const char* kExportWarning = "Warning message from: Export... Audio File Name";

// One NETORA segment of three clips, on three frequencies.
constexpr const char* kRecording = "Ver, Created by the recorder\r\n"
                                   "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
                                   "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
                                   "WAV,AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                   "WAV,AB0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0\r\n";

class ExportCommandTest : public AppTest {
protected:
    // Starts with the recording open on its segment and its picture loaded.
    void StartOnRecording() {
        Start();
        std::filesystem::create_directories(tmp.file("rec"));
        std::filesystem::create_directories(tmp.file("out"));
        event = tmp.write("rec/AB.EVA", kRecording);
        for (const char* clip : {"AB0001.WAV", "AB0002.WAV", "AB0003.WAV"})
            tmp.write(std::string("rec/") + clip, std::string("data of ") + clip);
        M().recording.SetEventFile(event, FolderOf(event));
        M().recording.SetSegments(ScanSegments(kRecording));
        M().recording.SetSelectedSegment(1);
        ASSERT_TRUE(app->ShowSummary());
        ASSERT_TRUE(M().recording.SummaryLoaded());
        ASSERT_NE(app->Summary(), nullptr);
        ExportItem()->setEnabled(true);
    }
    QAction* ExportItem() const { return Control<QAction>(app->MainWindow(), "Export"); }
    // Time 1 - 2 over the whole segment: every clip.
    void ChooseAllClips() { Control<QRadioButton>(app->Summary(), "Play_Opt", 1)->click(); }
    // The file dialog's answer is queued first; the prompts that follow it, after.
    void ExpectDialog(const std::string& chosen) { prompter.ExpectOpenFile(kExportTitle, chosen); }
    void Export() { ExportItem()->trigger(); }
    void Export(const std::string& chosen) {
        ExpectDialog(chosen);
        Export();
    }

    std::string event;
};

// The text itself is pinned by the export's own test; here the dialog, the frame of the text, the
// copies, and a file that opens again with the same clips.
TEST_F(ExportCommandTest, WritesTheChosenClipsAndAnEventFileThatOpensAgain) {
    StartOnRecording();
    ChooseAllClips();
    Export(tmp.file("out/AGAIN.TXT"));
    ASSERT_TRUE(prompter.AllMet()) << prompter.Report();
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    const FileDialogRequest& r = prompter.dialogs[0].request;
    EXPECT_EQ(r.name, "CMDialog2");
    EXPECT_EQ(r.filter, "*.EVA|*.EVA");
    EXPECT_FALSE(r.mustExist);
    EXPECT_EQ(M().play.PlayListCount(), 3);
    EXPECT_EQ(prompter.beeps, 0);

    const std::string text = TempDir::read(tmp.file("out/AGAIN.EVA"));
    EXPECT_EQ(text.rfind("Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 10:00:00 AM,AB0001.WAV\r\n", 0),
              0u) << text;
    EXPECT_EQ(text.substr(text.size() - 47), "\r\nSTOPBYTRIGGER,1/2/05 10:02:30 AM,AB0003.WAV\r\n");
    const SegmentTable segments = ScanSegments(text);
    ASSERT_EQ(segments.segCount, 1);
    ClipTableInput in;
    in.eventText = text;
    in.segStart = segments.start[1];
    in.segStop = segments.stop[1];
    in.segClipCount = segments.clipCount[1];
    in.segMaxNumber = segments.maxNumber[1];
    in.defaultIfbw = M().settings.DefaultIfbw();
    const ClipTable again = BuildClipTable(in);
    const ClipTable& source = M().recording.Table();
    ASSERT_EQ(again.ClipCount, source.ClipCount);
    EXPECT_EQ(again.RowCount, source.RowCount);
    // The fields after the name; the blanks that pad each line to 80 depend on the name's length.
    const auto fields = [](std::string_view line) {
        line.remove_prefix(line.find(','));
        return line.substr(0, line.find_last_not_of(' ') + 1);
    };
    for (int k = 1; k <= again.ClipCount; ++k) {
        EXPECT_EQ(again.ClipLine[k].substr(0, 12), ClipFileName("AGAI", k));
        EXPECT_EQ(fields(again.ClipLine[k]), fields(source.ClipLine[k])) << "clip " << k;
        EXPECT_EQ(again.Place[k].x1, source.Place[k].x1);
        EXPECT_EQ(again.Place[k].x2, source.Place[k].x2);
        EXPECT_EQ(TempDir::read(tmp.file("out/" + ClipFileName("AGAI", k))), "data of " + ClipFileName("AB", k));
    }
}

TEST_F(ExportCommandTest, CancelAndAnExistingTargetAskFirst) {
    StartOnRecording();
    ChooseAllClips();
    // Cancel in the file dialog ends the command silently.
    prompter.ExpectOpenFile(kExportTitle, std::nullopt);
    Export();

    const std::string target = tmp.write("out/OLD.EVA", "an earlier export\r\n");
    const std::string question = "File " + target + " already exists, ok to overwrite?";
    ExpectDialog(target);
    prompter.ExpectMessage(kExportTitle, question, MsgIcon::Question, MsgButtons::OkCancel,
                           MsgAnswer::Cancel);
    Export();
    EXPECT_EQ(TempDir::read(target), "an earlier export\r\n");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("out/OLD0001.WAV")));

    ExpectDialog(target);
    prompter.ExpectMessage(kExportTitle, question, MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    Export();
    EXPECT_EQ(TempDir::read(target).rfind("Ver, Created by Zarn_Aud Export Utility\r\n", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(tmp.file("out/OLD0003.WAV")));
}

// Base "ab" in the recording's own folder names the open file's clips but for case; the open file
// itself is refused even after the operator agreed to overwrite it.
TEST_F(ExportCommandTest, RefusesToReplaceTheOpenFilesClipsAndTellsWhyAFailureWroteNothing) {
    StartOnRecording();
    ChooseAllClips();
    const auto refusal = [&](const char* base) {
        prompter.ExpectMessage(kExportWarning,
                               std::string("The new clips ") + base + "0001.WAV... in " + tmp.file("rec/") +
                                   " would replace clips of the open file " + event +
                                   ".  Nothing was written; choose another name or folder.",
                               MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    };
    ExpectDialog(tmp.file("rec/ab.new"));
    refusal("ab");
    Export();
    ExpectDialog(event);
    prompter.ExpectMessage(kExportTitle, "File " + event + " already exists, ok to overwrite?",
                           MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    refusal("AB");
    Export();
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")), "data of AB0001.WAV");
    EXPECT_EQ(TempDir::read(event), kRecording);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("rec/ab.EVA")));

    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    const std::string target = tmp.file("out/NEW.EVA");
    ExpectDialog(target);
    prompter.ExpectMessage(kExportWarning,
                           "The export to " + target + " failed: Cannot find clip file " + tmp.file("rec/") +
                               "AB0002.WAV.  No event file was written.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Export();
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(ExportCommandTest, AnEmptyChoiceBeepsWritesNothingAndKeepsTheLastList) {
    StartOnRecording();
    M().play.SetPlayList({2, 3});
    // Time 1 - 2 with T1 after every clip: nothing to export.
    SummaryWindow* o = app->Summary();
    ChooseAllClips();
    o->SetLimits(o->T2() + 1, o->T2());
    Export(tmp.file("out/NEW.EVA"));
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("out/NEW.EVA")));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("out")));
    EXPECT_EQ(M().play.PlayList(), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(M().play.PlayListCount(), 2);
}

TEST_F(ExportCommandTest, WithoutAPictureNothingIsExported) {
    StartOnRecording();
    app->UnloadSummary();
    EXPECT_FALSE(ExportItem()->isEnabled());
    prompter.ExpectOpenFile(kExportTitle, tmp.file("out/NEW.EVA"));
    app->MainWindow()->Export_Click();
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("out")));
}

} // namespace
} // namespace zarn
