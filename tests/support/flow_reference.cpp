#include "tests/support/flow_reference.h"

#include <algorithm>
#include <cmath>

Ray curlReference(const Ray& p, double s) {
    Ray c{};
    for (size_t a = 0; a < 3; ++a)
        c[a] = std::cos(static_cast<float>(p[a] + 0.05 * s));
    return {c[1] - c[2], c[2] - c[0] + 0.1, c[0] - c[1]};
}

void smokeStepReference(std::array<float, 4>& position, std::array<float, 4>& state, float t,
                        float speed) {
    Ray vel{};
    for (const auto& [weight, scale, time] :
         {std::array{0.007, 3.0, 1.0}, {0.006, 8.0, 3.0}, {0.004, 16.0, 5.0}, {0.003, 24.0, 8.0}}) {
        const double shift = scale == 3.0 ? -2.6 : 0.0;
        const Ray curl = curlReference(
            {scale * position[0] + shift, scale * position[1] + shift, scale * position[2] + shift},
            time * t);
        for (size_t a = 0; a < 3; ++a)
            vel[a] += weight * curl[a];
    }
    const double life = state[3], m = std::pow(std::max(0.0, life - 0.1), 2.0);
    for (size_t a = 0; a < 3; ++a)
        position[a] += static_cast<float>(
            speed * 0.4 *
            ((1.0 - m) * vel[a] * std::exp((life - 1.0) * 2.7) * 0.6 + m * 0.008 * state[a]));
    state[3] = static_cast<float>(life - 0.00025 - 0.00025 * std::hypot(vel[0], vel[1], vel[2]));
}
