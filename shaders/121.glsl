// One smoke step per texel: the particle drifts along its direction while its life is high, then
// follows the sum of four curl fields; both weaken as life falls. "speed" carries the beat bursts.
#include "curl.glsl"
#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
uniform sampler2D oldpos;
uniform sampler2D oldcol;
uniform float t;
uniform float speed;

layout (location=0) out vec4 newpos;
layout (location=1) out vec4 newcol;

void main() {
    ivec2 texel = ivec2(gl_FragCoord.xy);
    vec4 p = texelFetch(oldpos, texel, 0);
    vec4 s = texelFetch(oldcol, texel, 0);

    vec3 vel = 0.007 * curl(3.0 * p.xyz - 2.6, t) + 0.006 * curl(8.0 * p.xyz, 3.0 * t) +
               0.004 * curl(16.0 * p.xyz, 5.0 * t) + 0.003 * curl(24.0 * p.xyz, 8.0 * t);
    float m = max(0.0, s.w - 0.1);
    m *= m;
    p.xyz += speed * 0.4 * ((1.0 - m) * vel * exp((s.w - 1.0) * 2.7) * 0.6 + m * 0.008 * s.xyz);
    s.w -= 0.00025 + 0.00025 * length(vel);

    newpos = p;
    newcol = s;
}
#endif
