// Demo station generator: writes a station folder as the collection equipment leaves it (event
// files, companion files, WAV clips, signal list and configuration), or the large inputs the
// benchmarks read. Output is the same on every run: fixed seeds, fixed dates.
//
//   demo_station DIR            the demo station
//   demo_station --large DIR    the benchmark inputs

#include "dates.h"
#include "formats.h"
#include "paths.h"
#include "textfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

using zarn::DateParts;

constexpr int kSampleRate = 11025;
constexpr double kSecondsPerDay = 86400.0;

// Any failure ends the run; main reports it.
struct GenerationError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// splitmix64: small, fast and the same on every platform (the standard distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Inclusive bounds.
    int Int(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    double Real() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Real(double lo, double hi) { return lo + (hi - lo) * Real(); }
    bool Chance(double p) { return Real() < p; }
    double Noise() { return Real(-1.0, 1.0); }
    void Skip(std::uint64_t draws) { state_ += draws * 0x9E3779B97F4A7C15ull; }

private:
    std::uint64_t state_;
};

// ---------------------------------------------------------------------------------------------
// Audio

enum class Sound { Tone, Warble, Morse, Noise, Fsk, Babble };

struct Voice {
    Sound sound = Sound::Tone;
    double pitch = 800.0; // Hz: carrier tone, warble centre, mark tone or voice pitch
    std::string text;     // keyed text of a Morse signal
};

std::string_view MorseCode(char c) {
    static constexpr std::array<std::string_view, 26> kLetters = {
        ".-", "-...", "-.-.", "-..",  ".",   "..-.", "--.", "....", "..",   ".---", "-.-",  ".-..", "--",
        "-.", "---",  ".--.", "--.-", ".-.", "...",  "-",   "..-",  "...-", ".--",  "-..-", "-.--", "--.."};
    static constexpr std::array<std::string_view, 10> kDigits = {"-----", ".----", "..---", "...--", "....-",
                                                                 ".....", "-....", "--...", "---..", "----."};
    if (c >= 'A' && c <= 'Z') return kLetters[static_cast<std::size_t>(c - 'A')];
    if (c >= '0' && c <= '9') return kDigits[static_cast<std::size_t>(c - '0')];
    if (c == '?') return "..--..";
    if (c == '/') return "-..-.";
    return "";
}

// Key-down flags per Morse unit for a text, word gap at the end so that it repeats cleanly.
std::vector<bool> MorseKeying(std::string_view text) {
    std::vector<bool> units;
    for (char c : text) {
        if (c == ' ') {
            units.insert(units.end(), 4, false); // with the letter gap: 7 units
            continue;
        }
        for (char symbol : MorseCode(c)) {
            units.insert(units.end(), symbol == '-' ? 3 : 1, true);
            units.push_back(false);
        }
        units.insert(units.end(), 2, false); // letter gap: 3 units
    }
    units.insert(units.end(), 7, false);
    return units;
}

// Renders signals into float samples in -1..1. Oscillators use a sine table: the hour-long clip
// has some 40 million samples and must be written in a few seconds.
class Synth {
public:
    Synth() : table_(kTableSize + 1) {
        for (std::size_t i = 0; i <= kTableSize; ++i)
            table_[i] =
                static_cast<float>(std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / kTableSize));
    }

    // Sine of a phase in cycles, 0 <= phase < 1.
    double Sin(double phase) const {
        const double x = phase * kTableSize;
        const auto i = static_cast<std::size_t>(x);
        const double f = x - static_cast<double>(i);
        return table_[i] + (table_[i + 1] - table_[i]) * f;
    }

    // Fills `out` with the voice at `amplitude` over a hiss floor of `hiss`, with short fades so
    // that it starts and stops without a click: the transmissions of the benchmarks' hour clip.
    void Render(const Voice& voice, double amplitude, double hiss, Rng& rng, std::vector<float>& out) const {
        const std::size_t n = out.size();
        switch (voice.sound) {
        case Sound::Tone:
            RenderTone(voice, out);
            break;
        case Sound::Warble:
            RenderWarble(voice, rng, out);
            break;
        case Sound::Morse:
            RenderMorse(voice, out);
            break;
        case Sound::Noise:
            RenderNoise(rng, out);
            break;
        case Sound::Fsk:
            RenderFsk(voice, rng, out);
            break;
        case Sound::Babble:
            RenderBabble(voice, rng, out);
            break;
        }
        const std::size_t fade = std::min<std::size_t>(n / 2, kSampleRate / 100);
        for (std::size_t i = 0; i < n; ++i) {
            double gain = 1.0;
            if (i < fade) gain = static_cast<double>(i) / static_cast<double>(fade);
            if (n - 1 - i < fade)
                gain = std::min(gain, static_cast<double>(n - 1 - i) / static_cast<double>(fade));
            const double v = gain * (amplitude * out[i] + hiss * rng.Noise());
            out[i] = static_cast<float>(std::clamp(v, -1.0, 1.0));
        }
    }

    // Replaces `out` with a clip as a scanner records a transmission: the squelch opens on the
    // carrier, one or more overs with pauses inside, a burst of noise as the squelch closes after
    // each over, digital silence between the overs and at the end. The voice peaks at `amplitude`
    // over a carrier hiss of `hiss`; weak signals also fade. Longer events lean to longer clips.
    void RenderClip(const Voice& voice, double amplitude, double hiss, double eventSeconds, Rng& rng,
                    std::vector<float>& out) const {
        std::size_t total = 0;
        const std::vector<Over> overs = LayOutClip(voice.sound, eventSeconds, rng, total);
        out.assign(total, 0.0f);
        const double fadeDepth = 0.5 * std::clamp((hiss - 0.04) / 0.035, 0.0, 1.0);
        const double fadeRate = rng.Real(0.4, 1.5);
        const double tailLevel = std::min(0.95, 0.8 * amplitude + 6.4 * hiss);
        const double edge = 0.004 * kSampleRate;
        double fade = rng.Real();
        for (const Over& over : overs) {
            const std::span<float> body(out.data() + over.start, over.body);
            RenderContent(voice, rng, body);
            const auto n = static_cast<double>(over.body);
            for (std::size_t k = 0; k < over.body; ++k) {
                const auto t = static_cast<double>(k);
                Advance(fade, fadeRate);
                const double gain =
                    std::min({1.0, t / edge, (n - t) / edge}) * (1.0 - fadeDepth * (0.5 + 0.5 * Sin(fade)));
                const double v = amplitude * gain * body[k] + std::min(1.0, t / edge) * hiss * rng.Noise();
                body[k] = static_cast<float>(std::clamp(v, -1.0, 1.0));
            }
            // The squelch tail: the receiver's own noise, loud, until the squelch shuts.
            const auto tail = static_cast<double>(over.tail);
            double noise = 0.0;
            for (std::size_t k = 0; k < over.tail; ++k) {
                const auto t = static_cast<double>(k);
                noise += 0.6 * (rng.Noise() - noise);
                const double gain = std::min({1.0, t / (0.5 * edge), (tail - t) / (2.0 * edge)});
                out[over.start + over.body + k] = static_cast<float>(tailLevel * gain * noise);
            }
        }
    }

