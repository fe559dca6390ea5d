// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "mix2.glsl".
// Smoothstep blend from a (t = 0) to b (t = 1).

float mix2(float a, float b, float t) {
    return a + (b - a) * t * t * (3.0 - 2.0 * t);
}
