// Zarn_zed32 as the operator uses it: open a recording, OK, Play, and the player goes through the
// list on the real WAV control with its real waits, into a PulseAudio null sink. Every clip must
// come out whole and in order: short ones, ones with pauses of digital silence, ones that end
// in silence. The clips are 48 kHz 16-bit mono, which the sink plays untouched, so each is
// looked for sample for sample in the recording.
#include "playing.h"

#include "app_fixture.h"
#include "overall.h"
#include "segment_answer.h"
#include "sink_recording.h"
#include "transport.h"
#include "wait_for.h"
#include "zarn_app.h"
#include "zarn_aud.h"

#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::kRecordRate;
using Samples = std::vector<std::int16_t>;

Samples Tone(double seconds, double hz, double amplitude) {
    Samples s(static_cast<size_t>(seconds * kRecordRate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(
            std::lround(32767 * amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / kRecordRate)));
    return s;
}

Samples Silence(double seconds) {
    return Samples(static_cast<size_t>(seconds * kRecordRate), 0);
}

Samples Join(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

void WriteClip(const std::string& path, const Samples& samples) {
    SF_INFO info{};
    info.samplerate = kRecordRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(snd, nullptr);
    sf_writef_short(snd, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(snd);
}

// The null sink's monitor misses the first few ms of every stream that joins it (paplay's too).
constexpr long kJoinSlack = kRecordRate * 25 / 1000;

// Where, at or after `from`, the recording holds the whole clip, its first kJoinSlack frames
// allowed to have come out as silence.
std::optional<long> FindClip(const Samples& recording, long from, const Samples& clip) {
    long anchor = kJoinSlack;
    while (anchor < static_cast<long>(clip.size()) && std::abs(clip[static_cast<size_t>(anchor)]) < 500)
        ++anchor;
    if (anchor >= static_cast<long>(clip.size())) return std::nullopt;
    const long size = static_cast<long>(clip.size());
    for (long r = from + anchor; r + size - anchor <= static_cast<long>(recording.size()); ++r) {
        const long at = r - anchor;
        if (recording[static_cast<size_t>(r)] != clip[static_cast<size_t>(anchor)]) continue;
        long n = 0;
        while (n < kJoinSlack && recording[static_cast<size_t>(at + n)] == 0)
            ++n;
        if (std::equal(clip.begin() + n, clip.end(), recording.begin() + at + n)) return at;
    }
    return std::nullopt;
}

class PlayerAudio : public test::AppTest {
protected:
    void SetUp() override {
        std::string why;
        sink_ = test::FindNullSink(why);
        if (sink_.isEmpty()) {
            if (test::AudioRequired()) FAIL() << why;
            GTEST_SKIP() << why;
        }
        Start(); // the real WAV control and the real waits: nothing scripted
    }

    QString sink_;
    test::Recorder recorder_;
};

TEST_F(PlayerAudio, OpenOkPlayPlaysEveryClipWholeInOrder) {
    const std::vector<Samples> clips{
        // two tones with a pause of digital silence between them
        Join({Tone(0.5, 1000, 0.5), Silence(0.3), Tone(0.6, 700, 0.5)}),
        Tone(0.25, 800, 0.5), // a blip
        // words with pauses, trailing off into silence
        Join({Tone(0.2, 500, 0.3), Silence(0.15), Tone(0.3, 650, 0.4), Silence(0.4), Tone(0.1, 900, 0.3),
              Silence(0.3)}),
        Tone(0.1, 1200, 0.4),
    };
    std::string eva = "Ver, Created by the recorder\r\nSTARTBYTRIGGER,01/02/05 10:00:00,CL0001.WAV\r\n";
    for (size_t i = 0; i < clips.size(); ++i) {
        const std::string name = "CL000" + std::to_string(i + 1) + ".WAV";
        WriteClip(tmp.file(name), clips[i]);
        eva += "WAV," + name + "," + std::to_string(i + 1) + ",145.0" + std::to_string(i) +
               "00,01/02/05 10:0" + std::to_string(i) + ":10,01/02/05 10:0" + std::to_string(i) +
               ":20,-80,0\r\n";
    }
    eva += "STOPBYTRIGGER,01/02/05 10:30:00,CL0004.WAV\r\n";
    prompter.ExpectOpenFile("Open... Audio File", tmp.write("CLIP0102.EVA", eva));
    test::SegmentAnswer answer = test::SegmentAnswer::Ok();
    app->MainWindow()->F_Open_Click();
    ASSERT_TRUE(answer.Seen());
    ASSERT_NE(app->Summary(), nullptr);

    ASSERT_TRUE(recorder_.Start(sink_));
    app->Summary()->Play_Opt_Click(1); // the whole segment, in time order
    app->Summary()->Play_Click();
    ASSERT_NE(app->Player(), nullptr);
    ASSERT_EQ(State().PlayListCount, static_cast<int>(clips.size()));
    // The list is through when the last clip is shown and Play is black again.
    ASSERT_TRUE(test::WaitFor(
        [&] {
            const Transport& t = app->Player()->Transport_();
            return t.CurrentClip == State().PlayListCount && t.Looks.Cmd_Play == ButtonColour::Black;
        },
        15000));
    QTest::qWait(300);
    recorder_.Stop();

    long from = 0;
    for (size_t i = 0; i < clips.size(); ++i) {
        SCOPED_TRACE("clip " + std::to_string(i + 1));
        const std::optional<long> at = FindClip(recorder_.Samples(), from, clips[i]);
        ASSERT_TRUE(at) << "the clip did not come out whole after the one before it";
        from = *at + static_cast<long>(clips[i].size());
    }
}

} // namespace
} // namespace zarn
