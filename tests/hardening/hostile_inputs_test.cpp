// Big and hostile inputs through the real readers: a 100 MB line without a line end, binary garbage
// with NUL bytes, WAV headers that claim 4 GB, an event file of 200000 lines, a signal list of 40000
// records, and dates that name no day. Each has a defined outcome, and none may hang or take memory
// out of proportion to its input.
#include "audfile.h"
#include "clip_table.h"
#include "clip_text.h"
#include "config.h"
#include "dates.h"
#include "fake_prompter.h"
#include "formats.h"
#include "main_bar.h"
#include "segment_answer.h"
#include "segscan.h"
#include "signal_list.h"
#include "signal_list_window.h"
#include "siglist_files.h"
#include "sound_wave_control.h"
#include "temp_dir.h"
#include "textfile.h"
#include "wav_bytes.h"
#include "waveform.h"
#include "zarn_app.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

// Runs `work` and checks its time and its growth of the peak memory against the input's size.
// Generous: only a hang or a blow-up fails (loops and copies that are not linear), not a slow machine.
void Bounded(const std::string& what, std::size_t inputBytes, const std::function<void()>& work) {
    SCOPED_TRACE(what);
    const auto peakBytes = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return u.ru_maxrss * 1024.0;
    };
    const double before = peakBytes();
    const auto start = std::chrono::steady_clock::now();
    work();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's shadow memory would be counted
    EXPECT_LT(peakBytes() - before, 10.0 * static_cast<double>(inputBytes) + 64.0 * 1024 * 1024);
#endif
}

// Every reader of a file the operator or the equipment may hand over, given one that holds nothing
// it can use; `records` is what a signal list load makes of it.
void ExpectNothingUsable(const std::string& path, const std::string& text, const TempDir& dir, int records) {
    const std::string fallback = dir.file("~FREQ.SIG");
    const std::pair<const char*, std::function<void()>> readers[] = {
        {"ReadFileBytes",
         [&] {
             std::string bytes;
             EXPECT_TRUE(ReadFileBytes(path, bytes) && bytes.size() == text.size());
         }},
        {"ScanSegments", [&] { EXPECT_EQ(ScanSegments(text).segCount, 0); }},
        {"BuildClipTable",
         [&] {
             ClipTableInput in;
             in.eventText = text;
             in.segClipCount = 5;
             EXPECT_EQ(BuildClipTable(in).ClipCount, 0);
         }},
        {"AUD file",
         [&] {
             EXPECT_EQ(ClassifyAud(text).smdLines, 0);
             EXPECT_TRUE(ReadRowAttributes(text).empty());
         }},
        {"LoadSignalFile",
         [&] {
             SignalList list;
             EXPECT_TRUE(LoadSignalFile(path, list).file);
             ASSERT_EQ(list.Count(), records);
             for (const std::string& line : list.Lines())
                 EXPECT_LT(line.size(), 100u); // the entry is made of the frequency alone
         }},
        {"PastedSignalLines", [&] { EXPECT_FALSE(PastedSignalLines(text)); }},
        {"ParseConfig", [&] { EXPECT_DOUBLE_EQ(ParseConfig(text).DefaultIfbw, kDefaultIfbwMHz); }},
        {"ReadCommentFile",
         [&] { EXPECT_EQ(ReadCommentFile(path), std::vector<std::string>(kCommentSlots, kUnusedComment)); }},
        // Whatever the pointer says, a name that is no file leaves the default list current.
        {"pointer file",
         [&] {
             EXPECT_EQ(ChooseListFile(ReadPointerFile(path), fallback).path, fallback);
             // A line longer than any path is no name at all and is not looked up.
             EXPECT_TRUE(text.find('\n') != std::string::npos || !ReadPointerFile(path).has_value());
         }},
        {"WAV file",
         [&] {
             EXPECT_EQ(CheckWavFile(path).state, WavFileState::NotPlayable);
             const Waveform w = ReadWaveform(path);
             EXPECT_TRUE(w.state == WavFileState::NotPlayable && w.columns.empty());
         }},
        {"ToDate", [&] { EXPECT_FALSE(ToDate(text)); }},
    };
    for (const auto& [name, read] : readers)
        Bounded(name, text.size(), read);
}

