// File, Export...: the names formed from the chosen path, the lines of the new event file, the clip
// copies, the guard for the open file's own clips, and failures that must leave no event file.
#include "export.h"

#include "dates.h"
#include "file_size_limit.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

// A clip line as the clip table holds it: without "WAV,", padded with blanks to 80 characters.
std::string TableLine(std::string text) {
    text.resize(80, ' ');
    return text;
}

const std::string kLine1 = TableLine("AB0001.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0");
const std::string kLine2 = TableLine("AB0002.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7");
const std::string kLine3 = TableLine("AB0003.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0");

double Date(int y, int mo, int d, int h, int mi, int s) {
    return SerialFromParts({y, mo, d, h, mi, s});
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// ---- Names ----------------------------------------------------------------------------------

TEST(ExportNames, FormedFromTheChosenPath) {
    struct Case {
        const char* chosen;
        const char* targetFile;
        const char* base;
        const char* folder;
        const char* firstClip;
    };
    const Case cases[] = {
        {"/out/NEW.TXT", "/out/NEW.EVA", "NEW", "/out/", "NEW0001.WAV"},
        {"/out/LONGNAME.EVA", "/out/LONGNAME.EVA", "LONG", "/out/", "LONG0001.WAV"},
        {"/out/new.eva", "/out/new.EVA", "new", "/out/", "new0001.WAV"},
        {"/out/a.b.c", "/out/a.EVA", "a", "/out/", "a0001.WAV"},
        // A dot in a folder name does not cut the path.
        {"/rec.2005/out.v2/NEW.EVA", "/rec.2005/out.v2/NEW.EVA", "NEW", "/rec.2005/out.v2/", "NEW0001.WAV"},
        // A title without a dot is taken whole.
        {"/rec.2005/NOEXTENSION", "/rec.2005/NOEXTENSION.EVA", "NOEX", "/rec.2005/", "NOEX0001.WAV"},
        {"NEW.EVA", "NEW.EVA", "NEW", "", "NEW0001.WAV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        const ExportNames n = ExportNamesOf(c.chosen);
        EXPECT_TRUE(n.ok);
        EXPECT_EQ(n.targetFile, c.targetFile);
        EXPECT_EQ(n.base, c.base);
        EXPECT_EQ(n.targetFolder, c.folder);
        EXPECT_EQ(ExportClipName(n.base, 1), c.firstClip);
    }
    EXPECT_EQ(ExportClipName("LONG", 12), "LONG0012.WAV");
    EXPECT_EQ(ExportClipName("NEW", 10000), "NEW10000.WAV");
    // A title that names nothing cannot be exported to.
    for (const char* chosen : {"/out/", "/out/.EVA", ""})
        EXPECT_FALSE(ExportNamesOf(chosen).ok) << chosen;
}

// ---- The event file's text ------------------------------------------------------------------

TEST(ExportText, ThreeClipsGiveSixLines) {
    ExportInput in;
    in.segStart = Date(2005, 1, 2, 9, 59, 58);
    in.segStop = Date(2005, 1, 2, 13, 5, 9);
    // Play-list order, not file order: the names of the first and last clip come from it.
    in.lines = {kLine3, kLine1, kLine2};
    const std::string pad(17, ' ');
    const std::string expected =
        "Ver, Created by Zarn_Aud Export Utility\r\nSTARTBYTRIGGER,1/2/05 9:59:58 AM,AB0003.WAV\r\n"
        "WAV,NEW0001.WAV,1,123.4500,01/02/05 10:02:00,01/02/05 10:02:30,-90,0" + pad + "\r\n"
        "WAV,NEW0002.WAV,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0" + pad + "\r\n"
        "WAV,NEW0003.WAV,2,124.0000,01/02/05 10:01:00,01/02/05 10:01:09,-75,7" + pad +
        "\r\nSTOPBYTRIGGER,1/2/05 1:05:09 PM,AB0002.WAV\r\n";
    EXPECT_EQ(ExportText(ExportNamesOf("/out/NEW.TXT"), in), expected);
}

TEST(ExportText, RenumberedLinesKeepTheirOwnLength) {
    // A renumbered line may be longer than 80 characters; all of it after the clip name is kept.
    ExportInput in;
    in.lines = {TableLine("AB0001.WAV,1,1.0,,,,0") + "XY"};
    const std::string text = ExportText(ExportNamesOf("/o/Z.EVA"), in);
    EXPECT_NE(text.find("\r\nWAV,Z0001.WAV,1,1.0,,,,0" + std::string(59, ' ') + "XY\r\n"), std::string::npos)
        << text;
}

// ---- Writing --------------------------------------------------------------------------------

class ExportWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.file("rec"));
        std::filesystem::create_directories(dir.file("out"));
        event = dir.write("rec/AB.EVA", "Ver, recorder\r\n");
        dir.write("rec/AB0001.WAV", "RIFF-one");
        dir.write("rec/AB0002.WAV", "RIFF-two-two");
        dir.write("rec/AB0003.WAV", "RIFF-three-three-three");
        in.segStart = Date(2005, 1, 2, 10, 0, 0);
        in.segStop = Date(2005, 1, 2, 10, 2, 30);
        in.eventFileName = event;
        in.eventFolder = dir.file("rec/");
        in.lines = {kLine3, kLine1, kLine2};
    }

    TempDir dir;
    std::string event;
    ExportInput in;
};

