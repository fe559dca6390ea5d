// Particle seed: each texel of the particle textures gets a point on the sphere of radius 0.4
// about (2.8, 0, -1), spread evenly over its area, and the starting state. Texels whose hashed
// disc point falls outside the unit disc have no point: they are parked far below the scene with
// w = -1, which the sprite pass discards, so they never appear whatever the GL does with NaN.
#include "texel_hash.glsl"
#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
// Texels per side of the particle textures.
uniform float side;

layout (location=0) out vec4 outpos;
layout (location=1) out vec4 outcol;

void main() {
    // Exact texel centres: the hash turns the smallest coordinate error into a different value.
    vec4 r = texelHash(gl_FragCoord.xy / side);
    float a = 2.0 * r.y - 1.0;
    float b = 2.0 * r.z - 1.0;
    float q = a * a + b * b;
    if (q <= 1.0) {
        // Equal-area map of the unit disc onto the sphere.
        float s = sqrt(1.0 - q);
        outpos = vec4(2.8 + 0.8 * a * s, 0.8 * b * s, 0.4 * (1.0 - 2.0 * q) - 1.0, r.w);
    } else {
        outpos = vec4(0.0, -1000.0, 0.0, -1.0);
    }
    outcol = vec4(-1.1, 0.0, 0.0, 1.0);
}
#endif
