// Playing faster or slower with the pitch kept, without a sound server: the stretcher driven as
// the output drives it. The silent clock at another speed is with the control's other tests.
#include "sound_wave_control.h"
#include "speed_stretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace zarn {
namespace {

constexpr int kRate = 48000;

std::vector<std::int16_t> Sine(long frames, double hz, int channels = 1, int silentChannel = -1) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames * channels));
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[static_cast<std::size_t>(i * channels + c)] =
                c == silentChannel ? 0
                                   : static_cast<std::int16_t>(
                                         12000 * std::sin(2 * std::numbers::pi * hz * double(i) / kRate));
    return out;
}

// All of `clip` through the stretcher, taken in the odd-sized requests an output makes.
struct Stretched {
    std::vector<std::int16_t> out;
    std::int64_t taken = 0; // source frames the stretcher took
    std::int64_t produced = 0, sourceOfProduced = 0;
    bool drained = false;
};
Stretched Stretch(const std::vector<std::int16_t>& clip, double speed, int channels = 1) {
    Stretched s;
    const auto frames = static_cast<std::int64_t>(clip.size()) / channels;
    SpeedStretch stretch(kRate, channels, speed, [&](std::int16_t* out, std::int64_t want) {
        const std::int64_t n = std::min(want, frames - s.taken);
        std::copy_n(clip.begin() + s.taken * channels, n * channels, out);
        s.taken += n;
        return n;
    });
    static constexpr std::int64_t kRequests[] = {441, 1920, 37, 4096};
    for (int i = 0;; ++i) {
        const std::int64_t want = kRequests[i % 4];
        std::vector<std::int16_t> block(static_cast<std::size_t>(want * channels));
        const std::int64_t got = stretch.Fill(block.data(), want);
        s.out.insert(s.out.end(), block.begin(), block.begin() + got * channels);
        if (got < want) break;
    }
    s.produced = stretch.Produced();
    s.sourceOfProduced = stretch.SourceFrames(s.produced);
    s.drained = stretch.Drained();
    std::vector<std::int16_t> more(64 * channels);
    EXPECT_EQ(stretch.Fill(more.data(), 64), 0) << "sound after the end";
    return s;
}

// Frequency from the rising zero crossings of channel `c` over frames [from, to).
double Hz(const std::vector<std::int16_t>& s, long from, long to, int channels = 1, int c = 0) {
    long first = -1, last = -1, crossings = 0;
    for (long i = from + 1; i < to; ++i) {
        if (s[static_cast<std::size_t>((i - 1) * channels + c)] < 0 &&
            s[static_cast<std::size_t>(i * channels + c)] >= 0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(kRate) / double(last - first) : 0;
}

// First frame of channel `c` louder than a quarter of the tone.
long Onset(const std::vector<std::int16_t>& s, int channels = 1, int c = 0) {
    for (std::size_t i = static_cast<std::size_t>(c); i < s.size(); i += static_cast<std::size_t>(channels))
        if (std::abs(s[i]) > 3000) return static_cast<long>(i) / channels;
    return -1;
}

double PeakOf(const std::vector<std::int16_t>& s, int channels, int c) {
    int peak = 0;
    for (std::size_t i = static_cast<std::size_t>(c); i < s.size(); i += static_cast<std::size_t>(channels))
        peak = std::max(peak, std::abs(int{s[i]}));
    return peak;
}

// Each speed: the tone keeps its pitch, the play lasts its length over the speed, the whole clip
// is taken and its last sound handed out, and the output's frames count back to the clip's.
TEST(SpeedStretch, ToneKeepsItsPitchAndLastsItsLengthOverTheSpeed) {
    const long frames = 2 * kRate;
    const std::vector<std::int16_t> tone = Sine(frames, 1000);
    for (const double speed : {0.5, 0.75, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(speed);
        const Stretched s = Stretch(tone, speed);
        EXPECT_TRUE(s.drained);
        EXPECT_EQ(s.taken, frames);
        const auto outFrames = static_cast<long>(s.out.size());
        EXPECT_NEAR(outFrames * 1000.0 / kRate, 2000 / speed, 30) << "output length in ms";
        EXPECT_NEAR(double(s.sourceOfProduced), double(frames), 2);
        // The tone sounds to the end: the stretcher's tail is not cut off.
        const std::vector<std::int16_t> last(s.out.end() - kRate / 100, s.out.end());
        EXPECT_GT(PeakOf(last, 1, 0), 6000);
        EXPECT_NEAR(Hz(s.out, outFrames / 4, outFrames * 3 / 4), 1000, 20);
    }
}

// The stretcher's delay is made good: a tone that starts 0.6 s into the clip is heard 0.6 s / speed
// into the play, so the position counted back from the output is the sound's.
TEST(SpeedStretch, SoundStartsWhereTheClipsFrameIsCountedBack) {
    const long lead = kRate * 6 / 10;
    std::vector<std::int16_t> clip(static_cast<std::size_t>(lead), 0);
    const std::vector<std::int16_t> tone = Sine(kRate, 500);
    clip.insert(clip.end(), tone.begin(), tone.end());
    for (const double speed : {0.5, 1.5, 2.0}) {
        SCOPED_TRACE(speed);
        const Stretched s = Stretch(clip, speed);
        const long onset = Onset(s.out);
        ASSERT_GE(onset, 0);
        EXPECT_NEAR((onset - lead / speed) * 1000.0 / kRate, 0, 10) << "ms late";
    }
}

// Stereo stays stereo: a tone on the left only does not leak into the right.
TEST(SpeedStretch, ChannelsStaySeparate) {
    const Stretched s = Stretch(Sine(kRate, 1000, 2, 1), 1.5, 2);
    const long frames = static_cast<long>(s.out.size()) / 2;
    EXPECT_NEAR(frames * 1.5, kRate, 0.02 * kRate);
    EXPECT_NEAR(Hz(s.out, frames / 4, frames * 3 / 4, 2, 0), 1000, 20);
    EXPECT_GT(PeakOf(s.out, 2, 0), 8000);
    EXPECT_LT(PeakOf(s.out, 2, 1), 300);
}

TEST(SpeedStretch, SpeedsOutsideTheOfferedOnesComeToTheNearest) {
    EXPECT_EQ(NearestPlaySpeed(1.4), 1.5);
    EXPECT_EQ(NearestPlaySpeed(0.1), 0.5);
    EXPECT_EQ(NearestPlaySpeed(7), 2.0);
    EXPECT_EQ(NearestPlaySpeed(std::nan("")), 1.0);
    EXPECT_EQ(NearestPlaySpeed(-INFINITY), 1.0);
    SoundWaveControl wave(SoundWaveControl::Output::Silent);
    EXPECT_EQ(wave.PlaySpeed(), 1.0); // until set
    wave.SetPlaySpeed(0.7);
    EXPECT_EQ(wave.PlaySpeed(), 0.75);
}

} // namespace
} // namespace zarn
