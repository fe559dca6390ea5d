#include "tests/support/rock_reference.h"

#include <algorithm>
#include <cmath>

Ray layerPointReference(int index, int n) {
    return {(index % n + 0.5) / n - 0.5, (index / n % n + 0.5) / n - 0.5,
            double(index / (n * n)) / n - 0.5};
}

ShaftFieldBounds shaftFieldReference(const Ray& p, double t) {
    // Each ledge: centre, then half-extents.
    const std::array<std::array<double, 6>, 4> ledges = {{{0.2, -0.05, 0.3, 0.1, 0.1, 0.25},
                                                          {0.1, -0.3, 0.3, 0.25, 0.025, 0.05},
                                                          {-0.2, -0.2, -0.3, 0.25, 0.025, 0.05},
                                                          {-0.3, 0.15, -0.3, 0.25, 0.025, 0.25}}};
    const double h = std::min(1.0, 5.0 * (p[1] + 0.4)), turn = 4.0 * p[1] + t;
    const double shaft =
        0.3 - std::hypot(p[0] + 0.1 * h * std::cos(turn), p[2] + 0.1 * h * std::sin(turn));
    const double smooth =
        std::max(p[1] - 0.45 + 0.4 * std::hypot(p[0], p[2]), std::min(shaft, p[1] + 0.4));
    double solids = std::hypot(p[0] + 0.2, 5.0 * p[1] - 1.2, p[2] - 0.2) - 0.1;
    for (const auto& l : ledges)
        solids =
            std::min(solids, std::max({std::fabs(p[0] - l[0]) - l[3], std::fabs(p[1] - l[1]) - l[4],
                                       std::fabs(p[2] - l[2]) - l[5]}));
    // The strata reach half an octave: 0.15 |h| times 0.75.
    return {smooth, solids, 0.15 * std::fabs(h) * 0.75};
}

std::optional<Rgb> shaftSkyReference(const Ray& ray, double t, float density) {
    const double wave = std::sin(80.0 * std::atan2(ray[0], ray[2]));
    if (std::fabs(wave) <= 0.02)
        return std::nullopt;
    const double w = std::clamp(0.2 * (60.0 - t), 0.0, 1.0), s = w * w * (3 - 2 * w);
    const double d = facingLightReference(ray, 0.6), stripes = 0.075 * std::floor(1 + wave);
    const Rgb warm = hslToRgb(10 + 30 * d, 0.7 + 0.3 * d + stripes, 0.15 + 0.25 * d);
    const Rgb cool = coolSkyReference(d, 0.0);
    // Sprites add 0.06 each; the sky reads one more wherever there is any.
    const double a = density > 0.0f ? density + 1.0 : 0.0;
    const double smoke = std::clamp(std::exp(0.025 * a) - 1.0, 0.0, 1.0);
    const auto mix = [&](double hot, double cold, double dark) {
        const double sky = hot * s + cold * (1 - s);
        return sky + (dark - sky) * smoke;
    };
    return Rgb{mix(warm.r, cool.r, 0.05), mix(warm.g, cool.g, 0.06), mix(warm.b, cool.b, 0.07)};
}

double plumeCapReference(const Ray& p, double t) {
    const double x = p[0] * 0.3, y = p[1], z = p[2] * 0.3;
    const double sphere = std::hypot(x, y - 0.35, z) - 0.1;
    return 0.09 * std::max(0.0, t - 79.6) + 2.0 * std::min(sphere, std::hypot(x, z)) + y - 0.34;
}

Rgb coolSkyReference(double shade, double warmth) {
    return hslToRgb(140 + 30 * shade - 120 * warmth, 0.1 + 0.2 * shade - 0.1 * warmth,
                    0.1 + 0.2 * shade + 0.1 * warmth);
}
