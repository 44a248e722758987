// The spectrogram: what the picture shows of real clips, how it lines up with the waveform, its
// worker, and the strip in the player window.
#include "spectrogram.h"
#include "spectrogram_strip.h"

#include "find_control.h"
#include "player_fixture.h"
#include "wait_for.h"
#include "wav_bytes.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

constexpr double kRate = 11025;              // the rate of test::WavBytes
constexpr std::uint32_t kFloor = 0xFF440154; // the map's darkest colour

// An honest 8-bit clip of `samples` frames of sample(i), a value in -1..1.
std::string Clip(std::size_t samples, const std::function<double(std::size_t)>& sample) {
    const auto n = static_cast<std::uint32_t>(samples);
    return test::WavBytes(36 + n, n, samples, [&](std::size_t i) {
        return static_cast<unsigned char>(std::lround(128 + 100 * sample(i)));
    });
}

double Tone(double hz, std::size_t i) {
    return std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kRate);
}

// The level of a colour of the map, 0 to 255.
int Level(std::uint32_t colour) {
    static const std::map<std::uint32_t, int> levels = [] {
        std::map<std::uint32_t, int> m;
        for (int i = 255; i >= 0; --i)
            m[SpectrogramColour(i / 255.0)] = i;
        return m;
    }();
    const auto it = levels.find(colour);
    return it == levels.end() ? -1 : it->second;
}

// The brightest row of a column, counted from the top.
int BrightestRow(const SpectrogramImage& s, int column) {
    int best = 0;
    for (int y = 1; y < s.height; ++y)
        if (Level(s.pixels[static_cast<std::size_t>(y * s.width + column)]) >
            Level(s.pixels[static_cast<std::size_t>(best * s.width + column)]))
            best = y;
    return best;
}

// The row from the top where a frequency lies, half the rate at row 0.
int RowOf(double hz, int rows) {
    return rows - 1 - static_cast<int>(std::lround(hz / (kRate / 2) * (rows - 1)));
}

bool AllFloor(const SpectrogramImage& s) {
    return std::all_of(s.pixels.begin(), s.pixels.end(), [](std::uint32_t c) { return c == kFloor; });
}

