// Seed of the particle sheet: every particle idle at a random point with a random countdown.
#include "full_screen_vertex.glsl"

#ifdef fragmentcompile
#include "texel_hash.glsl"
#include "sheet_state.glsl"

layout (location=0) out vec4 outcol;

void main() {
    vec4 r = texelHash(gl_FragCoord.xy / sheetStateSize);
    outcol = vec4(sheetPoint(r), -r.w);
}
#endif