private:
    // One over of a clip, in samples: the carrier from `start`, then the squelch tail.
    struct Over {
        std::size_t start = 0;
        std::size_t body = 0;
        std::size_t tail = 0;
    };

    static std::size_t Samples(double seconds) { return static_cast<std::size_t>(seconds * kSampleRate); }

    // Clip lengths: mostly 0.8-3 s, some blips of 0.2-0.5 s, a few long ones up to 6 s. A clip of
    // some length may hold two or three overs; data comes as a few short bursts, each an over of
    // its own. The recorder runs on a little after the squelch shuts.
    static std::vector<Over> LayOutClip(Sound sound, double eventSeconds, Rng& rng, std::size_t& total) {
        const double pick = rng.Real();
        const double seconds = pick < 0.15                          ? rng.Real(0.2, 0.5)
                               : pick < 0.15 + 0.015 * eventSeconds ? rng.Real(3.0, 6.0)
                                                                    : rng.Real(0.8, 3.0);
        const bool data = sound == Sound::Fsk;
        int count = 1;
        if (data)
            count = std::clamp(static_cast<int>(seconds / 0.8), 1, 5);
        else if (seconds > 1.5 && rng.Chance(0.45))
            count = seconds > 3.5 && rng.Chance(0.4) ? 3 : 2;
        const double hang = std::min(rng.Real(0.03, 0.2), 0.1 * seconds);

        std::vector<double> tails, gaps, weights;
        double fixed = hang;
        double weightSum = 0.0;
        for (int k = 0; k < count; ++k) {
            tails.push_back(rng.Real(0.1, 0.25));
            gaps.push_back(k == 0 ? 0.0 : rng.Real(0.12, 0.6));
            weights.push_back(rng.Real(0.5, 1.5));
            fixed += tails.back() + gaps.back();
            weightSum += weights.back();
        }
        const double carrier = std::max(seconds - fixed, 0.06 * count);
        std::vector<Over> overs;
        std::size_t at = 0;
        for (std::size_t k = 0; k < tails.size(); ++k) {
            Over over;
            over.start = at + Samples(gaps[k]);
            over.body = Samples(data ? rng.Real(0.12, 0.45) : carrier * weights[k] / weightSum);
            over.tail = Samples(tails[k]);
            at = over.start + over.body + over.tail;
            overs.push_back(over);
        }
        total = (at + Samples(hang) + 1) / 2 * 2; // even: no RIFF pad
        return overs;
    }

    // The voice of an over at full scale, 0 where the carrier is unmodulated.
    void RenderContent(const Voice& voice, Rng& rng, std::span<float> out) const {
        switch (voice.sound) {
        case Sound::Tone:
            RenderBeeps(voice, rng, out);
            break;
        case Sound::Warble:
            RenderSweep(voice, rng, out);
            break;
        case Sound::Morse:
            RenderKeying(voice, out);
            break;
        case Sound::Noise:
            RenderPulses(rng, out);
            break;
        case Sound::Fsk:
            RenderData(voice.pitch, 1.8, rng, out, 1.0);
            break;
        case Sound::Babble: {
            // Some radios send their identity as a data burst when keyed.
            std::size_t speech = 0;
            if (out.size() > Samples(0.7) && rng.Chance(0.15)) {
                speech = Samples(rng.Real(0.2, 0.3));
                RenderData(1200.0, 1.5, rng, out.subspan(Samples(0.03), speech - Samples(0.05)), 0.45);
            }
            RenderSpeech(voice, rng, out.subspan(speech));
            break;
        }
        }
    }

    // Test tones: one to three beeps at the voice's pitch, drifting a little, with the carrier
    // unmodulated between them.
    void RenderBeeps(const Voice& voice, Rng& rng, std::span<float> out) const {
        const double ramp = 0.005 * kSampleRate;
        double phase = 0.0;
        double flutter = 0.0;
        std::size_t i = Samples(rng.Real(0.03, 0.15));
        while (i < out.size()) {
            const std::size_t beep = std::min(Samples(rng.Real(0.25, 1.2)), out.size() - i);
            const auto n = static_cast<double>(beep);
            for (std::size_t k = 0; k < beep; ++k, ++i) {
                const auto t = static_cast<double>(k);
                Advance(phase, voice.pitch * (1.0 + 0.003 * t / kSampleRate));
                Advance(flutter, 2.5);
                const double gain = std::min({1.0, t / ramp, (n - t) / ramp});
                out[i] = static_cast<float>(gain * Sin(phase) * (0.85 + 0.15 * Sin(flutter)));
            }
            i += Samples(rng.Real(0.1, 0.35));
        }
    }

    // A beacon's sweep, falling from above the voice's pitch to below it two to four times a
    // second.
    void RenderSweep(const Voice& voice, Rng& rng, std::span<float> out) const {
        const double rate = rng.Real(2.0, 4.0);
        double phase = 0.0;
        double sweep = rng.Real();
        for (float& sample : out) {
            Advance(sweep, rate);
            Advance(phase, voice.pitch * (1.5 - sweep));
            sample = static_cast<float>(Sin(phase));
        }
    }

    // The voice's text keyed from its start at about 18 words per minute, soft key edges.
    void RenderKeying(const Voice& voice, std::span<float> out) const {
        const std::vector<bool> keying = MorseKeying(voice.text.empty() ? "VVV" : voice.text);
        const double unitSamples = 0.066 * kSampleRate;
        const double ramp = 0.004 * kSampleRate;
        double phase = 0.0;
        double envelope = 0.0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto unit = static_cast<std::size_t>(static_cast<double>(i) / unitSamples) % keying.size();
            envelope += std::clamp((keying[unit] ? 1.0 : 0.0) - envelope, -1.0 / ramp, 1.0 / ramp);
            Advance(phase, voice.pitch);
            out[i] = static_cast<float>(envelope * Sin(phase));
        }
    }

    // Pulsed emissions: short pulses of noise at a steady rate, now and then one left out.
    void RenderPulses(Rng& rng, std::span<float> out) const {
        const std::size_t period = Samples(rng.Real(0.06, 0.3));
        const std::size_t width = std::max<std::size_t>(Samples(rng.Real(0.008, 0.04)), 8);
        for (std::size_t i = Samples(rng.Real(0.0, 0.05)); i < out.size(); i += period) {
            if (rng.Chance(0.15)) continue;
            const double level = rng.Real(0.6, 1.0);
            for (std::size_t k = 0; k < width && i + k < out.size(); ++k)
                out[i + k] = static_cast<float>(level * rng.Noise());
        }
    }

    // A data burst at 1200 baud: frequency shift keying with continuous phase between `mark` and
    // `ratio` times it, an alternating preamble, then random bits.
    void RenderData(double mark, double ratio, Rng& rng, std::span<float> out, double level) const {
        const double bitSamples = static_cast<double>(kSampleRate) / 1200.0;
        const double preamble = rng.Real(16.0, 40.0);
        const double ramp = 0.003 * kSampleRate;
        const auto n = static_cast<double>(out.size());
        double phase = 0.0;
        double bitClock = bitSamples;
        bool space = false;
        int bit = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (++bitClock >= bitSamples) {
                bitClock -= bitSamples;
                space = ++bit < preamble ? !space : rng.Chance(0.5);
            }
            Advance(phase, space ? mark * ratio : mark);
            const auto t = static_cast<double>(i);
            out[i] = static_cast<float>(level * std::min({1.0, t / ramp, (n - t) / ramp}) * Sin(phase));
        }
    }

    // A two-pole resonator of unit gain at 0 Hz (Klatt's formant filter).
    struct Resonator {
        double a = 0.0, b = 0.0, c = 0.0, y1 = 0.0, y2 = 0.0;
        void Tune(double hz, double bandwidth) {
            const double r = std::exp(-std::numbers::pi * bandwidth / kSampleRate);
            c = -r * r;
            b = 2.0 * r * std::cos(2.0 * std::numbers::pi * hz / kSampleRate);
            a = 1.0 - b - c;
        }
        double Step(double x) {
            const double y = a * x + b * y1 + c * y2;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    // The speaking voice: a sawtooth at the speaker's pitch through three formant resonators
    // that glide from vowel to vowel, noise for hissed consonants and bursts for plosives,
    // syllables grouped into words and words into phrases with pauses between. The carrier runs
    // a moment before the first word and after the last. Scaled to a peak of 1.
    void RenderSpeech(const Voice& voice, Rng& rng, std::span<float> out) const {
        static constexpr std::array<std::array<double, 3>, 8> kVowels = {{{730, 1090, 2440},
                                                                          {270, 2290, 3010},
                                                                          {300, 870, 2240},
                                                                          {530, 1840, 2480},
                                                                          {570, 840, 2410},
                                                                          {660, 1720, 2410},
                                                                          {520, 1190, 2390},
                                                                          {390, 1990, 2550}}};
        static constexpr std::array<double, 3> kBandwidths = {90.0, 110.0, 160.0};
        // Higher voices come from shorter vocal tracts: the formants rise with the pitch.
        const double tract = std::clamp(1.0 + (voice.pitch - 120.0) / 350.0, 0.95, 1.2);
        std::array<Resonator, 3> resonators;
        std::array<double, 3> formants = kVowels[0];
        std::array<double, 3> targets = kVowels[0];
        double phase = 0.0;
        double lips = 0.0, highX = 0.0, highY = 0.0, white = 0.0;
        const double highPole = std::exp(-2.0 * std::numbers::pi * 300.0 / kSampleRate);
        const double lowGain = 1.0 - std::exp(-2.0 * std::numbers::pi * 3000.0 / kSampleRate);
        double low1 = 0.0, low2 = 0.0;

        std::size_t i = 0;
        // `samples` of sound: voicing from pitch f0 to f1 and noise (hissed: high-passed),
        // rising over `attack` samples and falling over `release`.
        auto sound = [&](std::size_t samples, double voiced, double f0, double f1, double noise, bool hissed,
                         double attack, double release) {
            const std::size_t end = std::min(out.size(), i + samples);
            const auto n = static_cast<double>(samples);
            for (std::size_t k = 0; i < end; ++i, ++k) {
                if (k % 16 == 0)
                    for (std::size_t f = 0; f < 3; ++f) {
                        formants[f] += 0.3 * (targets[f] * tract - formants[f]);
                        resonators[f].Tune(formants[f], kBandwidths[f]);
                    }
                const auto t = static_cast<double>(k);
                const double envelope = std::min({1.0, (t + 1.0) / attack, (n - t) / release});
                Advance(phase, f0 + (f1 - f0) * t / n);
                double x = voiced * envelope * (1.0 - 2.0 * phase);
                for (Resonator& r : resonators)
                    x = r.Step(x);
                // Radiated from the lips: a rising tilt. The radio's audio passes little below
                // 300 Hz ...
                const double radiated = x - 0.7 * lips;
                lips = x;
                highY = highPole * (highY + radiated - highX);
                highX = radiated;
                double v = highY;
                if (noise > 0.0) {
                    const double w = rng.Noise();
                    v += noise * envelope * (hissed ? w - white : w);
                    white = w;
                }
                // ... nor much above 3 kHz.
                low1 += lowGain * (v - low1);
                low2 += lowGain * (low1 - low2);
                out[i] = static_cast<float>(low2);
            }
        };
        auto quiet = [&](double seconds) {
            sound(Samples(seconds), 0.0, 100.0, 100.0, 0.0, false, 1.0, 1.0);
        };

        const std::size_t stop = out.size() - std::min(out.size(), Samples(rng.Real(0.08, 0.25)));
        quiet(rng.Real(0.05, 0.2));
        while (i < stop) {
            // A phrase: the pitch declines over it.
            const int words = rng.Int(2, 6);
            for (int w = 0; w < words && i < stop; ++w) {
                const double declination = 1.12 - 0.22 * w / words;
                const int syllables = rng.Int(1, 3);
                for (int s = 0; s < syllables && i < stop; ++s) {
                    const double pitch = voice.pitch * declination * rng.Real(0.94, 1.08);
                    targets = kVowels[static_cast<std::size_t>(rng.Int(0, 7))];
                    const double onset = rng.Real();
                    if (onset < 0.3) {
                        sound(Samples(rng.Real(0.04, 0.09)), 0.0, pitch, pitch, 0.2, true, 80.0, 60.0);
                    } else if (onset < 0.55) {
                        quiet(rng.Real(0.02, 0.05));
                        sound(Samples(rng.Real(0.008, 0.02)), 0.0, pitch, pitch, 0.25, false, 1.0, 60.0);
                    }
                    const double stress = rng.Real(0.55, 1.0);
                    sound(Samples(rng.Real(0.07, 0.22)), stress, pitch, pitch * rng.Real(0.85, 1.08), 0.0,
                          false, 0.02 * kSampleRate, 0.045 * kSampleRate);
                    if (rng.Chance(0.25))
                        sound(Samples(rng.Real(0.03, 0.07)), 0.0, pitch, pitch, 0.15, true, 60.0, 60.0);
                    quiet(rng.Real(0.005, 0.035));
                }
                quiet(rng.Real(0.04, 0.16));
            }
            quiet(rng.Real(0.25, 0.6));
        }
        while (i < out.size())
            quiet(1.0);

        float peak = 0.0f;
        for (float v : out)
            peak = std::max(peak, std::abs(v));
        if (peak > 0.0f)
            for (float& v : out)
                v /= peak;
    }

    static constexpr std::size_t kTableSize = 4096;

    static void Advance(double& phase, double hz) {
        phase += hz / kSampleRate;
        phase -= std::floor(phase);
    }

    // A carrier with a slow drift and a little amplitude flutter.
    void RenderTone(const Voice& voice, std::vector<float>& out) const {
        double phase = 0.0;
        double flutter = 0.0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            Advance(phase, voice.pitch * (1.0 + 0.004 * t));
            Advance(flutter, 2.5);
            out[i] = static_cast<float>(Sin(phase) * (0.8 + 0.2 * Sin(flutter)));
        }
    }

    // A siren-like sweep, rate and depth varied per clip.
    void RenderWarble(const Voice& voice, Rng& rng, std::vector<float>& out) const {
        const double rate = rng.Real(3.0, 8.0);
        const double depth = voice.pitch * rng.Real(0.2, 0.4);
        double phase = 0.0;
        double sweep = 0.0;
        for (float& sample : out) {
            Advance(sweep, rate);
            Advance(phase, voice.pitch + depth * Sin(sweep));
            sample = static_cast<float>(Sin(phase));
        }
    }

    // The voice's text keyed at about 18 words per minute, with soft key edges.
    void RenderMorse(const Voice& voice, std::vector<float>& out) const {
        const std::vector<bool> keying = MorseKeying(voice.text.empty() ? "VVV" : voice.text);
        const double unitSamples = 0.066 * kSampleRate;
        const double ramp = 0.004 * kSampleRate;
        double phase = 0.0;
        double envelope = 0.0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto unit = static_cast<std::size_t>(static_cast<double>(i) / unitSamples) % keying.size();
            const double target = keying[unit] ? 1.0 : 0.0;
            envelope += std::clamp(target - envelope, -1.0 / ramp, 1.0 / ramp);
            Advance(phase, voice.pitch);
            out[i] = static_cast<float>(envelope * Sin(phase));
        }
    }

    // Bursts of noise, like pulsed or wideband emissions.
    void RenderNoise(Rng& rng, std::vector<float>& out) const {
        std::size_t i = 0;
        while (i < out.size()) {
            const auto on = static_cast<std::size_t>(rng.Real(0.05, 0.3) * kSampleRate);
            const auto off = static_cast<std::size_t>(rng.Real(0.05, 0.4) * kSampleRate);
            for (std::size_t k = 0; k < on && i < out.size(); ++k, ++i)
                out[i] = static_cast<float>(rng.Noise());
            for (std::size_t k = 0; k < off && i < out.size(); ++k, ++i)
                out[i] = 0.0f;
        }
    }

    // Data bursts: two-tone frequency shift keying at 300 baud with continuous phase.
    void RenderFsk(const Voice& voice, Rng& rng, std::vector<float>& out) const {
        const std::size_t bitSamples = kSampleRate / 300;
        double phase = 0.0;
        std::size_t i = 0;
        while (i < out.size()) {
            const auto burst = static_cast<std::size_t>(rng.Real(0.3, 0.9) * kSampleRate);
            bool mark = true;
            for (std::size_t k = 0; k < burst && i < out.size(); ++i, ++k) {
                if (k % bitSamples == 0) mark = rng.Chance(0.5);
                Advance(phase, mark ? voice.pitch : voice.pitch * 1.8);
                out[i] = static_cast<float>(Sin(phase));
            }
            const auto gap = static_cast<std::size_t>(rng.Real(0.1, 0.3) * kSampleRate);
            for (std::size_t k = 0; k < gap && i < out.size(); ++k, ++i)
                out[i] = 0.0f;
        }
    }

    // Voice-like babble: a buzzing pitch with a moving formant, cut into syllables.
    void RenderBabble(const Voice& voice, Rng& rng, std::vector<float>& out) const {
        constexpr int kHarmonics = 6;
        std::array<double, kHarmonics> phases{};
        double drift = 0.0;
        std::size_t i = 0;
        while (i < out.size()) {
            const auto syllable = static_cast<std::size_t>(rng.Real(0.12, 0.35) * kSampleRate);
            const auto pause = static_cast<std::size_t>(rng.Real(0.03, 0.25) * kSampleRate);
            const int formant = rng.Int(2, kHarmonics);
            const double pitch = voice.pitch * rng.Real(0.9, 1.15);
            for (std::size_t k = 0; k < syllable && i < out.size(); ++k, ++i) {
                const double envelope = Sin(0.5 * static_cast<double>(k) / static_cast<double>(syllable));
                Advance(drift, 0.7);
                const double f0 = pitch * (1.0 + 0.08 * Sin(drift));
                double sum = 0.0;
                for (int h = 1; h <= kHarmonics; ++h) {
                    auto& phase = phases[static_cast<std::size_t>(h - 1)];
                    Advance(phase, f0 * h);
                    const double weight = (h == formant ? 2.5 : 1.0) / h;
                    sum += weight * Sin(phase);
                }
                out[i] = static_cast<float>(0.45 * envelope * sum);
            }
            for (std::size_t k = 0; k < pause && i < out.size(); ++k, ++i)
                out[i] = 0.0f;
        }
    }

    std::vector<float> table_;
};

