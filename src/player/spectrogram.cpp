#include "spectrogram.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fftw3.h>
#include <map>
#include <mutex>
#include <numbers>

namespace zarn {

namespace {

constexpr double kWindowSeconds = 0.020;
constexpr int kMinFftSize = 16;
constexpr int kMaxFftSize = 1 << 16;
// Windows transformed by one call: the plan's loops run over several at once.
constexpr int kBatch = 16;
// Frames read per block: a few hundred kilobytes whatever the clip's length.
constexpr std::size_t kReadFrames = 64 * 1024;

// A viridis-like map from the floor (first) to the top (last), evenly spaced.
constexpr std::array<std::array<std::uint8_t, 3>, 17> kMapAnchors{{
    {68, 1, 84},    {72, 24, 106},  {71, 45, 123},  {66, 64, 134}, {59, 82, 139},  {51, 99, 141},
    {44, 114, 142}, {38, 130, 142}, {33, 145, 140}, {31, 160, 136}, {40, 174, 128}, {63, 188, 115},
    {94, 201, 98},  {132, 212, 75}, {173, 220, 48}, {216, 226, 25}, {253, 231, 37},
}};

std::uint32_t Rgb(double r, double g, double b) {
    const auto c = [](double v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0))); };
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
        int length[] = {n};
        // Estimated, not measured: planning must not read or write the arrays or take seconds.
        fftwf_plan plan = fftwf_plan_many_dft_r2c(1, length, kBatch, in, nullptr, 1, n, out, nullptr, 1, n / 2 + 1,
                                                  FFTW_ESTIMATE);
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
    int taken = 0; // windows in the batch
};

SpectrogramBuilder::SpectrogramBuilder(int sampleRate, const SpectrogramGrid& grid)
    : fftSize_(SpectrogramFftSize(sampleRate)), hop_(fftSize_ / 2), grid_(grid), fft_(std::make_unique<Fft>()) {
    grid_.columns = std::max<std::int64_t>(0, grid_.columns);
    grid_.rows = std::max(0, grid_.rows);
    if (!(grid_.framesPerColumn > 0)) grid_.framesPerColumn = 1;
    const auto n = static_cast<std::size_t>(fftSize_);
    const std::size_t bins = n / 2 + 1;
    fft_->in.reset(static_cast<float*>(fftwf_malloc(sizeof(float) * n * kBatch)));
    fft_->out.reset(static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * bins * kBatch)));
    fft_->plan = Plans().Get(fftSize_, fft_->in.get(), fft_->out.get());
    // The periodic Hann window: at half a window apart the windows add up to a constant.
    window_.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n)));
    power_.assign(static_cast<std::size_t>(grid_.columns) * bins, 0.0f);
    reached_.assign(static_cast<std::size_t>(grid_.columns), false);
    batchColumns_.resize(kBatch);
}

SpectrogramBuilder::~SpectrogramBuilder() = default;

bool SpectrogramBuilder::Full() const {
    return static_cast<double>(nextWindow_) >= static_cast<double>(grid_.columns) * grid_.framesPerColumn;
}

void SpectrogramBuilder::TakeWindow(const float* start, std::size_t available) {
    const auto n = static_cast<std::size_t>(fftSize_);
    float* in = fft_->in.get() + static_cast<std::size_t>(fft_->taken) * n;
    const std::size_t have = std::min(available, n);
    for (std::size_t i = 0; i < have; ++i)
        in[i] = start[i] * window_[i];
    std::fill(in + have, in + n, 0.0f);
    // A window belongs to the column of its centre; a clip shorter than the picture's last column
    // still shows in it.
    const double centre = static_cast<double>(nextWindow_) + fftSize_ / 2.0;
    const auto column = static_cast<std::int64_t>(std::floor(centre / grid_.framesPerColumn));
    batchColumns_[static_cast<std::size_t>(fft_->taken)] = std::clamp<std::int64_t>(column, 0, grid_.columns - 1);
    nextWindow_ += hop_;
    if (++fft_->taken == kBatch) RunBatch(kBatch);
}

void SpectrogramBuilder::RunBatch(std::size_t count) {
    fft_->taken = 0;
    if (count == 0 || !fft_->plan) return;
    fftwf_execute_dft_r2c(fft_->plan, fft_->in.get(), fft_->out.get());
    const std::size_t bins = static_cast<std::size_t>(fftSize_) / 2 + 1;
    for (std::size_t s = 0; s < count; ++s) {
        const auto column = static_cast<std::size_t>(batchColumns_[s]);
        const fftwf_complex* spectrum = fft_->out.get() + s * bins;
        float* loudest = power_.data() + column * bins;
        for (std::size_t k = 0; k < bins; ++k) {
            const float p = spectrum[k][0] * spectrum[k][0] + spectrum[k][1] * spectrum[k][1];
            loudest[k] = std::max(loudest[k], p);
        }
        reached_[column] = true;
    }
}

void SpectrogramBuilder::Feed(const float* frames, std::size_t count) {
    fed_ += static_cast<std::int64_t>(count);
    if (grid_.columns == 0 || Full()) return;
    pending_.insert(pending_.end(), frames, frames + count);
    const auto n = static_cast<std::int64_t>(fftSize_);
    while (!Full() && nextWindow_ + n <= pendingStart_ + static_cast<std::int64_t>(pending_.size()))
        TakeWindow(pending_.data() + (nextWindow_ - pendingStart_), static_cast<std::size_t>(n));
    // Frames before the next window are needed by no window any more.
    const std::int64_t done = std::min<std::int64_t>(nextWindow_ - pendingStart_, static_cast<std::int64_t>(pending_.size()));
    pending_.erase(pending_.begin(), pending_.begin() + done);
    pendingStart_ += done;
}

SpectrogramImage SpectrogramBuilder::Finish() {
    while (grid_.columns > 0 && !Full() && nextWindow_ < fed_) {
        const std::int64_t offset = nextWindow_ - pendingStart_;
        const auto available = static_cast<std::size_t>(static_cast<std::int64_t>(pending_.size()) - offset);
        TakeWindow(pending_.data() + offset, available);
    }
    RunBatch(static_cast<std::size_t>(fft_->taken));

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
        if (last >= 0 && (left < 0 || last - static_cast<std::int64_t>(c) < static_cast<std::int64_t>(c) - left))
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
            image.pixels[(height - 1 - j) * width + c] = SpectrogramColour((db - kSpectrogramFloorDb) / range);
        }
    }
    return image;
}

SpectrogramImage ReadSpectrogram(const std::string& path, const SpectrogramGrid& grid, const std::atomic<bool>* cancel) {
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

} // namespace zarn
