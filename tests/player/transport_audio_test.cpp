// Every way the transport drives the real WAV control keeps every frame: a list played on from
// PlayDone, a looped range, Pause and Play again, a marked range, and Stop. The 48 kHz 16-bit mono
// clips come back sample for sample, so a frame lost, repeated or played past its range shows.
#include "sound_wave_control.h"

#include "sink_recording.h"
#include "temp_dir.h"
#include "wait_for.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::FindPlay;
using test::kRecordRate;
using test::MatchingRun;
using test::NowMs;
using test::RecordedMs;
using test::Recorder;
using test::Samples;
using test::TempDir;
using test::WaitFor;

enum class Gaps {
    Silence, // digital zero, as equipment with a squelch writes
    Hiss,    // faint and never zero, so the silence of a stopped output is told from the clip
};

// Speech-like material: bursts of shaped noise of varied length with gaps between them, so that
// any stretch of it lies at one place of the clip only.
Samples MakeTalk(unsigned seed, double seconds, Gaps gaps = Gaps::Silence) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.15);
    std::uniform_int_distribution<int> burstMs(80, 400), gapMs(30, 200), hiss(1, 40), sign(0, 1);
    Samples samples(static_cast<size_t>(seconds * kRecordRate), 0);
    if (gaps == Gaps::Hiss)
        for (std::int16_t& s : samples)
            s = static_cast<std::int16_t>(sign(rng) ? hiss(rng) : -hiss(rng));
    size_t at = static_cast<size_t>(kRecordRate / 50); // starts after 20 ms of silence
    double low = 0;
    while (at < samples.size()) {
        const size_t burst = static_cast<size_t>(burstMs(rng)) * kRecordRate / 1000;
        for (size_t i = 0; i < burst && at + i < samples.size(); ++i) {
            low = 0.7 * low + 0.3 * noise(rng); // a little body, like a voice
            const double envelope =
                std::sin(3.14159265 * static_cast<double>(i) / static_cast<double>(burst));
            const auto s =
                static_cast<std::int16_t>(std::lround(std::clamp(low * envelope, -1.0, 1.0) * 32000));
            samples[at + i] = s != 0 ? s : std::int16_t{1};
        }
        at += burst + static_cast<size_t>(gapMs(rng)) * kRecordRate / 1000;
    }
    return samples;
}

std::string WriteClip(const TempDir& dir, const std::string& name, const Samples& samples) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(test::WriteMono48k(path, samples)) << path;
    return path;
}

bool SilentBetween(const Samples& recording, long from, long to) {
    from = std::max(from, 0L);
    to = std::min(to, static_cast<long>(recording.size()));
    return std::all_of(recording.begin() + from, recording.begin() + std::max(from, to),
                       [](std::int16_t s) { return s == 0; });
}

constexpr long Ms(double ms) {
    return static_cast<long>(ms * kRecordRate / 1000);
}

class TransportAudio : public ::testing::Test {
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

    TempDir dir_;
    SoundWaveControl wave_{SoundWaveControl::Output::Device};
    Recorder recorder_;
    int done_ = 0;
    double doneMs_ = 0;
    std::function<void()> onDone_;
};

TEST_F(TransportAudio, AListPlaysOnClipByClipEachWholeAndInOrder) {
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
    const Samples& recording = StopRecording();

    long from = 0;
    for (size_t i = 0; i < clips.size(); ++i) {
        SCOPED_TRACE("clip " + std::to_string(i));
        const auto at = FindPlay(recording, from, clips[i], 0, static_cast<long>(clips[i].size()));
        ASSERT_TRUE(at) << "the clip did not come out whole";
        from = *at + static_cast<long>(clips[i].size());
    }
}

TEST_F(TransportAudio, ALoopedShortRangeRepeatsWholeEachTime) {
    const Samples clip = MakeTalk(5, 1.5);
    Load(WriteClip(dir_, "loop.wav", clip));
    // 150 ms from the clip's middle: each pass follows the last with nothing lost or doubled.
    const long from = Ms(600), to = Ms(750), length = to - from;
    Play(from, to, true);
    QTest::qWait(1300);
    wave_.SetPlayCommand(kWavStop);
    const Samples& recording = StopRecording();

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

TEST_F(TransportAudio, PauseThenPlayResumesAtTheFrameHeard) {
    const Samples clip = MakeTalk(6, 2.0, Gaps::Hiss);
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
    const auto resumed =
        FindPlay(recording, *start + heard, clip, paused, static_cast<long>(clip.size()) - paused);
    ASSERT_TRUE(resumed) << "the rest of the clip did not come out whole from the paused frame";
}

TEST_F(TransportAudio, AMarkedRangePlaysExactlyThatRange) {
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

TEST_F(TransportAudio, StopSilencesAtOnce) {
    const Samples clip = MakeTalk(8, 3.0, Gaps::Hiss);
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
