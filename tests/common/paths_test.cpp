#include "paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zarn {
namespace {

// The exact name comes first; else the first of the other-case names in name order.
TEST(FindFileNoCase, ExactNameFirstThenAnyCase) {
    test::TempDir dir;
    for (const char* name : {"CLIP0001.WAV", "Mixed.Aud", "twin.sig", "TWIN.SIG"})
        dir.write(name, "");
    const struct {
        std::string folder;
        const char* name;
        const char* found; // nullptr: none
    } cases[] = {
        {dir.path(), "twin.sig", "twin.sig"},
        {dir.path(), "TWIN.SIG", "TWIN.SIG"},
        {dir.path(), "Twin.Sig", "TWIN.SIG"},
        {dir.path(), "clip0001.wav", "CLIP0001.WAV"},
        {dir.path() + "/", "mixed.aud", "Mixed.Aud"},
        {dir.path(), "CLIP0001.WA", nullptr},
        {dir.path(), "", nullptr},
        {dir.file("NO_SUCH_FOLDER"), "x", nullptr},
        {dir.file("CLIP0001.WAV"), "x", nullptr}, // a file, not a folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFileNoCase(c.folder, c.name),
                  c.found ? std::optional<std::string>(dir.file(c.found)) : std::nullopt)
            << c.folder << " | " << c.name;
    EXPECT_EQ(FindPathNoCase(dir.file("mixed.aud")), dir.file("Mixed.Aud"));

    // An empty folder is the current folder.
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const auto folded = FindFileNoCase("", "mixed.AUD");
    const auto missing = FindFileNoCase("", "none");
    std::filesystem::current_path(saved);
    EXPECT_EQ(folded, "Mixed.Aud");
    EXPECT_EQ(missing, std::nullopt);
}

TEST(Paths, ExistenceSplitJoinAndCase) {
    test::TempDir dir;
    const std::string file = dir.write("A.EVA", "x");
    std::filesystem::create_symlink("A.EVA", dir.file("LINK"));
    EXPECT_TRUE(FileExists(file) && FileExists(dir.file("LINK")) && FolderExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()) || FileExists(dir.file("B.EVA")) || FileExists("") ||
                 FolderExists(file));

    EXPECT_EQ(FolderOf("/data/run1/A.EVA"), "/data/run1/");
    EXPECT_EQ(FolderOf("A.EVA"), "");
    EXPECT_EQ(FolderOf("/A.EVA"), "/");
    EXPECT_EQ(FileNameOf("/data/run1/A.EVA"), "A.EVA");
    EXPECT_EQ(FileNameOf("A.EVA"), "A.EVA");
    EXPECT_EQ(FileNameOf("/data/"), "");
    EXPECT_EQ(JoinPath("/data", "A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("/data/", "/A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("", "A.EVA"), "A.EVA");

    EXPECT_TRUE(EqualsNoCase("Clip0001.wav", "CLIP0001.WAV"));
    EXPECT_FALSE(EqualsNoCase("CLIP0001.WAV", "CLIP0001.WA"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));       // 0x5B and 0x7B differ only in the case bit
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9")); // Latin-1 letters are not folded
    EXPECT_EQ(ToUpperAscii("abc\xe9z{1"), "ABC\xe9Z{1");
}

} // namespace
} // namespace zarn
