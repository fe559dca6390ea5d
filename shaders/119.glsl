// Sky and smoke: a warm striped gradient that turns to the next scene's cool grey from 55 s,
// darkened where the density texture holds smoke, with film grain.
#include "full_screen_ray.glsl"
#include "hsltorgb.glsl"
#include "facing_light.glsl"
#include "cool_sky.glsl"
#include "mix2_vec3.glsl"
#include "dither.glsl"

uniform float t;

#ifdef fragmentcompile
uniform sampler2D tex;

layout (location=0) out vec4 outcol;

void main() {
    // Any smoke at all counts one extra unit, so a thin veil is already visible.
    float a = texture(tex, uv).x;
    if (a > 0.0) {
        a += 1.0;
    }
    float k = dither(uv, t);
    float d = facingLight(ray, 0.6);
    // 80 stripes around the vertical axis.
    float stripes = 0.075 * floor(1.0 + sin(80.0 * atan(50.0 * ray.x, 50.0 * ray.z)));
    vec3 warm = hsltorgb(vec3(10.0 + 30.0 * d, 0.7 + 0.3 * d + stripes, 0.15 + 0.25 * d));
    vec3 cool = coolSky(d, 0.0);
    vec3 sky = mix2(warm, cool, clamp(0.2 * (60.0 - t), 0.0, 1.0));
    vec3 colour = mix(sky, vec3(0.05, 0.06, 0.07), clamp(exp(0.025 * a) - 1.0, 0.0, 1.0));
    outcol = vec4(colour + 0.02 * k, 1.0);
}
#endif
