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
#include "segment_answer.h"
#include "segscan.h"
#include "signal_list_window.h"
#include "siglist_files.h"
#include "siglist_texts.h"
#include "signal_list.h"
#include "sound_wave_control.h"
#include "temp_dir.h"
#include "textfile.h"
#include "wav_bytes.h"
#include "waveform.h"
#include "zarn_app.h"
#include "main_bar.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define ZARN_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARN_TEST_ASAN 1
#endif
#endif
#ifndef ZARN_TEST_ASAN
#define ZARN_TEST_ASAN 0
#endif

namespace zarn {
namespace {

using test::TempDir;

// Generous: only a hang or a blow-up fails, not a slow machine. The work itself is linear by
// construction; these guard against loops and copies that are not.
constexpr double kSeconds = 60.0;

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Runs `work` and checks its time and its growth of the peak memory against the input's size.
void Bounded(const std::string& what, std::size_t inputBytes, const std::function<void()>& work) {
    SCOPED_TRACE(what);
    const long before = PeakKb();
    const auto start = std::chrono::steady_clock::now();
    work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, kSeconds);
    if (ZARN_TEST_ASAN) return; // the sanitizer's shadow memory would be counted
    const double grown = (PeakKb() - before) * 1024.0;
    EXPECT_LT(grown, 10.0 * static_cast<double>(inputBytes) + 64.0 * 1024 * 1024) << grown << " bytes";
}

std::string Record(double mhz) {
    return FormatNumber(mhz, "00000.00000") + ",[   00.010    20    FM    ]{2}(9)/ \\\r\n";
}

// Everything that reads a file the operator or the equipment may hand over, with its outcome for
// an input that holds nothing it can use.
// `records` is what a signal list load makes of it.
void ExpectNothingUsable(const std::string& path, const std::string& text, const TempDir& dir,
                         int records = 0) {
    Bounded("ReadFileBytes", text.size(), [&] {
        std::string bytes;
        ASSERT_TRUE(ReadFileBytes(path, bytes));
        EXPECT_EQ(bytes.size(), text.size());
    });
    Bounded("ScanSegments", text.size(), [&] { EXPECT_EQ(ScanSegments(text).segCount, 0); });
    Bounded("BuildClipTable", text.size(), [&] {
        ClipTableInput in;
        in.eventText = text;
        in.segClipCount = 5;
        EXPECT_EQ(BuildClipTable(in).ClipCount, 0);
    });
    Bounded("AUD file", text.size(), [&] {
        EXPECT_EQ(ClassifyAud(text).smdLines, 0);
        EXPECT_TRUE(ReadRowAttributes(text).empty());
    });
    Bounded("LoadSignalFile", text.size(), [&] {
        SignalList list;
        const SignalLoadResult r = LoadSignalFile(path, list);
        EXPECT_TRUE(r.file);
        ASSERT_EQ(list.Count(), records);
        for (const std::string& line : list.Lines())
            EXPECT_LT(line.size(), 100u); // the entry is made of the frequency alone
    });
    Bounded("PastedSignalLines", text.size(), [&] { EXPECT_FALSE(PastedSignalLines(text)); });
    Bounded("ParseConfig", text.size(),
            [&] { EXPECT_DOUBLE_EQ(ParseConfig(text).DefaultIfbw, kDefaultIfbwMHz); });
    Bounded("ReadCommentFile", text.size(), [&] {
        EXPECT_EQ(ReadCommentFile(path), std::vector<std::string>(kCommentSlots, kUnusedComment));
    });
    Bounded("pointer file", text.size(), [&] {
        // Whatever the pointer says, a name that is no file leaves the default list current.
        const std::string fallback = dir.file("~FREQ.SIG");
        EXPECT_EQ(ChooseListFile(ReadPointerFile(path), fallback).path, fallback);
        // A line longer than any path is no name at all; it is not looked up.
        if (text.find('\n') == std::string::npos) {
            EXPECT_FALSE(ReadPointerFile(path).has_value());
        }
    });
    Bounded("WAV file", text.size(), [&] {
        EXPECT_EQ(CheckWavFile(path).state, WavFileState::NotPlayable);
        const Waveform w = ReadWaveform(path);
        EXPECT_EQ(w.state, WavFileState::NotPlayable);
        EXPECT_TRUE(w.columns.empty());
    });
    Bounded("ToDate", text.size(), [&] { EXPECT_FALSE(ToDate(text)); });
}

TEST(HostileInputs, AHundredMegabyteLineWithoutAnEnd) {
    TempDir dir;
    constexpr std::size_t kSize = 100u << 20;
    // Letters, and one that starts as a record whose number never ends.
    for (const std::string head : {"", "00150.", "WAV,AB0001.WAV,1,"}) {
        SCOPED_TRACE(head);
        std::string text = head;
        text.resize(kSize, head.empty() ? 'A' : '9');
        const std::string path = dir.write("LONG.EVA", text);
        // A frequency alone is a record with default fields; its endless digits round away.
        ExpectNothingUsable(path, text, dir, head == "00150." ? 1 : 0);
        std::remove(path.c_str());
    }
}

TEST(HostileInputs, BinaryGarbageWithNulBytes) {
    TempDir dir;
    std::mt19937 random(20260101);
    std::string text(4u << 20, '\0');
    for (char& c : text) {
        const unsigned r = random() % 256;
        c = r < 64 ? '\0' : r < 72 ? '\n' : r < 76 ? ',' : static_cast<char>(r);
    }
    const std::string path = dir.write("GARBAGE.EVA", text);
    ExpectNothingUsable(path, text, dir);
}

// A header with the given sizes, then `samples` bytes of silence.
std::string WavClaiming(std::uint32_t riffSize, std::uint32_t dataSize, std::size_t samples,
                        const std::string& extraChunk = "") {
    return test::WavBytes(
        riffSize, dataSize, samples, [](std::size_t) { return 0x80; }, extraChunk);
}

TEST(HostileInputs, WavHeadersClaimingFourGigabytesAreNotPlayable) {
    TempDir dir;
    const std::string huge = std::string("LIST") + std::string("\xF0\xFF\xFF\xFF", 4) + "INFO";
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"data size 4 GB", WavClaiming(0xFFFFFFF8u, 0xFFFFFFF0u, 1000)},
        {"data size 0xFFFFFFFF", WavClaiming(0xFFFFFFFFu, 0xFFFFFFFFu, 1000)},
        {"RIFF size 4 GB, data honest", WavClaiming(0xFFFFFFF8u, 1000, 1000)},
        {"a chunk before the data claims 4 GB", WavClaiming(0xFFFFFFF8u, 1000, 1000, huge)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("CLAIM.WAV", c.bytes);
        Bounded("check and read", c.bytes.size(), [&] {
            const WavFileCheck check = CheckWavFile(path);
            const Waveform w = ReadWaveform(path);
            // Either refused, or read for what it really holds; never 4 GB of columns.
            EXPECT_EQ(w.state, check.state);
            if (check.state == WavFileState::Playable) {
                EXPECT_LE(check.dataSize, 1000u);
                EXPECT_LE(w.columns.size(), 1000u);
            } else {
                EXPECT_EQ(check.state, WavFileState::NotPlayable);
                EXPECT_TRUE(w.columns.empty());
            }
        });
        Bounded("the WAV control", c.bytes.size(), [&] {
            SoundWaveControl control(SoundWaveControl::Output::Silent);
            control.SetWavFileName(path);
            if (CheckWavFile(path).state == WavFileState::Playable) {
                EXPECT_LE(control.WavLength(), 1000);
            } else {
                EXPECT_EQ(control.WavFileName(), "");
                EXPECT_EQ(control.WavLength(), 0);
            }
        });
    }
}

