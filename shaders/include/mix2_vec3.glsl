// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "mix2_vec3.glsl".
// The vec3 form has the roles reversed: a at t = 1, b at t = 0.

vec3 mix2(vec3 a, vec3 b, float t) {
    float s = t * t * (3.0 - 2.0 * t);
    return a * s + b * (1.0 - s);
}
