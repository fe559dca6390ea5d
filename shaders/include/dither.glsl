// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "dither.glsl".
// Film grain in [0, 1) that changes per pixel and per frame.

float dither(vec2 xy, float t) {
    return fract(9999.9 * cos(9.9 * dot(vec3(xy, t), vec3(19.1, 11.3, 17.5))));
}
