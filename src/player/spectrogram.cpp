#include "spectrogram.h"

#include "waveform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fftw3.h>
#include <map>
#include <mutex>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace zarn {

namespace {

constexpr double kWindowSeconds = 0.020;
constexpr int kMinFftSize = 16;
constexpr int kMaxFftSize = 1 << 16;
// Frames read per block: a few hundred kilobytes whatever the clip's length.
constexpr std::size_t kReadFrames = 64 * 1024;

// A viridis-like map from the floor (first) to the top (last), evenly spaced.
constexpr std::array<std::array<std::uint8_t, 3>, 17> kMapAnchors{{
    {68, 1, 84},
    {72, 24, 106},
    {71, 45, 123},
    {66, 64, 134},
    {59, 82, 139},
    {51, 99, 141},
    {44, 114, 142},
    {38, 130, 142},
    {33, 145, 140},
    {31, 160, 136},
    {40, 174, 128},
    {63, 188, 115},
    {94, 201, 98},
    {132, 212, 75},
    {173, 220, 48},
    {216, 226, 25},
    {253, 231, 37},
}};

std::uint32_t Rgb(double r, double g, double b) {
    const auto c = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// The map in 256 steps, so a pixel costs a lookup.
const std::array<std::uint32_t, 256>& ColourTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double at = static_cast<double>(i) / 255.0 * (kMapAnchors.size() - 1);
            const auto k = std::min<std::size_t>(static_cast<std::size_t>(at), kMapAnchors.size() - 2);
            const double f = at - static_cast<double>(k);
            const auto& a = kMapAnchors[k];
            const auto& b = kMapAnchors[k + 1];
            t[i] = Rgb(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f, a[2] + (b[2] - a[2]) * f);
        }
        return t;
    }();
    return table;
}

// Creating and destroying plans is not thread-safe in FFTW; running them with arrays of their own is.
// One plan per window length serves every picture for the rest of the program.
class PlanCache {
public:
    ~PlanCache() {
        for (auto& [size, plan] : plans_)
            fftwf_destroy_plan(plan);
    }
    fftwf_plan Get(int n, float* in, fftwf_complex* out) {
        const std::lock_guard lock(mutex_);
        if (auto it = plans_.find(n); it != plans_.end()) return it->second;
        // Estimated, not measured: planning must not read or write the arrays or take seconds.
        fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
        plans_.emplace(n, plan);
        return plan;
    }

private:
    std::mutex mutex_;
    std::map<int, fftwf_plan> plans_;
};

PlanCache& Plans() {
    static PlanCache cache;
    return cache;
}

struct FftwFree {
    void operator()(void* p) const { fftwf_free(p); }
};

} // namespace

int SpectrogramFftSize(int sampleRate) {
    const double want = std::max(1, sampleRate) * kWindowSeconds;
    int n = kMinFftSize;
    // The next doubling is taken while it is at least as near: ties go to the longer window.
    while (n < kMaxFftSize && std::abs(2.0 * n - want) <= std::abs(n - want))
        n *= 2;
    return n;
}

std::uint32_t SpectrogramColour(double level) {
    if (!(level > 0)) return ColourTable().front();
    return ColourTable()[static_cast<std::size_t>(std::lround(std::min(level, 1.0) * 255.0))];
}

SpectrogramGrid GridUnderWaveform(const WaveLayout& layout, std::int64_t columns, int rows) {
    SpectrogramGrid g;
    g.rows = std::max(0, rows);
    const std::int64_t frames = layout.drawnColumns * static_cast<std::int64_t>(layout.bytesPerColumn);
    if (frames <= 0 || columns <= 0) return g;
    g.columns = columns;
    g.framesPerColumn = static_cast<double>(frames) / static_cast<double>(columns);
    return g;
}

struct SpectrogramBuilder::Fft {
    std::unique_ptr<float, FftwFree> in;
    std::unique_ptr<fftwf_complex, FftwFree> out;
    fftwf_plan plan = nullptr;
};

