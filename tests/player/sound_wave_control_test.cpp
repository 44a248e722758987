// The real WAV control: decoding of the layouts the equipment and other tools write, broken files
// read back as no file, and the transport's view of a play on the silent clock.
#include "sound_wave_control.h"

#include "temp_dir.h"
#include "wait_for.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;
using test::WaitFor;

constexpr int kRate = 8000;

// Writes `frames` frames of a ramp; returns the full path.
std::string WriteWav(const TempDir& dir, const std::string& name, int format, int channels, long frames,
                     int rate = kRate) {
    const std::string path = dir.file(name);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(snd, nullptr) << sf_strerror(nullptr);
    if (!snd) return path;
    std::vector<short> samples(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>((i * 97) % 20000 - 10000);
    sf_writef_short(snd, samples.data(), frames);
    sf_close(snd);
    return path;
}

TEST(SoundWaveControl, LengthInFramesForEveryLayout) {
    struct Case {
        const char* name;
        int format, channels;
        long frames;
    };
    // IMA ADPCM codes whole blocks of 505 frames; the others any count.
    const Case cases[] = {
        {"u8_mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 1001},
        {"s16_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000},
        {"s24_mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 777},
        {"ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 1000},
        {"alaw_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_ALAW, 2, 999},
        {"ima_mono.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 1010},
        {"ima_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2, 1010},
        {"wavex.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, 500},
    };
    TempDir dir;
    SoundWaveControl wave(SoundWaveControl::Output::Silent);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteWav(dir, c.name, c.format, c.channels, c.frames);
        wave.SetWavFileName(path);
        EXPECT_EQ(wave.WavFileName(), path);
        EXPECT_EQ(wave.WavLength(), c.frames);
        EXPECT_EQ(wave.Channels(), c.channels);
        EXPECT_EQ(wave.SampleRate(), kRate);
        EXPECT_EQ(wave.WavPosition(), 0);
        EXPECT_EQ(wave.PlayState(), kWavStop);
    }
}

// Which files are playable is the waveform reader's rule (tested there); the control must read
// every one it refuses back as no file, and refuse to play it.
TEST(SoundWaveControl, BrokenFilesReadBackAsNoFile) {
    TempDir dir;
    const std::string good = WriteWav(dir, "good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 4000);
    const std::string ima =
        TempDir::read(WriteWav(dir, "ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 2020));
    SoundWaveControl wave(SoundWaveControl::Output::Silent);
    for (const std::string& path : {dir.write("text.wav", std::string(100, 'x')),
                                    dir.write("data_cut.wav", TempDir::read(good).substr(0, 7000)),
                                    dir.write("ima_cut.wav", ima.substr(0, ima.size() - 100)),
                                    WriteWav(dir, "clip.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 1000),
                                    dir.file("missing.wav")}) {
        SCOPED_TRACE(path);
        wave.SetWavFileName(good);
        ASSERT_EQ(wave.WavLength(), 4000);
        wave.SetWavFileName(path);
        EXPECT_EQ(wave.WavFileName(), "");
        EXPECT_EQ(wave.WavLength(), 0);
        wave.SetPlayCommand(kWavPlay); // nothing to play: ignored
        EXPECT_EQ(wave.PlayState(), kWavStop);
    }
}

// A 1 s mono clip on the silent clock, counting PlayDone.
class SilentPlay : public ::testing::Test {
protected:
    void SetUp() override {
        wave.SetPlayDone([this] { ++done; });
        wave.SetWavFileName(WriteWav(dir, "clip.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, kRate));
        ASSERT_EQ(wave.WavLength(), kRate);
    }
    void Play(long from, long to, bool repeat = false) {
        wave.SetPlayFrom(from);
        wave.SetPlayTo(to);
        wave.SetRepeatPlay(repeat);
        wave.SetPlayCommand(kWavPlay);
    }

    TempDir dir;
    SoundWaveControl wave{SoundWaveControl::Output::Silent};
    int done = 0;
};

TEST_F(SilentPlay, RangePlaysInRealTimeAndEndsOnce) {
    EXPECT_FALSE(wave.Audible());
    QElapsedTimer timer;
    timer.start();
    Play(800, 800 + 3 * kRate / 10); // 0.3 s
    // Written right after the command, the start applies to the next play only.
    wave.SetPlayFrom(5000);
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    QTest::qWait(100);
    const long early = wave.WavPosition();
    EXPECT_GT(early, 800);
    EXPECT_LT(early, 3200);
    EXPECT_EQ(done, 0);

    ASSERT_TRUE(WaitFor([&] { return done > 0; }, 3000));
    const qint64 took = timer.elapsed();
    EXPECT_GE(took, 280);
    EXPECT_LT(took, 1500);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(wave.WavPosition(), 3200);
    QTest::qWait(60);
    EXPECT_EQ(done, 1);
}

TEST_F(SilentPlay, WholeClipByDefaultAndAnEmptyRangeEndsAtOnce) {
    Play(-1, -1);
    QTest::qWait(30);
    EXPECT_LT(wave.WavPosition(), 4000);
    ASSERT_TRUE(WaitFor([&] { return done > 0; }, 4000));
    EXPECT_EQ(wave.WavPosition(), kRate);
    Play(3000, 2000);
    ASSERT_TRUE(WaitFor([&] { return done > 1; }, 500));
    EXPECT_EQ(wave.WavPosition(), 3000);
}

TEST_F(SilentPlay, StopKeepsThePositionAndRaisesOnceLater) {
    Play(0, -1);
    QTest::qWait(100);
    wave.SetPlayCommand(kWavStop);
    const long stopped = wave.WavPosition();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, kRate);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(done, 0); // never from inside the call
    QTest::qWait(50);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(wave.WavPosition(), stopped);

    // A stop of a stopped control raises nothing.
    wave.SetPlayCommand(kWavStop);
    QTest::qWait(50);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(wave.WavPosition(), stopped);
}

TEST_F(SilentPlay, RepeatLoopsUntilStoppedOrTurnedOff) {
    Play(1000, 1000 + kRate / 10, true); // 0.1 s
    long lowest = kRate, highest = 0;
    for (int i = 0; i < 40; ++i) {
        QTest::qWait(10);
        lowest = std::min(lowest, wave.WavPosition());
        highest = std::max(highest, wave.WavPosition());
    }
    EXPECT_EQ(done, 0);
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    EXPECT_GE(lowest, 1000);
    EXPECT_LT(highest, 1800);
    EXPECT_GT(highest - lowest, 400); // it went round, not just along
    wave.SetPlayCommand(kWavStop);
    QTest::qWait(50);
    EXPECT_EQ(done, 1);
    // Repeat turned off during a loop: it ends after the pass.
    Play(0, kRate / 10, true);
    QTest::qWait(150);
    wave.SetRepeatPlay(false);
    ASSERT_TRUE(WaitFor([&] { return done > 1; }, 1000));
    EXPECT_EQ(wave.WavPosition(), kRate / 10);
}

TEST_F(SilentPlay, RestartAndLoadOverAPlay) {
    // A play command during a play moves it to the new range without an end.
    Play(0, -1);
    QTest::qWait(50);
    Play(6000, -1);
    EXPECT_GE(wave.WavPosition(), 6000);
    QTest::qWait(50);
    EXPECT_EQ(done, 0);
    // Loading a file ends the play like a stop.
    wave.SetWavFileName(dir.file("clip.wav"));
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(wave.WavPosition(), 0);
    QTest::qWait(50);
    EXPECT_EQ(done, 1);
}

TEST(SoundWaveControl, PendingEndDiesWithTheControl) {
    TempDir dir;
    int done = 0;
    {
        SoundWaveControl wave(SoundWaveControl::Output::Silent);
        wave.SetPlayDone([&] { ++done; });
        wave.SetWavFileName(WriteWav(dir, "clip.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, kRate));
        wave.SetPlayCommand(kWavPlay);
        wave.SetPlayCommand(kWavStop);
    }
    QTest::qWait(30);
    EXPECT_EQ(done, 0);
}

TEST(SoundWaveControl, DeviceOutputEndsAPlayWithOrWithoutADevice) {
    // Heard or on the silent clock when this machine has no output: the play ends the same way.
    TempDir dir;
    SoundWaveControl wave(SoundWaveControl::Output::Device);
    int done = 0;
    wave.SetPlayDone([&] { ++done; });
    wave.SetWavFileName(WriteWav(dir, "clip.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, kRate / 5));
    wave.SetPlayCommand(kWavPlay);
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    ASSERT_TRUE(WaitFor([&] { return done > 0; }, 5000)) << "audible: " << wave.Audible();
    EXPECT_EQ(wave.WavPosition(), kRate / 5);
    QTest::qWait(50);
    EXPECT_EQ(done, 1);
}

} // namespace
} // namespace zarn
