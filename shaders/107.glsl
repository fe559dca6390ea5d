// Particle seed: one texel per particle, a hashed position in a cloud around (0, 24, 0) that is
// denser near its middle plane, and a life of 0.4 to 1.4.
#include "full_screen_texcoord.glsl"

#ifdef fragmentcompile
#include "texel_hash.glsl"

layout (location=0) out vec4 outcol;

void main() {
    vec4 s = texelHash(uv) - 0.5;
    s.xy = sqrt(abs(s.xy)) * s.xy;
    s *= vec4(30.0, 30.0, 80.0, 1.0);
    s.y += 24.0;
    s.w = 0.9 + s.w;
    outcol = s;
}
#endif