TEST_F(ExportWriteTest, CopiesTheClipsUnderTheirNewNamesAndWritesTheEventFile) {
    // A clip named in another case than on disk is still found; an old clip of a new name is replaced.
    in.lines[1] = TableLine("ab0001.wav,1,123.4500,01/02/05 10:00:00,01/02/05 10:00:05,-80,0");
    dir.write("out/NEW0002.WAV", "an older clip");
    const ExportNames names = ExportNamesOf(dir.file("out/NEW.TXT"));

    const FileResult r = WriteExport(names, in);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(TempDir::read(dir.file("out/NEW.EVA")), ExportText(names, in));
    EXPECT_EQ(TempDir::read(dir.file("out/NEW0001.WAV")), "RIFF-three-three-three");
    EXPECT_EQ(TempDir::read(dir.file("out/NEW0002.WAV")), "RIFF-one");
    EXPECT_EQ(TempDir::read(dir.file("out/NEW0003.WAV")), "RIFF-two-two");
    // Nothing else is left beside them, and the sources are untouched.
    EXPECT_EQ(FilesIn(dir.file("out")),
              (std::set<std::string>{"NEW.EVA", "NEW0001.WAV", "NEW0002.WAV", "NEW0003.WAV"}));
    EXPECT_EQ(TempDir::read(dir.file("rec/AB0001.WAV")), "RIFF-one");
}

TEST_F(ExportWriteTest, AMissingSourceClipWritesNothing) {
    std::filesystem::remove(dir.file("rec/AB0002.WAV"));
    const std::string old = dir.write("out/NEW.EVA", "an earlier export\r\n");
    const FileResult r = WriteExport(ExportNamesOf(dir.file("out/NEW.EVA")), in);
    EXPECT_FALSE(r);
    EXPECT_NE(r.error.find("AB0002.WAV"), std::string::npos) << r.error;
    // The sources are looked for before anything is written: the old export stands whole.
    EXPECT_EQ(TempDir::read(old), "an earlier export\r\n");
    EXPECT_EQ(FilesIn(dir.file("out")), std::set<std::string>{"NEW.EVA"});
}

TEST_F(ExportWriteTest, AFullDiskLeavesNoEventFile) {
    // The limit stops a clip copy (first case) or the event file itself (second case).
    struct Case {
        const char* name;
        rlim_t limit;
    };
    for (const Case& c : {Case{"clip", 12}, Case{"event file", 100}}) {
        SCOPED_TRACE(c.name);
        dir.write("out/NEW.EVA", "an earlier export\r\n");
        FileResult r;
        {
            test::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(limit.Active());
            r = WriteExport(ExportNamesOf(dir.file("out/NEW.EVA")), in);
        }
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.error.empty());
        // No event file at all rather than an old one beside clips it does not describe.
        EXPECT_FALSE(std::filesystem::exists(dir.file("out/NEW.EVA")));
        for (const std::string& name : FilesIn(dir.file("out")))
            EXPECT_NE(name.find(".WAV"), std::string::npos) << "left behind: " << name;
    }
}

TEST_F(ExportWriteTest, GuardAgainstReplacingTheOpenFilesClips) {
    std::filesystem::create_directory_symlink(dir.file("rec"), dir.file("link"));
    dir.write("rec/ZZ0001.WAV", "a clip of another prefix");
    struct Case {
        std::string chosen;
        std::vector<std::string> lines;
        bool refused;
    };
    const std::vector<Case> cases = {
        {dir.file("rec/AB.EVA"), {kLine1}, true},           // the open file itself
        {dir.file("rec/ABCDEF.EVA"), {kLine1}, false},      // base ABCD: other names
        {dir.file("rec/AB.TXT"), {kLine1}, true},           // AB0001.WAV
        {dir.file("rec/ab.new"), {kLine2}, true},           // ab0001.WAV, without regard to case
        {dir.file("rec/../rec/AB.X"), {kLine1}, true},      // the same folder by another road
        {dir.file("link/AB.X"), {kLine1}, true},            // ... or through a link
        {dir.file("out/AB.EVA"), {kLine1, kLine2}, false},  // another folder
        {dir.file("rec/NEW.EVA"), {kLine1, kLine2}, false}, // other names
        {dir.file("rec/ZZ.EVA"), {kLine1}, false},          // ZZ0001.WAV is no clip of AB.EVA ...
        {dir.file("rec/ZZ.EVA"), {TableLine("ZZ0001.WAV,1,1,,,,0")}, true}, // ... unless a line names it
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
    // Nothing refused wrote anything over a source.
    EXPECT_EQ(TempDir::read(dir.file("rec/AB0001.WAV")), "RIFF-one");
    EXPECT_EQ(TempDir::read(dir.file("rec/AB0002.WAV")), "RIFF-two-two");
    EXPECT_EQ(TempDir::read(event), "Ver, recorder\r\n");
}

TEST_F(ExportWriteTest, NothingToExportWritesNothing) {
    in.lines.clear();
    EXPECT_FALSE(WriteExport(ExportNamesOf(dir.file("out/NEW.EVA")), in));
    EXPECT_FALSE(WriteExport(ExportNamesOf(dir.file("out/.EVA")), ExportInput{}));
    EXPECT_TRUE(FilesIn(dir.file("out")).empty());
}

} // namespace
} // namespace zarn
