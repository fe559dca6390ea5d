#include "tests/support/finale_reference.h"
#include "tests/support/flow_reference.h"

#include <algorithm>
#include <cmath>

// A sum the shader forms in single precision, before a function of it.
constexpr auto single = [](double x) { return double(static_cast<float>(x)); };

Double4 blobReference(const Hash4& r1, const Hash4& r2, int i, float t) {
    // A wobble, not a rotation: each pair's second row takes the sine of t less the phase.
    const double ax = r2[0] * std::cos(single(r2[2] + t)), az = r2[0] * std::sin(single(t - r2[2]));
    const double ay = r2[1] * std::cos(single(r2[3] + t)) + az * std::sin(single(r2[3] + t));
    const double az2 = r2[1] * std::sin(single(t - r2[3])) + az * std::cos(single(r2[3] + t));
    const double cy = r1[1] + 0.4 * ay + 0.1 * std::sin(single(20.0 * r2[0] + 0.5 * t));
    const double rise = std::max(0.01, 5.0 * std::exp(single(100.0 - t + i)));
    return {0.5 * (r1[0] + 0.4 * ax), 0.5 * cy - rise, 0.5 * (r1[2] + 0.4 * az2),
            0.3 * (0.6 + 0.4 * std::sin(single(20.0 * r1[3] + t)))};
}

Ray textFrame(Ray p, int line) {
    if (line == 1 || line == 4 || line == 5)
        std::swap(p[0], p[2]);
    return line == 5 ? Ray{p[0], p[1] + 0.25, p[2] - 0.25} : p;
}

double textFieldReference(const Ray& cube, float t, const std::vector<float>& text, double shift) {
    // Line o shows from 137 + 10 o s.
    const int line = static_cast<int>(std::floor((t - 137.0) * 0.1));
    const Ray p = textFrame(cube, line);
    // Lines 1 to 3 run along +x, the others along -x; the last is drawn larger.
    const double forward = line >= 1 && line <= 3 ? 1.0 : -1.0, scale = line >= 5 ? 1.25 : 3.0;
    const double u = (0.5 + forward * p[0]) / scale;
    // Rows 40 to 190 below line o's layout pitch hold it.
    const double v =
        std::clamp((0.5 - p[1]) / scale + 0.15 * line, 0.15 * line + 0.04, 0.15 * line + 0.19);
    const int column = std::clamp(int(std::floor(0.5 * u * 2500 + shift)), 0, 2499);
    const int row = std::clamp(int(std::floor(v * 1000 + shift)), 0, 999);
    const double k = text[row * 2500 + column];
    const double phase = (t - 137.0) * 0.1 - line;
    const double wipe = 0.008 * (std::sin(36.0 * p[0]) + std::sin(36.0 * p[1]) - 5.0 * p[0] -
                                 5.0 * p[1] - 10.0 * std::sin((1.4 * phase - 0.2) * 3.141592));
    return std::max(std::fabs(p[2]) - 0.02, std::max(0.02 - k, wipe));
}

double linearField(const Ray& g) {
    const auto edge = [](double x) {
        return std::clamp(x, 0.5 / linearSide, 1 - 0.5 / linearSide);
    };
    return -0.25 + 0.5 * edge(g[0]) - 0.25 * edge(g[1]);
}

Double4 particleStepReference(const Hash4& in, float t, const Double4& s) {
    Double4 p = {in[0], in[1], in[2], in[3] - 0.005f};
    if (p[3] < 0.0) {
        // Respawn around the swaying emitter; 3 % of the particles spread twenty times wider.
        const double m = s[2] > 0.47 ? 30.5 : 1.5;
        p = {m * s[0] + 4.0 * std::sin(1.2 * t) + 0.2 * std::cos(0.4 * t),
             m * s[1] + 24.0 + 0.2 * std::cos(1.2 * t) - 0.1 * std::sin(0.4 * t),
             19.0 * s[2] + 15.0, 0.9 + s[3]};
    }
    Ray vel{0.0, 0.0, -0.2};
    // Four octaves of curl: weight, scale of p, its shift and the speed of t.
    for (const auto& [weight, scale, shift, speed] :
         {std::array{0.022, 0.5, 2.6, 1.0}, std::array{0.020, 1.0, 0.0, 3.0},
          std::array{0.019, 4.0, 0.0, 5.0}, std::array{0.015, 12.0, 0.0, 8.0}}) {
        const Ray d = curlReference(
            {scale * p[0] - shift, scale * p[1] - shift, scale * p[2] - shift}, speed * t);
        for (int c = 0; c < 3; ++c)
            vel[c] += weight * d[c];
    }
    const Ray g{p[0] / 10.0 + 0.5, (p[1] - 22.5) / 10.0 + 0.5, (p[2] + 5.0) / 10.0 + 0.5};
    const auto at = [&](double dx, double dy) { return linearField({g[0] + dx, g[1] + dy}); };
    const double d = at(0.0, 0.0), e = 0.01;
    // Within 0.006 of the surface the slope in y drives x and the slope in x drives y.
    const double factor = d <= 0.006 ? d / 0.006 * 0.0002 : 1.0;
    if (d <= 0.006)
        vel = {vel[2] * (at(0.0, -e) - at(0.0, e)) / (0.006 * e),
               vel[2] * (at(e, 0.0) - at(-e, 0.0)) / (0.006 * e), vel[2] / 0.00015};
    for (int c = 0; c < 3; ++c)
        p[c] += vel[c] * factor;
    return p;
}

Rgb finaleSkyReference(const Ray& ray, double t) {
    // Turning warm after 78.2 s, then grey from 130 s.
    const double d = facingLightReference(ray, 0.6);
    const double grey = 0.2 * std::clamp((t - 130.0) * 0.15, 0.0, 1.0);
    return hslToRgb(140.0 + 30.0 * d - 120.0 * std::clamp(t - 78.2, 0.0, 1.0),
                    std::max(0.0, 0.2 * d - grey), std::max(0.0, 0.2 + 0.2 * d - grey));
}
