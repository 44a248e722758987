// Hearing what reached a PulseAudio null sink: find the sink, record its monitor pinned to the
// steady clock, and compare a clip with the recording. scripts/run-audio-test.sh starts the server.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace zarn::test {

// The recording's format: the sink's rate, mono, 16-bit. A 48 kHz 16-bit mono clip goes through
// the server untouched, so it comes back sample for sample.
inline constexpr int kRecordRate = 48000;
using Samples = std::vector<std::int16_t>;

double NowMs(); // the steady clock; every time in these tests is on it
inline double RecordedMs(double samples) {
    return samples * 1000.0 / kRecordRate;
}
inline constexpr long RecordedSamples(double ms) {
    return static_cast<long>(ms * kRecordRate / 1000);
}

// A short command's trimmed standard output; nothing when it fails or hangs.
std::optional<QString> RunTool(const QString& program, const QStringList& args, int timeoutMs = 5000);

// The default sink when it is a null sink, the only kind these tests may play into; "" and why not.
QString FindNullSink(std::string& why);
// ZARN_REQUIRE_AUDIO=1: a missing server fails the audio tests instead of skipping them.
bool AudioRequired();

// The null sink into `sink`, or the test skipped (failed when audio is required).
#define ZARN_NULL_SINK_OR_SKIP(sink)                                                                         \
    do {                                                                                                     \
        std::string why_;                                                                                    \
        (sink) = ::zarn::test::FindNullSink(why_);                                                           \
        if ((sink).isEmpty()) {                                                                              \
            if (::zarn::test::AudioRequired()) FAIL() << why_;                                               \
            GTEST_SKIP() << why_;                                                                            \
        }                                                                                                    \
    } while (false)

// parec on the sink's monitor, straight to a file. The file's growth is watched on the steady
// clock, and the earliest sightings relative to their sample counts pin the samples to that clock.
// A sample is seen when the sink mixes it, about 10 ms (parec's latency) ahead of playing it.
class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Returns once it runs steadily (an idle null sink can take two seconds). A short `latencyMs`
    // keeps the sink's clock fine-grained, a long one leaves the pace to the streams, as on a desktop.
    bool Start(const QString& sink, int latencyMs = 10);
    void Stop(); // ends the recording and reads it in

    // After Stop: the samples, and when sample `index` reached the sink, in NowMs() time.
    const std::vector<std::int16_t>& Samples() const { return samples_; }
    double SampleMs(double index) const;
    long SampleAt(double ms) const;

private:
    struct Sighting {
        double ms;
        long long samples; // in the file at that moment
    };
    struct PinPoint {
        long long index;
        double origin; // NowMs() of sample 0, as seen from here
    };

    void Watch();
    void Pin();
    double Origin(double index) const;

    QTemporaryDir dir_;
    QString file_;
    QProcess process_;
    QTimer watch_;
    std::vector<std::int16_t> samples_;
    long long bytes_ = 0;
    std::vector<Sighting> sightings_;
    std::vector<PinPoint> pins_;
};

// A stretch of a recording where a tone sounds, in samples [start, end).
struct Burst {
    long start = 0, end = 0;
};
// Stretches above `floor` with no gap of 2 ms or more; clicks under 5 ms are none.
std::vector<Burst> FindBursts(const Samples& recording, double floor);

struct ToneFigures {
    double rms = 0; // of full scale
    double hz = 0;
};
// Level and frequency of a burst's inside, away from its edges; zero when too short to tell.
ToneFigures MeasureTone(const Samples& recording, Burst burst);

// A clip as the sink should play it: the mean of its channels at its own rate (full scale 1).
struct ClipSound {
    int rate = 0, channels = 0;
    long frames = 0;
    std::vector<float> mono;
    Samples exact; // a 48 kHz 16-bit mono clip's samples, which must come back exactly; else empty

    long RecordedLength() const; // in recorded samples
};
// The clip through libsndfile; nothing when it cannot read it.
std::optional<ClipSound> ReadClipSound(const std::string& path);

// How much of a clip the recording holds, in 50 ms windows of the clip. A window sounds when its
// RMS, leaving out its outer 5 ms, is above -50 dBFS, and is heard when the recording's RMS over
// the same stretch is within a factor of two of the clip's.
struct Hearing {
    long offset = 0; // the recorded sample where the clip's first sample lies
    int windows = 0, sounding = 0, heard = 0;
    // Windows of (near) silence, 5 ms either side included, that came out louder than -40 dBFS.
    int loudInSilence = 0;
    int firstUnheard = -1, firstLoud = -1; // window numbers, from 0
    // Exact clips: samples not as in the file after the head the monitor may lose or shift (the
    // first 20 ms), and how much of that head differs; -1 and 0 for other clips.
    long differing = -1;
    long headLost = 0;
    long firstDiffering = -1;
    // Where an exact clip differs: its stretches, each at the shift (in recorded samples, against
    // `offset`) where it comes back exactly, or unmatched, e.g. "0-340 ms +0, 340-1500 ms +96".
    // A shift that grows tells of gaps in the stream; unmatched sound was changed, not moved.
    std::string differences;
};
// Finds the clip with its first sample in [earliest, latest] (recorded indices), by 1 ms level
// envelopes and, for exact clips, sample for sample, and tells how much of it was heard.
Hearing Hear(const ClipSound& clip, const Samples& recording, long earliest, long latest);

// Writes interleaved samples as a WAV file, 16-bit or 8-bit unsigned; false when it cannot.
bool WriteWav(const std::string& path, const Samples& samples, int rate = kRecordRate, int channels = 1,
              bool eightBit = false);

// A sine of `hz` at `amplitude` of full scale; with `tremoloHz`, its level swings between 30% and
// 100% at that rate, so that its envelope lines up with no other clip's.
Samples Tone(int rate, double seconds, double hz, double amplitude, double tremoloHz = 0);
Samples Joined(std::initializer_list<Samples> parts);
// Talk at the recording's rate: bursts of shaped noise of varied length with gaps between them, so
// that any stretch of it lies at one place of the clip only. The gaps are digital zero, as
// equipment with a squelch writes, or faint hiss, so that a stopped output is told from the clip.
Samples MakeTalk(unsigned seed, double seconds, bool hissInGaps = false);
// Whether the recording is digital zero over [from, to).
bool SilentBetween(const Samples& recording, long from, long to);

// When a stream joins PulseAudio's null sink, its monitor misses the first few ms of it, and now
// and then PipeWire's garbles them, paplay's streams too: the first frames of a play are not compared.
inline constexpr long kJoinSlack = kRecordRate * 25 / 1000;

// How many frames of the clip from `first` on the recording holds from `at` on, until they first
// differ; with `joining`, a play started there, and its first kJoinSlack frames count as matching.
long MatchingRun(const Samples& recording, long at, const Samples& clip, long first, bool joining = false);
// Where in the recording, at or after `from`, a play of the clip's frames [first, first + count)
// lies whole; nothing when it does not.
std::optional<long> FindPlay(const Samples& recording, long from, const Samples& clip, long first,
                             long count);
// The first of the clips that does not lie whole in the recording after the one before it; -1 when
// every one does.
int FirstClipNotWhole(const Samples& recording, const std::vector<Samples>& clips);

} // namespace zarn::test
