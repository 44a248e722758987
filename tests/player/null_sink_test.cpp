// The real WAV control heard through a null sink. A tone clip: its length, level and frequency, the
// time the control says it plays it, and PlayDone once it is heard out. Then every way the
// transport drives the control keeps every frame: a list played on from PlayDone, a looped range,
// Pause and Play again, a marked range, and Stop. Those clips are 48 kHz 16-bit mono and come back
// sample for sample, so a frame lost, repeated or played past its range shows.
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
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using test::FindPlay;
using test::kRecordRate;
using test::MatchingRun;
using test::NowMs;
using test::RecordedMs;
using test::Samples;
using test::WaitFor;

class SinkPlay : public ::testing::Test {
protected:
    void SetUp() override {
        QString sink;
        ZARN_NULL_SINK_OR_SKIP(sink);
        wave_.SetPlayDone([this] {
            ++done_;
            doneMs_ = NowMs();
            if (onDone_) onDone_();
        });
        ASSERT_TRUE(recorder_.Start(sink)) << "parec does not record " << sink.toStdString() << ".monitor";
    }

    void Load(const std::string& path) {
        wave_.SetWavFileName(path);
        ASSERT_GT(wave_.WavLength(), 0) << path;
    }
    void Play(long from, long to, bool repeat = false) {
        wave_.SetPlayFrom(from);
        wave_.SetPlayTo(to);
        wave_.SetRepeatPlay(repeat);
        wave_.SetPlayCommand(kWavPlay);
        ASSERT_TRUE(wave_.Audible()) << "the control fell back to the silent clock";
    }
    const Samples& StopRecording() {
        QTest::qWait(300);
        recorder_.Stop();
        return recorder_.Samples();
    }

    test::TempDir dir_;
    SoundWaveControl wave_{SoundWaveControl::Output::Device};
    test::Recorder recorder_;
    int done_ = 0;
    double doneMs_ = 0;
    std::function<void()> onDone_;
};

// ---- A tone, resampled by the server

constexpr int kToneRate = 22050;
constexpr double kToneHz = 1000;
constexpr double kAmplitude = 0.5; // of full scale
constexpr long kLead = kToneRate / 4; // silence before and after the tone
constexpr long kTone = kToneRate;     // one second

double ToneMs(double frames) {
    return frames * 1000.0 / kToneRate;
}

TEST_F(SinkPlay, TheClipsToneReachesTheSinkAsThePositionSays) {
    // kLead of silence, kTone of the sine, kLead of silence; 16-bit mono.
    std::vector<float> samples(static_cast<size_t>(kLead + kTone + kLead), 0.0f);
    for (long i = 0; i < kTone; ++i)
        samples[static_cast<size_t>(kLead + i)] =
            static_cast<float>(kAmplitude * std::sin(2 * std::numbers::pi * kToneHz * i / kToneRate));
    const std::string clip = dir_.file("tone.wav");
    ASSERT_TRUE(test::WriteWav(clip, kToneRate, 1, SF_FORMAT_PCM_16, samples));
    Load(clip);
    ASSERT_EQ(wave_.WavLength(), kLead + kTone + kLead);

    std::vector<std::pair<double, long>> positions; // (time, WavPosition) during the play
    const double playMs = NowMs();
    Play(-1, -1);
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
    ASSERT_TRUE(test::RunTool("paplay", {QString::fromStdString(clip)}, 10000)) << "paplay does not play it";
    const Samples& recorded = StopRecording();

    // The control's tone first, then paplay's; paplay may drop out on a busy machine, so its
    // longest stretch is the yardstick.
    const double toneRms = kAmplitude / std::numbers::sqrt2;
    const std::vector<test::Burst> bursts = test::FindBursts(recorded, 0.1 * toneRms * 32768);
    ASSERT_GE(bursts.size(), 2u) << "the tone is missing";
    const test::Burst tone = bursts[0];
    EXPECT_NEAR(RecordedMs(tone.end - tone.start), ToneMs(kTone), 50)
        << "the tone broke up: the next stretch starts " << RecordedMs(bursts[1].start - tone.end)
        << " ms after it";
    const test::ToneFigures figures = test::MeasureTone(recorded, tone);
    const test::Burst yardstick =
        *std::max_element(bursts.begin() + 1, bursts.end(),
                          [](test::Burst a, test::Burst b) { return a.end - a.start < b.end - b.start; });
    const test::ToneFigures reference = test::MeasureTone(recorded, yardstick);
    EXPECT_NEAR(20 * std::log10(figures.rms / reference.rms), 0, 1.0);
    EXPECT_NEAR(20 * std::log10(reference.rms / toneRms), 0, 4.0) << "the server changes the level";
    EXPECT_NEAR(figures.hz, kToneHz, kToneHz * 0.02);

    // The tone starts kLead into the clip, so the clip's first sample went kLead before it.
    const double toneMs = recorder_.SampleMs(tone.start);
    const double latency = toneMs - ToneMs(kLead) - playMs;
    std::printf("play-to-first-sample latency: %.0f ms\n", latency);
    EXPECT_LT(latency, 100);

    // The end comes once the trailing silence has gone out too, not when the buffer was filled.
    const double clipEndMs = recorder_.SampleMs(tone.end) + ToneMs(kLead);
    EXPECT_GT(doneMs_ - clipEndMs, -15) << "PlayDone came before the clip was heard out";
    EXPECT_LT(doneMs_ - clipEndMs, 100) << "PlayDone came late";
    EXPECT_EQ(done_, 1);

    // The cursor shows what is heard: while the tone sounds, the position is where its sound is.
    double worst = 0;
    int checked = 0;
    for (const auto& [ms, position] : positions) {
        if (ms < toneMs + 50 || ms > recorder_.SampleMs(tone.end) - 50) continue;
        const double heard = kLead + (ms - toneMs) * kToneRate / 1000.0;
        worst = std::max(worst, std::abs(ToneMs(position - heard)));
        ++checked;
    }
    std::printf("position against the sound: %.1f ms at worst\n", worst);
    EXPECT_GT(checked, 20);
    EXPECT_LT(worst, 30) << "the position runs ahead of or behind the sound";
}

