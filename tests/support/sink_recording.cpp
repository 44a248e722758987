#include "sink_recording.h"

#include "wait_for.h"

#include <QByteArray>
#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

namespace zarn::test {

namespace {

// Levels as amplitude ratios of full scale: -50, -60 and -40 dBFS.
constexpr double kSoundingRms = 0.0031623, kSilentRms = 0.001, kLoudRms = 0.01;
constexpr int kFrameBytes = 4; // the recording's frames: two 16-bit channels
constexpr double kEnvelopeFloorDb = -70;
constexpr int kWindowsPerSecond = 20;
constexpr long kMaxHeadLost = kRecordRate / 50;
constexpr long kEdgeMs = 5;

std::int16_t RecordedAt(const std::vector<std::int16_t>& recording, long index) {
    return index >= 0 && index < static_cast<long>(recording.size()) ? recording[static_cast<size_t>(index)]
                                                                     : 0;
}

// RMS of recorded samples [from, to); samples outside the recording count as silence.
double RecordedRms(const std::vector<std::int16_t>& recording, long from, long to) {
    if (to <= from) return 0;
    double sum = 0;
    for (long i = from; i < to; ++i) {
        const double v = RecordedAt(recording, i) / 32768.0;
        sum += v * v;
    }
    return std::sqrt(sum / double(to - from));
}

double ClipRms(const ClipSound& clip, long from, long to) {
    from = std::max(from, 0L);
    to = std::min(to, clip.frames);
    if (to <= from) return 0;
    double sum = 0;
    for (long i = from; i < to; ++i)
        sum += double(clip.mono[static_cast<size_t>(i)]) * clip.mono[static_cast<size_t>(i)];
    return std::sqrt(sum / double(to - from));
}

double Db(double rms) {
    return rms > 0 ? std::max(20 * std::log10(rms), kEnvelopeFloorDb) : kEnvelopeFloorDb;
}

// Clip frame `frame` in recorded samples from the clip's start.
long ToRecorded(const ClipSound& clip, long frame) {
    return std::lround(double(frame) * kRecordRate / clip.rate);
}

// The recorded sample in [earliest, latest] where the clip's 1 ms level envelope fits best (least
// summed dB difference), to 0.25 ms; the first 20 ms, which the recording may lack, do not count.
long MatchEnvelope(const ClipSound& clip, const std::vector<std::int16_t>& recording, long earliest,
                   long latest) {
    constexpr long kBin = kRecordRate / 1000, kStep = kBin / 4;
    const long bins = (clip.frames * 1000 + clip.rate - 1) / clip.rate;
    const long skipped = std::min(kMaxHeadLost / kBin, bins / 4);
    std::vector<double> clipDb(static_cast<size_t>(bins));
    for (long b = 0; b < bins; ++b)
        clipDb[static_cast<size_t>(b)] = Db(ClipRms(clip, b * clip.rate / 1000, (b + 1) * clip.rate / 1000));
    const long steps = std::max(0L, (latest - earliest) / kBin) + 1;
    long best = earliest;
    double bestCost = std::numeric_limits<double>::max();
    std::vector<double> recordedDb(static_cast<size_t>(steps + bins));
    for (long phase = 0; phase < kBin; phase += kStep) {
        for (size_t k = 0; k < recordedDb.size(); ++k) {
            const long from = earliest + phase + static_cast<long>(k) * kBin;
            recordedDb[k] = Db(RecordedRms(recording, from, from + kBin));
        }
        for (long d = 0; d < steps; ++d) {
            double cost = 0;
            for (long b = skipped; b < bins && cost < bestCost; ++b)
                cost += std::abs(clipDb[static_cast<size_t>(b)] - recordedDb[static_cast<size_t>(d + b)]);
            const long offset = earliest + phase + d * kBin;
            if (cost < bestCost || (cost == bestCost && offset < best)) {
                bestCost = cost;
                best = offset;
            }
        }
    }
    return best;
}

// The stretches of an exact clip placed at `offset`, each at the shift within 100 ms where its
// 10 ms blocks come back sample for sample ("?" where none does); blocks of digital zero fit any
// shift and join the stretch before them.
std::string DescribeDifferences(const ClipSound& clip, const std::vector<std::int16_t>& recording,
                                long offset) {
    constexpr long kBlock = kRecordRate / 100, kReach = kRecordRate / 10;
    constexpr long kUnmatched = std::numeric_limits<long>::min();
    struct Stretch {
        long fromMs, toMs, shift;
    };
    std::vector<Stretch> stretches;
    auto matches = [&](long from, long to, long shift) {
        for (long i = from; i < to; ++i)
            if (RecordedAt(recording, offset + shift + i) != clip.exact[static_cast<size_t>(i)]) return false;
        return true;
    };
    for (long from = 0; from < clip.frames; from += kBlock) {
        const long to = std::min(from + kBlock, clip.frames);
        const bool silent = std::all_of(clip.exact.begin() + from, clip.exact.begin() + to,
                                        [](std::int16_t v) { return v == 0; });
        if (!stretches.empty() &&
            (silent || (stretches.back().shift != kUnmatched && matches(from, to, stretches.back().shift)))) {
            stretches.back().toMs = to * 1000 / kRecordRate;
            continue;
        }
        long shift = kUnmatched;
        for (long d = 0; d <= kReach && shift == kUnmatched; ++d) {
            if (matches(from, to, d))
                shift = d;
            else if (d > 0 && matches(from, to, -d))
                shift = -d;
        }
        if (!stretches.empty() && stretches.back().shift == shift)
            stretches.back().toMs = to * 1000 / kRecordRate;
        else
            stretches.push_back({from * 1000 / kRecordRate, to * 1000 / kRecordRate, shift});
    }
    std::string text;
    for (const Stretch& s : stretches) {
        if (!text.empty()) text += ", ";
        text += std::to_string(s.fromMs) + "-" + std::to_string(s.toMs) + " ms ";
        text +=
            s.shift == kUnmatched ? std::string("?") : (s.shift >= 0 ? "+" : "") + std::to_string(s.shift);
    }
    return text;
}

} // namespace

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::optional<QString> RunTool(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString FindNullSink(std::string& why) {
    const std::optional<QString> name = RunTool("pactl", {"get-default-sink"});
    if (!name || name->isEmpty()) {
        why = "no sound server answers (scripts/run-audio-test.sh starts one)";
        return {};
    }
    // PulseAudio names the sink's module as its driver; PipeWire names the node's factory.
    const std::optional<QString> sinks = RunTool("pactl", {"list", "sinks"});
    for (const QString& block : sinks.value_or(QString()).split("\nSink #")) {
        if (!block.contains("Name: " + *name + "\n")) continue;
        if (block.contains("module-null-sink") || block.contains("support.null-audio-sink")) return *name;
    }
    why = "the default sink " + name->toStdString() + " is not a null sink; nothing goes to a real output";
    return {};
}

bool AudioRequired() {
    return qgetenv("ZARN_REQUIRE_AUDIO") == "1";
}

Recorder::Recorder() {
    watch_.setInterval(2);
    QObject::connect(&watch_, &QTimer::timeout, [this] { Watch(); });
}

Recorder::~Recorder() {
    Stop();
}

bool Recorder::Start(const QString& sink, int latencyMs) {
    if (!dir_.isValid()) return false;
    file_ = dir_.filePath("monitor.raw");
    process_.setStandardOutputFile(file_);
    // Both channels as the sink has them, folded to mono here: the servers fold differently
    // (PipeWire at -3 dB), while the mean of two equal channels is each of them exactly.
    process_.start("parec", {"--device=" + sink + ".monitor", "--raw", "--format=s16le",
                             QString("--rate=%1").arg(kRecordRate), "--channels=2",
                             QString("--latency-msec=%1").arg(latencyMs)});
    if (!process_.waitForStarted(3000)) return false;
    watch_.start();
    // Some silence first, so that it runs steadily when a play starts.
    return WaitFor([this] { return bytes_ >= kFrameBytes * kRecordRate / 4; }, 5000);
}

void Recorder::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    Watch();
    watch_.stop();
    process_.terminate();
    if (!process_.waitForFinished(2000)) {
        process_.kill();
        process_.waitForFinished(1000);
    }
    Pin();
    QFile file(file_);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const auto* raw = reinterpret_cast<const std::int16_t*>(bytes.constData()); // s16le, as this machine
    samples_.resize(static_cast<size_t>(bytes.size()) / kFrameBytes);
    for (size_t i = 0; i < samples_.size(); ++i)
        samples_[i] = static_cast<std::int16_t>((raw[2 * i] + raw[2 * i + 1]) / 2);
}

void Recorder::Watch() {
    std::error_code error;
    const auto size = std::filesystem::file_size(file_.toStdString(), error);
    if (error) return;
    const long long bytes = static_cast<long long>(size);
    if (bytes / kFrameBytes > bytes_ / kFrameBytes) sightings_.push_back({NowMs(), bytes / kFrameBytes});
    bytes_ = bytes;
}

void Recorder::Pin() {
    // The server's and the steady clock drift apart by tens of ppm: each 5 s stretch gets its own origin.
    constexpr long long kStretch = 5LL * kRecordRate;
    pins_.clear();
    for (const Sighting& s : sightings_) {
        const double origin = s.ms - RecordedMs(double(s.samples));
        if (pins_.empty() || s.samples / kStretch != pins_.back().index / kStretch)
            pins_.push_back({s.samples, origin});
        else if (origin < pins_.back().origin)
            pins_.back() = {s.samples, origin};
    }
}

double Recorder::Origin(double index) const {
    if (pins_.empty()) return std::numeric_limits<double>::max();
    const auto next =
        std::find_if(pins_.begin(), pins_.end(), [&](const PinPoint& p) { return p.index > index; });
    if (next == pins_.begin()) return pins_.front().origin;
    if (next == pins_.end()) return pins_.back().origin;
    const PinPoint& before = *(next - 1);
    return before.origin + (next->origin - before.origin) * (index - double(before.index)) /
                               double(next->index - before.index);
}

double Recorder::SampleMs(double index) const {
    return Origin(index) + RecordedMs(index);
}

long Recorder::SampleAt(double ms) const {
    // The origin barely moves within a few samples, so one step settles it.
    const double guess = (ms - Origin(0)) * kRecordRate / 1000.0;
    return std::lround((ms - Origin(guess)) * kRecordRate / 1000.0);
}

std::vector<Burst> FindBursts(const std::vector<std::int16_t>& recording, double floor) {
    constexpr long kGap = kRecordRate / 500, kShortest = kRecordRate / 200;
    std::vector<Burst> bursts;
    for (long i = 0; i < static_cast<long>(recording.size()); ++i) {
        if (std::abs(recording[static_cast<size_t>(i)]) <= floor) continue;
        if (!bursts.empty() && i - bursts.back().end < kGap)
            bursts.back().end = i + 1;
        else
            bursts.push_back({i, i + 1});
    }
    std::erase_if(bursts, [](Burst b) { return b.end - b.start < kShortest; });
    return bursts;
}

ToneFigures MeasureTone(const std::vector<std::int16_t>& recording, Burst burst) {
    const long margin = kRecordRate / 50;
    const long from = burst.start + margin, to = burst.end - margin;
    if (to - from < kRecordRate / 20) return {};
    long crossings = 0;
    for (long i = from + 1; i < to; ++i)
        if ((recording[static_cast<size_t>(i - 1)] < 0) != (recording[static_cast<size_t>(i)] < 0))
            ++crossings;
    return {RecordedRms(recording, from, to), crossings / 2.0 / (double(to - from) / kRecordRate)};
}

long ClipSound::RecordedLength() const {
    return ToRecorded(*this, frames);
}

std::optional<ClipSound> ReadClipSound(const std::string& path) {
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> snd(sf_open(path.c_str(), SFM_READ, &info), sf_close);
    if (!snd || info.frames < 1 || info.channels < 1 || info.samplerate < 1) return std::nullopt;
    std::vector<short> samples(static_cast<size_t>(info.frames * info.channels));
    if (sf_readf_short(snd.get(), samples.data(), info.frames) != info.frames) return std::nullopt;
    ClipSound clip;
    clip.rate = info.samplerate;
    clip.channels = info.channels;
    clip.frames = static_cast<long>(info.frames);
    clip.mono.resize(static_cast<size_t>(clip.frames));
    for (long f = 0; f < clip.frames; ++f) {
        double sum = 0;
        for (int c = 0; c < clip.channels; ++c)
            sum += samples[static_cast<size_t>(f * clip.channels + c)];
        clip.mono[static_cast<size_t>(f)] = static_cast<float>(sum / clip.channels / 32768.0);
    }
    if (clip.rate == kRecordRate && clip.channels == 1 &&
        (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16)
        clip.exact.assign(samples.begin(), samples.end());
    return clip;
}

Hearing Hear(const ClipSound& clip, const std::vector<std::int16_t>& recording, long earliest, long latest) {
    Hearing hearing;
    hearing.offset = MatchEnvelope(clip, recording, earliest, std::max(earliest, latest));
    if (!clip.exact.empty()) {
        // The monitor may lose or shift a joining stream's first ms (see kJoinSlack); past them
        // every sample must be the file's, and they pin the clip down to the sample.
        // The envelope of a steady tone pins it down less well than the 20 ms its head may shift,
        // so the samples are sought up to 100 ms either side, nearest first.
        const long body = std::min(kMaxHeadLost, clip.frames / 2);
        const long near = hearing.offset;
        long fewest = clip.frames;
        for (long d = 0; d <= kRecordRate / 10 && fewest > 0; ++d)
            for (const long sign : {1L, -1L}) {
                if (d == 0 && sign < 0) break;
                const long o = near + sign * d;
                long differing = 0;
                for (long i = body; i < clip.frames && differing < fewest; ++i)
                    if (RecordedAt(recording, o + i) != clip.exact[static_cast<size_t>(i)]) ++differing;
                if (differing < fewest) {
                    fewest = differing;
                    hearing.offset = o;
                }
            }
        for (long i = 0; i < body; ++i)
            if (RecordedAt(recording, hearing.offset + i) != clip.exact[static_cast<size_t>(i)])
                hearing.headLost = i + 1;
        hearing.differing = 0;
        for (long i = body; i < clip.frames; ++i) {
            if (RecordedAt(recording, hearing.offset + i) == clip.exact[static_cast<size_t>(i)]) continue;
            if (hearing.differing++ == 0) hearing.firstDiffering = i;
        }
        if (hearing.differing > 0) hearing.differences = DescribeDifferences(clip, recording, hearing.offset);
    }
    // A window is judged by the sound in its middle, away from edges a 1 ms misalignment could move.
    const long edge = clip.rate * kEdgeMs / 1000;
    for (long w = 0;; ++w) {
        // Edges rounded to the nearest frame: a sound ending on a 50 ms mark leaves no sliver behind.
        const long from = (2 * w * clip.rate + kWindowsPerSecond) / (2 * kWindowsPerSecond);
        const long to =
            std::min((2 * (w + 1) * clip.rate + kWindowsPerSecond) / (2 * kWindowsPerSecond), clip.frames);
        if (to - from < clip.rate / 100) break; // the end, or a last sliver too short to judge
        ++hearing.windows;
        // Both sides over the middle only: where a loud sound ends on the window's edge, the
        // resampler's ringing and a sub-ms misalignment would carry it into a quiet window's sum.
        const double rms = ClipRms(clip, from + edge, to - edge);
        const double heard = RecordedRms(recording, hearing.offset + ToRecorded(clip, from + edge),
                                         hearing.offset + ToRecorded(clip, to - edge));
        if (rms > kSoundingRms) {
            ++hearing.sounding;
            if (heard >= rms / 2 && heard <= rms * 2)
                ++hearing.heard;
            else if (hearing.firstUnheard < 0)
                hearing.firstUnheard = w;
        } else if (ClipRms(clip, from - edge, to + edge) < kSilentRms && heard > kLoudRms) {
            if (hearing.loudInSilence++ == 0) hearing.firstLoud = w;
        }
    }
    return hearing;
}

bool WriteWav(const std::string& path, const Samples& samples, int rate, int channels, bool eightBit) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | (eightBit ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!snd) return false;
    const auto frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool whole = sf_writef_short(snd, samples.data(), frames) == frames;
    return sf_close(snd) == 0 && whole;
}

Samples Tone(int rate, double seconds, double hz, double amplitude, double tremoloHz) {
    Samples s(static_cast<size_t>(std::lround(seconds * rate)));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / rate;
        const double tremolo =
            tremoloHz > 0 ? 0.65 + 0.35 * std::sin(2 * std::numbers::pi * tremoloHz * t) : 1;
        const double v = amplitude * tremolo * std::sin(2 * std::numbers::pi * hz * t);
        s[i] = static_cast<std::int16_t>(std::lround(32767 * v));
    }
    return s;
}

