#include "tests/support/sheet_reference.h"
#include "tests/support/flow_reference.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float pi = 3.141592f, twoPi = 2.0f * pi;
using V = std::array<float, 3>;

// The sum of four curl fields with weights w at scales k of q (even terms) or p (odd terms).
V flow(const V& p, const V& q, float s, const std::array<float, 4>& w,
       const std::array<float, 4>& k) {
    constexpr std::array<float, 4> times = {9.0f, 17.0f, 21.0f, 33.0f};
    V sum{};
    for (size_t f = 0; f < 4; ++f) {
        const V& x = f % 2 == 0 ? q : p;
        const Ray c = curlReference({k[f] * x[0], k[f] * x[1], k[f] * x[2]}, times[f] * s);
        for (size_t a = 0; a < 3; ++a)
            sum[a] += w[f] * static_cast<float>(c[a]);
    }
    return sum;
}

} // namespace

SheetStep sheetStepReference(const std::array<float, 4>& in, float s, const SheetPen& pen) {
    constexpr float gone = 1.0e4f;
    SheetStep step{in};
    if (!(in[0] < gone))
        return step;
    V p = {in[0], in[1], in[2]};
    float w = in[3];
    const V q = {p[0] * std::cos(0.4f) + p[2] * std::sin(0.4f), p[1],
                 -p[0] * std::sin(0.4f) + p[2] * std::cos(0.4f)};
    if (std::hypot(p[0] - 6.0f * pen.posX, p[1] - 3.5f * pen.posY) < 0.1f &&
        (pen.dirX != 0.0f || pen.dirY != 0.0f)) {
        w = std::atan2(pen.dirX, pen.dirY) + 600.0f * pi;
        step.pushed = true;
    }
    const bool idle = w < 0.0f;
    const float turns = idle ? 0.0f : std::floor(w / twoPi) / 600.0f, m = turns * turns;
    p[0] -= 0.04f * m * std::sin(w);
    p[1] += 0.04f * m * std::cos(w);
    const V f = idle ? flow(p, q, s, {0.0008f, 0.0005f, 0.0004f, 0.0003f}, {2, 6, 10, 16})
                     : flow(p, q, s, {0.0008f, 0.0005f, 0.0003f, 0.0002f}, {6, 18, 30, 48});
    for (size_t a = 0; a < 3; ++a)
        p[a] += (idle ? 0.1f : (1.0f - m) * (m + 0.1f) * 10.0f) * f[a];
    w = idle ? w + 0.0001f : w - 2.0f * twoPi;
    step.reborn = idle ? w > 0.0f : w < 12.56f;
    if (s > 15.0f) {
        const float s2 = 2.0f * (s - 15.0f);
        p[0] = std::min(gone, p[0] + std::min(1.0f, s2) * 0.01f *
                                         std::exp(std::min(s2 + p[0] + w - 2.0f, 80.0f)));
    }
    step.state = {p[0], p[1], p[2], w};
    return step;
}