// ---- Talk at the sink's own rate, which comes back sample for sample

using test::MakeTalk;
using test::SilentBetween;

constexpr long Ms(double ms) {
    return test::RecordedSamples(ms);
}

std::string WriteClip(const test::TempDir& dir, const std::string& name, const Samples& samples) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(test::WriteMono48k(path, samples)) << path;
    return path;
}

TEST_F(SinkPlay, AListPlaysOnClipByClipEachWholeAndInOrder) {
    // As the player plays on: PlayDone loads the next clip and plays it at once.
    const std::vector<Samples> clips{MakeTalk(1, 0.1), MakeTalk(2, 0.9), MakeTalk(3, 0.25), MakeTalk(4, 1.4)};
    std::vector<std::string> paths;
    for (size_t i = 0; i < clips.size(); ++i)
        paths.push_back(WriteClip(dir_, "list" + std::to_string(i) + ".wav", clips[i]));
    size_t next = 1;
    onDone_ = [&] {
        if (next == paths.size()) return;
        wave_.SetWavFileName(paths[next++]);
        wave_.SetPlayFrom(-1);
        wave_.SetPlayTo(-1);
        wave_.SetPlayCommand(kWavPlay);
    };
    Load(paths[0]);
    Play(-1, -1);
    ASSERT_TRUE(WaitFor([&] { return done_ == static_cast<int>(clips.size()); }, 10000));
    EXPECT_EQ(test::FirstClipNotWhole(StopRecording(), clips), -1) << "that clip did not come out whole";
}

TEST_F(SinkPlay, ALoopedShortRangeRepeatsWholeEachTimeUntilStopped) {
    const Samples clip = MakeTalk(5, 1.5);
    Load(WriteClip(dir_, "loop.wav", clip));
    // 150 ms from the clip's middle: each pass follows the last with nothing lost or doubled.
    const long from = Ms(600), to = Ms(750), length = to - from;
    Play(from, to, true);
    long lowest = wave_.WavLength(), highest = 0;
    WaitFor(
        [&] {
            lowest = std::min(lowest, wave_.WavPosition());
            highest = std::max(highest, wave_.WavPosition());
            return false;
        },
        1300);
    EXPECT_EQ(done_, 0);
    EXPECT_EQ(wave_.PlayState(), kWavPlay);
    EXPECT_GE(lowest, from);
    EXPECT_LE(highest, to);
    wave_.SetPlayCommand(kWavStop);
    const Samples& recording = StopRecording();
    EXPECT_EQ(done_, 1);

    const auto first = FindPlay(recording, 0, clip, from, length);
    ASSERT_TRUE(first) << "the range did not come out whole";
    int passes = 1;
    while (MatchingRun(recording, *first + passes * length, clip, from) == length)
        ++passes;
    EXPECT_GE(passes, 6) << "the range did not repeat whole, pass after pass";
    // The pass the stop cut short is a part of the range from its start, then silence.
    const long cut = *first + passes * length;
    const long tail = MatchingRun(recording, cut, clip, from);
    EXPECT_TRUE(SilentBetween(recording, cut + tail, cut + tail + Ms(200))) << "sound after the cut pass";
}