std::string ClipLine(int n, int second, double mhz) {
    char when[32];
    std::snprintf(when, sizeof when, "01/02/05 %02d:%02d:%02d", 10 + second / 3600, second / 60 % 60,
                  second % 60);
    return "WAV,BG" + FormatNumber(n % 10000, "0000") + ".WAV," + std::to_string(n % 32000) + "," +
           FormatNumber(mhz, "0000.0000") + "," + when + "," + when + ",-80,0\r\n";
}

// 200000 clip lines on 20 frequencies in one segment: the segment counts them all; the rows' clip
// lists outgrow the picture, so Open offers the split, and with it shows the first part.
TEST(HostileInputs, AnEventFileOfTwoHundredThousandLines) {
    std::string text = "Ver, big\r\nSTARTBYTRIGGER,01/02/05 10:00:00,BG0001.WAV\r\n";
    constexpr int kClips = 200000;
    for (int n = 1; n <= kClips; ++n)
        text += ClipLine(n, n / 8, 100.0 + (n % 20));
    SegmentTable segments;
    Bounded("ScanSegments", text.size(), [&] { segments = ScanSegments(text); });
    ASSERT_EQ(segments.segCount, 1);
    EXPECT_EQ(segments.clipCount[1], kClips);
    Bounded("BuildClipTable", text.size(), [&] {
        ClipTableInput in;
        in.eventText = text;
        in.segStart = segments.start[1];
        in.segStop = segments.stop[1];
        in.segClipCount = segments.clipCount[1];
        in.segMaxNumber = segments.maxNumber[1];
        ClipTableHooks hooks;
        int asked = 0;
        hooks.tooMany = [&](int) {
            ++asked;
            return TooManyAnswer::Decline;
        };
        const ClipTable t = BuildClipTable(in, hooks);
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(t.Declined);
    });

    // The whole road: the file dialog, the segment dialog, the picture.
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
    EXPECT_TRUE(app.Models().recording.SummaryLoaded());
    EXPECT_GT(app.Models().recording.Table().ClipCount, 0);
    EXPECT_LT(app.Models().recording.Table().ClipCount, kClips);
    EXPECT_EQ(TempDir::read(dir.file("BIGG0102.SAV")), text);
    EXPECT_EQ(ScanSegments(TempDir::read(dir.file("BIGG0102.EVA"))).segCount, 2);
}

