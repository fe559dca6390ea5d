// The plume's frame: the scene image over a green-grey sky that turns warm grey from 78.2 s, with
// film grain. The view rays' focal length shrinks as the scene goes on, widening the sky's
// gradient over it.
uniform float t;

#define RAY_FOCAL (2.0 - 0.1 * max(1.0, t - 60.0))
#include "full_screen_ray.glsl"
#include "cool_sky.glsl"
#include "facing_light.glsl"
#include "dither.glsl"
#include "over_sky.glsl"

#ifdef fragmentcompile
uniform sampler2D color;
uniform sampler2D depth;

layout (location=0) out vec4 outcol;

void main() {
    vec3 sky = coolSky(facingLight(ray, 0.6), clamp(t - 78.2, 0.0, 1.0));
    outcol = overSky(texture(color, uv), texture(depth, uv).x, sky, dither(uv, t));
}
#endif
