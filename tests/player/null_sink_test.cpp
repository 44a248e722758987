// The real WAV control heard through a null sink. A tone clip: its length, level and frequency, and
// the position the control reports against the sound. Then every way the transport drives the
// control keeps every frame: a looped range, Stop, Pause and Play again, a marked range. Those clips
// are 48 kHz 16-bit mono and come back sample for sample, so a frame lost, repeated or played past
// its range shows.
#include "sound_wave_control.h"

#include "sink_recording.h"
#include "temp_dir.h"
#include "wait_for.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using test::FindPlay;
using test::MatchingRun;
using test::NowMs;
using test::RecordedMs;
using test::Samples;
using test::SilentBetween;
using test::WaitFor;

constexpr long Ms(double ms) {
    return test::RecordedSamples(ms);
}

class SinkPlay : public ::testing::Test {
protected:
    void SetUp() override {
        QString sink;
        ZARN_NULL_SINK_OR_SKIP(sink);
        wave_.SetPlayDone([this] {
            ++done_;
            doneMs_ = NowMs();
        });
        ASSERT_TRUE(recorder_.Start(sink)) << "parec does not record " << sink.toStdString() << ".monitor";
    }

    // Writes the clip and loads it into the control; its path.
    std::string Load(const Samples& clip, int rate = test::kRecordRate) {
        const std::string path = dir_.file("clip" + std::to_string(++files_) + ".wav");
        EXPECT_TRUE(test::WriteWav(path, clip, rate)) << path;
        wave_.SetWavFileName(path);
        EXPECT_EQ(wave_.WavLength(), static_cast<long>(clip.size())) << path;
        return path;
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
    int files_ = 0;
    SoundWaveControl wave_{SoundWaveControl::Output::Device};
    test::Recorder recorder_;
    int done_ = 0;
    double doneMs_ = 0;
};

TEST_F(SinkPlay, TheClipsToneReachesTheSinkAsThePositionSays) {
    // A quarter second of silence, one second of a 1 kHz sine, a quarter second of silence; the
    // server resamples it.
    constexpr int kRate = 22050;
    constexpr double kHz = 1000, kAmplitude = 0.5;
    const Samples lead(kRate / 4, 0);
    const std::string clip = Load(test::Joined({lead, test::Tone(kRate, 1, kHz, kAmplitude), lead}), kRate);
    const auto clipMs = [](double frames) { return frames * 1000.0 / kRate; };

    std::vector<std::pair<double, long>> positions; // (time, WavPosition) during the play
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
    EXPECT_EQ(done_, 1);

    // The control's tone first, then paplay's; paplay may drop out on a busy machine, so its
    // longest stretch is the yardstick.
    const double toneRms = kAmplitude / std::numbers::sqrt2;
    const std::vector<test::Burst> bursts = test::FindBursts(recorded, 0.1 * toneRms * 32768);
    ASSERT_GE(bursts.size(), 2u) << "the tone is missing";
    const test::Burst tone = bursts[0];
    EXPECT_NEAR(RecordedMs(tone.end - tone.start), 1000, 50)
        << "the tone broke up: the next stretch starts " << RecordedMs(bursts[1].start - tone.end)
        << " ms after it";
    const test::ToneFigures figures = test::MeasureTone(recorded, tone);
    const test::ToneFigures reference = test::MeasureTone(
        recorded, *std::max_element(bursts.begin() + 1, bursts.end(), [](test::Burst a, test::Burst b) {
            return a.end - a.start < b.end - b.start;
        }));
    EXPECT_NEAR(20 * std::log10(figures.rms / reference.rms), 0, 1.0);
    EXPECT_NEAR(20 * std::log10(reference.rms / toneRms), 0, 4.0) << "the server changes the level";
    EXPECT_NEAR(figures.hz, kHz, kHz * 0.02);

    // The cursor shows what is heard: while the tone sounds, the position is where its sound is.
    const double toneMs = recorder_.SampleMs(tone.start);
    double worst = 0;
    int checked = 0;
    for (const auto& [ms, position] : positions) {
        if (ms < toneMs + 50 || ms > recorder_.SampleMs(tone.end) - 50) continue;
        const double heard = double(lead.size()) + (ms - toneMs) * kRate / 1000.0;
        worst = std::max(worst, std::abs(clipMs(position - heard)));
        ++checked;
    }
    std::printf("position against the sound: %.1f ms at worst\n", worst);
    EXPECT_GT(checked, 20);
    EXPECT_LT(worst, 30) << "the position runs ahead of or behind the sound";
}

TEST_F(SinkPlay, ALoopedShortRangeRepeatsWholeEachTimeUntilStopped) {
    const Samples clip = test::MakeTalk(5, 1.5);
    Load(clip);
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

TEST_F(SinkPlay, StopSilencesAtOnceAndPlayResumesAtTheFrameHeard) {
    const Samples clip = test::MakeTalk(6, 2.0, true);
    Load(clip);
    Play(-1, -1);
    QTest::qWait(700);
    // Pause reads the position, then stops; Play goes on from that position.
    const long paused = wave_.WavPosition();
    const double stopMs = NowMs();
    wave_.SetPlayCommand(kWavStop);
    QTest::qWait(400);
    Play(paused, -1);
    ASSERT_TRUE(WaitFor([&] { return done_ == 2; }, 5000));
    const Samples& recording = StopRecording();

    const auto start = FindPlay(recording, 0, clip, 0, Ms(200));
    ASSERT_TRUE(start);
    const long heard = MatchingRun(recording, *start, clip, 0, true); // up to where the stop cut it off
    const long end = *start + heard;
    std::printf("stop: position %.1f ms, sound stopped at %.1f ms of the clip, %.1f ms after the command\n",
                RecordedMs(paused), RecordedMs(heard), recorder_.SampleMs(end) - stopMs);
    EXPECT_LT(recorder_.SampleMs(static_cast<double>(end)) - stopMs, 30) << "the output went on after Stop";
    EXPECT_TRUE(SilentBetween(recording, end, end + Ms(300))) << "sound after Stop";
    EXPECT_NEAR(RecordedMs(heard), RecordedMs(paused), 10) << "lost or repeated at the pause";
    EXPECT_TRUE(FindPlay(recording, end, clip, paused, static_cast<long>(clip.size()) - paused))
        << "the rest of the clip did not come out whole from the paused frame";
}

TEST_F(SinkPlay, AMarkedRangePlaysExactlyThatRange) {
    const Samples clip = test::MakeTalk(7, 1.5);
    Load(clip);
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
    const double lateMs = doneMs_ - recorder_.SampleMs(static_cast<double>(*at + (to - from)));
    std::printf("marked range: PlayDone %.1f ms after the last frame reached the sink\n", lateMs);
    EXPECT_GT(lateMs, -15);
    EXPECT_LT(lateMs, 100);
}

// Other speeds than 1: the pitch stays, the play takes its length over the speed, the position
// follows the sound, the end waits for the last sound, and a looped range repeats at its length
// over the speed.
constexpr double kToneHz = 1000, kToneAmplitude = 0.5;
const double kToneRms = kToneAmplitude / std::numbers::sqrt2;

TEST_F(SinkPlay, AToneAtOneAndAHalfKeepsItsPitchAndTakesTwoThirdsOfItsLength) {
    // A quarter second of silence, then 1.5 s of a 1 kToneHz sine to the clip's end, so that the end
    // of the sound is the end of the play; the server resamples it.
    constexpr int kRate = 22050;
    constexpr double kSpeed = 1.5;
    const Samples lead(kRate / 4, 0);
    Load(test::Joined({lead, test::Tone(kRate, 1.5, kToneHz, kToneAmplitude)}), kRate);
    wave_.SetPlaySpeed(kSpeed);

    std::vector<std::pair<double, long>> positions; // (time, WavPosition) during the play
    const double startMs = NowMs();
    Play(-1, -1);
    ASSERT_TRUE(test::WaitFor(
        [&] {
            positions.emplace_back(NowMs(), wave_.WavPosition());
            return done_ > 0;
        },
        6000));
    const double playMs = NowMs() - startMs;
    EXPECT_TRUE(wave_.Audible()) << "the sink gave up during the play";
    EXPECT_EQ(wave_.WavPosition(), wave_.WavLength());
    const Samples& recorded = StopRecording();
    EXPECT_EQ(done_, 1);

    const std::vector<test::Burst> bursts = test::FindBursts(recorded, 0.1 * kToneRms * 32768);
    ASSERT_EQ(bursts.size(), 1u) << "the tone is missing or broke up";
    const test::Burst tone = bursts[0];
    const test::ToneFigures figures = test::MeasureTone(recorded, tone);
    std::printf("1.5x: tone %.1f ms at %.1f Hz, play %.0f ms, PlayDone %.1f ms after the last sound\n",
                RecordedMs(tone.end - tone.start), figures.hz, playMs,
                doneMs_ - recorder_.SampleMs(tone.end));
    EXPECT_NEAR(RecordedMs(tone.end - tone.start), 1500 / kSpeed, 50);
    EXPECT_NEAR(figures.hz, kToneHz, kToneHz * 0.02);
    EXPECT_NEAR(20 * std::log10(figures.rms / kToneRms), 0, 4.0);
    // The end of the play waits for the tone's last sound, and does not linger.
    EXPECT_GT(doneMs_, recorder_.SampleMs(tone.end) - 5);
    EXPECT_LT(doneMs_, recorder_.SampleMs(tone.end) + 150);

    // The cursor shows what is heard: the position, in the clip's frames, is where the sound is.
    const double toneMs = recorder_.SampleMs(tone.start);
    double worst = 0;
    int checked = 0;
    for (const auto& [ms, position] : positions) {
        if (ms < toneMs + 50 || ms > recorder_.SampleMs(tone.end) - 50) continue;
        const double heard = double(lead.size()) + (ms - toneMs) * kSpeed * kRate / 1000.0;
        worst = std::max(worst, std::abs((position - heard) * 1000.0 / kRate));
        ++checked;
    }
    std::printf("1.5x: position against the sound: %.1f ms of the clip at worst\n", worst);
    EXPECT_GT(checked, 20);
    EXPECT_LT(worst, 45) << "the position runs ahead of or behind the sound";
}

TEST_F(SinkPlay, ALoopedRangeAtTwiceRepeatsAtHalfItsPeriod) {
    // The range is 150 ms of silence, 100 ms of tone, 150 ms of silence: each pass is a 50 ms beep,
    // 200 ms apart. The silence in front keeps the first beep clear of the stream's start.
    constexpr int kRate = 48000;
    const Samples quiet(kRate / 2, 0);
    const Samples gap(kRate * 15 / 100, 0);
    Load(test::Joined({quiet, gap, test::Tone(kRate, 0.1, kToneHz, kToneAmplitude), gap, quiet}), kRate);
    wave_.SetPlaySpeed(2);
    const long from = kRate / 2, to = from + kRate * 4 / 10;
    Play(from, to, true);
    long lowest = wave_.WavLength(), highest = 0;
    test::WaitFor(
        [&] {
            lowest = std::min(lowest, wave_.WavPosition());
            highest = std::max(highest, wave_.WavPosition());
            return false;
        },
        1800);
    EXPECT_EQ(done_, 0);
    EXPECT_EQ(wave_.PlayState(), kWavPlay);
    EXPECT_GE(lowest, from);
    EXPECT_LE(highest, to);
    wave_.SetPlayCommand(kWavStop);
    const Samples& recorded = StopRecording();
    EXPECT_EQ(done_, 1);

    // The stretcher smears a beep's edges by a window's length and may split them: pieces closer
    // than 40 ms are one beep, and crumbs under 20 ms none.
    std::vector<test::Burst> beeps;
    for (const test::Burst b : test::FindBursts(recorded, 0.1 * kToneRms * 32768)) {
        if (!beeps.empty() && RecordedMs(b.start - beeps.back().end) < 40)
            beeps.back().end = b.end;
        else
            beeps.push_back(b);
    }
    std::erase_if(beeps, [](test::Burst b) { return RecordedMs(b.end - b.start) < 20; });
    if (!beeps.empty()) beeps.pop_back(); // the stop may have cut the last pass
    ASSERT_GE(beeps.size(), 6u) << "the range did not repeat";
    std::string list;
    for (const test::Burst b : beeps)
        list += " " + std::to_string(std::lround(RecordedMs(b.start))) + "+" +
                std::to_string(std::lround(RecordedMs(b.end - b.start)));
    const double period = RecordedMs(beeps.back().start - beeps.front().start) / double(beeps.size() - 1);
    std::printf("2x loop: %zu beeps, period %.2f ms; start+length in ms:%s\n", beeps.size(), period,
                list.c_str());
    // Over the passes the range repeats every 200 ms exactly: nothing is lost or added per pass.
    EXPECT_NEAR(period, 200, 2) << list;
    for (std::size_t i = 0; i < beeps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(RecordedMs(beeps[i].end - beeps[i].start), 50, 25) << list;
        if (i > 0) {
            EXPECT_NEAR(RecordedMs(beeps[i].start - beeps[i - 1].start), 200, 25) << list;
        }
    }
}

} // namespace
} // namespace zarn
