// Blob field: 29 soft blobs that rise one by one from below from t = 100 into a wobbling cluster;
// 100 minus the blobs' summed inverse-square terms, so negative inside.
#include "layered_pass.glsl"

#ifdef fragmentcompile
layout (location=0) out float outvalue;

// A fixed vec4 in [-0.5, 0.5) per blob.
vec4 blobHash(vec4 seed) {
    return fract(999.9 * cos(99.9 * seed)) - 0.5;
}

void main() {
    vec3 p = fragmentIn.ppos - 0.5;
    float k = 100.0;
    for (int i = 0; i < 29; i++) {
        float fi = float(i);
        // Blob i waits far below until about t = 100 + i, then rises into place.
        vec3 q = p + vec3(0.0, max(0.01, 5.0 * exp(100.0 - t + fi)), 0.0);
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
        vec3 d = 0.5 * c - q;
        k -= 0.3 * (0.6 + 0.4 * sin(20.0 * r1.w + t)) / dot(d, d);
    }
    outvalue = k;
}
#endif
