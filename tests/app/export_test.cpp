#include "export.h"
#include "main_bar.h"
#include "zarn_app.h"

#include "app_fixture.h"
#include "dates.h"
#include "find_control.h"
#include "paths.h"
#include "segscan.h"
#include "summary_window.h"

#include <QAction>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;
using namespace std::string_literals;

// A clip line as the clip table holds it: without "WAV,", padded with blanks to 80 characters.
std::string TableLine(std::string text) {
    text.resize(80, ' ');
    return text;
}

const std::string kLine1 = TableLine("AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0");
const std::string kLine2 = TableLine("AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7");
const std::string kLine3 = TableLine("AB0003.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0");

constexpr const char* kExportTitle = "Export... Audio File Name";
constexpr const char* kExportWarning = "Warning message from: Export... Audio File Name";

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

TEST(ExportNames, FormedFromTheChosenPath) {
    struct Case {
        const char* chosen;
        const char* seen; // target file|base|folder|first clip; "" when refused
    };
    const Case cases[] = {
        {"/out/NEW.TXT", "/out/NEW.EVA|NEW|/out/|NEW0001.WAV"},
        {"/out/LONGNAME.EVA", "/out/LONGNAME.EVA|LONG|/out/|LONG0001.WAV"},
        {"/out/new.eva", "/out/new.EVA|new|/out/|new0001.WAV"},
        {"/out/a.b.c", "/out/a.EVA|a|/out/|a0001.WAV"},
        {"/rec.2005/out.v2/NEW.EVA", "/rec.2005/out.v2/NEW.EVA|NEW|/rec.2005/out.v2/|NEW0001.WAV"},
        {"/rec.2005/NOEXTENSION", "/rec.2005/NOEXTENSION.EVA|NOEX|/rec.2005/|NOEX0001.WAV"},
        {"NEW.EVA", "NEW.EVA|NEW||NEW0001.WAV"},
        {"/out/", ""},
        {"/out/.EVA", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        const ExportNames n = ExportNamesOf(c.chosen);
        EXPECT_EQ(n.ok ? n.targetFile + "|" + n.base + "|" + n.targetFolder + "|" + ExportClipName(n.base, 1)
                       : "",
                  c.seen);
    }
    EXPECT_EQ(ExportClipName("LONG", 12), "LONG0012.WAV");
    EXPECT_EQ(ExportClipName("NEW", 10000), "NEW10000.WAV");
}

// One NETORA segment of three clips, on three frequencies, in a recording folder with its clips.
constexpr const char* kRecording = "Ver, Created by the recorder\r\n"
                                   "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n"
                                   "WAV,AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
                                   "WAV,AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0\r\n"
                                   "WAV,AB0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0\r\n";

class ExportTest : public test::AppTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(tmp.file("rec"));
        std::filesystem::create_directories(tmp.file("out"));
        event = tmp.write("rec/AB.EVA", kRecording);
        for (const char* clip : {"AB0001.WAV", "AB0002.WAV", "AB0003.WAV"})
            tmp.write(std::string("rec/") + clip, std::string("data of ") + clip);
        in.eventFileName = event;
        in.eventFolder = tmp.file("rec/");
        in.segStart = SerialFromParts({2005, 1, 2, 9, 59, 58});
        in.segStop = SerialFromParts({2005, 1, 2, 13, 5, 9});
        in.lines = {kLine3, TableLine("ab0001.wav,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0"),
                    kLine2 + "XY"};
    }
    QAction* Item() const { return test::Control<QAction>(app->MainWindow(), "Export"); }
    void Export(const std::optional<std::string>& chosen) {
        prompter.ExpectOpenFile(kExportTitle, chosen);
        Item()->trigger();
    }
    std::string event;
    ExportInput in;
};

// In play-list order, a line longer than 80 characters kept whole, a clip named in another case than
// on disk found, an old clip replaced; a missing source or nothing to export writes nothing.
TEST_F(ExportTest, CopiesTheClipsUnderTheirNewNamesOrWritesNothing) {
    tmp.write("out/NEW0002.WAV", "an older clip");
    const FileResult r = WriteExport(ExportNamesOf(tmp.file("out/NEW.TXT")), in);
    ASSERT_TRUE(r) << r.error;
    const std::string pad(17, ' ');
    const std::string text =
        "Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 9:59:58 AM,AB0003.WAV\r\n"s +
        "WAV,NEW0001.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0" + pad + "\r\n" +
        "WAV,NEW0002.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0" + pad + "\r\n" +
        "WAV,NEW0003.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7" + pad + "XY\r\n" +
        "STOPBYTRIGGER,1/2/05 1:05:09 PM,AB0002.WAV\r\n";
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW.EVA")), text);
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW0001.WAV")) + "|" + TempDir::read(tmp.file("out/NEW0002.WAV")) +
                  "|" + TempDir::read(tmp.file("out/NEW0003.WAV")),
              "data of AB0003.WAV|data of AB0001.WAV|data of AB0002.WAV");
    EXPECT_EQ(FilesIn(tmp.file("out")),
              (std::set<std::string>{"NEW.EVA", "NEW0001.WAV", "NEW0002.WAV", "NEW0003.WAV"}));
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")), "data of AB0001.WAV");

    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/NEW.EVA")), in));
    EXPECT_EQ(TempDir::read(tmp.file("out/NEW.EVA")), text); // the old export stands whole
    in.lines.clear();
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/OTHER.EVA")), in));
    EXPECT_FALSE(WriteExport(ExportNamesOf(tmp.file("out/.EVA")), ExportInput{}));
    EXPECT_EQ(FilesIn(tmp.file("out")).size(), 4u);
}