void PutLe(std::string& bytes, std::uint32_t value, int size) {
    for (int k = 0; k < size; ++k)
        bytes.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}

// Canonical 44-byte PCM header, mono: the data size lands at byte 40 and the samples at byte 44.
std::string WavHeader(std::uint32_t dataBytes, int bitsPerSample) {
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(bitsPerSample / 8);
    std::string header;
    header.reserve(44);
    header += "RIFF";
    PutLe(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    PutLe(header, 16, 4);
    PutLe(header, 1, 2); // PCM
    PutLe(header, 1, 2); // mono
    PutLe(header, kSampleRate, 4);
    PutLe(header, kSampleRate * blockAlign, 4);
    PutLe(header, blockAlign, 2);
    PutLe(header, static_cast<std::uint32_t>(bitsPerSample), 2);
    header += "data";
    PutLe(header, dataBytes, 4);
    return header;
}

char Sample8(float v) {
    return static_cast<char>(std::clamp(std::lround(128.0 + 127.0 * v), 0L, 255L));
}

std::string EncodeWav(const std::vector<float>& samples, int bitsPerSample) {
    const auto dataBytes =
        static_cast<std::uint32_t>(samples.size() * static_cast<std::size_t>(bitsPerSample / 8));
    std::string bytes = WavHeader(dataBytes, bitsPerSample);
    bytes.reserve(44 + dataBytes);
    for (float v : samples) {
        if (bitsPerSample == 8) {
            bytes.push_back(Sample8(v));
        } else {
            const auto s = static_cast<std::int16_t>(std::clamp(std::lround(32767.0 * v), -32768L, 32767L));
            PutLe(bytes, static_cast<std::uint16_t>(s), 2);
        }
    }
    return bytes;
}

// Louder signals sound louder, weak ones sink into the hiss.
double AmplitudeOfLevel(int dbm) {
    return std::clamp(0.08 + 0.85 * (dbm + 125) / 85.0, 0.06, 0.95);
}
double HissOfLevel(int dbm) {
    return 0.015 + 0.06 * std::clamp((-50.0 - dbm) / 80.0, 0.0, 1.0);
}

// ---------------------------------------------------------------------------------------------
// Output

class Station {
public:
    explicit Station(std::string folder) : folder_(std::move(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        if (ec || !zarn::FolderExists(folder_))
            throw GenerationError("cannot create the folder " + folder_ + (ec ? ": " + ec.message() : ""));
    }

    const std::string& Folder() const { return folder_; }
    std::string PathOf(std::string_view name) const { return zarn::JoinPath(folder_, name); }

    void Write(const std::string& name, std::string_view bytes) {
        const zarn::FileResult result = zarn::ReplaceFileAtomically(PathOf(name), bytes);
        if (!result) throw GenerationError("cannot write " + PathOf(name) + ": " + result.error);
        written_.emplace_back(name, bytes.size());
    }
    void WriteLines(const std::string& name, const std::vector<std::string>& lines) {
        Write(name, zarn::JoinCrLf(lines));
    }
    // A file this run means to be absent (a missing clip) must not survive from an earlier run.
    void Remove(const std::string& name) {
        std::error_code ec;
        std::filesystem::remove(PathOf(name), ec);
        if (ec) throw GenerationError("cannot remove " + PathOf(name) + ": " + ec.message());
    }

    void PrintSummary(std::FILE* out) const {
        std::size_t total = 0;
        std::size_t wavCount = 0;
        std::size_t wavBytes = 0;
        for (const auto& [name, size] : written_) {
            total += size;
            if (name.size() > 4 && zarn::EqualsNoCase(name.substr(name.size() - 4), ".WAV") &&
                size < 1000000) {
                ++wavCount;
                wavBytes += size;
                continue; // clips are summed up, not listed one by one
            }
            std::fprintf(out, "  %-16s %10zu bytes\n", name.c_str(), size);
        }
        if (wavCount > 0) std::fprintf(out, "  %zu WAV clips      %10zu bytes\n", wavCount, wavBytes);
        std::fprintf(out, "  total            %10zu bytes in %zu files\n", total, written_.size());
    }

private:
    std::string folder_;
    std::vector<std::pair<std::string, std::size_t>> written_;
};

double Serial(const DateParts& parts, double seconds = 0.0) {
    return zarn::SerialFromParts(parts) + seconds / kSecondsPerDay;
}

// Clip files are named by the event file's prefix: the base name when the file name is shorter
// than nine characters, else its first four characters.
std::string ClipPrefix(const std::string& eventFileName) {
    if (eventFileName.size() < 9) return eventFileName.substr(0, eventFileName.size() - 4);
    return eventFileName.substr(0, 4);
}

std::string ClipName(const std::string& prefix, int number) {
    return prefix + zarn::FormatNumber(number, "0000") + ".WAV";
}

std::string AudName(const std::string& eventFileName) {
    return eventFileName.substr(0, eventFileName.size() - 3) + "AUD";
}

struct Clip {
    std::string file;
    int number = 0; // channel or signal number
    double frequency = 0.0;
    double start = 0.0; // dates
    double stop = 0.0;
    std::optional<int> level;
    double value = 0.0;
};

std::string WavLine(const Clip& clip) {
    return "WAV," + clip.file + "," + std::to_string(clip.number) + "," +
           zarn::FormatNumber(clip.frequency, "0000.0000") + "," + zarn::FormatDateTime(clip.start) + "," +
           zarn::FormatDateTime(clip.stop) + "," +
           (clip.level ? std::to_string(*clip.level) : std::string()) + "," + zarn::FormatGeneral(clip.value);
}

// The station's figure of merit for a clip: roughly the signal above the noise, in half dB.
double ValueOfLevel(int dbm, Rng& rng) {
    return std::max(0, dbm + 128 + rng.Int(-3, 3)) / 2.0;
}

// ---------------------------------------------------------------------------------------------
// Signal list

struct SignalEntry {
    double frequency = 0.0; // MHz
    double ifbw = 0.025;    // MHz
    int cor = 20;           // dB, or -1
    std::string mode;       // AM FM CW PLS USB LSB ISB IFT
    int signalClass = 2;    // 0 soi, 1 ids, 2 unknown
    int priority = 9;
    bool lockout = false;
    std::string comment;
};

std::string SignalRecord(const SignalEntry& e) {
    std::string mode = e.mode == "PLS" ? std::string("AM PLS") : e.mode;
    mode.resize(6, ' ');
    const std::string cor = e.cor < 0 ? std::string("-1") : zarn::FormatNumber(e.cor, "00");
    return zarn::FormatNumber(e.frequency, "00000.00000") + ",[   " + zarn::FormatNumber(e.ifbw, "00.000") +
           "    " + cor + "    " + mode + "]{" + std::to_string(e.signalClass) + "}(" +
           std::to_string(e.priority) + ")/" + (e.lockout ? "x" : " ") + "\\" + e.comment;
}

std::vector<std::string> SignalRecords(std::vector<SignalEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const SignalEntry& a, const SignalEntry& b) { return a.frequency < b.frequency; });
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const SignalEntry& e : entries)
        lines.push_back(SignalRecord(e));
    return lines;
}

