#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utime.h>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;
using test::TempDir;
namespace fs = std::filesystem;

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename());
    return names;
}

TEST(SplitLines, EndsAtLfOrCrLf) {
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"a\r\n\r\nb\n\n", {"a", "", "b", ""}},
        // A CR not followed by LF is data, and so is every other byte.
        {"a\rb\r\nx\r", {"a\rb", "x\r"}},
        {std::string("\0\xff,\xe9\r\n", 6), {std::string("\0\xff,\xe9", 4)}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(SplitLines(text), lines) << text;
}

TEST(TextFile, ReadsAndWritesExactBytes) {
    TempDir dir;
    const std::string bytes("line 1\r\n\0\xff tail", 15);
    std::string got = "stale";
    ASSERT_TRUE(ReadFileBytes(dir.write("A.EVA", bytes), got));
    EXPECT_EQ(got, bytes);
    ASSERT_TRUE(ReadFileBytes(dir.write("EMPTY", ""), got));
    EXPECT_EQ(got, "");
    const FileResult missing = ReadFileBytes(dir.file("NOPE"), got);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("NOPE"), std::string::npos) << missing.error;
    EXPECT_FALSE(ReadFileBytes(dir.path(), got));
    Lines lines{"stale"};
    EXPECT_FALSE(ReadTextLines(dir.file("NOPE"), lines));
    EXPECT_TRUE(lines.empty());

    const Lines written{"[IFBW]", "", "25", "caf\xe9, comma"};
    const std::string path = dir.file("Zarn_Aud.Ini");
    ASSERT_TRUE(WriteTextLinesAtomically(path, written));
    EXPECT_EQ(TempDir::read(path), "[IFBW]\r\n\r\n25\r\ncaf\xe9, comma\r\n");
    ASSERT_TRUE(ReadTextLines(path, lines));
    EXPECT_EQ(lines, written);
    EXPECT_EQ(JoinCrLf({}), "");
}

TEST(ReplaceFileAtomically, KeepsPermissionsAndLinksAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.write("LIST.SIG", "old content that is longer than the new one\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const FileResult r = ReplaceFileAtomically(path, "new\r\n");
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(TempDir::read(path), "new\r\n");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

    const mode_t mask = umask(022);
    ASSERT_TRUE(ReplaceFileAtomically(dir.file("NEW.SIG"), ""));
    umask(mask);
    EXPECT_EQ(fs::status(dir.file("NEW.SIG")).permissions(), fs::perms(0644)); // not mkstemp's 0600

    fs::create_symlink("LIST.SIG", dir.file("LINK.SIG"));
    ASSERT_TRUE(ReplaceFileAtomically(dir.file("LINK.SIG"), "linked"));
    EXPECT_EQ(TempDir::read(path), "linked");
    EXPECT_TRUE(fs::is_symlink(dir.file("LINK.SIG")));

    fs::create_directory(dir.file("SUB"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("SUB"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("MISSING/LIST.SIG"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.path() + "/", "x"));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"LIST.SIG", "NEW.SIG", "LINK.SIG", "SUB"}));
    EXPECT_TRUE(fs::is_empty(dir.file("SUB")));
}

// Stale temporaries of the listed kinds go; everything else in the folder stays, including a fresh
// temporary that another running copy may be writing right now.
TEST(RemoveStaleTemporaries, RemovesOnlyOldTemporariesOfTheListedFiles) {
    TempDir dir;
    const Lines stale = {".STATION.SIG.a1B2c3", ".~FREQ.~IG.ZZZZZZ", ".~freq.cmt.000000"};
    const Lines kept = {"STATION.SIG",
                        "STATION.SIG.a1B2c3",   // no leading dot
                        ".STATION.SIG.a1B2c",   // five characters
                        ".STATION.SIG.a1B2c3d", // seven
                        ".STATION.SIG.a1_2c3",  // not a letter or digit
                        ".notes.txt.a1B2c3",    // a kind not listed
                        ".SIG.a1B2c3"};         // no name before the extension
    for (const Lines* names : {&stale, &kept}) {
        for (const std::string& name : *names) {
            const std::string path = dir.write(name, "x");
            const utimbuf twoMinutesAgo{std::time(nullptr) - 120, std::time(nullptr) - 120};
            ::utime(path.c_str(), &twoMinutesAgo);
        }
    }
    dir.write(".OTHER.SIG.q1w2e3", "fresh");
    fs::create_directory(dir.file(".FOLDER.SIG.abcdef"));
    fs::create_symlink(dir.file("STATION.SIG"), dir.file(".LINK.SIG.abcdef"));

    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), {".SIG", ".~IG", ".Cmt"}), 3);
    std::set<std::string> left(kept.begin(), kept.end());
    left.insert({".OTHER.SIG.q1w2e3", ".FOLDER.SIG.abcdef", ".LINK.SIG.abcdef"});
    EXPECT_EQ(Entries(dir.path()), left);
    EXPECT_EQ(RemoveStaleTemporaries(dir.file("missing"), {".SIG"}), 0);
}

} // namespace
} // namespace zarn