Samples Joined(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Samples MakeTalk(unsigned seed, double seconds, bool hissInGaps) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.15);
    std::uniform_int_distribution<int> burstMs(80, 400), gapMs(30, 200), hiss(1, 40), sign(0, 1);
    Samples samples(static_cast<size_t>(seconds * kRecordRate), 0);
    if (hissInGaps)
        for (std::int16_t& s : samples)
            s = static_cast<std::int16_t>(sign(rng) ? hiss(rng) : -hiss(rng));
    size_t at = static_cast<size_t>(kRecordRate / 50); // starts after 20 ms of silence
    double low = 0;
    while (at < samples.size()) {
        const size_t burst = static_cast<size_t>(burstMs(rng)) * kRecordRate / 1000;
        for (size_t i = 0; i < burst && at + i < samples.size(); ++i) {
            low = 0.7 * low + 0.3 * noise(rng); // a little body, like a voice
            const double envelope = std::sin(std::numbers::pi * double(i) / double(burst));
            const auto s =
                static_cast<std::int16_t>(std::lround(std::clamp(low * envelope, -1.0, 1.0) * 32000));
            samples[at + i] = s != 0 ? s : std::int16_t{1};
        }
        at += burst + static_cast<size_t>(gapMs(rng)) * kRecordRate / 1000;
    }
    return samples;
}

