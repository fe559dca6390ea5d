// Particle sprites: one round point per particle, red, seen only near the credits, fading in
// from t = 131 and shrinking away at the end of each particle's life; blended additively.
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;
uniform float t;

#ifdef vertexcompile
#include "camera.glsl"
#include "hsltorgb.glsl"
#include "hidden_point.glsl"

uniform sampler2D tex;

layout (location=0) in vec2 uv;

flat out vec4 col;

void main() {
    vec4 particle = textureLod(tex, uv, 0.0);
    col.rgb = hsltorgb(vec3(350.0, 0.4 * (0.2 - 0.1 * particle.z), 0.3));
    // Gone beyond 20 units from the text region; sweeps in along x over a second from t = 131.
    col.a = clamp(1.0 - 0.05 * length(particle.xyz - vec3(0.0, 22.0, -6.0)), -0.1, 1.0) +
            clamp(t - 132.0 + 0.03 * particle.x, -1.0, 0.0);
    vec3 p = worldToView(particle.xyz, pos, dir);
    // Nearer particles are larger; each shrinks away during the last 0.2 of its life.
    float life = clamp(5.0 * particle.w, 0.0, 1.0);
    float size = (1.5 - 2.0 / p.z) * 2.0 * life * life;
    gl_Position = viewToClip(p, project);
    gl_PointSize = size;
    // A point the fragment stage would discard whole is not rasterized at all.
    if (!(size > 0.0) || col.a < 0.0) {
        hidePoint();
        col.a = -1.0;
    }
}
#endif

#ifdef fragmentcompile
flat in vec4 col;

layout (location=0) out vec4 outcol;

void main() {
    if (length(gl_PointCoord - 0.5) > 0.5 || col.a < 0.0) {
        discard;
    }
    outcol = col;
}
#endif
