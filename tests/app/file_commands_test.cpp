#include "file_commands.h"

#include "paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace zarn {
namespace {

TEST(OpenableEventFile, AFileWhoseNameEndsInEvaAnyCase) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("FOLDER.EVA"));
    for (const auto& [path, openable] :
         {std::pair{dir.write("RUN1.EVA", "x"), true}, std::pair{dir.write("run2.eva", "x"), true},
          std::pair{dir.write("RUN3.TXT", "x"), false}, std::pair{dir.write("EVA", "x"), false},
          std::pair{dir.file("MISSING.EVA"), false}, std::pair{dir.file("FOLDER.EVA"), false}})
        EXPECT_EQ(IsOpenableEventFile(path), openable) << path;
}

// Two recordings whose prefixes overlap, AB and ABCD (a long name uses its first four letters): each
// takes only its own clips; a missing event file deletes nothing.
TEST(DeleteEventFile, RemovesOnlyItsOwnClips) {
    test::TempDir dir;
    for (const char* name :
         {"AB.EVA", "AB.AUD", "AB.SAV", "AB0001.WAV", "ab0002.wav", "AB0003.Wav", "ABX.WAV", "AB.WAV",
          "AB0004.WAV.bak", "ABCD.EVA", "ABCD0001.WAV", "ABCD0002.WAV", "XY0001.WAV"})
        dir.write(name, "data");
    const auto left = [&] {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        return names;
    };
    EXPECT_EQ(
        ClipFilesOfEventFile(dir.file("AB.EVA")),
        (std::vector<std::string>{dir.file("AB0001.WAV"), dir.file("AB0003.Wav"), dir.file("ab0002.wav")}));
    ASSERT_TRUE(DeleteEventFileAndClips(dir.file("AB.EVA")));
    EXPECT_EQ(left(), (std::set<std::string>{"AB.AUD", "AB.SAV", "ABX.WAV", "AB.WAV", "AB0004.WAV.bak",
                                             "ABCD.EVA", "ABCD0001.WAV", "ABCD0002.WAV", "XY0001.WAV"}));
    ASSERT_TRUE(DeleteEventFileAndClips(dir.file("ABCD.EVA")));
    EXPECT_FALSE(DeleteEventFileAndClips(dir.file("XY.EVA")));
    EXPECT_EQ(left(), (std::set<std::string>{"AB.AUD", "AB.SAV", "ABX.WAV", "AB.WAV", "AB0004.WAV.bak",
                                             "XY0001.WAV"}));
}

} // namespace
} // namespace zarn
