// The real WAV control heard: clips play through a PulseAudio null sink while parec records its
// monitor, and the recording must hold the clip's tone (length, level, frequency) at the time the
// control says it plays it, and a looped range must come round again and again.
// scripts/run-audio-test.sh starts a private server; without one the tests skip, unless
// ZARN_REQUIRE_AUDIO=1 asks for them.
#include "sound_wave_control.h"

#include "temp_dir.h"
#include "wait_for.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarn {
namespace {

using test::WaitFor;

using test::TempDir;

constexpr int kRate = 22050; // the clip's and the recording's
constexpr double kToneHz = 1000;
constexpr double kAmplitude = 0.5; // of full scale
const double kToneRms = kAmplitude / std::numbers::sqrt2;
constexpr long kLead = kRate / 4; // silence before and after the tone
constexpr long kTone = kRate;     // one second

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double FramesToMs(double frames) {
    return frames * 1000.0 / kRate;
}

// kLead of silence, kTone of the sine, kLead of silence; 16-bit mono.
std::string WriteToneClip(const TempDir& dir) {
    std::vector<short> samples(static_cast<size_t>(kLead + kTone + kLead), 0);
    for (long i = 0; i < kTone; ++i)
        samples[static_cast<size_t>(kLead + i)] = static_cast<short>(
            std::lround(32767 * kAmplitude * std::sin(2 * std::numbers::pi * kToneHz * i / kRate)));
    const std::string path = dir.file("tone.wav");
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(snd, nullptr) << sf_strerror(nullptr);
    if (!snd) return path;
    sf_writef_short(snd, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(snd);
    return path;
}

// A short command's trimmed output; nothing when it fails or hangs.
std::optional<QString> RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The default sink when a PulseAudio server answers and that sink is a null sink, the only kind
// these tests may play a tone into; "" with the reason otherwise.
QString FindNullSink(std::string& why) {
    const std::optional<QString> name = RunTool("pactl", {"get-default-sink"});
    if (!name || name->isEmpty()) {
        why = "no PulseAudio server answers (scripts/run-audio-test.sh starts one)";
        return {};
    }
    const std::optional<QString> sinks = RunTool("pactl", {"list", "short", "sinks"});
    for (const QString& line : sinks.value_or(QString()).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() > 2 && fields[1] == *name && fields[2].contains("null-sink")) return *name;
    }
    why = "the default sink " + name->toStdString() + " is not a null sink; no tone goes to a real output";
    return {};
}

// parec on the sink's monitor. Every arrival of data is noted on the steady clock; the earliest
// arrival relative to its sample count pins the samples to that clock. An idle null sink works in
// blocks of up to two seconds and takes up parec's short latency only at its next block, so the
// first data can take that long.
class Recorder {
public:
    ~Recorder() { Stop(); }

    bool Start(const QString& sink) {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { Read(); });
        process_.start("parec", {"--device=" + sink + ".monitor", "--raw", "--format=s16le",
                                 QString("--rate=%1").arg(kRate), "--channels=1", "--latency-msec=10"});
        if (!process_.waitForStarted(3000)) return false;
        // Some silence first, so that it is running steadily when a play starts.
        return WaitFor([this] { return samples_.size() >= kRate / 4; }, 5000);
    }

    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        Read();
        process_.terminate();
        if (!process_.waitForFinished(2000)) {
            process_.kill();
            process_.waitForFinished(1000);
        }
    }

    const std::vector<std::int16_t>& Samples() const { return samples_; }
    // When sample `index` reached the sink, in NowMs() time.
    double SampleMs(double index) const { return originMs_ + FramesToMs(index); }
    long SampleAt(double ms) const { return std::lround((ms - originMs_) * kRate / 1000.0); }

