#include "paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace zarn {
namespace {

class FindFileNoCaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.write("CLIP0001.WAV", "");
        dir_.write("Mixed.Aud", "");
        dir_.write("twin.sig", "");
        dir_.write("TWIN.SIG", "");
    }
    test::TempDir dir_;
};

TEST_F(FindFileNoCaseTest, ExactNameComesFirst) {
    EXPECT_EQ(FindFileNoCase(dir_.path(), "CLIP0001.WAV"), dir_.file("CLIP0001.WAV"));
    EXPECT_EQ(FindFileNoCase(dir_.path(), "twin.sig"), dir_.file("twin.sig"));
    EXPECT_EQ(FindFileNoCase(dir_.path(), "TWIN.SIG"), dir_.file("TWIN.SIG"));
}

TEST_F(FindFileNoCaseTest, OtherCaseIsFound) {
    EXPECT_EQ(FindFileNoCase(dir_.path(), "clip0001.wav"), dir_.file("CLIP0001.WAV"));
    EXPECT_EQ(FindFileNoCase(dir_.path(), "MIXED.AUD"), dir_.file("Mixed.Aud"));
    // Several candidates: the first in name order.
    EXPECT_EQ(FindFileNoCase(dir_.path(), "Twin.Sig"), dir_.file("TWIN.SIG"));
    EXPECT_EQ(FindPathNoCase(dir_.file("mixed.aud")), dir_.file("Mixed.Aud"));
}

TEST_F(FindFileNoCaseTest, FolderWithTrailingSlash) {
    EXPECT_EQ(FindFileNoCase(dir_.path() + "/", "mixed.aud"), dir_.file("Mixed.Aud"));
    EXPECT_EQ(FindFileNoCase(dir_.path() + "/", "Mixed.Aud"), dir_.file("Mixed.Aud"));
}

TEST_F(FindFileNoCaseTest, MissingGivesNoValue) {
    EXPECT_EQ(FindFileNoCase(dir_.path(), "CLIP0002.WAV"), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.path(), "CLIP0001.WA"), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.path(), ""), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.file("NO_SUCH_FOLDER"), "x"), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.file("CLIP0001.WAV"), "x"), std::nullopt); // a file, not a folder
}

TEST_F(FindFileNoCaseTest, EmptyFolderIsTheCurrentFolder) {
    char* saved = getcwd(nullptr, 0);
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    const auto exact = FindFileNoCase("", "Mixed.Aud");
    const auto folded = FindFileNoCase("", "mixed.AUD");
    const auto missing = FindFileNoCase("", "none");
    EXPECT_EQ(chdir(saved), 0);
    free(saved);
    EXPECT_EQ(exact, "Mixed.Aud");
    EXPECT_EQ(folded, "Mixed.Aud");
    EXPECT_EQ(missing, std::nullopt);
}

TEST(Paths, Existence) {
    test::TempDir dir;
    const std::string file = dir.write("A.EVA", "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.file("B.EVA")));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(FolderExists(dir.path()));
    EXPECT_FALSE(FolderExists(file));
    ASSERT_EQ(symlink("A.EVA", dir.file("LINK").c_str()), 0);
    EXPECT_TRUE(FileExists(dir.file("LINK")));
}

TEST(Paths, SplitAndJoin) {
    EXPECT_EQ(FolderOf("/data/run1/A.EVA"), "/data/run1/");
    EXPECT_EQ(FileNameOf("/data/run1/A.EVA"), "A.EVA");
    EXPECT_EQ(FolderOf("A.EVA"), "");
    EXPECT_EQ(FileNameOf("A.EVA"), "A.EVA");
    EXPECT_EQ(FolderOf("/A.EVA"), "/");
    EXPECT_EQ(FileNameOf("/data/"), "");

    EXPECT_EQ(JoinPath("/data", "A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("/data/", "A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("/data/", "/A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("/", "A.EVA"), "/A.EVA");
    EXPECT_EQ(JoinPath("", "A.EVA"), "A.EVA");
}

TEST(Paths, AsciiCaseOnly) {
    EXPECT_TRUE(EqualsNoCase("Clip0001.wav", "CLIP0001.WAV"));
    EXPECT_FALSE(EqualsNoCase("CLIP0001.WAV", "CLIP0001.WA"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));       // 0x5B and 0x7B differ only in the case bit
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9")); // Latin-1 letters are not folded
    EXPECT_EQ(ToUpperAscii("abc\xe9z{1"), "ABC\xe9Z{1");
}

} // namespace
} // namespace zarn