bool SilentBetween(const Samples& recording, long from, long to) {
    from = std::max(from, 0L);
    to = std::min(to, static_cast<long>(recording.size()));
    return std::all_of(recording.begin() + from, recording.begin() + std::max(from, to),
                       [](std::int16_t s) { return s == 0; });
}

long MatchingRun(const Samples& recording, long at, const Samples& clip, long first, bool joining) {
    const long end =
        std::min(static_cast<long>(recording.size()) - at, static_cast<long>(clip.size()) - first);
    long n = 0;
    if (joining) n = std::min(kJoinSlack, end); // the head, whatever the monitor made of it
    while (n < end && recording[static_cast<size_t>(at + n)] == clip[static_cast<size_t>(first + n)])
        ++n;
    return n;
}

std::optional<long> FindPlay(const Samples& recording, long from, const Samples& clip, long first,
                             long count) {
    // Anchor on a loud frame past the slack, then check the whole stretch.
    long anchor = first + kJoinSlack;
    while (anchor < first + count && std::abs(clip[static_cast<size_t>(anchor)]) < 500)
        ++anchor;
    if (anchor >= first + count) return std::nullopt;
    const long lead = anchor - first;
    for (long r = std::max(from, 0L) + lead; r + (count - lead) <= static_cast<long>(recording.size()); ++r) {
        if (recording[static_cast<size_t>(r)] != clip[static_cast<size_t>(anchor)]) continue;
        if (MatchingRun(recording, r - lead, clip, first, true) >= count) return r - lead;
    }
    return std::nullopt;
}

int FirstClipNotWhole(const Samples& recording, const std::vector<Samples>& clips) {
    long from = 0;
    for (size_t i = 0; i < clips.size(); ++i) {
        const auto at = FindPlay(recording, from, clips[i], 0, static_cast<long>(clips[i].size()));
        if (!at) return static_cast<int>(i);
        from = *at + static_cast<long>(clips[i].size());
    }
    return -1;
}

} // namespace zarn::test
