// The real WAV control at other speeds than 1, heard through a null sink: the pitch stays, the
// play takes its length over the speed, the position follows the sound, the end waits for the
// last sound, and a looped range repeats at its length over the speed.
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
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using test::NowMs;
using test::RecordedMs;
using test::Samples;

constexpr double kHz = 1000, kAmplitude = 0.5;
const double kToneRms = kAmplitude / std::numbers::sqrt2;

class SinkSpeed : public ::testing::Test {
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
    void Load(const Samples& clip, int rate) {
        const std::string path = dir_.file("clip.wav");
        ASSERT_TRUE(test::WriteWav(path, clip, rate)) << path;
        wave_.SetWavFileName(path);
        ASSERT_EQ(wave_.WavLength(), static_cast<long>(clip.size()));
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
};

TEST_F(SinkSpeed, AToneAtOneAndAHalfKeepsItsPitchAndTakesTwoThirdsOfItsLength) {
    // A quarter second of silence, then 1.5 s of a 1 kHz sine to the clip's end, so that the end
    // of the sound is the end of the play; the server resamples it.
    constexpr int kRate = 22050;
    constexpr double kSpeed = 1.5;
    const Samples lead(kRate / 4, 0);
    Load(test::Joined({lead, test::Tone(kRate, 1.5, kHz, kAmplitude)}), kRate);
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
    EXPECT_NEAR(figures.hz, kHz, kHz * 0.02);
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

TEST_F(SinkSpeed, ALoopedRangeAtTwiceRepeatsAtHalfItsPeriod) {
    // The range is 150 ms of silence, 100 ms of tone, 150 ms of silence: each pass is a 50 ms beep,
    // 200 ms apart. The silence in front keeps the first beep clear of the stream's start.
    constexpr int kRate = 48000;
    const Samples quiet(kRate / 2, 0);
    const Samples gap(kRate * 15 / 100, 0);
    Load(test::Joined({quiet, gap, test::Tone(kRate, 0.1, kHz, kAmplitude), gap, quiet}), kRate);
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
