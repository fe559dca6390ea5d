// Ground: grey cells lit by their stored (unnormalised) normals, rising into place from far below
// in the first seconds of the scene, with faint lines along the cell borders.
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;
uniform float t;

#ifdef vertexcompile
#include "camera.glsl"

layout (location=0) in vec3 position;
layout (location=1) in vec3 normal;

out vec3 col;
out vec3 ipos;

void main() {
    float g = 0.05 + 0.4 * (0.5 + 0.5 * dot(normal, normalize(vec3(-1.0, 1.0, 1.0))));
    col = vec3(g);
    ipos = position;
    vec3 p = position;
    // The far edge (z = -26) settles first, the near edge (z = 24) about 1.7 s later.
    p.y -= max(0.0, 0.1 * exp((83.0 - t) * 6.0 + 0.2 * p.z) - 0.1);
    gl_Position = worldToClip(p, pos, dir, project);
}
#endif

#ifdef fragmentcompile
in vec3 col;
in vec3 ipos;

layout (location=0) out vec4 outcol;

void main() {
    // The grid has 64 cells over 50 units in x and z, its z offset by -1.
    bool onLine = cos((ipos.x / 50.0 + 0.5) * 64.0 * 2.0 * 3.141592) > 0.99 ||
                  cos(((ipos.z + 1.0) / 50.0 + 0.5) * 64.0 * 2.0 * 3.141592) > 0.99;
    outcol = vec4(col + (onLine ? 0.01 : 0.0), 1.0);
}
#endif
