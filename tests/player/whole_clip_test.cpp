// Every clip plays whole through the real WAV control and, as a yardstick, through paplay on the
// same null sink in the same recording: short clips, pauses of silence, speech, stereo, the demo
// station's clips. Every 50 ms window that sounds in the file must sound in the recording, a 48 kHz
// 16-bit mono clip must come back sample for sample where paplay's copy does, and PlayDone must come
// once the last sample has been played, not before and not much after.
#include "sound_wave_control.h"

#include "sink_recording.h"
#include "temp_dir.h"
#include "wait_for.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::ClipSound;
using test::NowMs;
using test::Recorder;
using test::TempDir;
using test::WaitFor;

// The recording sees a sample when the null sink mixes it, some 10 ms before it plays it, and its
// clock pinning is good to a few ms: times may come out this much early.
constexpr double kClockSlackMs = 15;
constexpr double kLatestDoneMs = 100;
constexpr double kLatestFirstSampleMs = 100;
// Where a clip's first sample is looked for: past this the play is slow to start anyway, and a
// wider search could take the next clip for a cut one.
constexpr double kSearchMs = 250;

struct TestClip {
    std::string name;
    std::string path;
    ClipSound sound;
};

// The equipment's 8-bit 11025 Hz form, or 16-bit 48 kHz (which comes back sample for sample).
enum class Layout { U8At11k, S16At48k };
constexpr Layout kLayouts[] = {Layout::U8At11k, Layout::S16At48k};
int RateOf(Layout l) {
    return l == Layout::U8At11k ? 11025 : 48000;
}
std::string Named(const std::string& name, Layout l) {
    return name + (l == Layout::U8At11k ? " 8-bit 11025" : " 16-bit 48k");
}

using test::WriteWav;

// A tone with a tremolo of its own rate, so that its envelope lines up with no other clip's.
void AddTone(std::vector<float>& out, int rate, double fromS, double seconds, double hz = 700) {
    static int tones = 0;
    const double tremoloHz = 3 + 0.37 * (tones++ % 16);
    const auto from = static_cast<size_t>(std::lround(fromS * rate));
    const auto count = static_cast<size_t>(std::lround(seconds * rate));
    if (out.size() < from + count) out.resize(from + count, 0.0f);
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        const double level = 0.45 * (0.65 + 0.35 * std::sin(2 * std::numbers::pi * tremoloHz * t));
        out[from + i] = static_cast<float>(level * std::sin(2 * std::numbers::pi * hz * t));
    }
}

// White noise at `db` dBFS RMS over [fromS, fromS + seconds).
void AddHiss(std::vector<float>& out, int rate, double fromS, double seconds, double db) {
    std::mt19937 random(7);
    const double peak = std::pow(10.0, db / 20) * std::sqrt(3.0); // uniform noise: RMS is peak/sqrt(3)
    std::uniform_real_distribution<double> noise(-peak, peak);
    const auto from = static_cast<size_t>(std::lround(fromS * rate));
    for (size_t i = from; i < std::min(out.size(), from + static_cast<size_t>(std::lround(seconds * rate)));
         ++i)
        out[i] = static_cast<float>(noise(random));
}

bool Run(const QString& program, const QStringList& args) {
    return test::RunTool(program, args, 20000).has_value();
}

// sox to the layout (16-bit undithered, so that pauses stay digital silence), optionally a stretch.
bool Convert(const std::string& from, const std::string& to, Layout layout, double startS = 0,
             double seconds = 0) {
    QStringList args{QString::fromStdString(from)};
    if (layout == Layout::U8At11k)
        args << "-r" << "11025" << "-b" << "8" << "-e" << "unsigned-integer";
    else
        args << "-D" << "-r" << "48000" << "-b" << "16";
    args << QString::fromStdString(to);
    if (seconds > 0) args << "trim" << QString::number(startS) << QString::number(seconds);
    return Run("sox", args);
}

// Where speech starts: the first 10 ms louder than -30 dBFS.
double SpeechOnsetS(const ClipSound& speech) {
    const long block = speech.rate / 100;
    for (long from = 0; from + block <= speech.frames; from += block) {
        double sum = 0;
        for (long i = from; i < from + block; ++i)
            sum += double(speech.mono[static_cast<size_t>(i)]) * speech.mono[static_cast<size_t>(i)];
        if (std::sqrt(sum / block) > 0.0316) return double(from) / speech.rate;
    }
    return 0;
}