SpectrogramBuilder::SpectrogramBuilder(int sampleRate, const SpectrogramGrid& grid)
    : fftSize_(SpectrogramFftSize(sampleRate)), hop_(fftSize_ / 2), grid_(grid),
      fft_(std::make_unique<Fft>()) {
    grid_.columns = std::max<std::int64_t>(0, grid_.columns);
    grid_.rows = std::max(0, grid_.rows);
    if (!(grid_.framesPerColumn > 0)) grid_.framesPerColumn = 1;
    const auto n = static_cast<std::size_t>(fftSize_);
    const std::size_t bins = n / 2 + 1;
    fft_->in.reset(static_cast<float*>(fftwf_malloc(sizeof(float) * n)));
    fft_->out.reset(static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * bins)));
    fft_->plan = Plans().Get(fftSize_, fft_->in.get(), fft_->out.get());
    // The periodic Hann window: at half a window apart the windows add up to a constant.
    window_.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        window_[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n)));
    power_.assign(static_cast<std::size_t>(grid_.columns) * bins, 0.0f);
    reached_.assign(static_cast<std::size_t>(grid_.columns), false);
    carry_.reserve(n);
}

SpectrogramBuilder::~SpectrogramBuilder() = default;

bool SpectrogramBuilder::Full() const {
    return static_cast<double>(nextWindow_) >= static_cast<double>(grid_.columns) * grid_.framesPerColumn;
}

// The window starting at nextWindow_: `a` then `b` (frames that follow a), silence after them.
void SpectrogramBuilder::TakeWindow(const float* a, std::size_t na, const float* b, std::size_t nb) {
    const auto n = static_cast<std::size_t>(fftSize_);
    float* in = fft_->in.get();
    const float* w = window_.data();
    if (!fft_->plan) { // FFTW could not plan: the picture stays at the floor
        nextWindow_ += hop_;
        return;
    }
    na = std::min(na, n);
    nb = std::min(nb, n - na);
    detail::ApplyWindow(a, w, na, in);
    detail::ApplyWindow(b, w + na, nb, in + na);
    std::fill(in + na + nb, in + n, 0.0f);
    fftwf_execute_dft_r2c(fft_->plan, in, fft_->out.get());

    // A window belongs to the column of its centre; a clip shorter than the picture's last column
    // still shows in it.
    const double centre = static_cast<double>(nextWindow_) + fftSize_ / 2.0;
    const auto column = static_cast<std::size_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(std::floor(centre / grid_.framesPerColumn)), 0, grid_.columns - 1));
    const std::size_t bins = n / 2 + 1;
    const float* spectrum = reinterpret_cast<const float*>(fft_->out.get());
    detail::KeepLoudest(spectrum, bins, power_.data() + column * bins);
    reached_[column] = true;
    nextWindow_ += hop_;
}

void SpectrogramBuilder::Feed(const float* frames, std::size_t count) {
    const std::int64_t blockStart = fed_;
    fed_ += static_cast<std::int64_t>(count);
    if (grid_.columns == 0) return;
    const auto n = static_cast<std::int64_t>(fftSize_);
    // carry_ holds the frames from nextWindow_ up to this block: the windows that straddle the two
    // are put together from both, the others read the block where it lies.
    while (!Full() && nextWindow_ + n <= fed_) {
        const std::int64_t offset = nextWindow_ - blockStart;
        if (offset >= 0) {
            TakeWindow(frames + offset, static_cast<std::size_t>(n), nullptr, 0);
            continue;
        }
        const auto fromCarry = static_cast<std::size_t>(-offset);
        TakeWindow(carry_.data() + (carry_.size() - fromCarry), fromCarry, frames,
                   static_cast<std::size_t>(n) - fromCarry);
    }
    if (Full()) return;
    // Keep what the next windows still need: at most one window's worth.
    const std::int64_t keepFrom = std::max(nextWindow_, blockStart);
    if (nextWindow_ < blockStart) {
        const auto fromCarry = static_cast<std::size_t>(blockStart - nextWindow_);
        carry_.erase(carry_.begin(), carry_.end() - static_cast<std::ptrdiff_t>(fromCarry));
    } else {
        carry_.clear();
    }
    carry_.insert(carry_.end(), frames + (keepFrom - blockStart), frames + count);
}