private:
    void Read() {
        pending_ += process_.readAllStandardOutput();
        const qsizetype whole = pending_.size() / 2 * 2;
        for (qsizetype i = 0; i < whole; i += 2)
            samples_.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(pending_[i]) |
                                                         static_cast<unsigned char>(pending_[i + 1]) << 8));
        pending_.remove(0, whole);
        if (whole > 0)
            originMs_ = std::min(originMs_, NowMs() - FramesToMs(static_cast<double>(samples_.size())));
    }

    QProcess process_;
    QByteArray pending_;
    std::vector<std::int16_t> samples_;
    double originMs_ = std::numeric_limits<double>::max();
};

// A stretch of the recording where the tone sounds, in samples [start, end).
struct Burst {
    long start = 0, end = 0;
};

// Stretches of loud samples (a tenth of the tone's RMS) with no gap of 2 ms or more: one
// stretch of the sine is one burst, and a dropout splits it. Stray clicks shorter than 5 ms are
// not bursts.
std::vector<Burst> FindBursts(const std::vector<std::int16_t>& samples) {
    const double floor = 0.1 * kToneRms * 32768;
    constexpr long kGap = kRate / 500, kShortest = kRate / 200;
    std::vector<Burst> bursts;
    for (long i = 0; i < static_cast<long>(samples.size()); ++i) {
        if (std::abs(samples[static_cast<size_t>(i)]) <= floor) continue;
        if (!bursts.empty() && i - bursts.back().end < kGap)
            bursts.back().end = i + 1;
        else
            bursts.push_back({i, i + 1});
    }
    std::erase_if(bursts, [](Burst b) { return b.end - b.start < kShortest; });
    return bursts;
}

struct ToneFigures {
    double rmsDb = 0; // relative to the clip's tone
    double hz = 0;
};

// Level and frequency of a burst's inside, away from its edges.
ToneFigures Measure(const std::vector<std::int16_t>& samples, Burst burst) {
    const long margin = kRate / 50;
    const long from = burst.start + margin, to = burst.end - margin;
    if (to - from < kRate / 20) return {};
    double sum = 0;
    long crossings = 0;
    for (long i = from; i < to; ++i) {
        sum += double(samples[i]) * samples[i];
        if (i > from && (samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    }
    const double rms = std::sqrt(sum / double(to - from)) / 32768;
    return {20 * std::log10(rms / kToneRms), crossings / 2.0 / (double(to - from) / kRate)};
}

void PrintLatency(double ms) {
    std::printf("play-to-first-sample latency: %.0f ms\n", ms);
    std::fflush(stdout);
}

class NullSinkPlay : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        sink_ = FindNullSink(why);
        if (sink_.isEmpty()) {
            if (qgetenv("ZARN_REQUIRE_AUDIO") == "1") FAIL() << why;
            GTEST_SKIP() << why;
        }
        wave_.SetPlayDone([this] {
            ++done_;
            doneMs_ = NowMs();
        });
        wave_.SetWavFileName(WriteToneClip(dir_));
        ASSERT_EQ(wave_.WavLength(), kLead + kTone + kLead);
        ASSERT_TRUE(recorder_.Start(sink_)) << "parec does not record " << sink_.toStdString() << ".monitor";
    }

    TempDir dir_;
    QString sink_;
    SoundWaveControl wave_{SoundWaveControl::Output::Device};
    Recorder recorder_;
    int done_ = 0;
    double doneMs_ = 0;
};

