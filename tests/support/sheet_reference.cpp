#include "tests/support/sheet_reference.h"

#include <algorithm>
#include <cmath>

namespace {

using V = std::array<float, 3>;

// The sum of four curl fields with weights w at scales k of q (even terms) or p (odd terms).
V flow(const V& p, const V& q, float s, const std::array<float, 4>& w,
       const std::array<float, 4>& k) {
    constexpr std::array<float, 4> times = {9.0f, 17.0f, 21.0f, 33.0f};
    V sum{};
    for (size_t f = 0; f < 4; ++f) {
        const V& at = f % 2 == 0 ? q : p;
        std::array<float, 3> c{};
        for (size_t a = 0; a < 3; ++a)
            c[a] = std::cos(k[f] * at[a] + 0.05f * times[f] * s);
        const V curl = {c[1] - c[2], c[2] - c[0] + 0.1f, c[0] - c[1]};
        for (size_t a = 0; a < 3; ++a)
            sum[a] += w[f] * curl[a];
    }
    return sum;
}

} // namespace

SheetStep sheetStepReference(const std::array<float, 4>& in, float s, const SheetPen& pen) {
    constexpr float pi = 3.141592f;
    SheetStep step{in};
    if (!(in[0] < sheetGone))
        return step;
    V p = {in[0], in[1], in[2]};
    float w = in[3];
    const V q = {p[0] * std::cos(0.4f) + p[2] * std::sin(0.4f), p[1],
                 -p[0] * std::sin(0.4f) + p[2] * std::cos(0.4f)};
    if (std::hypot(p[0] - 6.0f * pen.posX, p[1] - 3.5f * pen.posY) < 0.1f &&
        (pen.dirX != 0.0f || pen.dirY != 0.0f)) {
        const float length = std::hypot(pen.dirX, pen.dirY);
        w = std::atan2(pen.dirX / length, pen.dirY / length) + 600.0f * pi;
        step.pushed = true;
    }
    V move{};
    if (w < 0.0f) {
        w += 0.0001f;
        step.reborn = w > 0.0f;
        const V f = flow(p, q, s, {0.0008f, 0.0005f, 0.0004f, 0.0003f}, {2, 6, 10, 16});
        for (size_t a = 0; a < 3; ++a)
            move[a] = 0.1f * f[a];
    } else {
        const float turns = std::floor(w / (2.0f * pi)) / 600.0f, m = turns * turns;
        p[0] -= 0.04f * m * std::sin(w);
        p[1] += 0.04f * m * std::cos(w);
        const V f = flow(p, q, s, {0.0008f, 0.0005f, 0.0003f, 0.0002f}, {6, 18, 30, 48});
        for (size_t a = 0; a < 3; ++a)
            move[a] = (1.0f - m) * (m + 0.1f) * 10.0f * f[a];
        w -= 4.0f * pi;
        step.reborn = w < 12.56f;
    }
    if (step.reborn)
        w = -1.0f;
    for (size_t a = 0; a < 3; ++a)
        p[a] += move[a];
    if (s > 15.0f) {
        const float s2 = 2.0f * (s - 15.0f);
        p[0] = std::min(sheetGone, p[0] + std::min(1.0f, s2) * 0.01f *
                                              std::exp(std::min(s2 + p[0] + w - 2.0f, 80.0f)));
    }
    step.state = {p[0], p[1], p[2], w};
    return step;
}
