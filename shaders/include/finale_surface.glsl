// Shared helper: a shaders/<id>.glsl text pulls it in with the line #include "finale_surface.glsl".
// The closing scene's surface passes: the extractor's quads placed in the world, where the field
// cube spans 10 units around (0, 2.5, -5) and is lifted by 20 once the credits take over.
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;
uniform float t;

#include "camera.glsl"
#include "facing_light.glsl"
#include "hsltorgb.glsl"
#include "surface_corner.glsl"

#ifdef vertexcompile
layout (location=0) in float count;

out vec3 col;
out vec3 ipos;

// World position of the corner this vertex stands for; also sets ipos and gl_Position.
void placeCorner() {
    ipos = 10.0 * quadCorner(count) + vec3(0.0, t > 135.0 ? 22.5 : 2.5, -5.0);
    gl_Position = worldToClip(ipos, pos, dir, project);
}
#endif

#ifdef fragmentcompile
in vec3 col;
in vec3 ipos;

layout (location=0) out vec4 outcol;

// Darkening towards the ground: from y = -1.2, full at y = -1.7.
float groundShade() {
    return clamp(-2.0 * ipos.y - 2.4, 0.0, 1.0);
}
#endif
