// The plume's distance field: a column around the vertical axis capped by a small sphere and
// carved by noise that scrolls along it; the noise changes its whole pattern at 68.6 s and at
// 79.6 s, and from 79.6 s a growing offset erodes the column away.
#include "layered_pass.glsl"
#include "prl.glsl"

#ifdef fragmentcompile
layout (location=0) out float outvalue;

void main() {
    vec3 p = fragmentIn.ppos - vec3(0.5);
    // The plume's own space is narrow in x and z; the surface pass squeezes its quads the same.
    p.xz *= 0.3;
    // The axis distance grows below y = -0.2, thinning the column's foot.
    float core = 2.0 * min(length(p - vec3(0.0, 0.35, 0.0)) - 0.1,
                           length(p.xz) - 0.1 * min(0.0, p.y + 0.2));
    float pattern = (t > 79.6 ? 5.0 : 0.0) - (t < 68.6 ? 1.2 : 0.0);
    vec4 seed = vec4(25.0 * p.x, 10.0 * p.y + 1.5 * t - (p.y + 0.5) * (p.y + 0.5), 25.0 * p.z,
                     pattern);
    // Added, not combined by min: the noise decides where rock exists near the axis; nothing
    // stands above y = 0.34.
    float carve = max(0.3 * prl(seed) - 0.2 * p.y, p.y - 0.34);
    outvalue = 0.09 * max(0.0, t - 79.6) + core + carve;
}
#endif
