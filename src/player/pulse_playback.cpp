#include "pulse_playback.h"

#include <pulse/pulseaudio.h>
#include <sys/time.h>

#include <algorithm>
#include <cstring>

namespace zarn {

namespace {

// The stream's whole latency, buffer and device together. Its size is not heard: a play starts as
// soon as the stream is ready (the buffer fills from memory at once) and a stop flushes it. Too
// small a buffer runs dry on a busy machine when the library's thread is not scheduled in time, and
// each such gap delays the rest of the clip by a server period: with both cores of a test machine
// busy, 60 ms left one clip in six damaged on PipeWire, 200 ms one in 88.
constexpr pa_usec_t kLatencyUs = 200'000;
constexpr int kStreamTimeoutMs = 3000;

void Signal(void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

} // namespace

std::unique_ptr<PulsePlayback> PulsePlayback::Connect(int timeoutMs) {
    std::unique_ptr<PulsePlayback> playback(new PulsePlayback);
    playback->loop_ = pa_threaded_mainloop_new();
    if (!playback->loop_) return nullptr;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "ZARN Audio Playback");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
    playback->context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(playback->loop_), nullptr, props);
    pa_proplist_free(props);
    if (!playback->context_) return nullptr;
    pa_context_set_state_callback(
        playback->context_, [](pa_context*, void* loop) { Signal(loop); }, playback->loop_);
    // Never autospawn: on a machine without a sound server the clips play on the silent clock.
    if (pa_context_connect(playback->context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return nullptr;
    if (pa_threaded_mainloop_start(playback->loop_) < 0) return nullptr;

    pa_threaded_mainloop_lock(playback->loop_);
    pa_context* context = playback->context_;
    const bool ready = playback->WaitLocked(
        [context] {
            const pa_context_state_t state = pa_context_get_state(context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        },
        timeoutMs);
    const bool good = ready && pa_context_get_state(context) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(playback->loop_);
    if (!good) return nullptr;
    return playback;
}

PulsePlayback::~PulsePlayback() {
    if (!loop_) return;
    // With the thread ended nothing else touches the stream or the context.
    pa_threaded_mainloop_stop(loop_);
    StopLocked();
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
}

bool PulsePlayback::WaitLocked(const std::function<bool()>& done, int timeoutMs) {
    struct Timeout {
        pa_threaded_mainloop* loop;
        bool passed = false;
    } timeout{loop_};
    timeval when{};
    gettimeofday(&when, nullptr);
    pa_timeval_add(&when, static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC);
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    pa_time_event* event = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* t = static_cast<Timeout*>(data);
            t->passed = true;
            Signal(t->loop);
        },
        &timeout);
    while (!done() && !timeout.passed)
        pa_threaded_mainloop_wait(loop_);
    api->time_free(event);
    return done();
}

bool PulsePlayback::Start(int rate, int channels, Fill fill) {
    pa_threaded_mainloop_lock(loop_);
    StopLocked();
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16NE;
    format.rate = static_cast<std::uint32_t>(std::max(rate, 0));
    format.channels = static_cast<std::uint8_t>(std::clamp(channels, 0, 255));
    pa_channel_map map{};
    bool ok = pa_context_get_state(context_) == PA_CONTEXT_READY && rate >= 1 && rate <= int{PA_RATE_MAX} &&
              channels >= 1 && channels <= int{PA_CHANNELS_MAX} &&
              pa_channel_map_init_extend(&map, format.channels, PA_CHANNEL_MAP_WAVEEX) != nullptr;
    if (ok) stream_ = pa_stream_new(context_, "Clip", &format, &map);
    if (stream_) {
        fill_ = std::move(fill);
        rate_ = rate;
        frameBytes_ = pa_frame_size(&format);
        dataEnded_ = false;
        pa_stream_set_state_callback(stream_, OnStreamState, this);
        pa_stream_set_write_callback(stream_, OnWrite, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kLatencyUs, &format));
        // The server starts playing once a buffer's worth is there; the fill pads the end of the
        // data with silence, so the last frames never wait for more.
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        pa_stream* stream = stream_;
        ok = pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0 &&
             WaitLocked(
                 [stream] {
                     const pa_stream_state_t state = pa_stream_get_state(stream);
                     return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
                 },
                 kStreamTimeoutMs) &&
             pa_stream_get_state(stream_) == PA_STREAM_READY;
    } else {
        ok = false;
    }
    if (!ok) StopLocked();
    pa_threaded_mainloop_unlock(loop_);
    return ok;
}

void PulsePlayback::Stop() {
    pa_threaded_mainloop_lock(loop_);
    StopLocked();
    pa_threaded_mainloop_unlock(loop_);
}

void PulsePlayback::StopLocked() {
    if (!stream_) return;
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
        // Drop what the server holds, so a stop silences the output at once.
        if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(op);
        pa_stream_disconnect(stream_);
    }
    pa_stream_unref(stream_);
    stream_ = nullptr;
    fill_ = {};
}

std::int64_t PulsePlayback::Played() {
    pa_threaded_mainloop_lock(loop_);
    std::int64_t frames = 0;
    if (stream_) {
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)) ||
            !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
            frames = -1;
        } else {
            // The time of the frame the device plays now: what the server has read of the stream
            // less what the device still holds, interpolated between the server's reports.
            pa_usec_t time = 0;
            if (pa_stream_get_time(stream_, &time) == 0)
                frames =
                    static_cast<std::int64_t>((time * static_cast<pa_usec_t>(rate_) + 500'000) / 1'000'000);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    return frames;
}

void PulsePlayback::Locked(const std::function<void()>& f) {
    pa_threaded_mainloop_lock(loop_);
    f();
    pa_threaded_mainloop_unlock(loop_);
}

void PulsePlayback::OnStreamState(pa_stream*, void* self) {
    Signal(static_cast<PulsePlayback*>(self)->loop_);
}

void PulsePlayback::OnWrite(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulsePlayback*>(self)->Write(bytes);
}

void PulsePlayback::Write(std::size_t bytes) {
    while (bytes >= frameBytes_) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data) return;
        const auto frames = static_cast<std::int64_t>(std::min(size, bytes) / frameBytes_);
        if (frames == 0) {
            pa_stream_cancel_write(stream_);
            return;
        }
        auto* out = static_cast<std::int16_t*>(data);
        std::int64_t filled = 0;
        if (!dataEnded_) {
            filled = std::clamp<std::int64_t>(fill_(out, frames), 0, frames);
            dataEnded_ = filled < frames;
        }
        const std::size_t used = static_cast<std::size_t>(frames) * frameBytes_;
        const std::size_t kept = static_cast<std::size_t>(filled) * frameBytes_;
        std::memset(static_cast<char*>(data) + kept, 0, used - kept);
        if (pa_stream_write(stream_, data, used, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
        bytes -= used;
    }
}

} // namespace zarn
