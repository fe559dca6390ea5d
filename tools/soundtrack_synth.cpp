#include "tools/soundtrack_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kKickSeconds = 0.4;
constexpr double kHatSeconds = 0.1;
constexpr double kAccentSeconds = 1.5;
// A major chord with its octave, bright enough to stand out from the low kick.
constexpr std::array<double, 4> kChordHz{440.0, 554.37, 659.26, 880.0};

enum class Voice : std::uint64_t { Hat = 1, Cymbal = 2 };

// Stateless white noise in [-1, 1], so a block split never changes the sound.
double noise(Voice voice, std::uint64_t event, std::int64_t sample) {
    std::uint64_t x = (static_cast<std::uint64_t>(voice) << 56) ^ (event << 28) ^
                      static_cast<std::uint64_t>(sample);
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// High-passed noise: the difference of neighbours keeps the hiss and drops the rumble.
double hiss(Voice voice, std::uint64_t event, std::int64_t sample) {
    return 0.5 * (noise(voice, event, sample) - noise(voice, event, sample - 1));
}

double attack(double t) {
    return 1.0 - std::exp(-t / 0.002);
}

double kick(double t) {
    const double phase = kTwoPi * (50.0 * t + 90.0 * 0.03 * (1.0 - std::exp(-t / 0.03)));
    return 0.2 * attack(t) * std::exp(-t / 0.12) * std::sin(phase);
}

double hat(std::uint64_t beat, std::int64_t sample, double t) {
    return 0.06 * std::exp(-t / 0.025) * hiss(Voice::Hat, beat, sample);
}

double accent(std::uint64_t index, std::int64_t sample, double t) {
    double chord = 0.0;
    for (double hz : kChordHz)
        chord += std::sin(kTwoPi * hz * t) + 0.5 * std::sin(kTwoPi * 2.0 * hz * t);
    const double ring = 0.14 * std::exp(-t / 0.35) * chord;
    const double crash = 0.5 * std::exp(-t / 0.15) * hiss(Voice::Cymbal, index, sample);
    return attack(t) * (ring + crash);
}

// Adds one sounding event that starts at onset seconds and lasts length seconds.
template <typename Sound>
void addEvent(std::span<float> out, std::int64_t firstSample, double onset, double length,
              Sound sound) {
    const std::int64_t start = std::llround(onset * kSampleRate);
    const std::int64_t end = start + std::llround(length * kSampleRate);
    const std::int64_t last = firstSample + static_cast<std::int64_t>(out.size());
    for (std::int64_t n = std::max(start, firstSample); n < std::min(end, last); ++n) {
        const double t = static_cast<double>(n - start) / kSampleRate;
        out[static_cast<std::size_t>(n - firstSample)] += static_cast<float>(sound(n - start, t));
    }
}

} // namespace

void renderSoundtrack(std::span<float> out, std::int64_t firstSample) {
    std::fill(out.begin(), out.end(), 0.0f);
    const double from = static_cast<double>(firstSample) / kSampleRate;
    const double to =
        static_cast<double>(firstSample + static_cast<std::int64_t>(out.size())) / kSampleRate;

    const double earliest = std::max(0.0, std::floor((from - kKickSeconds) / kBeatSeconds));
    for (auto beat = static_cast<std::uint64_t>(earliest);
         static_cast<double>(beat) * kBeatSeconds < to; ++beat) {
        const double onset = static_cast<double>(beat) * kBeatSeconds;
        addEvent(out, firstSample, onset, kKickSeconds,
                 [](std::int64_t, double t) { return kick(t); });
        addEvent(out, firstSample, onset + 0.5 * kBeatSeconds, kHatSeconds,
                 [beat](std::int64_t n, double t) { return hat(beat, n, t); });
    }
    for (std::size_t i = 0; i < kAccentTimes.size(); ++i) {
        if (kAccentTimes[i] + kAccentSeconds <= from || kAccentTimes[i] >= to)
            continue;
        addEvent(out, firstSample, kAccentTimes[i], kAccentSeconds,
                 [i](std::int64_t n, double t) { return accent(i, n, t); });
    }
    // A soft limiter keeps overlapping hits inside full scale.
    for (float& sample : out)
        sample = std::tanh(sample);
}
