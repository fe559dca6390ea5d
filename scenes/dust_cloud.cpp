#include "scenes/dust_cloud.h"

#include <cstddef>

std::vector<float> scatterDust(CrtRandom& random, int points, float span) {
    std::vector<float> positions;
    if (points < 1)
        return positions;
    const std::size_t coordinates = static_cast<std::size_t>(points) * 3;
    positions.reserve(coordinates);
    for (std::size_t i = 0; i < coordinates; ++i) {
        const float unit = static_cast<float>(random.next() % 10000) / 10000.0f;
        positions.push_back((unit - 0.5f) * span);
    }
    return positions;
}
