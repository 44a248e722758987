// The signal of a frequency: the first entry of the signal list, from the top, whose band
// (frequency +- half its IF bandwidth, both ends included) holds the frequency.
#pragma once

#include "signal_list.h"

#include <optional>
#include <vector>

namespace zarn {

struct SignalBand {
    double lo = 0, hi = 0; // both ends included
};

// An index over the bands of a list, built once and asked many times (the clip table asks once
// per clip). The answer is the same as walking the list from the top; an entry with a negative
// bandwidth has an empty band and never holds a frequency.
class SignalBands {
public:
    SignalBands() = default;
    explicit SignalBands(const SignalList& list);
    // In list order: (frequency, IF bandwidth) in MHz.
    SignalBands(std::vector<double> frequencies, std::vector<double> bandwidths);

    int Count() const { return static_cast<int>(freq_.size()); }
    double Frequency(int index) const { return freq_[static_cast<std::size_t>(index)]; }
    double Bandwidth(int index) const { return bw_[static_cast<std::size_t>(index)]; }

    // The index of the first entry whose band holds f, or nothing.
    std::optional<int> Find(double f) const;

private:
    void BuildIndex();
    std::size_t FirstAtOrAbove(double lowEdge) const;

    std::vector<double> freq_, bw_;
    // Entries with a non-empty band, ordered by their low edge. A list in frequency order with a
    // band on every entry, as a kept list is, is that order itself: then the edges are worked out
    // from the entries as they are needed and these stay empty (`inListOrder_`).
    std::vector<double> lo_, hi_;
    std::vector<int> index_;
    bool inListOrder_ = false;
    std::size_t Bands() const { return inListOrder_ ? freq_.size() : lo_.size(); }
    double Lo(std::size_t k) const;
    double Hi(std::size_t k) const;
    int Index(std::size_t k) const { return inListOrder_ ? static_cast<int>(k) : index_[k]; }
    double widest_ = 0;
    // Equal steps of low edge, each with the first entry (in that order) at or above its start, so a
    // look-up begins near its candidates without a search. Empty when the edges are not finite.
    std::vector<int> grid_;
    double gridLo_ = 0, gridStep_ = 0;
};

// The band of f's signal: the band of the entry that holds it, else f +- defaultIfbw / 2.
SignalBand SignalBandOf(double f, const SignalBands& bands, double defaultIfbw);

} // namespace zarn
