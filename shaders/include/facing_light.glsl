// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "facing_light.glsl".
// 0.5 plus `contrast` times the cosine between v and the light direction (1, 1, 1): the shading
// term of lit surfaces (contrast 0.5), and of skies and dust seen along v (contrast 0.6).

float facingLight(vec3 v, float contrast) {
    return 0.5 + contrast * dot(normalize(v), normalize(vec3(1.0)));
}