class ClipSet {
public:
    ClipSet() {
        MakeTones();
        MakeSpeech();
        MakeDemoClips();
    }

    std::vector<TestClip> shortClips, silences, speech, demo;
    std::vector<std::string> problems; // what could not be made

private:
    // Adds the file at `path`, or the problem `made` names when it was not made or is not readable.
    void Add(std::vector<TestClip>& to, const std::string& name, const std::string& path, bool made,
             const char* failure = "not written") {
        std::optional<ClipSound> sound;
        if (made) sound = test::ReadClipSound(path);
        if (!sound)
            problems.push_back(name + ": " + (made ? "not readable" : failure));
        else
            to.push_back({name, path, std::move(*sound)});
    }
    void AddMono(std::vector<TestClip>& to, const std::string& name, Layout layout,
                 const std::vector<float>& samples) {
        const std::string path = dir_.file("clip" + std::to_string(++files_) + ".wav");
        const int subformat = layout == Layout::U8At11k ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16;
        Add(to, name, path, WriteWav(path, RateOf(layout), 1, subformat, samples));
    }

    void MakeTones() {
        for (Layout layout : kLayouts) {
            for (double seconds : {0.1, 0.15, 0.25, 0.4, 0.6, 1.0, 1.5}) {
                std::vector<float> samples;
                AddTone(samples, RateOf(layout), 0, seconds);
                AddMono(shortClips, Named("tone " + std::to_string(seconds).substr(0, 4) + " s", layout),
                        layout, samples);
            }
        }
        // Tones around pauses of digital zero or of hiss, leading and trailing silence.
        struct Shape {
            const char* name;
            Layout layout;
            double tone1S, pauseS, tone2S, hissDb, trailS;
        };
        const Shape shapes[] = {
            {"tone, 0.3 s zero, tone", Layout::S16At48k, 0.5, 0.3, 0.6, 0, 0},
            {"tone, 0.3 s -60 dB hiss, tone", Layout::S16At48k, 0.5, 0.3, 0.6, -60, 0},
            {"tone, 0.3 s zero, tone", Layout::U8At11k, 0.5, 0.3, 0.6, 0, 0},
            {"tone, 1.0 s zero, tone", Layout::S16At48k, 0.2, 1.0, 0.2, 0, 0},
            {"0.6 s zero, tone", Layout::S16At48k, 0, 0.6, 0.4, 0, 0},
            {"tone, 0.8 s zero", Layout::U8At11k, 0.4, 0, 0, 0, 0.8},
        };
        for (const Shape& s : shapes) {
            const int rate = RateOf(s.layout);
            std::vector<float> samples;
            if (s.tone1S > 0) AddTone(samples, rate, 0, s.tone1S);
            if (s.tone2S > 0) AddTone(samples, rate, s.tone1S + s.pauseS, s.tone2S);
            if (s.hissDb < 0) AddHiss(samples, rate, s.tone1S, s.pauseS, s.hissDb);
            samples.resize(samples.size() + static_cast<size_t>(std::lround(s.trailS * rate)), 0.0f);
            AddMono(silences, Named(s.name, s.layout), s.layout, samples);
        }
    }

