#include "app/camera_paths.h"

#include "app/timeline_moments.h"

#include <algorithm>
#include <cmath>

namespace {

using timeline::asFloat;

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
    const double c = clamp01((td - timeline::openingSettles) * 0.2);
    const float s = static_cast<float>(1.0 - c);
    const float sSquared = s * s;
    const float e = static_cast<float>((3.0 - 2.0 * static_cast<double>(s)) * sSquared);
    const double k = e * e;

    const double halfSine = 0.5 * static_cast<double>(static_cast<float>(std::sin(td)));
    camera.dir.x = k * (halfSine + 0.5 * td + std::sin(0.4 * td) - 11.0);
    camera.dir.y = k * std::sin(0.4 * td);

    if (t > asFloat(timeline::openingAdvances)) {
        const float f = (t - asFloat(timeline::openingAdvances)) * 0.2f;
        const float fSquared = f * f;
        const float fBelow = f - 16.0f;
        camera.pos.y = 2.0 * fSquared / fBelow;
        camera.pos.z = 30.0 * fSquared / fBelow + 3.0;
    }
}

Camera risePath(float t) {
    Camera camera;
    camera.pos = {0.1, (static_cast<double>(t) - timeline::plumeFrom) * 0.11 - 0.3, 0.3};
    camera.dir = {0.0, 0.0};
    return camera;
}

Camera cutOrbit(float t) {
    const double td = t;
    const auto& cut = timeline::plumeCuts;
    const int cuts = when(t >= asFloat(cut[0])) + when(t >= asFloat(cut[1])) +
                     when(t >= asFloat(cut[2])) + when(td >= cut[3]) + 3 * when(td >= cut[4]);
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
    const auto& cut = timeline::finaleCuts;
    const int cuts = 2 * when(t >= asFloat(cut[0])) + when(td >= cut[1]) + when(td >= cut[2]) +
                     2 * when(td >= cut[3]) + when(td >= cut[4]) - 1;
    const double u = orbitParameter(t, cuts);
    const float e = ease(clamp01((t - asFloat(timeline::shrinkFrom)) * 0.2f));
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
    const float s1 = ease(clamp01((t - asFloat(timeline::sheetEnd)) * 0.2f));
    const float q = 1.0f - s1;
    const double r = 1.0f - q;
    const double cameraRise = 20.0f * ease(clamp01((t - asFloat(timeline::cameraRises)) * 0.1f));
    const double targetRise = 20.0f * ease(clamp01((t - asFloat(timeline::targetRises)) * 0.1f));

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
