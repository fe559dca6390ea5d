// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "prl.glsl".
// 4D value noise in [-0.5, 0.5): rnd at the 16 lattice corners blended with mix2 along x, y, z, w.
#include "rnd.glsl"
#include "mix2.glsl"

float prl(vec4 seed) {
    vec4 cell = floor(seed);
    vec4 f = fract(seed);
    float alongW[2];
    for (int w = 0; w < 2; w++) {
        float alongZ[2];
        for (int z = 0; z < 2; z++) {
            float alongY[2];
            for (int y = 0; y < 2; y++) {
                vec4 corner = cell + vec4(0.0, float(y), float(z), float(w));
                alongY[y] = mix2(rnd(corner), rnd(corner + vec4(1.0, 0.0, 0.0, 0.0)), f.x);
            }
            alongZ[z] = mix2(alongY[0], alongY[1], f.y);
        }
        alongW[w] = mix2(alongZ[0], alongZ[1], f.z);
    }
    return mix2(alongW[0], alongW[1], f.w);
}