TEST_F(SinkPlay, PauseThenPlayResumesAtTheFrameHeard) {
    const Samples clip = MakeTalk(6, 2.0, true);
    Load(WriteClip(dir_, "pause.wav", clip));
    Play(-1, -1);
    QTest::qWait(700);
    // Pause reads the position, then stops; Play goes on from that position.
    const long paused = wave_.WavPosition();
    wave_.SetPlayCommand(kWavStop);
    QTest::qWait(400);
    Play(paused, -1);
    ASSERT_TRUE(WaitFor([&] { return done_ == 2; }, 5000));
    const Samples& recording = StopRecording();

    const auto start = FindPlay(recording, 0, clip, 0, Ms(200));
    ASSERT_TRUE(start);
    const long heard = MatchingRun(recording, *start, clip, 0, true); // up to where the stop cut it off
    std::printf("pause: position %.1f ms, sound stopped at %.1f ms of the clip\n", RecordedMs(paused),
                RecordedMs(heard));
    EXPECT_NEAR(RecordedMs(heard), RecordedMs(paused), 10) << "lost or repeated at the pause";
    EXPECT_TRUE(FindPlay(recording, *start + heard, clip, paused, static_cast<long>(clip.size()) - paused))
        << "the rest of the clip did not come out whole from the paused frame";
}

TEST_F(SinkPlay, AMarkedRangePlaysExactlyThatRange) {
    const Samples clip = MakeTalk(7, 1.5);
    Load(WriteClip(dir_, "mark.wav", clip));
    const long from = Ms(333), to = Ms(901);
    Play(from, to);
    ASSERT_TRUE(WaitFor([&] { return done_ == 1; }, 4000));
    EXPECT_EQ(wave_.WavPosition(), to);
    const Samples& recording = StopRecording();

    const auto at = FindPlay(recording, 0, clip, from, to - from);
    ASSERT_TRUE(at) << "the marked range did not come out whole";
    // Nothing of the clip before or after it: silence on both sides.
    EXPECT_TRUE(SilentBetween(recording, *at - Ms(100), *at));
    EXPECT_TRUE(SilentBetween(recording, *at + (to - from), *at + (to - from) + Ms(200)));
    // PlayDone once its last frame was heard, and soon after.
    const double lastMs = recorder_.SampleMs(static_cast<double>(*at + (to - from)));
    std::printf("marked range: PlayDone %.1f ms after the last frame reached the sink\n", doneMs_ - lastMs);
    EXPECT_GT(doneMs_ - lastMs, -15);
    EXPECT_LT(doneMs_ - lastMs, 100);
}

TEST_F(SinkPlay, StopSilencesAtOnce) {
    const Samples clip = MakeTalk(8, 3.0, true);
    Load(WriteClip(dir_, "stop.wav", clip));
    Play(-1, -1);
    QTest::qWait(800);
    const double stopMs = NowMs();
    wave_.SetPlayCommand(kWavStop);
    const Samples& recording = StopRecording();

    const auto start = FindPlay(recording, 0, clip, 0, Ms(200));
    ASSERT_TRUE(start);
    const long end = *start + MatchingRun(recording, *start, clip, 0, true);
    std::printf("stop: sound ended %.1f ms after the stop command\n", recorder_.SampleMs(end) - stopMs);
    EXPECT_LT(recorder_.SampleMs(static_cast<double>(end)) - stopMs, 30) << "the output went on after Stop";
    EXPECT_TRUE(SilentBetween(recording, end, end + Ms(500))) << "sound after Stop";
}

} // namespace
} // namespace zarn
