// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "full_screen_ray.glsl".
// Vertex stage of a full-screen sky pass over the shared quad that hands each fragment its texture
// coordinate `uv` and its view ray `ray` for the uniforms "dir" and "aspect", at focal length
// RAY_FOCAL. A text may #define RAY_FOCAL before the include; by default it is 2.0.
#include "camera.glsl"

uniform vec2 dir;
uniform float aspect;

#ifndef RAY_FOCAL
#define RAY_FOCAL 2.0
#endif

#ifdef vertexcompile
layout (location=0) in vec2 pos;
out vec2 uv;
out vec3 ray;

void main() {
    uv = pos * 0.5 + 0.5;
    ray = viewRay(pos, dir, aspect, RAY_FOCAL);
    gl_Position = vec4(pos, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
in vec2 uv;
in vec3 ray;
#endif
