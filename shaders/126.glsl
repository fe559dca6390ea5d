// The shaft's signed distance (positive in the air): a twisting shaft under a cone-shaped top,
// above a floor, with noisy strata, four ledges and a flat disc. The volume's y is five times
// finer than x and z in the world, so the noise and the disc stretch y by 5.
#include "layered_pass.glsl"
#include "prl.glsl"
#include "box.glsl"

#ifdef fragmentcompile
layout (location=0) out float distance;

void main() {
    vec3 p = fragmentIn.ppos - vec3(0.5);
    float r = length(p.xz);
    float h = min(1.0, 5.0 * (p.y + 0.4));

    vec2 w = 0.1 * h * vec2(cos(4.0 * p.y + t), sin(4.0 * p.y + t));
    float shaft = 0.3 - length(p.xz + w);
    float floorLevel = p.y + 0.4;
    float top = p.y - 0.45 + 0.4 * r;
    float f = max(top, min(shaft, floorLevel));

    f += 0.15 * h *
         (prl(vec4(4.0 * p.x, 20.0 * p.y, 4.0 * p.z, 0.1 * t)) +
          0.5 * prl(vec4(8.0 * p.x, 40.0 * p.y, 8.0 * p.z, 0.2 * t)));

    f = min(f, box(p, vec3(0.2, -0.05, 0.3), vec3(0.1, 0.1, 0.25)));
    f = min(f, box(p, vec3(0.1, -0.3, 0.3), vec3(0.25, 0.025, 0.05)));
    f = min(f, box(p, vec3(-0.2, -0.2, -0.3), vec3(0.25, 0.025, 0.05)));
    f = min(f, box(p, vec3(-0.3, 0.15, -0.3), vec3(0.25, 0.025, 0.25)));
    f = min(f, length(vec3(p.x, 5.0 * p.y, p.z) - vec3(-0.2, 1.2, 0.2)) - 0.1);

    distance = f;
}
#endif
