// The particle sheet's points: round muted blue sprites, darker when newborn or freshly pushed,
// raining into the sheet lowest rows first at the start.
#include "camera.glsl"
#include "hsltorgb.glsl"
#include "sheet_state.glsl"
#include "hidden_point.glsl"

#ifdef vertexcompile
uniform sampler2D tex;
uniform vec2 dir;
uniform vec3 pos;
uniform vec4 project;
uniform float t;

layout (location=0) in vec2 uv;

flat out vec3 colour;
flat out int drawn;

// Flagged for the fragment stage as well; the colour is set so no output is left undefined.
void hide() {
    hidePoint();
    drawn = 0;
    colour = vec3(0.0);
}

void main() {
    vec4 state = texture(tex, uv);
    vec3 particle = state.xyz;
    float w = state.w;
    float s = t;
    if (!(particle.x < sheetGone)) {
        hide();
        return;
    }

    float c = w > 0.0 ? sheetTurns(w) / 3000.0 : 0.1 * w;
    colour = hsltorgb(vec3(200.0, 0.2 + particle.z, 0.3 - min(0.2, abs(c))));

    // The lift overflows float well before the first frame; capped, it stays far out of view.
    vec3 p = particle;
    p.y += max(0.0, 10.0 * exp(min(-8.0 * (s - 0.4 * particle.y - 0.1), 80.0)) - 0.1);
    gl_Position = worldToClip(p, pos, dir, project);

    float g = w < 0.0 ? clamp(abs(5.0 * w), 0.0, 1.0) * clamp(5.0 * (1.0 - abs(w)), 0.0, 1.0)
                      : min(1.0, sheetTurns(w) / 200.0);
    // clip w is the distance in front of the camera; nearer than the near plane is clipped.
    float size = gl_Position.w >= 0.1 ? (1.5 + 2.0 / gl_Position.w) * 4.0 * g : 0.0;
    if (!(size > 0.0)) {
        hide();
        return;
    }
    drawn = 1;
    gl_PointSize = size;
}
#endif

#ifdef fragmentcompile
flat in vec3 colour;
flat in int drawn;

layout (location=0) out vec4 outcol;

void main() {
    if (drawn == 0 || length(gl_PointCoord - vec2(0.5)) > 0.5) {
        discard;
    }
    outcol = vec4(colour, 1.0);
}
#endif
