// The shaft's surface: the extracted quads squeezed to a fifth in x and z, sliding down as t
// grows, lit olive to ochre from the volume's gradient and darkened towards its bottom.
#include "camera.glsl"
#include "hsltorgb.glsl"
#include "facing_light.glsl"
#include "surface_corner.glsl"
#include "volume_gradient.glsl"
#include "dither.glsl"

uniform float t;

#ifdef vertexcompile
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;

// The corner selector of the extractor's corner mesh: 0.1, 0.3, 0.6 or 0.8.
layout (location=0) in float count;

out float height;
out vec3 volumePoint;

void main() {
    vec3 corner = quadCorner(count);
    height = corner.y;
    volumePoint = corner + 0.5;
    vec3 world = vec3(0.2 * corner.x, corner.y - (t / 45.0 - 0.35), 0.2 * corner.z + 3.0);
    gl_Position = worldToClip(world, pos, dir, project);
}
#endif

#ifdef fragmentcompile
uniform sampler3D sdf;

in float height;
in vec3 volumePoint;

layout (location=0) out vec4 outcol;

void main() {
    float k = dither(gl_FragCoord.xy, t);
    // The factors 5 undo the squeeze of x and z.
    vec3 n = vec3(5.0, 1.0, 5.0) * centralDifferences(sdf, volumePoint, vec3(0.01));
    float l = facingLight(n, 0.5);
    float shade = 0.35 * (1.0 - min(1.0, 2.0 * (height + 0.45)));
    outcol = vec4(0.02 * k + hsltorgb(vec3(80.0 - 40.0 * l, 0.1 + 0.2 * l, 0.1 + 0.3 * l - shade)),
                  1.0);
}
#endif
