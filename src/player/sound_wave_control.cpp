#include "sound_wave_control.h"

#include "waveform.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

namespace zarn {

namespace {

// How often a play looks at what has been heard: the most PlayDone comes after the last frame.
constexpr int kPollMs = 10;
// An output that has heard nothing new this long is given up for the silent clock.
constexpr qint64 kStallMs = 2000;
// The server's clock is interpolated between its reports and may run a few ms ahead of the
// device: a play on the output ends this long after its last frame by that clock (the stream
// plays silence meanwhile), so it is never dropped while the device still holds any of it.
constexpr std::int64_t kEndMarginMs = 15;
// More samples than this cannot be a clip (and would not fit in memory anyway).
constexpr std::int64_t kMaxSamples = std::int64_t{1} << 30;

// libsndfile reads the file through these calls.
struct FileIo {
    std::FILE* file = nullptr;
    sf_count_t length = 0;
};

sf_count_t IoLength(void* user) {
    return static_cast<FileIo*>(user)->length;
}

sf_count_t IoSeek(sf_count_t offset, int whence, void* user) {
    auto* io = static_cast<FileIo*>(user);
    if (whence == SEEK_END) {
        offset += io->length;
        whence = SEEK_SET;
    }
    if (fseeko(io->file, offset, whence) != 0) return -1;
    return ftello(io->file);
}

sf_count_t IoRead(void* data, sf_count_t count, void* user) {
    return static_cast<sf_count_t>(
        std::fread(data, 1, static_cast<size_t>(count), static_cast<FileIo*>(user)->file));
}

sf_count_t IoWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t IoTell(void* user) {
    return ftello(static_cast<FileIo*>(user)->file);
}

SF_VIRTUAL_IO gIoCalls = {IoLength, IoSeek, IoRead, IoWrite, IoTell};

struct SndCloser {
    void operator()(SNDFILE* snd) const { sf_close(snd); }
};
using SndPtr = std::unique_ptr<SNDFILE, SndCloser>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

SndPtr OpenVirtual(FileIo& io, SF_INFO& info) {
    if (fseeko(io.file, 0, SEEK_SET) != 0) return nullptr;
    info = SF_INFO{};
    return SndPtr(sf_open_virtual(&gIoCalls, SFM_READ, &info, &io));
}

struct Clip {
    std::vector<std::int16_t> samples;
    int rate = 0, channels = 0;
    long frames = 0;
};

// The clip decoded whole, or nothing when the file is missing, not a WAV, empty, truncated or
// claims more data than it holds.
std::optional<Clip> Decode(const std::string& path) {
    // The waveform's check: chunk by chunk before libsndfile sees the file, so a size field that
    // claims gigabytes never makes it reserve memory for them.
    if (CheckWavFile(path).state != WavFileState::Playable) return std::nullopt;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || fseeko(file.get(), 0, SEEK_END) != 0) return std::nullopt;
    const sf_count_t size = ftello(file.get());
    if (size <= 0) return std::nullopt;

    FileIo io{file.get(), size};
    SF_INFO info;
    const SndPtr snd = OpenVirtual(io, info);
    if (!snd) return std::nullopt;
    const int type = info.format & SF_FORMAT_TYPEMASK;
    if (type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) return std::nullopt;
    if (info.frames < 1 || info.channels < 1 || info.samplerate < 1) return std::nullopt;
    if (info.frames > kMaxSamples / info.channels) return std::nullopt;

    Clip clip;
    clip.rate = info.samplerate;
    clip.channels = info.channels;
    clip.frames = static_cast<long>(info.frames);
    try {
        clip.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (sf_readf_short(snd.get(), clip.samples.data(), info.frames) != info.frames) return std::nullopt;
    return clip;
}

} // namespace

template <typename Copy> std::int64_t SoundWaveControl::Feed::Take(std::int64_t frames, Copy copy) {
    const std::int64_t length = to - from;
    std::int64_t taken = 0;
    while (taken < frames && !ended) {
        const std::int64_t into = length > 0 ? fed % length : 0;
        if (length <= 0 || (into == 0 && fed > 0 && !*repeat)) {
            ended = true;
            break;
        }
        const std::int64_t run = std::min(frames - taken, length - into);
        copy(from + into, run);
        fed += run;
        taken += run;
    }
    // A pass handed out whole with repeat off is the last: the end must not wait for another
    // request.
    if (!ended && length > 0 && fed > 0 && fed % length == 0 && !*repeat) ended = true;
    return taken;
}

SoundWaveControl::SoundWaveControl(Output output, QObject* parent) : QObject(parent), output_(output) {
    if (output_ == Output::Device) device_ = PulsePlayback::Connect();
    audible_ = device_ != nullptr;
    poll_.setInterval(kPollMs);
    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &SoundWaveControl::Poll);
}

SoundWaveControl::~SoundWaveControl() {
    poll_.stop();
    StopOutput();
}

void SoundWaveControl::SetWavFileName(const std::string& path) {
    if (playing_) EndPlay();
    Unload();
    if (path.empty()) return;
    std::optional<Clip> clip = Decode(path);
    if (!clip) return;
    samples_ = std::move(clip->samples);
    rate_ = clip->rate;
    channels_ = clip->channels;
    frames_ = clip->frames;
    name_ = path;
}

void SoundWaveControl::Unload() {
    name_.clear();
    samples_ = {};
    rate_ = channels_ = 0;
    frames_ = 0;
    stopPosition_ = 0;
}

long SoundWaveControl::WavLength() const {
    return frames_;
}

long SoundWaveControl::WavPosition() const {
    return playing_ ? CurrentPosition() : stopPosition_;
}