// ---------------------------------------------------------------------------------------------
// Demo collections

struct RowSetup {
    double frequency; // MHz
    int baseLevel;    // dBm; clips scatter around it
    int weight;       // how busy the row is
    Voice voice;
};

struct SegmentSetup {
    DateParts start;
    int minutes;
    int clips;
    std::vector<int> levelless; // clip positions in the segment, from 1, written without a level
};

struct CollectionSetup {
    std::string eventFile;
    std::vector<std::string> aud; // companion file lines; none for NETORA
    std::vector<RowSetup> rows;
    double jitterStep = 0.0; // MHz; clip frequencies wander by up to 3 steps
    bool rowSubsets = false; // each row sits out one segment in four
    std::vector<SegmentSetup> segments;
    std::vector<int> missing; // clip numbers whose file is left out
    std::uint64_t seed = 1;
};

struct CollectionResult {
    int clips = 0;
    std::vector<std::string> missing;
};

// Clip times, rows and levels of one segment. Starts come in bursts spread over the segment's
// length; a row carries one clip at a time.
std::vector<Clip> PlanSegment(const CollectionSetup& setup, std::size_t segIndex, Rng& rng) {
    const SegmentSetup& seg = setup.segments[segIndex];
    const std::size_t rowCount = setup.rows.size();
    std::vector<std::size_t> active;
    for (std::size_t r = 0; r < rowCount; ++r)
        if (!setup.rowSubsets || (r + segIndex) % 4 != 0) active.push_back(r);

    std::vector<double> gaps(static_cast<std::size_t>(seg.clips));
    double gapSum = 0.0;
    for (double& g : gaps) {
        g = rng.Chance(0.35) ? rng.Real(0.1, 0.4) : rng.Real(0.7, 2.0);
        gapSum += g;
    }
    const int first = rng.Int(2, 20);
    const double span = seg.minutes * 60.0 - first - 10.0;

    const double segStart = Serial(seg.start);
    std::vector<int> busyUntil(rowCount, 0);
    std::vector<Clip> clips;
    double planned = first;
    int lastStart = 0;
    for (int k = 0; k < seg.clips; ++k) {
        int start = std::max(static_cast<int>(std::lround(planned)), lastStart);
        planned += (k + 1 < seg.clips ? gaps[static_cast<std::size_t>(k)] : 0.0) * span / gapSum;

        std::vector<std::size_t> idle;
        while (true) {
            for (std::size_t r : active)
                if (busyUntil[r] <= start) idle.push_back(r);
            if (!idle.empty()) break;
            int soonest = busyUntil[active.front()];
            for (std::size_t r : active)
                soonest = std::min(soonest, busyUntil[r]);
            start = soonest;
        }
        int weights = 0;
        for (std::size_t r : idle)
            weights += setup.rows[r].weight;
        int pick = rng.Int(1, weights);
        std::size_t row = idle.back();
        for (std::size_t r : idle) {
            pick -= setup.rows[r].weight;
            if (pick <= 0) {
                row = r;
                break;
            }
        }

        const int duration = rng.Int(2, 10);
        busyUntil[row] = start + duration + 1;
        lastStart = start;

        const RowSetup& rowSetup = setup.rows[row];
        Clip clip;
        clip.number = static_cast<int>(row) + 1;
        int jitter = 0;
        if (setup.jitterStep > 0.0 && rng.Chance(0.4)) jitter = rng.Int(-3, 3);
        clip.frequency = rowSetup.frequency + jitter * setup.jitterStep;
        clip.start = segStart + start / kSecondsPerDay;
        clip.stop = segStart + (start + duration) / kSecondsPerDay;
        const int level = std::clamp(rowSetup.baseLevel + rng.Int(-7, 7), -135, -35);
        clip.value = ValueOfLevel(level, rng);
        if (std::find(seg.levelless.begin(), seg.levelless.end(), k + 1) == seg.levelless.end())
            clip.level = level;
        clips.push_back(std::move(clip));
    }
    return clips;
}