// More records than a list holds: the first 32767 frequencies are kept, the rest counted as
// overflow; Import stops with the list-full warning; nothing is lost from what was listed.
TEST(HostileInputs, ASignalListOfFortyThousandRecords) {
    std::string text;
    constexpr int kRecords = 40000;
    for (int i = 0; i < kRecords; ++i)
        text += Record(30.0 + i * 0.05);
    TempDir dir;
    const std::string path = dir.write("BIG.SIG", text);
    Bounded("LoadSignalFile", text.size(), [&] {
        SignalList list;
        const SignalLoadResult r = LoadSignalFile(path, list);
        EXPECT_EQ(list.Count(), SignalList::kMaxEntries);
        EXPECT_EQ(r.merged, SignalList::kMaxEntries);
        EXPECT_EQ(r.overflow, kRecords - SignalList::kMaxEntries);
    });
    Bounded("PastedSignalLines", text.size(), [&] { EXPECT_FALSE(PastedSignalLines(text)); });

    test::FakePrompter prompter;
    SignalListSetup setup;
    setup.standalone = true;
    setup.folder = dir.path();
    SignalListWindow roll(prompter, setup);
    roll.Load();
    prompter.ExpectOpenFile(sigtext::kImportDialogStandalone, path);
    prompter.ExpectMessage(std::string("IMPORT") + sigtext::kFullWarnTitleSuffix, sigtext::kFullWarnText,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Bounded("Import", text.size(), [&] { roll.Import(); });
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(roll.List().Count(), SignalList::kMaxEntries);
    // Written through: the default list file now holds the full list.
    SignalList again;
    LoadSignalFile(dir.file("~FREQ.SIG"), again);
    EXPECT_EQ(again.Count(), SignalList::kMaxEntries);

    // The same 40000 as clipboard text, pasted into an empty list.
    SignalList rest;
    MergeSignalRecords(std::string_view(text).substr(text.size() / kRecords * SignalList::kMaxEntries), rest);
    std::vector<std::string> lines = again.Lines();
    for (std::string& line : rest.Lines())
        lines.push_back(std::move(line));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRecords));
    const std::string clip = SignalListClipText(std::vector<std::string_view>(lines.begin(), lines.end()));
    TempDir other;
    setup.folder = other.path();
    SignalListWindow empty(prompter, setup);
    empty.Load();
    QGuiApplication::clipboard()->setText(QString::fromLatin1(clip.data(), static_cast<int>(clip.size())));
    prompter.ExpectMessage(std::string("PASTE") + sigtext::kFullWarnTitleSuffix, sigtext::kFullWarnText,
                           MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    Bounded("Paste", clip.size(), [&] { empty.Paste(); });
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    EXPECT_EQ(empty.List().Count(), SignalList::kMaxEntries);
}

// Dates that name no day or time are refused, and the readers say what they do with them: a START
// line's date falls to day zero, a clip whose times cannot be read is skipped.
TEST(HostileInputs, DatesThatNameNoDay) {
    for (const char* text :
         {"13/45/99 99:99:99", "99:99:99", "02/30/05 10:00:00", "00/00/00 00:00:00", "12/31/05 24:00:00",
          "12/31/05 23:60:00", "1/1/1 25:00", "//", ":::", "99999999999999999999/1/05 10:00:00", ""}) {
        EXPECT_FALSE(ToDate(text)) << text;
        EXPECT_FALSE(ParseDateText(text)) << text;
    }
    EXPECT_TRUE(ToDate("12/31/05 23:59:59"));

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
    const ClipTable t = BuildClipTable(in);
    EXPECT_EQ(t.Skipped, 1);
}

// Garbage where the configuration and the editor's small files are expected: defaults, no
// message, and the program starts.
TEST(HostileInputs, GarbageConfigurationAndCompanionFilesGiveDefaults) {
    TempDir dir;
    std::string garbage(64 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : garbage)
        c = static_cast<char>(random() % 7 == 0 ? '\n' : random() % 256);
    dir.write("Zarn_Aud.Ini", "[IFBW]\r\n" + garbage);
    dir.write("~FREQ.~IG", garbage);
    dir.write("~Freq.Cmt", "[Signal List Comments]\r\n" + garbage);
    const Settings s = ReadConfig(dir.path());
    EXPECT_GE(s.DefaultIfbw, 0.0);
    test::FakePrompter prompter;
    ZarnApp app(prompter, dir.path());
    app.StartUp();
    EXPECT_TRUE(prompter.AllMet()) << prompter.Report();
    ASSERT_NE(app.SignalList(), nullptr);
    EXPECT_EQ(app.SignalList()->SigListFileName(), dir.file("~FREQ.SIG"));
    EXPECT_EQ(app.SignalList()->List().Count(), 0);
}

} // namespace
} // namespace zarn
