#include "app/camera.h"

namespace {

struct Planes {
    double nearPlane;
    double farPlane;
};

Planes planesOf(DepthRange range) {
    switch (range) {
    case DepthRange::Near0_01Far50:
        return {0.01, 50.0};
    case DepthRange::Near0_01Far5:
        return {0.01, 5.0};
    case DepthRange::Near0_1Far500:
        return {0.1, 500.0};
    }
    return {0.01, 50.0};
}

} // namespace

ProjectVector project(int width, int height, DepthRange range) {
    const auto [n, f] = planesOf(range);
    // x stays in single precision throughout; z and w are the double formulas rounded.
    const float x = static_cast<float>(height) * 2.0f / static_cast<float>(width);
    return {x, 2.0f, static_cast<float>(-(f + n) / (f - n)),
            static_cast<float>(-2.0 * f * n / (f - n))};
}

float aspect(int width, int height) {
    return static_cast<float>(width) / static_cast<float>(height);
}
