// Smoke sprites: every particle is a round point, larger when near, that adds 0.06 to the red
// channel of the density texture under additive blending.
#include "camera.glsl"
#include "hidden_point.glsl"

#ifdef vertexcompile
uniform sampler2D postex;
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;

layout (location=0) in vec2 uv;

flat out int drawn;

void main() {
    vec4 particle = texture(postex, uv);
    // Particles seeded without a position carry w < 0.
    if (particle.w < 0.0) {
        hidePoint();
        drawn = 0;
        return;
    }
    drawn = 1;
    gl_Position = worldToClip(particle.xyz - vec3(0.4, 0.0, 0.0), pos, dir, project);
    // w is the distance in front of the camera.
    gl_PointSize = 1.5 + 2.0 / gl_Position.w;
}
#endif

#ifdef fragmentcompile
flat in int drawn;

layout (location=0) out vec4 outcol;

void main() {
    if (drawn == 0 || length(gl_PointCoord - vec2(0.5)) > 0.5) {
        discard;
    }
    outcol = vec4(1.0, 1.0, 1.0, 0.06);
}
#endif
