#include "segment_split.h"

#include "dates.h"
#include "file_size_limit.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

const char* const kEvent[] = {
    "Ver, 02.00.00, Audio Collection Recorder",
    "STARTBYTRIGGER,03/01/24 19:00:00,ABCD0001.WAV",
    "WAV,ABCD0001.WAV,1,0145.0000,03/01/24 19:00:01,03/01/24 19:00:02,-70,1",
    "STARTBYTRIGGER,03/01/24 20:00:00,ABCD0002.WAV",
    "WAV,ABCD0002.WAV,1,0145.0000,03/01/24 20:00:01,03/01/24 20:00:05,-70,1",
    "STOPBYTRIGGER,03/01/24 20:00:05,ABCD0002.WAV",
    "WAV,ABCD0003.WAV,1,0145.0000,03/01/24 20:00:06,03/01/24 20:00:07,,1", // no level: not a clip
    "WAV,ABCD0012.WAV,2,0146.0000,03/01/24 20:01:00,03/01/24 20:01:40,-60,1",
    "WAV,ABCD9999,3,0147.0000,03/01/24 20:02:00,03/01/24 20:02:10,-60,1",
    "WAV,ABCD0014.WAV,3,0147.0000,03/01/24 20:03:00,03/01/24 20:03:10,-60,1",
};

Lines EventLines() {
    return Lines(std::begin(kEvent), std::end(kEvent));
}

TEST(SplitStartLine, NameLessFourCharactersAndTheirNumberPlusOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"ABCD0012.WAV", "STARTBYTRIGGER,T,ABCD00120001"}, {"ABCD0041", "STARTBYTRIGGER,T,ABCD0042"},
        {"ABCD9999", "STARTBYTRIGGER,T,ABCD10000"},        {"AB", "STARTBYTRIGGER,T,0001"},
        {"", "STARTBYTRIGGER,T,0001"}};
    for (const auto& [file, expected] : cases)
        EXPECT_EQ(SplitStartLine(file, "T"), expected) << file;
}

// Lines among the kept clips that are not clips (a STOPBYTRIGGER line, a clip line without a level)
// are copied in place and not counted.
TEST(SplitEventText, InsertsTheNewStartAfterTheNthClipOfTheSegment) {
    const SplitText two = SplitEventText(JoinCrLf(EventLines()), 2, 2);
    ASSERT_TRUE(two.ok);
    EXPECT_EQ(two.lastClipStop, "03/01/24 20:01:40");
    Lines expected = EventLines();
    expected.insert(expected.begin() + 8, "STARTBYTRIGGER,03/01/24 20:01:40,ABCD00120001");
    EXPECT_EQ(SplitLines(two.text), expected);
    EXPECT_EQ(two.text, JoinCrLf(expected));

    const SplitText three = SplitEventText(JoinCrLf(EventLines()), 2, 3);
    ASSERT_TRUE(three.ok);
    EXPECT_EQ(SplitLines(three.text)[9], "STARTBYTRIGGER,03/01/24 20:02:10,ABCD10000");
    EXPECT_EQ(SplitLines(three.text)[10], kEvent[9]);

    // The last clip of the last segment: the new start line ends the file.
    const SplitText last = SplitEventText(JoinCrLf(EventLines()), 2, 4);
    ASSERT_TRUE(last.ok);
    EXPECT_EQ(SplitLines(last.text).back(), "STARTBYTRIGGER,03/01/24 20:03:10,ABCD00140001");
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

TEST(SplitEventText, RefusesWhatTheFileDoesNotHold) {
    const std::string text = JoinCrLf(EventLines());
    // Segment 1 has one clip: its clips end at segment 2.
    for (const auto& [segment, clip] : std::initializer_list<std::pair<int, int>>{{3, 1}, {1, 2}, {2, 5}, {0, 1}, {2, 0}})
        EXPECT_FALSE(SplitEventText(text, segment, clip).ok) << segment << " " << clip;
    // A START line without a time opens no segment: segment 2 is still the one at 20:00:00.
    Lines withEmpty = EventLines();
    withEmpty.insert(withEmpty.begin() + 1, "STARTBYTRIGGER,,ABCD0000.WAV");
    const SplitText split = SplitEventText(JoinCrLf(withEmpty), 2, 1);
    ASSERT_TRUE(split.ok);
    EXPECT_EQ(split.lastClipStop, "03/01/24 20:00:05");
}

class SplitSegmentTest : public ::testing::Test {
protected:
    std::string Event() const { return dir.file("ABCD.EVA"); }
    std::string Sav() const { return dir.file("ABCD.SAV"); }
    std::string WriteEvent() const { return dir.write("ABCD.EVA", JoinCrLf(EventLines())); }
    test::TempDir dir;
    const double segStart = *ToDate("03/01/24 20:00:00");
};

TEST_F(SplitSegmentTest, BackupHoldsTheOldFileAndTheEventFileTheSplitOne) {
    WriteEvent();
    dir.write("ABCD.SAV", "an older backup\r\n");
    const std::string before = test::TempDir::read(Event());
    // Work from another folder: nothing may be written to the current folder.
    test::TempDir elsewhere;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    const SplitResult r = SplitSegment(Event(), 2, 2, segStart, 2);
    std::filesystem::current_path(cwd);

    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.segWidthUnits, 50); // 100 s at two seconds a unit
    EXPECT_EQ(test::TempDir::read(Sav()), before);
    EXPECT_EQ(test::TempDir::read(Event()), SplitEventText(before, 2, 2).text);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2); // no work files left
}

TEST_F(SplitSegmentTest, FailuresAreReportedAndLeaveTheEventFileWhole) {
    // No such file.
    SplitResult r = SplitSegment(Event(), 2, 2, segStart, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());

    // Fewer clips than asked for: nothing is written, not even the backup.
    WriteEvent();
    const std::string before = test::TempDir::read(Event());
    r = SplitSegment(Event(), 2, 9, segStart, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(std::filesystem::exists(Sav()));

    // The backup cannot be written: the event file is untouched.
    std::filesystem::create_directory(Sav());
    r = SplitSegment(Event(), 2, 2, segStart, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(test::TempDir::read(Event()), before);
    std::filesystem::remove(Sav());

    // The backup is written but the split file is not (it is the larger one): the event file keeps
    // its old content under its own name.
    {
        test::FileSizeLimit limit(before.size() + 10);
        ASSERT_TRUE(limit.Active());
        r = SplitSegment(Event(), 2, 2, segStart, 1);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(test::TempDir::read(Event()), before);
    EXPECT_EQ(test::TempDir::read(Sav()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
} // namespace zarn
