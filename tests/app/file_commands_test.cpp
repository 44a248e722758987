#include "file_commands.h"

#include "paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zarn {
namespace {

TEST(OpenableEventFile, NameEndsInEvaAnyCase) {
    test::TempDir dir;
    EXPECT_TRUE(IsOpenableEventFile(dir.write("RUN1.EVA", "x")));
    EXPECT_TRUE(IsOpenableEventFile(dir.write("run2.eva", "x")));
    EXPECT_FALSE(IsOpenableEventFile(dir.write("RUN3.TXT", "x")));
    EXPECT_FALSE(IsOpenableEventFile(dir.write("EVA", "x")));
    EXPECT_FALSE(IsOpenableEventFile(dir.file("MISSING.EVA")));
    ASSERT_EQ(mkdir(dir.file("FOLDER.EVA").c_str(), 0700), 0);
    EXPECT_FALSE(IsOpenableEventFile(dir.file("FOLDER.EVA")));
}

// A folder holding two recordings whose prefixes overlap: AB (AB.EVA) and ABCD (ABCD.EVA).
struct Station {
    test::TempDir dir;
    Station() {
        for (const char* name :
             {"AB.EVA", "AB.AUD", "AB.SAV", "AB0001.WAV", "ab0002.wav", "AB0003.Wav", "ABX.WAV", "AB.WAV",
              "AB0004.WAV.bak", "ABCD.EVA", "ABCD0001.WAV", "ABCD0002.WAV", "XY0001.WAV"})
            dir.write(name, "data");
    }
    bool Has(const char* name) const { return FileExists(dir.file(name)); }
};

TEST(DeleteEventFile, RemovesOnlyItsOwnClips) {
    Station st;
    EXPECT_EQ(ClipFilesOfEventFile(st.dir.file("AB.EVA")),
              (std::vector<std::string>{st.dir.file("AB0001.WAV"), st.dir.file("AB0003.Wav"),
                                        st.dir.file("ab0002.wav")}));
    ASSERT_TRUE(DeleteEventFileAndClips(st.dir.file("AB.EVA")));
    for (const char* gone : {"AB.EVA", "AB0001.WAV", "ab0002.wav", "AB0003.Wav"})
        EXPECT_FALSE(st.Has(gone)) << gone;
    // Another recording with a longer prefix, the companion files, and names that are not clips stay.
    for (const char* kept : {"AB.AUD", "AB.SAV", "ABX.WAV", "AB.WAV", "AB0004.WAV.bak", "ABCD.EVA",
                             "ABCD0001.WAV", "ABCD0002.WAV", "XY0001.WAV"})
        EXPECT_TRUE(st.Has(kept)) << kept;
}

// A long name uses its first four letters; a missing event file deletes nothing.
TEST(DeleteEventFile, LongNameUsesFourLetterPrefixAndAMissingFileDeletesNothing) {
    Station st;
    ASSERT_TRUE(DeleteEventFileAndClips(st.dir.file("ABCD.EVA")));
    EXPECT_FALSE(st.Has("ABCD0001.WAV"));
    EXPECT_FALSE(st.Has("ABCD0002.WAV"));
    EXPECT_TRUE(st.Has("AB0001.WAV"));
    EXPECT_FALSE(DeleteEventFileAndClips(st.dir.file("XY.EVA")));
    EXPECT_TRUE(st.Has("XY0001.WAV"));
}

} // namespace
} // namespace zarn
