#include "scenes/smoke_speed.h"

#include "app/timeline_moments.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct SpeedPulse {
    double start; // the burst is open while t > start
    double end;
    double scale;
};

// The first burst is always open: the simulation itself starts at timeline::shaftEnd.
constexpr auto& bursts = timeline::smokeBursts;
constexpr std::array<SpeedPulse, 9> pulses = {{
    {-std::numeric_limits<double>::infinity(), 34.6, 1.0},
    {bursts[0], 36.7, 1.0},
    {bursts[1], 38.9, 1.0},
    {bursts[2], 41.0, 1.0},
    {bursts[3], 43.3, 1.0},
    {bursts[4], 45.35, 1.0},
    {bursts[5], 47.55, 0.8},
    {bursts[6], 49.65, 0.6},
    {bursts[7], 50.9, 0.5},
}};

} // namespace

float smokeSpeed(double t) {
    float speed = 0.0f;
    for (const SpeedPulse& pulse : pulses) {
        const double open = t > pulse.start ? 1.0 : 0.0;
        const double rise = std::max(1.0, open * ((pulse.end - t) * 3.0 + 1.0));
        speed = static_cast<float>(std::max(static_cast<double>(speed), pulse.scale * rise * rise));
    }
    return speed;
}
