// Pulls in helpers the way the demo's texts do: prl brings rnd and mix2, which are asked for again.
// A mention such as #include "missing.glsl" inside a comment is not a directive.
#include "prl.glsl"
  #include "rnd.glsl"
#include "mix2.glsl"
#include "box.glsl"

uniform float t;

#ifdef vertexcompile
layout (location=0) in vec2 corner;
void main() {
    gl_Position = vec4(corner, 0.0, 1.0);
}
#endif

#ifdef fragmentcompile
layout (location=0) out vec4 colour;
void main() {
    vec4 seed = vec4(gl_FragCoord.xy * 0.1, t, 0.5);
    colour = vec4(prl(seed), rnd(seed), mix2(0.0, 1.0, 0.5), box(seed.xyz, vec3(0.0), vec3(1.0)));
}
#endif
