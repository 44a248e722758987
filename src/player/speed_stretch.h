// Plays a clip faster or slower with its pitch kept: the stretcher between the play's frames and
// the output. It runs on the output's thread, so it never allocates once built, and its output is
// aligned with its input: the stretcher's own delay is padded in front and trimmed off again, so
// output frame k is source frame k x speed, and the output ends at the last source frame's sound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

namespace zarn {

// The speeds the player offers, slowest first; 1 plays the clip as it is.
inline constexpr double kPlaySpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
inline constexpr double kSlowestSpeed = 0.5, kFastestSpeed = 2.0;

// The offered speed nearest to `speed`; 1 for a value that is no number.
double NearestPlaySpeed(double speed);

class SpeedStretch {
public:
    // Hands out up to `frames` interleaved 16-bit frames of the play at `out` and returns how many;
    // fewer than asked means the play has ended.
    using Source = std::function<std::int64_t(std::int16_t* out, std::int64_t frames)>;

    SpeedStretch(int rate, int channels, double speed, Source source);
    ~SpeedStretch();
    SpeedStretch(const SpeedStretch&) = delete;
    SpeedStretch& operator=(const SpeedStretch&) = delete;

    // Fills up to `frames` interleaved frames of the sped-up or slowed-down play at `out`; fewer
    // than asked once the source has ended and all of its sound has been handed out.
    std::int64_t Fill(std::int16_t* out, std::int64_t frames);

    double Speed() const { return speed_; }
    // Output frames handed out so far.
    std::int64_t Produced() const { return produced_; }
    // The source has ended and everything it gave has come out.
    bool Drained() const { return drained_; }
    // The source frame whose sound is at output frame `outFrames`.
    std::int64_t SourceFrames(std::int64_t outFrames) const;

private:
    std::size_t Retrieve(std::int16_t* out, std::size_t frames);
    void Feed();

    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
    const int channels_;
    const double speed_;
    Source source_;
    std::vector<std::vector<float>> in_, out_;
    std::vector<float*> inPointers_, outPointers_;
    std::vector<std::int16_t> block_; // interleaved, from the source
    std::size_t toDrop_ = 0;          // the stretcher's delay, still to trim off its output
    std::int64_t produced_ = 0;
    std::int64_t taken_ = 0; // source frames
    bool sourceEnded_ = false;
    bool drained_ = false;
};

} // namespace zarn
