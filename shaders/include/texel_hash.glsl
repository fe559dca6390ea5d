// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "texel_hash.glsl".
// Four values in [0, 1) from a 2D coordinate, used to seed particle textures.

vec4 texelHash(vec2 c) {
    vec4 mixed = vec4(19.9 * c.x + 11.1 * c.y, 13.7 * c.x + 15.3 * c.y, 17.3 * c.x + 14.5 * c.y,
                      16.9 * c.x + 11.3 * c.y);
    return fract(999.9 * cos(999.9 * mixed));
}