SpectrogramImage SpectrogramBuilder::Finish() {
    // carry_ holds every frame from nextWindow_ on.
    while (grid_.columns > 0 && !Full() && nextWindow_ < fed_) {
        const auto skip =
            static_cast<std::size_t>(nextWindow_ - (fed_ - static_cast<std::int64_t>(carry_.size())));
        TakeWindow(carry_.data() + skip, carry_.size() - skip, nullptr, 0);
    }

    SpectrogramImage image;
    image.state = WavFileState::Playable;
    image.width = static_cast<int>(grid_.columns);
    image.height = grid_.rows;
    const auto width = static_cast<std::size_t>(image.width);
    const auto height = static_cast<std::size_t>(image.height);
    image.pixels.assign(width * height, SpectrogramColour(0));
    if (width == 0 || height == 0) return image;

    // Each empty column shows the nearest column that a window reached.
    std::vector<std::int64_t> source(width, -1);
    std::int64_t last = -1;
    for (std::size_t c = 0; c < width; ++c) {
        if (reached_[c]) last = static_cast<std::int64_t>(c);
        source[c] = last;
    }
    last = -1;
    for (std::size_t c = width; c-- > 0;) {
        if (reached_[c]) last = static_cast<std::int64_t>(c);
        const std::int64_t left = source[c];
        if (last >= 0 &&
            (left < 0 || last - static_cast<std::int64_t>(c) < static_cast<std::int64_t>(c) - left))
            source[c] = last;
    }

    // Rows bottom (0 Hz) to top (half the rate): each row shows the loudest bin near its frequency.
    const int top = fftSize_ / 2;
    const std::size_t bins = static_cast<std::size_t>(top) + 1;
    std::vector<std::pair<int, int>> rowBins(height);
    const double perRow = height > 1 ? static_cast<double>(top) / static_cast<double>(height - 1) : 0.0;
    for (std::size_t j = 0; j < height; ++j) {
        const double centre = static_cast<double>(j) * perRow;
        int lo = static_cast<int>(std::ceil(centre - perRow / 2));
        int hi = static_cast<int>(std::floor(centre + perRow / 2));
        if (height == 1) lo = 0, hi = top;
        lo = std::clamp(lo, 0, top);
        hi = std::clamp(hi, 0, top);
        if (lo > hi) lo = hi = std::clamp(static_cast<int>(std::lround(centre)), 0, top);
        rowBins[j] = {lo, hi};
    }
    // A full-scale sine through the Hann window peaks at a quarter of the window length.
    const double reference = 20 * std::log10(fftSize_ / 4.0);
    const double range = kSpectrogramTopDb - kSpectrogramFloorDb;
    for (std::size_t c = 0; c < width; ++c) {
        if (source[c] < 0) continue;
        const float* loudest = power_.data() + static_cast<std::size_t>(source[c]) * bins;
        for (std::size_t j = 0; j < height; ++j) {
            const auto [lo, hi] = rowBins[j];
            const float p = *std::max_element(loudest + lo, loudest + hi + 1);
            if (!(p > 0)) continue;
            const double db = 10 * std::log10(static_cast<double>(p)) - reference;
            image.pixels[(height - 1 - j) * width + c] =
                SpectrogramColour((db - kSpectrogramFloorDb) / range);
        }
    }
    return image;
}

SpectrogramImage ReadSpectrogram(const std::string& path, const SpectrogramGrid& grid,
                                 const std::atomic<bool>* cancel) {
    SpectrogramImage none;
    ClipFrameReader reader(path);
    none.state = reader.Check().state;
    if (none.state != WavFileState::Playable) return none;
    SpectrogramBuilder builder(reader.SampleRate(), grid);
    std::vector<float> block(kReadFrames);
    while (!builder.Full()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            none.cancelled = true;
            return none;
        }
        const std::ptrdiff_t n = reader.Read(block.data(), block.size());
        if (n < 0) {
            none.state = WavFileState::NotPlayable;
            return none;
        }
        if (n == 0) break;
        builder.Feed(block.data(), static_cast<std::size_t>(n));
    }
    return builder.Finish();
}

