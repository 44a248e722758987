// The waveform reader, its layout and marks, and the real WAV control that plays the same files on
// the silent clock.
#include "sound_wave_control.h"
#include "waveform.h"

#include "temp_dir.h"
#include "wait_for.h"
#include "wav_bytes.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace zarn {
namespace {

// The canonical 44-byte header of an 8-bit mono 11025 Hz clip, optionally with a chunk before the data.
std::string Header(std::uint32_t dataSize, const std::string& extra = "") {
    return test::WavBytes(
        36 + static_cast<std::uint32_t>(extra.size()) + dataSize, dataSize, 0, [](std::size_t) { return 0; },
        extra);
}

// Interleaved 16-bit frames written by libsndfile in the given format.
std::string WriteSnd(const test::TempDir& dir, const char* name, int format, int channels,
                     const std::vector<short>& interleaved, int rate = 11025) {
    const std::string path = dir.file(name);
    SF_INFO info{.frames = 0,
                 .samplerate = rate,
                 .channels = channels,
                 .format = format,
                 .sections = 0,
                 .seekable = 0};
    SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(snd, nullptr) << sf_strerror(nullptr);
    if (!snd) return path;
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    EXPECT_EQ(sf_writef_short(snd, interleaved.data(), frames), frames);
    sf_close(snd);
    return path;
}

// The 8-bit sample of a frame: the mean of its channels on the 8-bit scale, rounded down.
std::string EightBit(const std::vector<short>& interleaved, int channels) {
    std::string out;
    for (std::size_t i = 0; i + static_cast<std::size_t>(channels) <= interleaved.size(); i += channels) {
        double sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[i + static_cast<std::size_t>(c)];
        out += static_cast<char>(static_cast<int>(std::floor(sum / channels / 256)) + 128);
    }
    return out;
}

// Noise with quiet stretches and runs of one value, so that columns with max == min occur.
std::string Samples(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = std::min<std::size_t>(n - i, 1 + rng() % 3000);
        const int kind = static_cast<int>(rng() % 3);
        const int centre = static_cast<int>(rng() % 256), spread = 1 + static_cast<int>(rng() % 128);
        for (std::size_t k = 0; k < run; ++k, ++i) {
            int v = kind == 0   ? centre
                    : kind == 1 ? static_cast<int>(rng() % 256)
                                : centre + static_cast<int>(rng() % spread) - spread / 2;
            s[i] = static_cast<char>(std::clamp(v, 0, 255));
        }
    }
    return s;
}

// 16-bit frames with the same stretches, the low byte as noise; every 997th at full scale.
std::vector<short> Frames16(std::size_t samples, std::uint32_t seed) {
    const std::string top = Samples(samples, seed);
    std::mt19937 rng(seed + 1);
    std::vector<short> out(samples);
    for (std::size_t i = 0; i < samples; ++i)
        out[i] = static_cast<short>((static_cast<unsigned char>(top[i]) - 128) * 256 +
                                    static_cast<int>(rng() % 256));
    for (std::size_t i = 0; i < samples; i += 997)
        out[i] = i % 2 ? -32768 : 32767;
    return out;
}

// The plain reduction: the least and greatest sample of each whole column, up to the cap.
std::vector<WaveColumn> Reference(std::string_view samples, std::uint32_t perColumn,
                                  std::int64_t maxColumns) {
    std::vector<WaveColumn> out;
    for (std::size_t at = 0; at + perColumn <= samples.size() && std::ssize(out) < maxColumns;
         at += perColumn) {
        const std::span column(reinterpret_cast<const std::uint8_t*>(samples.data()) + at, perColumn);
        out.push_back({*std::ranges::min_element(column), *std::ranges::max_element(column)});
    }
    return out;
}

std::vector<WaveColumn> Reference(std::string_view samples, const WaveLayout& l) {
    return Reference(samples, l.bytesPerColumn, l.drawnColumns);
}