    void MakeSpeech() {
        struct Sentence {
            const char* name;
            const char* text;
            int wordGap; // tens of ms between words
        };
        const Sentence sentences[] = {
            {"speech 'radio check'", "Station two, this is control. Radio check, over.", 0},
            {"speech 'stand by'", "Roger. Signal weak, but readable. Stand by.", 0},
            {"speech 'one to five' -g 20", "One, two, three, four, five.", 20},
        };
        std::vector<std::string> spoken;
        for (const Sentence& s : sentences) {
            const std::string raw = dir_.file("spoken" + std::to_string(spoken.size()) + ".wav");
            QStringList args{"-w", QString::fromStdString(raw)};
            if (s.wordGap > 0) args << "-g" << QString::number(s.wordGap);
            if (!Run("espeak-ng", args << s.text)) {
                problems.push_back(std::string(s.name) + ": espeak-ng did not speak it");
                continue;
            }
            spoken.push_back(raw);
            for (Layout layout : kLayouts) {
                const std::string path = dir_.file("clip" + std::to_string(++files_) + ".wav");
                Add(speech, Named(s.name, layout), path, Convert(raw, path, layout),
                    "sox did not convert it");
            }
        }
        if (spoken.size() < 2) return;
        // Short stretches of real speech, from where it starts.
        if (const std::optional<ClipSound> first = test::ReadClipSound(spoken[0])) {
            const double onset = SpeechOnsetS(*first);
            for (Layout layout : kLayouts)
                for (double seconds : {0.3, 0.8, 1.5}) {
                    const std::string path = dir_.file("clip" + std::to_string(++files_) + ".wav");
                    Add(shortClips, Named("speech " + std::to_string(seconds).substr(0, 3) + " s", layout),
                        path, Convert(spoken[0], path, layout, onset, seconds), "sox did not cut it");
                }
        }
        // Stereo 44.1 kHz: a tremolo tone with a pause on the left, speech on the right.
        const std::string at44 = dir_.file("spoken44.wav");
        std::optional<ClipSound> right;
        if (Run("sox",
                {QString::fromStdString(spoken[1]), "-D", "-r", "44100", QString::fromStdString(at44)}))
            right = test::ReadClipSound(at44);
        if (!right) {
            problems.push_back("stereo: sox did not resample the speech");
            return;
        }
        constexpr int kRate = 44100;
        std::vector<float> left;
        AddTone(left, kRate, 0.2, 1.4, 500);
        AddTone(left, kRate, 2.3, 1.5, 500);
        left.resize(4 * kRate, 0.0f);
        std::vector<float> both(2 * left.size(), 0.0f);
        for (size_t i = 0; i < left.size(); ++i) {
            both[2 * i] = left[i];
            if (i < right->mono.size()) both[2 * i + 1] = right->mono[i];
        }
        const std::string path = dir_.file("stereo.wav");
        Add(speech, "stereo tone | speech 16-bit 44.1k", path,
            WriteWav(path, kRate, 2, SF_FORMAT_PCM_16, both));
    }

    // The demo station's clips last over eleven minutes, twice that with paplay's turn: an even
    // spread of them within ZARN_DEMO_SECONDS (default 100; "all" plays every one).
    void MakeDemoClips() {
        const std::string folder = dir_.file("demo");
        if (!Run(DEMO_STATION_TOOL, {QString::fromStdString(folder)})) {
            problems.push_back("demo station: the generator failed");
            return;
        }
        QStringList names = QDir(QString::fromStdString(folder)).entryList({"*.wav"}, QDir::Files);
        names.sort();
        std::vector<TestClip> all;
        double seconds = 0;
        for (const QString& name : names) {
            // Clips libsndfile cannot open are broken on purpose; the player has nothing to play.
            const std::string path = folder + "/" + name.toStdString();
            if (std::optional<ClipSound> sound = test::ReadClipSound(path)) {
                seconds += double(sound->frames) / sound->rate;
                all.push_back({name.toStdString(), path, std::move(*sound)});
            }
        }
        const QByteArray allowed = qgetenv("ZARN_DEMO_SECONDS");
        const double budget = allowed == "all" ? seconds : allowed.isEmpty() ? 100 : allowed.toDouble();
        const auto stride = static_cast<size_t>(std::max(1.0, std::ceil(seconds / std::max(budget, 1.0))));
        for (size_t i = 0; i < all.size(); i += stride)
            demo.push_back(std::move(all[i]));
    }

    TempDir dir_;
    int files_ = 0;
};

// One play of one clip: when it started and ended (PlayDone, or paplay's exit).
struct Play {
    double startMs = 0, doneMs = 0;
    bool ended = false;
    bool ok = false; // loaded and played audibly / paplay exited cleanly
};

struct ControlPlays {
    std::vector<Play> plays;
    int playDones = 0; // in all
};

