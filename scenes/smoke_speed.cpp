#include "scenes/smoke_speed.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

struct SpeedPulse {
    double start; // the burst is open while t > start
    double end;
    double scale;
};

// The first burst is always open: the simulation itself starts at 34.2 s.
constexpr std::array<SpeedPulse, 9> pulses = {{
    {-std::numeric_limits<double>::infinity(), 34.6, 1.0},
    {36.3, 36.7, 1.0},
    {38.5, 38.9, 1.0},
    {40.6, 41.0, 1.0},
    {42.9, 43.3, 1.0},
    {44.95, 45.35, 1.0},
    {47.15, 47.55, 0.8},
    {49.25, 49.65, 0.6},
    {50.5, 50.9, 0.5},
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
