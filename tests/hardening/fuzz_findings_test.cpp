// Replays of what the fuzzers found. Each case is the record (or the part of the input) that broke
// a property, kept as it was found or cut down to the line that mattered.
#include "entry_line.h"
#include "signal_list.h"
#include "sound_wave_control.h"
#include "temp_dir.h"
#include "waveform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>

namespace zarn {
namespace {

// A foreign record's bracket group may hold characters a record cannot carry back, or group marks
// inside its fields. The loaded line must be what a save writes, and saving and loading again must
// neither change it nor let the comment grow.
TEST(SignalRecordFinding, LoadsAsALineThatSavesAndLoadsUnchanged) {
    const struct {
        std::string_view record;
        std::string_view line; // the entry line the record loads as
    } findings[] = {
        // A character between the COR and the mode sat in column 29, which a save drops.
        {"00007.03500,[   00.002    20  W C     ]{1}(9)/ \\", " 00007.03500   00.002   20   C     ids    9        "},
        // Beside the bandwidth, columns 13-15 and 22-24.
        {"00007.03500,[ab 00.002 cd 20    CW    ]{1}(9)/ \\note",
         " 00007.03500   00.002   20   CW    ids    9        note"},
        // A "/" in the bandwidth hid the lockout group: its "/ \" joined the comment, once more on
        // every save and load.
        {"00033.00000,[   00/025    20    FO    ]{2}(9)/ \\",
         " 00033.00000   00 025   20   FO    ?s     9        / \\"},
        // The other marks in the fields: each would hide a group once written.
        {"00010.00000,[   00.010    20    F\\    ]{0}(1)/x\\c",
         " 00010.00000   00.010   20   F     soi    1        /x\\c"},
        {"00010.00000,[   00.010    {0    FM    ]{0}(1)/x\\c", " 00010.00000   00.010    0   FM    ?s     1    x   c"},
        {"00010.00000,[   00.010    20    FM    ]{0}(/)/x\\c",
         " 00010.00000   00.010   20   FM    soi             /x\\c"},
        // A mark blanked out of the mode made the record form of PLS, which the next load turned
        // into PLS: the line changed on its first save.
        {"00020.00000,[   00.100    20    AM(PLS]{0}(9)/ \\", " 00020.00000   00.100   20   PLS   soi    9        "},
    };
    for (const auto& f : findings) {
        SCOPED_TRACE(f.record);
        std::string record(f.record);
        for (int cycle = 0; cycle < 4; ++cycle) {
            const std::optional<std::string> line = ParseSignalRecordLine(record);
            ASSERT_EQ(line, std::optional<std::string>(f.line)) << "cycle " << cycle;
            record = FormatSignalRecord(*line);
        }
        SignalList list, reloaded;
        MergeSignalRecords(std::string(f.record) + "\r\n", list);
        MergeSignalRecords(SignalFileText(list), reloaded);
        EXPECT_EQ(reloaded.Lines(), list.Lines());
    }
}

// An IMA ADPCM clip whose "fact" chunk claims four gigabytes: libsndfile, told the file was longer
// than it is to learn the claimed frame count, reserved memory for the chunk and took seconds.
TEST(WavFinding, AChunkClaimingGigabytesIsRefusedAtOnce) {
    std::string bytes("RIFF\x34\x02\x00\x00WAVEfmt \x14\x00\x00\x00\x11\x00\x01\x00\x11\x2b\x00\x00"
                      "\xd5\x15\x00\x00\x00\x01\x04\x00\x02\x00\xf9\x01"
                      "fact\xf7\xff\xff\xff\x17\xfc\xff\xff"
                      "data\x00\x02\x00\x00",
                      60);
    bytes.append(512, '\x11');
    test::TempDir dir;
    const std::string path = dir.write("FACT.WAV", bytes);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckWavFile(path).state, WavFileState::NotPlayable);
    EXPECT_EQ(ReadWaveform(path).state, WavFileState::NotPlayable);
    SoundWaveControl wave(SoundWaveControl::Output::Silent);
    wave.SetWavFileName(path);
    EXPECT_EQ(wave.WavFileName(), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
} // namespace zarn
