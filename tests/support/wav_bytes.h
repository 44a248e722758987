// WAV files built byte by byte, for tests that need exact headers (honest or lying ones).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarn::test {

// An 8-bit mono 11025 Hz file: the RIFF and data sizes as given (they may lie), `extraChunk`
// before the data chunk, then `samples` bytes from `sample(i)`.
template <typename Sample>
std::string WavBytes(std::uint32_t riffSize, std::uint32_t dataSize, std::size_t samples, Sample sample,
                     const std::string& extraChunk = "") {
    std::string h;
    const auto le32 = [&h](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto le16 = [&h](std::uint16_t v) {
        h += static_cast<char>(v & 0xFF);
        h += static_cast<char>(v >> 8);
    };
    h += "RIFF";
    le32(riffSize);
    h += "WAVEfmt ";
    le32(16);
    le16(1);     // PCM
    le16(1);     // mono
    le32(11025); // frames per second
    le32(11025); // bytes per second
    le16(1);     // bytes per frame
    le16(8);     // bits per sample
    h += extraChunk;
    h += "data";
    le32(dataSize);
    for (std::size_t i = 0; i < samples; ++i)
        h += static_cast<char>(sample(i));
    return h;
}

// An honest canonical file of `samples` bytes of a ramp.
inline std::string Wav8(std::uint32_t samples) {
    return WavBytes(36 + samples, samples, samples,
                    [](std::size_t i) { return static_cast<unsigned char>(i % 256); });
}

} // namespace zarn::test