TEST(HostileInputs, HugeLinesAndBinaryGarbageHoldNothingUsable) {
    TempDir dir;
    // Letters, and a frequency whose digits never end: a frequency alone is a record with default
    // fields, its endless digits round away.
    for (const std::string head : {"", "00150."}) {
        SCOPED_TRACE(head);
        std::string text = head;
        text.resize(100u << 20, head.empty() ? 'A' : '9');
        const std::string path = dir.write("LONG.EVA", text);
        ExpectNothingUsable(path, text, dir, head.empty() ? 0 : 1);
        std::remove(path.c_str());
    }
    std::mt19937 random(20260101);
    std::string garbage(4u << 20, '\0');
    for (char& c : garbage) {
        const unsigned r = random() % 256;
        c = r < 64 ? '\0' : r < 72 ? '\n' : r < 76 ? ',' : static_cast<char>(r);
    }
    ExpectNothingUsable(dir.write("GARBAGE.EVA", garbage), garbage, dir, 0);
}

// Either refused, or read for what the file really holds; never 4 GB of columns.
TEST(HostileInputs, WavHeadersClaimingFourGigabytes) {
    TempDir dir;
    const auto silence = [](std::size_t) { return 0x80; };
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"data size 0xFFFFFFFF", test::WavBytes(0xFFFFFFFFu, 0xFFFFFFFFu, 1000, silence)},
        {"RIFF size 4 GB, data honest", test::WavBytes(0xFFFFFFF8u, 1000, 1000, silence)},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write("CLAIM.WAV", c.bytes);
        Bounded(c.name, c.bytes.size(), [&] {
            const WavFileCheck check = CheckWavFile(path);
            const Waveform w = ReadWaveform(path);
            SoundWaveControl control(SoundWaveControl::Output::Silent);
            control.SetWavFileName(path);
            EXPECT_EQ(w.state, check.state);
            if (check.state == WavFileState::Playable) {
                EXPECT_LE(check.dataSize, 1000u);
                EXPECT_LE(w.columns.size(), 1000u);
                EXPECT_LE(control.WavLength(), 1000);
            } else {
                EXPECT_EQ(check.state, WavFileState::NotPlayable);
                EXPECT_TRUE(w.columns.empty());
                EXPECT_EQ(control.WavFileName(), "");
                EXPECT_EQ(control.WavLength(), 0);
            }
        });
    }
}

// 200000 clip lines on 20 frequencies in one segment: the segment counts them all; the rows' clip
// lists outgrow the picture, so Open offers the split, and with it shows the first part.
TEST(HostileInputs, AnEventFileOfTwoHundredThousandLines) {
    constexpr int kClips = 200000;
    std::string text = "Ver, big\r\nSTARTBYTRIGGER,01/02/05 10:00:00,BG0001.WAV\r\n";
    for (int n = 1; n <= kClips; ++n) {
        const int second = n / 8;
        char when[32];
        std::snprintf(when, sizeof when, "01/02/05 %02d:%02d:%02d", 10 + second / 3600, second / 60 % 60,
                      second % 60);
        text += "WAV,BG" + FormatNumber(n % 10000, "0000") + ".WAV," + std::to_string(n % 32000) + "," +
                FormatNumber(100.0 + n % 20, "0000.0000") + "," + when + "," + when + ",-80,0\r\n";
    }
    SegmentTable segments;
    Bounded("ScanSegments", text.size(), [&] { segments = ScanSegments(text); });
    ASSERT_EQ(segments.segCount, 1);
    EXPECT_EQ(segments.clipCount[1], kClips);

    TempDir dir;
    test::FakePrompter prompter;
    ZarnApp app(prompter, dir.path());
    app.StartUp();
    prompter.ExpectOpenFile("Open... Audio File", dir.write("BIGG0102.EVA", text));
    prompter.ExpectMessage("Too many frequencies",
                           "The selected segment includes too many signal frequencies to be presented as a "
                           "single segment.  Can it be broken into smaller segments, the first of which will "
                           "be presented?",
                           MsgIcon::Question, MsgButtons::OkCancel, MsgAnswer::Ok);
    Bounded("Open", text.size(), [&] {
        test::SegmentAnswer answer = test::SegmentAnswer::Ok();
        app.MainWindow()->F_Open_Click();
        EXPECT_TRUE(answer.Seen());
    });
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_GT(app.Models().recording.Table().ClipCount, 0);
    EXPECT_LT(app.Models().recording.Table().ClipCount, kClips);
    EXPECT_EQ(TempDir::read(dir.file("BIGG0102.SAV")), text);
    EXPECT_EQ(ScanSegments(TempDir::read(dir.file("BIGG0102.EVA"))).segCount, 2);
}

