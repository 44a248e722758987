#include "signal_bands.h"

// PENDING: placeholder until the index is written.
namespace zarn {
SignalBands::SignalBands(const SignalList&) {}
SignalBands::SignalBands(std::vector<double> frequencies, std::vector<double> bandwidths)
    : freq_(std::move(frequencies)), bw_(std::move(bandwidths)) {}
std::optional<int> SignalBands::Find(double) const {
    return std::nullopt;
}
SignalBand SignalBandOf(double f, const SignalBands&, double defaultIfbw) {
    return {f - defaultIfbw / 2, f + defaultIfbw / 2};
}
} // namespace zarn