// Clips used to take their audio from the plan's stream, rendered by Synth::Render for a length
// set by the event's: the plan still goes through those draws, so that the event files keep their
// times and levels. Only the draws that decide how far the renderer went are taken, the others
// skipped. Synth::Render stays as it is for the hour clip, so this cannot drift from it.
void SkipEarlierClipDraws(Sound sound, double eventSeconds, Rng& rng) {
    const double audioSeconds = std::clamp(0.5 + 0.3 * eventSeconds, 1.0, 4.0);
    const std::size_t n = static_cast<std::size_t>(audioSeconds * kSampleRate / 2) * 2;
    std::size_t i = 0;
    switch (sound) {
    case Sound::Tone:
    case Sound::Morse:
        break;
    case Sound::Warble:
        rng.Skip(2);
        break;
    case Sound::Noise:
        while (i < n) {
            const auto on = static_cast<std::size_t>(rng.Real(0.05, 0.3) * kSampleRate);
            const auto off = static_cast<std::size_t>(rng.Real(0.05, 0.4) * kSampleRate);
            const std::size_t noisy = std::min(on, n - i);
            rng.Skip(noisy);
            i += noisy + std::min(off, n - i - noisy);
        }
        break;
    case Sound::Fsk: {
        const std::size_t bitSamples = kSampleRate / 300;
        while (i < n) {
            const std::size_t burst =
                std::min(static_cast<std::size_t>(rng.Real(0.3, 0.9) * kSampleRate), n - i);
            rng.Skip((burst + bitSamples - 1) / bitSamples); // a draw per bit
            const auto gap = static_cast<std::size_t>(rng.Real(0.1, 0.3) * kSampleRate);
            i += burst + std::min(gap, n - i - burst);
        }
        break;
    }
    case Sound::Babble:
        while (i < n) {
            const auto syllable = static_cast<std::size_t>(rng.Real(0.12, 0.35) * kSampleRate);
            const auto pause = static_cast<std::size_t>(rng.Real(0.03, 0.25) * kSampleRate);
            rng.Skip(2); // formant and pitch
            const std::size_t voiced = std::min(syllable, n - i);
            i += voiced + std::min(pause, n - i - voiced);
        }
        break;
    }
    rng.Skip(n); // the hiss
}