void SoundWaveControl::SetPlayCommand(int command) {
    if (command == kWavPlay) {
        if (frames_ < 1) return;
        const long from = playFrom_ < 0 ? 0 : std::min(playFrom_, frames_);
        const long to = playTo_ < 0 ? frames_ : std::clamp(playTo_, from, frames_);
        StartPlay(from, to);
    } else if (command == kWavStop) {
        if (playing_) EndPlay();
    }
}

void SoundWaveControl::StartPlay(long from, long to) {
    StopOutput();
    stretch_.reset();
    silentBase_ = 0;
    lastPlayed_ = -1;
    playing_ = true;
    playSpeed_ = speed_;
    feed_ = Feed{from, to, &repeat_};
    if (to <= from) {
        // Nothing to play: ends at the first poll without touching the device.
        feed_.ended = true;
    } else if (output_ == Output::Device && StartOutput()) {
        audible_ = true;
    } else {
        audible_ = false;
    }
    clock_.start();
    sinceProgress_.start();
    poll_.start();
}

bool SoundWaveControl::StartOutput() {
    const auto take = [this](std::int16_t* out, std::int64_t frames) {
        const auto frameSamples = static_cast<std::size_t>(channels_);
        return feed_.Take(frames, [&](std::int64_t first, std::int64_t count) {
            std::memcpy(out, samples_.data() + static_cast<std::size_t>(first) * frameSamples,
                        static_cast<std::size_t>(count) * frameSamples * sizeof(std::int16_t));
            out += static_cast<std::size_t>(count) * frameSamples;
        });
    };
    PulsePlayback::Fill fill = take;
    if (playSpeed_ != 1.0) {
        stretch_ = std::make_unique<SpeedStretch>(rate_, channels_, playSpeed_, take);
        fill = [stretch = stretch_.get()](std::int16_t* out, std::int64_t frames) {
            return stretch->Fill(out, frames);
        };
    }
    // A server that went away (or was not there at start) is asked again: sound servers restart.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!device_) device_ = PulsePlayback::Connect();
        if (!device_) return false;
        if (device_->Start(rate_, channels_, fill)) {
            onDevice_ = true;
            return true;
        }
        device_.reset();
    }
    return false;
}

void SoundWaveControl::StopOutput() {
    if (onDevice_ && device_) device_->Stop();
    onDevice_ = false;
}

void SoundWaveControl::FallBackToSilence() {
    // The silent clock goes on from the last frame the output was known to have played.
    StopOutput();
    silentBase_ += SourceOf(std::max<std::int64_t>(lastPlayed_, 0));
    audible_ = false;
    clock_.start();
}

void SoundWaveControl::EndPlay() {
    stopPosition_ = CurrentPosition();
    StopOutput();
    playing_ = false;
    poll_.stop();
    QueuePlayDone();
}

SoundWaveControl::Feed SoundWaveControl::FeedNow() const {
    if (!onDevice_) return feed_;
    Feed now;
    device_->Locked([&] { now = feed_; });
    return now;
}

std::int64_t SoundWaveControl::SourceOf(std::int64_t outFrames) const {
    return stretch_ ? stretch_->SourceFrames(outFrames) : outFrames;
}

std::int64_t SoundWaveControl::Played() const {
    if (onDevice_) return silentBase_ + SourceOf(std::max<std::int64_t>(device_->Played(), 0));
    if (playSpeed_ == 1.0) return silentBase_ + clock_.nsecsElapsed() * rate_ / 1'000'000'000;
    return silentBase_ + static_cast<std::int64_t>(static_cast<double>(clock_.nsecsElapsed()) * playSpeed_ *
                                                   rate_ / 1e9);
}

bool SoundWaveControl::AllHeard() const {
    const std::int64_t margin = onDevice_ ? rate_ * kEndMarginMs / 1000 : 0;
    if (onDevice_ && stretch_) {
        // The stretcher's last sound comes out after the last frame it took, so the end is judged
        // on the output's own frames.
        bool drained = false;
        std::int64_t produced = 0;
        device_->Locked([&] {
            drained = stretch_->Drained();
            produced = stretch_->Produced();
        });
        return drained && device_->Played() >= produced + margin;
    }
    const Feed feed = FeedNow();
    return feed.ended && Played() >= feed.fed + margin;
}

long SoundWaveControl::CurrentPosition() const {
    // What was heard first, then the feed: the feed can only have moved further since.
    std::int64_t played = Played();
    // The silent clock "hands out" frames as they are due, so repeat is judged at each pass end.
    if (!onDevice_ && played > feed_.fed) feed_.Take(played - feed_.fed, [](std::int64_t, std::int64_t) {});
    const Feed feed = FeedNow();
    played = std::min(played, feed.fed);
    const std::int64_t length = feed.to - feed.from;
    if (length <= 0) return feed.from;
    if (feed.ended && played >= feed.fed) return feed.to;
    return static_cast<long>(feed.from + played % length);
}

void SoundWaveControl::Poll() {
    if (!playing_) {
        poll_.stop();
        return;
    }
    if (onDevice_) {
        const std::int64_t played = device_->Played();
        if (played > lastPlayed_) {
            lastPlayed_ = played;
            sinceProgress_.restart();
        }
        // A failed stream, or one whose server has heard nothing for long, plays on in silence.
        if (played < 0 || sinceProgress_.elapsed() > kStallMs) FallBackToSilence();
    }
    const long position = CurrentPosition();
    if (AllHeard()) {
        stopPosition_ = position;
        StopOutput();
        playing_ = false;
        poll_.stop();
        QueuePlayDone();
    }
}

void SoundWaveControl::QueuePlayDone() {
    // Never from inside a call to the control: the owner's handler may call it again.
    QMetaObject::invokeMethod(
        this, [this] { RaisePlayDone(); }, Qt::QueuedConnection);
}

} // namespace zarn