// More records than a list holds: the first 32767 frequencies are kept, the rest counted as
// overflow; Import stops with the list-full warning and writes the full list through.
TEST(HostileInputs, ASignalListOfFortyThousandRecords) {
    constexpr int kRecords = 40000, kMax = 32767;
    std::string text;
    for (int i = 0; i < kRecords; ++i)
        text += FormatNumber(30.0 + i * 0.05, "00000.00000") + ",[   00.010    20    FM    ]{2}(9)/ \\\r\n";
    TempDir dir;
    const std::string path = dir.write("BIG.SIG", text);
    Bounded("LoadSignalFile", text.size(), [&] {
        SignalList list;
        const SignalLoadResult r = LoadSignalFile(path, list);
        EXPECT_EQ(list.Count(), kMax);
        EXPECT_EQ(r.merged, kMax);
        EXPECT_EQ(r.overflow, kRecords - kMax);
    });

    test::FakePrompter prompter;
    SignalListSetup setup;
    setup.standalone = true;
    setup.folder = dir.path();
    SignalListWindow roll(prompter, setup);
    roll.Load();
    prompter.ExpectOpenFile("Select... Signal List file to Import data from", path);
    prompter.ExpectMessage("IMPORT Signal List... WARNING:",
                           "Signal List is full (32767 entries).  No more data can be added.", MsgIcon::Exclamation,
                           MsgButtons::Ok, MsgAnswer::Ok);
    Bounded("Import", text.size(), [&] { roll.Import(); });
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(roll.List().Count(), kMax);
    // Written through: the default list file now holds the full list.
    SignalList again;
    LoadSignalFile(dir.file("~FREQ.SIG"), again);
    EXPECT_EQ(again.Count(), kMax);
}

// Dates that name no day or time: a START line's date falls to day zero, a clip whose times cannot
// be read is skipped.
TEST(HostileInputs, DatesThatNameNoDay) {
    const std::string text = "Ver, x\r\n"
                             "STARTBYTRIGGER,13/45/99 99:99:99,AB0001.WAV\r\n"
                             "WAV,AB0001.WAV,1,100.0000,01/02/05 10:00:00,01/02/05 10:00:05,-80,0\r\n"
                             "WAV,AB0002.WAV,2,100.0000,13/45/99 99:99:99,99:99:99,-80,0\r\n"
                             "WAV,AB0003.WAV,3,100.0000,01/02/05 10:00:10,01/02/05 10:00:15,-80,0\r\n";
    const SegmentTable segments = ScanSegments(text);
    ASSERT_EQ(segments.segCount, 1);
    EXPECT_EQ(segments.start[1], 0.0);
    EXPECT_EQ(segments.clipCount[1], 3);
    EXPECT_EQ(segments.stop[1], *ToDate("01/02/05 10:00:15"));
    ClipTableInput in;
    in.eventText = text;
    in.segStart = *ToDate("01/02/05 10:00:00");
    in.segStop = segments.stop[1];
    in.segClipCount = 3;
    EXPECT_EQ(BuildClipTable(in).Skipped, 1);
}

} // namespace
} // namespace zarn