CollectionResult WriteCollection(const CollectionSetup& setup, Station& station, const Synth& synth) {
    Rng rng(setup.seed);
    const std::string prefix = ClipPrefix(setup.eventFile);
    CollectionResult result;
    std::vector<std::string> lines{"Ver, 02.00.00, Audio Collection Recorder"};
    std::vector<float> audio;
    for (std::size_t s = 0; s < setup.segments.size(); ++s) {
        const SegmentSetup& seg = setup.segments[s];
        std::vector<Clip> clips = PlanSegment(setup, s, rng);
        for (Clip& clip : clips)
            clip.file = ClipName(prefix, ++result.clips);

        lines.push_back("STARTBYTRIGGER," + zarn::FormatDateTime(Serial(seg.start)) + "," +
                        clips.front().file);
        double lastStop = 0.0;
        for (const Clip& clip : clips) {
            lines.push_back(WavLine(clip));
            lastStop = std::max(lastStop, clip.stop);
        }
        lines.push_back("STOPBYTRIGGER," + zarn::FormatDateTime(lastStop) + "," + clips.back().file);

        int number = result.clips - static_cast<int>(clips.size());
        for (const Clip& clip : clips) {
            ++number;
            if (std::find(setup.missing.begin(), setup.missing.end(), number) != setup.missing.end()) {
                station.Remove(clip.file);
                result.missing.push_back(clip.file);
                continue;
            }
            const RowSetup& row = setup.rows[static_cast<std::size_t>(clip.number - 1)];
            const int level = clip.level.value_or(row.baseLevel);
            const double seconds = std::round((clip.stop - clip.start) * kSecondsPerDay);
            Rng clipRng(setup.seed * 0x10001 + static_cast<std::uint64_t>(number));
            synth.RenderClip(row.voice, AmplitudeOfLevel(level), HissOfLevel(level), seconds, clipRng, audio);
            station.Write(clip.file, EncodeWav(audio, number % 9 == 4 ? 16 : 8));
            SkipEarlierClipDraws(row.voice.sound, seconds, rng);
        }
    }
    station.WriteLines(setup.eventFile, lines);
    if (!setup.aud.empty()) station.WriteLines(AudName(setup.eventFile), setup.aud);
    return result;
}

// Eight receiver channels: field 3 ends in the bandwidth code, field 5 in the detection mode
// code, fields 12 and 13 hold the channel's frequency pair.
CollectionSetup PriorityCollection() {
    struct Channel {
        double frequency;
        double second;
        char bandwidth;
        char mode;
        int cor;
        int baseLevel;
        int weight;
        Voice voice;
    };
    const std::vector<Channel> channels = {
        {121.5, 121.5, '2', '1', 20, -112, 3, {Sound::Tone, 1050.0, ""}},
        {156.8, 156.825, '2', '2', 18, -95, 4, {Sound::Babble, 140.0, ""}},
        {7.035, 7.04, '1', '3', 10, -86, 2, {Sound::Morse, 700.0, "CQ CQ DE F6KQV K"}},
        {243.0, 243.0, '3', '4', 25, -75, 2, {Sound::Noise, 0.0, ""}},
        {14.23, 14.233, '1', '5', 15, -65, 3, {Sound::Babble, 115.0, ""}},
        {3.615, 3.612, '1', '6', 15, -55, 2, {Sound::Babble, 170.0, ""}},
        {8.992, 8.995, '0', '7', 20, -45, 2, {Sound::Fsk, 1200.0, ""}},
        {406.025, 406.028, '9', '9', 30, -104, 1, {Sound::Warble, 900.0, ""}},
    };
    CollectionSetup setup;
    setup.eventFile = "PRIA0612.EVA";
    setup.seed = 0x5052494F;
    setup.aud = {"HDR,PRIORITY,8 CHANNELS,06/12/24", "SCN,DWELL,2,HOLD,5"};
    int n = 0;
    for (const Channel& c : channels) {
        ++n;
        setup.aud.push_back("SMD," + std::to_string(n) + ",RX" + std::to_string(n) + ",BW" + c.bandwidth +
                            ",COR" + std::to_string(c.cor) + ",MD" + c.mode + ",ATT0,AGCF,0,0,0,0," +
                            zarn::FormatNumber(c.frequency, "00000.00000") + "," +
                            zarn::FormatNumber(c.second, "00000.00000") + ",1");
        setup.rows.push_back({c.frequency, c.baseLevel, c.weight, c.voice});
    }
    setup.segments = {
        {{2024, 6, 12, 8, 14, 5}, 42, 38, {}},
        {{2024, 6, 12, 10, 2, 40}, 31, 24, {}},
        {{2024, 6, 12, 13, 30, 12}, 58, 52, {}},
        {{2024, 6, 12, 19, 45, 0}, 35, 30, {}},
    };
    setup.missing = {17};
    return setup;
}

// Levels spread so that every row colour shows up: -120 .. -39 dBm.
int SpreadLevel(int k, int count) {
    return -120 + (k * 7 % count) * 81 / (count - 1);
}

CollectionSetup SpectralCollection() {
    const std::vector<std::pair<double, Voice>> signals = {
        {31.05, {Sound::Warble, 750.0, ""}},
        {34.9, {Sound::Babble, 150.0, ""}},
        {40.68, {Sound::Noise, 0.0, ""}},
        {46.61, {Sound::Tone, 620.0, ""}},
        {49.83, {Sound::Babble, 190.0, ""}},
        {118.1, {Sound::Babble, 125.0, ""}},
        {121.5, {Sound::Warble, 1000.0, ""}},
        {123.45, {Sound::Babble, 135.0, ""}},
        {136.975, {Sound::Fsk, 1200.0, ""}},
        {144.39, {Sound::Fsk, 1200.0, ""}},
        {145.5, {Sound::Babble, 160.0, ""}},
        {146.52, {Sound::Tone, 880.0, ""}},
        {151.625, {Sound::Babble, 110.0, ""}},
        {151.645, {Sound::Fsk, 1500.0, ""}},
        {154.57, {Sound::Warble, 1300.0, ""}},
        {156.8, {Sound::Babble, 145.0, ""}},
        {157.1, {Sound::Tone, 1000.0, ""}},
        {162.4, {Sound::Babble, 120.0, ""}},
        {163.275, {Sound::Morse, 800.0, "DE KB7QZ/R"}},
        {225.4, {Sound::Noise, 0.0, ""}},
        {243.0, {Sound::Warble, 1100.0, ""}},
        {311.225, {Sound::Tone, 540.0, ""}},
        {406.025, {Sound::Fsk, 900.0, ""}},
        {446.0063, {Sound::Babble, 180.0, ""}},
        {462.5625, {Sound::Morse, 650.0, "VVV DE W1AW"}},
    };
    CollectionSetup setup;
    setup.eventFile = "SPEC0613.EVA";
    setup.seed = 0x53504543;
    setup.aud = {"HDR,SPECTRAL,SWEEP", "SPE,0030.00000,0470.00000,0.02500,-110", "THR,-110,HOLD,3"};
    setup.jitterStep = 0.0005;
    setup.rowSubsets = true;
    const int count = static_cast<int>(signals.size());
    for (int k = 0; k < count; ++k) {
        const auto& [frequency, voice] = signals[static_cast<std::size_t>(k)];
        setup.rows.push_back({frequency, SpreadLevel(k, count), 2 + k * 3 % 5, voice});
    }
    setup.segments = {
        {{2024, 6, 13, 7, 5, 30}, 55, 60, {}},
        {{2024, 6, 13, 9, 40, 0}, 33, 36, {10, 25}},
        {{2024, 6, 13, 14, 12, 45}, 47, 48, {}},
        {{2024, 6, 13, 22, 30, 10}, 29, 26, {}},
    };
    setup.missing = {45, 130};
    return setup;
}