namespace detail {

void ApplyWindowScalar(const float* frames, const float* window, std::size_t n, float* out) {
    for (std::size_t i = 0; i < n; ++i)
        out[i] = frames[i] * window[i];
}

void KeepLoudestScalar(const float* spectrum, std::size_t bins, float* loudest) {
    for (std::size_t k = 0; k < bins; ++k) {
        const float re = spectrum[2 * k], im = spectrum[2 * k + 1];
        loudest[k] = std::max(loudest[k], re * re + im * im);
    }
}

// Four values a step; the rest go through the plain loops. The sums are the plain loop's own (a
// product each, then their sum), so the results are the same to the bit. The max keeps the stored
// value when the new one is not greater, as std::max does, NaN included.
#if defined(__SSE2__)

namespace {

// Eight values a step on processors with 32-byte vectors, chosen at run time as the waveform's
// fold is; what is left over goes through the 16-byte loops.
__attribute__((target("avx2"))) std::size_t ApplyWindowAvx2(const float* frames, const float* window,
                                                            std::size_t n, float* out) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_ps(out + i, _mm256_mul_ps(_mm256_loadu_ps(frames + i), _mm256_loadu_ps(window + i)));
    return i;
}

__attribute__((target("avx2"))) std::size_t KeepLoudestAvx2(const float* spectrum, std::size_t bins,
                                                            float* loudest) {
    std::size_t k = 0;
    for (; k + 8 <= bins; k += 8) {
        const __m256 a = _mm256_loadu_ps(spectrum + 2 * k), b = _mm256_loadu_ps(spectrum + 2 * k + 8);
        const __m256 a2 = _mm256_mul_ps(a, a), b2 = _mm256_mul_ps(b, b);
        // The shuffles work within each half, giving the powers of bins 0 1 4 5 | 2 3 6 7; the
        // permutation of 64-bit pairs puts them in order.
        const __m256 power = _mm256_add_ps(_mm256_shuffle_ps(a2, b2, _MM_SHUFFLE(2, 0, 2, 0)),
                                           _mm256_shuffle_ps(a2, b2, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m256 ordered =
            _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(power), _MM_SHUFFLE(3, 1, 2, 0)));
        const __m256 old = _mm256_loadu_ps(loudest + k);
        _mm256_storeu_ps(loudest + k,
                         _mm256_blendv_ps(old, ordered, _mm256_cmp_ps(old, ordered, _CMP_LT_OQ)));
    }
    return k;
}

} // namespace

void ApplyWindow(const float* frames, const float* window, std::size_t n, float* out) {
    std::size_t i = HasAvx2() ? ApplyWindowAvx2(frames, window, n, out) : 0;
    for (; i + 4 <= n; i += 4)
        _mm_storeu_ps(out + i, _mm_mul_ps(_mm_loadu_ps(frames + i), _mm_loadu_ps(window + i)));
    ApplyWindowScalar(frames + i, window + i, n - i, out + i);
}

void KeepLoudest(const float* spectrum, std::size_t bins, float* loudest) {
    std::size_t k = HasAvx2() ? KeepLoudestAvx2(spectrum, bins, loudest) : 0;
    for (; k + 4 <= bins; k += 4) {
        const __m128 a = _mm_loadu_ps(spectrum + 2 * k), b = _mm_loadu_ps(spectrum + 2 * k + 4);
        const __m128 a2 = _mm_mul_ps(a, a), b2 = _mm_mul_ps(b, b);
        const __m128 re2 = _mm_shuffle_ps(a2, b2, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 im2 = _mm_shuffle_ps(a2, b2, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 power = _mm_add_ps(re2, im2);
        const __m128 old = _mm_loadu_ps(loudest + k);
        // std::max(old, power) is power only where old < power.
        const __m128 greater = _mm_cmplt_ps(old, power);
        _mm_storeu_ps(loudest + k, _mm_or_ps(_mm_and_ps(greater, power), _mm_andnot_ps(greater, old)));
    }
    KeepLoudestScalar(spectrum + 2 * k, bins - k, loudest + k);
}

#elif defined(__aarch64__)

void ApplyWindow(const float* frames, const float* window, std::size_t n, float* out) {
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4)
        vst1q_f32(out + i, vmulq_f32(vld1q_f32(frames + i), vld1q_f32(window + i)));
    ApplyWindowScalar(frames + i, window + i, n - i, out + i);
}

void KeepLoudest(const float* spectrum, std::size_t bins, float* loudest) {
    std::size_t k = 0;
    for (; k + 4 <= bins; k += 4) {
        const float32x4x2_t z = vld2q_f32(spectrum + 2 * k); // re and im apart
        const float32x4_t power = vaddq_f32(vmulq_f32(z.val[0], z.val[0]), vmulq_f32(z.val[1], z.val[1]));
        const float32x4_t old = vld1q_f32(loudest + k);
        vst1q_f32(loudest + k, vbslq_f32(vcltq_f32(old, power), power, old));
    }
    KeepLoudestScalar(spectrum + 2 * k, bins - k, loudest + k);
}

#else

void ApplyWindow(const float* frames, const float* window, std::size_t n, float* out) {
    ApplyWindowScalar(frames, window, n, out);
}

void KeepLoudest(const float* spectrum, std::size_t bins, float* loudest) {
    KeepLoudestScalar(spectrum, bins, loudest);
}

#endif

} // namespace detail

} // namespace zarn
