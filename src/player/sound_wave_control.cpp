#include "sound_wave_control.h"

#include "waveform.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

namespace zarn {

namespace {

constexpr int kPollMs = 15;
// A sink that makes no progress this long while it still has data is given up for the silent
// clock; once it has all of its data, this much quiet means it has drained.
constexpr qint64 kStallMs = 2000;
constexpr qint64 kDrainedMs = 300;
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
    // request that an idle sink will never make.
    if (!ended && length > 0 && fed > 0 && fed % length == 0 && !*repeat) ended = true;
    return taken;
}

// The sink's data: the decoded clip walked through the play's range.
class SoundWaveControl::Source : public QIODevice {
public:
    explicit Source(SoundWaveControl& owner) : owner_(owner) { open(QIODevice::ReadOnly); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        const Feed& feed = owner_.feed_;
        const std::int64_t length = feed.to - feed.from;
        if (feed.ended || length <= 0) return QIODevice::bytesAvailable();
        return (length - feed.fed % length) * FrameBytes() + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 frameBytes = FrameBytes();
        qint64 written = 0;
        owner_.feed_.Take(maxSize / frameBytes, [&](std::int64_t first, std::int64_t count) {
            std::memcpy(data + written, owner_.samples_.data() + first * owner_.channels_,
                        static_cast<size_t>(count * frameBytes));
            written += count * frameBytes;
        });
        return written;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 FrameBytes() const { return qint64{2} * owner_.channels_; }

    SoundWaveControl& owner_;
};

SoundWaveControl::SoundWaveControl(Output output, QObject* parent) : QObject(parent), output_(output) {
    audible_ = output_ == Output::Device && !QMediaDevices::defaultAudioOutput().isNull();
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &SoundWaveControl::Poll);
}

SoundWaveControl::~SoundWaveControl() {
    poll_.stop();
    DropSink();
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
    DropSink();
    silentBase_ = 0;
    lastProcessed_ = -1;
    playing_ = true;
    feed_ = Feed{from, to, &repeat_};
    if (to <= from) {
        // Nothing to play: ends at the first poll without touching the device.
        feed_.ended = true;
    } else if (output_ == Output::Device && StartSink()) {
        audible_ = true;
    } else {
        audible_ = false;
        feed_ = Feed{from, to, &repeat_}; // a sink that failed may have read some
    }
    clock_.start();
    sinceProgress_.start();
    poll_.start();
}

bool SoundWaveControl::StartSink() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(rate_);
    format.setChannelCount(channels_);
    format.setSampleFormat(QAudioFormat::Int16);
    source_ = std::make_unique<Source>(*this);
    sink_ = std::make_unique<QAudioSink>(device, format);
    // About a second ahead: the player's busy waits hold this thread for 200 ms at a time.
    sink_->setBufferSize(static_cast<qsizetype>(format.bytesForDuration(1'000'000)));
    sink_->start(source_.get());
    if (sink_->state() == QAudio::StoppedState || sink_->error() != QAudio::NoError) {
        DropSink();
        return false;
    }
    return true;
}

void SoundWaveControl::DropSink() {
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    source_.reset();
}

void SoundWaveControl::FallBackToSilence() {
    silentBase_ = Played();
    DropSink();
    audible_ = false;
    clock_.start();
}

void SoundWaveControl::EndPlay() {
    stopPosition_ = CurrentPosition();
    DropSink();
    playing_ = false;
    poll_.stop();
    QueuePlayDone();
}

std::int64_t SoundWaveControl::Played() const {
    // Rounded, not cut down: the sink counts whole microseconds, already cut down, and the frame
    // lost that way would keep a play from reaching its end until the drain timeout.
    if (sink_) return silentBase_ + (sink_->processedUSecs() * rate_ + 500'000) / 1'000'000;
    return silentBase_ + clock_.nsecsElapsed() * rate_ / 1'000'000'000;
}

long SoundWaveControl::CurrentPosition() const {
    std::int64_t played = Played();
    // The silent clock "hands out" frames as they are due, so repeat is judged at each pass end.
    if (!sink_ && played > feed_.fed) feed_.Take(played - feed_.fed, [](std::int64_t, std::int64_t) {});
    played = std::min(played, feed_.fed);
    const std::int64_t length = feed_.to - feed_.from;
    if (length <= 0) return feed_.from;
    if (feed_.ended && played >= feed_.fed) return feed_.to;
    return static_cast<long>(feed_.from + played % length);
}

void SoundWaveControl::Poll() {
    if (!playing_) {
        poll_.stop();
        return;
    }
    if (sink_) {
        const qint64 processed = sink_->processedUSecs();
        if (processed != lastProcessed_) {
            lastProcessed_ = processed;
            sinceProgress_.restart();
        }
        if (sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
            FallBackToSilence();
        } else if (sinceProgress_.elapsed() > (feed_.ended ? kDrainedMs : kStallMs)) {
            if (!feed_.ended) {
                FallBackToSilence();
            } else {
                // Drained, though its count stopped short of the last frames.
                silentBase_ = feed_.fed;
                DropSink();
                clock_.start();
            }
        }
    }
    const long position = CurrentPosition();
    if (feed_.ended && Played() >= feed_.fed) {
        stopPosition_ = position;
        DropSink();
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
