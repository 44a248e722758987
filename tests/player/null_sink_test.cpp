// The real WAV control heard through a null sink: the clip's tone (length, level, frequency) at the
// time the control says it plays it, and a looped range coming round again and again.
#include "sound_wave_control.h"

#include "sink_recording.h"
#include "temp_dir.h"
#include "wait_for.h"

#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using test::FindBursts;
using test::NowMs;
using test::RecordedMs;
using test::Recorder;
using test::TempDir;
using test::WaitFor;

constexpr int kRate = 22050; // the clip's: the server resamples it to the sink's rate
constexpr double kToneHz = 1000;
constexpr double kAmplitude = 0.5; // of full scale
const double kToneRms = kAmplitude / std::numbers::sqrt2;
constexpr long kLead = kRate / 4; // silence before and after the tone
constexpr long kTone = kRate;     // one second
// Recorded samples louder than this are the tone.
const double kToneFloor = 0.1 * kToneRms * 32768;

double FramesToMs(double frames) {
    return frames * 1000.0 / kRate;
}

// kLead of silence, kTone of the sine, kLead of silence; 16-bit mono.
std::string WriteToneClip(const TempDir& dir) {
    std::vector<short> samples(static_cast<size_t>(kLead + kTone + kLead), 0);
    for (long i = 0; i < kTone; ++i)
        samples[static_cast<size_t>(kLead + i)] = static_cast<short>(
            std::lround(32767 * kAmplitude * std::sin(2 * std::numbers::pi * kToneHz * i / kRate)));
    const std::string path = dir.file("tone.wav");
    SF_INFO info{0, kRate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(snd, nullptr) << sf_strerror(nullptr);
    if (!snd) return path;
    sf_writef_short(snd, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(snd);
    return path;
}

void PrintLatency(double ms) {
    std::printf("play-to-first-sample latency: %.0f ms\n", ms);
}

class NullSinkPlay : public ::testing::Test {
protected:
    void SetUp() override {
        ZARN_NULL_SINK_OR_SKIP(sink_);
        wave_.SetPlayDone([this] {
            ++done_;
            doneMs_ = NowMs();
        });
        clip_ = WriteToneClip(dir_);
        wave_.SetWavFileName(clip_);
        ASSERT_EQ(wave_.WavLength(), kLead + kTone + kLead);
        ASSERT_TRUE(recorder_.Start(sink_)) << "parec does not record " << sink_.toStdString() << ".monitor";
    }

    TempDir dir_;
    std::string clip_;
    QString sink_;
    SoundWaveControl wave_{SoundWaveControl::Output::Device};
    Recorder recorder_;
    int done_ = 0;
    double doneMs_ = 0;
};

TEST_F(NullSinkPlay, TheClipsToneReachesTheSinkAsThePositionSays) {
    std::vector<std::pair<double, long>> positions; // (time, WavPosition) during the play
    const double playMs = NowMs();
    wave_.SetPlayCommand(kWavPlay);
    ASSERT_TRUE(wave_.Audible()) << "the control fell back to the silent clock";
    ASSERT_TRUE(WaitFor(
        [&] {
            positions.emplace_back(NowMs(), wave_.WavPosition());
            return done_ > 0;
        },
        6000));
    EXPECT_TRUE(wave_.Audible()) << "the sink gave up during the play";
    EXPECT_EQ(wave_.WavPosition(), wave_.WavLength());
    QTest::qWait(300);
    // The same clip through paplay is the yardstick for the level, which the server's channel
    // mapping sets (PipeWire's mono to stereo and back comes out 3 dB up).
    ASSERT_TRUE(test::RunTool("paplay", {QString::fromStdString(clip_)}, 10000)) << "paplay does not play it";
    QTest::qWait(100);
    recorder_.Stop();

    const std::vector<std::int16_t>& recorded = recorder_.Samples();
    const std::vector<test::Burst> bursts = FindBursts(recorded, kToneFloor);
    // The control's tone first, then paplay's; paplay may drop out on a busy machine, so its
    // longest stretch is the yardstick.
    ASSERT_GE(bursts.size(), 2u) << "the tone is missing";
    const test::Burst tone = bursts[0];
    EXPECT_NEAR(RecordedMs(tone.end - tone.start), FramesToMs(kTone), 50)
        << "the tone broke up: the next stretch starts " << RecordedMs(bursts[1].start - tone.end)
        << " ms after it";
    const test::ToneFigures figures = test::MeasureTone(recorded, tone);
    const test::Burst yardstick =
        *std::max_element(bursts.begin() + 1, bursts.end(),
                          [](test::Burst a, test::Burst b) { return a.end - a.start < b.end - b.start; });
    const test::ToneFigures reference = test::MeasureTone(recorded, yardstick);
    EXPECT_NEAR(20 * std::log10(figures.rms / reference.rms), 0, 1.0);
    EXPECT_NEAR(20 * std::log10(reference.rms / kToneRms), 0, 4.0) << "the server changes the level";
    EXPECT_NEAR(figures.hz, kToneHz, kToneHz * 0.02);

    // The tone starts kLead into the clip, so the clip's first sample went kLead before it.
    const double toneMs = recorder_.SampleMs(tone.start);
    const double latency = toneMs - FramesToMs(kLead) - playMs;
    PrintLatency(latency);
    EXPECT_LT(latency, 100);

    // The end comes once the trailing silence has gone out too, not when the buffer was filled
    // (the recording's clock is good to a few ms).
    const double clipEndMs = recorder_.SampleMs(tone.end) + FramesToMs(kLead);
    EXPECT_GT(doneMs_ - clipEndMs, -15) << "PlayDone came before the clip was heard out";
    EXPECT_LT(doneMs_ - clipEndMs, 100) << "PlayDone came late";
    EXPECT_EQ(done_, 1);

    // The cursor shows what is heard: while the tone sounds, the position is where its sound is.
    double worst = 0;
    int checked = 0;
    for (const auto& [ms, position] : positions) {
        if (ms < toneMs + 50 || ms > recorder_.SampleMs(tone.end) - 50) continue;
        const double heard = kLead + (ms - toneMs) * kRate / 1000.0;
        worst = std::max(worst, std::abs(FramesToMs(position - heard)));
        ++checked;
    }
    std::printf("position against the sound: %.1f ms at worst\n", worst);
    EXPECT_GT(checked, 20);
    EXPECT_LT(worst, 30) << "the position runs ahead of or behind the sound";
}

TEST_F(NullSinkPlay, ALoopedRangeComesRoundUntilStopped) {
    // 100 ms of silence, then 100 ms of the tone: every pass is one burst.
    const long from = kLead - kRate / 10, to = kLead + kRate / 10;
    wave_.SetPlayFrom(from);
    wave_.SetPlayTo(to);
    wave_.SetRepeatPlay(true);
    const double playMs = NowMs();
    wave_.SetPlayCommand(kWavPlay);
    ASSERT_TRUE(wave_.Audible());
    long lowest = wave_.WavLength(), highest = 0;
    WaitFor(
        [&] {
            lowest = std::min(lowest, wave_.WavPosition());
            highest = std::max(highest, wave_.WavPosition());
            return false;
        },
        1100);
    EXPECT_EQ(done_, 0);
    EXPECT_EQ(wave_.PlayState(), kWavPlay);
    EXPECT_GE(lowest, from);
    EXPECT_LE(highest, to);
    const double stopMs = NowMs();
    wave_.SetPlayCommand(kWavStop);
    QTest::qWait(400);
    recorder_.Stop();
    EXPECT_EQ(done_, 1);

    const std::vector<std::int16_t>& recorded = recorder_.Samples();
    const std::vector<test::Burst> bursts = FindBursts(recorded, kToneFloor);
    ASSERT_GE(bursts.size(), 4u) << "the range did not repeat";
    PrintLatency(recorder_.SampleMs(bursts[0].start) - FramesToMs(kRate / 10) - playMs);
    // Passes follow each other seamlessly: bursts exactly one range apart, each whole but the last.
    for (size_t i = 0; i + 1 < bursts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(RecordedMs(bursts[i].end - bursts[i].start), 100, 5);
        EXPECT_NEAR(RecordedMs(bursts[i + 1].start - bursts[i].start), 200, 5);
        EXPECT_NEAR(test::MeasureTone(recorded, bursts[i]).hz, kToneHz, kToneHz * 0.02);
    }
    // A stop silences the output; the buffered second is not played out.
    EXPECT_LT(recorder_.SampleMs(bursts.back().end) - stopMs, 30);
}

} // namespace
} // namespace zarn
