#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    std::string text;
    Lines lines;
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, EndsAtLfOrCrLf) {
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitLinesTest,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\nb\n", {"a", "b"}},
                      SplitCase{"a\r\nb", {"a", "b"}}, SplitCase{"a\nb\r\nc", {"a", "b", "c"}},
                      SplitCase{"\r\n", {""}}, SplitCase{"\n\n", {"", ""}},
                      SplitCase{"a\r\n\r\nb", {"a", "", "b"}},
                      // A CR not followed by LF is data, and so is every other byte.
                      SplitCase{"a\rb\r\n", {"a\rb"}}, SplitCase{"x\r", {"x\r"}},
                      SplitCase{std::string("\0\xff,\xe9\r\n", 6), {std::string("\0\xff,\xe9", 4)}}));

// Names of the entries of a folder, to catch temporary files left behind.
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.emplace_back(e->d_name);
        closedir(dir);
    }
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ReadFileBytes, ReadsExactBytes) {
    test::TempDir dir;
    const std::string bytes("line 1\r\n\0\xff tail", 15);
    const std::string path = dir.write("A.EVA", bytes);
    std::string got = "stale";
    ASSERT_TRUE(ReadFileBytes(path, got));
    EXPECT_EQ(got, bytes);

    ASSERT_TRUE(ReadFileBytes(dir.write("EMPTY", ""), got));
    EXPECT_EQ(got, "");
}

TEST(ReadFileBytes, FailsWithAReason) {
    test::TempDir dir;
    std::string got;
    const FileResult missing = ReadFileBytes(dir.file("NOPE"), got);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("NOPE"), std::string::npos) << missing.error;

    const FileResult folder = ReadFileBytes(dir.path(), got);
    EXPECT_FALSE(folder);
    EXPECT_FALSE(folder.error.empty());

    Lines lines{"stale"};
    EXPECT_FALSE(ReadTextLines(dir.file("NOPE"), lines));
    EXPECT_TRUE(lines.empty());
}

TEST(TextLines, WriteThenReadRoundTrips) {
    test::TempDir dir;
    const Lines lines{"[IFBW]", "", "25", "caf\xe9, comma"};
    const std::string path = dir.file("Zarn_Aud.Ini");
    ASSERT_TRUE(WriteTextLinesAtomically(path, lines));
    EXPECT_EQ(test::TempDir::read(path), "[IFBW]\r\n\r\n25\r\ncaf\xe9, comma\r\n");
    Lines back;
    ASSERT_TRUE(ReadTextLines(path, back));
    EXPECT_EQ(back, lines);
    EXPECT_EQ(JoinCrLf({}), "");
}

TEST(ReplaceFileAtomically, ReplacesContentAndKeepsPermissions) {
    test::TempDir dir;
    const std::string path = dir.write("LIST.SIG", "old content that is longer than the new one\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const FileResult r = ReplaceFileAtomically(path, "new\r\n");
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(test::TempDir::read(path), "new\r\n");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"LIST.SIG"});
}

TEST(ReplaceFileAtomically, CreatesANewFileWithTheUsualPermissions) {
    test::TempDir dir;
    const mode_t mask = umask(022);
    const FileResult r = ReplaceFileAtomically(dir.file("NEW.SIG"), "");
    umask(mask);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(test::TempDir::read(dir.file("NEW.SIG")), "");
    EXPECT_EQ(ModeOf(dir.file("NEW.SIG")), 0644u); // not mkstemp's 0600
}

TEST(ReplaceFileAtomically, WritesThroughALinkAndKeepsIt) {
    test::TempDir dir;
    const std::string real = dir.write("REAL.SIG", "old");
    ASSERT_EQ(symlink("REAL.SIG", dir.file("LINK.SIG").c_str()), 0);
    ASSERT_TRUE(ReplaceFileAtomically(dir.file("LINK.SIG"), "new"));
    EXPECT_EQ(test::TempDir::read(real), "new");
    struct stat st {};
    ASSERT_EQ(lstat(dir.file("LINK.SIG").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(ReplaceFileAtomically, FailsForAFolderOrAMissingFolder) {
    test::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("SUB").c_str(), 0755), 0);
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("SUB"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("MISSING/LIST.SIG"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.path() + "/", "x"));
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"SUB"});
    EXPECT_TRUE(Entries(dir.file("SUB")).empty());
}

// Stale temporaries of the listed kinds go; everything else in the folder stays, including a fresh
// temporary that another running copy may be writing right now.
TEST(RemoveStaleTemporaries, RemovesOnlyOldTemporariesOfTheListedFiles) {
    test::TempDir dir;
    const auto old = [&](const std::string& name, const std::string& bytes = "x") {
        const std::string path = dir.write(name, bytes);
        const utimbuf twoMinutesAgo{std::time(nullptr) - 120, std::time(nullptr) - 120};
        ::utime(path.c_str(), &twoMinutesAgo);
    };
    old(".STATION.SIG.a1B2c3");
    old(".~FREQ.~IG.ZZZZZZ");
    old(".~freq.cmt.000000"); // the extension without regard to case
    old("STATION.SIG");
    old("STATION.SIG.a1B2c3");   // no leading dot
    old(".STATION.SIG.a1B2c");   // five characters
    old(".STATION.SIG.a1B2c3d"); // seven
    old(".STATION.SIG.a1_2c3");  // not a letter or digit
    old(".notes.txt.a1B2c3");    // a kind not listed
    old(".SIG.a1B2c3");          // no name before the extension
    dir.write(".OTHER.SIG.q1w2e3", "fresh");
    std::filesystem::create_directory(dir.file(".FOLDER.SIG.abcdef"));
    std::filesystem::create_symlink(dir.file("STATION.SIG"), dir.file(".LINK.SIG.abcdef"));

    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), {".SIG", ".~IG", ".Cmt"}), 3);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.insert(e.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"STATION.SIG", "STATION.SIG.a1B2c3", ".STATION.SIG.a1B2c",
                                           ".STATION.SIG.a1B2c3d", ".STATION.SIG.a1_2c3", ".notes.txt.a1B2c3",
                                           ".SIG.a1B2c3", ".OTHER.SIG.q1w2e3", ".FOLDER.SIG.abcdef",
                                           ".LINK.SIG.abcdef"}));
    EXPECT_EQ(RemoveStaleTemporaries(dir.file("missing"), {".SIG"}), 0);
}

} // namespace
} // namespace zarn
