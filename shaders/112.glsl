// The plume's frame: the scene image over a green-grey sky that turns warm grey from 78.2 s, with
// film grain. The view rays' focal length shrinks as the scene goes on, widening the sky's
// gradient over it.
#include "camera.glsl"
#include "cool_sky.glsl"
#include "facing_light.glsl"
#include "dither.glsl"
#include "over_sky.glsl"

uniform float t;

#ifdef vertexcompile
uniform vec2 dir;
uniform float aspect;

layout (location=0) in vec2 corner;

out vec2 p;
out vec3 ray;

void main() {
    p = corner * 0.5 + 0.5;
    ray = viewRay(corner, dir, aspect, 2.0 - 0.1 * max(1.0, t - 60.0));
    gl_Position = vec4(corner, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
uniform sampler2D color;
uniform sampler2D depth;

in vec2 p;
in vec3 ray;

layout (location=0) out vec4 outcol;

void main() {
    vec3 sky = coolSky(facingLight(ray, 0.6), clamp(t - 78.2, 0.0, 1.0));
    outcol = overSky(texture(color, p), texture(depth, p).x, sky, dither(p, t));
}
#endif