// The vector kernels against the plain loops, bit for bit: every length to 40 at every start
// alignment, values of every kind (zeros of both signs, tiny, huge, infinite, NaN) on both sides.
TEST(SpectrogramKernels, MatchThePlainLoops) {
    std::mt19937 rng(5);
    const float special[] = {0.0f, -0.0f, 1e-40f, -3e38f, 3e38f, INFINITY, -INFINITY, NAN, 1.0f, -1.0f};
    const auto value = [&] {
        return rng() % 4 == 0 ? special[rng() % std::size(special)]
                              : std::ldexp(static_cast<float>(rng() % 2000) - 1000.0f,
                                           static_cast<int>(rng() % 40) - 20);
    };
    const auto same = [](const std::vector<float>& a, const std::vector<float>& b) {
        return a.size() == b.size() &&
               (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
    };
    for (std::size_t at = 0; at < 4; ++at)
        for (std::size_t n = 0; n <= 40; ++n)
            for (int round = 0; round < 8; ++round) {
                std::vector<float> x(at + 2 * n), w(at + n), fast(at + n), plain(at + n);
                for (auto* v : {&x, &w, &fast})
                    for (float& f : *v)
                        f = value();
                plain = fast;
                detail::ApplyWindow(x.data() + at, w.data() + at, n, fast.data() + at);
                detail::ApplyWindowScalar(x.data() + at, w.data() + at, n, plain.data() + at);
                ASSERT_TRUE(same(fast, plain)) << "window: length " << n << " at " << at;
                detail::KeepLoudest(x.data() + at, n, fast.data() + at);
                detail::KeepLoudestScalar(x.data() + at, n, plain.data() + at);
                ASSERT_TRUE(same(fast, plain)) << "loudest: length " << n << " at " << at;
            }
}

TEST(Spectrogram, WindowLengthIsThePowerOfTwoNearestTwentyMilliseconds) {
    const std::vector<std::pair<int, int>> cases{{8000, 128},   {11025, 256},  {16000, 256},  {22050, 512},
                                                 {44100, 1024}, {48000, 1024}, {96000, 2048}, {1, 16}};
    for (const auto& [rate, size] : cases)
        EXPECT_EQ(SpectrogramFftSize(rate), size) << rate;
}

TEST(Spectrogram, TwoTonesShowTheirBrightestRowsAtTheirHeightsAndSilenceTheFloor) {
    test::TempDir dir;
    constexpr std::size_t kHalf = 11025;
    // 1 kHz, then 3 kHz, then a second of silence.
    const std::string path =
        dir.write("TONES.WAV", Clip(3 * kHalf, [](std::size_t i) {
                      return i < kHalf ? Tone(1000, i) : i < 2 * kHalf ? Tone(3000, i) : 0.0;
                  }));
    const SpectrogramGrid grid{300, 3.0 * kHalf / 300, 129};
    const SpectrogramImage s = ReadSpectrogram(path, grid);
    ASSERT_EQ(s.state, WavFileState::Playable);
    ASSERT_EQ(s.width, 300);
    ASSERT_EQ(s.height, 129);
    for (int c = 5; c < 95; ++c) {
        EXPECT_NEAR(BrightestRow(s, c), RowOf(1000, 129), 1) << "column " << c;
        EXPECT_NEAR(BrightestRow(s, c + 100), RowOf(3000, 129), 1) << "column " << c + 100;
        // A tone near full scale is near the top of the map; far from it, the floor.
        EXPECT_GT(Level(s.pixels[static_cast<std::size_t>(RowOf(1000, 129) * s.width + c)]), 230);
        EXPECT_LT(Level(s.pixels[static_cast<std::size_t>(10 * s.width + c)]), 40);
    }
    for (int c = 205; c < 300; ++c)
        for (int y = 0; y < s.height; ++y)
            ASSERT_EQ(s.pixels[static_cast<std::size_t>(y * s.width + c)], kFloor) << c << "," << y;
}

// The same frames fed in any blocks make the same picture: windows that straddle blocks are whole.
TEST(Spectrogram, BlocksOfAnySizeMakeTheSamePicture) {
    std::vector<float> frames(20000);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<float>(0.5 * Tone(500 + static_cast<double>(i) / 8, i));
    const SpectrogramGrid grid{77, 20000.0 / 77, 40};
    SpectrogramBuilder whole(11025, grid);
    whole.Feed(frames.data(), frames.size());
    const SpectrogramImage expected = whole.Finish();
    for (std::size_t block : {1u, 127u, 128u, 300u, 4099u}) {
        SpectrogramBuilder parts(11025, grid);
        for (std::size_t at = 0; at < frames.size(); at += block)
            parts.Feed(frames.data() + at, std::min(block, frames.size() - at));
        EXPECT_EQ(parts.Finish().pixels, expected.pixels) << "blocks of " << block;
    }
}

long MaxRssKb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

// A clip of 64 MB, written a megabyte at a time, is read without being held: memory follows the
// picture, not the clip.
TEST(Spectrogram, ALongClipIsNeverHeldWhole) {
    test::TempDir dir;
    constexpr std::uint32_t kBytes = 64u << 20;
    const std::string path = dir.file("LONG.WAV");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string header = test::WavBytes(36 + kBytes, kBytes, 0, [](std::size_t) { return 0; });
    std::fwrite(header.data(), 1, header.size(), f);
    std::string block(1u << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(128 + ((i / 3) % 2 ? 60 : -60));
    for (std::uint32_t written = 0; written < kBytes; written += static_cast<std::uint32_t>(block.size()))
        ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
    ASSERT_EQ(std::fclose(f), 0);

    const long before = MaxRssKb();
    const SpectrogramImage s = ReadSpectrogram(path, {1000, kBytes / 1000.0, 100});
    EXPECT_EQ(s.state, WavFileState::Playable);
    EXPECT_FALSE(AllFloor(s));
    EXPECT_LT(MaxRssKb() - before, 16 * 1024);
}

// A burst three quarters into a clip shows three quarters across the waveform's width.
TEST(Spectrogram, ColumnsFallUnderTheWaveformsPixels) {
    test::TempDir dir;
    constexpr std::size_t kFrames = 400000; // longer than the panel: the picture scrolls
    const std::string path = dir.write("BURST.WAV", Clip(kFrames, [](std::size_t i) {
                                           return i >= 300000 && i < 302000 ? Tone(2000, i) : 0.0;
                                       }));
    const Waveform w = ReadWaveform(path, 96);
    ASSERT_EQ(w.state, WavFileState::Playable);
    const std::vector<WaveColumn> pixels = MergeColumns(w.columns, w.layout.unitWidth);
    const auto width = static_cast<std::int64_t>(pixels.size());
    const SpectrogramImage s = ReadSpectrogram(path, GridUnderWaveform(w.layout, width, 20));
    ASSERT_EQ(s.width, width);
    std::vector<int> loud, wave;
    for (int c = 0; c < s.width; ++c) {
        if (Level(s.pixels[static_cast<std::size_t>(RowOf(2000, 20) * s.width + c)]) > 128) loud.push_back(c);
        if (pixels[static_cast<std::size_t>(c)].max > 140) wave.push_back(c);
    }
    ASSERT_FALSE(loud.empty());
    ASSERT_FALSE(wave.empty());
    EXPECT_NEAR(loud.front(), wave.front(), 1);
    EXPECT_NEAR(loud.back(), wave.back(), 1);
}

TEST(Spectrogram, ShortEmptyAndBrokenClipsGiveADefinedOutcome) {
    test::TempDir dir;
    // Shorter than one window: padded with silence, shown across the whole picture.
    const SpectrogramImage shortClip = ReadSpectrogram(
        dir.write("SHORT.WAV", Clip(100, [](std::size_t i) { return Tone(2500, i); })), {50, 2.0, 30});
    ASSERT_EQ(shortClip.state, WavFileState::Playable);
    ASSERT_EQ(shortClip.pixels.size(), 50u * 30u);
    EXPECT_FALSE(AllFloor(shortClip));
    EXPECT_EQ(BrightestRow(shortClip, 0), BrightestRow(shortClip, 49));

    // No frames at all: the floor wherever there are columns, none under an empty waveform.
    const std::string empty = dir.write("EMPTY.WAV", test::WavBytes(36, 0, 0, [](std::size_t) { return 0; }));
    const SpectrogramImage floor = ReadSpectrogram(empty, {40, 10.0, 20});
    EXPECT_EQ(floor.state, WavFileState::Playable);
    EXPECT_EQ(floor.pixels.size(), 40u * 20u);
    EXPECT_TRUE(AllFloor(floor));
    const SpectrogramImage none = ReadSpectrogram(empty, GridUnderWaveform(LayOutWaveform(0), 300, 20));
    EXPECT_EQ(none.width, 0);
    EXPECT_TRUE(none.pixels.empty());

    EXPECT_EQ(ReadSpectrogram(dir.file("NONE.WAV"), {40, 10.0, 20}).state, WavFileState::Missing);
    // A header that claims more than the file holds.
    const std::string cut =
        dir.write("CUT.WAV", test::WavBytes(36 + 5000, 5000, 100, [](std::size_t) { return 128; }));
    const SpectrogramImage broken = ReadSpectrogram(cut, {40, 10.0, 20});
    EXPECT_EQ(broken.state, WavFileState::NotPlayable);
    EXPECT_TRUE(broken.pixels.empty());
}

// --- The strip and its worker.

WaveLayout LayoutOf(const std::string& path) {
    return LayOutWaveform(CheckWavFile(path).dataSize, 96);
}

TEST(SpectrogramStrip, ANewerClipDropsTheComputationOfTheOlderAndClosingMidwayIsSafe) {
    test::TempDir dir;
    // A square wave near 1.5 kHz: long clips are written quickly.
    const std::string tone =
        dir.write("LONG.WAV", Clip(20'000'000, [](std::size_t i) { return (i / 4) % 2 ? 0.5 : -0.5; }));
    const std::string silence = dir.write("QUIET.WAV", Clip(30000, [](std::size_t) { return 0.0; }));
    QWidget window;
    auto* wave = new WavePicture(&window);
    wave->setGeometry(0, 0, 300, 80);
    auto* strip = new SpectrogramStrip(wave, &window);
    strip->setGeometry(0, 100, 300, 60);
    QSignalSpy ready(strip, &SpectrogramStrip::ready);
    strip->SetOn(true);
    strip->SetClip(tone, LayoutOf(tone));
    EXPECT_TRUE(strip->Busy());
    strip->SetClip(silence, LayoutOf(silence));
    ASSERT_TRUE(test::WaitFor([&] { return !ready.isEmpty(); }, 20000));
    QTest::qWait(50);
    EXPECT_EQ(ready.size(), 1);
    const QImage image = strip->Image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(10, 10), kFloor); // the quiet clip's, not the tone's
    EXPECT_EQ(image.size(), QSize(300, 60) * image.devicePixelRatio());

    // The worker's reading stops at the flag.
    const std::atomic<bool> stop{true};
    const SpectrogramImage dropped = ReadSpectrogram(tone, {300, 20'000'000 / 300.0, 60}, &stop);
    EXPECT_TRUE(dropped.cancelled);
    EXPECT_TRUE(dropped.pixels.empty());

    // Gone in the middle of a computation: the worker stops and nothing arrives afterwards.
    strip->SetClip(tone, LayoutOf(tone));
    EXPECT_TRUE(strip->Busy());
    delete strip;
    QTest::qWait(50);
}

// --- In the player window.

class SpectrogramWindowTest : public test::PlayerAppTest {
protected:
    void SetUp() override { OpenEventFile(test::kTwoClips); }
    SpectrogramStrip* Strip() const { return test::Control<SpectrogramStrip>(&Player(), "P_Spectro"); }
    QAction* Item() const { return test::Control<QAction>(&Player(), "WAV_Display_Spectrogram"); }
    QRect Place(const char* name) const { return test::Control<QWidget>(&Player(), name)->geometry(); }
};

TEST_F(SpectrogramWindowTest, TheItemShowsTheStripBelowEveryControlAndIsRemembered) {
    ShowPlayer({1, 2});
    QAction* on = test::Control<QAction>(&Player(), "WAV_Display_On");
    EXPECT_EQ(Item()->text(), QStringLiteral("&Spectrogram"));
    EXPECT_TRUE(Item()->isCheckable());
    EXPECT_FALSE(Item()->isChecked());
    EXPECT_TRUE(Strip()->isHidden());
    const QSize before = Player().size();
    const QRect wavePlace = Place("O_WAV"), helpPlace = Place("P_Help");
    const std::string ini = tmp.read(tmp.file("Zarn_Aud.Ini"));

    Item()->trigger();
    EXPECT_TRUE(on->isChecked());
    EXPECT_FALSE(Strip()->isHidden());
    EXPECT_EQ(std::pair(Place("O_WAV"), Place("P_Help")), std::pair(wavePlace, helpPlace)); // nothing moved
    EXPECT_EQ(Player().width(), before.width());
    EXPECT_GT(Player().height(), before.height());
    EXPECT_GE(Strip()->geometry().top(), helpPlace.bottom());
    ASSERT_TRUE(test::WaitFor([&] { return !Strip()->Image().isNull(); }, 10000));
    // The first clip's picture, under the waveform's width.
    const QImage image = Strip()->Image();
    EXPECT_EQ(image.width(), std::lround(wavePlace.width() * image.devicePixelRatio()));

    // The cursor moving repaints the cached picture, never recomputes it.
    wave->Advance(500);
    Player().Timer1_Timer();
    QTest::qWait(30);
    EXPECT_EQ(Strip()->Image().cacheKey(), image.cacheKey());
    EXPECT_FALSE(Strip()->Busy());

    // The next clip gets its own picture.
    Button("Cmd_Stop")->click();
    Button("Cmd_Next")->click();
    ASSERT_TRUE(test::WaitFor(
        [&] { return !Strip()->Image().isNull() && Strip()->Image().cacheKey() != image.cacheKey(); },
        10000));

    Item()->trigger();
    EXPECT_TRUE(Strip()->isHidden());
    EXPECT_EQ(Player().size(), before);
    Item()->trigger();
    Player().close();
    Flush();
    // The next player opens with the strip as it was left; the station's configuration is untouched.
    ShowPlayer({1, 2});
    EXPECT_TRUE(Item()->isChecked());
    EXPECT_FALSE(Strip()->isHidden());
    EXPECT_EQ(tmp.read(tmp.file("Zarn_Aud.Ini")), ini);
}

} // namespace
} // namespace zarn