TEST(WaveLayout, WidthScrollBarAndUnitWidth) {
    struct Case {
        std::uint32_t dataSize;
        bool scrollBar;
        int height;
        std::int64_t columns;
        int unitWidth;
        double pictureWidth;
        std::uint32_t bytesPerColumn;
    };
    const Case cases[] = {
        // Thirty seconds exactly fill the panel; one byte more makes the picture wider and scrolled.
        {330750, false, 1455, 308, 1, 4620, 1074},
        {330751, true, 1200, 308, 1, 4620.0 * 330751 / 330750, 1074},
        // Up to 3.5 panel widths the picture keeps its width; beyond, it is halved.
        {1157625, true, 1200, 1078, 1, 16170, 1074},
        {1157626, true, 1200, 1078, 2, 8085.0 * 1157626 / 1157625, 1074},
        // The hour-long clip: 36960 columns on a picture of 577.5 pixels, 64 columns each.
        {39690000, true, 1200, 36960, 64, 8662.5, 1074},
        // Short clips: one sample per column rather than nothing drawn.
        {100, false, 1455, 308, 1, 4620, 1},
        {0, false, 1455, 308, 1, 4620, 1},
        {4294967295u, true, 1200, 3999546, 4096, 4620.0 * 4294967295.0 / 330750 / 4096, 1074},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataSize);
        const WaveLayout l = LayOutWaveform(c.dataSize);
        EXPECT_EQ(std::tuple(l.scrollBar, l.pictureHeight, l.columns, l.unitWidth, l.bytesPerColumn,
                             l.largeChange > 0),
                  std::tuple(c.scrollBar, c.height, c.columns, c.unitWidth, c.bytesPerColumn, true));
        EXPECT_DOUBLE_EQ(l.pictureWidth, c.pictureWidth);
        EXPECT_EQ(l.drawnColumns, std::min<std::int64_t>(l.columns, c.dataSize / l.bytesPerColumn));
    }
    EXPECT_EQ(LayOutWaveform(330750).largeChange, 32767);
    const WaveLayout hour = LayOutWaveform(39690000);
    EXPECT_EQ(hour.largeChange, 17476); // 4620 * 32767 / 8662.5
    EXPECT_EQ(hour.smallChange, 1165);
    // At the right end of the bar the picture's last 30 twips stay beyond the panel.
    EXPECT_DOUBLE_EQ(PictureLeft(32767, hour), -(8662.5 - 4620 - 30));
    EXPECT_EQ(PictureLeft(0, hour), 0);
    // 120 dpi: 12 twips per pixel, 385 columns across the panel.
    const WaveLayout dpi120 = LayOutWaveform(330750, 120);
    EXPECT_EQ(std::pair(dpi120.columns, dpi120.bytesPerColumn), std::pair(std::int64_t{385}, 859u)); // 859.09
}

// The fast reducer against the plain loop: any column width and cap, fed whole, byte by byte or
// in random blocks, with an extreme value alone somewhere in its lanes.
TEST(ColumnReducer, MatchesTheReference) {
    std::mt19937 rng(42);
    const std::uint32_t sizes[] = {0, 1, 63, 64, 65, 127, 5000, 330751, 1157626};
    for (int round = 0; round < 300; ++round) {
        const bool edge = round < static_cast<int>(std::size(sizes));
        const std::uint32_t size = edge ? sizes[round] : rng() % 40000;
        std::string samples = Samples(size, rng());
        if (!samples.empty()) samples[rng() % samples.size()] = static_cast<char>(rng() % 2 ? 0 : 255);
        const WaveLayout l = LayOutWaveform(size);
        const std::uint32_t perColumn = edge ? l.bytesPerColumn : 1 + rng() % 700;
        const std::int64_t cap = edge ? l.drawnColumns : rng() % 4 ? 1 << 30 : rng() % 50;
        const int split = round % 3; // whole, bytes, random blocks
        SCOPED_TRACE(testing::Message() << "round " << round << " size " << size << " split " << split);
        ColumnReducer reducer(perColumn, cap);
        std::size_t at = 0;
        while (at < samples.size() && (split != 1 || at < 20000)) { // byte by byte: a prefix is enough
            const std::size_t n = split == 0 ? samples.size() : split == 1 ? 1 : 1 + rng() % 70000;
            const std::size_t take = std::min(n, samples.size() - at);
            reducer.Feed(std::string_view(samples).substr(at, take));
            at += take;
        }
        EXPECT_EQ(reducer.columns(), Reference(samples.substr(0, at), perColumn, cap));
    }
}

