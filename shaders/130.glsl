// Blob table: one texel per blob (x = 0 .. 28) holding where the blob field's blob i sits at t,
// risen into place, and its pulsing weight; the field pass reads these instead of working them
// out again at every voxel.
#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
uniform float t;

layout (location=0) out vec4 outvalue;

// A fixed vec4 in [-0.5, 0.5) per blob.
vec4 blobHash(vec4 seed) {
    return fract(999.9 * cos(99.9 * seed)) - 0.5;
}

void main() {
    float fi = floor(gl_FragCoord.x);
    vec4 r1 = blobHash(vec4(19.9 + 29.1 * fi, 15.3 + 27.3 * fi, 11.5 + 25.7 * fi,
                            19.1 + 17.9 * fi));
    vec4 r2 = blobHash(vec4(12.2 + 31.3 * fi, 17.4 + 34.6 * fi, 14.2 + 31.5 * fi,
                            11.9 + 16.7 * fi));
    // A wobble, not a rotation: the second row uses sin(t - phase).
    vec3 a = vec3(r2.x, r2.y, 0.0);
    float alpha = r2.z + t;
    float beta = t - r2.z;
    a.xz = vec2(a.x * cos(alpha) + a.z * sin(alpha), a.x * sin(beta) + a.z * cos(alpha));
    float gamma = r2.w + t;
    float delta = t - r2.w;
    a.yz = vec2(a.y * cos(gamma) + a.z * sin(gamma), a.y * sin(delta) + a.z * cos(gamma));
    vec3 c = r1.xyz + 0.4 * a;
    c.y += 0.1 * sin(20.0 * r2.x + 0.5 * t);
    // Blob i waits far below until about t = 100 + i, then rises into place.
    float rise = max(0.01, 5.0 * exp(100.0 - t + fi));
    outvalue = vec4(0.5 * c - vec3(0.0, rise, 0.0), 0.3 * (0.6 + 0.4 * sin(20.0 * r1.w + t)));
}
#endif
