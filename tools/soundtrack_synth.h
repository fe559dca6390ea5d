#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr int kSampleRate = 44100;
// The pulse: a kick on every beat and a hat between beats, 120 beats a minute.
inline constexpr double kBeatSeconds = 0.5;
// Every cut and beat of the timeline, in seconds of music; each gets a loud, bright accent.
inline constexpr auto kAccentTimes = std::to_array<double>({
    28,    33,   34.2,  36.3, 38.5, 40.6, 42.9, 44.95, 47.15, 49.25, 50.5,  51,    55, 60,
    68.6,  70.6, 73.25, 75.5, 77.6, 79.6, 81.8, 83.8,  85.9,  87.9,  90.45, 92.65, 95, 100,
    104.5, 130,  131,   132,  135,  137,  147,  157,   167,   177,   187,   195,
});

// Renders mono samples [firstSample, firstSample + out.size()) of the soundtrack, within
// [-1, 1]; any split into blocks gives the same samples.
void renderSoundtrack(std::span<float> out, std::int64_t firstSample);
