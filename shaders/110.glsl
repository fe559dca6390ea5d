// Particle step: one texel per particle; ages it, respawns it at its own hashed offset around a
// swaying emitter when its life runs out, and moves it through curl noise, steered along the
// surface of the scene's field where it comes close.
#include "full_screen_texcoord.glsl"

#ifdef fragmentcompile
#include "curl.glsl"
#include "texel_hash.glsl"

uniform sampler2D tex;
uniform sampler3D sdf;
uniform float t;

layout (location=0) out vec4 outcol;

float field(vec3 g) {
    return texture(sdf, g).x;
}

void main() {
    vec4 particle = texture(tex, uv);
    particle.w -= 0.005;
    // A life of exactly 0 still takes this step.
    if (particle.w < 0.0) {
        vec4 s = texelHash(uv) - 0.5;
        s.xy = sqrt(abs(s.xy)) * s.xy;
        // 3 % of the particles spread twenty times wider.
        float m = s.z > 0.47 ? 30.5 : 1.5;
        s *= vec4(m, m, 19.0, 1.0);
        s.y += 24.0 + 0.2 * cos(1.2 * t) - 0.1 * sin(0.4 * t);
        s.z += 15.0;
        s.x += 4.0 * sin(1.2 * t) + 0.2 * cos(0.4 * t);
        s.w = 0.9 + s.w;
        particle = s;
    }
    vec3 p = particle.xyz;
    vec3 vel = 0.022 * curl(0.5 * p - vec3(2.6), t) + 0.020 * curl(p, 3.0 * t) +
               0.019 * curl(4.0 * p, 5.0 * t) + 0.015 * curl(12.0 * p, 8.0 * t);
    vel.z -= 0.2;

    // The field cube spans 10 world units around (0, 22.5, -5).
    vec3 g = (p - vec3(0.0, 22.5, -5.0)) / 10.0 + 0.5;
    float d = field(g);
    float factor = 1.0;
    if (d <= 0.006) {
        // Near the surface the gradient in y drives x and the gradient in x drives y; inside the
        // shape (d < 0) the step reverses.
        const float e = 0.01;
        vel = vec3(vel.z * (field(g - vec3(0.0, e, 0.0)) - field(g + vec3(0.0, e, 0.0))) /
                       (0.006 * e),
                   vel.z * (field(g + vec3(e, 0.0, 0.0)) - field(g - vec3(e, 0.0, 0.0))) /
                       (0.006 * e),
                   vel.z / 0.00015);
        factor = d / 0.006 * 0.0002;
    }
    particle.xyz += vel * factor;
    outcol = particle;
}
#endif
