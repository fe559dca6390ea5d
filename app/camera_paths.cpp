#include "app/camera_paths.h"

#include <algorithm>
#include <cmath>

namespace {

double clamp01(double x) {
    return std::min(std::max(x, 0.0), 1.0);
}

float clamp01(float x) {
    return std::min(std::max(x, 0.0f), 1.0f);
}

// smoothstep(0, 1, x) of a clamped value, in single precision.
float ease(float x) {
    return x * x * (3.0f - 2.0f * x);
}

// [condition] as a number.
int when(bool condition) {
    return condition ? 1 : 0;
}

// The orbit parameter: t moved forward by whole cuts of 11.46 s, in single precision.
float orbitParameter(float t, int cuts) {
    return t + 11.46f * static_cast<float>(cuts);
}

} // namespace

void openingPath(float t, Camera& camera) {
    const double td = t;
    const double c = clamp01((td - 28.0) * 0.2);
    const float s = static_cast<float>(1.0 - c);
    const float sSquared = s * s;
    const float e = static_cast<float>((3.0 - 2.0 * static_cast<double>(s)) * sSquared);
    const double k = e * e;

    const double halfSine = 0.5 * static_cast<double>(static_cast<float>(std::sin(td)));
    camera.dir.x = k * (halfSine + 0.5 * td + std::sin(0.4 * td) - 11.0);
    camera.dir.y = k * std::sin(0.4 * td);

    if (t > 51.0f) {
        const float f = (t - 51.0f) * 0.2f;
        const float fSquared = f * f;
        const float fBelow = f - 16.0f;
        camera.pos.y = 2.0 * fSquared / fBelow;
        camera.pos.z = 30.0 * fSquared / fBelow + 3.0;
    }
}

Camera risePath(float t) {
    Camera camera;
    camera.pos = {0.1, (static_cast<double>(t) - 60.0) * 0.11 - 0.3, 0.3};
    camera.dir = {0.0, 0.0};
    return camera;
}

Camera cutOrbit(float t) {
    const double td = t;
    const int cuts = when(t >= 70.6f) + when(t >= 73.25f) + when(t >= 75.5f) + when(td >= 77.6) +
                     3 * when(td >= 79.6);
    const double u = orbitParameter(t, cuts);

    const double x = 2.0 * std::sin(0.11 * u) + std::sin(0.5 * u);
    const double y = std::sin(0.21 * u);
    const double z = 2.0 * std::cos(0.11 * u) + std::cos(0.5 * u);
    Camera camera;
    camera.pos = {x, y, z};
    camera.dir.x = -std::atan2(x + 1.0, z);
    camera.dir.y = std::atan2(y, std::sqrt((x + 1.0) * (x + 1.0) + z * z));
    return camera;
}

Camera fadingOrbit(float t) {
    const double td = t;
    const int cuts = 2 * when(t >= 83.8f) + when(td >= 85.9) + when(td >= 87.9) +
                     2 * when(td >= 90.45) + when(td >= 92.65) - 1;
    const double u = orbitParameter(t, cuts);
    const float e = ease(clamp01((t - 95.0f) * 0.2f));
    const double m = 1.0f - e;

    const double x = 1.5 * m * (2.0 * std::sin(0.11 * u) + std::sin(0.5 * u));
    const double y = 1.5 * m * std::sin(0.21 * u);
    const double z =
        m * (1.5 * std::abs(2.0 * std::cos(0.11 * u) + std::cos(0.5 * u)) + 2.7f) + 3.0 * e;
    Camera camera;
    camera.pos = {x, y, z};
    camera.dir.x = -m * std::atan2(x + 1.0, z);
    camera.dir.y = m * std::atan2(y, std::sqrt((x + 1.0) * (x + 1.0) + z * z));
    return camera;
}

Camera finaleOrbit(float t) {
    const double td = t;
    const float s1 = ease(clamp01((t - 104.5f) * 0.2f));
    const float q = 1.0f - s1;
    const double r = 1.0f - q;
    const double cameraRise = 20.0f * ease(clamp01((t - 132.0f) * 0.1f));
    const double targetRise = 20.0f * ease(clamp01((t - 130.0f) * 0.1f));

    const double x = 1.5 * r * (2.0 * std::sin(0.5 * td) + 8.0 * std::sin(0.11 * td));
    const double y = r * (1.5 * std::sin(0.21 * td) + 2.0) + cameraRise;
    const double z =
        r * (1.5 * (2.0 * std::cos(0.5 * td) + 8.0 * std::cos(0.11 * td)) - 5.0) + 3.0 * q;
    Camera camera;
    camera.pos = {x, y, z};
    camera.dir.x = -r * std::atan2(x + 1.0, z + 5.0);
    camera.dir.y = r * std::atan2(y - 4.0 - targetRise,
                                  std::sqrt((x + 1.0) * (x + 1.0) + (z + 5.0) * (z + 5.0)));
    return camera;
}
