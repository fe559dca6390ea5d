// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "curl.glsl".
// Swirling drift field; the 0.1 in y gives a steady upward drift.

vec3 curl(vec3 p, float s) {
    vec3 d = cos(p + 0.05 * s);
    return vec3(d.y - d.z, d.z - d.x + 0.1, d.x - d.y);
}
