// The real WAV control: libsndfile decodes the whole clip into 16-bit frames when it is loaded,
// and a play runs on the sound server's default output (PulsePlayback). Without a sound server
// (or when the stream cannot start or stops making progress) a silent clock stands in and
// advances in real time, so the transport behaves the same; Audible() tells the window which.
//
// The control's members run on the owner's thread; the output pulls the play's frames from the
// decoded clip on its own thread, so the player's busy waits do not starve it. Positions are in
// frames and follow what the server reports as heard, not what it has been handed, and a play
// ends once its last frame has been heard.
#pragma once

#include "pulse_playback.h"
#include "speed_stretch.h"
#include "wave_control.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

class SoundWaveControl : public QObject, public WaveControl {
    Q_OBJECT
public:
    enum class Output {
        Device, // the default audio output, the silent clock when there is none
        Silent, // always the silent clock (tests, machines that must stay quiet)
    };

    explicit SoundWaveControl(Output output = Output::Device, QObject* parent = nullptr);
    ~SoundWaveControl() override;
    SoundWaveControl(const SoundWaveControl&) = delete;
    SoundWaveControl& operator=(const SoundWaveControl&) = delete;

    // WaveControl. Every play that starts ends with exactly one PlayDone, queued to the event
    // loop: at the end of its range, after a stop command, or when a new file is loaded over it.
    // A play command during a play restarts it on the new range without a PlayDone.
    void SetWavFileName(const std::string& path) override;
    std::string WavFileName() const override { return name_; }
    long WavLength() const override;
    long WavPosition() const override;
    void SetPlayFrom(long frame) override { playFrom_ = frame; }
    void SetPlayTo(long frame) override { playTo_ = frame; }
    void SetPlayCommand(int command) override;
    int PlayState() const override { return playing_ ? kWavPlay : kWavStop; }
    // Takes effect in a running play too: it ends after the pass that is playing.
    void SetRepeatPlay(bool repeat) override { repeat_.store(repeat); }
    bool RepeatPlay() const override { return repeat_.load(); }
    void SetAuxFlag(bool) override {}
    // Off 1, the play's frames go through the stretcher on their way to the output; at 1 they go
    // straight, as they are.
    void SetPlaySpeed(double speed) override { speed_ = NearestPlaySpeed(speed); }
    double PlaySpeed() const override { return speed_; }

    // True while plays reach an audio device; false on the silent clock.
    bool Audible() const { return audible_; }
    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }

private:
    // One play's walk through its range, pass by pass, as the output or the silent clock takes
    // it. While the output plays, it is touched only with the output's thread held off.
    struct Feed {
        long from = 0, to = 0;
        const std::atomic<bool>* repeat = nullptr;
        std::int64_t fed = 0; // frames handed out since the play started
        bool ended = false;   // the last pass has been handed out whole
        // Hands out up to `frames` frames; `copy(first, count)` receives each run.
        template <typename Copy> std::int64_t Take(std::int64_t frames, Copy copy);
    };

    void Unload();
    void StartPlay(long from, long to);
    // Ends the running play; the position stays where the play stood.
    void EndPlay();
    void Poll();
    bool StartOutput();
    void StopOutput();
    void FallBackToSilence();
    // The feed as it stands, taken with the output's thread held off.
    Feed FeedNow() const;
    // Frames of the clip played since the play started, by the output or the silent clock.
    std::int64_t Played() const;
    // The clip's frames whose sound is in the first `outFrames` frames of the output.
    std::int64_t SourceOf(std::int64_t outFrames) const;
    // The play's last frame has been heard, and the server has had time to play it out.
    bool AllHeard() const;
    long CurrentPosition() const;
    void QueuePlayDone();

    const Output output_;
    std::string name_;
    std::vector<std::int16_t> samples_; // interleaved
    int rate_ = 0, channels_ = 0;
    long frames_ = 0;

    long playFrom_ = -1, playTo_ = -1;
    std::atomic<bool> repeat_ = false;
    bool playing_ = false;
    double speed_ = 1.0;
    double playSpeed_ = 1.0; // of the running play
    bool audible_ = false;
    long stopPosition_ = 0;

    mutable Feed feed_;                     // the silent clock advances it when the position is read
    std::unique_ptr<PulsePlayback> device_; // the sound server, null without one
    std::unique_ptr<SpeedStretch> stretch_; // the running play's, null at 1
    bool onDevice_ = false;                 // the running play goes to the output
    QElapsedTimer clock_;                   // the silent clock
    std::int64_t silentBase_ = 0;           // frames played before the silent clock took over
    std::int64_t lastPlayed_ = -1;
    QElapsedTimer sinceProgress_; // the output's last step forward
    QTimer poll_;
};

} // namespace zarn
