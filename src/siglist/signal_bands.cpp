#include "signal_bands.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// The band edges exactly as the walk down the list computes them, so the index and the walk agree
// to the last bit.
double LowEdge(double freq, double bw) {
    return freq - bw / 2;
}
double HighEdge(double freq, double bw) {
    return freq + bw / 2;
}

} // namespace

SignalBands::SignalBands(const SignalList& list) {
    const int count = list.Count();
    freq_.reserve(static_cast<std::size_t>(count));
    bw_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        freq_.push_back(list.Frequency(i));
        bw_.push_back(list.Ifbw(i));
    }
    BuildIndex();
}

SignalBands::SignalBands(std::vector<double> frequencies, std::vector<double> bandwidths)
    : freq_(std::move(frequencies)), bw_(std::move(bandwidths)) {
    bw_.resize(freq_.size(), 0.0);
    BuildIndex();
}

double SignalBands::Lo(std::size_t k) const {
    return inListOrder_ ? LowEdge(freq_[k], bw_[k]) : lo_[k];
}

double SignalBands::Hi(std::size_t k) const {
    return inListOrder_ ? HighEdge(freq_[k], bw_[k]) : hi_[k];
}

void SignalBands::BuildIndex() {
    // A signal list is kept in frequency order, so its bands are nearly always in low-edge order
    // already: then the list is the index, and only the grid is made.
    const std::size_t n = freq_.size();
    lo_.clear(), hi_.clear(), index_.clear();
    widest_ = 0;
    inListOrder_ = true;
    for (std::size_t i = 0; i < n && inListOrder_; ++i) {
        const double lo = LowEdge(freq_[i], bw_[i]), hi = HighEdge(freq_[i], bw_[i]);
        // A negative (or unreadable) bandwidth leaves no band at all.
        inListOrder_ = lo <= hi && (i == 0 || !(lo < LowEdge(freq_[i - 1], bw_[i - 1])));
        widest_ = std::max(widest_, hi - lo);
    }
    if (!inListOrder_) {
        // Those with a band, in low-edge order (equal edges in list order).
        lo_.reserve(n), hi_.reserve(n), index_.reserve(n);
        widest_ = 0;
        bool inOrder = true;
        for (std::size_t i = 0; i < n; ++i) {
            const double lo = LowEdge(freq_[i], bw_[i]), hi = HighEdge(freq_[i], bw_[i]);
            if (!(lo <= hi)) continue;
            if (!lo_.empty() && lo < lo_.back()) inOrder = false;
            lo_.push_back(lo);
            hi_.push_back(hi);
            index_.push_back(static_cast<int>(i));
            widest_ = std::max(widest_, hi - lo);
        }
        if (!inOrder) {
            std::vector<int> order(index_.size());
            for (std::size_t k = 0; k < order.size(); ++k)
                order[k] = static_cast<int>(k);
            std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
                return lo_[static_cast<std::size_t>(a)] < lo_[static_cast<std::size_t>(b)];
            });
            std::vector<double> lo(order.size()), hi(order.size());
            std::vector<int> index(order.size());
            for (std::size_t k = 0; k < order.size(); ++k) {
                const auto from = static_cast<std::size_t>(order[k]);
                lo[k] = lo_[from], hi[k] = hi_[from], index[k] = index_[from];
            }
            lo_ = std::move(lo), hi_ = std::move(hi), index_ = std::move(index);
        }
    }

    grid_.clear();
    gridLo_ = gridStep_ = 0;
    const std::size_t bands = Bands();
    if (bands < 2 || !std::isfinite(Lo(0)) || !std::isfinite(Lo(bands - 1))) return;
    const double span = Lo(bands - 1) - Lo(0);
    const std::size_t cells = bands;
    // Cells must stay far wider than the rounding of the edges themselves.
    const double scale = std::abs(Lo(0)) + std::abs(Lo(bands - 1));
    if (!(span > scale * 1e-9 * static_cast<double>(cells)) || !std::isfinite(span)) return;
    gridLo_ = Lo(0);
    gridStep_ = span / static_cast<double>(cells);
    grid_.resize(cells + 1);
    std::size_t k = 0;
    for (std::size_t c = 0; c <= cells; ++c) {
        const double cellStart = gridLo_ + static_cast<double>(c) * gridStep_;
        while (k < bands && Lo(k) < cellStart)
            ++k;
        grid_[c] = static_cast<int>(k);
    }
}

std::size_t SignalBands::FirstAtOrAbove(double from) const {
    std::size_t first = 0, last = Bands();
    if (!grid_.empty() && std::isfinite(from)) {
        // The first low edge >= from lies between the starts of the cell before from's cell and of
        // the cell after it; a cell is far wider than the rounding of this arithmetic.
        const double top = static_cast<double>(grid_.size() - 1);
        // Truncation is enough: below the grid's start the clamp takes the first cell anyway.
        const double cell = std::trunc((from - gridLo_) / gridStep_);
        first = static_cast<std::size_t>(grid_[static_cast<std::size_t>(std::clamp(cell - 1, 0.0, top))]);
        if (cell + 2 <= top)
            last = static_cast<std::size_t>(grid_[static_cast<std::size_t>(std::max(cell + 2, 0.0))]);
    }
    // The first in [first, last) whose low edge is at or above from.
    while (first < last) {
        const std::size_t middle = first + (last - first) / 2;
        if (Lo(middle) < from)
            first = middle + 1;
        else
            last = middle;
    }
    return first;
}

std::optional<int> SignalBands::Find(double f) const {
    const std::size_t bands = Bands();
    if (bands == 0 || !(f == f)) return std::nullopt;
    // A band holding f starts no lower than f - widest_. The margin covers the rounding of that
    // subtraction; every candidate is tested exactly, so a few extra ones cost nothing.
    const double margin = (std::abs(f) + widest_) * 1e-9;
    const double from = f - widest_ - margin;
    int best = -1;
    for (std::size_t k = FirstAtOrAbove(from); k < bands && Lo(k) <= f; ++k) {
        if (f <= Hi(k) && (best < 0 || Index(k) < best)) best = Index(k);
    }
    if (best < 0) return std::nullopt;
    return best;
}

SignalBand SignalBandOf(double f, const SignalBands& bands, double defaultIfbw) {
    if (const auto i = bands.Find(f)) {
        const double freq = bands.Frequency(*i), bw = bands.Bandwidth(*i);
        return {LowEdge(freq, bw), HighEdge(freq, bw)};
    }
    return {f - defaultIfbw / 2, f + defaultIfbw / 2};
}

} // namespace zarn