// Plays the clips through the control as the player does: PlayDone loads the next clip and plays
// it, straight away or `apartMs` later.
ControlPlays PlayThroughControl(const std::vector<TestClip>& clips, int apartMs) {
    SoundWaveControl wave(SoundWaveControl::Output::Device);
    QObject timers; // cancels what is still pending when the run gives up
    ControlPlays result;
    result.plays.resize(clips.size());
    size_t current = 0;
    bool playing = false;
    std::function<void()> start, next;
    start = [&] {
        Play& play = result.plays[current];
        wave.SetWavFileName(clips[current].path);
        const bool loaded = wave.WavLength() == clips[current].sound.frames;
        play.startMs = NowMs();
        wave.SetPlayCommand(kWavPlay);
        play.ok = loaded && wave.Audible();
        playing = loaded;
        if (!loaded) QTimer::singleShot(0, &timers, next); // nothing plays, so no PlayDone comes
    };
    next = [&] {
        if (++current == clips.size()) return;
        if (apartMs == 0)
            start();
        else
            QTimer::singleShot(apartMs, &timers, start);
    };
    wave.SetPlayDone([&] {
        ++result.playDones;
        if (!playing) return; // one too many: counted, but it must not skip a clip
        playing = false;
        result.plays[current].doneMs = NowMs();
        result.plays[current].ended = true;
        next();
    });
    if (clips.empty()) return result;
    double seconds = 0;
    for (const TestClip& clip : clips)
        seconds += double(clip.sound.frames) / clip.sound.rate;
    start();
    WaitFor([&] { return current >= clips.size(); },
            static_cast<int>(seconds * 1000) + (apartMs + 2000) * static_cast<int>(clips.size()));
    QTest::qWait(200); // a PlayDone too many would arrive now
    wave.SetPlayDone(nullptr);
    return result;
}

// The same through paplay, one process per clip.
std::vector<Play> PlayThroughPaplay(const std::vector<TestClip>& clips, int apartMs) {
    std::vector<Play> plays(clips.size());
    for (size_t i = 0; i < clips.size(); ++i) {
        QProcess paplay;
        plays[i].startMs = NowMs();
        paplay.start("paplay", {QString::fromStdString(clips[i].path)});
        WaitFor([&] { return paplay.state() == QProcess::NotRunning; },
                static_cast<int>(double(clips[i].sound.frames) / clips[i].sound.rate * 1000) + 5000);
        plays[i].doneMs = NowMs();
        plays[i].ok = paplay.exitStatus() == QProcess::NormalExit && paplay.exitCode() == 0;
        if (paplay.state() != QProcess::NotRunning) {
            paplay.kill();
            paplay.waitForFinished(1000);
        }
        if (apartMs > 0) QTest::qWait(apartMs);
    }
    return plays;
}

// A clip found in the recording of one of its plays.
struct Heard {
    test::Hearing hearing;
    double firstMs = 0; // play to first sample
    double lateMs = 0;  // last sample played to the end of the play
};

// Finds each clip of a run of plays after its play starts and before the next one does.
std::vector<Heard> HearPlays(const std::vector<TestClip>& clips, const std::vector<Play>& plays,
                             const Recorder& recorder) {
    std::vector<Heard> heard(clips.size());
    for (size_t i = 0; i < clips.size(); ++i) {
        double latestMs = plays[i].startMs + kSearchMs;
        if (i + 1 < plays.size() && plays[i + 1].startMs > plays[i].startMs)
            latestMs = std::min(latestMs, plays[i + 1].startMs - 2 * kClockSlackMs);
        Heard& h = heard[i];
        h.hearing =
            test::Hear(clips[i].sound, recorder.Samples(),
                       recorder.SampleAt(plays[i].startMs - kClockSlackMs), recorder.SampleAt(latestMs));
        h.firstMs = recorder.SampleMs(double(h.hearing.offset)) - plays[i].startMs;
        h.lateMs =
            plays[i].doneMs - recorder.SampleMs(double(h.hearing.offset + clips[i].sound.RecordedLength()));
    }
    return heard;
}

