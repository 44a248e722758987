#include "segment_split.h"

#include "dates.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

const Lines kEvent = {
    "Ver, 02.00.00, Audio Collection Recorder",
    "STARTBYTRIGGER,03/01/24 19:00:00,ABCD0001.WAV",
    "WAV,ABCD0001.WAV,1,0145.0000,03/01/24 19:00:01,03/01/24 19:00:02,-70,1",
    "STARTBYTRIGGER,,ABCD0000.WAV", // no time: opens no segment
    "STARTBYTRIGGER,03/01/24 20:00:00,ABCD0002.WAV",
    "WAV,ABCD0002.WAV,1,0145.0000,03/01/24 20:00:01,03/01/24 20:00:05,-70,1",
    "STOPBYTRIGGER,03/01/24 20:00:05,ABCD0002.WAV",
    "WAV,ABCD0003.WAV,1,0145.0000,03/01/24 20:00:06,03/01/24 20:00:07,,1", // no level: not a clip
    "WAV,ABCD0012.WAV,2,0146.0000,03/01/24 20:01:00,03/01/24 20:01:40,-60,1",
    "WAV,ABCD9999,3,0147.0000,03/01/24 20:02:00,03/01/24 20:02:10,-60,1",
    "WAV,ABCD0014.WAV,3,0147.0000,03/01/24 20:03:00,03/01/24 20:03:10,-60,1",
};

TEST(SplitStartLine, NameLessFourCharactersAndTheirNumberPlusOne) {
    const std::pair<const char*, const char*> cases[] = {{"ABCD0012.WAV", "STARTBYTRIGGER,T,ABCD00120001"},
                                                         {"ABCD0041", "STARTBYTRIGGER,T,ABCD0042"},
                                                         {"ABCD9999", "STARTBYTRIGGER,T,ABCD10000"},
                                                         {"AB", "STARTBYTRIGGER,T,0001"},
                                                         {"", "STARTBYTRIGGER,T,0001"}};
    for (const auto& [file, expected] : cases)
        EXPECT_EQ(SplitStartLine(file, "T"), expected) << file;
}

// The new start goes after the nth clip of the segment; lines that are not clips are copied in place
// and not counted; a segment or clip the file does not hold is refused.
TEST(SplitEventText, InsertsTheNewStartAfterTheNthClipOfTheSegment) {
    struct Case {
        int segment, clip;
        int at; // the line the new start becomes; 0: refused
        const char* start;
    };
    for (const Case c : {Case{2, 1, 6, "STARTBYTRIGGER,03/01/24 20:00:05,ABCD00020001"},
                         Case{2, 2, 9, "STARTBYTRIGGER,03/01/24 20:01:40,ABCD00120001"},
                         Case{2, 3, 10, "STARTBYTRIGGER,03/01/24 20:02:10,ABCD10000"},
                         Case{2, 4, 11, "STARTBYTRIGGER,03/01/24 20:03:10,ABCD00140001"},
                         Case{1, 1, 3, "STARTBYTRIGGER,03/01/24 19:00:02,ABCD00010001"}, Case{1, 2, 0, ""},
                         Case{2, 5, 0, ""}, Case{3, 1, 0, ""}, Case{0, 1, 0, ""}, Case{2, 0, 0, ""}}) {
        SCOPED_TRACE(std::to_string(c.segment) + " " + std::to_string(c.clip));
        const SplitText split = SplitEventText(JoinCrLf(kEvent), c.segment, c.clip);
        ASSERT_EQ(split.ok, c.at != 0);
        if (!split.ok) continue;
        Lines expected = kEvent;
        expected.insert(expected.begin() + c.at, c.start);
        EXPECT_EQ(split.text, JoinCrLf(expected));
        EXPECT_EQ(split.lastClipStop, std::string(c.start).substr(15, 17));
    }
}

TEST(SplitEventText, WritesCrLfAndKeepsEveryOtherByte) {
    const std::string text = "STARTBYTRIGGER,03/01/24 20:00:00,A\nWAV,A0001.WAV,1,145,03/01/24 20:00:01,"
                             "03/01/24 20:00:02,-70,\xE9t\xE9\r\nodd \r line\nWAV,A0002.WAV,1,145,x,y,-1,1";
    const SplitText split = SplitEventText(text, 1, 1);
    ASSERT_TRUE(split.ok);
    EXPECT_EQ(split.text, "STARTBYTRIGGER,03/01/24 20:00:00,A\r\nWAV,A0001.WAV,1,145,03/01/24 20:00:01,"
                          "03/01/24 20:00:02,-70,\xE9t\xE9\r\nSTARTBYTRIGGER,03/01/24 20:00:02,A00010001\r\n"
                          "odd \r line\r\nWAV,A0002.WAV,1,145,x,y,-1,1\r\n");
}

// The backup holds the old file and the event file the split one; nothing else is written, not even
// to the current folder. What cannot be split writes nothing at all.
TEST(SplitSegment, BackupAndSplitFileOrNothing) {
    test::TempDir dir;
    const std::string event = dir.file("ABCD.EVA"), sav = dir.file("ABCD.SAV");
    const double segStart = *ToDate("03/01/24 20:00:00");
    EXPECT_FALSE(SplitSegment(event, 2, 2, segStart, 1).error.empty()); // no such file
    const std::string before = JoinCrLf(kEvent);
    dir.write("ABCD.EVA", before);
    const SplitResult fewer = SplitSegment(event, 2, 9, segStart, 1);
    EXPECT_FALSE(fewer.ok);
    EXPECT_FALSE(fewer.error.empty());
    EXPECT_FALSE(std::filesystem::exists(sav));

    dir.write("ABCD.SAV", "an older backup\r\n");
    test::TempDir elsewhere;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    const SplitResult r = SplitSegment(event, 2, 2, segStart, 2);
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.segWidthUnits, 50); // 100 s at two seconds a unit
    EXPECT_EQ(test::TempDir::read(sav), before);
    EXPECT_EQ(test::TempDir::read(event), SplitEventText(before, 2, 2).text);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
} // namespace zarn
