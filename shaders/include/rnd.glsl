// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "rnd.glsl".
// Hash of a 4D seed to [-0.5, 0.5).

float rnd(vec4 seed) {
    return fract(999.9 * cos(99.9 * dot(vec4(12.9, 11.7, 13.1, 15.3), seed))) - 0.5;
}