TEST_F(ExportTest, GuardAgainstReplacingTheOpenFilesClips) {
    std::filesystem::create_directory_symlink(tmp.file("rec"), tmp.file("link"));
    tmp.write("rec/ZZ0001.WAV", "a clip of another prefix");
    struct Case {
        std::string chosen;
        std::vector<std::string> lines;
        bool refused;
    };
    const std::vector<Case> cases = {
        {tmp.file("rec/AB.EVA"), {kLine1}, true},          // the open file itself
        {tmp.file("rec/ABCDEF.EVA"), {kLine1}, false},     // base ABCD: other names
        {tmp.file("rec/ab.new"), {kLine2}, true},          // ab0001.WAV, without regard to case
        {tmp.file("rec/../rec/AB.X"), {kLine1}, true},     // the same folder by another road
        {tmp.file("link/AB.X"), {kLine1}, true},           // ... or through a link
        {tmp.file("out/AB.EVA"), {kLine1, kLine2}, false}, // another folder
        {tmp.file("rec/ZZ.EVA"), {kLine1}, false},         // ZZ0001.WAV is no clip of AB.EVA ...
        {tmp.file("rec/ZZ.EVA"), {TableLine("ZZ0001.WAV,1,1,,,,0")}, true}, // ... unless a line names it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        in.lines = c.lines;
        const ExportNames names = ExportNamesOf(c.chosen);
        EXPECT_EQ(ExportWouldOverwriteSource(names, in), c.refused);
        if (c.refused) {
            EXPECT_FALSE(WriteExport(names, in));
        }
    }
    EXPECT_EQ(TempDir::read(tmp.file("rec/AB0001.WAV")) + TempDir::read(event),
              std::string("data of AB0001.WAV") + kRecording);
}

// The segment's start and stop in the file; the open file's clips refused even after the operator
// agreed to overwrite; an empty choice beeps and keeps the last list; a failure writes nothing.
TEST_F(ExportTest, TheCommandFromTheMenu) {
    Start();
    M().recording.SetEventFile(event, FolderOf(event));
    M().recording.SetSegments(ScanSegments(kRecording));
    M().recording.SetSelectedSegment(1);
    ASSERT_TRUE(app->ShowSummary());
    Item()->setEnabled(true);
    test::Control<QRadioButton>(app->Summary(), "Play_Opt", 1)->click();
    Export(tmp.file("out/AGAIN.TXT"));
    ASSERT_TRUE(prompter.AllMet()) << prompter.Report();
    const FileDialogRequest& r = prompter.dialogs.at(0).request;
    EXPECT_EQ(r.name + "|" + r.filter + (r.mustExist ? "|must exist" : ""), "CMDialog2|*.EVA|*.EVA");
    const std::string pad(17, ' ');
    EXPECT_EQ(TempDir::read(tmp.file("out/AGAIN.EVA")),
              "Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 10:00:00 AM,AB0001.WAV\r\n"s +
                  "WAV,AGAI0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0" + pad + "\r\n" +
                  "WAV,AGAI0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,0" + pad + "\r\n" +
                  "WAV,AGAI0003.WAV,3,125.0000,01/02/05 10:02:00,01/02/05 10:02:30,-90,0" + pad + "\r\n" +
                  "STOPBYTRIGGER,1/2/05 10:02:30 AM,AB0003.WAV\r\n");
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(TempDir::read(tmp.file("out/" + ClipFileName("AGAI", k))), "data of " + ClipFileName("AB", k));

    Export(std::nullopt);
    const std::string target = tmp.write("out/OLD.EVA", "an earlier export\r\n");
    for (const MsgAnswer answer : {MsgAnswer::Cancel, MsgAnswer::Ok}) {
        prompter.ExpectOpenFile(kExportTitle, target);
        prompter.ExpectMessage(kExportTitle, "File " + target + " already exists, ok to overwrite?",
                               MsgIcon::Question, MsgButtons::OkCancel, answer);
        Item()->trigger();
        EXPECT_EQ(std::filesystem::exists(tmp.file("out/OLD0003.WAV")), answer == MsgAnswer::Ok);
    }
    prompter.ExpectOpenFile(kExportTitle, event);
    prompter.ExpectMessage(kExportTitle, "File " + event + " already exists, ok to overwrite?",
                           MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    prompter.ExpectMessage(kExportWarning,
                           "The new clips AB0001.WAV... in " + tmp.file("rec/") +
                               " would replace clips of the open file " + event +
                               ".  Nothing was written; choose another name or folder.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item()->trigger();
    EXPECT_EQ(TempDir::read(event), kRecording);
    EXPECT_EQ(prompter.beeps, 0);

    const std::string fresh = tmp.file("out/NEW.EVA");
    M().play.SetPlayList({2, 3});
    SummaryWindow* o = app->Summary();
    const double t1 = o->T1(), t2 = o->T2();
    o->SetLimits(t2 + 1, t2);
    Export(fresh);
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(M().play.PlayList(), (std::vector<int>{0, 2, 3}));
    o->SetLimits(t1, t2);

    std::filesystem::remove(tmp.file("rec/AB0002.WAV"));
    prompter.ExpectOpenFile(kExportTitle, fresh);
    prompter.ExpectMessage(kExportWarning,
                           "The export to " + fresh + " failed: Cannot find clip file " + tmp.file("rec/") +
                               "AB0002.WAV.  No event file was written.",
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Item()->trigger();
    EXPECT_EQ(prompter.beeps, 1);
    app->UnloadSummary();
    EXPECT_FALSE(Item()->isEnabled());
    prompter.ExpectOpenFile(kExportTitle, fresh);
    app->MainWindow()->Export_Click();
    EXPECT_EQ(FilesIn(tmp.file("out")).count("NEW.EVA") + FilesIn(tmp.file("out")).count("NEW0001.WAV"), 0u);
}

} // namespace
} // namespace zarn