CollectionSetup NetoraCollection() {
    const std::vector<std::pair<double, Voice>> signals = {
        {3.615, {Sound::Babble, 165.0, ""}},
        {5.4035, {Sound::Babble, 130.0, ""}},
        {6.995, {Sound::Morse, 600.0, "NDB TX NDB TX"}},
        {7.035, {Sound::Morse, 720.0, "QRZ? DE DL3MBE"}},
        {8.992, {Sound::Fsk, 1100.0, ""}},
        {11.175, {Sound::Babble, 120.0, ""}},
        {14.07, {Sound::Fsk, 1000.0, ""}},
        {14.23, {Sound::Babble, 175.0, ""}},
        {18.068, {Sound::Morse, 780.0, "CQ DX DE EA8BQ"}},
        {27.185, {Sound::Tone, 500.0, ""}},
    };
    CollectionSetup setup;
    setup.eventFile = "NET.EVA";
    setup.seed = 0x4E45544F;
    setup.jitterStep = 0.0001;
    const int count = static_cast<int>(signals.size());
    for (int k = 0; k < count; ++k) {
        const auto& [frequency, voice] = signals[static_cast<std::size_t>(k)];
        setup.rows.push_back({frequency, SpreadLevel(k, count), 1 + k % 3, voice});
    }
    setup.segments = {
        {{2024, 6, 14, 6, 0, 0}, 36, 22, {}},
        {{2024, 6, 14, 11, 20, 30}, 52, 30, {}},
        {{2024, 6, 14, 18, 5, 15}, 30, 18, {}},
    };
    return setup;
}

// Entries catch about half of the SPECTRAL and NETORA signals; 151.635 with 50 kHz gathers the
// two signals beside it into one row.
std::vector<SignalEntry> DemoSignalList() {
    return {
        {3.615, 0.003, 20, "LSB", 1, 5, false, "80m net control"},
        {6.995, 0.002, 15, "CW", 0, 1, false, "Beacon, slow keying"},
        {7.035, 0.002, 20, "CW", 2, 9, false, ""},
        {11.175, 0.003, 25, "USB", 0, 0, false, "Air/ground HF, net w/ 2 outstations"},
        {14.23, 0.003, 20, "ISB", 1, 6, false, "Picture transmissions"},
        {18.068, 0.002, 10, "CW", 2, 7, false, ""},
        {27.185, 0.01, 30, "AM", 1, 9, true, "CB channel 19"},
        {33.0, 0.025, 20, "FM", 2, 9, false, ""},
        {40.68, 0.05, 35, "PLS", 0, 2, false, "ISM telemetry pulses"},
        {49.83, 0.015, 20, "FM", 1, 8, false, "Baby monitor"},
        {118.1, 0.025, 20, "AM", 1, 4, false, "Tower"},
        {121.5, 0.03, 15, "AM", 0, 0, false, "Guard, ELT sweep"},
        {136.975, 0.025, 20, "IFT", 1, 6, false, "ACARS data"},
        {145.5, 0.03, 20, "FM", 2, 9, false, "Calling channel"},
        {151.635, 0.05, 22, "FM", 0, 1, false, "Two-way pair, one row"},
        {156.8, 0.025, 20, "FM", 1, 3, false,
         "Canal 16, p\xEA"
         "che c\xF4ti\xE8re"},
        {162.4, 0.025, 20, "FM", 1, 9, true, "Weather broadcast"},
        {225.4, 0.1, 40, "AM", 0, 2, false, "Wideband noise source"},
        {243.0, 0.03, 15, "AM", 0, 0, false, "Military guard"},
        {311.225, 0.025, 20, "AM", 2, 9, false, ""},
        {406.025, 0.01, 30, "PLS", 1, 5, false, "Distress beacon test"},
        {462.5625, 0.015, 20, "FM", 2, 7, false, "FRS 1"},
        {850.0, 0.03, -1, "FM", 2, 9, false, "Trunk control, COR off"},
    };
}

std::vector<std::string> DemoComments() {
    std::vector<std::string> lines = {"[Signal List Comments]",
                                      "Calling channel",
                                      "Net control",
                                      "Beacon",
                                      "Data burst",
                                      "Weather broadcast",
                                      "Marine traffic",
                                      "Canal 16, p\xEA"
                                      "che c\xF4ti\xE8re",
                                      "Unknown, check again"};
    while (lines.size() < 21)
        lines.emplace_back("Unused");
    return lines;
}

// A recording of one clip to look at in the spectrogram: a steady tone, a sweep across the band
// and data bursts, each clear of the others, over a light hiss.
constexpr double kLookToneSeconds = 2.0;
constexpr double kLookSweepSeconds = 3.0;
constexpr double kLookBurstSeconds = 3.0;

std::vector<float> LookAudio() {
    const auto at = [](double seconds) { return static_cast<std::size_t>(seconds * kSampleRate); };
    const std::size_t sweepStart = at(kLookToneSeconds);
    const std::size_t burstStart = at(kLookToneSeconds + kLookSweepSeconds);
    std::vector<float> out(at(kLookToneSeconds + kLookSweepSeconds + kLookBurstSeconds));
    Rng rng(0x4C4F4F4B);
    double phase = 0.0;
    // Bursts of 300 baud between 1200 and 2200 Hz, 0.4 s on and 0.2 s off.
    const std::size_t bit = kSampleRate / 300;
    bool mark = true;
    for (std::size_t i = 0; i < out.size(); ++i) {
        double hz = 1000.0;
        double amplitude = 0.6;
        if (i >= sweepStart && i < burstStart) {
            const double t = static_cast<double>(i - sweepStart) / (burstStart - sweepStart);
            hz = 300.0 + (4500.0 - 300.0) * t;
        } else if (i >= burstStart) {
            const std::size_t k = i - burstStart;
            if (k % bit == 0) mark = rng.Chance(0.5);
            hz = mark ? 1200.0 : 2200.0;
            amplitude = k % at(0.6) < at(0.4) ? 0.6 : 0.0;
        }
        phase += hz / kSampleRate;
        phase -= std::floor(phase);
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * phase) + 0.01 * rng.Noise();
        out[i] = static_cast<float>(std::clamp(v, -1.0, 1.0));
    }
    return out;
}

void WriteLookRecording(Station& station) {
    const double start = Serial({2024, 6, 15, 9, 30, 0});
    Clip clip;
    clip.file = "LOOK0001.WAV";
    clip.number = 1;
    clip.frequency = 14.07;
    clip.start = start + 5 / kSecondsPerDay;
    clip.stop = start + 13 / kSecondsPerDay;
    clip.level = -60;
    clip.value = 34;
    std::vector<std::string> lines{"Ver, 02.00.00, Audio Collection Recorder"};
    lines.push_back("STARTBYTRIGGER," + zarn::FormatDateTime(start) + "," + clip.file);
    lines.push_back(WavLine(clip));
    lines.push_back("STOPBYTRIGGER," + zarn::FormatDateTime(clip.stop) + "," + clip.file);
    station.WriteLines("LOOK.EVA", lines);
    station.Write(clip.file, EncodeWav(LookAudio(), 8));
}

void WriteDemo(const std::string& folder) {
    Station station(folder);
    const Synth synth;
    std::vector<std::string> missing;
    std::vector<std::pair<std::string, int>> collections;
    for (const CollectionSetup& setup : {PriorityCollection(), SpectralCollection(), NetoraCollection()}) {
        CollectionResult result = WriteCollection(setup, station, synth);
        collections.emplace_back(setup.eventFile, result.clips);
        missing.insert(missing.end(), result.missing.begin(), result.missing.end());
    }

    station.WriteLines("~FREQ.SIG", SignalRecords(DemoSignalList()));
    std::error_code ec;
    const auto absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(station.Folder()), ec);
    if (ec) throw GenerationError("cannot resolve the folder " + station.Folder() + ": " + ec.message());
    station.WriteLines("~FREQ.~IG", {zarn::JoinPath(absolute.string(), "~FREQ.SIG")});
    station.WriteLines("~Freq.Cmt", DemoComments());
    station.WriteLines("Zarn_Aud.Ini", {"[WAV Display]", "ON", "[IFBW]", "25"});
    WriteLookRecording(station);

    std::printf("Demo station written to %s\n", station.Folder().c_str());
    for (const auto& [name, clips] : collections)
        std::printf("  %-12s %d clips\n", name.c_str(), clips);
    std::printf("Clips left out on purpose:");
    for (const std::string& name : missing)
        std::printf(" %s", name.c_str());
    std::printf("\nFiles:\n");
    station.PrintSummary(stdout);
}

// ---------------------------------------------------------------------------------------------
// Large inputs

