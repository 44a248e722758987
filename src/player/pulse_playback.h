// One playback stream at a time on the sound server's default output, through the PulseAudio
// client library: PulseAudio itself, or PipeWire through its PulseAudio layer, which is what a
// Linux desktop runs. The server stamps what it has played, so the owner learns which frame is
// being heard now and ends a play when its last frame has been heard, never when it was handed
// over.
//
// The library runs its own thread. The stream pulls its frames from the owner's fill function
// there, so the owner's thread may block for a while (the player's busy waits) without the
// output running dry. Every other call is made on the owner's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace zarn {

class PulsePlayback {
public:
    // Fills up to `frames` interleaved 16-bit frames at `out` and returns how many it filled;
    // fewer than asked means the data has ended, and the stream goes on with silence until it is
    // stopped. It runs on the library's thread, but never while the owner is inside Locked() or
    // any member below, so it may read what the owner changes there.
    using Fill = std::function<std::int64_t(std::int16_t* out, std::int64_t frames)>;

    // A connection to the default server (PULSE_SERVER or the user's session), or null when
    // none answers within `timeoutMs`. Never starts a server of its own.
    static std::unique_ptr<PulsePlayback> Connect(int timeoutMs = 3000);
    ~PulsePlayback();
    PulsePlayback(const PulsePlayback&) = delete;
    PulsePlayback& operator=(const PulsePlayback&) = delete;

    // Starts a stream of `rate` Hz and `channels` channels that takes its frames from `fill`;
    // a running one is stopped first. False when the server refuses the stream or has gone.
    bool Start(int rate, int channels, Fill fill);
    // Ends the stream at once: what the server still holds of it is dropped, not played out.
    void Stop();
    bool Running() const { return stream_ != nullptr; }

    // Frames of the running stream that have been played out of the device, by the server's
    // clock (the frame being heard now); 0 before the first is heard, -1 when the stream or the
    // connection has failed.
    std::int64_t Played();

    // Runs `f` while the library's thread is held off, so it cannot run the fill function.
    void Locked(const std::function<void()>& f);

private:
    PulsePlayback() = default;
    static void OnWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    void Write(std::size_t bytes);
    // Waits, the lock held, until `done` holds or `timeoutMs` have passed.
    bool WaitLocked(const std::function<bool()>& done, int timeoutMs);
    void StopLocked();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    Fill fill_;
    int rate_ = 0;
    std::size_t frameBytes_ = 0;
    bool dataEnded_ = false;
};

} // namespace zarn
