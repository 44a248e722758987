// A scripted WAV control for tests: files are known by name with a length, play moves only when
// the test advances it, and every write to the control is recorded in order. It keeps PlayFrom and
// PlayTo until they are written again, across file loads, as a real control may.
#pragma once

#include "wave_control.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zarn::test {

class FakeWaveControl : public WaveControl {
public:
    struct Started {
        std::string file;
        long from = 0, to = 0;
        bool repeat = false;
        double speed = 1;
        bool operator==(const Started&) const = default;
    };

    // Length 0 makes a file that exists but cannot be played: it reads back "" as a broken file does.
    void SetFile(const std::string& path, long length) { files_[path] = length; }

    // At the end of the range a repeating play starts over; any other stops and raises PlayDone.
    void Advance(long frames) {
        if (state_ != kWavPlay) return;
        position_ += frames;
        if (position_ < end_) return;
        if (repeat_) {
            position_ = start_ + (end_ > start_ ? (position_ - start_) % (end_ - start_) : 0);
            return;
        }
        position_ = end_;
        state_ = kWavStop;
        RaisePlayDone();
    }
    void Finish() {
        if (state_ == kWavPlay) Advance(std::max(1L, end_ - position_));
    }
    using WaveControl::RaisePlayDone;
    // Delivers the PlayDone a stop queued; wire it into the transport's ProcessEvents.
    void DeliverPending() {
        while (pendingDone_ > 0) {
            --pendingDone_; // before raising: the handler may deliver again
            RaisePlayDone();
        }
    }

    bool playDoneOnStop = false; // stopping a play also queues a PlayDone for DeliverPending
    // Every write, in order: "WavFileName=<path>", "PlayFrom=<n>", "PlayCommand=<n>", "AuxFlag=<0|1>"...
    std::vector<std::string> writes;
    std::vector<Started> started;
    bool Playing() const { return state_ == kWavPlay; }

    void SetWavFileName(const std::string& path) override {
        writes.push_back("WavFileName=" + path);
        state_ = kWavStop;
        position_ = 0;
        auto it = files_.find(path);
        const bool playable = !path.empty() && it != files_.end() && it->second >= 1;
        name_ = playable ? path : "";
        length_ = playable ? it->second : 0;
    }
    std::string WavFileName() const override { return name_; }
    long WavLength() const override { return length_; }
    long WavPosition() const override { return position_; }
    void SetPlayFrom(long frame) override { playFrom_ = Write("PlayFrom=", frame); }
    void SetPlayTo(long frame) override { playTo_ = Write("PlayTo=", frame); }
    void SetPlayCommand(int command) override {
        Write("PlayCommand=", command);
        if (command == kWavPlay && length_ >= 1) {
            start_ = std::clamp(playFrom_ < 0 ? 0L : playFrom_, 0L, length_);
            end_ = std::clamp(playTo_ < 0 ? length_ : playTo_, start_, length_);
            position_ = start_;
            state_ = kWavPlay;
            started.push_back({name_, start_, end_, repeat_, speed_});
        } else if (command == kWavStop) {
            // Only a play that was running ends; stopping a stopped control raises nothing.
            if (state_ == kWavPlay && playDoneOnStop) ++pendingDone_;
            state_ = kWavStop;
        }
    }
    int PlayState() const override { return state_; }
    void SetRepeatPlay(bool repeat) override { repeat_ = Write("RepeatPlay=", repeat); }
    bool RepeatPlay() const override { return repeat_; }
    void SetAuxFlag(bool flag) override { Write("AuxFlag=", flag); }
    void SetPlaySpeed(double speed) override {
        std::ostringstream text;
        text << "PlaySpeed=" << speed;
        writes.push_back(text.str());
        speed_ = speed;
    }
    double PlaySpeed() const override { return speed_; }

private:
    template <class T> T Write(const char* call, T value) {
        writes.push_back(call + std::to_string(value));
        return value;
    }

    std::map<std::string, long> files_;
    std::string name_;
    long length_ = 0, position_ = 0, start_ = 0, end_ = 0;
    long playFrom_ = -1, playTo_ = -1;
    int state_ = kWavStop;
    bool repeat_ = false;
    double speed_ = 1;
    int pendingDone_ = 0;
};

} // namespace zarn::test
