// The spectrogram of a clip as numbers and colours: short-time spectra (Hann window, half a window
// between windows, about 20 ms per window) reduced to the columns of the waveform picture, so the
// cursor and the marks fall at the same x on both, and painted bottom (0 Hz) to top (half the rate)
// through a perceptual colour map. The window only shows the picture these give.
#pragma once

#include "waveform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

// Levels in dB of full scale: a full-scale sine reads 0; the map's floor colour is this far down
// and below.
inline constexpr double kSpectrogramTopDb = 0.0;
inline constexpr double kSpectrogramFloorDb = -80.0;

// The window length for a rate: the power of two nearest 20 ms, at least 16.
int SpectrogramFftSize(int sampleRate);

// The colour of a level between the floor (0) and the top (1), as 0xFFRRGGBB.
std::uint32_t SpectrogramColour(double level);

// Where the picture's columns lie in the clip: column c shows the windows centred in frames
// [c * framesPerColumn, (c + 1) * framesPerColumn).
struct SpectrogramGrid {
    std::int64_t columns = 0;
    double framesPerColumn = 1;
    int rows = 0;
};

// The grid that puts the spectrogram under the waveform of this layout: `columns` image columns
// across the same frames as the waveform's drawn pixels (usually the picture's width in device
// pixels), `rows` image rows.
SpectrogramGrid GridUnderWaveform(const WaveLayout& layout, std::int64_t columns, int rows);

struct SpectrogramImage {
    WavFileState state = WavFileState::Missing;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height colours, 0xFFRRGGBB, top row first
    bool cancelled = false;
};

// Short-time spectra of a stream of frames, fed block by block. Only the loudest power of each
// frequency bin per column is kept, never the frames: memory follows the picture, not the clip.
class SpectrogramBuilder {
public:
    SpectrogramBuilder(int sampleRate, const SpectrogramGrid& grid);
    ~SpectrogramBuilder();
    SpectrogramBuilder(const SpectrogramBuilder&) = delete;
    SpectrogramBuilder& operator=(const SpectrogramBuilder&) = delete;

    void Feed(const float* frames, std::size_t count);
    // Every column is behind the windows already taken: further frames would only be dropped.
    bool Full() const;
    // Takes the windows the clip's end cuts short, padded with silence, and paints the picture.
    // Columns between window centres take the nearest column that has one.
    SpectrogramImage Finish();
    int FftSize() const { return fftSize_; }

private:
    void TakeWindow(const float* a, std::size_t na, const float* b, std::size_t nb);

    struct Fft;
    int fftSize_;
    int hop_;
    SpectrogramGrid grid_;
    std::unique_ptr<Fft> fft_;
    std::vector<float> window_;
    std::vector<float> carry_;    // the frames from nextWindow_ to the end of the last block
    std::int64_t nextWindow_ = 0; // clip frame where the next window starts
    std::int64_t fed_ = 0;
    std::vector<float> power_; // columns x bins, the loudest power seen
    std::vector<bool> reached_;
};

// The transform's inner loops, in 16-byte vectors where the processor has them (SSE2 on x86-64,
// NEON on 64-bit ARM) and plain loops elsewhere; the plain loops are the reference they are tested
// against.
namespace detail {
// out[i] = frames[i] * window[i].
void ApplyWindow(const float* frames, const float* window, std::size_t n, float* out);
void ApplyWindowScalar(const float* frames, const float* window, std::size_t n, float* out);
// loudest[k] = max(loudest[k], re * re + im * im) of the k-th of `bins` interleaved complex values.
void KeepLoudest(const float* spectrum, std::size_t bins, float* loudest);
void KeepLoudestScalar(const float* spectrum, std::size_t bins, float* loudest);
} // namespace detail

// Reads the clip in blocks and paints its spectrogram on the grid. A set `cancel` ends the reading
// early with `cancelled` and no picture.
SpectrogramImage ReadSpectrogram(const std::string& path, const SpectrogramGrid& grid,
                                 const std::atomic<bool>* cancel = nullptr);

} // namespace zarn
