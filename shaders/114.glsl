// Dust: round motes circling their places at 0.1, each fading in at its own time, twinkling,
// fading into the sky with distance (alpha) and passing through a colour wipe along z. The plume
// and the closing scene each draw their own motes with it; the terms for t >= 81.8 give the
// closing scene's look (farther sight, darker motes).
#include "camera.glsl"
#include "hsltorgb.glsl"
#include "facing_light.glsl"
#include "hidden_point.glsl"

#ifdef vertexcompile
uniform float t;
uniform vec3 pos;
uniform vec2 dir;
uniform vec4 project;

layout (location=0) in vec3 place;

flat out vec4 colour;
flat out float disc;

void main() {
    // The mote's offset: (1, 0, 0) turned in the xz plane by a, then in the yz plane by b.
    float a = 999.9 * fract(999.9 * place.x) + t;
    float b = 999.9 * fract(999.9 * place.z) + 1.2 * t;
    vec3 offset = vec3(1.0, 0.0, 0.0);
    offset.xz *= pairRotation(a);
    offset.yz *= pairRotation(b);
    vec3 p = worldToView(place + 0.1 * offset, pos, dir);

    // Motes farther than about 1 / k from the camera plane vanish.
    float k = t < 81.8 ? 0.15 : 0.05;
    disc = (p.z * k) * (p.z * k);
    float d = facingLight(p, 0.6);
    // 1 before the wipe, 0 within 0.2 s once t reaches (402 - z) / 5.
    float g = clamp(402.0 - place.z - 5.0 * t, 0.0, 1.0);
    float lightness = min(0.5, 0.3 + 0.2 * d + (1.0 - g)) - (t > 81.8 ? 0.2 : 0.0);
    colour = vec4(hsltorgbWrapped(vec3(0.0, (0.6 - 0.5 * d) * g, lightness)),
                  clamp(disc, 0.0, 0.99));

    // Perspective size, a twinkle that switches the mote off for part of every cycle, a fade-in
    // over 2 s from t = 61 + y, and a fade-out within 0.2 s once t reaches (664 - x) / 5.
    float twinkle = clamp(1.0 + 3.0 * sin(99.9 * fract(999.9 * place.y) + 2.0 * t), 0.0, 1.0);
    float fadeIn = min(1.0, 0.5 * (t - 61.0 - place.y));
    float fadeOut = clamp(664.0 - place.x - 5.0 * t, 0.0, 1.0);
    float size = (2.0 - 8.0 / p.z) * twinkle * fadeIn * fadeOut;
    gl_Position = viewToClip(p, project);
    gl_PointSize = size;
    if (!(size > 0.0)) {
        hidePoint();
        disc = 1.0;
    }
}
#endif

#ifdef fragmentcompile
flat in vec4 colour;
flat in float disc;

layout (location=0) out vec4 outcol;

void main() {
    if (length(gl_PointCoord - vec2(0.5)) > 0.5 || disc > 0.999) {
        discard;
    }
    outcol = colour;
}
#endif