// Bytes whose first one starts a cache line, so that an offset into them sets a pointer's alignment
// for the kernels; the allocation ends with the last byte, so a read past it shows under the
// sanitizers.
class LineAlignedBytes {
public:
    explicit LineAlignedBytes(std::size_t n)
        : size_(n), data_(static_cast<unsigned char*>(::operator new (n, std::align_val_t{64}))) {}
    ~LineAlignedBytes() { ::operator delete (data_, std::align_val_t{64}); }
    LineAlignedBytes(const LineAlignedBytes&) = delete;
    LineAlignedBytes& operator=(const LineAlignedBytes&) = delete;
    unsigned char* begin() { return data_; }
    unsigned char* end() { return data_ + size_; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    unsigned char* data_;
};

// The vector kernels against the plain loops they replace, byte for byte. Every length to 160 at
// every offset from a cache line, and lengths about the widest kernel's steps, with a lone 0 and a
// lone 255 at every position over a narrow band (a lane left out of the fold shows), runs of all 0
// and all 255, and long random buffers, each input ending where its allocation ends.
TEST(Kernels, FoldMinMaxMatchesThePlainLoop) {
    std::mt19937 rng(3);
    const auto check = [](LineAlignedBytes& v, std::size_t at) {
        const std::size_t n = v.size() - at;
        const unsigned char* p = v.begin() + at;
        for (const WaveColumn start : {WaveColumn{}, WaveColumn{128, 128}, WaveColumn{0, 255}}) {
            const WaveColumn expected = detail::FoldMinMaxScalar(p, n, start);
            ASSERT_EQ(detail::FoldMinMax(p, n, start), expected) << "length " << n << " at " << at;
#if defined(__SSE2__)
            // Every x86-64 kernel this processor has, whichever of them its FoldMinMax takes.
            ASSERT_EQ(detail::FoldMinMaxSse2(p, n, start), expected)
                << "16 bytes: length " << n << " at " << at;
            if (n >= 32 && detail::HasAvx2()) {
                ASSERT_EQ(detail::FoldMinMaxAvx2(p, n, start), expected)
                    << "32 bytes: length " << n << " at " << at;
            }
            if (n >= 64 && detail::HasAvx512()) {
                ASSERT_EQ(detail::FoldMinMaxAvx512(p, n, start), expected)
                    << "64 bytes: length " << n << " at " << at;
            }
#endif
        }
    };
    const auto extremes = [&](std::size_t n, std::size_t at) {
        LineAlignedBytes v(at + n);
        for (const unsigned char same : {0, 255}) {
            std::fill(v.begin(), v.end(), same);
            check(v, at);
        }
        for (std::size_t j = 0; j < n; ++j) {
            for (auto& b : v)
                b = static_cast<unsigned char>(100 + rng() % 50);
            v.begin()[at + j] = 0;
            v.begin()[at + n - 1 - j] = 255;
            check(v, at);
        }
    };
    for (std::size_t at = 0; at < 64; ++at)
        for (std::size_t n = 0; n <= 160; ++n)
            extremes(n, at);
    // Past one and two rounds of the widest kernel's four-vector step, and its one-vector steps.
    for (const std::size_t at : {0u, 1u, 31u, 32u, 63u})
        for (const std::size_t n : {319u, 320u, 383u, 384u, 447u, 577u})
            extremes(n, at);
    for (const std::size_t n : {4096u, 65537u, 262144u + 77u}) {
        LineAlignedBytes v(n);
        for (int round = 0; round < 20; ++round) {
            for (auto& b : v)
                b = static_cast<unsigned char>(round < 2 ? 255 * round : 60 + rng() % (round * 6));
            if (round >= 2) v.begin()[rng() % n] = static_cast<unsigned char>(rng() % 60);
            check(v, rng() % 64);
        }
    }
}

// The 8-bit samples to floats likewise: every byte value, every length to 40 at every alignment.
TEST(Kernels, BytesToFloatsMatchesThePlainLoop) {
    std::vector<unsigned char> bytes(256 + 16);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    const auto check = [&](std::size_t at, std::size_t n) {
        std::vector<float> fast(at + n, 9.0f), plain(at + n, 9.0f);
        detail::BytesToFloats(bytes.data() + at, n, fast.data() + at);
        detail::BytesToFloatsScalar(bytes.data() + at, n, plain.data() + at);
        ASSERT_EQ(fast, plain) << "length " << n << " at " << at;
    };
    for (std::size_t at = 0; at < 16; ++at) {
        for (std::size_t n = 0; n <= 40; ++n)
            check(at, n);
        check(at, 256);
    }
    const unsigned char edge[16] = {0, 128, 255};
    float out[16];
    detail::BytesToFloats(edge, 16, out);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 127.0f / 128);
}

