// One step of the particle sheet: idle particles creep in a weak curl flow and are reborn when
// their countdown runs out; the pen flings the particles it passes, which then drift in a
// stronger flow until their turn counter runs out; after s = 15 a wind carries all off to the
// right.
#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
#include "camera.glsl"
#include "curl.glsl"
#include "texel_hash.glsl"
#include "sheet_state.glsl"

uniform sampler2D tex;
uniform float t;
uniform vec2 pushpos;
uniform vec2 pushdir;

layout (location=0) out vec4 outcol;

// Keeps exp() finite: anything this strong throws the particle past sheetGone anyway.
const float windExponentLimit = 80.0;

vec3 idleFlow(vec3 p, vec3 q, float s) {
    return 0.0008 * curl(2.0 * q, 9.0 * s) + 0.0005 * curl(6.0 * p, 17.0 * s) +
           0.0004 * curl(10.0 * q, 21.0 * s) + 0.0003 * curl(16.0 * p, 33.0 * s);
}

vec3 pushedFlow(vec3 p, vec3 q, float s) {
    return 0.0008 * curl(6.0 * q, 9.0 * s) + 0.0005 * curl(18.0 * p, 17.0 * s) +
           0.0003 * curl(30.0 * q, 21.0 * s) + 0.0002 * curl(48.0 * p, 33.0 * s);
}

void main() {
    vec4 state = texelFetch(tex, ivec2(gl_FragCoord.xy), 0);
    vec3 p = state.xyz;
    float w = state.w;
    float s = t;
    if (!(p.x < sheetGone)) {
        outcol = state;
        return;
    }

    vec3 q = p;
    q.xz *= pairRotation(0.4);

    // A zero pen direction has no angle; the pen never sends one while it is near the sheet.
    if (length(p.xy - pushpos * vec2(6.0, 3.5)) < 0.1 && pushdir != vec2(0.0)) {
        vec2 d = normalize(pushdir);
        w = atan(d.x, d.y) + 600.0 * sheetPi;
    }

    if (w < 0.0) {
        w += 0.0001;
        if (w > 0.0) {
            p = sheetPoint(texelHash(p.xy));
            w = -1.0;
        }
        p += 0.1 * idleFlow(p, q, s);
    } else {
        float m = sheetTurns(w) / 600.0;
        m *= m;
        p.x -= 0.04 * m * sin(w);
        p.y += 0.04 * m * cos(w);
        p += (1.0 - m) * (m + 0.1) * 10.0 * pushedFlow(p, q, s);
        w -= 4.0 * sheetPi;
        if (w < 12.56) {
            p = sheetPoint(texelHash(p.xy));
            w = -1.0;
        }
    }

    if (s > 15.0) {
        float s2 = 2.0 * (s - 15.0);
        p.x += min(1.0, s2) * 0.01 * exp(min(s2 + p.x + w - 2.0, windExponentLimit));
        p.x = min(p.x, sheetGone);
    }
    outcol = vec4(p, w);
}
#endif
