// The WAV play control the player window drives: it loads one WAV file and plays a range of it.
// The player treats it as a black box through these members; the real control (libsndfile for
// decoding, the sound server for output) and the test fake both implement this interface.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace zarn {

// Values of PlayCommand and PlayState.
inline constexpr int kWavPlay = 1;
inline constexpr int kWavStop = 4;

class WaveControl {
public:
    virtual ~WaveControl() = default;

    // Loads the file at `path`; "" unloads. Reads back "" when there is no playable file, so a
    // missing, truncated or foreign file looks alike to the player. WavLength is valid afterwards.
    virtual void SetWavFileName(const std::string& path) = 0;
    virtual std::string WavFileName() const = 0;

    // Length of the loaded file in frames; below 1 means no file loaded.
    virtual long WavLength() const = 0;
    // Current play position in frames; after a stop it keeps the stop point.
    virtual long WavPosition() const = 0;

    // Start and end of the next play in frames; -1 = from the beginning / to the end. Writing
    // PlayFrom during a play does not move that play's start.
    virtual void SetPlayFrom(long frame) = 0;
    virtual void SetPlayTo(long frame) = 0;
    // kWavPlay starts playing PlayFrom..PlayTo; kWavStop stops. Other values are ignored.
    virtual void SetPlayCommand(int command) = 0;
    // kWavPlay while playing, kWavStop otherwise (also with no file loaded).
    virtual int PlayState() const = 0;

    // True makes the play repeat its range until stopped.
    virtual void SetRepeatPlay(bool repeat) = 0;
    virtual bool RepeatPlay() const = 0;
    // Kept for the player's calling order; the player only ever sets it false.
    virtual void SetAuxFlag(bool flag) = 0;

    // How fast plays go, 0.5 to 2 times the clip's own speed, the pitch kept; 1 by default. Every
    // position above stays in the clip's own frames at any speed. A control that cannot change it
    // plays at 1. A change takes effect at the next play command and lasts across file loads.
    virtual void SetPlaySpeed(double) {}
    virtual double PlaySpeed() const { return 1.0; }

    // The owner's handler for the end of a play: at most once per play, also when a stop command
    // ended it, never for a stop of a stopped control. It arrives on the owner's thread from the
    // event loop, never from inside a call to the control.
    void SetPlayDone(std::function<void()> handler) { playDone_ = std::move(handler); }

protected:
    void RaisePlayDone() {
        auto handler = playDone_; // the handler may install another one while it runs
        if (handler) handler();
    }

private:
    std::function<void()> playDone_;
};

} // namespace zarn
