// The plume's surface: the extracted quads squeezed in x and z like the field, lit reddish brown
// from the volume's gradient. Alpha 1 marks solid surface for the composite.
#include "camera.glsl"
#include "hsltorgb.glsl"
#include "facing_light.glsl"
#include "surface_corner.glsl"
#include "volume_gradient.glsl"

#ifdef vertexcompile
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;

// The corner selector of the extractor's corner mesh.
layout (location=0) in float count;

out vec3 volumePoint;

void main() {
    vec3 corner = quadCorner(count);
    volumePoint = corner + 0.5;
    gl_Position = worldToClip(vec3(0.3 * corner.x, corner.y, 0.3 * corner.z), pos, dir, project);
}
#endif

#ifdef fragmentcompile
uniform sampler3D sdf;

in vec3 volumePoint;

layout (location=0) out vec4 outcol;

void main() {
    // The wider step in y evens out the squeeze of x and z.
    vec3 n = centralDifferences(sdf, volumePoint, vec3(0.01, 0.03, 0.01));
    float l = facingLight(n, 0.5);
    outcol = vec4(hsltorgb(vec3(10.0 + 20.0 * l, 0.2 + 0.2 * l, 0.2 + 0.3 * l)), 1.0);
}
#endif