TEST_F(NullSinkPlay, TheClipsToneReachesTheSinkAsThePositionSays) {
    std::vector<std::pair<double, long>> positions; // (time, WavPosition) during the play
    const double playMs = NowMs();
    wave_.SetPlayCommand(kWavPlay);
    ASSERT_TRUE(wave_.Audible()) << "the control fell back to the silent clock";
    ASSERT_TRUE(WaitFor(
        [&] {
            positions.emplace_back(NowMs(), wave_.WavPosition());
            return done_ > 0;
        },
        6000));
    EXPECT_TRUE(wave_.Audible()) << "the sink gave up during the play";
    EXPECT_EQ(wave_.WavPosition(), wave_.WavLength());
    QTest::qWait(300);
    recorder_.Stop();

    const std::vector<std::int16_t>& recorded = recorder_.Samples();
    const std::vector<Burst> bursts = FindBursts(recorded);
    ASSERT_EQ(bursts.size(), 1u) << "the tone is missing or broken up";
    const Burst tone = bursts[0];
    EXPECT_NEAR(FramesToMs(tone.end - tone.start), FramesToMs(kTone), 50);
    const ToneFigures figures = Measure(recorded, tone);
    EXPECT_NEAR(figures.rmsDb, 0, 1.5);
    EXPECT_NEAR(figures.hz, kToneHz, kToneHz * 0.02);

    // The tone starts kLead into the clip, so the clip's first sample went kLead before it.
    const double toneMs = recorder_.SampleMs(tone.start);
    const double latency = toneMs - FramesToMs(kLead) - playMs;
    PrintLatency(latency);
    EXPECT_LT(latency, 1000);

    // The end comes once the trailing silence has gone out too, not when the buffer was filled.
    const double clipEndMs = recorder_.SampleMs(tone.end) + FramesToMs(kLead);
    EXPECT_GT(doneMs_ - clipEndMs, -60) << "PlayDone came before the clip was heard out";
    EXPECT_LT(doneMs_ - clipEndMs, 200) << "PlayDone came late";
    EXPECT_EQ(done_, 1);

    // The cursor shows what is heard: while the tone sounds, the position is where its sound is.
    double worst = 0;
    int checked = 0;
    for (const auto& [ms, position] : positions) {
        if (ms < toneMs + 50 || ms > recorder_.SampleMs(tone.end) - 50) continue;
        const double heard = kLead + (ms - toneMs) * kRate / 1000.0;
        worst = std::max(worst, std::abs(FramesToMs(position - heard)));
        ++checked;
    }
    EXPECT_GT(checked, 20);
    EXPECT_LT(worst, 100) << "the position runs ahead of or behind the sound";
}

TEST_F(NullSinkPlay, ALoopedRangeComesRoundUntilStopped) {
    // 100 ms of silence, then 100 ms of the tone: every pass is one burst.
    const long from = kLead - kRate / 10, to = kLead + kRate / 10;
    wave_.SetPlayFrom(from);
    wave_.SetPlayTo(to);
    wave_.SetRepeatPlay(true);
    const double playMs = NowMs();
    wave_.SetPlayCommand(kWavPlay);
    ASSERT_TRUE(wave_.Audible());
    long lowest = wave_.WavLength(), highest = 0;
    WaitFor(
        [&] {
            lowest = std::min(lowest, wave_.WavPosition());
            highest = std::max(highest, wave_.WavPosition());
            return false;
        },
        1100);
    EXPECT_EQ(done_, 0);
    EXPECT_EQ(wave_.PlayState(), kWavPlay);
    EXPECT_GE(lowest, from);
    EXPECT_LE(highest, to);
    const double stopMs = NowMs();
    wave_.SetPlayCommand(kWavStop);
    QTest::qWait(400);
    recorder_.Stop();
    EXPECT_EQ(done_, 1);

    const std::vector<std::int16_t>& recorded = recorder_.Samples();
    const std::vector<Burst> bursts = FindBursts(recorded);
    ASSERT_GE(bursts.size(), 4u) << "the range did not repeat";
    PrintLatency(recorder_.SampleMs(bursts[0].start) - FramesToMs(kRate / 10) - playMs);
    // Passes follow each other seamlessly: bursts exactly one range apart, each whole but the last.
    for (size_t i = 0; i + 1 < bursts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(FramesToMs(bursts[i].end - bursts[i].start), 100, 5);
        EXPECT_NEAR(FramesToMs(bursts[i + 1].start - bursts[i].start), 200, 5);
        EXPECT_NEAR(Measure(recorded, bursts[i]).hz, kToneHz, kToneHz * 0.02);
    }
    // A stop silences the output; the buffered second is not played out.
    EXPECT_LT(recorder_.SampleMs(bursts.back().end) - stopMs, 250);
}

} // namespace
} // namespace zarn
