// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "box.glsl".
// Distance-like value of an axis-aligned box with half extents `size`; negative inside.

float box(vec3 v, vec3 pos, vec3 size) {
    vec3 d = abs(v - pos) - size;
    return max(d.x, max(d.y, d.z));
}