// The 16-bit conversion likewise, one to three channels (the vector paths take one and two, the
// plain loop the rest and the tails), at every alignment of input and output, with full-scale
// runs of both signs.
TEST(Kernels, ToBytesMatchesThePlainLoop) {
    std::mt19937 rng(4);
    for (int channels = 1; channels <= 3; ++channels) {
        const auto ch = static_cast<std::size_t>(channels);
        const auto check = [&](std::size_t frames, std::size_t at, int kind) {
            std::vector<short> in(at + frames * ch);
            for (auto& s : in)
                s = static_cast<short>(kind == 0   ? -32768
                                       : kind == 1 ? 32767
                                                   : static_cast<int>(rng() % 65536) - 32768);
            if (kind == 2 && frames > 0) in[at + rng() % (frames * ch)] = rng() % 2 ? -32768 : 32767;
            std::vector<unsigned char> fast(at + frames, 0xAA), plain(at + frames, 0x55);
            detail::ToBytes(in.data() + at, frames, channels, fast.data() + at);
            detail::ToBytesScalar(in.data() + at, frames, channels, plain.data() + at);
            ASSERT_TRUE(std::equal(fast.begin() + at, fast.end(), plain.begin() + at))
                << channels << " channels, " << frames << " frames at " << at << ", kind " << kind;
        };
        for (std::size_t at = 0; at < 16; ++at)
            for (std::size_t frames = 0; frames <= 100; ++frames)
                for (int kind = 0; kind < 3; ++kind)
                    check(frames, at, kind);
        for (int round = 0; round < 10; ++round)
            check(65536 + rng() % 100, rng() % 16, 2);
    }
}

TEST(MergeColumns, OnePairPerScreenPixel) {
    const std::vector<WaveColumn> columns = {{10, 20}, {5, 15}, {30, 40}, {0, 1}, {100, 100}};
    EXPECT_EQ(MergeColumns(columns, 1), columns);
    EXPECT_EQ(MergeColumns(columns, 2), (std::vector<WaveColumn>{{5, 20}, {0, 40}, {100, 100}}));
    EXPECT_EQ(MergeColumns(columns, 8), (std::vector<WaveColumn>{{0, 100}}));
}

