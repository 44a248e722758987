// The real WAV control on the silent clock: decoding of the layouts the equipment and other tools
// write, a bad file read back as no file, and the range, repeat and end rules of a play.
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
std::string WriteWav(const TempDir& dir, const std::string& name, int format, int channels, long frames) {
    const std::string path = dir.file(name);
    SF_INFO info{};
    info.samplerate = kRate;
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

// Which files are playable is the waveform reader's rule; the control reads one it refuses back
// as no file, and does not play it.
TEST(SoundWaveControl, LengthChannelsAndRateOfAWavAndNoneForABadFile) {
    const struct {
        const char* name;
        int format, channels;
        long frames; // 0: refused
    } cases[] = {
        {"s16_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000},
        {"wavex.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, 500},
        {"clip.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 0},
    };
    TempDir dir;
    SoundWaveControl wave(SoundWaveControl::Output::Silent);
    const std::string good = WriteWav(dir, "good.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 4000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        wave.SetWavFileName(good);
        ASSERT_EQ(wave.WavLength(), 4000);
        const std::string path = WriteWav(dir, c.name, c.format, c.channels, c.frames ? c.frames : 1000);
        wave.SetWavFileName(path);
        EXPECT_EQ(wave.WavFileName(), c.frames ? path : "");
        EXPECT_EQ(wave.WavLength(), c.frames);
        if (c.frames) {
            EXPECT_EQ(wave.Channels(), c.channels);
            EXPECT_EQ(wave.SampleRate(), kRate);
        }
        EXPECT_EQ(wave.WavPosition(), 0);
        wave.SetPlayCommand(kWavPlay); // with nothing to play, ignored
        EXPECT_EQ(wave.PlayState(), c.frames ? kWavPlay : kWavStop);
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

// The range is clamped at both ends: a start below 0 is 0, beyond the clip the end; an end below
// 0 is the clip's end, and never before the start nor past the clip.
TEST_F(SilentPlay, TheRangeIsClampedToTheClip) {
    const struct {
        long from, to, end;
    } cases[] = {
        {-1, 400, 400}, {0, 0, 0}, {7600, -1, kRate}, {7600, 99999, kRate}, {3000, 2000, 3000}, {99999, -1, kRate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << ".." << c.to);
        const int before = done;
        Play(c.from, c.to);
        ASSERT_TRUE(WaitFor([&] { return done > before; }, 500));
        EXPECT_EQ(wave.PlayState(), kWavStop);
        EXPECT_EQ(wave.WavPosition(), c.end);
    }
}

// A range plays in real time and ends once; a stop keeps the position and raises PlayDone once,
// later, never from inside the call.
TEST_F(SilentPlay, RangePlaysInRealTimeAndEndsOnceAsAStopDoes) {
    EXPECT_FALSE(wave.Audible());
    QElapsedTimer timer;
    timer.start();
    Play(800, 800 + 3 * kRate / 10); // 0.3 s
    wave.SetPlayFrom(5000);          // written after the command, for the next play only
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    QTest::qWait(100);
    const long early = wave.WavPosition();
    EXPECT_GT(early, 800);
    EXPECT_LT(early, 3200);
    EXPECT_EQ(done, 0);
    ASSERT_TRUE(WaitFor([&] { return done > 0; }, 3000));
    EXPECT_GE(timer.elapsed(), 280);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(wave.WavPosition(), 3200);

    Play(0, -1);
    QTest::qWait(100);
    wave.SetPlayCommand(kWavStop);
    const long stopped = wave.WavPosition();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, kRate);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(done, 1);
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
    wave.SetPlayCommand(kWavStop); // a stop of a stopped control raises nothing
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
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