class WholeClips : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        delete set_;
        set_ = nullptr;
    }

    void SetUp() override {
        ZARN_NULL_SINK_OR_SKIP(sink_);
        if (!set_) set_ = new ClipSet; // made once, and only when there is a sink to play it
        for (const std::string& problem : set_->problems)
            ADD_FAILURE() << "clip set: " << problem;
    }

    // Plays clips whose copy was not exact through the control once more: this time they must be.
    void ExactAgain(const std::vector<TestClip>& clips) {
        Recorder recorder;
        ASSERT_TRUE(recorder.Start(sink_));
        const ControlPlays control = PlayThroughControl(clips, 300);
        QTest::qWait(300);
        recorder.Stop();
        const std::vector<Heard> byControl = HearPlays(clips, control.plays, recorder);
        for (size_t i = 0; i < clips.size(); ++i) {
            const test::Hearing& c = byControl[i].hearing;
            std::printf("played again: %-26s samples differing %ld (%.0f ms)\n", clips[i].name.c_str(),
                        c.differing, test::RecordedMs(double(c.headLost)));
            EXPECT_EQ(c.differing, 0) << clips[i].name
                                      << ": samples the control changed, in two plays; the first at "
                                      << c.firstDiffering;
        }
    }

    // Plays the clips through the control, then through paplay, into one recording; `apartMs`
    // between plays, 0 for back to back. Checks every clip and prints its table line.
    void PlayAndCompare(const char* group, const std::vector<TestClip>& clips, int apartMs) {
        ASSERT_FALSE(clips.empty()) << "no clips to play";
        Recorder recorder;
        ASSERT_TRUE(recorder.Start(sink_)) << "parec does not record " << sink_.toStdString() << ".monitor";
        const ControlPlays control = PlayThroughControl(clips, apartMs);
        QTest::qWait(500);
        const std::vector<Play> paplay = PlayThroughPaplay(clips, apartMs);
        QTest::qWait(300);
        recorder.Stop();

        const std::vector<Heard> byControl = HearPlays(clips, control.plays, recorder);
        const std::vector<Heard> byPaplay = HearPlays(clips, paplay, recorder);
        int sounding = 0, heard = 0, whole = 0, heardByPaplay = 0;
        std::vector<TestClip> again;
        for (size_t i = 0; i < clips.size(); ++i) {
            SCOPED_TRACE(clips[i].name);
            const test::Hearing& c = byControl[i].hearing;
            const test::Hearing& p = byPaplay[i].hearing;
            sounding += c.sounding;
            heard += c.heard;
            heardByPaplay += p.heard;
            whole += c.heard == c.sounding ? 1 : 0;
            EXPECT_TRUE(control.plays[i].ok)
                << "the control did not load it or fell back to the silent clock";
            EXPECT_TRUE(paplay[i].ok) << "paplay failed on it";
            EXPECT_GT(c.sounding, 0) << "a clip with nothing to hear proves nothing";
            EXPECT_EQ(c.heard, c.sounding) << "windows of the clip the control left unheard, the first at "
                                           << c.firstUnheard * 50 << " ms";
            EXPECT_EQ(c.loudInSilence, 0)
                << "sound where the clip is silent, the first at " << c.firstLoud * 50 << " ms";
            // Where paplay's copy is exact, the control's must be too. The monitor now and then
            // shifts the head of a joining stream, anyone's: a copy that is not exact is played
            // again, and a fault of the control shows in both plays.
            if (c.differing > 0 && p.differing == 0) again.push_back(clips[i]);
            if (control.plays[i].ended) {
                EXPECT_GE(byControl[i].lateMs, -kClockSlackMs)
                    << "PlayDone before the last sample was played";
                EXPECT_LE(byControl[i].lateMs, kLatestDoneMs) << "PlayDone late";
            } else {
                ADD_FAILURE() << "no PlayDone";
            }
            EXPECT_LT(byControl[i].firstMs, kLatestFirstSampleMs) << "slow to start";
        }
        std::printf("%s: %d of %d sounding windows heard, %d of %zu clips whole\n", group, heard, sounding,
                    whole, clips.size());
        if (!again.empty()) ExactAgain(again);
        std::fflush(stdout);
        EXPECT_EQ(control.playDones, static_cast<int>(clips.size())) << "one PlayDone per play";
        // paplay is the yardstick, not under test: it may lose a window on a busy machine, but if
        // it misses many the measurement itself is wrong.
        EXPECT_GE(heardByPaplay, sounding * 9 / 10) << "paplay is not heard either: the measurement is off";
    }

    static inline ClipSet* set_ = nullptr;
    QString sink_;
};

TEST_F(WholeClips, ShortClips) {
    PlayAndCompare("short clips", set_->shortClips, 300);
}

TEST_F(WholeClips, ClipsWithSilence) {
    PlayAndCompare("clips with silence", set_->silences, 300);
}

TEST_F(WholeClips, SpeechWithPausesAndStereo) {
    PlayAndCompare("speech with pauses, stereo", set_->speech, 300);
}

TEST_F(WholeClips, DemoStationClipsBackToBack) {
    PlayAndCompare("demo station clips, back to back", set_->demo, 0);
}

} // namespace
} // namespace zarn