// Every layout a file may come in, reduced as the reference reduces the mean of its channels on
// the 8-bit scale: empty, one frame, odd lengths, the scroll boundary, mono to three channels.
TEST(ReadWaveform, EveryLayoutReducesAsTheReference) {
    test::TempDir dir;
    constexpr int kWav = SF_FORMAT_WAV, kU8 = SF_FORMAT_WAV | SF_FORMAT_PCM_U8;
    const struct {
        const char* what;
        int format, channels;
        std::size_t frames;
    } cases[] = {
        {"8-bit, empty", kU8, 1, 0},
        {"8-bit, one frame", kU8, 1, 1},
        {"8-bit, thirty seconds", kU8, 1, 330750},
        {"8-bit, one frame more: scrolled", kU8, 1, 330751},
        {"8-bit stereo, odd", kU8, 2, 400001},
        {"16-bit, odd", kWav | SF_FORMAT_PCM_16, 1, 400001},
        {"32-bit, three channels", kWav | SF_FORMAT_PCM_32, 3, 400000},
        {"16-bit extensible header", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, 400000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<short> frames = Frames16(c.frames * static_cast<std::size_t>(c.channels), 5);
        const Waveform w = ReadWaveform(WriteSnd(dir, "L.WAV", c.format, c.channels, frames));
        ASSERT_EQ(w.state, WavFileState::Playable);
        EXPECT_EQ(w.layout.columns, LayOutWaveform(static_cast<std::uint32_t>(c.frames)).columns);
        EXPECT_EQ(w.layout.scrollBar, c.frames > kSamplesPerWidth);
        // 8-bit data keeps only the top byte of what was written.
        if (c.format == kU8)
            for (short& f : frames)
                f = static_cast<short>(f & ~0xFF);
        EXPECT_EQ(w.columns, Reference(EightBit(frames, c.channels), w.layout));
    }
    // IMA ADPCM pads its last block: the frame count is the decoder's, and every column is drawn.
    const Waveform adpcm =
        ReadWaveform(WriteSnd(dir, "A.WAV", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, Frames16(400000, 6)));
    ASSERT_EQ(adpcm.state, WavFileState::Playable);
    EXPECT_EQ(static_cast<std::int64_t>(adpcm.columns.size()), adpcm.layout.drawnColumns);
    EXPECT_GE(CheckWavFile(dir.file("A.WAV")).dataSize, 400000u);
}

// A LIST chunk of odd length (and its pad byte) between fmt and data; bytes after the data are no
// samples.
TEST(ReadWaveform, ChunksAroundTheData) {
    test::TempDir dir;
    const std::string samples = Samples(700001, 11);
    const std::string list("LIST\x0f\0\0\0INFOICMT\x03\0\0\0ab\0\0", 24);
    const std::string path =
        dir.write("U8.WAV", Header(700001, list) + samples + "LIST" + std::string(5000, '\xFF'));
    const Waveform w = ReadWaveform(path);
    ASSERT_EQ(w.state, WavFileState::Playable);
    EXPECT_EQ(w.columns, Reference(samples, w.layout));
    EXPECT_EQ(CheckWavFile(path).dataSize, 700001u);
}

long MaxRssKb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

// Whether the data chunk lies within the file decides before libsndfile sees it: a size that claims
// more than the file holds reserves nothing (the hostile inputs' test claims gigabytes).
TEST(ReadWaveform, BrokenAndMissingFiles) {
    test::TempDir dir;
    const std::string aiff =
        test::TempDir::read(WriteSnd(dir, "A.AIF", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, Frames16(2000, 3)));
    const std::string ten(10, '\x80');
    const struct {
        const char* what;
        std::string bytes;
        WavFileState state;
    } cases[] = {
        {"empty", "", WavFileState::NotPlayable},
        {"header cut short", Header(10).substr(0, 43), WavFileState::NotPlayable},
        {"not RIFF", Header(10).replace(0, 4, "RIFX") + ten, WavFileState::NotPlayable},
        {"not WAVE", Header(10).replace(8, 4, "AVI ") + ten, WavFileState::NotPlayable},
        {"claims one byte more than it holds", Header(11) + ten, WavFileState::NotPlayable},
        {"data to the last byte", Header(10) + ten, WavFileState::Playable},
        {"no samples", Header(0), WavFileState::Playable},
        {"a sound file but no WAV", aiff, WavFileState::NotPlayable},
    };
    const long rssBefore = MaxRssKb();
    const auto start = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.write("B.WAV", c.bytes);
        EXPECT_EQ(CheckWavFile(path).state, c.state);
        const Waveform w = ReadWaveform(path);
        EXPECT_EQ(w.state, c.state);
        EXPECT_EQ(w.columns.size(), c.state == WavFileState::Playable ? c.bytes.size() - 44 : 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LT(MaxRssKb() - rssBefore, 64 * 1024);
    EXPECT_EQ(CheckWavFile(dir.write("TEN.WAV", Header(10) + ten)).dataSize, 10u);
    // A folder exists but is no clip: not "File Not Found".
    EXPECT_EQ(ReadWaveform(dir.file("NONE.WAV")).state, WavFileState::Missing);
    EXPECT_EQ(CheckWavFile(dir.file("NONE/X.WAV")).state, WavFileState::Missing);
    EXPECT_EQ(ReadWaveform(dir.path()).state, WavFileState::NotPlayable);
}

// --- Marks

TEST(Marks, PressRules) {
    // A picture of 1000 units over a clip of 50000 positions: one unit is 50 positions.
    constexpr double kUnits = 1000;
    constexpr std::int64_t kLength = 50000;
    struct Press {
        MouseButton button;
        double x;
        bool playing = false;
    };
    const auto L = MouseButton::Left, R = MouseButton::Right;
    const auto Yes = RangeButtons::Available, No = RangeButtons::Unavailable, Keep = RangeButtons::Keep;
    const struct {
        const char* what;
        std::vector<Press> presses;
        int unitWidth;
        RangeButtons buttons; // after the last press
        double start, stop;
        MarkBox box;
        double playStart, playEnd;
    } cases[] = {
        // clang-format off
        {"right click first marks from the left edge", {{R, 300}}, 1, Yes, 0, 300, {true, 0, 300}, 0, 15000},
        {"left then right", {{L, 100}, {R, 300}}, 1, Yes, 100, 300, {true, 100, 200}, 5000, 15000},
        {"left past the stop mark: thin", {{R, 300}, {L, 400}}, 2, No, 400, 300, {true, 400, 6}, 0, 15000},
        {"widened to 4 units", {{L, 100}, {R, 105}}, 4, Yes, 100, 116, {true, 100, 16}, 5000, 5800},
        {"exactly 4 units is kept", {{L, 100}, {R, 104}}, 1, Yes, 100, 104, {true, 100, 4}, 5000, 5200},
        {"widened at the end", {{L, 998}, {R, 999}}, 4, Yes, 998, 1014, {true, 998, 16}, 49900, kLength},
        {"start mark alone: thin marker", {{L, 50}}, 1, No, 50, 0, {true, 50, 3}, 0, 0},
        {"start mark at the left edge alone: nothing", {{L, 0}}, 1, Keep, 0, 0, {false, 0, 0}, 0, 0},
        {"other buttons mark nothing", {{MouseButton::Other, 500}}, 1, Keep, 0, 0, {false, 0, 0}, 0, 0},
        {"during play", {{L, 100}, {R, 300, true}}, 1, Keep, 100, 300, {true, 100, 200}, 5000, 15000},
        {"second range", {{L, 100}, {R, 300}, {L, 200}}, 1, Yes, 200, 300, {true, 200, 100}, 10000, 15000},
        {"broken range", {{L, 100}, {R, 300}, {R, 50}}, 1, No, 100, 50, {true, 100, 3}, 5000, 15000},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Marks marks;
        RangeButtons buttons = RangeButtons::Keep;
        for (const Press& p : c.presses)
            buttons = PressMark(marks, p.button, p.x, {kUnits, c.unitWidth, kLength}, p.playing);
        EXPECT_EQ(std::tie(buttons, marks.start, marks.stop, marks.playStart, marks.playEnd),
                  std::tie(c.buttons, c.start, c.stop, c.playStart, c.playEnd));
        EXPECT_EQ(std::tie(marks.box.visible, marks.box.left, marks.box.width),
                  std::tie(c.box.visible, c.box.left, c.box.width));
    }
}

TEST(Marks, ClearingKeepsTheRangeAndWithoutAFileThereAreNoPositions) {
    Marks marks;
    PressMark(marks, MouseButton::Left, 100, {1000, 1, 50000}, false);
    PressMark(marks, MouseButton::Right, 300, {1000, 1, 50000}, false);
    ClearMarks(marks);
    EXPECT_EQ(std::tuple(marks.start, marks.stop, marks.box.visible), std::tuple(0.0, 0.0, false));
    EXPECT_EQ(std::pair(marks.playStart, marks.playEnd), std::pair(5000.0, 15000.0));
    PlayWholeClip(marks, 50000);
    EXPECT_EQ(std::tuple(marks.playStart, marks.playEnd, marks.box.left), std::tuple(0.0, 50000.0, 0.0));

    EXPECT_FALSE(CursorX(100, 0, 1000).has_value());
    EXPECT_EQ(CursorX(12500, 50000, 1000), 250);
    EXPECT_EQ(UnitsToPosition(250, 50000, 0), 0);
    Marks none;
    EXPECT_EQ(PressMark(none, MouseButton::Right, 300, {1000, 1, 0}, false), RangeButtons::Available);
    EXPECT_EQ(none.playEnd, 0);
}

// --- The WAV control on the silent clock: a 1 s mono clip, counting PlayDone.

constexpr int kRate = 8000;

class SilentPlay : public ::testing::Test {
protected:
    void SetUp() override {
        wave.SetPlayDone([this] { ++done; });
        wave.SetWavFileName(Clip(wave, kRate));
        ASSERT_EQ(wave.WavLength(), kRate);
    }
    // Loads `frames` frames of silence into `control`, written in the given layout.
    std::string Clip(SoundWaveControl& control, long frames, const char* name = "clip.wav",
                     int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16, int channels = 1) {
        const std::vector<short> silence(static_cast<std::size_t>(frames * channels));
        const std::string path = WriteSnd(dir, name, format, channels, silence, kRate);
        control.SetWavFileName(path);
        return path;
    }
    void Play(long from, long to, bool repeat = false) {
        wave.SetPlayFrom(from);
        wave.SetPlayTo(to);
        wave.SetRepeatPlay(repeat);
        wave.SetPlayCommand(kWavPlay);
    }

    test::TempDir dir;
    SoundWaveControl wave{SoundWaveControl::Output::Silent};
    int done = 0;
};

// Which files are playable is the waveform reader's rule; the control reads one it refuses back
// as no file, and does not play it.
TEST_F(SilentPlay, LengthChannelsAndRateOfAWavAndNoneForABadFile) {
    const struct {
        const char* name;
        int format, channels;
        long frames; // 0: refused
    } cases[] = {
        {"s16_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 1000},
        {"wavex.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1, 500},
        {"clip.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        wave.SetWavFileName(dir.file("clip.wav"));
        ASSERT_EQ(wave.WavLength(), kRate);
        const std::string path = Clip(wave, c.frames ? c.frames : 1000, c.name, c.format, c.channels);
        EXPECT_EQ(wave.WavFileName(), c.frames ? path : "");
        EXPECT_EQ(wave.WavLength(), c.frames);
        if (c.frames) {
            EXPECT_EQ(std::pair(wave.Channels(), wave.SampleRate()), std::pair(c.channels, kRate));
        }
        EXPECT_EQ(wave.WavPosition(), 0);
        wave.SetPlayCommand(kWavPlay); // with nothing to play, ignored
        EXPECT_EQ(wave.PlayState(), c.frames ? kWavPlay : kWavStop);
    }
}

// The range is clamped at both ends: a start below 0 is 0, beyond the clip the end; an end below
// 0 is the clip's end, and never before the start nor past the clip.
TEST_F(SilentPlay, TheRangeIsClampedToTheClip) {
    const struct {
        long from, to, end;
    } cases[] = {
        {-1, 400, 400},       {0, 0, 0},          {7600, -1, kRate},
        {7600, 99999, kRate}, {3000, 2000, 3000}, {99999, -1, kRate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << ".." << c.to);
        const int before = done;
        Play(c.from, c.to);
        ASSERT_TRUE(test::WaitFor([&] { return done > before; }, 500));
        EXPECT_EQ(wave.PlayState(), kWavStop);
        EXPECT_EQ(wave.WavPosition(), c.end);
    }
}

// A range plays in real time and ends once; a stop keeps the position and raises PlayDone once,
// later, never from inside the call. A play command during a play moves it without an end;
// loading a file ends it like a stop.
TEST_F(SilentPlay, RangePlaysInRealTimeAndEndsOnceAsAStopDoes) {
    EXPECT_FALSE(wave.Audible());
    QElapsedTimer timer;
    timer.start();
    Play(800, 800 + 3 * kRate / 10); // 0.3 s
    wave.SetPlayFrom(5000);          // written after the command, for the next play only
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    QTest::qWait(100);
    EXPECT_GT(wave.WavPosition(), 800);
    EXPECT_LT(wave.WavPosition(), 3200);
    EXPECT_EQ(done, 0);
    ASSERT_TRUE(test::WaitFor([&] { return done > 0; }, 3000));
    EXPECT_GE(timer.elapsed(), 280);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(wave.WavPosition(), 3200);

    Play(0, -1);
    QTest::qWait(100);
    wave.SetPlayCommand(kWavStop);
    const long stopped = wave.WavPosition();
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, kRate);
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(done, 1);
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
    wave.SetPlayCommand(kWavStop); // a stop of a stopped control raises nothing
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(wave.WavPosition(), stopped);

    Play(0, -1);
    QTest::qWait(50);
    Play(6000, -1);
    EXPECT_GE(wave.WavPosition(), 6000);
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
    wave.SetWavFileName(dir.file("clip.wav"));
    EXPECT_EQ(wave.PlayState(), kWavStop);
    EXPECT_EQ(wave.WavPosition(), 0);
    QTest::qWait(50);
    EXPECT_EQ(done, 3);
}

// At 2x a play takes half the time and its positions stay in the clip's frames; the speed lasts
// across file loads. A looped range repeats only itself until stopped, or ends after the pass
// when repeat is turned off during it.
TEST_F(SilentPlay, TwiceTheSpeedHalvesTheTimeAndRepeatLoopsUntilStoppedOrTurnedOff) {
    wave.SetPlaySpeed(2);
    wave.SetWavFileName(dir.file("clip.wav"));
    EXPECT_EQ(wave.PlaySpeed(), 2.0);
    QElapsedTimer timer;
    timer.start();
    Play(0, -1);
    QTest::qWait(200);
    EXPECT_GT(wave.WavPosition(), kRate * 3 / 10); // 0.2 s at 2x: 0.4 s of the clip
    ASSERT_TRUE(test::WaitFor([&] { return done > 0; }, 3000));
    EXPECT_GE(timer.elapsed(), 480);
    EXPECT_LT(timer.elapsed(), 900);
    EXPECT_EQ(wave.WavPosition(), kRate);

    Play(1000, 1000 + kRate / 5, true); // 0.1 s a lap
    long lowest = kRate, highest = 0;
    for (int i = 0; i < 40; ++i) {
        QTest::qWait(10);
        lowest = std::min(lowest, wave.WavPosition());
        highest = std::max(highest, wave.WavPosition());
    }
    EXPECT_EQ(done, 1);
    EXPECT_EQ(wave.PlayState(), kWavPlay);
    EXPECT_GE(lowest, 1000);
    EXPECT_LT(highest, 2600);
    EXPECT_GT(highest - lowest, 800); // it went round, not just along
    wave.SetPlayCommand(kWavStop);
    QTest::qWait(50);
    EXPECT_EQ(done, 2);
    Play(0, kRate / 5, true);
    QTest::qWait(150);
    wave.SetRepeatPlay(false);
    ASSERT_TRUE(test::WaitFor([&] { return done > 2; }, 1000));
    EXPECT_EQ(wave.WavPosition(), kRate / 5);
}

// A pending end dies with its control; a device output (heard, or on the silent clock when this
// machine has none) ends a play the same way.
TEST_F(SilentPlay, PendingEndDiesWithTheControlAndADeviceEndsAPlay) {
    int ended = 0;
    {
        SoundWaveControl other(SoundWaveControl::Output::Silent);
        other.SetPlayDone([&] { ++ended; });
        Clip(other, kRate);
        other.SetPlayCommand(kWavPlay);
        other.SetPlayCommand(kWavStop);
    }
    QTest::qWait(30);
    EXPECT_EQ(ended, 0);

    SoundWaveControl device(SoundWaveControl::Output::Device);
    device.SetPlayDone([&] { ++ended; });
    Clip(device, kRate / 5, "u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    device.SetPlayCommand(kWavPlay);
    EXPECT_EQ(device.PlayState(), kWavPlay);
    ASSERT_TRUE(test::WaitFor([&] { return ended > 0; }, 5000)) << "audible: " << device.Audible();
    EXPECT_EQ(device.WavPosition(), kRate / 5);
    QTest::qWait(50);
    EXPECT_EQ(ended, 1);
}

} // namespace
} // namespace zarn
