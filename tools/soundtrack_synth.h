#pragma once

#include "app/timeline_moments.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int kSampleRate = 44100;
// The pulse: a kick on every beat and a hat between beats, 120 beats a minute.
inline constexpr double kBeatSeconds = 0.5;
// Every cut and beat of the timeline, in seconds of music, ascending; each gets a loud, bright
// accent.
inline constexpr auto kAccentTimes = [] {
    using namespace timeline;
    std::array<double, 40> times{};
    std::size_t count = 0;
    const auto add = [&](double t) { times[count++] = t; };
    // The opening camera's turning settles over five seconds.
    add(openingSettles);
    add(openingSettles + 5.0);
    add(shaftEnd);
    for (const double t : smokeBursts)
        add(t);
    for (const double t : {openingAdvances, skyCools, plumeFrom, plumeOrbitFrom})
        add(t);
    for (const double t : plumeCuts)
        add(t);
    add(finaleFrom);
    for (const double t : finaleCuts)
        add(t);
    // The closing orbit shrinks into the rest camera over five seconds.
    for (const double t : {shrinkFrom, shrinkFrom + 5.0, sheetEnd, targetRises, streamFrom,
                           cameraRises, creditsFrom})
        add(t);
    for (double line = firstCreditLine; line < fadeOut; line += 10.0)
        add(line);
    add(fadeOut);
    return times;
}();
// Every slot filled: an unfilled one would be a zero out of order.
static_assert(std::ranges::is_sorted(kAccentTimes));

// Renders mono samples [firstSample, firstSample + out.size()) of the soundtrack, within
// [-1, 1]; any split into blocks gives the same samples.
void renderSoundtrack(std::span<float> out, std::int64_t firstSample);