constexpr int kLargeClips = 32767;
constexpr int kLargeFrequencies = 1999;
constexpr int kLargeEntries = 32767;

// One segment of 32767 clips over three hours on 1999 frequencies 0.2 MHz apart: each frequency
// is a row of its own. LARGE.EVA is a SPECTRAL collection; PRIORITY.EVA holds the same lines as a
// PRIORITY collection of 1999 channels.
void WriteLargeEvent(Station& station) {
    Rng rng(0x4C415247);
    std::vector<int> rowOfClip(kLargeClips);
    for (int i = 0; i < kLargeClips; ++i)
        rowOfClip[static_cast<std::size_t>(i)] =
            i < kLargeFrequencies ? i : rng.Int(0, kLargeFrequencies - 1);
    for (std::size_t i = rowOfClip.size() - 1; i > 0; --i)
        std::swap(rowOfClip[i], rowOfClip[static_cast<std::size_t>(rng.Next() % (i + 1))]);

    const double segStart = Serial({2024, 3, 1, 20, 0, 0});
    const std::string prefix = ClipPrefix("LARGE.EVA");
    std::vector<std::string> lines;
    lines.reserve(kLargeClips + 4);
    lines.emplace_back("Ver, 02.00.00, Audio Collection Recorder");
    lines.push_back("STARTBYTRIGGER," + zarn::FormatDateTime(segStart) + "," + ClipName(prefix, 1));
    double lastStop = segStart;
    for (int i = 0; i < kLargeClips; ++i) {
        const int row = rowOfClip[static_cast<std::size_t>(i)];
        const int start = 3 + static_cast<int>(static_cast<long long>(i) * 10800 / kLargeClips);
        const int level = rng.Int(-130, -36);
        Clip clip;
        clip.file = ClipName(prefix, i + 1);
        clip.number = row + 1;
        clip.frequency = 30.0 + 0.2 * row;
        clip.start = segStart + start / kSecondsPerDay;
        clip.stop = segStart + (start + rng.Int(2, 10)) / kSecondsPerDay;
        clip.level = level;
        clip.value = ValueOfLevel(level, rng);
        lines.push_back(WavLine(clip));
        lastStop = std::max(lastStop, clip.stop);
    }
    lines.push_back("STOPBYTRIGGER," + zarn::FormatDateTime(lastStop) + "," + ClipName(prefix, kLargeClips));
    station.WriteLines("LARGE.EVA", lines);
    station.WriteLines("LARGE.AUD", {"HDR,SPECTRAL,SWEEP", "SPE,0030.00000,0430.00000,0.02500,-110"});

    // The same clips from a PRIORITY collection of 1999 channels, channel k on the frequency of
    // row k: every clip is filed on its channel's row.
    std::vector<std::string> aud;
    aud.reserve(kLargeFrequencies + 2);
    aud.emplace_back("HDR,PRIORITY," + std::to_string(kLargeFrequencies) + " CHANNELS,03/01/24");
    aud.emplace_back("SCN,DWELL,2,HOLD,5");
    for (int row = 0; row < kLargeFrequencies; ++row) {
        const std::string n = std::to_string(row + 1);
        const std::string mhz = zarn::FormatNumber(30.0 + 0.2 * row, "00000.00000");
        aud.push_back("SMD," + n + ",RX" + n + ",BW" + std::to_string(row % 4) + ",COR" +
                      std::to_string(row % 41) + ",MD" + std::to_string(1 + row % 7) + ",ATT0,AGCF,0,0,0,0," +
                      mhz + "," + mhz + ",1");
    }
    station.WriteLines("PRIORITY.EVA", lines);
    station.WriteLines("PRIORITY.AUD", aud);
}

// An hour of transmissions of every kind with pauses of hiss between, the level rising and
// falling over the hour.
void WriteHourClip(Station& station, const Synth& synth) {
    Rng rng(0x484F5552);
    constexpr std::size_t kSamples = 3600u * kSampleRate;
    std::string bytes = WavHeader(static_cast<std::uint32_t>(kSamples), 8);
    bytes.reserve(44 + kSamples);
    const std::array<Voice, 6> voices = {Voice{Sound::Tone, 900.0, ""},
                                         Voice{Sound::Warble, 1000.0, ""},
                                         Voice{Sound::Morse, 700.0, "CQ CQ DE F6KQV"},
                                         Voice{Sound::Noise, 0.0, ""},
                                         Voice{Sound::Fsk, 1200.0, ""},
                                         Voice{Sound::Babble, 140.0, ""}};
    std::vector<float> chunk;
    while (bytes.size() < 44 + kSamples) {
        const std::size_t done = bytes.size() - 44;
        const double hour = static_cast<double>(done) / static_cast<double>(kSamples);
        const int level =
            static_cast<int>(std::lround(-85.0 + 40.0 * std::sin(2.0 * std::numbers::pi * 2.0 * hour))) +
            rng.Int(-8, 8);
        const auto pause = static_cast<std::size_t>(rng.Real(1.5, 25.0) * kSampleRate);
        const auto burst = static_cast<std::size_t>(rng.Real(4.0, 75.0) * kSampleRate);
        const double hiss = HissOfLevel(level);
        for (std::size_t k = 0; k < pause && bytes.size() < 44 + kSamples; ++k)
            bytes.push_back(Sample8(static_cast<float>(hiss * rng.Noise())));
        chunk.assign(std::min(burst, 44 + kSamples - bytes.size()), 0.0f);
        synth.Render(voices[static_cast<std::size_t>(rng.Int(0, 5))], AmplitudeOfLevel(level), hiss, rng,
                     chunk);
        for (float v : chunk)
            bytes.push_back(Sample8(v));
    }
    station.Write("HOUR.WAV", bytes);
}

// 32767 entries 30 kHz apart from 30 MHz; a third of the LARGE.EVA frequencies fall on one.
void WriteLargeSignalList(Station& station) {
    Rng rng(0x5349474C);
    static constexpr std::array<const char*, 8> kModes = {"AM",  "FM",  "CW",  "PLS",
                                                          "USB", "LSB", "ISB", "IFT"};
    static constexpr std::array<double, 4> kBandwidths = {0.01, 0.015, 0.02, 0.025};
    std::vector<SignalEntry> entries;
    entries.reserve(kLargeEntries);
    for (int m = 0; m < kLargeEntries; ++m) {
        SignalEntry e;
        e.frequency = 30.0 + 0.03 * m;
        e.ifbw = kBandwidths[static_cast<std::size_t>(rng.Int(0, 3))];
        e.cor = rng.Chance(0.05) ? -1 : rng.Int(0, 40);
        e.mode = kModes[static_cast<std::size_t>(rng.Int(0, 7))];
        e.signalClass = rng.Int(0, 2);
        e.priority = rng.Int(0, 9);
        e.lockout = rng.Chance(0.02);
        if (m % 5 == 0) e.comment = "Entry " + std::to_string(m + 1);
        entries.push_back(std::move(e));
    }
    station.WriteLines("LARGE.SIG", SignalRecords(std::move(entries)));
}

void WriteLarge(const std::string& folder) {
    Station station(folder);
    const Synth synth;
    WriteLargeEvent(station);
    WriteHourClip(station, synth);
    WriteLargeSignalList(station);
    std::printf("Benchmark inputs written to %s\n", station.Folder().c_str());
    station.PrintSummary(stdout);
}

int Usage() {
    std::fputs("usage: demo_station DIR            writes the demo station into DIR\n"
               "       demo_station --large DIR    writes the benchmark inputs into DIR\n",
               stderr);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool large = args.size() == 2 && args[0] == "--large";
    if (!(args.size() == 1 && !args[0].starts_with("-")) && !large) return Usage();
    const std::string& folder = args.back();
    if (folder.empty()) return Usage();
    try {
        if (large)
            WriteLarge(folder);
        else
            WriteDemo(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demo_station: %s\n", e.what());
        return 1;
    }
    return 0;
}
