#include "speed_stretch.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// Frames per call into the stretcher: its buffers are sized for this once, up front.
constexpr std::size_t kBlock = 1024;
constexpr auto kOptions = RubberBand::RubberBandStretcher::OptionProcessRealTime |
                          RubberBand::RubberBandStretcher::OptionPitchHighQuality;

float ToFloat(std::int16_t sample) {
    return static_cast<float>(sample) / 32768.0f;
}

std::int16_t ToSample(float value) {
    const long s = std::lrint(static_cast<double>(value) * 32768.0);
    return static_cast<std::int16_t>(std::clamp(s, -32768L, 32767L));
}

} // namespace

double NearestPlaySpeed(double speed) {
    if (!std::isfinite(speed)) return 1.0;
    double best = 1.0;
    for (const double s : kPlaySpeeds)
        if (std::abs(s - speed) < std::abs(best - speed)) best = s;
    return best;
}

SpeedStretch::SpeedStretch(int rate, int channels, double speed, Source source)
    : stretcher_(std::make_unique<RubberBand::RubberBandStretcher>(
          static_cast<std::size_t>(std::max(rate, 1)), static_cast<std::size_t>(std::max(channels, 1)),
          kOptions, 1.0 / std::clamp(speed, kSlowestSpeed, kFastestSpeed))),
      channels_(std::max(channels, 1)), speed_(std::clamp(speed, kSlowestSpeed, kFastestSpeed)),
      source_(std::move(source)) {
    stretcher_->setMaxProcessSize(kBlock);
    const auto channelCount = static_cast<std::size_t>(channels_);
    in_.assign(channelCount, std::vector<float>(kBlock, 0.0f));
    out_.assign(channelCount, std::vector<float>(kBlock, 0.0f));
    for (std::size_t c = 0; c < channelCount; ++c) {
        inPointers_.push_back(in_[c].data());
        outPointers_.push_back(out_[c].data());
    }
    block_.assign(kBlock * channelCount, 0);
    // Silence in front and the delay trimmed off the output line the output up with the source.
    for (std::size_t pad = stretcher_->getPreferredStartPad(); pad > 0;) {
        const std::size_t n = std::min(pad, kBlock);
        stretcher_->process(inPointers_.data(), n, false);
        pad -= n;
    }
    toDrop_ = stretcher_->getStartDelay();
}

SpeedStretch::~SpeedStretch() = default;

std::int64_t SpeedStretch::SourceFrames(std::int64_t outFrames) const {
    return std::llround(static_cast<double>(outFrames) * speed_);
}

std::int64_t SpeedStretch::Fill(std::int16_t* out, std::int64_t frames) {
    std::int64_t filled = 0;
    while (filled < frames && !drained_) {
        std::int64_t want = frames - filled;
        if (sourceEnded_) {
            // The output ends where the last source frame's sound is, never earlier.
            const auto end = static_cast<std::int64_t>(std::ceil(static_cast<double>(taken_) / speed_));
            want = std::min(want, end - produced_ - filled);
            if (want <= 0) {
                drained_ = true;
                break;
            }
        }
        const int available = stretcher_->available();
        if (available > 0) {
            const std::size_t got = Retrieve(
                out + filled * channels_, std::min(static_cast<std::size_t>(want), std::size_t(available)));
            filled += static_cast<std::int64_t>(got);
        } else if (available < 0) {
            drained_ = true; // cannot happen while silence follows the end; nothing more will come
        } else {
            Feed();
        }
    }
    produced_ += filled;
    return filled;
}

std::size_t SpeedStretch::Retrieve(std::int16_t* out, std::size_t frames) {
    const std::size_t n = std::min({frames, kBlock, toDrop_ > 0 ? toDrop_ : kBlock});
    const std::size_t got = stretcher_->retrieve(outPointers_.data(), n);
    if (toDrop_ > 0) {
        toDrop_ -= got;
        return 0;
    }
    for (std::size_t i = 0; i < got; ++i)
        for (int c = 0; c < channels_; ++c)
            *out++ = ToSample(out_[static_cast<std::size_t>(c)][i]);
    return got;
}

void SpeedStretch::Feed() {
    std::size_t want = stretcher_->getSamplesRequired();
    want = want == 0 ? kBlock : std::min(want, kBlock);
    std::size_t count = 0;
    if (!sourceEnded_ && source_) {
        count = static_cast<std::size_t>(std::clamp<std::int64_t>(
            source_(block_.data(), static_cast<std::int64_t>(want)), 0, static_cast<std::int64_t>(want)));
        taken_ += static_cast<std::int64_t>(count);
    }
    sourceEnded_ = sourceEnded_ || count < want;
    // After the end the stretcher is given silence rather than told it is done: it then hands
    // out the sound it still holds of the last frames in full, and Fill cuts it where they end.
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(count * in_.size()),
              block_.begin() + static_cast<std::ptrdiff_t>(want * in_.size()), std::int16_t{0});
    for (std::size_t i = 0; i < want; ++i)
        for (std::size_t c = 0; c < in_.size(); ++c)
            in_[c][i] = ToFloat(block_[i * in_.size() + c]);
    stretcher_->process(inPointers_.data(), want, false);
}

} // namespace zarn
