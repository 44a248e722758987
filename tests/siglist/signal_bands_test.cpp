#include "signal_bands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace zarn {
namespace {

TEST(SignalBands, ReadsAListAndFallsBackToTheDefaultBandwidth) {
    SignalList list;
    list.InsertSorted(MakeEntryLine("00145.00000", "00.030", "20", "FM ", SignalClass::Unknown, "9", false, ""));
    list.InsertSorted(MakeEntryLine("00020.00000", "00.010", "20", "AM ", SignalClass::Unknown, "9", false, ""));
    const SignalBands bands(list);
    ASSERT_EQ(bands.Count(), 2);
    EXPECT_EQ(bands.Find(145.01), 1);
    EXPECT_EQ(bands.Find(20.004), 0);
    EXPECT_DOUBLE_EQ(bands.Frequency(1), 145.0);
    EXPECT_DOUBLE_EQ(bands.Bandwidth(1), 0.030);
    EXPECT_EQ(SignalBands().Find(1.0), std::nullopt);
    const SignalBand held = SignalBandOf(145.01, bands, 0.025), free = SignalBandOf(146.0, bands, 0.025);
    EXPECT_DOUBLE_EQ(held.lo, 144.985);
    EXPECT_DOUBLE_EQ(held.hi, 145.015);
    EXPECT_DOUBLE_EQ(free.lo, 146.0 - 0.0125);
    EXPECT_DOUBLE_EQ(free.hi, 146.0 + 0.0125);
}

// The index must answer as the plain walk (the first entry from the top whose band holds f), for lists
// sorted or not, overlapping or not, with negative, zero and wide bandwidths, and at the band edges.
TEST(SignalBands, AgreesWithTheWalkDownTheList) {
    std::mt19937 rng(12345);
    const auto real = [&rng](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        std::vector<double> freq, bw, asks;
        for (int i = std::uniform_int_distribution<int>(0, 300)(rng); i > 0; --i) {
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            const double f = round % 3 == 0 ? 30.0 + static_cast<double>(freq.size()) * 0.03 : real(30, 40);
            const double b = kind == 0 ? -0.02 : kind == 1 ? 0.0 : real(0.005, kind == 2 ? 5 : 0.05);
            freq.push_back(std::round(f * 1e5) / 1e5);
            bw.push_back(std::round(b * 1e3) / 1e3);
            asks.insert(asks.end(), {freq.back() - bw.back() / 2, freq.back() + bw.back() / 2, freq.back()});
            asks.push_back(real(29, 41));
        }
        const SignalBands bands(freq, bw);
        for (double f : asks) {
            std::optional<int> walk;
            for (std::size_t i = 0; i < freq.size() && !walk; ++i)
                if (freq[i] - bw[i] / 2 <= f && f <= freq[i] + bw[i] / 2) walk = static_cast<int>(i);
            ASSERT_EQ(bands.Find(f), walk) << "round " << round << " f " << f;
        }
    }
}

} // namespace
} // namespace zarn
