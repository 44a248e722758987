#include "signal_bands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace zarn {
namespace {

// The plain walk to compare with: the first entry from the top whose band holds f.
std::optional<int> WalkFind(const std::vector<double>& freq, const std::vector<double>& bw, double f) {
    for (std::size_t i = 0; i < freq.size(); ++i)
        if (freq[i] - bw[i] / 2 <= f && f <= freq[i] + bw[i] / 2) return static_cast<int>(i);
    return std::nullopt;
}

TEST(SignalBands, BandOfFallsBackToTheDefaultBandwidth) {
    const SignalBands bands({145.0}, {0.030});
    const SignalBand held = SignalBandOf(145.01, bands, 0.025);
    EXPECT_DOUBLE_EQ(held.lo, 144.985);
    EXPECT_DOUBLE_EQ(held.hi, 145.015);
    const SignalBand free = SignalBandOf(146.0, bands, 0.025);
    EXPECT_DOUBLE_EQ(free.lo, 146.0 - 0.0125);
    EXPECT_DOUBLE_EQ(free.hi, 146.0 + 0.0125);
}

TEST(SignalBands, ReadsTheEntriesOfASignalList) {
    SignalList list;
    list.InsertSorted(
        MakeEntryLine("00145.00000", "00.030", "20", "FM ", SignalClass::Unknown, "9", false, ""));
    list.InsertSorted(
        MakeEntryLine("00020.00000", "00.010", "20", "AM ", SignalClass::Unknown, "9", false, ""));
    const SignalBands bands(list);
    ASSERT_EQ(bands.Count(), 2);
    EXPECT_EQ(bands.Find(145.01), 1);
    EXPECT_DOUBLE_EQ(bands.Frequency(1), 145.0);
    EXPECT_DOUBLE_EQ(bands.Bandwidth(1), 0.030);
    EXPECT_EQ(bands.Find(20.004), 0);
    EXPECT_EQ(SignalBands().Find(1.0), std::nullopt);
}

// The index must answer exactly as the walk (the first entry from the top whose band holds f), for
// lists that are sorted or not, overlap or not, and hold negative, zero and wide bandwidths;
// frequencies asked include the band edges themselves.
TEST(SignalBands, AgreesWithTheWalkDownTheList) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        const int count = std::uniform_int_distribution<int>(0, 300)(rng);
        std::vector<double> freq, bw;
        const bool sorted = round % 3 == 0;
        for (int i = 0; i < count; ++i) {
            const double f = sorted ? 30.0 + i * 0.03 : std::uniform_real_distribution<double>(30, 40)(rng);
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            const double b = kind == 0   ? -0.02
                             : kind == 1 ? 0.0
                             : kind == 2 ? std::uniform_real_distribution<double>(0.5, 5)(rng)
                                         : std::uniform_real_distribution<double>(0.005, 0.05)(rng);
            freq.push_back(std::round(f * 1e5) / 1e5);
            bw.push_back(std::round(b * 1e3) / 1e3);
        }
        const SignalBands bands(freq, bw);
        std::vector<double> asks;
        for (int k = 0; k < 200; ++k)
            asks.push_back(std::uniform_real_distribution<double>(29, 41)(rng));
        for (std::size_t i = 0; i < freq.size(); ++i) {
            asks.push_back(freq[i] - bw[i] / 2);
            asks.push_back(freq[i] + bw[i] / 2);
            asks.push_back(freq[i]);
        }
        for (double f : asks)
            ASSERT_EQ(bands.Find(f), WalkFind(freq, bw, f)) << "round " << round << " f " << f;
    }
}

} // namespace
} // namespace zarn
